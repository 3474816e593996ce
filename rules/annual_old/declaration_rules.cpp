// REV5_NA: the declarations of an old-format annual package, one per insured
// person.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/text.h"
#include "rules/annual_old/annual_old_sections.h"
#include "rules/common/duplicates.h"

namespace zentrox::annual_old {
namespace {

const std::string& NaCaption(int f) { return Caption(FileKind::NA_OLD, f); }

// The fields that make a declaration's finding context.
constexpr common::DeclarationFields kWho{old_na::NA_PL, old_na::NA_ID, old_na::NA_LAST_NAME};

constexpr std::string_view kBeforeBirth = "меньше поля <12.Дата рождения>";

// What the rules of one declaration read: the tables and the indexes built
// once for the walk.
struct DeclarationScope {
  FindingWriter& checks;
  const OldFormatTables& dm;
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
  s.checks.CheckFilled("annual-old.na.id-filled", s.decls(), d.row, old_na::NA_ID, NaCaption(old_na::NA_ID));
  s.checks.CheckFilled("annual-old.na.pack-filled", s.decls(), d.row, old_na::NA_PL, NaCaption(old_na::NA_PL));
  s.checks.CheckPresentIn("annual-old.na.pack-in-pl", s.decls(), d.row, old_na::NA_PL, d.pack, old_pl::PL_NUM_IN_EA,
                          NaCaption(old_na::NA_PL), "REV5_PL");
}

void CheckHasMonthlyRows(DeclarationScope& s, const Declaration& d) {
  if (d.months.empty()) {
    s.checks.ReportFieldError("annual-old.na.monthly-rows-exist", "", "данные отсутствуют в файле REV5_SD");
  }
}

void CheckYearAndFormType(DeclarationScope& s, const Declaration& d) {
  s.checks.CheckFilled("annual-old.na.year-filled", s.decls(), d.row, old_na::NA_YEAR, NaCaption(old_na::NA_YEAR));
  s.checks.CheckFilled("annual-old.na.form-type-filled", s.decls(), d.row, old_na::NA_FORM_TYPE,
                       NaCaption(old_na::NA_FORM_TYPE));
  Linked form(s.dm.typeform, s.form_types.First(s.decls(), d.row, {old_na::NA_FORM_TYPE}));
  s.checks.CheckDictionaryCode("annual-old.na.form-type-in-dictionary", s.decls(), d.row, old_na::NA_FORM_TYPE, form,
                               dict::ID, NaCaption(old_na::NA_FORM_TYPE));
}

void CheckCpas(DeclarationScope& s, const Declaration& d) {
  if (d.kdt == 5)
    s.checks.CheckFilled("annual-old.na.cpas-filled", s.decls(), d.row, old_na::NA_CPAS, NaCaption(old_na::NA_CPAS));
  if (s.decls().View(d.row, old_na::NA_CPAS) == "0") {
    s.checks.ReportFieldError("annual-old.na.cpas-not-zero", NaCaption(old_na::NA_CPAS), " равен нулю.");
  }
}

// A name field that must be filled and hold only the characters of a name.
void CheckRequiredName(DeclarationScope& s, const Declaration& d, int field, std::string_view filled_rule,
                       std::string_view characters_rule) {
  s.checks.CheckFilled(filled_rule, s.decls(), d.row, field, NaCaption(field));
  s.checks.CheckNameCharacters(characters_rule, s.decls(), d.row, field, NaCaption(field));
}

void CheckNames(DeclarationScope& s, const Declaration& d) {
  FindingWriter& c = s.checks;
  CheckRequiredName(s, d, old_na::NA_LAST_NAME, "annual-old.na.last-name-filled", "annual-old.na.last-name-characters");
  CheckRequiredName(s, d, old_na::NA_FIRST_NAME, "annual-old.na.first-name-filled",
                    "annual-old.na.first-name-characters");
  if (!s.decls().IsEmpty(d.row, old_na::NA_MIDDLE_NAME)) {
    c.CheckNameCharacters("annual-old.na.middle-name-characters", s.decls(), d.row, old_na::NA_MIDDLE_NAME,
                          NaCaption(old_na::NA_MIDDLE_NAME));
  }
}

void CheckIdnpLength(DeclarationScope& s, const Declaration& d) {
  std::string_view idnp = s.decls().View(d.row, old_na::NA_IDNP);
  if (!idnp.empty() && Utf8Length(idnp) != 13) {
    s.checks.ReportFieldError("annual-old.na.idnp-length", NaCaption(old_na::NA_IDNP), "не содержит 13 знаков.");
  }
}

void CheckPensionFlag(DeclarationScope& s, const Declaration& d) {
  s.checks.CheckFilled("annual-old.na.pension-filled", s.decls(), d.row, old_na::NA_IS_PENS,
                       NaCaption(old_na::NA_IS_PENS));
  s.checks.CheckYesNo("annual-old.na.pension-yes-no", s.decls(), d.row, old_na::NA_IS_PENS,
                      NaCaption(old_na::NA_IS_PENS));
  if (d.kdt == 6 && s.decls().View(d.row, old_na::NA_IS_PENS) != "N") {
    s.checks.ReportFieldError("annual-old.na.pension-no-for-kdt-6", NaCaption(old_na::NA_IS_PENS),
                              "должно быть значение \"N\"");
  }
}

void CheckCategory(DeclarationScope& s, const Declaration& d) {
  s.checks.CheckFilled("annual-old.na.category-filled", s.decls(), d.row, old_na::NA_AP_CATEGORY,
                       NaCaption(old_na::NA_AP_CATEGORY));
  Linked category(s.dm.kategor, s.categories.First(s.decls(), d.row, {old_na::NA_AP_CATEGORY}));
  s.checks.CheckDictionaryCode("annual-old.na.category-in-dictionary", s.decls(), d.row, old_na::NA_AP_CATEGORY,
                               category, dict::ID, NaCaption(old_na::NA_AP_CATEGORY));
  if (s.decls().View(d.row, old_na::NA_AP_CATEGORY) == "0") {
    s.checks.ReportFieldError("annual-old.na.category-not-zero", NaCaption(old_na::NA_AP_CATEGORY),
                              "не должно равняться нулю (0)");
  }
}

void CheckBirthDate(DeclarationScope& s, const Declaration& d) {
  if (!s.decls().IsEmpty(d.row, old_na::NA_BIRTH_DT)) {
    s.checks.CheckDateRange("annual-old.na.birth-in-range", s.decls(), d.row, old_na::NA_BIRTH_DT,
                            NaCaption(old_na::NA_BIRTH_DT));
  }
}

void CheckPeriodDates(DeclarationScope& s, const Declaration& d) {
  s.checks.CheckDateOrder("annual-old.na.begin-not-after-end", s.decls(), d.row, old_na::NA_PERIOD_BEGIN,
                          old_na::NA_PERIOD_END, NaCaption(old_na::NA_PERIOD_BEGIN));
  s.checks.CheckDateRange("annual-old.na.begin-in-range", s.decls(), d.row, old_na::NA_PERIOD_BEGIN,
                          NaCaption(old_na::NA_PERIOD_BEGIN));
  s.checks.CheckDateRange("annual-old.na.end-in-range", s.decls(), d.row, old_na::NA_PERIOD_END,
                          NaCaption(old_na::NA_PERIOD_END));
}

void CheckPeriodAfterBirth(DeclarationScope& s, const Declaration& d) {
  const Table& t = s.decls();
  if (!t.IsEmpty(d.row, old_na::NA_PERIOD_BEGIN) &&
      t.DateValue(d.row, old_na::NA_BIRTH_DT) > t.DateValue(d.row, old_na::NA_PERIOD_BEGIN)) {
    s.checks.ReportFieldError("annual-old.na.begin-after-birth", NaCaption(old_na::NA_PERIOD_BEGIN), kBeforeBirth);
  }
}

// More ordinary monthly rows than months in the period. The month count is
// kept as a 16-bit unsigned number, so a period whose end month lies before
// its begin month expects very many rows and is never reported here; fewer
// rows than months are not reported either.
void CheckMonthsOfPeriod(DeclarationScope& s, const Declaration& d) {
  const Table& t = s.decls();
  auto expected = static_cast<std::uint16_t>(t.DateValue(d.row, old_na::NA_PERIOD_END).month() -
                                             t.DateValue(d.row, old_na::NA_PERIOD_BEGIN).month() + 1);
  int counted = 0;
  for (RowId m : d.months) {
    if (s.dm.saldo_data.Int(m, old_sd::SD_MONTH) == kTotalMonth) break;
    ++counted;
  }
  if (expected < counted) {
    s.checks.ReportFieldError("annual-old.na.months-match-period", NaCaption(old_na::NA_PERIOD_BEGIN),
                              "ВНИМАНИЕ! Кол-во месяцев в REV5_SD не соответствует периоду");
  }
}

void CheckDocumentType(DeclarationScope& s, const Declaration& d) {
  const Table& t = s.decls();
  Linked doc(s.dm.viddoc, s.doc_types.First(t, d.row, {old_na::NA_DOC_TYPE}));
  if (d.kdt == 6) {
    s.checks.CheckFilled("annual-old.na.doc-type-filled", t, d.row, old_na::NA_DOC_TYPE,
                         NaCaption(old_na::NA_DOC_TYPE));
    s.checks.CheckDictionaryCode("annual-old.na.doc-type-in-dictionary", t, d.row, old_na::NA_DOC_TYPE, doc, dict::ID,
                                 NaCaption(old_na::NA_DOC_TYPE));
  } else if (d.kdt == 5) {
    if (t.Text(d.row, old_na::NA_DOC_TYPE) == "0") {
      s.checks.ReportFieldError("annual-old.na.doc-type-not-zero", NaCaption(old_na::NA_DOC_TYPE),
                                "не должно равнятся нулю");
    }
    if (!t.IsEmpty(d.row, old_na::NA_DOC_TYPE)) {
      s.checks.CheckDictionaryCode("annual-old.na.doc-type-in-dictionary", t, d.row, old_na::NA_DOC_TYPE, doc, dict::ID,
                                   NaCaption(old_na::NA_DOC_TYPE));
    }
  }
}

void CheckIssueDate(DeclarationScope& s, const Declaration& d) {
  const Table& t = s.decls();
  if (t.IsEmpty(d.row, old_na::NA_IDNP_DT)) return;
  s.checks.CheckNotFuture("annual-old.na.issued-not-future", t, d.row, old_na::NA_IDNP_DT,
                          NaCaption(old_na::NA_IDNP_DT));
  s.checks.CheckDateRange("annual-old.na.issued-in-range", t, d.row, old_na::NA_IDNP_DT, NaCaption(old_na::NA_IDNP_DT));
  if (t.DateValue(d.row, old_na::NA_BIRTH_DT) > t.DateValue(d.row, old_na::NA_IDNP_DT)) {
    s.checks.ReportFieldError("annual-old.na.issued-after-birth", NaCaption(old_na::NA_IDNP_DT), kBeforeBirth);
  }
}

void CheckWorkBook(DeclarationScope& s, const Declaration& d) {
  s.checks.CheckFilled("annual-old.na.work-book-here-filled", s.decls(), d.row, old_na::NA_WB_IN_EA,
                       NaCaption(old_na::NA_WB_IN_EA));
  s.checks.CheckYesNo("annual-old.na.work-book-here-yes-no", s.decls(), d.row, old_na::NA_WB_IN_EA,
                      NaCaption(old_na::NA_WB_IN_EA));
  s.checks.CheckDigitsOnly("annual-old.na.work-book-number-digits", s.decls(), d.row, old_na::NA_WB_NUMBER,
                           NaCaption(old_na::NA_WB_NUMBER));
}

void CheckSignatories(DeclarationScope& s, const Declaration& d) {
  CheckRequiredName(s, d, old_na::NA_DIRECTOR_NAME, "annual-old.na.director-filled",
                    "annual-old.na.director-characters");
  CheckRequiredName(s, d, old_na::NA_ACC_NAME, "annual-old.na.accountant-filled",
                    "annual-old.na.accountant-characters");
}

// The contributions against the monthly rows from the total row on and the
// code-99 expenses: the employer's contributions are what it transferred less
// the expenses it paid out.
void CheckPayments(DeclarationScope& s, const Declaration& d) {
  const Table& rows = s.dm.saldo_data;
  double employer = 0, person = 0;
  bool from_total = false;
  for (RowId m : d.months) {
    from_total = from_total || rows.Int(m, old_sd::SD_MONTH) == kTotalMonth;
    if (!from_total) continue;
    employer += rows.Number(m, old_sd::SD_SUM_REAL_EA);
    person += rows.Number(m, old_sd::SD_SUM_REAL_AP);
  }
  KeyValue key[] = {KeyValue::Of(s.decls(), d.row, old_na::NA_ID), KeyValue::Of(s.decls(), d.row, old_na::NA_PL),
                    CodeKey(kTotalExpenseCode)};
  double expenses = SumOf(s.dm.money_util, s.expense_rows.Find(key), old_mu::MU_13);
  FindingWriter& c = s.checks;
  c.CheckSumEquals("annual-old.na.employer-payment-matches-months", s.decls(), d.row, old_na::NA_EA_PAYMENT,
                   NaCaption(old_na::NA_EA_PAYMENT), employer - expenses);
  c.CheckSumEquals("annual-old.na.person-payment-matches-months", s.decls(), d.row, old_na::NA_AP_PAYMENT,
                   NaCaption(old_na::NA_AP_PAYMENT), person);
  c.CheckSumEquals("annual-old.na.expenses-match-mu", s.decls(), d.row, old_na::NA_SUM, NaCaption(old_na::NA_SUM),
                   expenses);
}

constexpr DeclarationRule kDeclarationRules[] = {
    CheckNumbers,          CheckHasMonthlyRows, CheckYearAndFormType, CheckCpas,      CheckNames,
    CheckIdnpLength,       CheckPensionFlag,    CheckCategory,        CheckBirthDate, CheckPeriodDates,
    CheckPeriodAfterBirth, CheckMonthsOfPeriod, CheckDocumentType,    CheckIssueDate, CheckWorkBook,
    CheckSignatories,      CheckPayments,
};

}  // namespace

void RunDeclarationSection(RuleRun& run) {
  FindingWriter& c = run.checks;
  const OldFormatTables& dm = *run.dm1;
  c.BeginSection("REV5_NA");
  DeclarationScope scope{c,
                         dm,
                         Lookup(dm.pack_label, {old_pl::PL_NUM_IN_EA}),
                         Lookup(dm.saldo_data, {old_sd::SD_NA, old_sd::SD_PL}, {old_sd::SD_MONTH}),
                         Lookup(dm.money_util, {old_mu::MU_NA, old_mu::MU_PL, old_mu::MU_CODE}),
                         Lookup(dm.typeform, {dict::ID}),
                         Lookup(dm.kategor, {dict::ID}),
                         Lookup(dm.viddoc, {dict::ID})};
  const Table& t = dm.name_account;
  c.WalkFile(t, [&](RowId r) {
    common::SetDeclarationContext(c, t, r, kWho);
    Linked pack(dm.pack_label, scope.packs.First(t, r, {old_na::NA_PL}));
    Declaration d{r, pack, scope.monthly_rows.Find(t, r, {old_na::NA_ID, old_na::NA_PL}), pack.Int(old_pl::PL_KDT)};
    for (DeclarationRule rule : kDeclarationRules) rule(scope, d);
  });
  run.declaration_count = c.row;
  if (c.row == 0) c.ReportPlain("annual-old.na.file-not-empty", kEmptyFile);

  common::RunDuplicateCpasPass(c, t,
                               {.rule = "annual-old.na.cpas-unique",
                                .caption = NaCaption(old_na::NA_CPAS),
                                .cpas_field = old_na::NA_CPAS,
                                .context = kWho,
                                .compare = common::CompareAs::Number});
  common::RunDuplicateIdnpPass(c, "annual-old.na.idnp-unique", t, old_na::NA_IDNP, NaCaption(old_na::NA_IDNP), kWho);
}

}  // namespace zentrox::annual_old
