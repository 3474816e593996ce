// Section "fisierul REV5_T": the package summary and its sums over the packs.
#include <fmt/format.h>

#include "engine/text.h"
#include "rules/new_format/new_format.h"

namespace zentrox::new_format {

Run::Run(const RuleRun& r) : rule_run(r), checks(r.checks), dm(*r.dm), indexes(r.indexes) {
  // The rules that read the summary read its last row, as the pack total does.
  const Table& t = dm.svod_info;
  if (!t.empty()) {
    RowId last = static_cast<RowId>(t.size() - 1);
    year = t.Int(last, svod::YEAR);
    trimestr = t.Int(last, svod::TRIMESTR);
    declared_packs = t.Int(last, svod::PACKS_TOTAL);
  }
}

namespace {

Amounts SumPacks(const Table& packs) {
  Amounts sums{};
  for (RowId r = 0; r < packs.size(); ++r) AddAmounts(sums, packs, r, kPackAmounts);
  return sums;
}

void CheckYear(Run& run, const SummaryOptions& o, RowId r) {
  const Table& t = run.dm.svod_info;
  run.checks.CheckFilled(rule::kNewTYearFilled, t, r);
  if (t.Int(r, svod::YEAR) > run.checks.today().year() - o.years_back) run.checks.Report(*o.year_rule);
}

void CheckPeriod(Run& run, const SummaryOptions& o, RowId r) {
  const Table& t = run.dm.svod_info;
  run.checks.CheckFilled(rule::kNewTPeriodFilled, t, r);
  int period = t.Int(r, svod::TRIMESTR);
  if (period < o.period_min || period > o.period_max) run.checks.Report(*o.period_rule);
}

void CheckRegistration(Run& run, RowId r) {
  const Table& t = run.dm.svod_info;
  run.checks.CheckFilled(rule::kNewTRegnomFilled, t, r);
  std::string_view regnom = t.View(r, svod::REGNOM_EA);
  if (!regnom.empty() && Utf8Length(regnom) != 7) run.checks.Report(rule::kNewTRegnomLength);
}

void CheckTotals(Run& run, RowId r, const Amounts& packs) {
  const Table& t = run.dm.svod_info;
  CheckTotalIsSum(run.checks, rule::kNewTTotalIsSum, t, r, kSummaryAmounts);
  CheckAmountsEqual(run.checks, t, r,
                    {&rule::kNewTFondMatchesPacks, &rule::kNewTIllMatchesPacks, &rule::kNewTSumApMatchesPacks,
                     &rule::kNewTSumEaMatchesPacks, &rule::kNewTTotalMatchesPacks},
                    packs);
}

}  // namespace

void RunSummarySection(Run& run, const SummaryOptions& options) {
  FindingWriter& c = run.checks;
  const Table& t = run.dm.svod_info;
  Lookup typeform(run.indexes, run.dm.typeform, {dict::ID});
  Lookup raion(run.indexes, run.dm.raion, {dict::ID});
  const Amounts packs = SumPacks(run.dm.pack_label);
  // The context stays cleared: no summary field names a pack or declaration.
  c.WalkFile(t, [&](RowId r) {
    c.context.At(t, r);
    c.CheckFilled(rule::kNewTTypeFormFilled, t, r);
    c.CheckDictionaryCode(rule::kNewTTypeFormInDictionary, t, r,
                          Linked(run.dm.typeform, typeform.First(t, r, {svod::TYPE_FORM})), dict::ID);
    CheckYear(run, options, r);
    CheckPeriod(run, options, r);
    c.CheckFilled(rule::kNewTKodtkssFilled, t, r);
    c.CheckDictionaryCode(rule::kNewTKodtkssInDictionary, t, r,
                          Linked(run.dm.raion, raion.First(t, r, {svod::KODTKSS})), dict::ID);
    CheckRegistration(run, r);
    c.CheckFilled(rule::kNewTFioFilled, t, r);
    c.CheckNameCharacters(rule::kNewTFioCharacters, t, r);
    c.CheckFilled(rule::kNewTFormationDateFilled, t, r);
    c.CheckNotFuture(rule::kNewTFormationDateNotFuture, t, r);
    c.CheckFilled(rule::kNewTPacksTotalFilled, t, r);
    CheckTotals(run, r, packs);
  });
}

}  // namespace zentrox::new_format
