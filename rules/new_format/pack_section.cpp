// Section "fisierul REV5_IP": the packs, their sums over the declarations'
// total rows, the declared pack total and duplicate pack numbers.
#include "rules/common/duplicates.h"
#include "rules/new_format/new_format.h"

namespace zentrox::new_format {
namespace {

void CheckDocumentCount(Run& run, RowId r) {
  const Table& p = run.dm.pack_label;
  const std::string& caption = run.ip_caption[pl::PL_DOC_NUMBER];
  run.checks.CheckFilled("new.ip.doc-number-filled", p, r, pl::PL_DOC_NUMBER, caption);
  if (p.Int(r, pl::PL_DOC_NUMBER) > 50) {
    run.checks.ReportFieldError("new.ip.doc-number-at-most-50", caption, "должно быть <= 50");
  }
}

// The pack's amounts against the sums of its declarations' total rows; rows
// of other months do not count here.
void CheckAgainstTotalRows(Run& run, const Lookup& totals, RowId r) {
  const Table& p = run.dm.pack_label;
  KeyValue keys[2] = {KeyValue::Of(p, r, pl::PL_ID), common::CodeKey(common::kTotalMonth)};
  Amounts sums{};
  for (RowId s : totals.Find(keys)) AddAmounts(sums, run.dm.saldo_data, s, kSaldoAmounts);
  CheckAmountsEqual(
      run.checks, p, r, kPackAmounts, run.ip_caption,
      {"new.ip.fond-matches-declarations", "new.ip.ill-matches-declarations", "new.ip.sum-ap-matches-declarations",
       "new.ip.sum-ea-matches-declarations", "new.ip.total-matches-declarations"},
      sums);
}

}  // namespace

void RunPackSection(Run& run) {
  FindingWriter& c = run.checks;
  c.BeginSection("REV5_IP");
  const Table& p = run.dm.pack_label;
  const Lookup totals(run.dm.saldo_data, {sd::SD_PL, sd::SD_MONTH});
  c.WalkFile(p, [&](RowId r) {
    c.context.pack = p.Text(r, pl::PL_ID);
    c.context.At(p, r);
    c.CheckFilled("new.ip.pack-id-filled", p, r, pl::PL_ID, run.ip_caption[pl::PL_ID]);
    CheckDocumentCount(run, r);
    CheckAgainstTotalRows(run, totals, r);
    CheckTotalIsSum(c, "new.ip.total-is-sum", p, r, kPackAmounts, run.ip_caption);
  });
  run.rule_run.pack_count = static_cast<int>(p.size());
  if (run.declared_packs != run.rule_run.pack_count) {
    // The line names the summary row whose pack total was read.
    const Table& t = run.dm.svod_info;
    c.context.NoRecord();
    if (!t.empty()) c.context.At(t, static_cast<RowId>(t.size() - 1));
    c.ReportPlain("new.ip.pack-count",
                  "поле <9.Общее кол-во пачек> из файла REV5_T не равно количеству пачек в файле REV5_IP");
  }
  common::RunDuplicatePackPass(c, "new.ip.pack-unique", p, pl::PL_ID, run.ip_caption[pl::PL_ID]);
}

}  // namespace zentrox::new_format
