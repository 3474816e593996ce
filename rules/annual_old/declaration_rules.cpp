// REV5_NA: the declarations of an old-format annual package, one per insured
// person.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/text.h"
#include "rules/annual_old/annual_old_sections.h"
#include "rules/common/duplicates.h"

namespace zentrox::annual_old {
namespace {

// The fields that make a declaration's finding context.
constexpr common::DeclarationFields kWho{old_na::NA_PL, old_na::NA_ID, old_na::NA_LAST_NAME};

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
  s.checks.CheckFilled(rule::kAnnualOldNaIdFilled, s.decls(), d.row);
  s.checks.CheckFilled(rule::kAnnualOldNaPackFilled, s.decls(), d.row);
  s.checks.CheckPresentIn(rule::kAnnualOldNaPackInPl, s.decls(), d.row, d.pack, old_pl::PL_NUM_IN_EA);
}

void CheckHasMonthlyRows(DeclarationScope& s, const Declaration& d) {
  if (d.months.empty()) {
    s.checks.Report(rule::kAnnualOldNaMonthlyRowsExist);
  }
}

void CheckYearAndFormType(DeclarationScope& s, const Declaration& d) {
  s.checks.CheckFilled(rule::kAnnualOldNaYearFilled, s.decls(), d.row);
  s.checks.CheckFilled(rule::kAnnualOldNaFormTypeFilled, s.decls(), d.row);
  Linked form(s.dm.typeform, s.form_types.First(s.decls(), d.row, {old_na::NA_FORM_TYPE}));
  s.checks.CheckDictionaryCode(rule::kAnnualOldNaFormTypeInDictionary, s.decls(), d.row, form, dict::ID);
}

void CheckCpas(DeclarationScope& s, const Declaration& d) {
  if (d.kdt == 5) s.checks.CheckFilled(rule::kAnnualOldNaCpasFilled, s.decls(), d.row);
  if (s.decls().View(d.row, old_na::NA_CPAS) == "0") {
    s.checks.Report(rule::kAnnualOldNaCpasNotZero);
  }
}

// A name field that must be filled and hold only the characters of a name.
void CheckRequiredName(DeclarationScope& s, const Declaration& d, const RuleEntry& filled_rule,
                       const RuleEntry& characters_rule) {
  s.checks.CheckFilled(filled_rule, s.decls(), d.row);
  s.checks.CheckNameCharacters(characters_rule, s.decls(), d.row);
}

void CheckNames(DeclarationScope& s, const Declaration& d) {
  FindingWriter& c = s.checks;
  CheckRequiredName(s, d, rule::kAnnualOldNaLastNameFilled, rule::kAnnualOldNaLastNameCharacters);
  CheckRequiredName(s, d, rule::kAnnualOldNaFirstNameFilled, rule::kAnnualOldNaFirstNameCharacters);
  if (!s.decls().IsEmpty(d.row, old_na::NA_MIDDLE_NAME)) {
    c.CheckNameCharacters(rule::kAnnualOldNaMiddleNameCharacters, s.decls(), d.row);
  }
}

void CheckIdnpLength(DeclarationScope& s, const Declaration& d) {
  std::string_view idnp = s.decls().View(d.row, old_na::NA_IDNP);
  if (!idnp.empty() && Utf8Length(idnp) != 13) {
    s.checks.Report(rule::kAnnualOldNaIdnpLength);
  }
}

void CheckPensionFlag(DeclarationScope& s, const Declaration& d) {
  s.checks.CheckFilled(rule::kAnnualOldNaPensionFilled, s.decls(), d.row);
  s.checks.CheckYesNo(rule::kAnnualOldNaPensionYesNo, s.decls(), d.row);
  if (d.kdt == 6 && s.decls().View(d.row, old_na::NA_IS_PENS) != "N") {
    s.checks.Report(rule::kAnnualOldNaPensionNoForKdt6);
  }
}

void CheckCategory(DeclarationScope& s, const Declaration& d) {
  s.checks.CheckFilled(rule::kAnnualOldNaCategoryFilled, s.decls(), d.row);
  Linked category(s.dm.kategor, s.categories.First(s.decls(), d.row, {old_na::NA_AP_CATEGORY}));
  s.checks.CheckDictionaryCode(rule::kAnnualOldNaCategoryInDictionary, s.decls(), d.row, category, dict::ID);
  if (s.decls().View(d.row, old_na::NA_AP_CATEGORY) == "0") {
    s.checks.Report(rule::kAnnualOldNaCategoryNotZero);
  }
}

void CheckBirthDate(DeclarationScope& s, const Declaration& d) {
  if (!s.decls().IsEmpty(d.row, old_na::NA_BIRTH_DT)) {
    s.checks.CheckDateRange(rule::kAnnualOldNaBirthInRange, s.decls(), d.row);
  }
}

void CheckPeriodDates(DeclarationScope& s, const Declaration& d) {
  s.checks.CheckDateOrder(rule::kAnnualOldNaBeginNotAfterEnd, s.decls(), d.row, old_na::NA_PERIOD_END);
  s.checks.CheckDateRange(rule::kAnnualOldNaBeginInRange, s.decls(), d.row);
  s.checks.CheckDateRange(rule::kAnnualOldNaEndInRange, s.decls(), d.row);
}

void CheckPeriodAfterBirth(DeclarationScope& s, const Declaration& d) {
  const Table& t = s.decls();
  if (!t.IsEmpty(d.row, old_na::NA_PERIOD_BEGIN) &&
      t.DateValue(d.row, old_na::NA_BIRTH_DT) > t.DateValue(d.row, old_na::NA_PERIOD_BEGIN)) {
    s.checks.Report(rule::kAnnualOldNaBeginAfterBirth);
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
    s.checks.Report(rule::kAnnualOldNaMonthsMatchPeriod);
  }
}

void CheckDocumentType(DeclarationScope& s, const Declaration& d) {
  const Table& t = s.decls();
  Linked doc(s.dm.viddoc, s.doc_types.First(t, d.row, {old_na::NA_DOC_TYPE}));
  if (d.kdt == 6) {
    s.checks.CheckFilled(rule::kAnnualOldNaDocTypeFilled, t, d.row);
    s.checks.CheckDictionaryCode(rule::kAnnualOldNaDocTypeInDictionary, t, d.row, doc, dict::ID);
  } else if (d.kdt == 5) {
    if (t.Text(d.row, old_na::NA_DOC_TYPE) == "0") {
      s.checks.Report(rule::kAnnualOldNaDocTypeNotZero);
    }
    if (!t.IsEmpty(d.row, old_na::NA_DOC_TYPE)) {
      s.checks.CheckDictionaryCode(rule::kAnnualOldNaDocTypeInDictionary, t, d.row, doc, dict::ID);
    }
  }
}

void CheckIssueDate(DeclarationScope& s, const Declaration& d) {
  const Table& t = s.decls();
  if (t.IsEmpty(d.row, old_na::NA_IDNP_DT)) return;
  s.checks.CheckNotFuture(rule::kAnnualOldNaIssuedNotFuture, t, d.row);
  s.checks.CheckDateRange(rule::kAnnualOldNaIssuedInRange, t, d.row);
  if (t.DateValue(d.row, old_na::NA_BIRTH_DT) > t.DateValue(d.row, old_na::NA_IDNP_DT)) {
    s.checks.Report(rule::kAnnualOldNaIssuedAfterBirth);
  }
}

void CheckWorkBook(DeclarationScope& s, const Declaration& d) {
  s.checks.CheckFilled(rule::kAnnualOldNaWorkBookHereFilled, s.decls(), d.row);
  s.checks.CheckYesNo(rule::kAnnualOldNaWorkBookHereYesNo, s.decls(), d.row);
  s.checks.CheckDigitsOnly(rule::kAnnualOldNaWorkBookNumberDigits, s.decls(), d.row);
}

void CheckSignatories(DeclarationScope& s, const Declaration& d) {
  CheckRequiredName(s, d, rule::kAnnualOldNaDirectorFilled, rule::kAnnualOldNaDirectorCharacters);
  CheckRequiredName(s, d, rule::kAnnualOldNaAccountantFilled, rule::kAnnualOldNaAccountantCharacters);
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
  c.CheckSumEquals(rule::kAnnualOldNaEmployerPaymentMatchesMonths, s.decls(), d.row, employer - expenses);
  c.CheckSumEquals(rule::kAnnualOldNaPersonPaymentMatchesMonths, s.decls(), d.row, person);
  c.CheckSumEquals(rule::kAnnualOldNaExpensesMatchMu, s.decls(), d.row, expenses);
}

constexpr DeclarationRule kDeclarationRules[] = {
    CheckNumbers,          CheckHasMonthlyRows, CheckYearAndFormType, CheckCpas,      CheckNames,
    CheckIdnpLength,       CheckPensionFlag,    CheckCategory,        CheckBirthDate, CheckPeriodDates,
    CheckPeriodAfterBirth, CheckMonthsOfPeriod, CheckDocumentType,    CheckIssueDate, CheckWorkBook,
    CheckSignatories,      CheckPayments,
};

}  // namespace

PassResult RunDeclarationSection(const RuleRun& run) {
  FindingWriter& c = run.checks;
  const OldFormatTables& dm = *run.dm1;
  DeclarationScope scope{c,
                         dm,
                         Lookup(run.indexes, dm.pack_label, {old_pl::PL_NUM_IN_EA}),
                         Lookup(run.indexes, dm.saldo_data, {old_sd::SD_NA, old_sd::SD_PL}, {old_sd::SD_MONTH}),
                         Lookup(run.indexes, dm.money_util, {old_mu::MU_NA, old_mu::MU_PL, old_mu::MU_CODE}),
                         Lookup(run.indexes, dm.typeform, {dict::ID}),
                         Lookup(run.indexes, dm.kategor, {dict::ID}),
                         Lookup(run.indexes, dm.viddoc, {dict::ID})};
  const Table& t = dm.name_account;
  c.WalkFile(t, [&](RowId r) {
    common::SetDeclarationContext(c, t, r, kWho);
    Linked pack(dm.pack_label, scope.packs.First(t, r, {old_na::NA_PL}));
    Declaration d{r, pack, scope.monthly_rows.Find(t, r, {old_na::NA_ID, old_na::NA_PL}), pack.Int(old_pl::PL_KDT)};
    for (DeclarationRule rule : kDeclarationRules) rule(scope, d);
  });
  PassResult result;
  result.declaration_count = c.row;
  if (c.row == 0) c.ReportPlain(rule::kAnnualOldNaFileNotEmpty);

  common::RunDuplicateCpasPass(
      c, run.indexes, t,
      {.rule = &rule::kAnnualOldNaCpasUnique, .context = kWho, .compare = common::CompareAs::Number});
  common::RunDuplicateIdnpPass(c, run.indexes, rule::kAnnualOldNaIdnpUnique, t, kWho);
  return result;
}

}  // namespace zentrox::annual_old
