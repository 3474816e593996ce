#include <gtest/gtest.h>

#include <functional>

#include "data/checks.h"
#include "data/schemas.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

// A one-row table of a given field type to run a primitive on.
struct Cell {
  explicit Cell(FieldType type, const std::string& text, const char* name = "F", int size = 50)
      : table("t", {FieldDef{name, type, size}}) {
    RowId r = table.AppendRow();
    table.Store(r, 0, text);
  }
  Table table;
};

struct Harness {
  Protocol protocol;
  FindingWriter checks{protocol, Profile(Variant::AnnualOld), test::D(8, 12, 2026)};
  Harness() {
    checks.context = {"7", "12", "POPA"};
    checks.row = 3;
  }
  std::vector<std::string> lines() const { return test::Texts(protocol); }
};

const std::string kPrefix = "Пачка 7 Декл 12 POPA  поле <C> ";

struct PrimitiveCase {
  const char* name;
  FieldType type;
  std::string value;
  std::function<void(FindingWriter&, const Table&)> check;
  std::string message;  // "" = passes
};

class Primitive : public ::testing::TestWithParam<PrimitiveCase> {};

TEST_P(Primitive, ReportsOrPasses) {
  const PrimitiveCase& c = GetParam();
  Cell cell(c.type, c.value);
  Harness run;
  c.check(run.checks, cell.table);
  if (c.message.empty()) {
    EXPECT_TRUE(run.lines().empty()) << ::testing::PrintToString(run.lines());
  } else {
    EXPECT_EQ(run.lines(), std::vector<std::string>{kPrefix + c.message + ", строка 3"});
  }
}

using C = FindingWriter;
auto Filled = [](C& c, const Table& t) { c.CheckFilled("test.r", t, 0, 0, "C"); };
auto NotNegative = [](C& c, const Table& t) { c.CheckNotNegative("test.r", t, 0, 0, "C"); };
auto NotFuture = [](C& c, const Table& t) { c.CheckNotFuture("test.r", t, 0, 0, "C"); };
auto Digits = [](C& c, const Table& t) { c.CheckDigitsOnly("test.r", t, 0, 0, "C"); };
auto Names = [](C& c, const Table& t) { c.CheckNameCharacters("test.r", t, 0, 0, "C"); };
auto Range = [](C& c, const Table& t) { c.CheckDateRange("test.r", t, 0, 0, "C"); };
auto YesNo = [](C& c, const Table& t) { c.CheckYesNo("test.r", t, 0, 0, "C"); };

INSTANTIATE_TEST_SUITE_P(
    Cases, Primitive,
    ::testing::Values(
        PrimitiveCase{"filled_empty", FieldType::String, "", Filled, "не заполнено"},
        PrimitiveCase{"filled_blanks", FieldType::String, "  ", Filled, ""},
        PrimitiveCase{"filled_zero", FieldType::Integer, "0", Filled, ""},
        PrimitiveCase{"negative", FieldType::Float, "-0.01", NotNegative, "не должно быть отрицательной суммой"},
        PrimitiveCase{"negative_empty", FieldType::Float, "", NotNegative, ""},
        PrimitiveCase{"negative_zero", FieldType::Float, "-0.00", NotNegative, ""},
        PrimitiveCase{"negative_after_blanks", FieldType::Float, "  -2", NotNegative,
                      "не должно быть отрицательной суммой"},
        PrimitiveCase{"future_tomorrow", FieldType::Date, "09.12.2026", NotFuture, "больше текущей даты"},
        PrimitiveCase{"future_today", FieldType::Date, "08.12.2026", NotFuture, ""},
        PrimitiveCase{"future_empty", FieldType::Date, "", NotFuture, ""},
        PrimitiveCase{"digits_letter", FieldType::String, "12A4", Digits, "содержит недопустимые символы - не цифры"},
        PrimitiveCase{"digits_blank", FieldType::String, "12 4", Digits, "содержит недопустимые символы - не цифры"},
        PrimitiveCase{"digits_ok", FieldType::String, "0123", Digits, ""},
        PrimitiveCase{"digits_empty", FieldType::String, "", Digits, ""},
        PrimitiveCase{"name_hyphen", FieldType::String, "POPA-RUSU", Names, ""},
        PrimitiveCase{"name_two_hyphens", FieldType::String, "POPA--RUSU", Names, "содержит два знака подряд"},
        PrimitiveCase{"name_sign_blank_sign", FieldType::String, "A. -B", Names, ""},
        PrimitiveCase{"name_dot_hyphen", FieldType::String, "A.-B", Names, "содержит два знака подряд"},
        PrimitiveCase{"name_lower", FieldType::String, "Popa", Names, "содержит недопустимый символ"},
        PrimitiveCase{"name_digit", FieldType::String, "POPA2", Names, "содержит недопустимый символ"},
        PrimitiveCase{"name_cyrillic", FieldType::String, "ПОПА", Names, "содержит недопустимый символ"},
        PrimitiveCase{"name_specials", FieldType::String, "A{|}\":Z", Names, ""},
        PrimitiveCase{"name_empty", FieldType::String, "", Names, ""},
        PrimitiveCase{"range_low", FieldType::Date, "31.12.1899", Range,
                      "должна быть в диапазоне (01.01.1900-01.01.2200)"},
        PrimitiveCase{"range_low_edge", FieldType::Date, "01.01.1900", Range, ""},
        PrimitiveCase{"range_high_edge", FieldType::Date, "01.01.2200", Range, ""},
        PrimitiveCase{"range_high", FieldType::Date, "02.01.2200", Range,
                      "должна быть в диапазоне (01.01.1900-01.01.2200)"},
        PrimitiveCase{"range_empty", FieldType::Date, "", Range, "должна быть в диапазоне (01.01.1900-01.01.2200)"},
        PrimitiveCase{"yes", FieldType::String, "Y", YesNo, ""}, PrimitiveCase{"no", FieldType::String, "N", YesNo, ""},
        PrimitiveCase{"lower_y", FieldType::String, "y", YesNo, "должно быть Y или N"},
        PrimitiveCase{"yes_no_empty", FieldType::String, "", YesNo, "должно быть Y или N"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CheckSumEquals, ToleranceIsAPlainComparison) {
  struct Case {
    const char* value;
    double expected;
    bool reported;
  };
  for (const Case& c : {Case{"100.004", 100, false}, Case{"100.006", 100, true}, Case{"20.005", 20, false},
                        Case{"10.005", 10, true}, Case{"-0.01", 0, true}}) {
    Cell cell(FieldType::Float, c.value, "PL_SUM_AP");
    Harness run;
    run.checks.CheckSumEquals("test.r", cell.table, 0, 0, "C", c.expected);
    EXPECT_EQ(run.lines().size(), c.reported ? 1u : 0u) << c.value;
  }
}

TEST(CheckSumEquals, TheCallerChoosesTheLine) {
  Table packs = MakeTable(FileKind::IP);
  packs.Store(packs.AppendRow(), pl::PL_SUM_AP, "100.006");
  Harness run;
  run.checks.CheckSumEquals("test.r", packs, 0, pl::PL_SUM_AP, "C", 100);
  run.checks.CheckSumEquals("test.r", packs, 0, pl::PL_SUM_AP, "C", 100, FindingWriter::SumLine::MonthSum);
  EXPECT_EQ(run.lines(),
            (std::vector<std::string>{kPrefix + "с ошибкой. Разность=0.01 ,cтрока 3",
                                      kPrefix + "с ошибкой. Сумма по месяцам не равна итоговой. Разность=0.01 "}));
}

TEST(CheckDictionaryCode, ComparesByFieldKind) {
  NewFormatTables dm;
  dm.raion.Store(dm.raion.AppendRow(), 0, "05");
  dm.typeform.Store(dm.typeform.AppendRow(), 0, "5");
  Table t = MakeTable(FileKind::T);
  RowId r = t.AppendRow();
  t.Store(r, svod::KODTKSS, "5");
  t.Store(r, svod::TYPE_FORM, "05");
  Harness run;
  run.checks.CheckDictionaryCode("test.r", t, r, svod::KODTKSS, Linked(dm.raion, 0), 0, "C");
  run.checks.CheckDictionaryCode("test.r", t, r, svod::TYPE_FORM, Linked(dm.typeform, 0), 0, "C");
  // KODTKSS compares texts ("5" is not "05"); TYPE_FORM compares numbers.
  EXPECT_EQ(run.lines(), std::vector<std::string>{kPrefix + "не соответствует коду из справочника, строка 3"});
}

TEST(CheckDictionaryCode, NotFoundPassesOnlyAnEmptyValue) {
  Table t = MakeTable(FileKind::SD);
  RowId empty = t.AppendRow();
  RowId zero = t.AppendRow();
  t.Store(zero, sd::SD_MONTH, "0");
  RowId five = t.AppendRow();
  t.Store(five, sd::SD_MONTH, "5");
  NewFormatTables dm;
  Harness run;
  for (RowId r : {empty, zero, five}) run.checks.CheckDictionaryCode("test.r", t, r, sd::SD_MONTH, Linked(), 0, "C");
  EXPECT_EQ(run.lines().size(), 1u);
}

TEST(CheckPresentIn, ComparesNumbers) {
  Table na_t = MakeTable(FileKind::NA);
  RowId r = na_t.AppendRow();
  na_t.Store(r, na::NA_PL, "5.0");
  Table packs = MakeTable(FileKind::IP);
  packs.Store(packs.AppendRow(), pl::PL_ID, "5");
  Harness run;
  run.checks.CheckPresentIn("test.r", na_t, r, na::NA_PL, Linked(packs, 0), pl::PL_ID, "C", "REV5_IP");
  run.checks.CheckPresentIn("test.r", na_t, r, na::NA_PL, Linked(), pl::PL_ID, "C", "REV5_IP");
  EXPECT_EQ(run.lines(), std::vector<std::string>{kPrefix + "отсутствует в файле REV5_IP, строка 3"});
}

TEST(CheckDateOrder, EqualDatesPass) {
  Table t = MakeTable(FileKind::NA_OLD);
  RowId same = t.AppendRow();
  t.Store(same, old_na::NA_PERIOD_BEGIN, "01.01.2025");
  t.Store(same, old_na::NA_PERIOD_END, "01.01.2025");
  RowId reversed = t.AppendRow();
  t.Store(reversed, old_na::NA_PERIOD_BEGIN, "02.01.2025");
  t.Store(reversed, old_na::NA_PERIOD_END, "01.01.2025");
  Harness run;
  run.checks.CheckDateOrder("test.r", t, same, old_na::NA_PERIOD_BEGIN, old_na::NA_PERIOD_END, "C");
  run.checks.CheckDateOrder("test.r", t, reversed, old_na::NA_PERIOD_BEGIN, old_na::NA_PERIOD_END, "C");
  EXPECT_EQ(run.lines(), std::vector<std::string>{kPrefix + "больше <14.Конца периода>, строка 3"});
}

TEST(PrimitiveSet, BelongsToTheVariant) {
  Cell cell(FieldType::String, "Y");
  Protocol p;
  FindingWriter quarterly(p, Profile(Variant::Quarterly), test::D(8, 12, 2026));
  EXPECT_THROW(quarterly.CheckYesNo("test.r", cell.table, 0, 0, "C"), std::logic_error);
  EXPECT_THROW(quarterly.CheckNotNegative("test.r", cell.table, 0, 0, "C"), std::logic_error);
  FindingWriter annual(p, Profile(Variant::Annual), test::D(8, 12, 2026));
  EXPECT_NO_THROW(annual.CheckNotNegative("test.r", cell.table, 0, 0, "C"));
  EXPECT_THROW(annual.CheckDateRange("test.r", cell.table, 0, 0, "C"), std::logic_error);
}

TEST(CentsEqual, AddsFirstThenRoundsHalfToEven) {
  EXPECT_TRUE(CentsEqual(100.10, 50.20, 150.30));
  EXPECT_FALSE(CentsEqual(100.10, 50.20, 150.31));
  EXPECT_EQ(Cents(0.125), 12);  // 12.5 rounds to the even 12
  EXPECT_EQ(Cents(0.135), 14);
}

TEST(Findings, CarryTheirStructure) {
  Cell cell(FieldType::String, "");
  Harness run;
  run.checks.section = "REV5_NA";
  run.checks.CheckFilled("test.na.last-name-filled", cell.table, 0, 0, "4.Фамилия");
  ASSERT_EQ(run.protocol.lines().size(), 1u);
  const ProtocolLine& line = run.protocol.lines()[0];
  ASSERT_TRUE(line.finding.has_value());
  EXPECT_EQ(line.kind, LineKind::Fault);
  EXPECT_EQ(line.finding->rule, "test.na.last-name-filled");
  EXPECT_EQ(line.finding->section, "REV5_NA");
  EXPECT_EQ(line.finding->pack, "7");
  EXPECT_EQ(line.finding->declaration, "12");
  EXPECT_EQ(line.finding->caption, "4.Фамилия");
  EXPECT_EQ(line.finding->message, "не заполнено");
  EXPECT_EQ(line.finding->row, 3);
}

TEST(LineWriters, EmptyContextAndPackLine) {
  Protocol p;
  FindingWriter c(p, Profile(Variant::Quarterly), test::D(8, 12, 2026));
  c.ReportNoRow("test.r", "", "данные отсутствуют в файле REV5_SD");
  c.ReportPack("test.r", "5", "количество деклараций в файле rev5_na не совпадает с объявленным в файле rev5_ip");
  c.ReportDuplicate("test.r", FindingContext{"1", "2", "POPA"}, "3.Код CPAS", "ВНИМАНИЕ! Дублирование.",
                    "CPAS=", "12345678901");
  EXPECT_EQ(test::Texts(p),
            (std::vector<std::string>{
                "Пачка  Декл    поле <> данные отсутствуют в файле REV5_SD",
                "Пачка 5  количество деклараций в файле rev5_na не совпадает с объявленным в файле rev5_ip ",
                "Пачка 1 Декл 2 POPA  поле <3.Код CPAS> ВНИМАНИЕ! Дублирование. CPAS= 12345678901"}));
}

// A deferred context is set once, for the last row deferred, when a line is
// written; a finding only counted (the fault lines are full) sets none.
TEST(LineWriters, DeferredContextIsSetForTheLine) {
  struct Source final : FindingWriter::ContextSource {
    explicit Source(FindingWriter& c) : c(c) {}
    void SetContext(RowId r) override {
      sets.push_back(r);
      c.context.pack = "P" + std::to_string(r);
      c.context.declaration = "D";
      c.context.name = "N";
    }
    FindingWriter& c;
    std::vector<RowId> sets;
  };
  Protocol p;
  p.SetMaxFaultLines(1);
  FindingWriter c(p, Profile(Variant::Quarterly), test::D(8, 12, 2026));
  Source source(c);
  c.DeferContext(source, 1);
  c.DeferContext(source, 2);
  EXPECT_TRUE(source.sets.empty());
  c.ReportNoRow("test.r", "C", "x");
  c.DeferContext(source, 3);
  c.ReportNoRow("test.r", "C", "y");  // past the limit: counted
  EXPECT_EQ(source.sets, (std::vector<RowId>{2}));
  c.SetDeferredContext();
  EXPECT_EQ(source.sets, (std::vector<RowId>{2, 3}));
  ASSERT_FALSE(test::Texts(p).empty());
  EXPECT_EQ(test::Texts(p).front(), "Пачка P2 Декл D N  поле <C> x");
}

}  // namespace
}  // namespace zentrox
