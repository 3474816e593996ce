// REV5_NA: the declarations of an old-format annual package, one per insured
// person.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/text.h"
#include "rules/annual_old/annual_old_sections.h"

namespace zentrox::annual_old {
namespace {

constexpr std::string_view kId = "1.Номер декларации";
constexpr std::string_view kPack = "2.Номер пачки";
constexpr std::string_view kYear = "3.Отчетный год";
constexpr std::string_view kFormType = "4.Тип формы";
constexpr std::string_view kCpas = "5.Код CPAS";
constexpr std::string_view kLastName = "6.Фамилия";
constexpr std::string_view kFirstName = "7.Имя";
constexpr std::string_view kMiddleName = "8.Отчество";
constexpr std::string_view kIdnp = "9.Номер IDNP";
constexpr std::string_view kPension = "10.Признак назн.пенсии";
constexpr std::string_view kCategory = "11.Категория ЗЛ";
constexpr std::string_view kBirth = "12.Дата рождения";
constexpr std::string_view kBegin = "13.Начало периода";
constexpr std::string_view kEnd = "14.Конец периода";
constexpr std::string_view kDocType = "15.Тип документа";
constexpr std::string_view kIssued = "19.Дата выдачи";
constexpr std::string_view kWorkBookHere = "20.Труд.книжка у ЭА";
constexpr std::string_view kWorkBookNumber = "22.Номер трудовой книжки";
constexpr std::string_view kEmployerPayment = "23.Взносы работодателя";
constexpr std::string_view kPersonPayment = "24.Взносы ЗЛ";
constexpr std::string_view kExpenses = "27.Сумма расходов";
constexpr std::string_view kDirector = "28.ФИО руководителя";
constexpr std::string_view kAccountant = "29.ФИО бухгалтера";

constexpr std::string_view kBeforeBirth = "меньше поля <12.Дата рождения>";
constexpr std::string_view kDuplicate = "ВНИМАНИЕ! Дублирование.";

// What the rules of one declaration read: the tables and the indexes built
// once for the walk.
struct DeclarationScope {
  Checks& checks;
  const TDM1& dm;
  Lookup packs;         // pack_label by PL_NUM_IN_EA
  Lookup monthly_rows;  // saldo_data by SD_NA, SD_PL, then SD_MONTH
  Lookup expense_rows;  // money_util by MU_NA, MU_PL, MU_CODE
  Lookup form_types;    // typeform by ID_FORM
  Lookup categories;    // kategor by ID_KATEG
  Lookup doc_types;     // viddoc by ID_VDOC

  const Table& decls() const { return dm.name_account; }
};

// One declaration with what it links to.
struct Declaration {
  RowId row;
  Linked pack;           // its pack
  Lookup::Range months;  // its monthly rows in month order
  int kdt;               // the pack's document type, which decides several rules
};

using DeclarationRule = void (*)(DeclarationScope&, const Declaration&);

void CheckNumbers(DeclarationScope& s, const Declaration& d) {
  s.checks.CheckFilled("annual-old.na.id-filled", s.decls(), d.row, ona::NA_ID, kId);
  s.checks.CheckFilled("annual-old.na.pack-filled", s.decls(), d.row, ona::NA_PL, kPack);
  s.checks.CheckPresentIn("annual-old.na.pack-present", s.decls(), d.row, ona::NA_PL, d.pack, opl::PL_NUM_IN_EA,
                          kPack, "REV5_PL");
}

void CheckHasMonthlyRows(DeclarationScope& s, const Declaration& d) {
  if (d.months.empty()) {
    s.checks.ReportFieldError("annual-old.na.monthly-rows", "", "данные отсутствуют в файле REV5_SD");
  }
}

void CheckYearAndFormType(DeclarationScope& s, const Declaration& d) {
  s.checks.CheckFilled("annual-old.na.year-filled", s.decls(), d.row, ona::NA_YEAR, kYear);
  s.checks.CheckFilled("annual-old.na.form-type-filled", s.decls(), d.row, ona::NA_FORM_TYPE, kFormType);
  Linked form(s.dm.typeform, s.form_types.First(s.decls(), d.row, {ona::NA_FORM_TYPE}));
  s.checks.CheckDictionaryCode("annual-old.na.form-type-dictionary", s.decls(), d.row, ona::NA_FORM_TYPE, form,
                               dict::ID, kFormType);
}

void CheckCpas(DeclarationScope& s, const Declaration& d) {
  if (d.kdt == 5) s.checks.CheckFilled("annual-old.na.cpas-filled", s.decls(), d.row, ona::NA_CPAS, kCpas);
  if (s.decls().View(d.row, ona::NA_CPAS) == "0") {
    s.checks.ReportFieldError("annual-old.na.cpas-zero", kCpas, " равен нулю.");
  }
}

void CheckNames(DeclarationScope& s, const Declaration& d) {
  Checks& c = s.checks;
  c.CheckFilled("annual-old.na.last-name-filled", s.decls(), d.row, ona::NA_LAST_NAME, kLastName);
  c.CheckNameCharacters("annual-old.na.last-name-characters", s.decls(), d.row, ona::NA_LAST_NAME, kLastName);
  c.CheckFilled("annual-old.na.first-name-filled", s.decls(), d.row, ona::NA_FIRST_NAME, kFirstName);
  c.CheckNameCharacters("annual-old.na.first-name-characters", s.decls(), d.row, ona::NA_FIRST_NAME, kFirstName);
  if (!s.decls().IsEmpty(d.row, ona::NA_MIDDLE_NAME)) {
    c.CheckNameCharacters("annual-old.na.middle-name-characters", s.decls(), d.row, ona::NA_MIDDLE_NAME,
                          kMiddleName);
  }
}

void CheckIdnpLength(DeclarationScope& s, const Declaration& d) {
  std::string_view idnp = s.decls().View(d.row, ona::NA_IDNP);
  if (!idnp.empty() && Utf8Length(idnp) != 13) {
    s.checks.ReportFieldError("annual-old.na.idnp-length", kIdnp, "не содержит 13 знаков.");
  }
}

void CheckPensionFlag(DeclarationScope& s, const Declaration& d) {
  s.checks.CheckFilled("annual-old.na.pension-filled", s.decls(), d.row, ona::NA_IS_PENS, kPension);
  s.checks.CheckYesNo("annual-old.na.pension-yes-no", s.decls(), d.row, ona::NA_IS_PENS, kPension);
  if (d.kdt == 6 && s.decls().View(d.row, ona::NA_IS_PENS) != "N") {
    s.checks.ReportFieldError("annual-old.na.pension-type-6", kPension, "должно быть значение \"N\"");
  }
}

void CheckCategory(DeclarationScope& s, const Declaration& d) {
  s.checks.CheckFilled("annual-old.na.category-filled", s.decls(), d.row, ona::NA_AP_CATEGORY, kCategory);
  Linked category(s.dm.kategor, s.categories.First(s.decls(), d.row, {ona::NA_AP_CATEGORY}));
  s.checks.CheckDictionaryCode("annual-old.na.category-dictionary", s.decls(), d.row, ona::NA_AP_CATEGORY, category,
                               dict::ID, kCategory);
  if (s.decls().View(d.row, ona::NA_AP_CATEGORY) == "0") {
    s.checks.ReportFieldError("annual-old.na.category-zero", kCategory, "не должно равняться нулю (0)");
  }
}

void CheckBirthDate(DeclarationScope& s, const Declaration& d) {
  if (!s.decls().IsEmpty(d.row, ona::NA_BIRTH_DT)) {
    s.checks.CheckDateRange("annual-old.na.birth-range", s.decls(), d.row, ona::NA_BIRTH_DT, kBirth);
  }
}

void CheckPeriodDates(DeclarationScope& s, const Declaration& d) {
  s.checks.CheckDateOrder("annual-old.na.period-order", s.decls(), d.row, ona::NA_PERIOD_BEGIN, ona::NA_PERIOD_END,
                          kBegin);
  s.checks.CheckDateRange("annual-old.na.begin-range", s.decls(), d.row, ona::NA_PERIOD_BEGIN, kBegin);
  s.checks.CheckDateRange("annual-old.na.end-range", s.decls(), d.row, ona::NA_PERIOD_END, kEnd);
}

void CheckPeriodAfterBirth(DeclarationScope& s, const Declaration& d) {
  const Table& t = s.decls();
  if (!t.IsEmpty(d.row, ona::NA_PERIOD_BEGIN) &&
      t.DateValue(d.row, ona::NA_BIRTH_DT) > t.DateValue(d.row, ona::NA_PERIOD_BEGIN)) {
    s.checks.ReportFieldError("annual-old.na.begin-before-birth", kBegin, kBeforeBirth);
  }
}

// More ordinary monthly rows than months in the period. The month count is
// kept as a 16-bit unsigned number, so a period whose end month lies before
// its begin month expects very many rows and is never reported here; fewer
// rows than months are not reported either.
void CheckMonthsOfPeriod(DeclarationScope& s, const Declaration& d) {
  const Table& t = s.decls();
  auto expected = static_cast<std::uint16_t>(t.DateValue(d.row, ona::NA_PERIOD_END).month() -
                                             t.DateValue(d.row, ona::NA_PERIOD_BEGIN).month() + 1);
  int counted = 0;
  for (RowId m : d.months) {
    if (s.dm.saldo_data.Int(m, osd::SD_MONTH) == 13) break;
    ++counted;
  }
  if (expected < counted) {
    s.checks.ReportFieldError("annual-old.na.months-of-period", kBegin,
                              "ВНИМАНИЕ! Кол-во месяцев в REV5_SD не соответствует периоду");
  }
}

void CheckDocumentType(DeclarationScope& s, const Declaration& d) {
  const Table& t = s.decls();
  Linked doc(s.dm.viddoc, s.doc_types.First(t, d.row, {ona::NA_DOC_TYPE}));
  if (d.kdt == 6) {
    s.checks.CheckFilled("annual-old.na.doc-type-filled", t, d.row, ona::NA_DOC_TYPE, kDocType);
    s.checks.CheckDictionaryCode("annual-old.na.doc-type-dictionary", t, d.row, ona::NA_DOC_TYPE, doc, dict::ID,
                                 kDocType);
  } else if (d.kdt == 5) {
    if (t.Text(d.row, ona::NA_DOC_TYPE) == "0") {
      s.checks.ReportFieldError("annual-old.na.doc-type-zero", kDocType, "не должно равнятся нулю");
    }
    if (!t.IsEmpty(d.row, ona::NA_DOC_TYPE)) {
      s.checks.CheckDictionaryCode("annual-old.na.doc-type-dictionary", t, d.row, ona::NA_DOC_TYPE, doc, dict::ID,
                                   kDocType);
    }
  }
}

void CheckIssueDate(DeclarationScope& s, const Declaration& d) {
  const Table& t = s.decls();
  if (t.IsEmpty(d.row, ona::NA_IDNP_DT)) return;
  s.checks.CheckNotFuture("annual-old.na.issued-future", t, d.row, ona::NA_IDNP_DT, kIssued);
  s.checks.CheckDateRange("annual-old.na.issued-range", t, d.row, ona::NA_IDNP_DT, kIssued);
  if (t.DateValue(d.row, ona::NA_BIRTH_DT) > t.DateValue(d.row, ona::NA_IDNP_DT)) {
    s.checks.ReportFieldError("annual-old.na.issued-before-birth", kIssued, kBeforeBirth);
  }
}

void CheckWorkBook(DeclarationScope& s, const Declaration& d) {
  s.checks.CheckFilled("annual-old.na.work-book-here-filled", s.decls(), d.row, ona::NA_WB_IN_EA, kWorkBookHere);
  s.checks.CheckYesNo("annual-old.na.work-book-here-yes-no", s.decls(), d.row, ona::NA_WB_IN_EA, kWorkBookHere);
  s.checks.CheckDigitsOnly("annual-old.na.work-book-number-digits", s.decls(), d.row, ona::NA_WB_NUMBER,
                           kWorkBookNumber);
}

void CheckSignatories(DeclarationScope& s, const Declaration& d) {
  Checks& c = s.checks;
  c.CheckFilled("annual-old.na.director-filled", s.decls(), d.row, ona::NA_DIRECTOR_NAME, kDirector);
  c.CheckNameCharacters("annual-old.na.director-characters", s.decls(), d.row, ona::NA_DIRECTOR_NAME, kDirector);
  c.CheckFilled("annual-old.na.accountant-filled", s.decls(), d.row, ona::NA_ACC_NAME, kAccountant);
  c.CheckNameCharacters("annual-old.na.accountant-characters", s.decls(), d.row, ona::NA_ACC_NAME, kAccountant);
}

// The contributions against the monthly rows from the total row on and the
// code-99 expenses: the employer's contributions are what it transferred less
// the expenses it paid out.
void CheckPayments(DeclarationScope& s, const Declaration& d) {
  const Table& rows = s.dm.saldo_data;
  double employer = 0, person = 0;
  bool from_total = false;
  for (RowId m : d.months) {
    from_total = from_total || rows.Int(m, osd::SD_MONTH) == 13;
    if (!from_total) continue;
    employer += rows.Number(m, osd::SD_SUM_REAL_EA);
    person += rows.Number(m, osd::SD_SUM_REAL_AP);
  }
  KeyValue key[] = {KeyValue::Of(s.decls(), d.row, ona::NA_ID), KeyValue::Of(s.decls(), d.row, ona::NA_PL),
                    CodeKey(99)};
  double expenses = SumOf(s.dm.money_util, s.expense_rows.Find(key), mu::MU_13);
  Checks& c = s.checks;
  c.CheckSumEquals("annual-old.na.employer-payment", s.decls(), d.row, ona::NA_EA_PAYMENT, kEmployerPayment,
                   employer - expenses);
  c.CheckSumEquals("annual-old.na.person-payment", s.decls(), d.row, ona::NA_AP_PAYMENT, kPersonPayment, person);
  c.CheckSumEquals("annual-old.na.expenses", s.decls(), d.row, ona::NA_SUM, kExpenses, expenses);
}

constexpr DeclarationRule kDeclarationRules[] = {
    CheckNumbers,      CheckHasMonthlyRows, CheckYearAndFormType,  CheckCpas,
    CheckNames,        CheckIdnpLength,     CheckPensionFlag,      CheckCategory,
    CheckBirthDate,    CheckPeriodDates,    CheckPeriodAfterBirth, CheckMonthsOfPeriod,
    CheckDocumentType, CheckIssueDate,      CheckWorkBook,         CheckSignatories,
    CheckPayments,
};

FindingContext ContextOf(const Table& t, RowId r) {
  FindingContext who;
  who.pack = t.Text(r, ona::NA_PL);
  who.declaration = t.Text(r, ona::NA_ID);
  who.name = t.Text(r, ona::NA_LAST_NAME);
  who.At(t, r);
  return who;
}

// Declarations in CPAS order; two neighbours with the same CPAS (as numbers)
// each get a line, the earlier first. Empty codes and "0" take no part. The
// remembered code starts as 999111 with an empty context, as the other
// variants' passes do, so a declaration carrying that very code is reported
// against an empty first line.
void CheckDuplicateCpas(Checks& c, const Table& t) {
  double previous = 999111;
  FindingContext previous_who;
  for (RowId r : t.Order({ona::NA_CPAS})) {
    if (t.IsEmpty(r, ona::NA_CPAS) || t.View(r, ona::NA_CPAS) == "0") continue;
    double cpas = t.Number(r, ona::NA_CPAS);
    FindingContext who = ContextOf(t, r);
    if (previous == cpas) {
      c.ReportDuplicate("annual-old.na.duplicate-cpas", previous_who, kCpas, kDuplicate, "CPAS=", FormatCpas(previous));
      c.ReportDuplicate("annual-old.na.duplicate-cpas", who, kCpas, kDuplicate, "CPAS=", FormatCpas(cpas));
    }
    previous = cpas;
    previous_who = std::move(who);
  }
}

// Declarations in IDNP order; a declaration whose IDNP equals its
// predecessor's gets one line. Empty IDNPs take no part; the remembered code
// starts as "qw".
void CheckDuplicateIdnp(Checks& c, const Table& t) {
  std::string previous = "qw";
  for (RowId r : t.Order({ona::NA_IDNP})) {
    c.context = ContextOf(t, r);
    if (t.IsEmpty(r, ona::NA_IDNP)) continue;
    std::string idnp(t.View(r, ona::NA_IDNP));
    if (previous == idnp) c.ReportNoRow("annual-old.na.duplicate-idnp", kIdnp, kDuplicate);
    previous = std::move(idnp);
  }
}

}  // namespace

void RunDeclarationSection(RuleRun& run) {
  Checks& c = run.checks;
  const TDM1& dm = *run.dm1;
  c.BeginSection("REV5_NA");
  DeclarationScope scope{c,
                         dm,
                         Lookup(dm.pack_label, {opl::PL_NUM_IN_EA}),
                         Lookup(dm.saldo_data, {osd::SD_NA, osd::SD_PL}, {osd::SD_MONTH}),
                         Lookup(dm.money_util, {mu::MU_NA, mu::MU_PL, mu::MU_CODE}),
                         Lookup(dm.typeform, {dict::ID}),
                         Lookup(dm.kategor, {dict::ID}),
                         Lookup(dm.viddoc, {dict::ID})};
  const Table& t = dm.name_account;
  for (RowId r = 0; r < t.size(); ++r) {
    ++c.row;
    c.context = ContextOf(t, r);
    Linked pack(dm.pack_label, scope.packs.First(t, r, {ona::NA_PL}));
    Declaration d{r, pack, scope.monthly_rows.Find(t, r, {ona::NA_ID, ona::NA_PL}), pack.Int(opl::PL_KDT)};
    for (DeclarationRule rule : kDeclarationRules) rule(scope, d);
  }
  run.declaration_count = c.row;
  if (c.row == 0) c.ReportPlain("annual-old.na.empty-file", kEmptyFile);

  CheckDuplicateCpas(c, t);
  CheckDuplicateIdnp(c, t);
}

}  // namespace zentrox::annual_old
