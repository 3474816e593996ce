#include <gtest/gtest.h>

#include <functional>

#include "model/schemas.h"
#include "report/checks.h"
#include "report/rule_entries.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

// A one-row table of the file the rule names, with `text` in its field.
Table Cell(const RuleEntry& rule, const std::string& text) {
  Table t = MakeTable(*rule.field.file);
  t.Store(t.AppendRow(), rule.field.first, text);
  return t;
}

struct Harness {
  explicit Harness(Variant variant = Variant::AnnualOld) : checks(protocol, Profile(variant), test::D(8, 12, 2026)) {
    checks.context = {"7", "12", "POPA"};
    checks.row = 3;
  }
  std::vector<std::string> lines() const { return test::Texts(protocol); }
  // The messages of the findings written.
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    for (const ProtocolLine& l : protocol.lines()) out.push_back(l.finding ? l.finding->message : "");
    return out;
  }
  Protocol protocol;
  FindingWriter checks;
};

enum class Line { None, Message, Second };

struct PrimitiveCase {
  const char* name;
  const RuleEntry* rule;
  std::string value;
  void (FindingWriter::*check)(const RuleEntry&, const Table&, RowId);
  Line line;
};

class Primitive : public ::testing::TestWithParam<PrimitiveCase> {};

TEST_P(Primitive, ReportsOrPasses) {
  const PrimitiveCase& c = GetParam();
  Harness run;
  (run.checks.*c.check)(*c.rule, Cell(*c.rule, c.value), 0);
  if (c.line == Line::None) {
    EXPECT_TRUE(run.lines().empty()) << ::testing::PrintToString(run.lines());
  } else {
    const std::string_view message = c.line == Line::Message ? c.rule->message : c.rule->second_message;
    EXPECT_EQ(run.messages(), std::vector<std::string>{std::string(message)});
  }
}

using W = FindingWriter;
const RuleEntry* const kFilled = &rule::kAnnualOldNaLastNameFilled;
const RuleEntry* const kYearFilled = &rule::kAnnualOldNaYearFilled;
const RuleEntry* const kNegative = &rule::kAnnualOldSdFundNotNegative;
const RuleEntry* const kFuture = &rule::kAnnualOldNaIssuedNotFuture;
const RuleEntry* const kDigits = &rule::kAnnualOldNaWorkBookNumberDigits;
const RuleEntry* const kName = &rule::kAnnualOldNaLastNameCharacters;
const RuleEntry* const kRange = &rule::kAnnualOldNaBirthInRange;
const RuleEntry* const kYesNo = &rule::kAnnualOldNaPensionYesNo;

INSTANTIATE_TEST_SUITE_P(
    Cases, Primitive,
    ::testing::Values(PrimitiveCase{"filled_empty", kFilled, "", &W::CheckFilled, Line::Message},
                      PrimitiveCase{"filled_blanks", kFilled, "  ", &W::CheckFilled, Line::None},
                      PrimitiveCase{"filled_zero", kYearFilled, "0", &W::CheckFilled, Line::None},
                      PrimitiveCase{"negative", kNegative, "-0.01", &W::CheckNotNegative, Line::Message},
                      PrimitiveCase{"negative_empty", kNegative, "", &W::CheckNotNegative, Line::None},
                      PrimitiveCase{"negative_zero", kNegative, "-0.00", &W::CheckNotNegative, Line::None},
                      PrimitiveCase{"negative_after_blanks", kNegative, "  -2", &W::CheckNotNegative, Line::Message},
                      PrimitiveCase{"future_tomorrow", kFuture, "09.12.2026", &W::CheckNotFuture, Line::Message},
                      PrimitiveCase{"future_today", kFuture, "08.12.2026", &W::CheckNotFuture, Line::None},
                      PrimitiveCase{"future_empty", kFuture, "", &W::CheckNotFuture, Line::None},
                      PrimitiveCase{"digits_letter", kDigits, "12A4", &W::CheckDigitsOnly, Line::Message},
                      PrimitiveCase{"digits_blank", kDigits, "12 4", &W::CheckDigitsOnly, Line::Message},
                      PrimitiveCase{"digits_ok", kDigits, "0123", &W::CheckDigitsOnly, Line::None},
                      PrimitiveCase{"digits_empty", kDigits, "", &W::CheckDigitsOnly, Line::None},
                      PrimitiveCase{"name_hyphen", kName, "POPA-RUSU", &W::CheckNameCharacters, Line::None},
                      PrimitiveCase{"name_two_hyphens", kName, "POPA--RUSU", &W::CheckNameCharacters, Line::Second},
                      PrimitiveCase{"name_sign_blank_sign", kName, "A. -B", &W::CheckNameCharacters, Line::None},
                      PrimitiveCase{"name_dot_hyphen", kName, "A.-B", &W::CheckNameCharacters, Line::Second},
                      PrimitiveCase{"name_lower", kName, "Popa", &W::CheckNameCharacters, Line::Message},
                      PrimitiveCase{"name_digit", kName, "POPA2", &W::CheckNameCharacters, Line::Message},
                      PrimitiveCase{"name_cyrillic", kName, "ПОПА", &W::CheckNameCharacters, Line::Message},
                      PrimitiveCase{"name_specials", kName, "A{|}\":Z", &W::CheckNameCharacters, Line::None},
                      PrimitiveCase{"name_empty", kName, "", &W::CheckNameCharacters, Line::None},
                      PrimitiveCase{"range_low", kRange, "31.12.1899", &W::CheckDateRange, Line::Message},
                      PrimitiveCase{"range_low_edge", kRange, "01.01.1900", &W::CheckDateRange, Line::None},
                      PrimitiveCase{"range_high_edge", kRange, "01.01.2200", &W::CheckDateRange, Line::None},
                      PrimitiveCase{"range_high", kRange, "02.01.2200", &W::CheckDateRange, Line::Message},
                      PrimitiveCase{"range_empty", kRange, "", &W::CheckDateRange, Line::Message},
                      PrimitiveCase{"yes", kYesNo, "Y", &W::CheckYesNo, Line::None},
                      PrimitiveCase{"no", kYesNo, "N", &W::CheckYesNo, Line::None},
                      PrimitiveCase{"lower_y", kYesNo, "y", &W::CheckYesNo, Line::Message},
                      PrimitiveCase{"yes_no_empty", kYesNo, "", &W::CheckYesNo, Line::Message}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CheckSumEquals, ToleranceIsAPlainComparison) {
  struct Case {
    const char* value;
    double expected;
    bool reported;
  };
  const RuleEntry& rule = rule::kAnnualOldPlExpenseTotalMatchesDeclarations;
  for (const Case& c : {Case{"100.004", 100, false}, Case{"100.006", 100, true}, Case{"20.005", 20, false},
                        Case{"10.005", 10, true}, Case{"-0.01", 0, true}}) {
    Harness run;
    run.checks.CheckSumEquals(rule, Cell(rule, c.value), 0, c.expected);
    EXPECT_EQ(run.lines().size(), c.reported ? 1u : 0u) << c.value;
  }
}

TEST(CheckSumEquals, TheCallerChoosesTheLine) {
  constexpr RuleEntry kRule{"test.r", Field(FileKind::IP, pl::PL_SUM_AP), "с ошибкой. Разность={}", "T.", "T."};
  const Table packs = Cell(kRule, "100.006");
  Harness run;
  run.checks.CheckSumEquals(kRule, packs, 0, 100);
  run.checks.CheckSumEquals(kRule, packs, 0, 100, FindingWriter::SumLine::MonthSum);
  const std::string prefix = "Пачка 7 Декл 12 POPA  поле <5.Всего взносов застр.лица в пачке> с ошибкой. Разность=0.01";
  EXPECT_EQ(run.lines(), (std::vector<std::string>{prefix + " ,cтрока 3", prefix + " "}));
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
  run.checks.CheckDictionaryCode(rule::kNewTKodtkssInDictionary, t, r, Linked(dm.raion, 0), 0);
  run.checks.CheckDictionaryCode(rule::kNewTTypeFormInDictionary, t, r, Linked(dm.typeform, 0), 0);
  // KODTKSS compares texts ("5" is not "05"); TYPE_FORM compares numbers.
  ASSERT_EQ(run.protocol.lines().size(), 1u);
  EXPECT_EQ(run.protocol.lines()[0].finding->rule, rule::kNewTKodtkssInDictionary.id);
}

TEST(CheckDictionaryCode, NotFoundPassesOnlyAnEmptyValue) {
  Table t = MakeTable(FileKind::SD);
  RowId empty = t.AppendRow();
  RowId zero = t.AppendRow();
  t.Store(zero, sd::SD_MONTH, "0");
  RowId five = t.AppendRow();
  t.Store(five, sd::SD_MONTH, "5");
  Harness run;
  for (RowId r : {empty, zero, five}) run.checks.CheckDictionaryCode(rule::kNewSdMonthInDictionary, t, r, Linked(), 0);
  EXPECT_EQ(run.lines().size(), 1u);
}

TEST(CheckPresentIn, ComparesNumbers) {
  const Table na_t = Cell(rule::kNewNaPackInIp, "5.0");
  Table packs = MakeTable(FileKind::IP);
  packs.Store(packs.AppendRow(), pl::PL_ID, "5");
  Harness run;
  run.checks.CheckPresentIn(rule::kNewNaPackInIp, na_t, 0, Linked(packs, 0), pl::PL_ID);
  run.checks.CheckPresentIn(rule::kNewNaPackInIp, na_t, 0, Linked(), pl::PL_ID);
  EXPECT_EQ(run.lines().size(), 1u);
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
  for (RowId r : {same, reversed}) {
    run.checks.CheckDateOrder(rule::kAnnualOldNaBeginNotAfterEnd, t, r, old_na::NA_PERIOD_END);
  }
  EXPECT_EQ(run.lines(), std::vector<std::string>{"Пачка 7 Декл 12 POPA  поле <13.Начало периода> больше <14.Конца "
                                                  "периода>, строка 3"});
}

TEST(PrimitiveSet, BelongsToTheVariant) {
  const Table t = Cell(*kYesNo, "Y");
  Protocol p;
  FindingWriter quarterly(p, Profile(Variant::Quarterly), test::D(8, 12, 2026));
  EXPECT_THROW(quarterly.CheckYesNo(*kYesNo, t, 0), std::logic_error);
  EXPECT_THROW(quarterly.CheckNotNegative(rule::kAnnualSdFundNotNegative, t, 0), std::logic_error);
  FindingWriter annual(p, Profile(Variant::Annual), test::D(8, 12, 2026));
  EXPECT_NO_THROW(
      annual.CheckNotNegative(rule::kAnnualSdFundNotNegative, Cell(rule::kAnnualSdFundNotNegative, "1"), 0));
  EXPECT_THROW(annual.CheckDateRange(*kRange, t, 0), std::logic_error);
}

// A line names the field its rule's entry names, in the variant's words; a
// rule over several fields names the one it compares, and a primitive needs
// an entry of one field (of a name, for the name check).
TEST(RuleFields, NameTheFieldOfTheLine) {
  const Table t = Cell(rule::kNewTPeriodFilled, "");
  for (auto [variant, caption] :
       {std::pair{Variant::Quarterly, "3.Отчетный квартал"}, std::pair{Variant::Monthly, "3.Отчетный месяц"}}) {
    Harness run(variant);
    run.checks.CheckFilled(rule::kNewTPeriodFilled, t, 0);
    ASSERT_EQ(run.protocol.lines().size(), 1u);
    EXPECT_EQ(run.protocol.lines()[0].finding->caption, caption);
  }
  const RuleEntry& months = rule::kAnnualOldMuTotalRowMatchesCodes;
  Table mu = MakeTable(FileKind::MU);
  mu.Store(mu.AppendRow(), old_mu::MU_1 + 2, "1");
  Harness run;
  run.checks.CheckSumEquals(months, mu, 0, old_mu::MU_1 + 2, 0);
  ASSERT_EQ(run.protocol.lines().size(), 1u);
  EXPECT_EQ(run.protocol.lines()[0].finding->caption, "6.Март");
  EXPECT_THROW(run.checks.CheckSumEquals(months, mu, 0, old_mu::MU_CODE, 5), std::logic_error);
  EXPECT_THROW(run.checks.CheckFilled(months, mu, 0), std::logic_error);
  EXPECT_THROW(run.checks.CheckNameCharacters(*kDigits, Cell(*kDigits, "x"), 0), std::logic_error);
  run.checks.Report(rule::kAnnualOldMuDeclarationInNa);
  EXPECT_EQ(run.protocol.lines().back().finding->caption, "1.Номер декларации,2.Номер пачки");
}

TEST(Findings, CarryTheirStructure) {
  Harness run;
  run.checks.section = "REV5_NA";
  run.checks.CheckFilled(rule::kNewNaLastNameFilled, Cell(rule::kNewNaLastNameFilled, ""), 0);
  ASSERT_EQ(run.protocol.lines().size(), 1u);
  const ProtocolLine& line = run.protocol.lines()[0];
  EXPECT_EQ(line.text, "Пачка 7 Декл 12 POPA  поле <4.Фамилия> не заполнено, строка 3");
  ASSERT_TRUE(line.finding.has_value());
  EXPECT_EQ(line.kind, LineKind::Fault);
  EXPECT_EQ(line.finding->rule, "new.na.last-name-filled");
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
  c.ReportNoRow(rule::kNewNaMonthlyRowsExist);
  c.ReportPack(rule::kNewNaDeclarationsPerPack, "5", FindingContext());
  c.ReportDuplicate(rule::kNewNaCpasUnique, FindingContext{"1", "2", "POPA"}, "12345678901");
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
  constexpr RuleEntry kRule{"test.r", Field(FileKind::T, svod::YEAR), "{}", "T.", "T."};
  Protocol p;
  p.SetMaxFaultLines(1);
  FindingWriter c(p, Profile(Variant::Quarterly), test::D(8, 12, 2026));
  Source source(c);
  c.DeferContext(source, 1);
  c.DeferContext(source, 2);
  EXPECT_TRUE(source.sets.empty());
  c.ReportNoRow(kRule, "x");
  c.DeferContext(source, 3);
  c.ReportNoRow(kRule, "y");  // past the limit: counted
  EXPECT_EQ(source.sets, (std::vector<RowId>{2}));
  c.SetDeferredContext();
  EXPECT_EQ(source.sets, (std::vector<RowId>{2, 3}));
  ASSERT_FALSE(test::Texts(p).empty());
  EXPECT_EQ(test::Texts(p).front(), "Пачка P2 Декл D N  поле <2.Отчетный год> x");
}

TEST(CentsEqual, AddsFirstThenRoundsHalfToEven) {
  EXPECT_TRUE(CentsEqual(100.10, 50.20, 150.30));
  EXPECT_FALSE(CentsEqual(100.10, 50.20, 150.31));
  EXPECT_EQ(Cents(0.125), 12);  // 12.5 rounds to the even 12
  EXPECT_EQ(Cents(0.135), 14);
}

}  // namespace
}  // namespace zentrox
