// Quarterly section REV5_NA: the declaration rules and the three whole-file
// passes, as one-field mutations of a valid package.
#include <gtest/gtest.h>

#include "new_format_test_package.h"

namespace zentrox::test {
namespace {

void Document(Package& p, int row, const std::string& type, const std::string& idnp, const std::string& seria,
              const std::string& number) {
  Fields& f = p.na[static_cast<std::size_t>(row)];
  f[na::NA_DOC_TYPE] = type;
  f[na::NA_IDNP] = idnp;
  f[na::NA_DOC_SERIA] = seria;
  f[na::NA_DOC_NUMBER] = number;
}

const std::vector<MutationCase> kDeclarationCases = {
    // Declaration 1 loses its number: its monthly rows find no declaration.
    {"declaration_number_empty",
     [](Package& p) { p.na[0][na::NA_ID] = ""; },
     {"Пачка 1 Декл  POPESCU  поле <1.Номер декларации> не заполнено, строка 1",
      "Пачка 1 Декл  POPESCU  поле <> данные отсутствуют в файле REV5_SD, строка 1",
      "Пачка 1 Декл 1   поле <1.Номер декларации,2.Номер пачки> отсутствует в файле REV5_NA, строка 1",
      "Пачка 1 Декл 1   поле <1.Номер декларации,2.Номер пачки> отсутствует в файле REV5_NA, строка 2",
      "Пачка 1 Декл 1   поле <1.Номер декларации,2.Номер пачки> отсутствует в файле REV5_NA, строка 3",
      "Пачка 1 Декл 1   поле <1.Номер декларации,2.Номер пачки> отсутствует в файле REV5_NA, строка 4"}},
    {"pack_not_in_ip",
     [](Package& p) { p.na[1][na::NA_PL] = "2"; },
     {"Пачка 2 Декл 2 RUSU  поле <2.Номер пачки> отсутствует в файле REV5_IP, строка 2",
      "Пачка 2 Декл 2 RUSU  поле <> данные отсутствуют в файле REV5_SD, строка 2",
      "Пачка 1  количество деклараций в файле rev5_na не совпадает с объявленным в файле rev5_ip ",
      "Пачка 2  количество деклараций в файле rev5_na не совпадает с объявленным в файле rev5_ip ",
      "Пачка 1 Декл 2   поле <1.Номер декларации,2.Номер пачки> отсутствует в файле REV5_NA, строка 5",
      "Пачка 1 Декл 2   поле <1.Номер декларации,2.Номер пачки> отсутствует в файле REV5_NA, строка 6"}},
    {"cpas_empty",
     [](Package& p) { p.na[0][na::NA_CPAS] = ""; },
     {"Пачка 1 Декл 1 POPESCU  поле <3.Код CPAS>  не заполнен. Обязательный параметр для ежеквартальных "
      "деклараций, строка 1"}},
    {"cpas_ten_digits",
     [](Package& p) { p.na[0][na::NA_CPAS] = "1234567890"; },
     {"Пачка 1 Декл 1 POPESCU  поле <3.Код CPAS> не содержит 11 знаков., строка 1"}},
    {"cpas_with_letter",
     [](Package& p) { p.na[0][na::NA_CPAS] = "1234567890A"; },
     {"Пачка 1 Декл 1 POPESCU  поле <3.Код CPAS> содержит недопустимые символы - не цифры, строка 1"}},
    {"no_identity_at_all",
     [](Package& p) { Document(p, 0, "1", "", "", ""), p.na[0][na::NA_CPAS] = ""; },
     {"Пачка 1 Декл 1 POPESCU  поле <3.Код CPAS>  не заполнен. Обязательный параметр для ежеквартальных "
      "деклараций, строка 1",
      "Пачка 1 Декл 1 POPESCU  поле <8.Номер IDNP> должен быть заполнен, при типе документа "
      "=1,12,13,14,22,23,24,25,26, строка 1",
      "Пачка 1 Декл 1 POPESCU  поле <3.Код CPAS> пустой, то должны быть заполнены паспортные данные, строка 1"}},
    {"last_name_lower_case",
     [](Package& p) { p.na[0][na::NA_LAST_NAME] = "Popescu"; },
     {"Пачка 1 Декл 1 Popescu  поле <4.Фамилия> содержит недопустимый символ, строка 1"}},
    {"last_name_empty",
     [](Package& p) { p.na[0][na::NA_LAST_NAME] = ""; },
     {"Пачка 1 Декл 1   поле <4.Фамилия> не заполнено, строка 1"}},
    {"first_name_two_signs",
     [](Package& p) { p.na[0][na::NA_FIRST_NAME] = "IO-.N"; },
     {"Пачка 1 Декл 1 POPESCU  поле <5.Имя> содержит два знака подряд, строка 1"}},
    {"first_name_hyphen_and_blank", [](Package& p) { p.na[0][na::NA_FIRST_NAME] = "ANA-MARIA ION"; }, {}},
    {"middle_name_lower_case",
     [](Package& p) { p.na[1][na::NA_MIDDLE_NAME] = "ion"; },
     {"Пачка 1 Декл 2 RUSU  поле <6.Отчество> содержит недопустимый символ, строка 2"}},
    {"birth_1899",
     [](Package& p) { p.na[0][na::NA_BIRTH_DT] = "31.12.1899"; },
     {"Пачка 1 Декл 1 POPESCU  поле <7.Дата рождения> проверьте дату, строка 1"}},
    {"birth_1900", [](Package& p) { p.na[0][na::NA_BIRTH_DT] = "01.01.1900"; }, {}},
    {"birth_today", [](Package& p) { p.na[0][na::NA_BIRTH_DT] = "08.12.2026"; }, {}},
    {"birth_tomorrow",
     [](Package& p) { p.na[0][na::NA_BIRTH_DT] = "09.12.2026"; },
     {"Пачка 1 Декл 1 POPESCU  поле <7.Дата рождения> проверьте дату, строка 1"}},
    {"idnp_twelve_digits",
     [](Package& p) { p.na[0][na::NA_IDNP] = "200123456789"; },
     {"Пачка 1 Декл 1 POPESCU  поле <8.Номер IDNP> не содержит 13 знаков., строка 1"}},
    {"idnp_with_letter",
     [](Package& p) { p.na[0][na::NA_IDNP] = "200123456789X"; },
     {"Пачка 1 Декл 1 POPESCU  поле <8.Номер IDNP> содержит недопустимые символы - не цифры, строка 1"}},
    {"doc_type_unknown",
     [](Package& p) { p.na[0][na::NA_DOC_TYPE] = "5"; },
     {"Пачка 1 Декл 1 POPESCU  поле <9.Тип документа> не соответствует коду из справочника, строка 1"}},
    // A type of 0 is never accepted: with some document data it draws both
    // lines. The dictionary finds no 0, and a missing row reads 0, so the
    // code lookup itself passes.
    {"doc_type_zero_with_idnp_only",
     [](Package& p) { Document(p, 0, "0", "2001234567890", "", ""); },
     {"Пачка 1 Декл 1 POPESCU  поле <9.Тип документа> неправильно указан тип документа, строка 1",
      "Пачка 1 Декл 1 POPESCU  поле <9.Тип документа> не должен быть равен нулю, строка 1"}},
    {"doc_type_zero_with_all_data",
     [](Package& p) { Document(p, 0, "0", "2001234567890", "AB", "123"); },
     {"Пачка 1 Декл 1 POPESCU  поле <9.Тип документа> неправильно указан тип документа, строка 1"}},
    {"doc_type_zero_without_data",
     [](Package& p) { Document(p, 0, "0", "", "", ""); },
     {"Пачка 1 Декл 1 POPESCU  поле <9.Тип документа> не должен быть равен нулю, строка 1"}},
    {"doc_type_empty_with_series",
     [](Package& p) { Document(p, 0, "", "", "AB", ""); },
     {"Пачка 1 Декл 1 POPESCU  поле <9.Тип документа> неправильно указан тип документа, строка 1"}},
    {"doc_type_empty_with_idnp", [](Package& p) { Document(p, 0, "", "2001234567890", "", ""); }, {}},
    {"doc_type_13_without_idnp",
     [](Package& p) { Document(p, 0, "13", "", "", ""); },
     {"Пачка 1 Декл 1 POPESCU  поле <8.Номер IDNP> должен быть заполнен, при типе документа "
      "=1,12,13,14,22,23,24,25,26, строка 1"}},
    {"doc_type_2_with_idnp_and_series",
     [](Package& p) { Document(p, 0, "2", "2001234567890", "AB", ""); },
     {"Пачка 1 Декл 1 POPESCU  поле <9.Тип документа> = 2 или 3, код IDNP не должен быть заполнен или неверно "
      "заполнен тип документа, строка 1",
      "Пачка 1 Декл 1 POPESCU  поле <9.Тип документа> = 2 или 3, должны быть заполнены серия и номер документа, "
      "строка 1"}},
    {"doc_type_3_series_without_number",
     [](Package& p) { Document(p, 0, "3", "", "AB", ""); },
     {"Пачка 1 Декл 1 POPESCU  поле <9.Тип документа> = 2 или 3, должны быть заполнены серия и номер документа, "
      "строка 1"}},
    {"doc_type_2_complete", [](Package& p) { Document(p, 0, "2", "", "AB", "12345678"); }, {}},
    {"doc_type_4_without_number",
     [](Package& p) { Document(p, 0, "4", "", "", ""); },
     {"Пачка 1 Декл 1 POPESCU  поле <9.Тип документа> = 4, должен быть заполнен номер документа, строка 1"}},
    {"doc_number_nine_digits",
     [](Package& p) { Document(p, 0, "2", "", "AB", "123456789"); },
     {"Пачка 1 Декл 1 POPESCU  поле <11.Номер документа> длина превышает 8 символов, строка 1"}},
    {"doc_number_with_letter",
     [](Package& p) { Document(p, 0, "2", "", "AB", "12A"); },
     {"Пачка 1 Декл 1 POPESCU  поле <11.Номер документа> содержит недопустимые символы - не цифры, строка 1"}},
    {"issue_date_1949",
     [](Package& p) { p.na[1][na::NA_DOC_DT] = "31.12.1949"; },
     {"Пачка 1 Декл 2 RUSU  поле <13.Дата выдачи> проверьте дату, строка 2"}},
    {"issue_date_1950", [](Package& p) { p.na[1][na::NA_DOC_DT] = "01.01.1950"; }, {}},
    {"issue_date_today", [](Package& p) { p.na[1][na::NA_DOC_DT] = "08.12.2026"; }, {}},
    {"issue_date_tomorrow",
     [](Package& p) { p.na[1][na::NA_DOC_DT] = "09.12.2026"; },
     {"Пачка 1 Декл 2 RUSU  поле <13.Дата выдачи> проверьте дату, строка 2"}},
    // Duplicate CPAS: the remembered row first, then the current one.
    {"cpas_twice",
     [](Package& p) { p.na[1][na::NA_CPAS] = "12345678901"; },
     {"Пачка 1 Декл 1 POPESCU  поле <3.Код CPAS> ВНИМАНИЕ! Дублирование. CPAS= 12345678901",
      "Пачка 1 Декл 2 RUSU  поле <3.Код CPAS> ВНИМАНИЕ! Дублирование. CPAS= 12345678901"}},
    {"cpas_three_times",
     [](Package& p) {
       p.na[1][na::NA_CPAS] = "12345678901";
       AddDeclaration(p, "3", "12345678901", "LUNGU", "2001234567892", "9", "01.09.2026", "30.09.2026");
     },
     {"Пачка 1 Декл 1 POPESCU  поле <3.Код CPAS> ВНИМАНИЕ! Дублирование. CPAS= 12345678901",
      "Пачка 1 Декл 2 RUSU  поле <3.Код CPAS> ВНИМАНИЕ! Дублирование. CPAS= 12345678901",
      "Пачка 1 Декл 2 RUSU  поле <3.Код CPAS> ВНИМАНИЕ! Дублирование. CPAS= 12345678901",
      "Пачка 1 Декл 3 LUNGU  поле <3.Код CPAS> ВНИМАНИЕ! Дублирование. CPAS= 12345678901"}},
    {"cpas_zero_twice",
     [](Package& p) {
       p.na[0][na::NA_CPAS] = "0";
       p.na[1][na::NA_CPAS] = "0";
     },
     {"Пачка 1 Декл 1 POPESCU  поле <3.Код CPAS> не содержит 11 знаков., строка 1",
      "Пачка 1 Декл 2 RUSU  поле <3.Код CPAS> не содержит 11 знаков., строка 2"}},
    // The remembered code starts as "999111": a first code equal to it is a
    // duplicate of no row, and the remembered side prints empty.
    {"cpas_equal_to_start_marker",
     [](Package& p) {
       p.na[0][na::NA_CPAS] = "999111";
       p.na[1][na::NA_CPAS] = "999112";
     },
     {"Пачка 1 Декл 1 POPESCU  поле <3.Код CPAS> не содержит 11 знаков., строка 1",
      "Пачка 1 Декл 2 RUSU  поле <3.Код CPAS> не содержит 11 знаков., строка 2",
      "Пачка  Декл    поле <3.Код CPAS> ВНИМАНИЕ! Дублирование. CPAS= 999111",
      "Пачка 1 Декл 1 POPESCU  поле <3.Код CPAS> ВНИМАНИЕ! Дублирование. CPAS= 999111"}},
    {"idnp_twice",
     [](Package& p) { p.na[1][na::NA_IDNP] = "2001234567890"; },
     {"Пачка 1 Декл 2 RUSU  поле <8.Номер IDNP> ВНИМАНИЕ! Дублирование."}},
    {"idnp_empty_twice",
     [](Package& p) {
       Document(p, 0, "2", "", "AB", "1");
       Document(p, 1, "2", "", "AB", "2");
     },
     {}},
    // The last pack in NA_PL order is closed after the pass.
    {"pack_declares_three",
     [](Package& p) { p.ip[0][pl::PL_DOC_NUMBER] = "3"; },
     {"Пачка 1  количество деклараций в файле rev5_na не совпадает с объявленным в файле rev5_ip "}},
    {"empty_file",
     [](Package& p) {
       p.na.clear();
       p.ip[0][pl::PL_DOC_NUMBER] = "0";
     },
     {"Внимание ошибка! отсутствуют данные (файл пустой)",
      "Пачка 1 Декл 1   поле <1.Номер декларации,2.Номер пачки> отсутствует в файле REV5_NA, строка 1",
      "Пачка 1 Декл 1   поле <1.Номер декларации,2.Номер пачки> отсутствует в файле REV5_NA, строка 2",
      "Пачка 1 Декл 1   поле <1.Номер декларации,2.Номер пачки> отсутствует в файле REV5_NA, строка 3",
      "Пачка 1 Декл 1   поле <1.Номер декларации,2.Номер пачки> отсутствует в файле REV5_NA, строка 4",
      "Пачка 1 Декл 2   поле <1.Номер декларации,2.Номер пачки> отсутствует в файле REV5_NA, строка 5",
      "Пачка 1 Декл 2   поле <1.Номер декларации,2.Номер пачки> отсутствует в файле REV5_NA, строка 6"}},
};

class QuarterlyDeclarationTest : public ::testing::TestWithParam<MutationCase> {};

TEST_P(QuarterlyDeclarationTest, WritesExactlyTheExpectedFaults) {
  Package p = QuarterlyBaseline();
  GetParam().mutate(p);
  EXPECT_EQ(Part2FaultsOf(Variant::Quarterly, p, kQuarterlyArchive), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(QuarterlyNA, QuarterlyDeclarationTest, ::testing::ValuesIn(kDeclarationCases),
                         [](const auto& info) { return info.param.name; });

TEST(QuarterlyDeclaration, CountsDeclarationsForTheSummary) {
  RuleHarness h(Variant::Quarterly);
  QuarterlyBaseline().Write(h);
  ControlResult result = h.Run(kQuarterlyArchive);
  EXPECT_EQ(result.pack_count, 1);
  EXPECT_EQ(result.declaration_count, 2);
}

}  // namespace
}  // namespace zentrox::test
