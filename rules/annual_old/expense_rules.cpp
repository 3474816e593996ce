// REV5_MU: the expenses the employer paid out for each insured person, one
// row per expense code with twelve monthly amounts and the year's total, and
// per declaration one total row with code 99.

#include <array>
#include <string>
#include <vector>

#include "rules/annual_old/annual_old_sections.h"

namespace zentrox::annual_old {
namespace {

constexpr std::string_view kDeclaration = "1.Номер декларации";
constexpr std::string_view kPack = "2.Номер пачки";
constexpr std::string_view kCode = "3.Код расходов";
constexpr int kTotalCode = 99;
constexpr int kColumns = 13;  // MU_1 .. MU_12 and the year's total MU_13

constexpr std::array<std::string_view, kColumns> kColumnCaptions = {
    "4.Январь", "5.Февраль", "6.Март",     "7.Апрель",  "8.Май",     "9.Июнь",  "10.Июль",
    "11.Август", "12.Сентябрь", "13.Октябрь", "14.Ноябрь", "15.Декабрь", "16.Всего"};

// What the rules of one expense row read: the tables and the indexes built
// once for the walk.
struct ExpenseScope {
  Checks& checks;
  const TDM1& dm;
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
  s.checks.CheckFilled("annual-old.mu.declaration-filled", s.rows(), e.row, mu::MU_NA, kDeclaration);
  if (!e.declaration.found()) {
    s.checks.ReportFieldError("annual-old.mu.declaration-present", kDeclarationAndPack, kNotInDeclarations);
  }
}

void CheckPack(ExpenseScope& s, const ExpenseRow& e) {
  s.checks.CheckFilled("annual-old.mu.pack-filled", s.rows(), e.row, mu::MU_PL, kPack);
  s.checks.CheckPresentIn("annual-old.mu.pack-present", s.rows(), e.row, mu::MU_PL, e.pack, opl::PL_NUM_IN_EA, kPack,
                          "REV5_PL");
}

void CheckCode(ExpenseScope& s, const ExpenseRow& e) {
  s.checks.CheckFilled("annual-old.mu.code-filled", s.rows(), e.row, mu::MU_CODE, kCode);
  Linked code(s.dm.rashod, s.codes.First(s.rows(), e.row, {mu::MU_CODE}));
  s.checks.CheckDictionaryCode("annual-old.mu.code-dictionary", s.rows(), e.row, mu::MU_CODE, code, dict::ID, kCode);
}

// Expenses are declared month by month; a row with only the year's total
// (or nothing at all) is reported.
void CheckHasMonthlyAmounts(ExpenseScope& s, const ExpenseRow& e) {
  for (int f = mu::MU_1; f <= mu::MU_12; ++f) {
    if (s.rows().Number(e.row, f) != 0) return;
  }
  s.checks.ReportFieldError("annual-old.mu.only-total", "", "отсутствуют расходы по месяцам, введен только итог");
}

constexpr ExpenseRule kExpenseRules[] = {CheckDeclaration, CheckPack, CheckCode, CheckHasMonthlyAmounts};

// Each declaration's rows in code order: exactly one code-99 row, each of
// whose thirteen columns equals the sum of that column over the other codes
// before it. Groups are consecutive rows whose declaration and pack numbers
// read the same as written. The row counter stays where the walk left it.
// A line names the code-99 row it compares; a declaration without one is
// named by its first row, whose fields the line quotes.
void CheckExpenseTotals(Checks& c, const Table& rows, const Table& declarations) {
  Lookup by_declaration(declarations, {ona::NA_ID, ona::NA_PL});
  std::vector<RowId> order = rows.Order({mu::MU_NA, mu::MU_PL, mu::MU_CODE});
  std::size_t i = 0;
  while (i < order.size()) {
    RowId first = order[i];
    std::string declaration = rows.Text(first, mu::MU_NA);
    std::string pack = rows.Text(first, mu::MU_PL);
    SetRowContext(c, rows, first, mu::MU_NA, mu::MU_PL,
                  Linked(declarations, by_declaration.First(rows, first, {mu::MU_NA, mu::MU_PL})));
    std::array<double, kColumns> sums{};
    bool seen_total = false;
    for (; i < order.size() && rows.Text(order[i], mu::MU_NA) == declaration &&
           rows.Text(order[i], mu::MU_PL) == pack;
         ++i) {
      RowId r = order[i];
      if (rows.Int(r, mu::MU_CODE) != kTotalCode) {
        for (int k = 0; k < kColumns; ++k) sums[static_cast<std::size_t>(k)] += rows.Number(r, mu::MU_1 + k);
        continue;
      }
      c.context.At(rows, r);
      if (seen_total) {
        c.ReportFieldError("annual-old.mu.total-twice", "", "вторая строка с кодом расходов \"99\" - ошибка");
      }
      seen_total = true;
      for (int k = 0; k < kColumns; ++k) {
        auto idx = static_cast<std::size_t>(k);
        c.CheckSumEquals("annual-old.mu.total-sums", rows, r, mu::MU_1 + k, kColumnCaptions[idx], sums[idx]);
      }
    }
    if (!seen_total) {
      c.ReportFieldError("annual-old.mu.total-missing", "", "отсутствует итоговая запись с кодом расходов \"99\".");
    }
  }
}

}  // namespace

void RunExpenseSection(RuleRun& run) {
  Checks& c = run.checks;
  const TDM1& dm = *run.dm1;
  c.BeginSection("REV5_MU");
  ExpenseScope scope{c, dm, Lookup(dm.pack_label, {opl::PL_NUM_IN_EA}),
                     Lookup(dm.name_account, {ona::NA_ID, ona::NA_PL}), Lookup(dm.rashod, {dict::ID})};
  const Table& rows = dm.money_util;
  for (RowId r = 0; r < rows.size(); ++r) {
    ++c.row;
    ExpenseRow e{r, Linked(dm.pack_label, scope.packs.First(rows, r, {mu::MU_PL})),
                 Linked(dm.name_account, scope.declarations.First(rows, r, {mu::MU_NA, mu::MU_PL}))};
    SetRowContext(c, rows, r, mu::MU_NA, mu::MU_PL, e.declaration);
    for (ExpenseRule rule : kExpenseRules) rule(scope, e);
  }

  CheckExpenseTotals(c, rows, dm.name_account);
}

}  // namespace zentrox::annual_old
