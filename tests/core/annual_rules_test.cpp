// The annual rule set of the new formats: where it differs from the
// quarterly one. Rows of the baseline (year 2025, TRIMESTR 0): 1-3 POPESCU's
// months 10, 11, 12; 4 his total row; 5 RUSU's December (category 2); 6 her
// total row.
#include <gtest/gtest.h>

#include <algorithm>

#include "new_format_test_package.h"

namespace zentrox::test {
namespace {

const std::string kRusu = "Пачка 1 Декл 2 RUSU  поле <";
const std::string kPopescu = "Пачка 1 Декл 1 POPESCU  поле <";

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

Fields RusuRow(const std::string& month, const std::string& begin, const std::string& end) {
  return SaldoRow("2", "1", month, "2", begin, end, "0", "0", "0", "0", "0");
}

const std::vector<MutationCase> kCases = {
    {"year_current",
     [](Package& p) { p.t[0][svod::YEAR] = "2026"; },
     {"Пачка  Декл    поле <2.Отчетный год> должно быть <= предыдущий год, строка 1"}},
    // A quarter in an annual summary is reported and switches the
    // duplicate-month pass off.
    {"trimestr_four_switches_duplicates_off",
     [](Package& p) {
       p.t[0][svod::TRIMESTR] = "4";
       p.sd.push_back(RusuRow("12", "", ""));
     },
     {"Пачка  Декл    поле <3.Отчетный квартал> для годовой декл. заполняется 0 (ноль), строка 1"}},
    {"trimestr_empty",
     [](Package& p) { p.t[0][svod::TRIMESTR] = ""; },
     {"Пачка  Декл    поле <3.Отчетный квартал> не заполнено, строка 1"}},
    {"cpas_empty", [](Package& p) { p.na[0][na::NA_CPAS] = ""; }, {}},
    {"cpas_and_documents_empty",
     [](Package& p) {
       p.na[0][na::NA_CPAS] = "";
       p.na[0][na::NA_IDNP] = "";
     },
     {kPopescu + "8.Номер IDNP> должен быть заполнен, при типе документа =1,12,13,14,22,23,24,25,26, строка 1",
      kPopescu + "3.Код CPAS> пустой, то должны быть заполнены паспортные данные, строка 1"}},
    {"cpas_short",
     [](Package& p) { p.na[0][na::NA_CPAS] = "123"; },
     {kPopescu + "3.Код CPAS> не содержит 11 знаков., строка 1"}},
    {"begin_in_other_month",
     [](Package& p) { Dates(p, 4, "01.11.2025", "15.12.2025"); },
     {kRusu + "7.Начальная дата работы в месяце> за пределом текущего месяца, строка 5"}},
    {"end_in_next_year",
     [](Package& p) { Dates(p, 4, "01.12.2025", "15.01.2026"); },
     {kRusu + "8.Конечная дата работы в месяце> за пределом текущего месяца, строка 5",
      kRusu + "8.Конечная дата работы в месяце> ошибочное значение года. BEGIN_DT=2025 END_DT=2026, строка 5"}},
    {"end_before_begin",
     [](Package& p) { Dates(p, 4, "15.12.2025", "01.12.2025"); },
     {kRusu + "7.Начальная дата работы в месяце>  15.12.2025 должна быть меньше конечной даты месяца 01.12.2025, "
              "строка 5"}},
    {"end_empty",
     [](Package& p) { Dates(p, 4, "01.12.2025", ""); },
     {kRusu + "7.Начальная дата работы в месяце>  01.12.2025 заполнена, а <Конечная дата работы в месяце> - пустая, "
              "строка 5"}},
    {"begin_empty",
     [](Package& p) { Dates(p, 4, "", "15.12.2025"); },
     {kRusu + "8.Конечная дата работы в месяце>  15.12.2025 заполнена, а <Начальная дата работы в месяце> - пустая, "
              "строка 5"}},
    {"both_dates_empty", [](Package& p) { Dates(p, 4, "", ""); }, {}},
    {"dates_two_years_ahead",
     [](Package& p) { Dates(p, 4, "01.12.2027", "15.12.2027"); },
     {kRusu + "7.Начальная дата работы в месяце> ошибочное значение года =2027, строка 5",
      kRusu + "8.Конечная дата работы в месяце> ошибочное значение года =2027, строка 5"}},
    {"negative_fund",
     [](Package& p) {
       Amounts(p, 4, "-500.00", "0", "30.00", "115.00", "145.00");
       Rebalance(p);
     },
     {kRusu + "9.Ежемесячный фонд зарплаты> не должно быть отрицательной суммой, строка 5",
      kRusu + "10.Ежемесячно больничные> больше, чем поле <Фонд оплаты> , строка 5",
      kRusu + "9.Ежемесячный фонд зарплаты> не должно быть отрицательной суммой, строка 6",
      kRusu + "10.Ежемесячно больничные> больше, чем поле <Фонд оплаты> , строка 6"}},
    {"negative_sick_leave",
     [](Package& p) {
       Amounts(p, 4, "500.00", "-10.00", "30.00", "115.00", "145.00");
       Rebalance(p);
     },
     {kRusu + "10.Ежемесячно больничные> не должно быть отрицательной суммой, строка 5",
      kRusu + "10.Ежемесячно больничные> не должно быть отрицательной суммой, строка 6"}},
    {"negative_contributions",
     [](Package& p) {
       Amounts(p, 4, "500.00", "0", "-30.00", "-115.00", "-145.00");
       Rebalance(p);
     },
     {kRusu + "11.Ежемесячно взносов застр.лица> не должно быть отрицательной суммой, строка 5",
      kRusu + "12.Ежемесячно взносов ЭА> не должно быть отрицательной суммой, строка 5",
      kRusu + "11.Ежемесячно взносов застр.лица> не должно быть отрицательной суммой, строка 6",
      kRusu + "12.Ежемесячно взносов ЭА> не должно быть отрицательной суммой, строка 6"}},
    {"sick_leave_above_fund",
     [](Package& p) {
       Amounts(p, 0, "1000.00", "1000.01", "60.00", "230.00", "290.00");
       Rebalance(p);
     },
     {kPopescu + "10.Ежемесячно больничные> больше, чем поле <Фонд оплаты> , строка 1"}},
    // Two rows of one category and month with empty dates cover the same
    // month of YEAR; rows of two months do not.
    {"same_month_twice_without_dates",
     [](Package& p) {
       Dates(p, 4, "", "");
       p.sd.push_back(RusuRow("12", "", ""));
     },
     {"Пачка 1 Декл 2   поле <3.Месяц> Дублирование месяца., строка 6"}},
    {"two_months_without_dates",
     [](Package& p) {
       Dates(p, 4, "", "");
       p.sd.push_back(RusuRow("11", "", ""));
     },
     {}},
    {"periods_share_last_day",
     [](Package& p) { p.sd.push_back(RusuRow("12", "15.12.2025", "31.12.2025")); },
     {"Пачка 1 Декл 2   поле <3.Месяц> Дублирование месяца., строка 6"}},
    {"periods_adjacent", [](Package& p) { p.sd.push_back(RusuRow("12", "16.12.2025", "31.12.2025")); }, {}},
    {"periods_of_other_categories",
     [](Package& p) {
       p.sd.push_back(RusuRow("12", "01.12.2025", "15.12.2025"));
       p.sd.back()[sd::SD_CATEGORY] = "5";
     },
     {}},
    // A year above the limit table checks no limit.
    {"contributions_without_limit",
     [](Package& p) {
       Amounts(p, 0, "100000.00", "100.00", "20000.00", "230.00", "20230.00");
       Rebalance(p);
     },
     {}},
};

class AnnualRulesTest : public ::testing::TestWithParam<MutationCase> {};

TEST_P(AnnualRulesTest, WritesExactlyTheExpectedFaults) {
  Package p = AnnualBaseline();
  GetParam().mutate(p);
  EXPECT_EQ(Part2FaultsOf(Variant::Annual, p, kAnnualArchive), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Annual, AnnualRulesTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.name; });

TEST(AnnualBaseline, ValidPackageDrawsNoFault) {
  EXPECT_EQ(Part2FaultsOf(Variant::Annual, AnnualBaseline(), kAnnualArchive), std::vector<std::string>{});
}

// Packages of the limit years, with categories valid in every year.
struct LimitCase {
  std::string name;
  std::string year;
  std::vector<std::string> contributions;  // SD_SUM_AP of POPESCU's three months
  std::string first_begin;                 // begin and end of his first month ("" keeps them)
  std::vector<std::string> expected;
};

class AnnualLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(AnnualLimitTest, ChecksContributionLimits) {
  const LimitCase& c = GetParam();
  Package p = Baseline(c.year, "0", {"10", "11", "12"});
  for (std::size_t i = 0; i < 3; ++i) {
    p.sd[i][sd::SD_SUM_AP] = c.contributions[i];
    p.sd[i][sd::SD_SUM_TOTAL] = fmt::format("{:.2f}", std::stod(c.contributions[i]) + 230.0);
  }
  if (!c.first_begin.empty()) Dates(p, 0, c.first_begin, c.first_begin);
  Rebalance(p);
  RuleHarness h(Variant::Annual);
  h.WriteDictionary("sps_newkateg.txt", {"1|01.01.2000|31.12.2099|", "2|01.01.2000|31.12.2099|"});
  p.Write(h);
  h.Run(kAnnualArchive);
  EXPECT_EQ(h.Part2Faults(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Annual, AnnualLimitTest,
    ::testing::Values(
        LimitCase{"monthly_2005_at_limit", "2005", {"83.10", "60.00", "60.00"}, "", {}},
        LimitCase{"monthly_2005_above_limit",
                  "2005",
                  {"83.11", "60.00", "60.00"},
                  "",
                  {kPopescu + "11.Ежемесячно взносов застр.лица> превышение лимита взносов (>     83.10, строка 1"}},
        LimitCase{"monthly_2008_not_checked", "2008", {"2000.00", "60.00", "60.00"}, "", {}},
        LimitCase{"yearly_2008_at_limit", "2008", {"2630.00", "2630.00", "2630.00"}, "", {}},
        LimitCase{
            "yearly_2008_above_limit",
            "2008",
            {"2630.01", "2630.00", "2630.00"},
            "",
            {kPopescu + "11.Ежемесячно взносов застр.лица> превышение лимита взносов (>   7890.00 (Plafon anual), "
                        "строка 0"}},
        // A period begun in another year does not count towards the year.
        LimitCase{"yearly_2008_row_of_other_year", "2008", {"2630.01", "2630.00", "2630.00"}, "10.10.2007", {}},
        LimitCase{
            "yearly_2016_limit_zero",
            "2016",
            {"60.00", "60.00", "60.00"},
            "",
            {kPopescu + "11.Ежемесячно взносов застр.лица> превышение лимита взносов (>      0.00 (Plafon anual), "
                        "строка 0",
             kRusu + "11.Ежемесячно взносов застр.лица> превышение лимита взносов (>      0.00 (Plafon anual), "
                     "строка 0"}}),
    [](const auto& info) { return info.param.name; });

// A year that forms no date leaves empty dates at day 0, so two rows of
// different months without dates share that day.
TEST(AnnualDuplicateMonth, YearWithoutDatesKeepsEmptyDatesEmpty) {
  Package p = AnnualBaseline();
  p.t[0][svod::YEAR] = "0";
  Dates(p, 4, "", "");
  p.sd.push_back(RusuRow("11", "", ""));
  std::vector<std::string> faults = Part2FaultsOf(Variant::Annual, p, kAnnualArchive);
  EXPECT_EQ(std::count(faults.begin(), faults.end(), "Пачка 1 Декл 2   поле <3.Месяц> Дублирование месяца., строка 6"),
            1);
}

// The memory keeps every row: a 61st row of one category is compared with
// the first, and the run reaches its closing lines.
TEST(AnnualDuplicateMonth, KeepsEveryRowOfALargeDeclaration) {
  Package p = AnnualBaseline();
  for (int i = 0; i < 60; ++i) {
    std::string day = fmt::format("{:02}.10.{}", i < 31 ? i + 1 : i - 30, i < 31 ? 2024 : 2025);
    p.sd.push_back(RusuRow("10", day, day));
  }
  p.sd.push_back(RusuRow("10", "01.10.2024", "01.10.2024"));
  p.sd.back()[sd::SD_JOB_CODE] = "121101";  // sorts after the 60 rows
  RuleHarness h(Variant::Annual);
  p.Write(h);
  EXPECT_EQ(h.Run(kAnnualArchive).outcome, RunOutcome::Completed);
  EXPECT_EQ(h.Part2Faults(),
            std::vector<std::string>{"Пачка 1 Декл 2   поле <3.Месяц> Дублирование месяца., строка 65"});
  std::vector<std::string> lines = h.AllLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[lines.size() - 4], "к о н т р о л ь  з а в е р ш е н.");
}

}  // namespace
}  // namespace zentrox::test
