#include <gtest/gtest.h>

#include "model/schemas.h"
#include "report/checks.h"
#include "report/loader.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

using test::TempDir;

struct DictionaryCase {
  const char* name;
  bool old_format;
  const char* file;
  std::string content;
  std::vector<std::string> faults;  // "%PATH%" stands for the file's path
  std::vector<std::string> codes;   // the table's codes afterwards
};

class DictionaryLoad : public ::testing::TestWithParam<DictionaryCase> {};

// The row the variant's profile appends after `file`'s own rows.
std::string ClosingRowOf(Variant v, const std::string& file) {
  for (const DictionaryFile& d : Profile(v).dictionaries) {
    if (d.name == file) return d.closing_row;
  }
  return {};
}

TEST_P(DictionaryLoad, Loads) {
  const DictionaryCase& c = GetParam();
  TempDir dir;
  std::string path = dir / c.file;
  test::WriteCp1251(path, c.content);
  Protocol p;
  const Variant variant = c.old_format ? Variant::AnnualOld : Variant::Quarterly;
  FindingWriter checks(p, Profile(variant), test::D(8, 12, 2026));
  NewFormatTables dm;
  OldFormatTables dm1;
  Table& table = std::string(c.file) == "months.txt"   ? dm.months
                 : std::string(c.file) == "rashod.txt" ? dm1.rashod
                 : std::string(c.file) == "raion.txt"  ? dm.raion
                                                       : dm.kategor;
  LoadDictionary(checks, path, table, ClosingRowOf(variant, c.file));
  std::vector<std::string> expected;
  for (std::string f : c.faults) {
    std::size_t at = f.find("%PATH%");
    if (at != std::string::npos) f.replace(at, 6, path);
    expected.push_back(f);
  }
  EXPECT_EQ(test::FaultTexts(p), expected);
  std::vector<std::string> codes;
  for (RowId r = 0; r < table.size(); ++r) codes.push_back(table.Text(r, 0));
  EXPECT_EQ(codes, c.codes);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DictionaryLoad,
    ::testing::Values(
        DictionaryCase{"months_get_13", false, "months.txt", "1|Январь\r\n2|Февраль\r\n", {}, {"1", "2", "13"}},
        DictionaryCase{
            "damaged_line", false, "months.txt", "1|Январь\r\n2\r\n", {"запорчен файл%PATH%строка 2"}, {"1", "13"}},
        DictionaryCase{"empty_line_is_damaged",
                       false,
                       "sps_kateg.txt",
                       "1|a\r\n\r\n2|b\r\n",
                       {"запорчен файл%PATH%строка 2"},
                       {"1", "2"}},
        DictionaryCase{"new_type_message",
                       false,
                       "months.txt",
                       "x|bad\r\n3|Март\r\n",
                       {"Неверный тип параметра, Строка 1"},
                       {"3", "13"}},
        DictionaryCase{"old_type_message",
                       true,
                       "rashod.txt",
                       "1|a\r\nx|b\r\n",
                       {"Неверный тип параметра N 1, Строка 2"},
                       {"1", "99"}},
        DictionaryCase{"category_codes_are_text", false, "sps_kateg.txt", "01|a\r\n1|b\r\n", {}, {"01", "1"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DictionaryLoad, MissingFileGetsNoSpecialRow) {
  TempDir dir;
  Protocol p;
  FindingWriter checks(p, Profile(Variant::Quarterly), test::D(8, 12, 2026));
  NewFormatTables dm;
  LoadDictionary(checks, dir / "months.txt", dm.months, "13");
  EXPECT_EQ(test::FaultTexts(p), std::vector<std::string>{"NU ESTE fisierul " + (dir / "months.txt")});
  EXPECT_TRUE(dm.months.empty());
}

TEST(DictionaryLoad, ClosingRowOnlyWhenAsked) {
  TempDir dir;
  test::WriteCp1251(dir / "months.txt", "1|Январь\r\n");
  Protocol p;
  FindingWriter checks(p, Profile(Variant::Quarterly), test::D(8, 12, 2026));
  NewFormatTables dm;
  LoadDictionary(checks, dir / "months.txt", dm.months);
  EXPECT_EQ(dm.months.size(), 1u);
}

TEST(DictionaryRecords, ReadsPeriodsAndReportsFaults) {
  TempDir dir;
  test::WriteCp1251(dir / "sps_newkateg.txt",
                    "1|01.01.2010|31.12.2018|\r\n"
                    "1|01.01.2019|31.12.2099\r\n"
                    "2|1.1.2010|31.12.2099|\r\n"
                    "3|xx.01.2010|31.12.2099|\r\n"
                    "4|01.01.2010|31.12.2099|extra|\r\n"
                    "5|01.01.2010\r\n");
  Protocol p;
  FindingWriter checks(p, Profile(Variant::Quarterly), test::D(8, 12, 2026));
  NewFormatTables dm;
  LoadDictionaryRecords(checks, dir / "sps_newkateg.txt", dm.new_kategor);
  EXPECT_EQ(test::FaultTexts(p),
            (std::vector<std::string>{"Ошибка: неверный формат даты. строка 3", "Ошибка: неверный тип данных.строка 4",
                                      "Ошибка. Отсутствует признак конца строки Строка 5"}));
  ASSERT_EQ(dm.new_kategor.size(), 6u);  // faulty rows keep the fields that converted
  EXPECT_EQ(dm.new_kategor.Text(1, dict::STARTDATE), "01.01.2019");
  EXPECT_EQ(dm.new_kategor.Text(2, dict::STARTDATE), "01.01.2010");
  EXPECT_TRUE(dm.new_kategor.IsEmpty(3, dict::STARTDATE));
  EXPECT_TRUE(dm.new_kategor.IsEmpty(5, dict::ENDDATE));
}

TEST(DistrictCodes, OneCharacterCodesGetALeadingZero) {
  NewFormatTables dm;
  for (const char* code : {"5", "12", ""}) dm.raion.Store(dm.raion.AppendRow(), 0, code);
  PadDistrictCodes(dm.raion);
  EXPECT_EQ(dm.raion.Text(0, 0), "05");
  EXPECT_EQ(dm.raion.Text(1, 0), "12");
  EXPECT_EQ(dm.raion.Text(2, 0), "0");
}

TEST(BundledDictionaries, LoadWithoutFaults) {
  TempDir dir;
  test::CopyDictionaries(dir.path());
  for (Variant v : {Variant::Monthly, Variant::AnnualOld}) {
    Protocol p;
    FindingWriter checks(p, Profile(v), test::D(8, 12, 2026));
    NewFormatTables dm;
    OldFormatTables dm1;
    if (v == Variant::Monthly) {
      LoadDictionaryRecords(checks, dir / "sps_newkateg.txt", dm.new_kategor);
      LoadDictionaryRecords(checks, dir / "sps_new_prof.txt", dm.new_prof);
      for (auto [file, table] : {std::pair{"sps_kateg.txt", &dm.kategor},
                                 {"months.txt", &dm.months},
                                 {"sps_prof.txt", &dm.prof},
                                 {"raion.txt", &dm.raion},
                                 {"sps_typeform.txt", &dm.typeform},
                                 {"sps_viddoc.txt", &dm.viddoc}}) {
        LoadDictionary(checks, dir / file, *table, ClosingRowOf(v, file));
        EXPECT_FALSE(table->empty()) << file;
      }
      EXPECT_FALSE(dm.new_kategor.empty());
    } else {
      for (auto [file, table] : {std::pair{"kategor.txt", &dm1.kategor},
                                 {"months.txt", &dm1.months},
                                 {"prof.txt", &dm1.prof},
                                 {"raion.txt", &dm1.raion},
                                 {"rang.txt", &dm1.rang},
                                 {"rashod.txt", &dm1.rashod},
                                 {"tarif.txt", &dm1.tarif},
                                 {"typeform.txt", &dm1.typeform},
                                 {"viddoc.txt", &dm1.viddoc}}) {
        LoadDictionary(checks, dir / file, *table, ClosingRowOf(v, file));
        EXPECT_FALSE(table->empty()) << file;
      }
    }
    EXPECT_EQ(p.FaultCount(), 0u) << ::testing::PrintToString(test::FaultTexts(p));
  }
}

}  // namespace
}  // namespace zentrox
