// Section "fisierul REV5_IP": the packs, their sums over the declarations'
// total rows, the declared pack total and duplicate pack numbers.
#include "rules/common/duplicates.h"
#include "rules/new_format/new_format.h"

namespace zentrox::new_format {
namespace {

void CheckDocumentCount(Run& run, RowId r) {
  const Table& p = run.dm.pack_label;
  run.checks.CheckFilled(rule::kNewIpDocNumberFilled, p, r);
  if (p.Int(r, pl::PL_DOC_NUMBER) > 50) run.checks.Report(rule::kNewIpDocNumberAtMost50);
}

// The pack's amounts against the sums of its declarations' total rows; rows
// of other months do not count here.
void CheckAgainstTotalRows(Run& run, Lookup& totals, RowId r) {
  const Table& p = run.dm.pack_label;
  KeyValue keys[2] = {KeyValue::Of(p, r, pl::PL_ID), common::CodeKey(common::kTotalMonth)};
  Amounts sums{};
  for (RowId s : totals.Find(keys)) AddAmounts(sums, run.dm.saldo_data, s, kSaldoAmounts);
  CheckAmountsEqual(
      run.checks, p, r,
      {&rule::kNewIpFondMatchesDeclarations, &rule::kNewIpIllMatchesDeclarations, &rule::kNewIpSumApMatchesDeclarations,
       &rule::kNewIpSumEaMatchesDeclarations, &rule::kNewIpTotalMatchesDeclarations},
      sums);
}

}  // namespace

void RunPackSection(Run& run) {
  FindingWriter& c = run.checks;
  const Table& p = run.dm.pack_label;
  Lookup totals(run.indexes, run.dm.saldo_data, {sd::SD_PL, sd::SD_MONTH});
  c.WalkFile(p, [&](RowId r) {
    c.context.pack = p.Text(r, pl::PL_ID);
    c.context.At(p, r);
    c.CheckFilled(rule::kNewIpPackIdFilled, p, r);
    CheckDocumentCount(run, r);
    CheckAgainstTotalRows(run, totals, r);
    CheckTotalIsSum(c, rule::kNewIpTotalIsSum, p, r, kPackAmounts);
  });
  const int packs = static_cast<int>(p.size());
  run.result.pack_count = packs;
  if (run.declared_packs != packs) {
    // The line names the summary row whose pack total was read.
    const Table& t = run.dm.svod_info;
    c.context.NoRecord();
    if (!t.empty()) c.context.At(t, static_cast<RowId>(t.size() - 1));
    c.ReportPlain(rule::kNewIpPackCount);
  }
  common::RunDuplicatePackPass(c, run.indexes, rule::kNewIpPackUnique, p);
}

}  // namespace zentrox::new_format
