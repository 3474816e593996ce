#include <gtest/gtest.h>

#include "intake/package_name.h"

namespace zentrox {
namespace {

using Lines = std::vector<std::string>;

const std::string kLen30 = "ОШИБКА В ИМЕНИ ПАКЕТА (Длина должна равняться 30)!!!)";
const std::string kLen22 = "ОШИБКА В ИМЕНИ ПАКЕТА (Длина должна равняться 22)!!! (или для нового формата = 30)";
const std::string kPrefix = "ОШИБКА В ИМЕНИ ПАКЕТА (нет префикса \"REV5_\")!!!";
const std::string kCode = "ОШИБКА В ИМЕНИ ПАКЕТА (в коде ЭА не цифра)!!!";
const std::string kSep = "ОШИБКА В ИМЕНИ ПАКЕТА (нет разделителя \"_\" между кодом ЭА и номером пакета)!!!";
const std::string kNumber = "ОШИБКА В ИМЕНИ ПАКЕТА (в номере пакета не цифра)!!!";
const std::string kSuffix = "ОШИБКА В ИМЕНИ ПАКЕТА (нет постфикса \".RAR\")!!!";

struct NameCase {
  Variant variant;
  std::string name;
  Lines lines;
};

class NameCheck : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameCheck, WritesTheFirstFailingStep) {
  const NameCase& c = GetParam();
  EXPECT_EQ(CheckPackageName(c.variant, c.name), c.lines) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameCheck,
    ::testing::Values(NameCase{Variant::Quarterly, "REV5_1234567_00001_2026T03.rar", {}},
                      NameCase{Variant::Quarterly, "rev5_1234567_00001_2026T03.RAR", {}},
                      NameCase{Variant::Quarterly, "REV5_1234567_00001.rar", {kLen30, "длина ИМЕНИ ПАКЕТА =22"}},
                      NameCase{Variant::Monthly, "REV5_1234567_00001.rar", {kLen30, "длина ИМЕНИ ПАКЕТА =22"}},
                      NameCase{Variant::Annual, "REV5_1234567_00001.rar", {}},
                      NameCase{Variant::Annual, "REV5_1234567_00001_2026L00.rar", {}},
                      NameCase{Variant::Annual, "REV5_1234567_0001.rar", {kLen22, "длина ИМЕНИ ПАКЕТА =21"}},
                      NameCase{Variant::Quarterly, "REV6_1234567_00001_2026T03.rar", {kPrefix}},
                      NameCase{Variant::Quarterly, "REV5_12A4567_0B001_2026T03.rar", {kCode}},
                      NameCase{Variant::Quarterly, "REV5_1234567-00001_2026T03.rar", {kSep}},
                      NameCase{Variant::Quarterly, "REV5_1234567_00a01_2026T03.rar", {kNumber}},
                      NameCase{Variant::Quarterly, "REV5_1234567_00001_2026T03.zip", {kSuffix, "ZIP"}},
                      NameCase{Variant::Quarterly, "REV5_1234567_00001АБВГДT03.rar", {}},       // 19-23 unexamined
                      NameCase{Variant::Quarterly, "REV5_١٢٣٤٥٦٧_00001_2026T03.rar", {kCode}},  // only 0-9 are digits
                      NameCase{Variant::AnnualOld, "anything at all.zip", {}}));

struct PeriodCase {
  Variant variant;
  std::string path;
  bool ok;
  int period;
  Lines lines;
};

class Period : public ::testing::TestWithParam<PeriodCase> {};

TEST_P(Period, ChecksTheCodeBeforeTheExtension) {
  const PeriodCase& c = GetParam();
  PeriodCheck r = CheckPeriod(c.variant, c.path);
  EXPECT_EQ(r.ok, c.ok) << c.path;
  EXPECT_EQ(r.period, c.period);
  EXPECT_EQ(r.lines, c.lines);
}

const std::string kDir = "/home/user/пакеты/";
const std::string kQ = kDir + "REV5_1234567_00001_2026T03.rar";
const std::string kA = kDir + "REV5_1234567_00001_2026L00.rar";
const std::string kM = kDir + "REV5_1234567_00001_2026L11.rar";
const std::string kQLower = kDir + "REV5_1234567_00001_2026t03.rar";
const std::string kM13 = kDir + "REV5_1234567_00001_2026L13.rar";

INSTANTIATE_TEST_SUITE_P(
    Codes, Period,
    ::testing::Values(
        PeriodCase{Variant::Quarterly, kQ, true, 3, {}},
        PeriodCase{Variant::Quarterly,
                   kA,
                   false,
                   0,
                   {"в наименовании пакета указавается, что \"Anual\" ", "Запустите нужный пункт меню"}},
        PeriodCase{Variant::Quarterly,
                   kQLower,
                   false,
                   0,
                   {"в наименовании пакета неверно указан номер квартала ", "\"" + kQLower + "\""}},
        PeriodCase{Variant::Annual,
                   kQ,
                   false,
                   0,
                   {"в наименовании пакета указавается, что \"Trimestrial\" ", "Запустите нужный пункт меню"}},
        PeriodCase{Variant::Annual, kQLower, true, 0, {}}, PeriodCase{Variant::Annual, kM, true, 0, {}},
        PeriodCase{Variant::Annual, "", true, 0, {}},
        PeriodCase{Variant::Annual, kDir + "REV5_1234567_00001.rar", true, 0, {}},
        PeriodCase{Variant::Monthly, kM, true, 11, {}},
        PeriodCase{
            Variant::Monthly, kA, false, 0, {"в наименовании пакета неверно указан номер месяца ", "\"" + kA + "\""}},
        PeriodCase{Variant::Monthly,
                   kM13,
                   false,
                   0,
                   {"в наименовании пакета неверно указан номер месяца ", "\"" + kM13 + "\""}},
        PeriodCase{Variant::Monthly,
                   kQ,
                   false,
                   0,
                   {"в наименовании пакета некорректно указана буква периода: L - ежемесячная", "\"" + kQ + "\""}},
        PeriodCase{Variant::AnnualOld, kQ, true, 0, {}}));

// A further variant's named code family is refused by name wherever other
// families are, the annual window included, instead of passing as unknown.
TEST(Period, AFurtherNamedFamilyIsRefusedByName) {
  const PeriodCodes further{.letter = "K", .first = 1, .last = 4, .meaning = PeriodMeaning::Quarter, .family = "Kv"};
  const std::string path = kDir + "REV5_1234567_00001_2026K02.rar";
  for (Variant v : {Variant::Quarterly, Variant::Annual}) {
    const PeriodCheck r = CheckPeriod(Profile(v).period, {further}, path);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.lines.at(0).find("\"Kv\""), std::string::npos);
  }
  EXPECT_TRUE(CheckPeriod(Profile(Variant::Annual).period, {}, path).ok);
}

TEST(CopyChars, HasForgivingBounds) {
  EXPECT_EQ(CopyChars("abc", -3, 2), "ab");
  EXPECT_EQ(CopyChars("abc", 2, 10), "bc");
  EXPECT_EQ(CopyChars("абв", 2, 1), "б");
  EXPECT_EQ(CopyChars("abc", 5, 1), "");
}

}  // namespace
}  // namespace zentrox
