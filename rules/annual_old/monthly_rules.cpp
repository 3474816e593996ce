// REV5_SD: the monthly rows of the declarations, with their tariffs, and
// their total rows (month 13).

#include <optional>
#include <string>

#include "rules/annual_old/annual_old_sections.h"

namespace zentrox::annual_old {
namespace {

// What the rules of one monthly row read: the tables and the indexes built
// once for the walk.
struct MonthlyScope {
  FindingWriter& checks;
  const OldFormatTables& dm;
  Lookup packs;           // pack_label by PL_NUM_IN_EA
  Lookup declarations;    // name_account by NA_ID, NA_PL
  Lookup months;          // months by ID_MONTH
  Lookup tariffs;         // tarif by ID_TARIF
  Lookup person_tariffs;  // tarif_ap by ID_TARIF_AP

  const Table& rows() const { return dm.saldo_data; }
};

// One monthly row with what it links to.
struct MonthlyRow {
  RowId row;
  Linked pack;
  Linked declaration;
  bool total;  // month 13
};

using MonthlyRule = void (*)(MonthlyScope&, const MonthlyRow&);

void CheckDeclaration(MonthlyScope& s, const MonthlyRow& m) {
  s.checks.CheckFilled(rule::kAnnualOldSdDeclarationFilled, s.rows(), m.row);
  if (!m.declaration.found()) {
    s.checks.Report(rule::kAnnualOldSdDeclarationInNa);
  }
}

void CheckPack(MonthlyScope& s, const MonthlyRow& m) {
  s.checks.CheckFilled(rule::kAnnualOldSdPackFilled, s.rows(), m.row);
  s.checks.CheckPresentIn(rule::kAnnualOldSdPackInPl, s.rows(), m.row, m.pack, old_pl::PL_NUM_IN_EA);
}

void CheckMonth(MonthlyScope& s, const MonthlyRow& m) {
  s.checks.CheckFilled(rule::kAnnualOldSdMonthFilled, s.rows(), m.row);
  Linked month(s.dm.months, s.months.First(s.rows(), m.row, {old_sd::SD_MONTH}));
  s.checks.CheckDictionaryCode(rule::kAnnualOldSdMonthInDictionary, s.rows(), m.row, month, dict::ID);
}

// A tariff of an ordinary row, in the field the rules name, comes from the
// tariff dictionary (compared as numbers) and is never 0. Total rows carry no
// tariff.
void CheckTariff(MonthlyScope& s, const MonthlyRow& m, const Table& dictionary, Lookup& index,
                 const RuleEntry& filled_rule, const RuleEntry& dictionary_rule, const RuleEntry& zero_rule) {
  if (m.total) return;
  const int field = filled_rule.field.first;
  s.checks.CheckFilled(filled_rule, s.rows(), m.row);
  Linked tariff(dictionary, index.First(s.rows(), m.row, {field}));
  s.checks.CheckDictionaryCode(dictionary_rule, s.rows(), m.row, tariff, dict::ID);
  if (s.rows().Number(m.row, field) == 0) s.checks.Report(zero_rule);
}

void CheckEmployerTariff(MonthlyScope& s, const MonthlyRow& m) {
  CheckTariff(s, m, s.dm.tarif, s.tariffs, rule::kAnnualOldSdTariffEaFilled, rule::kAnnualOldSdTariffEaInDictionary,
              rule::kAnnualOldSdTariffEaNotZero);
}

void CheckSickPayWithinFund(MonthlyScope& s, const MonthlyRow& m) {
  if (s.rows().Number(m.row, old_sd::SD_ILL) > s.rows().Number(m.row, old_sd::SD_PAYM_FOND)) {
    s.checks.Report(rule::kAnnualOldSdIllWithinFund);
  }
}

void CheckAmountsNotNegative(MonthlyScope& s, const MonthlyRow& m) {
  s.checks.CheckNotNegative(rule::kAnnualOldSdFundNotNegative, s.rows(), m.row);
  s.checks.CheckNotNegative(rule::kAnnualOldSdIllNotNegative, s.rows(), m.row);
}

void CheckPersonTariff(MonthlyScope& s, const MonthlyRow& m) {
  CheckTariff(s, m, s.dm.tarif_ap, s.person_tariffs, rule::kAnnualOldSdTariffApFilled,
              rule::kAnnualOldSdTariffApInDictionary, rule::kAnnualOldSdTariffApNotZero);
}

// 2006 limited what an insured person transferred per month to 153.
void CheckTransferCap2006(MonthlyScope& s, const MonthlyRow& m) {
  if (m.total || m.declaration.Int(old_na::NA_YEAR) != 2006) return;
  if (s.rows().Number(m.row, old_sd::SD_SUM_REAL_AP) > 153) {
    s.checks.Report(rule::kAnnualOldSdTransferWithinCap2006);
  }
}

// The monthly cap on an insured person's accrued contributions, applied in
// 2003 to 2007 and compared in cents. Other years return nothing.
std::optional<double> AccrualCap(int year) {
  if (year < 2003 || year > 2007) return std::nullopt;
  return common::MonthlyContributionCap(year);
}

void CheckAccrualCap(MonthlyScope& s, const MonthlyRow& m) {
  if (m.total) return;
  std::optional<double> cap = AccrualCap(m.pack.Int(old_pl::PL_YEAR));
  if (cap && Cents(s.rows().Number(m.row, old_sd::SD_SUM_ADD_AP)) > Cents(*cap)) {
    // Reported on the transferred sum although it tests the accrued one. The
    // text ends with the cap; it has no closing parenthesis.
    s.checks.Report(rule::kAnnualOldSdTransferWithinCap, FormatLimit(*cap));
  }
}

constexpr MonthlyRule kMonthlyRules[] = {
    CheckDeclaration,        CheckPack,         CheckMonth,           CheckEmployerTariff, CheckSickPayWithinFund,
    CheckAmountsNotNegative, CheckPersonTariff, CheckTransferCap2006, CheckAccrualCap,
};

// Each declaration's rows in month order: exactly one total row, equal to
// the sums of the ordinary rows. The row counter stays where the walk left it.
void CheckTotalRows(FindingWriter& c, TableIndexes& indexes, const Table& rows, const Table& declarations) {
  constexpr const RuleEntry* kRule = &rule::kAnnualOldSdTotalRowMatchesMonths;
  static const common::TotalColumn kColumns[] = {
      {kRule, old_sd::SD_PAYM_FOND},  {kRule, old_sd::SD_ILL},         {kRule, old_sd::SD_SUM_REAL_EA},
      {kRule, old_sd::SD_SUM_ADD_EA}, {kRule, old_sd::SD_SUM_REAL_AP}, {kRule, old_sd::SD_SUM_ADD_AP},
  };
  static const common::GroupTotalOptions kOptions{.declaration_field = old_sd::SD_NA,
                                                  .pack_field = old_sd::SD_PL,
                                                  .code_field = old_sd::SD_MONTH,
                                                  .total_code = kTotalMonth,
                                                  .columns = kColumns,
                                                  .twice_rule = &rule::kAnnualOldSdTotalRowOnce,
                                                  .missing_rule = &rule::kAnnualOldSdTotalRowPresent};
  Lookup by_declaration(indexes, declarations, {old_na::NA_ID, old_na::NA_PL});
  common::RunGroupTotalPass(
      c, rows, *indexes.SharedOrder(rows, {old_sd::SD_NA, old_sd::SD_PL, old_sd::SD_MONTH}), kOptions,
      [&](RowId first) {
        SetRowContext(c, rows, first, old_sd::SD_NA, old_sd::SD_PL,
                      Linked(declarations, by_declaration.First(rows, first, {old_sd::SD_NA, old_sd::SD_PL})));
      });
}

}  // namespace

PassResult RunMonthlySection(const RuleRun& run) {
  FindingWriter& c = run.checks;
  const OldFormatTables& dm = *run.dm1;
  MonthlyScope scope{c,
                     dm,
                     Lookup(run.indexes, dm.pack_label, {old_pl::PL_NUM_IN_EA}),
                     Lookup(run.indexes, dm.name_account, {old_na::NA_ID, old_na::NA_PL}),
                     Lookup(run.indexes, dm.months, {dict::ID}),
                     Lookup(run.indexes, dm.tarif, {dict::ID}),
                     Lookup(run.indexes, dm.tarif_ap, {dict::ID})};
  const Table& rows = dm.saldo_data;
  c.WalkFile(rows, [&](RowId r) {
    MonthlyRow m{r, Linked(dm.pack_label, scope.packs.First(rows, r, {old_sd::SD_PL})),
                 Linked(dm.name_account, scope.declarations.First(rows, r, {old_sd::SD_NA, old_sd::SD_PL})),
                 rows.Int(r, old_sd::SD_MONTH) == kTotalMonth};
    SetRowContext(c, rows, r, old_sd::SD_NA, old_sd::SD_PL, m.declaration);
    for (MonthlyRule rule : kMonthlyRules) rule(scope, m);
  });
  if (c.row == 0) c.ReportPlain(rule::kAnnualOldSdFileNotEmpty);

  CheckTotalRows(c, run.indexes, rows, dm.name_account);
  return {};
}

}  // namespace zentrox::annual_old
