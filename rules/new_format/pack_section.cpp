// Section "fisierul REV5_IP": the packs, their sums over the declarations'
// total rows, the declared pack total and duplicate pack numbers.
#include "rules/new_format/new_format.h"

namespace zentrox::new_format {
namespace {

constexpr int kTotalMonth = 13;

void CheckDocumentCount(Run& run, RowId r) {
  const Table& p = run.dm.pack_label;
  const std::string& caption = run.ip_caption[pl::PL_DOC_NUMBER];
  run.checks.CheckFilled("new.ip.doc-number-filled", p, r, pl::PL_DOC_NUMBER, caption);
  if (p.Int(r, pl::PL_DOC_NUMBER) > 50) {
    run.checks.ReportFieldError("new.ip.doc-number-max", caption, "должно быть <= 50");
  }
}

// The pack's amounts against the sums of its declarations' total rows; rows
// of other months do not count here.
void CheckAgainstTotalRows(Run& run, const Lookup& totals, RowId r) {
  const Table& p = run.dm.pack_label;
  const Table& sd = run.dm.saldo_data;
  KeyValue keys[2] = {KeyValue::Of(p, r, pl::PL_ID), KeyValue{false, kTotalMonth, "13"}};
  double fond = 0, ill = 0, ap = 0, ea = 0, total = 0;
  for (RowId s : totals.Find(keys)) {
    fond += sd.Number(s, sd::SD_PAYM_FOND);
    ill += sd.Number(s, sd::SD_ILL);
    ap += sd.Number(s, sd::SD_SUM_AP);
    ea += sd.Number(s, sd::SD_SUM_EA);
    total += sd.Number(s, sd::SD_SUM_TOTAL);
  }
  Checks& c = run.checks;
  const auto& cap = run.ip_caption;
  c.CheckSumEquals("new.ip.fond-matches-declarations", p, r, pl::PL_PAYM_FOND, cap[pl::PL_PAYM_FOND], fond);
  c.CheckSumEquals("new.ip.ill-matches-declarations", p, r, pl::PL_ILL, cap[pl::PL_ILL], ill);
  c.CheckSumEquals("new.ip.sum-ap-matches-declarations", p, r, pl::PL_SUM_AP, cap[pl::PL_SUM_AP], ap);
  c.CheckSumEquals("new.ip.sum-ea-matches-declarations", p, r, pl::PL_SUM_EA, cap[pl::PL_SUM_EA], ea);
  c.CheckSumEquals("new.ip.total-matches-declarations", p, r, pl::PL_SUM_TOTAL, cap[pl::PL_SUM_TOTAL], total);
}

void CheckTotalIsSum(Run& run, RowId r) {
  const Table& p = run.dm.pack_label;
  if (!CentsEqual(p.Number(r, pl::PL_SUM_AP), p.Number(r, pl::PL_SUM_EA), p.Number(r, pl::PL_SUM_TOTAL))) {
    run.checks.ReportFieldError("new.ip.total-is-sum", run.ip_caption[pl::PL_SUM_TOTAL], kTotalNotSum);
  }
}

// Walks the packs in PL_ID order; every further copy of a number (compared as
// the file's text) gives one line naming that number as the pack.
void RunDuplicatePackPass(Run& run) {
  Checks& c = run.checks;
  const Table& p = run.dm.pack_label;
  c.row = 0;
  c.context.pack = "qw";  // a text no pack number has
  for (RowId r : p.Order({pl::PL_ID})) {
    ++c.row;
    c.context.At(p, r);  // the later of two equal numbers
    std::string id = p.Text(r, pl::PL_ID);
    if (id == c.context.pack) {
      c.ReportFieldError("new.ip.pack-duplicate", run.ip_caption[pl::PL_ID], "ВНИМАНИЕ! Дублирование номера пачки");
    }
    c.context.pack = std::move(id);
  }
}

}  // namespace

void RunPackSection(Run& run) {
  Checks& c = run.checks;
  c.BeginSection("REV5_IP");
  const Table& p = run.dm.pack_label;
  const Lookup totals(run.dm.saldo_data, {sd::SD_PL, sd::SD_MONTH});
  for (RowId r = 0; r < p.size(); ++r) {
    ++c.row;
    c.context.pack = p.Text(r, pl::PL_ID);
    c.context.At(p, r);
    c.CheckFilled("new.ip.pack-id-filled", p, r, pl::PL_ID, run.ip_caption[pl::PL_ID]);
    CheckDocumentCount(run, r);
    CheckAgainstTotalRows(run, totals, r);
    CheckTotalIsSum(run, r);
  }
  run.rule_run.pack_count = static_cast<int>(p.size());
  if (run.declared_packs != run.rule_run.pack_count) {
    // The line names the summary row whose pack total was read.
    const Table& t = run.dm.svod_info;
    c.context.NoRecord();
    if (!t.empty()) c.context.At(t, static_cast<RowId>(t.size() - 1));
    c.ReportPlain("new.ip.pack-count", "поле <9.Общее кол-во пачек> из файла REV5_T не равно количеству пачек в файле REV5_IP");
  }
  RunDuplicatePackPass(run);
}

}  // namespace zentrox::new_format
