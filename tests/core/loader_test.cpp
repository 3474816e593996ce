#include <fmt/format.h>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#include "model/schemas.h"
#include "report/checks.h"
#include "report/loader.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

using test::Record;
using test::TempDir;

// Loads `content` (UTF-8, converted to cp1251) as the given package file of the
// variant and returns the loader's lines without the "fisierul" line.
struct Loaded {
  Protocol protocol;
  Table table;
  std::vector<std::string> faults;
};

Loaded Load(Variant variant, FileKind kind, const std::string& content) {
  TempDir dir;
  std::string path = dir.path() + FileName(kind);
  test::WriteCp1251(path, content);
  Loaded out{Protocol(), MakeTable(kind), {}};
  FindingWriter checks(out.protocol, Profile(variant), test::D(8, 12, 2026));
  LoadPackageFile(checks, path, kind, out.table);
  out.faults = test::FaultTexts(out.protocol);
  return out;
}

struct LoaderCase {
  const char* name;
  Variant variant;
  FileKind kind;
  std::string content;
  std::vector<std::string> faults;
  std::size_t rows;
};

class LoaderMessages : public ::testing::TestWithParam<LoaderCase> {};

TEST_P(LoaderMessages, WritesExactlyTheseLines) {
  const LoaderCase& c = GetParam();
  Loaded l = Load(c.variant, c.kind, c.content);
  EXPECT_EQ(l.faults, c.faults);
  EXPECT_EQ(l.table.size(), c.rows);
}

const std::string kIp = Record({"1", "3", "100.00", "0", "6.00", "24.00", "30.00"});

INSTANTIATE_TEST_SUITE_P(
    Lines, LoaderMessages,
    ::testing::Values(
        LoaderCase{"valid", Variant::Quarterly, FileKind::IP, kIp + "\r\n", {}, 1},
        LoaderCase{
            "last terminator optional", Variant::Quarterly, FileKind::IP, "1°3°100.00°0°6.00°24.00°30.00\r\n", {}, 1},
        LoaderCase{"LF alone ends a line too", Variant::Quarterly, FileKind::IP, kIp + "\n" + kIp, {}, 2},
        LoaderCase{"missing last field",
                   Variant::Quarterly,
                   FileKind::IP,
                   "1°3°100.00°0°6.00°24.00\r\n",
                   {"отсутствует поле <7.Всего взносов в пачке>, строка 1"},
                   1},
        LoaderCase{"extra field",
                   Variant::Quarterly,
                   FileKind::IP,
                   kIp + "x°\r\n",
                   {"Ошибка. Отсутствует признак конца строки Строка 1"},
                   1},
        LoaderCase{"empty line counts and reports every field",
                   Variant::Quarterly,
                   FileKind::IP,
                   kIp + "\r\n\r\n" + kIp + "\r\n",
                   {"отсутствует поле <1.Номер пачки ЭА>, строка 2",
                    "отсутствует поле <2.Кол-во документов в пачке>, строка 2",
                    "отсутствует поле <3.Общий фонд зарплаты в пачке>, строка 2",
                    "отсутствует поле <4.Больничные в пачке>, строка 2",
                    "отсутствует поле <5.Всего взносов застр.лица в пачке>, строка 2",
                    "отсутствует поле <6.Всего взносов ЭА в пачке>, строка 2",
                    "отсутствует поле <7.Всего взносов в пачке>, строка 2"},
                   2},
        LoaderCase{"type fault names the pack read so far",
                   Variant::Quarterly,
                   FileKind::IP,
                   Record({"7", "x", "1", "0", "0", "0", "0"}) + "\r\n",
                   {"Пачка 7, Декл.N  . Ошибка: неверный тип данных. Поле <2.Кол-во документов в пачке>,строка 1"},
                   1},
        LoaderCase{"a decimal comma does not convert",
                   Variant::Quarterly,
                   FileKind::IP,
                   Record({"7", "1", "1,5", "0", "0", "0", "0"}) + "\r\n",
                   {"Пачка 7, Декл.N  . Ошибка: неверный тип данных. Поле <3.Общий фонд зарплаты в пачке>,строка 1"},
                   1},
        LoaderCase{"number beyond 32 bits",
                   Variant::Quarterly,
                   FileKind::IP,
                   Record({"7", "2147483648", "1", "0", "0", "0", "0"}) + "\r\n",
                   {"Пачка 7, Декл.N  . Ошибка: неверный тип данных. Поле <2.Кол-во документов в пачке>,строка 1"},
                   1},
        LoaderCase{"first field fault shows only the declaration of REV5_NA",
                   Variant::Quarterly,
                   FileKind::NA,
                   Record({"x", "5", "", "POPA", "ION", "", "", "", "", "", "", "", ""}) + "\r\n",
                   {"Пачка , Декл.N x . Ошибка: неверный тип данных. Поле <1.Номер декларации>,строка 1"},
                   1},
        LoaderCase{"short date reports the format and still converts",
                   Variant::Quarterly,
                   FileKind::NA,
                   Record({"1", "5", "", "POPA", "ION", "", "1.2.1980", "", "", "", "", "", ""}) + "\r\n",
                   {"Пачка 5, Декл.N 1 POPA. Ошибка: неверный формат даты. Поле <7.Дата рождения>,строка 1"},
                   1},
        LoaderCase{"hyphenated date reports only the type",
                   Variant::Quarterly,
                   FileKind::NA,
                   Record({"1", "5", "", "POPA", "ION", "", "1980-02-01", "", "", "", "", "", ""}) + "\r\n",
                   {"Пачка 5, Декл.N 1 POPA. Ошибка: неверный тип данных. Поле <7.Дата рождения>,строка 1"},
                   1},
        LoaderCase{"impossible date",
                   Variant::Quarterly,
                   FileKind::NA,
                   Record({"1", "5", "", "POPA", "ION", "", "31.02.2020", "", "", "", "", "", ""}) + "\r\n",
                   {"Пачка 5, Декл.N 1 POPA. Ошибка: неверный тип данных. Поле <7.Дата рождения>,строка 1"},
                   1},
        LoaderCase{"monthly names the third summary field differently",
                   Variant::Monthly,
                   FileKind::T,
                   Record({"1", "2026", "x", "01", "1234567", "", "A", "01.01.2026", "1", "0", "0", "0", "0", "0"}),
                   {"Пачка , Декл.N  . Ошибка: неверный тип данных. Поле <3.Отчетный месяц>,строка 1"},
                   1},
        LoaderCase{"quarterly caption",
                   Variant::Quarterly,
                   FileKind::T,
                   Record({"1", "2026", "x", "01", "1234567", "", "A", "01.01.2026", "1", "0", "0", "0", "0", "0"}),
                   {"Пачка , Декл.N  . Ошибка: неверный тип данных. Поле <3.Отчетный квартал>,строка 1"},
                   1},
        LoaderCase{"old-format CPAS is a number",
                   Variant::AnnualOld,
                   FileKind::NA_OLD,
                   Record({"1", "2", "2025", "1", "12AB", "POPA"}) + "\r\n",
                   {"Пачка 2, Декл.N 1 . Ошибка: неверный тип данных. Поле <5.Код CPAS>,строка 1",
                    "отсутствует поле <7.Имя>, строка 1",
                    "отсутствует поле <8.Отчество>, строка 1",
                    "отсутствует поле <9.Номер IDNP>, строка 1",
                    "отсутствует поле <10.Признак назн.пенсии>, строка 1",
                    "отсутствует поле <11.Категория ЗЛ>, строка 1",
                    "отсутствует поле <12.Дата рождения>, строка 1",
                    "отсутствует поле <13.Начало периода>, строка 1",
                    "отсутствует поле <14.Конец периода>, строка 1",
                    "отсутствует поле <15.Тип документа>, строка 1",
                    "отсутствует поле <16.Серия>, строка 1",
                    "отсутствует поле <17.Номер документа>, строка 1",
                    "отсутствует поле <18.Кем выдан документ>, строка 1",
                    "отсутствует поле <19.Дата выдачи>, строка 1",
                    "отсутствует поле <20.Труд.книжка у ЭА>, строка 1",
                    "отсутствует поле <21.Серия трудовой книжки>, строка 1",
                    "отсутствует поле <22.Номер трудовой книжки>, строка 1",
                    "отсутствует поле <23.Взносы работодателя>, строка 1",
                    "отсутствует поле <24.Взносы ЗЛ>, строка 1",
                    "отсутствует поле <25.Пособие в связи с пр.травмами и проф.забол.>, строка 1",
                    "отсутствует поле <26.Сумма для сан.леч.и отдыха>, строка 1",
                    "отсутствует поле <27.Сумма расходов>, строка 1",
                    "отсутствует поле <28.ФИО руководителя>, строка 1",
                    "отсутствует поле <29.ФИО бухгалтера>, строка 1"},
                   1},
        LoaderCase{"a doubled sign does not convert",
                   Variant::AnnualOld,
                   FileKind::SD_OLD,
                   Record({"1", "2", "1", "--1000.00", "0", "23", "0", "0", "6", "0", "0", "0"}),
                   {"Пачка 2, Декл.N 1 . Ошибка: неверный тип данных. Поле <4.Фонд оплаты>,строка 1"},
                   1},
        LoaderCase{"money_util has sixteen fields",
                   Variant::AnnualOld,
                   FileKind::MU,
                   Record({"1", "2", "3", "1", "1", "1", "1", "1", "1", "1", "1", "1", "1", "1", "1", "12", "x"}),
                   {"Ошибка. Отсутствует признак конца строки Строка 1"},
                   1},
        LoaderCase{"terminators only", Variant::Quarterly, FileKind::IP, "°°°°°°°\r\n", {}, 1},
        LoaderCase{"NUL and undefined bytes stay text",
                   Variant::Quarterly,
                   FileKind::NA,
                   Record({"1", "5", "", std::string("PO\0PA", 5), "\xC2\x98", "", "", "", "", "", "", "", ""}),
                   {},
                   1}),
    [](const ::testing::TestParamInfo<LoaderCase>& info) {
      std::string n;
      for (char ch : std::string(info.param.name)) n += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return n;
    });

TEST(Loader, KeepsRowsWithFaultsWithTheFieldsThatConverted) {
  Loaded l = Load(Variant::Quarterly, FileKind::IP, Record({"7", "x", "100.5", "", "", "", ""}) + "\r\n");
  ASSERT_EQ(l.table.size(), 1u);
  EXPECT_EQ(l.table.Text(0, pl::PL_ID), "7");
  EXPECT_TRUE(l.table.IsEmpty(0, pl::PL_DOC_NUMBER));
  EXPECT_DOUBLE_EQ(l.table.Number(0, pl::PL_PAYM_FOND), 100.5);
}

TEST(Loader, CutsLongStringsWithoutAFinding) {
  Loaded l = Load(Variant::Quarterly, FileKind::NA,
                  Record({"1", "5", "123456789012", "ПОПЕСКУ", "", "", "", "", "", "", "", "", ""}));
  EXPECT_TRUE(l.faults.empty());
  EXPECT_EQ(l.table.Text(0, na::NA_CPAS), "12345678901");
  EXPECT_EQ(l.table.Text(0, na::NA_LAST_NAME), "ПОПЕСКУ");  // characters, not bytes
}

TEST(Loader, KeepsFloatTextAndIntegerText) {
  Loaded l = Load(Variant::Quarterly, FileKind::IP, Record({"05.0", "0", "", "", "", "", ""}));
  EXPECT_EQ(l.table.Text(0, pl::PL_ID), "05.0");
  EXPECT_DOUBLE_EQ(l.table.Number(0, pl::PL_ID), 5.0);
  EXPECT_EQ(l.table.Text(0, pl::PL_DOC_NUMBER), "0");
  EXPECT_EQ(l.table.Text(0, pl::PL_PAYM_FOND), "");
}

TEST(Loader, CrAloneIsDroppedFromTheLine) {
  Loaded l = Load(Variant::Quarterly, FileKind::IP, "1°3°1\r00.00°0°6.00°24.00°30.00\r\n");
  EXPECT_TRUE(l.faults.empty());
  EXPECT_DOUBLE_EQ(l.table.Number(0, pl::PL_PAYM_FOND), 100.0);
}

TEST(Loader, ReportsMissingFileWithThePathAsGiven) {
  TempDir dir;
  Protocol p;
  FindingWriter checks(p, Profile(Variant::Quarterly), test::D(8, 12, 2026));
  Table t = MakeTable(FileKind::T);
  LoadPackageFile(checks, dir.path() + "REV5_T", FileKind::T, t);
  EXPECT_EQ(test::Texts(p), std::vector<std::string>{"NU ESTE fisierul " + dir.path() + "REV5_T"});
}

TEST(Loader, FindsLowerCaseFileButPrintsThePathAsGiven) {
  TempDir dir;
  test::WriteCp1251(dir.path() + "rev5_ip", kIp);
  Protocol p;
  FindingWriter checks(p, Profile(Variant::Quarterly), test::D(8, 12, 2026));
  Table t = MakeTable(FileKind::IP);
  LoadPackageFile(checks, dir.path() + "REV5_IP", FileKind::IP, t);
  EXPECT_EQ(test::Texts(p), std::vector<std::string>{"fisierul " + dir.path() + "REV5_IP"});
  EXPECT_EQ(t.size(), 1u);
}

TEST(Loader, NumbersIgnoreTheProcessLocale) {
  // The desktop program takes its locale from the environment; a decimal
  // comma there must not change how amounts are read or printed.
  test::CommaLocale comma;
  if (!comma.active()) GTEST_SKIP() << "no locale with a decimal comma could be set";
  Loaded l = Load(Variant::Quarterly, FileKind::IP, Record({"1", "3", "100.25", "0", "6.00", "24.00", "30.00"}));
  EXPECT_TRUE(l.faults.empty());
  EXPECT_DOUBLE_EQ(l.table.Number(0, pl::PL_PAYM_FOND), 100.25);
  EXPECT_EQ(FormatAmount(0.006), "0.01");
  EXPECT_EQ(FormatLimit(7890), "   7890.00");
}

// A file read in parts on several threads gives the table, the lines and the
// context of the file read in one piece, wherever the parts are cut.
std::string MixedLines() {
  std::string out;
  for (int i = 0; i < 60; ++i) {
    const std::string id = std::to_string(i / 3 + 1);
    const std::string name = i % 4 == 0 ? "ПОПА" : "POPA" + std::to_string(i % 5);
    std::string line = Record({id, std::to_string(i / 10 + 1), "", name, "ION", "",
                               i % 7 == 0 ? "31.02.1990" : "01.02.1980", "", "", "", "", "", ""});
    if (i % 6 == 1) line = Record({id, "x", "", name});  // faulty and short
    if (i % 11 == 2) line.clear();                       // a line of nothing but missing fields
    if (i % 13 == 3) line += "x°";                       // text after the last field
    out += line + (i % 9 == 4 ? "\r\r\n" : "\r\n");
    if (i % 5 == 0) out += line + "\r\n" + line + "\r\n";  // equal neighbours
  }
  return out + Record({"99", "1", "", "END"});  // no line end
}

std::string Amounts(int count) {
  std::string out;
  for (int i = 0; i < count; ++i)
    out += Record({std::to_string(i % 4000 * 7 + i / 4000) + ".5", "1", "", "A", "", "", "", "", "", "", "", "", ""}) +
           "\n";
  return out;
}

// Short lines in turn, some faulty: past the fault limit most read as
// copies of an earlier line.
std::string LinesInTurn() {
  std::string out;
  for (int i = 0; i < 300; ++i)
    out += Record({std::to_string(i % 3 + i / 100), i % 7 == 0 ? "x" : "1", "", i % 2 ? "ПОП" : "POP"}) + "\r\n";
  return out;
}

// Every row and cell as a reader sees it, and the lines written.
std::vector<std::string> Dump(const Table& t, const Protocol& p, const FindingWriter& checks) {
  std::vector<std::string> out = test::Texts(p);
  out.push_back(fmt::format("faults {} left out {} context {}|{}|{}", p.FaultCount(), p.FaultsLeftOut(),
                            checks.context.pack, checks.context.declaration, checks.context.name));
  for (RowId r = 0; r < t.size(); ++r) {
    std::string row = fmt::format("{} {} {}:", t.SourceLine(r), t.Repeats(r), t.RowAtLine(t.SourceLine(r)) == r);
    for (int f = 0; f < t.FieldCount(); ++f) {
      row += fmt::format("|{}{}{}", t.IsEmpty(r, f) ? "-" : "", t.HasKeptFileText(r, f) ? "!" : "", t.FileText(r, f));
      if (t.field(f).type == FieldType::Float) row += fmt::format("={}", t.Number(r, f));
    }
    out.push_back(row);
  }
  return out;
}

struct PartsCase {
  const char* name;
  std::string content;
  std::size_t max_fault_lines;
};

class LoaderParts : public ::testing::TestWithParam<PartsCase> {};

TEST_P(LoaderParts, ReadAsInOnePiece) {
  const PartsCase& c = GetParam();
  TempDir dir;
  test::WriteCp1251(dir.path() + "REV5_NA", c.content);
  const auto load = [&](LoadSplit split) {
    Protocol p;
    p.SetMaxFaultLines(c.max_fault_lines);
    FindingWriter checks(p, Profile(Variant::Quarterly), test::D(8, 12, 2026));
    Table t = MakeTable(FileKind::NA);
    LoadPackageFile(checks, dir.path() + "REV5_NA", FileKind::NA, t, split);
    return Dump(t, p, checks);
  };
  const std::vector<std::string> whole = load({});
  for (std::size_t threads : {2, 3, 7}) {
    for (std::size_t min_part : {1, 97, 1000})
      EXPECT_EQ(load({threads, min_part}), whole) << threads << " " << min_part;
  }
}

INSTANTIATE_TEST_SUITE_P(Files, LoaderParts,
                         ::testing::Values(PartsCase{"mixed", MixedLines(), kMaxFaultLines},
                                           PartsCase{"mixed_past_the_fault_limit", MixedLines(), 9},
                                           PartsCase{"amounts_past_the_palette", Amounts(9000), kMaxFaultLines},
                                           PartsCase{"lines_in_turn_past_the_fault_limit", LinesInTurn(), 9}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zentrox
