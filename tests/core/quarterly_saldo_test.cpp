// Quarterly section REV5_SD: the row rules and the overlap, category
// validity and month-sum passes. Rows of the baseline: 1-3 POPESCU's months
// 7, 8, 9; 4 his total row; 5 RUSU's September (category 2); 6 her total row.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "new_format_test_package.h"

namespace zentrox::test {
namespace {

void Dates(Package& p, int row, const std::string& begin, const std::string& end) {
  p.sd[static_cast<std::size_t>(row)][sd::SD_BEGIN_DT] = begin;
  p.sd[static_cast<std::size_t>(row)][sd::SD_END_DT] = end;
}

void Amounts(Package& p, int row, const std::string& fond, const std::string& ill, const std::string& ap,
             const std::string& ea, const std::string& total) {
  Fields& f = p.sd[static_cast<std::size_t>(row)];
  f[sd::SD_PAYM_FOND] = fond;
  f[sd::SD_ILL] = ill;
  f[sd::SD_SUM_AP] = ap;
  f[sd::SD_SUM_EA] = ea;
  f[sd::SD_SUM_TOTAL] = total;
}

// A row of POPESCU's without amounts, which changes no sum.
Fields ExtraRow(const std::string& month, const std::string& category, const std::string& begin,
                const std::string& end) {
  return SaldoRow("1", "1", month, category, begin, end, "0", "0", "0", "0", "0");
}

const std::string kRusu = "Пачка 1 Декл 2 RUSU  поле <";
const std::string kPopescu = "Пачка 1 Декл 1 POPESCU  поле <";

const std::vector<MutationCase> kRowCases = {
    {"month_outside_quarter",
     [](Package& p) { p.sd[4][sd::SD_MONTH] = "6"; },
     {kRusu + "3.Месяц> =6 за пределом отчетного квартала=3, строка 5"}},
    // No month 0 in the dictionary, and a missing row reads 0: the code
    // lookup passes, the zero rule reports.
    {"month_zero",
     [](Package& p) { p.sd[4][sd::SD_MONTH] = "0"; },
     {kRusu + "3.Месяц> не должно равняться нулю (0), строка 5",
      kRusu + "3.Месяц> =0 за пределом отчетного квартала=3, строка 5"}},
    {"month_empty",
     [](Package& p) { p.sd[4][sd::SD_MONTH] = ""; },
     {kRusu + "3.Месяц> не заполнено, строка 5", kRusu + "3.Месяц> =0 за пределом отчетного квартала=3, строка 5"}},
    {"job_code_unknown",
     [](Package& p) { p.sd[0][sd::SD_JOB_CODE] = "999999"; },
     {kPopescu + "4.Код занимаемой должности> не соответствует коду из справочника, строка 1"}},
    {"job_code_zero", [](Package& p) { p.sd[0][sd::SD_JOB_CODE] = "0"; }, {}},
    {"job_code_unknown_on_total_row", [](Package& p) { p.sd[3][sd::SD_JOB_CODE] = "999999"; }, {}},
    {"category_empty",
     [](Package& p) { p.sd[4][sd::SD_CATEGORY] = ""; },
     {kRusu + "5.Категория застр.лица> не заполнено, строка 5"}},
    {"category_unknown",
     [](Package& p) { p.sd[4][sd::SD_CATEGORY] = "99"; },
     {kRusu + "5.Категория застр.лица> не соответствует коду из справочника, строка 5",
      kRusu + "5.Категория застр.лица>  код 99 не действителен для отчетного года=2026"}},
    {"category_zero",
     [](Package& p) { p.sd[4][sd::SD_CATEGORY] = "0"; },
     {kRusu + "5.Категория застр.лица> не соответствует коду из справочника, строка 5",
      kRusu + "5.Категория застр.лица> не должно равняться нулю (0), строка 5",
      kRusu + "5.Категория застр.лица>  код 0 не действителен для отчетного года=2026"}},
    {"category_expired",
     [](Package& p) { p.sd[4][sd::SD_CATEGORY] = "3"; },
     {kRusu + "5.Категория застр.лица>  код 3 не действителен для отчетного года=2026"}},
    {"days_week_empty",
     [](Package& p) { p.sd[4][sd::SD_DAYS_WEEK] = ""; },
     {kRusu + "6.Рабочих дней в неделю> не заполнено, строка 5",
      kRusu + "6.Рабочих дней в неделю> должно равняться 5 или 6, строка 5"}},
    {"days_week_seven",
     [](Package& p) { p.sd[4][sd::SD_DAYS_WEEK] = "7"; },
     {kRusu + "6.Рабочих дней в неделю> должно равняться 5 или 6, строка 5"}},
    {"days_week_six", [](Package& p) { p.sd[4][sd::SD_DAYS_WEEK] = "6"; }, {}},
    {"begin_empty",
     [](Package& p) { Dates(p, 4, "", "15.09.2026"); },
     {kRusu + "7.Начальная дата работы в месяце> - обязательный параметр, строка 5"}},
    {"end_empty",
     [](Package& p) { Dates(p, 4, "01.09.2026", ""); },
     {kRusu + "8.Конечная дата работы в месяце> - обязательный параметр, строка 5"}},
    {"end_before_begin",
     [](Package& p) { Dates(p, 4, "15.09.2026", "01.09.2026"); },
     {kRusu + "7.Начальная дата работы в месяце>  15.09.2026 должна быть меньше конечной даты месяца 01.09.2026, "
              "строка 5"}},
    {"dates_in_two_months",
     [](Package& p) { Dates(p, 4, "01.09.2026", "01.10.2026"); },
     {kRusu + "8.Конечная дата работы в месяце> значение месяца в датах должно совпадать. BEGIN_DT=01.09.2026 "
              "END_DT=01.10.2026, строка 5"}},
    {"dates_in_year_before", [](Package& p) { Dates(p, 4, "01.09.2025", "15.09.2025"); }, {}},
    {"dates_two_years_ahead",
     [](Package& p) { Dates(p, 4, "01.09.2028", "15.09.2028"); },
     {kRusu + "7.Начальная дата работы в месяце> ошибочное значение года =2028, строка 5",
      kRusu + "8.Конечная дата работы в месяце> ошибочное значение года =2028, строка 5"}},
    {"dates_in_two_years",
     [](Package& p) { Dates(p, 4, "01.09.2025", "15.09.2026"); },
     {kRusu + "8.Конечная дата работы в месяце> ошибочное значение года. BEGIN_DT=2025 END_DT=2026, строка 5"}},
    // The year rules hold for total rows too; the others skip them.
    {"total_row_with_distant_begin",
     [](Package& p) { Dates(p, 5, "01.01.2030", ""); },
     {kRusu + "7.Начальная дата работы в месяце> ошибочное значение года =2030, строка 6"}},
    // Category 150 rows never count towards the total row.
    {"category_150_with_contributions",
     [](Package& p) { p.sd[4][sd::SD_CATEGORY] = "150"; },
     {kRusu + "> категория 150 -  заполнены взносы. Должны равняться (нулю), строка 5",
      kRusu + "9.Ежемесячный фонд зарплаты> с ошибкой. Сумма по месяцам не равна итоговой. Разность=500.00 ",
      kRusu + "11.Ежемесячно взносов застр.лица> с ошибкой. Сумма по месяцам не равна итоговой. Разность=30.00 ",
      kRusu + "12.Ежемесячно взносов ЭА> с ошибкой. Сумма по месяцам не равна итоговой. Разность=115.00 ",
      kRusu + "13.Всего ежемесячно взносов> с ошибкой. Сумма по месяцам не равна итоговой. Разность=145.00 "}},
    {"category_153_with_contributions",
     [](Package& p) { p.sd[4][sd::SD_CATEGORY] = "153"; },
     {kRusu + "> категория 153 -  заполнены взносы. Должны равняться (нулю), строка 5"}},
    {"category_154_employer_only",
     [](Package& p) {
       p.sd[4][sd::SD_CATEGORY] = "154";
       Amounts(p, 4, "500.00", "0", "0", "115.00", "115.00");
       Rebalance(p);
     },
     {kRusu + "> категория 154 -  заполнены взносы. Должны равняться (нулю), строка 5"}},
    {"category_150_without_fund",
     [](Package& p) { p.sd.push_back(ExtraRow("9", "150", "01.09.2026", "30.09.2026")); },
     {kPopescu + "> категория 150 -  фонд не заполнен ( = 0 ), строка 7"}},
    {"fund_all_sick_leave",
     [](Package& p) {
       Amounts(p, 4, "500.00", "500.00", "30.00", "115.00", "145.00");
       Rebalance(p);
     },
     {kRusu + "9.Ежемесячный фонд зарплаты> если фонд = б/л, то инд.взн должны = 0 , строка 5",
      kRusu + "9.Ежемесячный фонд зарплаты> если фонд = б/л, то взн.раб. должны = 0 , строка 5",
      kRusu + "9.Ежемесячный фонд зарплаты> если фонд = б/л, то инд.взн должны = 0 , строка 6",
      kRusu + "9.Ежемесячный фонд зарплаты> если фонд = б/л, то взн.раб. должны = 0 , строка 6"}},
    // The sick-leave rules hold for total rows too. Without a fund only the
    // individual rule applies.
    {"no_fund_no_sick_leave_with_contributions",
     [](Package& p) {
       Amounts(p, 4, "0", "0", "30.00", "115.00", "145.00");
       Rebalance(p);
     },
     {kRusu + "9.Ежемесячный фонд зарплаты> если фонд = б/л, то инд.взн должны = 0 , строка 5",
      kRusu + "9.Ежемесячный фонд зарплаты> если фонд = б/л, то инд.взн должны = 0 , строка 6"}},
    {"total_equals_sum_in_cents",
     [](Package& p) {
       Amounts(p, 4, "500.00", "0", "100.10", "50.20", "150.30");
       Rebalance(p);
     },
     {}},
    // The cent carries into the total row, the pack and the summary, and
    // each of them fails the same rule.
    {"total_one_cent_off_sum",
     [](Package& p) {
       Amounts(p, 4, "500.00", "0", "100.10", "50.20", "150.31");
       Rebalance(p);
     },
     {"Пачка  Декл    поле <14.Всего взносов> не равно сумме (взносы ЗЛ + взносы работодателя), строка 1",
      "Пачка 1 Декл    поле <7.Всего взносов в пачке> не равно сумме (взносы ЗЛ + взносы работодателя), строка 1",
      kRusu + "13.Всего ежемесячно взносов> не равно сумме (взносы ЗЛ + взносы работодателя), строка 5",
      kRusu + "13.Всего ежемесячно взносов> не равно сумме (взносы ЗЛ + взносы работодателя), строка 6"}},
    {"empty_file",
     [](Package& p) {
       p.sd.clear();
       Rebalance(p);
     },
     {"Пачка 1 Декл 1 POPESCU  поле <> данные отсутствуют в файле REV5_SD, строка 1",
      "Пачка 1 Декл 2 RUSU  поле <> данные отсутствуют в файле REV5_SD, строка 2",
      "Внимание ошибка! отсутствуют данные (файл пустой)"}},
};

const std::vector<MutationCase> kPassCases = {
    {"overlap_begins_inside_earlier",
     [](Package& p) { p.sd.push_back(ExtraRow("8", "1", "10.08.2026", "20.08.2026")); },
     {"Пачка 1 Декл 1 POPESCU месяц 8  Даты пересекаются"}},
    {"overlap_of_other_category",
     [](Package& p) { p.sd.push_back(ExtraRow("8", "2", "10.08.2026", "20.08.2026")); },
     {}},
    {"same_period_twice",
     [](Package& p) { p.sd.push_back(ExtraRow("8", "1", "01.08.2026", "31.08.2026")); },
     {"Пачка 1 Декл 1 POPESCU месяц 8  Даты пересекаются"}},
    // The test is the three conditions, not an interval intersection: a row
    // that starts with an earlier one and outlasts it is not reported.
    {"same_begin_longer_period",
     [](Package& p) { p.sd.push_back(ExtraRow("8", "1", "01.08.2026", "15.08.2026")); },
     {}},
    {"adjacent_periods",
     [](Package& p) {
       Dates(p, 1, "01.08.2026", "15.08.2026");
       p.sd.push_back(ExtraRow("8", "1", "16.08.2026", "31.08.2026"));
     },
     {}},
    {"job_codes_play_no_part",
     [](Package& p) {
       p.sd.push_back(ExtraRow("8", "1", "10.08.2026", "20.08.2026"));
       p.sd.back()[sd::SD_JOB_CODE] = "121101";
     },
     {"Пачка 1 Декл 1 POPESCU месяц 8  Даты пересекаются"}},
    {"no_overlap_test_when_trimestr_zero",
     [](Package& p) {
       p.t[0][svod::TRIMESTR] = "0";
       p.sd.push_back(ExtraRow("8", "1", "10.08.2026", "20.08.2026"));
     },
     {"Пачка  Декл    поле <3.Отчетный квартал> Указать значение квартала (1-4), строка 1"}},
    {"no_overlap_test_outside_quarter",
     [](Package& p) {
       p.sd.push_back(ExtraRow("6", "1", "01.06.2026", "30.06.2026"));
       p.sd.push_back(ExtraRow("6", "1", "01.06.2026", "30.06.2026"));
     },
     {kPopescu + "3.Месяц> =6 за пределом отчетного квартала=3, строка 7",
      kPopescu + "3.Месяц> =6 за пределом отчетного квартала=3, строка 8"}},
    {"month_sum_off_by_0_004", [](Package& p) { p.sd[0][sd::SD_PAYM_FOND] = "1000.004"; }, {}},
    {"month_sum_off_by_0_006",
     [](Package& p) { p.sd[0][sd::SD_PAYM_FOND] = "1000.006"; },
     {kPopescu + "9.Ежемесячный фонд зарплаты> с ошибкой. Сумма по месяцам не равна итоговой. Разность=0.01 "}},
    {"total_row_missing",
     [](Package& p) {
       p.sd.erase(p.sd.begin() + 5);
       Rebalance(p);
     },
     {kRusu + "> пропущена итоговая строка с кодом месяца \"13\"., строка 0"}},
    // The second total row is checked against the same sums as the first;
    // the row pass sees its category 150 without a fund.
    {"total_row_twice",
     [](Package& p) {
       p.sd.push_back(TotalRow("2", "1", "0", "0", "0", "0", "0"));
       p.sd.back()[sd::SD_CATEGORY] = "150";
     },
     {kRusu + "> категория 150 -  фонд не заполнен ( = 0 ), строка 7", kRusu + "> итог (13) два раза, строка 0",
      kRusu + "9.Ежемесячный фонд зарплаты> с ошибкой. Сумма по месяцам не равна итоговой. Разность=500.00 ",
      kRusu + "11.Ежемесячно взносов застр.лица> с ошибкой. Сумма по месяцам не равна итоговой. Разность=30.00 ",
      kRusu + "12.Ежемесячно взносов ЭА> с ошибкой. Сумма по месяцам не равна итоговой. Разность=115.00 ",
      kRusu + "13.Всего ежемесячно взносов> с ошибкой. Сумма по месяцам не равна итоговой. Разность=145.00 "}},
};

class QuarterlySaldoTest : public ::testing::TestWithParam<MutationCase> {};

TEST_P(QuarterlySaldoTest, WritesExactlyTheExpectedFaults) {
  Package p = QuarterlyBaseline();
  GetParam().mutate(p);
  EXPECT_EQ(Part2FaultsOf(Variant::Quarterly, p, kQuarterlyArchive), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(QuarterlySD, QuarterlySaldoTest, ::testing::ValuesIn(kRowCases),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(QuarterlySDPasses, QuarterlySaldoTest, ::testing::ValuesIn(kPassCases),
                         [](const auto& info) { return info.param.name; });

// The walk over a category's dictionary rows: the first row whose years hold
// the reporting year makes it valid, but a row that starts in the same year
// as the row before it ends the walk first.
struct ValidityCase {
  const char* name;
  std::vector<std::string> rows;  // sps_newkateg.txt lines of category 7
  bool valid;
};

class QuarterlyCategoryWalkTest : public ::testing::TestWithParam<ValidityCase> {};

TEST_P(QuarterlyCategoryWalkTest, ValidatesCategorySeven) {
  RuleHarness h(Variant::Quarterly);
  std::vector<std::string> lines = {"2|01.01.2010|31.12.2099|", "6|01.01.2010|31.12.2099|"};
  lines.insert(lines.end(), GetParam().rows.begin(), GetParam().rows.end());
  lines.push_back("8|01.01.2010|31.12.2099|");
  h.WriteDictionary("sps_newkateg.txt", lines);
  Package p = QuarterlyBaseline();
  for (Fields& f : p.sd) {
    if (f[sd::SD_MONTH] != "13") f[sd::SD_CATEGORY] = "2";
  }
  p.sd[4][sd::SD_CATEGORY] = "7";
  p.Write(h);
  h.Run(kQuarterlyArchive);
  std::vector<std::string> expected;
  if (!GetParam().valid)
    expected.push_back(kRusu + "5.Категория застр.лица>  код 7 не действителен для отчетного года=2026");
  EXPECT_EQ(h.Part2Faults(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    QuarterlySDCategory, QuarterlyCategoryWalkTest,
    ::testing::Values(
        ValidityCase{"single_valid_row", {"7|01.01.2020|31.12.2030|"}, true},
        ValidityCase{"valid_after_expired", {"7|01.01.2014|31.12.2020|", "7|01.01.2021|31.12.2099|"}, true},
        ValidityCase{
            "same_start_valid_row_still_tested", {"7|01.01.2014|31.12.2020|", "7|01.06.2014|31.12.2030|"}, true},
        ValidityCase{"same_start_ends_walk",
                     {"7|01.01.2014|31.12.2015|", "7|01.06.2014|31.12.2016|", "7|01.01.2020|31.12.2030|"},
                     false},
        ValidityCase{"only_expired_rows", {"7|01.01.2014|31.12.2020|", "7|01.01.2021|31.12.2025|"}, false},
        ValidityCase{"not_yet_valid", {"7|01.01.2027|31.12.2099|"}, false}),
    [](const auto& info) { return std::string(info.param.name); });

// YEAR is any 32-bit number the file holds: at both ends of the range the
// year window of the dates still reports the begin and end of each dated
// row (4 rows), and nothing overflows (run under -fsanitize=undefined to see
// the difference).
TEST(QuarterlyYearWindow, YearAtTheEndsOfTheIntegerRange) {
  for (const char* year : {"2147483647", "-2147483648"}) {
    Package p = QuarterlyBaseline();
    p.t[0][svod::YEAR] = year;
    std::vector<std::string> faults = Part2FaultsOf(Variant::Quarterly, p, kQuarterlyArchive);
    auto count = [&](const std::string& text) {
      return std::count_if(faults.begin(), faults.end(),
                           [&](const std::string& l) { return l.find(text) != std::string::npos; });
    };
    EXPECT_EQ(count("7.Начальная дата работы в месяце> ошибочное значение года =2026,"), 4) << year;
    EXPECT_EQ(count("8.Конечная дата работы в месяце> ошибочное значение года =2026,"), 4) << year;
  }
}

// The overlap memory keeps every row of a declaration: a 61st row of one
// month is compared with the first, and the run reaches its closing lines.
TEST(QuarterlyOverlap, KeepsEveryRowOfALargeDeclaration) {
  Package p = QuarterlyBaseline();
  for (int i = 0; i < 60; ++i) {
    std::string day = fmt::format("{:02}.08.{}", i < 31 ? i + 1 : i - 30, i < 31 ? 2025 : 2026);
    p.sd.push_back(ExtraRow("8", "2", day, day));  // one-day periods overlap no other
  }
  p.sd.push_back(ExtraRow("8", "2", "01.08.2025", "01.08.2025"));
  p.sd.back()[sd::SD_JOB_CODE] = "121101";  // sorts after the 60 rows
  RuleHarness h(Variant::Quarterly);
  p.Write(h);
  EXPECT_EQ(h.Run(kQuarterlyArchive).outcome, RunOutcome::Completed);
  EXPECT_EQ(h.Part2Faults(), std::vector<std::string>{"Пачка 1 Декл 1 POPESCU месяц 8  Даты пересекаются"});
  std::vector<std::string> lines = h.AllLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[lines.size() - 4], "к о н т р о л ь  з а в е р ш е н.");
  EXPECT_EQ(lines.back(), "Проверено электронных деклараций : 2");
}

// A line equal to the line before it is a row of its own in every pass,
// though passes may take its sums and findings from the row it repeats: July
// halved and written twice sums as before and overlaps itself; a copied total
// row is a second total row, checked against the same sums, that the pack's
// totals count again.
TEST(QuarterlySaldo, EqualNeighbouringLinesCountAsRowsOfTheirOwn) {
  Package p = QuarterlyBaseline();
  Amounts(p, 0, "500.00", "50.00", "30.00", "115.00", "145.00");
  p.sd.insert(p.sd.begin() + 4, p.sd[3]);
  p.sd.insert(p.sd.begin() + 1, p.sd[0]);
  RuleHarness h(Variant::Quarterly);
  p.Write(h);
  h.Run(kQuarterlyArchive);
  std::map<std::string, int> rules;
  for (const ProtocolLine& l : h.protocol.lines()) {
    if (l.finding) ++rules[l.finding->rule];
  }
  EXPECT_EQ(rules, (std::map<std::string, int>{{"new.ip.fond-matches-declarations", 1},
                                               {"new.ip.ill-matches-declarations", 1},
                                               {"new.ip.sum-ap-matches-declarations", 1},
                                               {"new.ip.sum-ea-matches-declarations", 1},
                                               {"new.ip.total-matches-declarations", 1},
                                               {"new.sd.total-row-once", 1},
                                               {"quarterly.sd.periods-disjoint", 1}}));
}

}  // namespace
}  // namespace zentrox::test
