// The old-format annual rule set, run through the whole control run on a
// small valid package and on one-field mutations of it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "model/schemas.h"
#include "support/package_mutation.h"
#include "support/rule_harness.h"

namespace zentrox {
namespace {

using test::Record;
using test::RuleHarness;

using Rows = std::vector<std::vector<std::string>>;

struct OldPackage {
  Rows pl, na, sd, di, mu;
};

constexpr const char* kArchive = "REV5_1234567_00005.rar";

std::vector<std::string> ExpenseRow(const std::string& na, const std::string& code, int month,
                                    const std::string& amount) {
  std::vector<std::string> row = {na, "1", code};
  for (int m = 1; m <= 12; ++m) row.push_back(m == month ? amount : "0.00");
  row.push_back(amount);
  return row;
}

// One pack of type 5 for 2025, three declarations:
//  1 ARNAUT, January to March, an expense of code 1 (20.00 in February);
//  2 BALAN, February and March, insured person's contributions 153.00 and
//    153.01 (the caps of 2006 lie between them);
//  3 ROTARU, a pensioner, the whole year with rows for January and February
//    only, an expense of code 4 (300.00 in February).
// Every sum agrees: the pack with the total rows and the code-99 rows, each
// declaration with its total row less its expenses, each total row with its
// months, each code-99 row with its codes.
OldPackage ValidPackage() {
  OldPackage p;
  p.pl = {{"1", "12", "1234567", "5", "20.02.2026", "CIOBANU VERONICA", "3", "3", "2025", "11100.00", "400.00",
           "2767.00", "2767.00", "642.01", "642.01", "320.00"}};
  p.na = {
      {"1",
       "1",
       "2025",
       "1",
       "20479130152",
       "ARNAUT",
       "VICTOR",
       "ION",
       "2002001234567",
       "N",
       "1",
       "14.03.1979",
       "01.01.2025",
       "31.03.2025",
       "1",
       "B",
       "10234567",
       "OFICIUL 12",
       "22.05.2015",
       "Y",
       "AB",
       "1204581",
       "647.00",
       "174.00",
       "0.00",
       "0.00",
       "20.00",
       "MUNTEANU PETRU",
       "CIOBANU VERONICA"},
      {"2",
       "1",
       "2025",
       "1",
       "20490411873",
       "BALAN",
       "MARIA",
       "",
       "2003012345671",
       "N",
       "8",
       "02.11.1990",
       "01.02.2025",
       "31.03.2025",
       "1",
       "B",
       "11458203",
       "OFICIUL 3",
       "17.09.2019",
       "Y",
       "AB",
       "3318870",
       "1479.00",
       "306.01",
       "0.00",
       "0.00",
       "0.00",
       "MUNTEANU PETRU",
       "CIOBANU VERONICA"},
      {"3",
       "1",
       "2025",
       "1",
       "20462041168",
       "ROTARU",
       "ION",
       "VASILE",
       "0973104455127",
       "Y",
       "6",
       "11.04.1962",
       "01.01.2025",
       "31.12.2025",
       "1",
       "A",
       "993481",
       "OFICIUL 12",
       "14.06.2009",
       "Y",
       "AB",
       "0877153",
       "321.00",
       "162.00",
       "0.00",
       "0.00",
       "300.00",
       "MUNTEANU PETRU",
       "CIOBANU VERONICA"},
  };
  p.sd = {
      {"1", "1", "1", "1000.00", "0.00", "23", "230.00", "230.00", "6", "60.00", "60.00", "1000.00"},
      {"1", "1", "2", "1000.00", "100.00", "23", "207.00", "207.00", "6", "54.00", "54.00", "900.00"},
      {"1", "1", "3", "1000.00", "0.00", "23", "230.00", "230.00", "6", "60.00", "60.00", "1000.00"},
      {"1", "1", "13", "3000.00", "100.00", "", "667.00", "667.00", "", "174.00", "174.00", "2900.00"},
      {"2", "1", "2", "2550.00", "0.00", "29", "739.50", "739.50", "6", "153.00", "153.00", "2550.00"},
      {"2", "1", "3", "2550.00", "0.00", "29", "739.50", "739.50", "6", "153.01", "153.01", "2550.00"},
      {"2", "1", "13", "5100.00", "0.00", "", "1479.00", "1479.00", "", "306.01", "306.01", "5100.00"},
      {"3", "1", "1", "1500.00", "0.00", "23", "345.00", "345.00", "6", "90.00", "90.00", "1500.00"},
      {"3", "1", "2", "1500.00", "300.00", "23", "276.00", "276.00", "6", "72.00", "72.00", "1200.00"},
      {"3", "1", "13", "3000.00", "300.00", "", "621.00", "621.00", "", "162.00", "162.00", "2700.00"},
  };
  p.di = {
      {"1", "1", "01.02.2012", "241102", "", "CONTABILITATE", "ORDIN 7"},
      {"2", "1", "01.02.2025", "251201", "5", "IT", "ORDIN 19"},
      {"3", "1", "03.09.2001", "251201", "", "ATELIER", "ORDIN 88"},
  };
  p.mu = {ExpenseRow("1", "1", 2, "20.00"), ExpenseRow("1", "99", 2, "20.00"), ExpenseRow("3", "4", 2, "300.00"),
          ExpenseRow("3", "99", 2, "300.00")};
  return p;
}

std::vector<std::string> Records(const Rows& rows) {
  std::vector<std::string> out;
  for (const auto& r : rows) out.push_back(Record(r));
  return out;
}

// The dictionaries the package needs, independent of the bundled ones.
void WriteDictionaries(RuleHarness& h) {
  h.WriteDictionary("kategor.txt", {"1|GENERAL", "6|FARMING", "8|IT"});
  h.WriteDictionary("months.txt", {"1|I", "2|II", "3|III", "4|IV", "5|V", "6|VI", "7|VII", "8|VIII", "9|IX", "10|X",
                                   "11|XI", "12|XII"});
  h.WriteDictionary("prof.txt", {"241102|ACCOUNTANT", "251201|PROGRAMMER"});
  h.WriteDictionary("raion.txt", {"12|CENTRE", "13|NORTH"});
  h.WriteDictionary("rang.txt", {"5|COUNSELLOR"});
  h.WriteDictionary("rashod.txt", {"1|SICK LEAVE", "4|CHILD CARE", "6|ILLNESS"});
  h.WriteDictionary("tarif.txt", {"6|PERSON", "23|EMPLOYER", "29|EMPLOYER HAZARD"});
  h.WriteDictionary("typeform.txt", {"1|ANNUAL"});
  h.WriteDictionary("viddoc.txt", {"1|IDENTITY CARD"});
}

void WritePackage(RuleHarness& h, const OldPackage& p) {
  h.WriteFile("rev5_pl", Records(p.pl));
  h.WriteFile("rev5_na", Records(p.na));
  h.WriteFile("rev5_sd", Records(p.sd));
  h.WriteFile("rev5_di", Records(p.di));
  h.WriteFile("rev5_mu", Records(p.mu));
}

// Runs the package and returns the fault lines of part 2.
std::vector<std::string> RunPackage(RuleHarness& h, const OldPackage& p) {
  WriteDictionaries(h);
  WritePackage(h, p);
  h.Run(kArchive);
  return h.Part2Faults();
}

std::vector<std::string> LinesFrom(const std::vector<std::string>& lines, const std::string& first) {
  auto it = std::find(lines.begin(), lines.end(), first);
  return std::vector<std::string>(it, lines.end());
}

TEST(AnnualOldValidPackage, WritesEverySectionAndNoFault) {
  RuleHarness h(Variant::AnnualOld);
  std::vector<std::string> faults = RunPackage(h, ValidPackage());
  EXPECT_EQ(faults, std::vector<std::string>{});
  std::vector<std::string> expected = {
      "Контроль, часть 2 - проверка информационных данных:",
      "fisierul REV5_PL",
      "fisierul REV5_NA",
      "fisierul REV5_SD",
      "fisierul REV5_DI",
      "fisierul REV5_MU",
      "к о н т р о л ь  з а в е р ш е н.",
      "Экономический Агент  1234567",
      "Количество пачек в пакете: 1",
      "Проверено электронных деклараций : 3",
  };
  EXPECT_EQ(LinesFrom(h.AllLines(), expected.front()), expected);
}

using MutationCase = test::PackageMutation<OldPackage>;

class AnnualOldRules : public ::testing::TestWithParam<MutationCase> {};

TEST_P(AnnualOldRules, ReportsExactlyTheFaults) {
  const MutationCase& c = GetParam();
  OldPackage p = ValidPackage();
  c.mutate(p);
  RuleHarness h(Variant::AnnualOld);
  EXPECT_EQ(RunPackage(h, p), c.expected);
}

std::string CaseName(const ::testing::TestParamInfo<MutationCase>& info) { return info.param.name; }

// ----- REV5_PL ------------------------------------------------------------------

const MutationCase kPackCases[] = {
    {"tkss_13_not_prefix_of_nkss",
     [](OldPackage& p) { p.pl[0][old_pl::PL_TKSS] = "13"; },
     {"Пачка 1 Декл    поле <3.Код НКСС ЭА> первые две цифры не равны коду ТКСС, строка 1"}},
    {"tkss_not_in_dictionary",
     [](OldPackage& p) { p.pl[0][old_pl::PL_TKSS] = "14"; },
     {"Пачка 1 Декл    поле <2.Код ТКСС> не соответствует коду из справочника, строка 1",
      "Пачка 1 Декл    поле <3.Код НКСС ЭА> первые две цифры не равны коду ТКСС, строка 1"}},
    {"nkss_not_in_archive_name",
     [](OldPackage& p) { p.pl[0][old_pl::PL_NKSS] = "1234568"; },
     {"Пачка 1 Декл    поле <3.Код НКСС ЭА> не совпадает с кодом из наименования файла-архива пакета, строка 1"}},
    {"nkss_six_characters",
     [](OldPackage& p) { p.pl[0][old_pl::PL_NKSS] = "123456"; },
     {"Пачка 1 Декл    поле <3.Код НКСС ЭА> не содержит 7 знаков., строка 1"}},
    {"nkss_empty",
     [](OldPackage& p) { p.pl[0][old_pl::PL_NKSS] = ""; },
     {"Пачка 1 Декл    поле <3.Код НКСС ЭА> не заполнено, строка 1"}},
    {"kdt_7",
     [](OldPackage& p) { p.pl[0][old_pl::PL_KDT] = "7"; },
     {"Пачка 1 Декл    поле <4.Тип документа> должно быть 5 или 6, строка 1"}},
    {"kdt_empty",
     [](OldPackage& p) { p.pl[0][old_pl::PL_KDT] = ""; },
     {"Пачка 1 Декл    поле <4.Тип документа> не заполнено, строка 1",
      "Пачка 1 Декл    поле <4.Тип документа> должно быть 5 или 6, строка 1"}},
    {"formed_today_passes", [](OldPackage& p) { p.pl[0][old_pl::PL_FORM_COMPL_DT] = "08.12.2026"; }, {}},
    {"formed_tomorrow",
     [](OldPackage& p) { p.pl[0][old_pl::PL_FORM_COMPL_DT] = "09.12.2026"; },
     {"Пачка 1 Декл    поле <5.Дата формирования пачки> больше текущей даты, строка 1"}},
    {"formed_empty",
     [](OldPackage& p) { p.pl[0][old_pl::PL_FORM_COMPL_DT] = ""; },
     {"Пачка 1 Декл    поле <5.Дата формирования пачки> не заполнено, строка 1",
      "Пачка 1 Декл    поле <5.Дата формирования пачки> должна быть в диапазоне (01.01.1900-01.01.2200), строка 1"}},
    {"responsible_lower_case",
     [](OldPackage& p) { p.pl[0][old_pl::PL_RESP_NAME_IN_EA] = "Ciobanu"; },
     {"Пачка 1 Декл    поле <6.ФИО ответствен.ЭА> содержит недопустимый символ, строка 1"}},
    {"sheets_51",
     [](OldPackage& p) { p.pl[0][old_pl::PL_SHEET_AMOUNT] = "51", p.pl[0][old_pl::PL_PAGES] = "51"; },
     {"Пачка 1 Декл    поле <7.Документов в пачке> должно быть <= 50, строка 1"}},
    {"pages_below_sheets",
     [](OldPackage& p) { p.pl[0][old_pl::PL_PAGES] = "2"; },
     {"Пачка 1 Декл    поле <8.Всего листов в пачке> должно быть >= знач.поля \"7.Документов в пачке\", строка 1"}},
    {"year_1999_passes", [](OldPackage& p) { p.pl[0][old_pl::PL_YEAR] = "1999"; }, {}},
    {"year_1998",
     [](OldPackage& p) { p.pl[0][old_pl::PL_YEAR] = "1998"; },
     {"Пачка 1 Декл    поле <9.Отчетный год> должно быть >= 1999, строка 1"}},
    {"fund_off_by_a_cent",
     [](OldPackage& p) { p.pl[0][old_pl::PL_PAYM_FOND] = "11100.01"; },
     {"Пачка 1 Декл    поле <10.Фонд оплаты> с ошибкой. Разность=0.01 ,cтрока 1"}},
    {"person_accrued_off",
     [](OldPackage& p) { p.pl[0][old_pl::PL_SUM_ADD_AP] = "600.00"; },
     {"Пачка 1 Декл    поле <15.Сумма, начисленная ЗЛ> с ошибкой. Разность=42.01 ,cтрока 1"}},
    {"expenses_off",
     [](OldPackage& p) { p.pl[0][old_pl::PL_SUM_TOTAL] = "330.00"; },
     {"Пачка 1 Декл    поле <16.Всего расходов> с ошибкой. Разность=10.00 ,cтрока 1"}},
    // The second row of pack 1 is an exact copy: its own checks pass, the
    // ordered walk reports it on its place in that walk.
    {"duplicate_pack",
     [](OldPackage& p) { p.pl.push_back(p.pl[0]); },
     {"Пачка 1 Декл    поле <1.Номер пачки у ЭА> ВНИМАНИЕ! Дублирование номера пачки, строка 2"}},
};
INSTANTIATE_TEST_SUITE_P(AnnualOldPack, AnnualOldRules, ::testing::ValuesIn(kPackCases), CaseName);

// ----- REV5_NA ------------------------------------------------------------------

const MutationCase kDeclarationCases[] = {
    // Pack 2 does not exist: no pack, no monthly rows (they name pack 1),
    // nothing to pay; the monthly rows in turn find no declaration.
    {"pack_missing",
     [](OldPackage& p) { p.na[1][old_na::NA_PL] = "2"; },
     {"Пачка 2 Декл 2 BALAN  поле <2.Номер пачки> отсутствует в файле REV5_PL, строка 2",
      "Пачка 2 Декл 2 BALAN  поле <> данные отсутствуют в файле REV5_SD, строка 2",
      "Пачка 2 Декл 2 BALAN  поле <23.Взносы работодателя> с ошибкой. Разность=1479.00 ,cтрока 2",
      "Пачка 2 Декл 2 BALAN  поле <24.Взносы ЗЛ> с ошибкой. Разность=306.01 ,cтрока 2",
      "Пачка 1 Декл 2   поле <1.Номер декларации,2.Номер пачки> отсутствует в файле REV5_NA, строка 5",
      "Пачка 1 Декл 2   поле <1.Номер декларации,2.Номер пачки> отсутствует в файле REV5_NA, строка 6",
      "Пачка 1 Декл 2   поле <1.Номер декларации,2.Номер пачки> отсутствует в файле REV5_NA, строка 7"}},
    {"form_type_unknown",
     [](OldPackage& p) { p.na[0][old_na::NA_FORM_TYPE] = "2"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <4.Тип формы> не соответствует коду из справочника, строка 1"}},
    {"cpas_empty_in_type_5",
     [](OldPackage& p) { p.na[0][old_na::NA_CPAS] = ""; },
     {"Пачка 1 Декл 1 ARNAUT  поле <5.Код CPAS> не заполнено, строка 1"}},
    {"cpas_empty_in_type_6",
     [](OldPackage& p) {
       p.pl[0][old_pl::PL_KDT] = "6";
       p.na[2][old_na::NA_IS_PENS] = "N";
       p.na[0][old_na::NA_CPAS] = "";
     },
     {}},
    {"cpas_zero",
     [](OldPackage& p) { p.na[0][old_na::NA_CPAS] = "0"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <5.Код CPAS>  равен нулю., строка 1"}},
    {"last_name_lower_case",
     [](OldPackage& p) { p.na[0][old_na::NA_LAST_NAME] = "Arnaut"; },
     {"Пачка 1 Декл 1 Arnaut  поле <6.Фамилия> содержит недопустимый символ, строка 1"}},
    {"first_name_empty",
     [](OldPackage& p) { p.na[0][old_na::NA_FIRST_NAME] = ""; },
     {"Пачка 1 Декл 1 ARNAUT  поле <7.Имя> не заполнено, строка 1"}},
    {"middle_name_two_signs",
     [](OldPackage& p) { p.na[0][old_na::NA_MIDDLE_NAME] = "ION--MIHAI"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <8.Отчество> содержит два знака подряд, строка 1"}},
    {"idnp_short",
     [](OldPackage& p) { p.na[0][old_na::NA_IDNP] = "200200123456"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <9.Номер IDNP> не содержит 13 знаков., строка 1"}},
    {"pension_y_in_type_6",
     [](OldPackage& p) { p.pl[0][old_pl::PL_KDT] = "6"; },
     {"Пачка 1 Декл 3 ROTARU  поле <10.Признак назн.пенсии> должно быть значение \"N\", строка 3"}},
    {"pension_empty",
     [](OldPackage& p) { p.na[0][old_na::NA_IS_PENS] = ""; },
     {"Пачка 1 Декл 1 ARNAUT  поле <10.Признак назн.пенсии> не заполнено, строка 1",
      "Пачка 1 Декл 1 ARNAUT  поле <10.Признак назн.пенсии> должно быть Y или N, строка 1"}},
    {"category_zero",
     [](OldPackage& p) { p.na[0][old_na::NA_AP_CATEGORY] = "0"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <11.Категория ЗЛ> не соответствует коду из справочника, строка 1",
      "Пачка 1 Декл 1 ARNAUT  поле <11.Категория ЗЛ> не должно равняться нулю (0), строка 1"}},
    {"category_with_leading_zero",
     [](OldPackage& p) { p.na[0][old_na::NA_AP_CATEGORY] = "01"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <11.Категория ЗЛ> не соответствует коду из справочника, строка 1"}},
    {"birth_before_1900",
     [](OldPackage& p) { p.na[0][old_na::NA_BIRTH_DT] = "31.12.1899"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <12.Дата рождения> должна быть в диапазоне (01.01.1900-01.01.2200), строка 1"}},
    {"birth_empty_passes", [](OldPackage& p) { p.na[0][old_na::NA_BIRTH_DT] = ""; }, {}},
    {"birth_after_begin_and_issue",
     [](OldPackage& p) { p.na[0][old_na::NA_BIRTH_DT] = "02.01.2025"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <13.Начало периода> меньше поля <12.Дата рождения>, строка 1",
      "Пачка 1 Декл 1 ARNAUT  поле <19.Дата выдачи> меньше поля <12.Дата рождения>, строка 1"}},
    // April to March: 3 - 4 + 1 = 0 months, fewer than the three rows.
    {"period_reversed_by_one_month",
     [](OldPackage& p) { p.na[0][old_na::NA_PERIOD_BEGIN] = "01.04.2025"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <13.Начало периода> больше <14.Конца периода>, строка 1",
      "Пачка 1 Декл 1 ARNAUT  поле <13.Начало периода> ВНИМАНИЕ! Кол-во месяцев в REV5_SD не соответствует "
      "периоду, строка 1"}},
    // May to March: 3 - 5 + 1 = -1, a very large unsigned count.
    {"period_reversed_by_two_months",
     [](OldPackage& p) { p.na[0][old_na::NA_PERIOD_BEGIN] = "01.05.2025"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <13.Начало периода> больше <14.Конца периода>, строка 1"}},
    {"period_end_empty",
     [](OldPackage& p) { p.na[1][old_na::NA_PERIOD_END] = ""; },
     {"Пачка 1 Декл 2 BALAN  поле <13.Начало периода> больше <14.Конца периода>, строка 2",
      "Пачка 1 Декл 2 BALAN  поле <14.Конец периода> должна быть в диапазоне (01.01.1900-01.01.2200), строка 2"}},
    // January to March with a fourth ordinary row (all amounts 0, so every
    // sum still agrees).
    {"four_rows_for_three_months",
     [](OldPackage& p) {
       p.sd.insert(p.sd.begin() + 3,
                   {"1", "1", "4", "0.00", "0.00", "23", "0.00", "0.00", "6", "0.00", "0.00", "0.00"});
     },
     {"Пачка 1 Декл 1 ARNAUT  поле <13.Начало периода> ВНИМАНИЕ! Кол-во месяцев в REV5_SD не соответствует "
      "периоду, строка 1"}},
    {"two_rows_for_three_months_pass", [](OldPackage& p) { p.na[2][old_na::NA_PERIOD_END] = "31.03.2025"; }, {}},
    {"doc_type_zero_in_type_5",
     [](OldPackage& p) { p.na[0][old_na::NA_DOC_TYPE] = "0"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <15.Тип документа> не должно равнятся нулю, строка 1"}},
    {"doc_type_unknown",
     [](OldPackage& p) { p.na[0][old_na::NA_DOC_TYPE] = "9"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <15.Тип документа> не соответствует коду из справочника, строка 1"}},
    {"doc_type_empty_in_type_5_passes", [](OldPackage& p) { p.na[0][old_na::NA_DOC_TYPE] = ""; }, {}},
    {"doc_type_empty_in_type_6",
     [](OldPackage& p) {
       p.pl[0][old_pl::PL_KDT] = "6";
       p.na[2][old_na::NA_IS_PENS] = "N";
       p.na[0][old_na::NA_DOC_TYPE] = "";
     },
     {"Пачка 1 Декл 1 ARNAUT  поле <15.Тип документа> не заполнено, строка 1"}},
    {"issued_tomorrow",
     [](OldPackage& p) { p.na[0][old_na::NA_IDNP_DT] = "09.12.2026"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <19.Дата выдачи> больше текущей даты, строка 1"}},
    {"issued_empty_passes", [](OldPackage& p) { p.na[0][old_na::NA_IDNP_DT] = ""; }, {}},
    {"work_book_lower_case",
     [](OldPackage& p) { p.na[0][old_na::NA_WB_IN_EA] = "y"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <20.Труд.книжка у ЭА> должно быть Y или N, строка 1"}},
    {"work_book_number_letters",
     [](OldPackage& p) { p.na[0][old_na::NA_WB_NUMBER] = "12A4581"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <22.Номер трудовой книжки> содержит недопустимые символы - не цифры, строка 1"}},
    {"director_empty",
     [](OldPackage& p) { p.na[0][old_na::NA_DIRECTOR_NAME] = ""; },
     {"Пачка 1 Декл 1 ARNAUT  поле <28.ФИО руководителя> не заполнено, строка 1"}},
    {"accountant_digits",
     [](OldPackage& p) { p.na[0][old_na::NA_ACC_NAME] = "CIOBANU 2"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <29.ФИО бухгалтера> содержит недопустимый символ, строка 1"}},
    // The employer's contributions are the transferred total less the expenses.
    {"employer_payment_without_expenses",
     [](OldPackage& p) { p.na[0][old_na::NA_EA_PAYMENT] = "667.00"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <23.Взносы работодателя> с ошибкой. Разность=20.00 ,cтрока 1"}},
    {"person_payment_off",
     [](OldPackage& p) { p.na[1][old_na::NA_AP_PAYMENT] = "306.00"; },
     {"Пачка 1 Декл 2 BALAN  поле <24.Взносы ЗЛ> с ошибкой. Разность=0.01 ,cтрока 2"}},
    {"expense_sum_off",
     [](OldPackage& p) { p.na[2][old_na::NA_SUM] = "0.00"; },
     {"Пачка 1 Декл 3 ROTARU  поле <27.Сумма расходов> с ошибкой. Разность=300.00 ,cтрока 3"}},
    // Declaration 3 carries declaration 1's CPAS, written differently: codes
    // compare as numbers and print whole.
    {"duplicate_cpas",
     [](OldPackage& p) { p.na[2][old_na::NA_CPAS] = "20479130152.0"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <5.Код CPAS> ВНИМАНИЕ! Дублирование. CPAS= 20479130152",
      "Пачка 1 Декл 3 ROTARU  поле <5.Код CPAS> ВНИМАНИЕ! Дублирование. CPAS= 20479130152"}},
    {"zero_cpas_twice_is_no_duplicate",
     [](OldPackage& p) { p.na[0][old_na::NA_CPAS] = "0", p.na[1][old_na::NA_CPAS] = "0"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <5.Код CPAS>  равен нулю., строка 1",
      "Пачка 1 Декл 2 BALAN  поле <5.Код CPAS>  равен нулю., строка 2"}},
    // The walk's start value is no CPAS of any declaration.
    {"single_cpas_999111_meets_the_starting_value",
     [](OldPackage& p) { p.na[0][old_na::NA_CPAS] = "999111"; },
     {"Пачка  Декл    поле <5.Код CPAS> ВНИМАНИЕ! Дублирование. CPAS= 999111",
      "Пачка 1 Декл 1 ARNAUT  поле <5.Код CPAS> ВНИМАНИЕ! Дублирование. CPAS= 999111"}},
    {"duplicate_idnp",
     [](OldPackage& p) { p.na[2][old_na::NA_IDNP] = "2002001234567"; },
     {"Пачка 1 Декл 3 ROTARU  поле <9.Номер IDNP> ВНИМАНИЕ! Дублирование."}},
    {"empty_idnp_twice_passes",
     [](OldPackage& p) { p.na[0][old_na::NA_IDNP] = "", p.na[1][old_na::NA_IDNP] = ""; },
     {}},
};
INSTANTIATE_TEST_SUITE_P(AnnualOldDeclarations, AnnualOldRules, ::testing::ValuesIn(kDeclarationCases), CaseName);

// ----- REV5_SD ------------------------------------------------------------------

const MutationCase kMonthlyCases[] = {
    {"tariff_written_as_decimal_passes", [](OldPackage& p) { p.sd[0][old_sd::SD_TARIF_EA] = "23.0"; }, {}},
    {"employer_tariff_unknown",
     [](OldPackage& p) { p.sd[0][old_sd::SD_TARIF_EA] = "24"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <6.Тариф ЭА> не соответствует коду из справочника, строка 1"}},
    {"employer_tariff_zero",
     [](OldPackage& p) { p.sd[0][old_sd::SD_TARIF_EA] = "0"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <6.Тариф ЭА>  = 0. Должно быть заполнено из классификатора., строка 1"}},
    {"employer_tariff_empty",
     [](OldPackage& p) { p.sd[1][old_sd::SD_TARIF_EA] = ""; },
     {"Пачка 1 Декл 1 ARNAUT  поле <6.Тариф ЭА> не заполнено, строка 2",
      "Пачка 1 Декл 1 ARNAUT  поле <6.Тариф ЭА>  = 0. Должно быть заполнено из классификатора., строка 2"}},
    {"person_tariff_unknown",
     [](OldPackage& p) { p.sd[4][old_sd::SD_TARIF_AP] = "7"; },
     {"Пачка 1 Декл 2 BALAN  поле <9.Тариф ЗЛ> не соответствует коду из справочника, строка 5"}},
    {"person_tariff_zero",
     [](OldPackage& p) { p.sd[4][old_sd::SD_TARIF_AP] = "0"; },
     {"Пачка 1 Декл 2 BALAN  поле <9.Тариф ЗЛ>  = 0. Должно быть заполнено из классификатора., строка 5"}},
    {"total_row_tariffs_zero_pass",
     [](OldPackage& p) { p.sd[3][old_sd::SD_TARIF_EA] = "0", p.sd[3][old_sd::SD_TARIF_AP] = "0"; },
     {}},
    {"month_unknown_after_total",
     [](OldPackage& p) { p.sd[2][old_sd::SD_MONTH] = "14"; },
     // The declaration's sums run from the total row on, so month 14 counts;
     // the total row lacks March.
     {"Пачка 1 Декл 1 ARNAUT  поле <23.Взносы работодателя> с ошибкой. Разность=230.00 ,cтрока 1",
      "Пачка 1 Декл 1 ARNAUT  поле <24.Взносы ЗЛ> с ошибкой. Разность=60.00 ,cтрока 1",
      "Пачка 1 Декл 1 ARNAUT  поле <3.Месяц> не соответствует коду из справочника, строка 3",
      "Пачка 1 Декл 1 ARNAUT  поле <4.Фонд оплаты> с ошибкой. Сумма по месяцам не равна итоговой. Разность=1000.00 ",
      "Пачка 1 Декл 1 ARNAUT  поле <7.Сумма, перечисленная ЭА> с ошибкой. Сумма по месяцам не равна итоговой. "
      "Разность=230.00 ",
      "Пачка 1 Декл 1 ARNAUT  поле <8.Сумма, начисленная ЭА> с ошибкой. Сумма по месяцам не равна итоговой. "
      "Разность=230.00 ",
      "Пачка 1 Декл 1 ARNAUT  поле <10.Сумма, перечисленная ЗЛ> с ошибкой. Сумма по месяцам не равна итоговой. "
      "Разность=60.00 ",
      "Пачка 1 Декл 1 ARNAUT  поле <11.Сумма, начисленная ЗЛ> с ошибкой. Сумма по месяцам не равна итоговой. "
      "Разность=60.00 "}},
    {"sick_pay_equal_to_fund_passes",
     [](OldPackage& p) { p.sd[1][old_sd::SD_PAYM_FOND] = "100.00", p.sd[3][old_sd::SD_PAYM_FOND] = "2100.00"; },
     {"Пачка 1 Декл    поле <10.Фонд оплаты> с ошибкой. Разность=900.00 ,cтрока 1"}},
    {"sick_pay_above_fund",
     [](OldPackage& p) { p.sd[1][old_sd::SD_PAYM_FOND] = "99.99", p.sd[3][old_sd::SD_PAYM_FOND] = "2099.99"; },
     {"Пачка 1 Декл    поле <10.Фонд оплаты> с ошибкой. Разность=900.01 ,cтрока 1",
      "Пачка 1 Декл 1 ARNAUT  поле <5.Больничные> больше, чем поле <Фонд оплаты> , строка 2"}},
    {"fund_negative",
     [](OldPackage& p) { p.sd[0][old_sd::SD_PAYM_FOND] = "-1000.00", p.sd[3][old_sd::SD_PAYM_FOND] = "1000.00"; },
     {"Пачка 1 Декл    поле <10.Фонд оплаты> с ошибкой. Разность=2000.00 ,cтрока 1",
      "Пачка 1 Декл 1 ARNAUT  поле <5.Больничные> больше, чем поле <Фонд оплаты> , строка 1",
      "Пачка 1 Декл 1 ARNAUT  поле <4.Фонд оплаты> не должно быть отрицательной суммой, строка 1"}},
    // Rule of 2006 on the transferred sum, by the declaration's year: 153.00
    // passes, 153.01 does not.
    {"transfer_cap_2006",
     [](OldPackage& p) { p.na[1][old_na::NA_YEAR] = "2006"; },
     {"Пачка 1 Декл 2 BALAN  поле <10.Сумма, перечисленная ЗЛ> превышение лимита взносов (>153.00)., строка 6"}},
    // Caps on the accrued sum, by the pack's year, in cents; the text ends
    // with the cap.
    {"accrual_cap_2006",
     [](OldPackage& p) { p.pl[0][old_pl::PL_YEAR] = "2006"; },
     {"Пачка 1 Декл 2 BALAN  поле <10.Сумма, перечисленная ЗЛ> превышение лимита взносов (>    153.00, строка 6"}},
    // 153.004 rounds to the cap's cents and passes.
    {"accrual_cap_2006_in_cents",
     [](OldPackage& p) { p.pl[0][old_pl::PL_YEAR] = "2006", p.sd[4][old_sd::SD_SUM_ADD_AP] = "153.004"; },
     {"Пачка 1 Декл 2 BALAN  поле <10.Сумма, перечисленная ЗЛ> превышение лимита взносов (>    153.00, строка 6"}},
    {"accrual_cap_2005",
     [](OldPackage& p) { p.pl[0][old_pl::PL_YEAR] = "2005"; },
     {"Пачка 1 Декл 2 BALAN  поле <10.Сумма, перечисленная ЗЛ> превышение лимита взносов (>     83.10, строка 5",
      "Пачка 1 Декл 2 BALAN  поле <10.Сумма, перечисленная ЗЛ> превышение лимита взносов (>     83.10, строка 6",
      "Пачка 1 Декл 3 ROTARU  поле <10.Сумма, перечисленная ЗЛ> превышение лимита взносов (>     83.10, строка 8"}},
    {"accrual_cap_2003",
     [](OldPackage& p) {
       p.pl[0][old_pl::PL_YEAR] = "2003";
       p.sd[0][old_sd::SD_SUM_ADD_AP] = "24.54";
       p.sd[1][old_sd::SD_SUM_ADD_AP] = "24.55";
       p.sd[2][old_sd::SD_SUM_ADD_AP] = "124.91";  // keeps the total of 174.00
     },
     {"Пачка 1 Декл 1 ARNAUT  поле <10.Сумма, перечисленная ЗЛ> превышение лимита взносов (>     24.54, строка 2",
      "Пачка 1 Декл 1 ARNAUT  поле <10.Сумма, перечисленная ЗЛ> превышение лимита взносов (>     24.54, строка 3",
      "Пачка 1 Декл 2 BALAN  поле <10.Сумма, перечисленная ЗЛ> превышение лимита взносов (>     24.54, строка 5",
      "Пачка 1 Декл 2 BALAN  поле <10.Сумма, перечисленная ЗЛ> превышение лимита взносов (>     24.54, строка 6",
      "Пачка 1 Декл 3 ROTARU  поле <10.Сумма, перечисленная ЗЛ> превышение лимита взносов (>     24.54, строка 8",
      "Пачка 1 Декл 3 ROTARU  поле <10.Сумма, перечисленная ЗЛ> превышение лимита взносов (>     24.54, строка 9"}},
    {"no_cap_2007_for_these_sums", [](OldPackage& p) { p.pl[0][old_pl::PL_YEAR] = "2007"; }, {}},
    {"no_cap_2008", [](OldPackage& p) { p.pl[0][old_pl::PL_YEAR] = "2008", p.na[1][old_na::NA_YEAR] = "2008"; }, {}},
    // Amounts on both sides of the last cap (2007) and the same amounts in
    // 2008, which has none; BALAN's total stays 306.01.
    {"accrual_cap_2007_at_the_cap",
     [](OldPackage& p) {
       p.pl[0][old_pl::PL_YEAR] = "2007";
       p.sd[4][old_sd::SD_SUM_ADD_AP] = "64.21";
       p.sd[5][old_sd::SD_SUM_ADD_AP] = "241.80";
     },
     {}},
    {"accrual_cap_2007_above",
     [](OldPackage& p) {
       p.pl[0][old_pl::PL_YEAR] = "2007";
       p.sd[4][old_sd::SD_SUM_ADD_AP] = "64.20";
       p.sd[5][old_sd::SD_SUM_ADD_AP] = "241.81";
     },
     {"Пачка 1 Декл 2 BALAN  поле <10.Сумма, перечисленная ЗЛ> превышение лимита взносов (>    241.80, строка 6"}},
    {"no_cap_2008_above_the_2007_cap",
     [](OldPackage& p) {
       p.pl[0][old_pl::PL_YEAR] = "2008";
       p.sd[4][old_sd::SD_SUM_ADD_AP] = "64.20";
       p.sd[5][old_sd::SD_SUM_ADD_AP] = "241.81";
     },
     {}},
    // A second total row: the pack and the declaration count both.
    {"total_row_twice",
     [](OldPackage& p) { p.sd.push_back(p.sd[3]); },
     {"Пачка 1 Декл    поле <10.Фонд оплаты> с ошибкой. Разность=3000.00 ,cтрока 1",
      "Пачка 1 Декл    поле <11.Больничные> с ошибкой. Разность=100.00 ,cтрока 1",
      "Пачка 1 Декл    поле <12.Сумма, перечисленная ЭА> с ошибкой. Разность=667.00 ,cтрока 1",
      "Пачка 1 Декл    поле <13.Сумма, начисленная ЭА> с ошибкой. Разность=667.00 ,cтрока 1",
      "Пачка 1 Декл    поле <14.Сумма, перечисленная ЗЛ> с ошибкой. Разность=174.00 ,cтрока 1",
      "Пачка 1 Декл    поле <15.Сумма, начисленная ЗЛ> с ошибкой. Разность=174.00 ,cтрока 1",
      "Пачка 1 Декл 1 ARNAUT  поле <23.Взносы работодателя> с ошибкой. Разность=667.00 ,cтрока 1",
      "Пачка 1 Декл 1 ARNAUT  поле <24.Взносы ЗЛ> с ошибкой. Разность=174.00 ,cтрока 1",
      "Пачка 1 Декл 1 ARNAUT  поле <> итог (13) два раза, строка 11"}},
    {"total_row_missing",
     [](OldPackage& p) { p.sd.erase(p.sd.begin() + 9); },
     {"Пачка 1 Декл    поле <10.Фонд оплаты> с ошибкой. Разность=3000.00 ,cтрока 1",
      "Пачка 1 Декл    поле <11.Больничные> с ошибкой. Разность=300.00 ,cтрока 1",
      "Пачка 1 Декл    поле <12.Сумма, перечисленная ЭА> с ошибкой. Разность=621.00 ,cтрока 1",
      "Пачка 1 Декл    поле <13.Сумма, начисленная ЭА> с ошибкой. Разность=621.00 ,cтрока 1",
      "Пачка 1 Декл    поле <14.Сумма, перечисленная ЗЛ> с ошибкой. Разность=162.00 ,cтрока 1",
      "Пачка 1 Декл    поле <15.Сумма, начисленная ЗЛ> с ошибкой. Разность=162.00 ,cтрока 1",
      "Пачка 1 Декл 3 ROTARU  поле <23.Взносы работодателя> с ошибкой. Разность=621.00 ,cтрока 3",
      "Пачка 1 Декл 3 ROTARU  поле <24.Взносы ЗЛ> с ошибкой. Разность=162.00 ,cтрока 3",
      "Пачка 1 Декл 3 ROTARU  поле <> пропущена итоговая строка с кодом месяца \"13\"., строка 9"}},
    {"row_of_unknown_declaration_and_pack",
     [](OldPackage& p) {
       p.sd.push_back({"9", "2", "1", "0.00", "0.00", "23", "0.00", "0.00", "6", "0.00", "0.00", "0.00"});
     },
     {"Пачка 2 Декл 9   поле <1.Номер декларации,2.Номер пачки> отсутствует в файле REV5_NA, строка 11",
      "Пачка 2 Декл 9   поле <2.Номер пачки> отсутствует в файле REV5_PL, строка 11",
      "Пачка 2 Декл 9   поле <> пропущена итоговая строка с кодом месяца \"13\"., строка 11"}},
};
INSTANTIATE_TEST_SUITE_P(AnnualOldMonthlyRows, AnnualOldRules, ::testing::ValuesIn(kMonthlyCases), CaseName);

// ----- REV5_DI ------------------------------------------------------------------

const MutationCase kPositionCases[] = {
    {"declaration_unknown",
     [](OldPackage& p) { p.di[0][old_di::SI_NA] = "9"; },
     {"Пачка 1 Декл 9   поле <1.Номер декларации> отсутствует в файле REV5_NA, строка 1"}},
    // A position finds its declaration by number alone.
    {"pack_unknown",
     [](OldPackage& p) { p.di[1][old_di::SI_PL] = "5"; },
     {"Пачка 5 Декл 2 BALAN  поле <2.Номер пачки> отсутствует в файле REV5_PL, строка 2"}},
    {"date_tomorrow",
     [](OldPackage& p) { p.di[2][old_di::SI_DATE] = "09.12.2026"; },
     {"Пачка 1 Декл 3 ROTARU  поле <3.Дата> больше текущей даты, строка 3"}},
    {"date_empty",
     [](OldPackage& p) { p.di[2][old_di::SI_DATE] = ""; },
     {"Пачка 1 Декл 3 ROTARU  поле <3.Дата> не заполнено, строка 3",
      "Пачка 1 Декл 3 ROTARU  поле <3.Дата> должна быть в диапазоне (01.01.1900-01.01.2200), строка 3"}},
    {"position_unknown",
     [](OldPackage& p) { p.di[0][old_di::SI_POSITION] = "999999"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <4.Должность> не соответствует коду из справочника, строка 1"}},
    {"rank_unknown",
     [](OldPackage& p) { p.di[1][old_di::SI_RANGE] = "77"; },
     {"Пачка 1 Декл 2 BALAN  поле <5.Чин_и_класс> не соответствует коду из справочника, строка 2"}},
    {"no_positions_pass", [](OldPackage& p) { p.di.clear(); }, {}},
};
INSTANTIATE_TEST_SUITE_P(AnnualOldPositions, AnnualOldRules, ::testing::ValuesIn(kPositionCases), CaseName);

// ----- REV5_MU ------------------------------------------------------------------

const MutationCase kExpenseCases[] = {
    {"code_unknown",
     [](OldPackage& p) { p.mu[0][old_mu::MU_CODE] = "5"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <3.Код расходов> не соответствует коду из справочника, строка 1"}},
    {"only_total",
     [](OldPackage& p) { p.mu[0][old_mu::MU_1 + 1] = "0.00"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <> отсутствуют расходы по месяцам, введен только итог, строка 1",
      "Пачка 1 Декл 1 ARNAUT  поле <5.Февраль> с ошибкой. Сумма по месяцам не равна итоговой. Разность=20.00 "}},
    {"nothing_at_all",
     [](OldPackage& p) { p.mu[0][old_mu::MU_1 + 1] = "0.00", p.mu[0][old_mu::MU_13] = "0.00"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <> отсутствуют расходы по месяцам, введен только итог, строка 1",
      "Пачка 1 Декл 1 ARNAUT  поле <5.Февраль> с ошибкой. Сумма по месяцам не равна итоговой. Разность=20.00 ",
      "Пачка 1 Декл 1 ARNAUT  поле <16.Всего> с ошибкой. Сумма по месяцам не равна итоговой. Разность=20.00 "}},
    {"total_within_half_a_cent", [](OldPackage& p) { p.mu[1][old_mu::MU_1 + 1] = "20.005"; }, {}},
    {"total_off_by_a_cent",
     [](OldPackage& p) { p.mu[1][old_mu::MU_1 + 1] = "20.01"; },
     {"Пачка 1 Декл 1 ARNAUT  поле <5.Февраль> с ошибкой. Сумма по месяцам не равна итоговой. Разность=0.01 "}},
    {"total_twice",
     [](OldPackage& p) { p.mu.push_back(p.mu[1]); },
     {"Пачка 1 Декл    поле <16.Всего расходов> с ошибкой. Разность=20.00 ,cтрока 1",
      "Пачка 1 Декл 1 ARNAUT  поле <23.Взносы работодателя> с ошибкой. Разность=20.00 ,cтрока 1",
      "Пачка 1 Декл 1 ARNAUT  поле <27.Сумма расходов> с ошибкой. Разность=20.00 ,cтрока 1",
      "Пачка 1 Декл 1 ARNAUT  поле <> вторая строка с кодом расходов \"99\" - ошибка, строка 5"}},
    {"total_missing",
     [](OldPackage& p) { p.mu.erase(p.mu.begin() + 3); },
     {"Пачка 1 Декл    поле <16.Всего расходов> с ошибкой. Разность=300.00 ,cтрока 1",
      "Пачка 1 Декл 3 ROTARU  поле <23.Взносы работодателя> с ошибкой. Разность=300.00 ,cтрока 3",
      "Пачка 1 Декл 3 ROTARU  поле <27.Сумма расходов> с ошибкой. Разность=300.00 ,cтрока 3",
      "Пачка 1 Декл 3 ROTARU  поле <> отсутствует итоговая запись с кодом расходов \"99\"., строка 3"}},
    {"row_of_unknown_declaration",
     [](OldPackage& p) { p.mu.push_back(ExpenseRow("9", "1", 3, "5.00")); },
     {"Пачка 1 Декл 9   поле <1.Номер декларации,2.Номер пачки> отсутствует в файле REV5_NA, строка 5",
      "Пачка 1 Декл 9   поле <> отсутствует итоговая запись с кодом расходов \"99\"., строка 5"}},
};
INSTANTIATE_TEST_SUITE_P(AnnualOldExpenses, AnnualOldRules, ::testing::ValuesIn(kExpenseCases), CaseName);

// ----- whole files ------------------------------------------------------------------

TEST(AnnualOldEmptyFiles, ReportEmptyPacksAndDeclarations) {
  RuleHarness h(Variant::AnnualOld);
  OldPackage p;
  std::vector<std::string> faults = RunPackage(h, p);
  EXPECT_EQ(faults, (std::vector<std::string>{"Внимание ошибка! отсутствуют данные (файл пустой)",
                                              "Внимание ошибка! отсутствуют данные (файл пустой)",
                                              "Внимание ошибка! отсутствуют данные (файл пустой)"}));
  std::vector<std::string> lines = h.AllLines();
  std::vector<std::string> tail = LinesFrom(lines, "fisierul REV5_PL");
  ASSERT_GE(tail.size(), 2u);
  EXPECT_EQ(tail[1], "Внимание ошибка! отсутствуют данные (файл пустой)");
  std::vector<std::string> closing = LinesFrom(lines, "Экономический Агент  ");
  EXPECT_EQ(closing, (std::vector<std::string>{"Экономический Агент  ", "Количество пачек в пакете: 0",
                                               "Проверено электронных деклараций : 0"}));
}

TEST(AnnualOldClosingLine, NamesThePackWithTheHighestNumber) {
  RuleHarness h(Variant::AnnualOld);
  OldPackage p = ValidPackage();
  // Pack 2, first in the file, holds nothing; the walk in pack number order
  // ends on it, so its code names the agent although pack 1 is the last row.
  p.pl.insert(p.pl.begin(), {"2", "12", "1234567", "5", "20.02.2026", "CIOBANU VERONICA", "0", "0", "2025", "0.00",
                             "0.00", "0.00", "0.00", "0.00", "0.00", "0.00"});
  p.pl[0][old_pl::PL_NKSS] = "1299999";
  std::vector<std::string> faults = RunPackage(h, p);
  EXPECT_EQ(faults, std::vector<std::string>{
                        "Пачка 2 Декл    поле <3.Код НКСС ЭА> не совпадает с кодом из наименования файла-архива "
                        "пакета, строка 1"});
  std::vector<std::string> closing = LinesFrom(h.AllLines(), "Экономический Агент  1299999");
  EXPECT_EQ(closing, (std::vector<std::string>{"Экономический Агент  1299999", "Количество пачек в пакете: 2",
                                               "Проверено электронных деклараций : 3"}));
}

TEST(AnnualOldLoader, RejectsCpasWithLetters) {
  RuleHarness h(Variant::AnnualOld);
  OldPackage p = ValidPackage();
  p.na[0][old_na::NA_CPAS] = "2047913015A";
  std::vector<std::string> faults = RunPackage(h, p);
  // The field stays empty, so a type-5 pack finds it not filled.
  EXPECT_EQ(faults, std::vector<std::string>{"Пачка 1 Декл 1 ARNAUT  поле <5.Код CPAS> не заполнено, строка 1"});
  std::vector<std::string> lines = h.AllLines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
    return l.find("Ошибка: неверный тип данных. Поле <5.Код CPAS>,строка 1") != std::string::npos;
  })) << "no data-type line for the CPAS";
}

TEST(AnnualOldFindings, CarryStableRuleIds) {
  RuleHarness h(Variant::AnnualOld);
  OldPackage p = ValidPackage();
  p.sd[3][old_sd::SD_TARIF_EA] = "0";  // a total row: no finding
  p.sd[0][old_sd::SD_TARIF_EA] = "0";
  p.mu.push_back(p.mu[1]);
  RunPackage(h, p);
  std::vector<std::string> rules;
  for (const ProtocolLine& l : h.protocol.lines()) {
    if (l.finding && l.finding->section != "load") rules.push_back(l.finding->rule);
  }
  EXPECT_EQ(rules, (std::vector<std::string>{"annual-old.pl.expense-total-matches-declarations",
                                             "annual-old.na.employer-payment-matches-months",
                                             "annual-old.na.expenses-match-mu", "annual-old.sd.tariff-ea-not-zero",
                                             "annual-old.mu.total-row-once"}));
}

// Rules no exact-line case draws, each by the one-field change that breaks it;
// the finding's rule id is asserted, the wording is pinned elsewhere.
struct RuleIdCase {
  const char* name;
  std::function<void(OldPackage&)> mutate;
  std::string rule;
};

class AnnualOldRuleIds : public ::testing::TestWithParam<RuleIdCase> {};

TEST_P(AnnualOldRuleIds, TheChangeDrawsTheRule) {
  OldPackage p = ValidPackage();
  GetParam().mutate(p);
  RuleHarness h(Variant::AnnualOld);
  RunPackage(h, p);
  std::vector<std::string> rules;
  for (const ProtocolLine& l : h.protocol.lines()) {
    if (l.finding) rules.push_back(l.finding->rule);
  }
  EXPECT_NE(std::find(rules.begin(), rules.end(), GetParam().rule), rules.end()) << ::testing::PrintToString(rules);
}

const RuleIdCase kRuleIdCases[] = {
    {"pack_number_empty", [](OldPackage& p) { p.pl[0][old_pl::PL_NUM_IN_EA] = ""; }, "annual-old.pl.number-filled"},
    {"declaration_id_empty", [](OldPackage& p) { p.na[0][old_na::NA_ID] = ""; }, "annual-old.na.id-filled"},
    {"first_name_lower_case", [](OldPackage& p) { p.na[0][old_na::NA_FIRST_NAME] = "Victor"; },
     "annual-old.na.first-name-characters"},
    {"director_lower_case", [](OldPackage& p) { p.na[0][old_na::NA_DIRECTOR_NAME] = "Munteanu"; },
     "annual-old.na.director-characters"},
    {"issued_in_1800", [](OldPackage& p) { p.na[0][old_na::NA_IDNP_DT] = "22.05.1800"; },
     "annual-old.na.issued-in-range"},
    {"saldo_declaration_empty", [](OldPackage& p) { p.sd[0][old_sd::SD_NA] = ""; }, "annual-old.sd.declaration-filled"},
    {"saldo_sick_leave_negative", [](OldPackage& p) { p.sd[0][old_sd::SD_ILL] = "-1.00"; },
     "annual-old.sd.ill-not-negative"},
    {"stage_declaration_empty", [](OldPackage& p) { p.di[0][old_di::SI_NA] = ""; }, "annual-old.di.declaration-filled"},
    {"expense_declaration_empty", [](OldPackage& p) { p.mu[0][old_mu::MU_NA] = ""; },
     "annual-old.mu.declaration-filled"},
    {"expense_pack_empty", [](OldPackage& p) { p.mu[0][old_mu::MU_PL] = ""; }, "annual-old.mu.pack-filled"},
    {"expense_pack_unknown", [](OldPackage& p) { p.mu[0][old_mu::MU_PL] = "9"; }, "annual-old.mu.pack-in-pl"},
    {"expense_code_empty", [](OldPackage& p) { p.mu[0][old_mu::MU_CODE] = ""; }, "annual-old.mu.code-filled"},
};

INSTANTIATE_TEST_SUITE_P(Cases, AnnualOldRuleIds, ::testing::ValuesIn(kRuleIdCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The sections run side by side. With a fault in each and fault-line limits
// that fall inside and between them, one thread and two write the same
// protocol, the closing lines (the agent, the pack and declaration counts
// the sections hand back) included.
TEST(AnnualOldSideBySide, OneThreadAndTwoWriteTheSameProtocol) {
  OldPackage p = ValidPackage();
  p.pl[0][old_pl::PL_TKSS] = "13";
  p.na[0][old_na::NA_LAST_NAME] = "Arnaut";
  p.sd[2][old_sd::SD_MONTH] = "14";
  p.di[0][old_di::SI_NA] = "9";
  p.mu.push_back(ExpenseRow("9", "1", 2, "20.00"));
  std::size_t faults = 0;
  auto run = [&](std::size_t limit, const char* threads) {
    setenv("ZENTROX_THREADS", threads, 1);
    RuleHarness h(Variant::AnnualOld);
    h.protocol.SetMaxFaultLines(limit);
    faults = RunPackage(h, p).size();
    unsetenv("ZENTROX_THREADS");
    std::vector<std::string> lines = h.AllLines();
    lines.erase(lines.begin());  // the date and time of the run
    for (std::string& line : lines) {
      for (std::size_t at; (at = line.find(h.dir.path())) != std::string::npos;)
        line.replace(at, h.dir.path().size(), "WD/");
    }
    return lines;
  };
  run(100000, "1");
  ASSERT_GE(faults, 5u);
  for (std::size_t limit : {1, 2, 3, 5, 100000}) {
    const std::vector<std::string> serial = run(limit, "1");
    for (int round = 0; round < 3; ++round) EXPECT_EQ(run(limit, "2"), serial) << "limit " << limit;
  }
}

}  // namespace
}  // namespace zentrox
