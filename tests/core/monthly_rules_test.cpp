// The monthly rule set: where it differs from the quarterly one. Rows of the
// baseline (November 2026): 1-3 POPESCU's November in categories 1, 2 and 5;
// 4 his total row; 5 RUSU's November 1-15 (category 2); 6 her total row.
#include <gtest/gtest.h>

#include <algorithm>

#include "new_format_test_package.h"

namespace zentrox::test {
namespace {

const std::string kRusu = "Пачка 1 Декл 2 RUSU  поле <";

void Dates(Package& p, int row, const std::string& begin, const std::string& end) {
  p.sd[static_cast<std::size_t>(row)][sd::SD_BEGIN_DT] = begin;
  p.sd[static_cast<std::size_t>(row)][sd::SD_END_DT] = end;
}

// RUSU's row in another category, without contributions.
void RusuCategory(Package& p, const std::string& category) {
  Fields& f = p.sd[4];
  f[sd::SD_CATEGORY] = category;
  f[sd::SD_SUM_AP] = "0";
  f[sd::SD_SUM_EA] = "0";
  f[sd::SD_SUM_TOTAL] = "0";
  Rebalance(p);
}

Fields RusuRow(const std::string& month, const std::string& category, const std::string& begin,
               const std::string& end) {
  return SaldoRow("2", "1", month, category, begin, end, "0", "0", "0", "0", "0");
}

const std::vector<MutationCase> kCases = {
    {"month_of_summary_zero",
     [](Package& p) { p.t[0][svod::TRIMESTR] = "0"; },
     {"Пачка  Декл    поле <3.Отчетный месяц> Указать значение Месяца (1-12), строка 1"}},
    {"month_of_summary_thirteen",
     [](Package& p) { p.t[0][svod::TRIMESTR] = "13"; },
     {"Пачка  Декл    поле <3.Отчетный месяц> Указать значение Месяца (1-12), строка 1"}},
    // The summary's month is not compared with the month of the package name.
    {"month_of_summary_twelve", [](Package& p) { p.t[0][svod::TRIMESTR] = "12"; }, {}},
    {"cpas_empty",
     [](Package& p) { p.na[0][na::NA_CPAS] = ""; },
     {"Пачка 1 Декл 1 POPESCU  поле <3.Код CPAS>  не заполнен. Обязательный параметр для ежемесячных деклараций, "
      "строка 1"}},
    // A declaration numbered 0 in pack 0 has no monthly rows: reported,
    // where the quarterly set compares the keys (both 0) and passes it.
    {"declaration_zero_without_rows",
     [](Package& p) {
       p.na.push_back({"0", "0", "12345678903", "LUNGU", "ION", "", "", "2001234567892", "1", "", "", "", ""});
     },
     {"Пачка 0 Декл 0 LUNGU  поле <> данные отсутствуют в файле REV5_SD, строка 3",
      "Пачка 0  количество деклараций в файле rev5_na не совпадает с объявленным в файле rev5_ip "}},
    {"month_not_reporting_month",
     [](Package& p) { p.sd[4][sd::SD_MONTH] = "10"; },
     {kRusu + "3.Месяц> =10 не равен отчетному месяцу=11, строка 5"}},
    // No month to build the date windows from: only the month rules report.
    {"month_zero",
     [](Package& p) { p.sd[4][sd::SD_MONTH] = "0"; },
     {kRusu + "3.Месяц> не должно равняться нулю (0), строка 5",
      kRusu + "3.Месяц> =0 не равен отчетному месяцу=11, строка 5"}},
    // Month 14 also sorts after the total row, which it so misses.
    {"month_fourteen",
     [](Package& p) { p.sd[4][sd::SD_MONTH] = "14"; },
     {kRusu + "3.Месяц> не соответствует коду из справочника, строка 5",
      kRusu + "3.Месяц> =14 не равен отчетному месяцу=11, строка 5",
      kRusu + "9.Ежемесячный фонд зарплаты> с ошибкой. Сумма по месяцам не равна итоговой. Разность=500.00 ",
      kRusu + "11.Ежемесячно взносов застр.лица> с ошибкой. Сумма по месяцам не равна итоговой. Разность=30.00 ",
      kRusu + "12.Ежемесячно взносов ЭА> с ошибкой. Сумма по месяцам не равна итоговой. Разность=115.00 ",
      kRusu + "13.Всего ежемесячно взносов> с ошибкой. Сумма по месяцам не равна итоговой. Разность=145.00 "}},
    {"job_code_inactive",
     [](Package& p) { p.sd[4][sd::SD_JOB_CODE] = "342101"; },
     {kRusu + "4.Код занимаемой должности>  = 342101 данный код неактивный, строка 5"}},
    {"job_code_unlisted",
     [](Package& p) { p.sd[4][sd::SD_JOB_CODE] = "999999"; },
     {kRusu + "4.Код занимаемой должности>  = 999999 данный код отсутствует в справочнике профессий, строка 5"}},
    {"job_code_zero", [](Package& p) { p.sd[4][sd::SD_JOB_CODE] = "0"; }, {}},
    {"job_code_unlisted_on_total_row", [](Package& p) { p.sd[5][sd::SD_JOB_CODE] = "999999"; }, {}},
    {"begin_day_before_month",
     [](Package& p) { Dates(p, 4, "31.10.2026", "15.11.2026"); },
     {kRusu + "7.Начальная дата работы в месяце> - даты за предыдущие месяцы не допускаются, строка 5",
      kRusu + "8.Конечная дата работы в месяце> значение месяца в датах должно совпадать. BEGIN_DT=31.10.2026 "
              "END_DT=15.11.2026, строка 5"}},
    {"category_105_year_back",
     [](Package& p) {
       RusuCategory(p, "105");
       Dates(p, 4, "01.11.2025", "15.11.2025");
     },
     {}},
    {"category_105_beyond_year_back",
     [](Package& p) {
       RusuCategory(p, "105");
       Dates(p, 4, "31.10.2025", "31.10.2025");
     },
     {kRusu + "7.Начальная дата работы в месяце> - для 153 категории можно данные только на 1 год назад, строка 5"}},
    {"category_153_beyond_year_back",
     [](Package& p) {
       RusuCategory(p, "153");
       Dates(p, 4, "31.10.2025", "31.10.2025");
     },
     {kRusu + "7.Начальная дата работы в месяце> - для 153 категории можно данные только на 1 год назад, строка 5"}},
    // Categories 157 and 158 may run across months and years.
    {"category_157_across_years",
     [](Package& p) {
       RusuCategory(p, "157");
       Dates(p, 4, "01.11.2026", "15.01.2029");
     },
     {}},
    {"category_2_across_years",
     [](Package& p) { Dates(p, 4, "01.11.2026", "15.01.2029"); },
     {kRusu + "8.Конечная дата работы в месяце> значение месяца в датах должно совпадать. BEGIN_DT=01.11.2026 "
              "END_DT=15.01.2029, строка 5",
      kRusu + "8.Конечная дата работы в месяце> ошибочное значение года =2029, строка 5",
      kRusu + "8.Конечная дата работы в месяце> ошибочное значение года. BEGIN_DT=2026 END_DT=2029, строка 5"}},
    {"category_158_begin_too_late",
     [](Package& p) {
       RusuCategory(p, "158");
       Dates(p, 4, "01.11.2028", "15.11.2028");
     },
     {kRusu + "7.Начальная дата работы в месяце> - можно данные только на год вперед, строка 5",
      kRusu + "7.Начальная дата работы в месяце> ошибочное значение года =2028, строка 5"}},
    {"begin_empty",
     [](Package& p) { Dates(p, 4, "", "15.11.2026"); },
     {kRusu + "7.Начальная дата работы в месяце> - обязательный параметр, строка 5"}},
    {"end_empty",
     [](Package& p) { Dates(p, 4, "01.11.2026", ""); },
     {kRusu + "8.Конечная дата работы в месяце> - обязательный параметр, строка 5"}},
    {"category_150_fund_zero_on_total_row",
     [](Package& p) {
       AddDeclaration(p, "3", "12345678903", "LUNGU", "2001234567892", "11", "01.11.2026", "30.11.2026");
       p.sd.back()[sd::SD_CATEGORY] = "150";
     },
     {"Пачка 1 Декл 3 LUNGU  поле <> категория 150 -  фонд не заполнен ( = 0 ), строка 8"}},
    {"overlap_on_shared_day",
     [](Package& p) {
       Dates(p, 4, "01.11.2026", "10.11.2026");
       p.sd.push_back(RusuRow("11", "2", "10.11.2026", "20.11.2026"));
     },
     {"Пачка 1 Декл 2 RUSU месяц 11  Даты пересекаются"}},
    {"no_overlap_next_day",
     [](Package& p) {
       Dates(p, 4, "01.11.2026", "10.11.2026");
       p.sd.push_back(RusuRow("11", "2", "11.11.2026", "20.11.2026"));
     },
     {}},
    {"no_overlap_test_outside_reporting_month",
     [](Package& p) {
       p.sd.push_back(RusuRow("10", "2", "01.11.2026", "10.11.2026"));
       p.sd.push_back(RusuRow("10", "2", "01.11.2026", "10.11.2026"));
     },
     {kRusu + "3.Месяц> =10 не равен отчетному месяцу=11, строка 7",
      kRusu + "3.Месяц> =10 не равен отчетному месяцу=11, строка 8"}},
    {"no_overlap_test_when_month_of_summary_zero",
     [](Package& p) {
       p.t[0][svod::TRIMESTR] = "0";
       p.sd.push_back(RusuRow("11", "2", "01.11.2026", "15.11.2026"));
     },
     {"Пачка  Декл    поле <3.Отчетный месяц> Указать значение Месяца (1-12), строка 1"}},
    {"total_row_missing",
     [](Package& p) {
       p.sd.erase(p.sd.begin() + 5);
       Rebalance(p);
     },
     {kRusu + "> пропущена итоговая строка с кодом месяца \"13\"., строка 0"}},
};

class MonthlyRulesTest : public ::testing::TestWithParam<MutationCase> {};

TEST_P(MonthlyRulesTest, WritesExactlyTheExpectedFaults) {
  Package p = MonthlyBaseline();
  GetParam().mutate(p);
  EXPECT_EQ(Part2FaultsOf(Variant::Monthly, p, kMonthlyArchive), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Monthly, MonthlyRulesTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.name; });

TEST(MonthlyBaseline, ValidPackageDrawsNoFault) {
  EXPECT_EQ(Part2FaultsOf(Variant::Monthly, MonthlyBaseline(), kMonthlyArchive), std::vector<std::string>{});
}

// The quarterly set compares the keys of a declaration without monthly rows
// with 0 and so passes a declaration numbered 0 in pack 0.
TEST(MonthlyDeclaration, QuarterlySetComparesKeysInstead) {
  Package p = QuarterlyBaseline();
  p.na.push_back({"0", "0", "12345678903", "LUNGU", "ION", "", "", "2001234567892", "1", "", "", "", ""});
  EXPECT_EQ(Part2FaultsOf(Variant::Quarterly, p, kQuarterlyArchive),
            std::vector<std::string>{
                "Пачка 0  количество деклараций в файле rev5_na не совпадает с объявленным в файле rev5_ip "});
}

// The year window of December: the first day of January two years on is
// the last day allowed.
TEST(MonthlyBeginWindow, DecemberReachesJanuaryTwoYearsOn) {
  auto faults = [](const std::string& begin) {
    Package p = Baseline("2024", "12", {"12", "12", "12"});
    p.sd[1][sd::SD_CATEGORY] = "2";
    p.sd[2][sd::SD_CATEGORY] = "5";
    p.sd[4][sd::SD_CATEGORY] = "157";
    p.sd[4][sd::SD_BEGIN_DT] = begin;
    p.sd[4][sd::SD_END_DT] = begin;
    Rebalance(p);
    return Part2FaultsOf(Variant::Monthly, p, "REV5_1234567_00001_2024L12.rar");
  };
  EXPECT_EQ(
      faults("01.01.2026"),
      std::vector<std::string>{kRusu + "7.Начальная дата работы в месяце> ошибочное значение года =2026, строка 5"});
  EXPECT_EQ(faults("02.01.2026"),
            (std::vector<std::string>{
                kRusu + "7.Начальная дата работы в месяце> - можно данные только на год вперед, строка 5",
                kRusu + "7.Начальная дата работы в месяце> ошибочное значение года =2026, строка 5"}));
}

// In any other month the limit is the first day of the next month a year on.
TEST(MonthlyBeginWindow, OtherMonthsReachTheNextMonthAYearOn) {
  auto faults = [](const std::string& begin) {
    Package p = MonthlyBaseline();
    p.sd[4][sd::SD_CATEGORY] = "157";
    p.sd[4][sd::SD_BEGIN_DT] = begin;
    p.sd[4][sd::SD_END_DT] = begin;
    Rebalance(p);
    return Part2FaultsOf(Variant::Monthly, p, kMonthlyArchive);
  };
  EXPECT_EQ(faults("01.12.2027"), std::vector<std::string>{});
  EXPECT_EQ(faults("02.12.2027"),
            std::vector<std::string>{
                kRusu + "7.Начальная дата работы в месяце> - можно данные только на год вперед, строка 5"});
}

// A year that forms no date leaves the date windows without a day to
// compare with; they are skipped and the year rules report instead.
TEST(MonthlyBeginWindow, YearWithoutDatesSkipsWindows) {
  Package p = MonthlyBaseline();
  p.t[0][svod::YEAR] = "0";
  std::vector<std::string> faults = Part2FaultsOf(Variant::Monthly, p, kMonthlyArchive);
  auto count = [&](const std::string& text) {
    return std::count_if(faults.begin(), faults.end(),
                         [&](const std::string& l) { return l.find(text) != std::string::npos; });
  };
  EXPECT_EQ(count("ошибочное значение года =2026"), 8);  // begin and end of four rows
  EXPECT_EQ(count("- даты за предыдущие месяцы"), 0);
  EXPECT_EQ(count("- можно данные только на год вперед"), 0);
}

// The overlap memory keeps every row of the reporting month.
TEST(MonthlyOverlap, KeepsEveryRowOfALargeDeclaration) {
  Package p = MonthlyBaseline();
  for (int i = 0; i < 60; ++i) {
    std::string day = fmt::format("{:02}.11.{}", i < 30 ? i + 1 : i - 29, i < 30 ? 2026 : 2027);
    p.sd.push_back(RusuRow("11", "5", day, day));
  }
  p.sd.push_back(RusuRow("11", "5", "01.11.2026", "01.11.2026"));
  p.sd.back()[sd::SD_JOB_CODE] = "121101";  // sorts after the 60 rows
  RuleHarness h(Variant::Monthly);
  p.Write(h);
  EXPECT_EQ(h.Run(kMonthlyArchive).outcome, RunOutcome::Completed);
  EXPECT_EQ(h.Part2Faults(), std::vector<std::string>{"Пачка 1 Декл 2 RUSU месяц 11  Даты пересекаются"});
  std::vector<std::string> lines = h.AllLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[lines.size() - 4], "к о н т р о л ь  з а в е р ш е н.");
}

}  // namespace
}  // namespace zentrox::test
