// REV5_MU: the expenses the employer paid out for each insured person, one
// row per expense code with twelve monthly amounts and the year's total, and
// per declaration one total row with code 99.

#include <string>
#include <vector>

#include "rules/annual_old/annual_old_sections.h"

namespace zentrox::annual_old {
namespace {

// What the rules of one expense row read: the tables and the indexes built
// once for the walk.
struct ExpenseScope {
  FindingWriter& checks;
  const OldFormatTables& dm;
  Lookup packs;         // pack_label by PL_NUM_IN_EA
  Lookup declarations;  // name_account by NA_ID, NA_PL
  Lookup codes;         // rashod by ID_RASH

  const Table& rows() const { return dm.money_util; }
};

struct ExpenseRow {
  RowId row;
  Linked pack;
  Linked declaration;
};

using ExpenseRule = void (*)(ExpenseScope&, const ExpenseRow&);

void CheckDeclaration(ExpenseScope& s, const ExpenseRow& e) {
  s.checks.CheckFilled(rule::kAnnualOldMuDeclarationFilled, s.rows(), e.row);
  if (!e.declaration.found()) {
    s.checks.Report(rule::kAnnualOldMuDeclarationInNa);
  }
}

void CheckPack(ExpenseScope& s, const ExpenseRow& e) {
  s.checks.CheckFilled(rule::kAnnualOldMuPackFilled, s.rows(), e.row);
  s.checks.CheckPresentIn(rule::kAnnualOldMuPackInPl, s.rows(), e.row, e.pack, old_pl::PL_NUM_IN_EA);
}

void CheckCode(ExpenseScope& s, const ExpenseRow& e) {
  s.checks.CheckFilled(rule::kAnnualOldMuCodeFilled, s.rows(), e.row);
  Linked code(s.dm.rashod, s.codes.First(s.rows(), e.row, {old_mu::MU_CODE}));
  s.checks.CheckDictionaryCode(rule::kAnnualOldMuCodeInDictionary, s.rows(), e.row, code, dict::ID);
}

// Expenses are declared month by month; a row with only the year's total
// (or nothing at all) is reported.
void CheckHasMonthlyAmounts(ExpenseScope& s, const ExpenseRow& e) {
  for (int f = old_mu::MU_1; f <= old_mu::MU_12; ++f) {
    if (s.rows().Number(e.row, f) != 0) return;
  }
  s.checks.Report(rule::kAnnualOldMuMonthlyAmountsGiven);
}

constexpr ExpenseRule kExpenseRules[] = {CheckDeclaration, CheckPack, CheckCode, CheckHasMonthlyAmounts};

// Each declaration's rows in code order: exactly one code-99 row, each of
// whose thirteen columns (MU_1 .. MU_12 and the year's total MU_13) equals
// the sum of that column over the other codes. The row counter stays where
// the walk left it.
void CheckExpenseTotals(FindingWriter& c, TableIndexes& indexes, const Table& rows, const Table& declarations) {
  static const std::vector<common::TotalColumn> kColumns = [] {
    std::vector<common::TotalColumn> columns;
    for (int f = old_mu::MU_1; f <= old_mu::MU_13; ++f) columns.push_back({&rule::kAnnualOldMuTotalRowMatchesCodes, f});
    return columns;
  }();
  static const common::GroupTotalOptions kOptions{.declaration_field = old_mu::MU_NA,
                                                  .pack_field = old_mu::MU_PL,
                                                  .code_field = old_mu::MU_CODE,
                                                  .total_code = kTotalExpenseCode,
                                                  .columns = kColumns,
                                                  .twice_rule = &rule::kAnnualOldMuTotalRowOnce,
                                                  .missing_rule = &rule::kAnnualOldMuTotalRowPresent};
  Lookup by_declaration(indexes, declarations, {old_na::NA_ID, old_na::NA_PL});
  common::RunGroupTotalPass(
      c, rows, *indexes.SharedOrder(rows, {old_mu::MU_NA, old_mu::MU_PL, old_mu::MU_CODE}), kOptions, [&](RowId first) {
        SetRowContext(c, rows, first, old_mu::MU_NA, old_mu::MU_PL,
                      Linked(declarations, by_declaration.First(rows, first, {old_mu::MU_NA, old_mu::MU_PL})));
      });
}

}  // namespace

PassResult RunExpenseSection(const RuleRun& run) {
  FindingWriter& c = run.checks;
  const OldFormatTables& dm = *run.dm1;
  ExpenseScope scope{c, dm, Lookup(run.indexes, dm.pack_label, {old_pl::PL_NUM_IN_EA}),
                     Lookup(run.indexes, dm.name_account, {old_na::NA_ID, old_na::NA_PL}),
                     Lookup(run.indexes, dm.rashod, {dict::ID})};
  const Table& rows = dm.money_util;
  c.WalkFile(rows, [&](RowId r) {
    ExpenseRow e{r, Linked(dm.pack_label, scope.packs.First(rows, r, {old_mu::MU_PL})),
                 Linked(dm.name_account, scope.declarations.First(rows, r, {old_mu::MU_NA, old_mu::MU_PL}))};
    SetRowContext(c, rows, r, old_mu::MU_NA, old_mu::MU_PL, e.declaration);
    for (ExpenseRule rule : kExpenseRules) rule(scope, e);
  });

  CheckExpenseTotals(c, run.indexes, rows, dm.name_account);
  return {};
}

}  // namespace zentrox::annual_old
