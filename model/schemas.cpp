#include "model/schemas.h"

namespace zentrox {
namespace {

using F = FieldType;

FieldDef I(const char* n) { return {n, F::Integer, 0}; }
FieldDef R(const char* n) { return {n, F::Float, 0}; }
FieldDef D(const char* n) { return {n, F::Date, 0}; }
FieldDef S(const char* n, int size) { return {n, F::String, size}; }

std::vector<FieldDef> Fields(FileKind kind) {
  switch (kind) {
    case FileKind::T:
      return {I("TYPE_FORM"),   I("YEAR"),        I("TRIMESTR"),     S("KODTKSS", 20), S("REGNOM_EA", 10),
              S("KODF_EA", 13), S("FIO_EA", 100), D("FORMATION_DT"), I("PACKS_TOTAL"), R("PAYM_FOND"),
              R("ILL"),         R("SUM_AP"),      R("SUM_EA"),       R("SUM_TOTAL")};
    case FileKind::IP:
      return {R("PL_ID"),     I("PL_DOC_NUMBER"), R("PL_PAYM_FOND"), R("PL_ILL"),
              R("PL_SUM_AP"), R("PL_SUM_EA"),     R("PL_SUM_TOTAL")};
    case FileKind::NA:
      return {R("NA_ID"),
              R("NA_PL"),
              S("NA_CPAS", 11),
              S("NA_LAST_NAME", 50),
              S("NA_FIRST_NAME", 50),
              S("NA_MIDDLE_NAME", 50),
              D("NA_BIRTH_DT"),
              S("NA_IDNP", 13),
              I("NA_DOC_TYPE"),
              S("NA_DOC_SERIA", 9),
              S("NA_DOC_NUMBER", 13),
              S("NA_DOC_WHO", 20),
              D("NA_DOC_DT")};
    case FileKind::SD:
      return {R("SD_NA"),        R("SD_PL"),       I("SD_MONTH"),    I("SD_JOB_CODE"),  S("SD_CATEGORY", 5),
              I("SD_DAYS_WEEK"), D("SD_BEGIN_DT"), D("SD_END_DT"),   R("SD_PAYM_FOND"), R("SD_ILL"),
              R("SD_SUM_AP"),    R("SD_SUM_EA"),   R("SD_SUM_TOTAL")};
    case FileKind::PL:
      return {R("PL_NUM_IN_EA"),    S("PL_TKSS", 2),       S("PL_NKSS", 10),
              I("PL_KDT"),          D("PL_FORM_COMPL_DT"), S("PL_RESP_NAME_IN_EA", 50),
              I("PL_SHEET_AMOUNT"), I("PL_PAGES"),         I("PL_YEAR"),
              R("PL_PAYM_FOND"),    R("PL_ILL"),           R("PL_SUM_REAL_EA"),
              R("PL_SUM_ADD_EA"),   R("PL_SUM_REAL_AP"),   R("PL_SUM_ADD_AP"),
              R("PL_SUM_TOTAL")};
    case FileKind::NA_OLD:
      return {R("NA_ID"),
              R("NA_PL"),
              I("NA_YEAR"),
              I("NA_FORM_TYPE"),
              R("NA_CPAS"),
              S("NA_LAST_NAME", 50),
              S("NA_FIRST_NAME", 50),
              S("NA_MIDDLE_NAME", 50),
              S("NA_IDNP", 20),
              S("NA_IS_PENS", 1),
              S("NA_AP_CATEGORY", 14),
              D("NA_BIRTH_DT"),
              D("NA_PERIOD_BEGIN"),
              D("NA_PERIOD_END"),
              I("NA_DOC_TYPE"),
              S("NA_DOC_SERIA", 9),
              I("NA_DOC_NUMBER"),
              S("NA_IDNP_WHO", 20),
              D("NA_IDNP_DT"),
              S("NA_WB_IN_EA", 1),
              S("NA_WB_SERIA", 13),
              S("NA_WB_NUMBER", 13),
              R("NA_EA_PAYMENT"),
              R("NA_AP_PAYMENT"),
              R("NA_ILL"),
              R("NA_REST"),
              R("NA_SUM"),
              S("NA_DIRECTOR_NAME", 20),
              S("NA_ACC_NAME", 20)};
    case FileKind::SD_OLD:
      return {R("SD_NA"),       R("SD_PL"),          I("SD_MONTH"),       R("SD_PAYM_FOND"),
              R("SD_ILL"),      R("SD_TARIF_EA"),    R("SD_SUM_REAL_EA"), R("SD_SUM_ADD_EA"),
              R("SD_TARIF_AP"), R("SD_SUM_REAL_AP"), R("SD_SUM_ADD_AP"),  R("SD_PENS_FOND")};
    case FileKind::DI:
      return {R("SI_NA"),      R("SI_PL"), D("SI_DATE"), I("SI_POSITION"), I("SI_RANGE"), S("SI_DEPARTMENT", 50),
              S("SI_NOTE", 50)};
    case FileKind::MU: {
      std::vector<FieldDef> f = {R("MU_NA"), R("MU_PL"), I("MU_CODE")};
      static const char* kNames[] = {"MU_1", "MU_2", "MU_3",  "MU_4",  "MU_5",  "MU_6", "MU_7",
                                     "MU_8", "MU_9", "MU_10", "MU_11", "MU_12", "MU_13"};
      for (const char* n : kNames) f.push_back(R(n));
      return f;
    }
  }
  return {};
}

const char* TableName(FileKind kind) {
  switch (kind) {
    case FileKind::T: return "svod_info";
    case FileKind::IP:
    case FileKind::PL: return "pack_label";
    case FileKind::NA:
    case FileKind::NA_OLD: return "name_account";
    case FileKind::SD:
    case FileKind::SD_OLD: return "saldo_data";
    case FileKind::DI: return "stage_info";
    case FileKind::MU: return "money_util";
  }
  return "";
}

Table Dictionary(const char* table, FieldDef key) { return Table(table, {key}); }

}  // namespace

const char* FileName(FileKind kind) {
  switch (kind) {
    case FileKind::T: return "REV5_T";
    case FileKind::IP: return "REV5_IP";
    case FileKind::NA:
    case FileKind::NA_OLD: return "REV5_NA";
    case FileKind::SD:
    case FileKind::SD_OLD: return "REV5_SD";
    case FileKind::PL: return "REV5_PL";
    case FileKind::DI: return "REV5_DI";
    case FileKind::MU: return "REV5_MU";
  }
  return "";
}

const std::vector<std::string>& Captions(FileKind kind, CaptionSet set) {
  static const std::vector<std::string> kT = {
      "1.Тип формы",          "2.Отчетный год",         "3.Отчетный квартал",  "4.Код ТКСС",
      "5.Регистр. номер ЭА",  "6.Фискальный код ЭА",    "7.ФИО ответств.ЭА",   "8.Дата заполнения",
      "9.Общее кол-во пачек", "10.Общий фонд зарплаты", "11.Всего больничных", "12.Всего взносов застр.лица",
      "13.Всего взносов ЭА",  "14.Всего взносов"};
  static const std::vector<std::string> kTMonthly = [] {
    auto v = kT;
    v[2] = "3.Отчетный месяц";
    return v;
  }();
  static const std::vector<std::string> kIP = {
      "1.Номер пачки ЭА",       "2.Кол-во документов в пачке",        "3.Общий фонд зарплаты в пачке",
      "4.Больничные в пачке",   "5.Всего взносов застр.лица в пачке", "6.Всего взносов ЭА в пачке",
      "7.Всего взносов в пачке"};
  static const std::vector<std::string> kNA = {
      "1.Номер декларации", "2.Номер пачки",         "3.Код CPAS",    "4.Фамилия",       "5.Имя",
      "6.Отчество",         "7.Дата рождения",       "8.Номер IDNP",  "9.Тип документа", "10.Серия",
      "11.Номер документа", "12.Кем выдан документ", "13.Дата выдачи"};
  static const std::vector<std::string> kSD = {"1.Номер декларации",
                                               "2.Номер пачки",
                                               "3.Месяц",
                                               "4.Код занимаемой должности",
                                               "5.Категория застр.лица",
                                               "6.Рабочих дней в неделю",
                                               "7.Начальная дата работы в месяце",
                                               "8.Конечная дата работы в месяце",
                                               "9.Ежемесячный фонд зарплаты",
                                               "10.Ежемесячно больничные",
                                               "11.Ежемесячно взносов застр.лица",
                                               "12.Ежемесячно взносов ЭА",
                                               "13.Всего ежемесячно взносов"};
  static const std::vector<std::string> kPL = {"1.Номер пачки у ЭА",
                                               "2.Код ТКСС",
                                               "3.Код НКСС ЭА",
                                               "4.Тип документа",
                                               "5.Дата формирования пачки",
                                               "6.ФИО ответствен.ЭА",
                                               "7.Документов в пачке",
                                               "8.Всего листов в пачке",
                                               "9.Отчетный год",
                                               "10.Фонд оплаты",
                                               "11.Больничные",
                                               "12.Сумма, перечисленная ЭА",
                                               "13.Сумма, начисленная ЭА",
                                               "14.Сумма, перечисленная ЗЛ",
                                               "15.Сумма, начисленная ЗЛ",
                                               "16.Всего расходов"};
  static const std::vector<std::string> kNAOld = {"1.Номер декларации",
                                                  "2.Номер пачки",
                                                  "3.Отчетный год",
                                                  "4.Тип формы",
                                                  "5.Код CPAS",
                                                  "6.Фамилия",
                                                  "7.Имя",
                                                  "8.Отчество",
                                                  "9.Номер IDNP",
                                                  "10.Признак назн.пенсии",
                                                  "11.Категория ЗЛ",
                                                  "12.Дата рождения",
                                                  "13.Начало периода",
                                                  "14.Конец периода",
                                                  "15.Тип документа",
                                                  "16.Серия",
                                                  "17.Номер документа",
                                                  "18.Кем выдан документ",
                                                  "19.Дата выдачи",
                                                  "20.Труд.книжка у ЭА",
                                                  "21.Серия трудовой книжки",
                                                  "22.Номер трудовой книжки",
                                                  "23.Взносы работодателя",
                                                  "24.Взносы ЗЛ",
                                                  "25.Пособие в связи с пр.травмами и проф.забол.",
                                                  "26.Сумма для сан.леч.и отдыха",
                                                  "27.Сумма расходов",
                                                  "28.ФИО руководителя",
                                                  "29.ФИО бухгалтера"};
  static const std::vector<std::string> kSDOld = {"1.Номер декларации",
                                                  "2.Номер пачки",
                                                  "3.Месяц",
                                                  "4.Фонд оплаты",
                                                  "5.Больничные",
                                                  "6.Тариф ЭА",
                                                  "7.Сумма, перечисленная ЭА",
                                                  "8.Сумма, начисленная ЭА",
                                                  "9.Тариф ЗЛ",
                                                  "10.Сумма, перечисленная ЗЛ",
                                                  "11.Сумма, начисленная ЗЛ",
                                                  "12.Фонд для начисления пенсии"};
  static const std::vector<std::string> kDI = {"1.Номер декларации", "2.Номер пачки", "3.Дата",     "4.Должность",
                                               "5.Чин_и_класс",      "6.Департамент", "7.Основание"};
  static const std::vector<std::string> kMU = {
      "1.Номер декларации", "2.Номер пачки", "3.Код расходов", "4.Январь", "5.Февраль", "6.Март",
      "7.Апрель",           "8.Май",         "9.Июнь",         "10.Июль",  "11.Август", "12.Сентябрь",
      "13.Октябрь",         "14.Ноябрь",     "15.Декабрь",     "16.Всего"};
  switch (kind) {
    case FileKind::T: return set == CaptionSet::Monthly ? kTMonthly : kT;
    case FileKind::IP: return kIP;
    case FileKind::NA: return kNA;
    case FileKind::SD: return kSD;
    case FileKind::PL: return kPL;
    case FileKind::NA_OLD: return kNAOld;
    case FileKind::SD_OLD: return kSDOld;
    case FileKind::DI: return kDI;
    case FileKind::MU: return kMU;
  }
  return kT;
}

Table MakeTable(FileKind kind) { return Table(TableName(kind), Fields(kind)); }

NewFormatTables::NewFormatTables()
    : svod_info(MakeTable(FileKind::T)),
      pack_label(MakeTable(FileKind::IP)),
      name_account(MakeTable(FileKind::NA)),
      saldo_data(MakeTable(FileKind::SD)),
      money_util(MakeTable(FileKind::MU)),
      new_kategor("new_kategor", {S("ID_KATEG", 14), D("STARTDATE"), D("ENDDATE")}),
      new_prof("new_prof", {I("ID_PROF"), S("STATUS", 1)}),
      kategor(Dictionary("kategor", S("ID_KATEG", 14))),
      months(Dictionary("months", I("ID_MONTH"))),
      prof(Dictionary("prof", I("ID_PROF"))),
      raion(Dictionary("raion", S("ID_RAION", 2))),
      typeform(Dictionary("typeform", I("ID_FORM"))),
      viddoc(Dictionary("viddoc", I("ID_VDOC"))) {}

OldFormatTables::OldFormatTables()
    : pack_label(MakeTable(FileKind::PL)),
      name_account(MakeTable(FileKind::NA_OLD)),
      saldo_data(MakeTable(FileKind::SD_OLD)),
      stage_info(MakeTable(FileKind::DI)),
      money_util(MakeTable(FileKind::MU)),
      kategor(Dictionary("kategor", S("ID_KATEG", 14))),
      months(Dictionary("months", I("ID_MONTH"))),
      prof(Dictionary("prof", I("ID_PROF"))),
      raion(Dictionary("raion", S("ID_RAION", 2))),
      rang(Dictionary("rang", I("ID_RANG"))),
      rashod(Dictionary("rashod", I("ID_RASH"))),
      tarif(Dictionary("tarif", R("ID_TARIF"))),
      tarif_ap(Dictionary("tarif_ap", R("ID_TARIF_AP"))),
      typeform(Dictionary("typeform", I("ID_FORM"))),
      viddoc(Dictionary("viddoc", I("ID_VDOC"))) {}

}  // namespace zentrox
