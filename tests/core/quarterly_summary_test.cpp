// Quarterly sections REV5_T and REV5_IP: one-field mutations of a valid
// package and the exact fault lines of part 2 they draw.
#include <gtest/gtest.h>

#include "new_format_test_package.h"

namespace zentrox::test {
namespace {

const std::vector<MutationCase> kSummaryCases = {
    {"type_form_empty",
     [](Package& p) { p.t[0][svod::TYPE_FORM] = ""; },
     {"Пачка  Декл    поле <1.Тип формы> не заполнено, строка 1"}},
    {"type_form_unknown",
     [](Package& p) { p.t[0][svod::TYPE_FORM] = "7"; },
     {"Пачка  Декл    поле <1.Тип формы> не соответствует коду из справочника, строка 1"}},
    {"year_next_year",
     [](Package& p) { p.t[0][svod::YEAR] = "2027"; },
     {"Пачка  Декл    поле <2.Отчетный год> должно быть <= текущего года, строка 1"}},
    {"quarter_zero",
     [](Package& p) { p.t[0][svod::TRIMESTR] = "0"; },
     {"Пачка  Декл    поле <3.Отчетный квартал> Указать значение квартала (1-4), строка 1"}},
    {"quarter_five",
     [](Package& p) { p.t[0][svod::TRIMESTR] = "5"; },
     {"Пачка  Декл    поле <3.Отчетный квартал> Указать значение квартала (1-4), строка 1"}},
    {"quarter_empty",
     [](Package& p) { p.t[0][svod::TRIMESTR] = ""; },
     {"Пачка  Декл    поле <3.Отчетный квартал> не заполнено, строка 1",
      "Пачка  Декл    поле <3.Отчетный квартал> Указать значение квартала (1-4), строка 1"}},
    {"quarter_four", [](Package& p) { p.t[0][svod::TRIMESTR] = "4"; }, {}},
    // District codes compare as texts against the padded dictionary codes.
    {"district_without_leading_zero",
     [](Package& p) { p.t[0][svod::KODTKSS] = "1"; },
     {"Пачка  Декл    поле <4.Код ТКСС> не соответствует коду из справочника, строка 1"}},
    {"district_empty",
     [](Package& p) { p.t[0][svod::KODTKSS] = ""; },
     {"Пачка  Декл    поле <4.Код ТКСС> не заполнено, строка 1"}},
    {"regnom_empty",
     [](Package& p) { p.t[0][svod::REGNOM_EA] = ""; },
     {"Пачка  Декл    поле <5.Регистр. номер ЭА> не заполнено, строка 1"}},
    {"regnom_six_characters",
     [](Package& p) { p.t[0][svod::REGNOM_EA] = "123456"; },
     {"Пачка  Декл    поле <5.Регистр. номер ЭА> не содержит 7 знаков., строка 1"}},
    {"regnom_seven_cyrillic_characters", [](Package& p) { p.t[0][svod::REGNOM_EA] = "АБВГДЕЖ"; }, {}},
    {"fio_lower_case",
     [](Package& p) { p.t[0][svod::FIO_EA] = "Ivanov"; },
     {"Пачка  Декл    поле <7.ФИО ответств.ЭА> содержит недопустимый символ, строка 1"}},
    {"fio_two_signs",
     [](Package& p) { p.t[0][svod::FIO_EA] = "IVANOV--ION"; },
     {"Пачка  Декл    поле <7.ФИО ответств.ЭА> содержит два знака подряд, строка 1"}},
    {"fio_empty",
     [](Package& p) { p.t[0][svod::FIO_EA] = ""; },
     {"Пачка  Декл    поле <7.ФИО ответств.ЭА> не заполнено, строка 1"}},
    {"formation_date_today", [](Package& p) { p.t[0][svod::FORMATION_DT] = "08.12.2026"; }, {}},
    {"formation_date_tomorrow",
     [](Package& p) { p.t[0][svod::FORMATION_DT] = "09.12.2026"; },
     {"Пачка  Декл    поле <8.Дата заполнения> больше текущей даты, строка 1"}},
    {"formation_date_empty",
     [](Package& p) { p.t[0][svod::FORMATION_DT] = ""; },
     {"Пачка  Декл    поле <8.Дата заполнения> не заполнено, строка 1"}},
    // The pack-count line follows the findings of the REV5_IP rows.
    {"packs_total_two",
     [](Package& p) { p.t[0][svod::PACKS_TOTAL] = "2"; },
     {"поле <9.Общее кол-во пачек> из файла REV5_T не равно количеству пачек в файле REV5_IP"}},
    {"packs_total_empty",
     [](Package& p) { p.t[0][svod::PACKS_TOTAL] = ""; },
     {"Пачка  Декл    поле <9.Общее кол-во пачек> не заполнено, строка 1",
      "поле <9.Общее кол-во пачек> из файла REV5_T не равно количеству пачек в файле REV5_IP"}},
    // 100.10 + 50.20 is not 150.30 in binary floating point, but it is in cents.
    {"total_equals_sum_in_cents",
     [](Package& p) {
       p.t[0][svod::SUM_AP] = "100.10";
       p.t[0][svod::SUM_EA] = "50.20";
       p.t[0][svod::SUM_TOTAL] = "150.30";
     },
     {"Пачка  Декл    поле <12.Всего взносов застр.лица> с ошибкой. Разность=109.90 ,cтрока 1",
      "Пачка  Декл    поле <13.Всего взносов ЭА> с ошибкой. Разность=754.80 ,cтрока 1",
      "Пачка  Декл    поле <14.Всего взносов> с ошибкой. Разность=864.70 ,cтрока 1"}},
    {"total_one_cent_off_sum",
     [](Package& p) {
       p.t[0][svod::SUM_AP] = "100.10";
       p.t[0][svod::SUM_EA] = "50.20";
       p.t[0][svod::SUM_TOTAL] = "150.31";
     },
     {"Пачка  Декл    поле <14.Всего взносов> не равно сумме (взносы ЗЛ + взносы работодателя), строка 1",
      "Пачка  Декл    поле <12.Всего взносов застр.лица> с ошибкой. Разность=109.90 ,cтрока 1",
      "Пачка  Декл    поле <13.Всего взносов ЭА> с ошибкой. Разность=754.80 ,cтрока 1",
      "Пачка  Декл    поле <14.Всего взносов> с ошибкой. Разность=864.69 ,cтрока 1"}},
    {"fund_off_packs_by_0_004", [](Package& p) { p.t[0][svod::PAYM_FOND] = "3500.004"; }, {}},
    {"fund_off_packs_by_0_006",
     [](Package& p) { p.t[0][svod::PAYM_FOND] = "3500.006"; },
     {"Пачка  Декл    поле <10.Общий фонд зарплаты> с ошибкой. Разность=0.01 ,cтрока 1"}},
    {"sick_leave_off_packs",
     [](Package& p) { p.t[0][svod::ILL] = "0"; },
     {"Пачка  Декл    поле <11.Всего больничных> с ошибкой. Разность=100.00 ,cтрока 1"}},
    // Every summary row is checked; the row counter names the second.
    {"second_summary_row",
     [](Package& p) {
       p.t.push_back(p.t[0]);
       p.t[1][svod::FIO_EA] = "ivanov";
     },
     {"Пачка  Декл    поле <7.ФИО ответств.ЭА> содержит недопустимый символ, строка 2"}},
};

const std::vector<MutationCase> kPackCases = {
    {"doc_number_fifty",
     [](Package& p) { p.ip[0][pl::PL_DOC_NUMBER] = "50"; },
     {"Пачка 1  количество деклараций в файле rev5_na не совпадает с объявленным в файле rev5_ip "}},
    {"doc_number_fifty_one",
     [](Package& p) { p.ip[0][pl::PL_DOC_NUMBER] = "51"; },
     {"Пачка 1 Декл    поле <2.Кол-во документов в пачке> должно быть <= 50, строка 1",
      "Пачка 1  количество деклараций в файле rev5_na не совпадает с объявленным в файле rev5_ip "}},
    {"doc_number_empty",
     [](Package& p) { p.ip[0][pl::PL_DOC_NUMBER] = ""; },
     {"Пачка 1 Декл    поле <2.Кол-во документов в пачке> не заполнено, строка 1",
      "Пачка 1  количество деклараций в файле rev5_na не совпадает с объявленным в файле rev5_ip "}},
    // The pack is compared with its declarations' total rows only.
    {"fund_off_total_rows_by_0_004", [](Package& p) { p.ip[0][pl::PL_PAYM_FOND] = "3500.004"; }, {}},
    {"fund_off_total_rows_by_0_006",
     [](Package& p) { p.ip[0][pl::PL_PAYM_FOND] = "3500.006"; },
     {"Пачка  Декл    поле <10.Общий фонд зарплаты> с ошибкой. Разность=0.01 ,cтрока 1",
      "Пачка 1 Декл    поле <3.Общий фонд зарплаты в пачке> с ошибкой. Разность=0.01 ,cтрока 1"}},
    {"total_off_sum_and_rows",
     [](Package& p) {
       p.ip[0][pl::PL_SUM_TOTAL] = "1015.01";
       p.t[0][svod::SUM_TOTAL] = "1015.01";
       p.t[0][svod::SUM_EA] = "805.01";
     },
     {"Пачка  Декл    поле <13.Всего взносов ЭА> с ошибкой. Разность=0.01 ,cтрока 1",
      "Пачка 1 Декл    поле <7.Всего взносов в пачке> с ошибкой. Разность=0.01 ,cтрока 1",
      "Пачка 1 Декл    поле <7.Всего взносов в пачке> не равно сумме (взносы ЗЛ + взносы работодателя), строка 1"}},
    // Three packs with one number: the second and third are reported, each
    // naming the number as pack.
    {"pack_number_three_times",
     [](Package& p) {
       p.ip = {p.ip[0], p.ip[0], p.ip[0]};
       p.t[0] = SummaryRow("2026", "3", "3", "10500.00", "300.00", "630.00", "2415.00", "3045.00");
     },
     {"Пачка 1 Декл    поле <1.Номер пачки ЭА> ВНИМАНИЕ! Дублирование номера пачки, строка 2",
      "Пачка 1 Декл    поле <1.Номер пачки ЭА> ВНИМАНИЕ! Дублирование номера пачки, строка 3"}},
    {"two_packs_declared_one",
     [](Package& p) { p.ip.push_back(PackRow("2", "0", "0", "0", "0", "0", "0")); },
     {"поле <9.Общее кол-во пачек> из файла REV5_T не равно количеству пачек в файле REV5_IP"}},
    // The duplicate test compares the file's texts, so "1.0" is no copy of
    // "1"; the link to the total rows compares numbers, so it finds pack 1's.
    {"same_number_written_twice_differently",
     [](Package& p) {
       p.ip.push_back(PackRow("1.0", "0", "0", "0", "0", "0", "0"));
       p.t[0][svod::PACKS_TOTAL] = "2";
     },
     {"Пачка 1.0 Декл    поле <3.Общий фонд зарплаты в пачке> с ошибкой. Разность=3500.00 ,cтрока 2",
      "Пачка 1.0 Декл    поле <4.Больничные в пачке> с ошибкой. Разность=100.00 ,cтрока 2",
      "Пачка 1.0 Декл    поле <5.Всего взносов застр.лица в пачке> с ошибкой. Разность=210.00 ,cтрока 2",
      "Пачка 1.0 Декл    поле <6.Всего взносов ЭА в пачке> с ошибкой. Разность=805.00 ,cтрока 2",
      "Пачка 1.0 Декл    поле <7.Всего взносов в пачке> с ошибкой. Разность=1015.00 ,cтрока 2"}},
};

class QuarterlySummaryTest : public ::testing::TestWithParam<MutationCase> {};

TEST_P(QuarterlySummaryTest, WritesExactlyTheExpectedFaults) {
  Package p = QuarterlyBaseline();
  GetParam().mutate(p);
  EXPECT_EQ(Part2FaultsOf(Variant::Quarterly, p, kQuarterlyArchive), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(QuarterlyT, QuarterlySummaryTest, ::testing::ValuesIn(kSummaryCases),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(QuarterlyIP, QuarterlySummaryTest, ::testing::ValuesIn(kPackCases),
                         [](const auto& info) { return info.param.name; });

TEST(QuarterlyBaseline, ValidPackageDrawsNoFault) {
  EXPECT_EQ(Part2FaultsOf(Variant::Quarterly, QuarterlyBaseline(), kQuarterlyArchive), std::vector<std::string>{});
}

// Without a summary row the declared pack total is 0.
TEST(QuarterlySummary, NoSummaryRowDeclaresNoPacks) {
  Package p = QuarterlyBaseline();
  p.t.clear();
  RuleHarness h(Variant::Quarterly);
  p.Write(h);
  EXPECT_EQ(h.Run(kQuarterlyArchive).outcome, RunOutcome::Completed);
  std::vector<std::string> faults = h.Part2Faults();
  EXPECT_NE(std::find(faults.begin(), faults.end(),
                      "поле <9.Общее кол-во пачек> из файла REV5_T не равно количеству пачек в файле REV5_IP"),
            faults.end());
}

}  // namespace
}  // namespace zentrox::test
