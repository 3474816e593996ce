// Section "fisierul REV5_T": the package summary and its sums over the packs.
#include <fmt/format.h>

#include "data/text.h"
#include "rules/new_format/new_format.h"

namespace zentrox::new_format {

Run::Run(RuleRun& r)
    : rule_run(r),
      checks(r.checks),
      dm(*r.dm),
      t_caption(r.checks.profile().captions(FileKind::T)),
      ip_caption(r.checks.profile().captions(FileKind::IP)),
      na_caption(r.checks.profile().captions(FileKind::NA)),
      sd_caption(r.checks.profile().captions(FileKind::SD)) {
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
  const std::string& caption = run.t_caption[svod::YEAR];
  run.checks.CheckFilled("new.t.year-filled", t, r, svod::YEAR, caption);
  if (t.Int(r, svod::YEAR) > run.checks.today().year() - o.years_back) {
    run.checks.ReportFieldError(o.year_rule, caption, o.year_message);
  }
}

void CheckPeriod(Run& run, const SummaryOptions& o, RowId r) {
  const Table& t = run.dm.svod_info;
  const std::string& caption = run.t_caption[svod::TRIMESTR];
  run.checks.CheckFilled("new.t.period-filled", t, r, svod::TRIMESTR, caption);
  int period = t.Int(r, svod::TRIMESTR);
  if (period < o.period_min || period > o.period_max) {
    run.checks.ReportFieldError(o.period_rule, caption, o.period_message);
  }
}

void CheckRegistration(Run& run, RowId r) {
  const Table& t = run.dm.svod_info;
  const std::string& caption = run.t_caption[svod::REGNOM_EA];
  run.checks.CheckFilled("new.t.regnom-filled", t, r, svod::REGNOM_EA, caption);
  std::string_view regnom = t.View(r, svod::REGNOM_EA);
  if (!regnom.empty() && Utf8Length(regnom) != 7) {
    run.checks.ReportFieldError("new.t.regnom-length", caption, "не содержит 7 знаков.");
  }
}

void CheckTotals(Run& run, RowId r, const Amounts& packs) {
  const Table& t = run.dm.svod_info;
  CheckTotalIsSum(run.checks, "new.t.total-is-sum", t, r, kSummaryAmounts, run.t_caption);
  CheckAmountsEqual(run.checks, t, r, kSummaryAmounts, run.t_caption,
                    {"new.t.fond-matches-packs", "new.t.ill-matches-packs", "new.t.sum-ap-matches-packs",
                     "new.t.sum-ea-matches-packs", "new.t.total-matches-packs"},
                    packs);
}

}  // namespace

void RunSummarySection(Run& run, const SummaryOptions& options) {
  FindingWriter& c = run.checks;
  c.BeginSection("REV5_T");
  const Table& t = run.dm.svod_info;
  const auto& cap = run.t_caption;
  const Lookup typeform(run.dm.typeform, {dict::ID});
  const Lookup raion(run.dm.raion, {dict::ID});
  const Amounts packs = SumPacks(run.dm.pack_label);
  // The context stays cleared: no summary field names a pack or declaration.
  c.WalkFile(t, [&](RowId r) {
    c.context.At(t, r);
    c.CheckFilled("new.t.type-form-filled", t, r, svod::TYPE_FORM, cap[svod::TYPE_FORM]);
    c.CheckDictionaryCode("new.t.type-form-in-dictionary", t, r, svod::TYPE_FORM,
                          Linked(run.dm.typeform, typeform.First(t, r, {svod::TYPE_FORM})), dict::ID,
                          cap[svod::TYPE_FORM]);
    CheckYear(run, options, r);
    CheckPeriod(run, options, r);
    c.CheckFilled("new.t.kodtkss-filled", t, r, svod::KODTKSS, cap[svod::KODTKSS]);
    c.CheckDictionaryCode("new.t.kodtkss-in-dictionary", t, r, svod::KODTKSS,
                          Linked(run.dm.raion, raion.First(t, r, {svod::KODTKSS})), dict::ID, cap[svod::KODTKSS]);
    CheckRegistration(run, r);
    c.CheckFilled("new.t.fio-filled", t, r, svod::FIO_EA, cap[svod::FIO_EA]);
    c.CheckNameCharacters("new.t.fio-characters", t, r, svod::FIO_EA, cap[svod::FIO_EA]);
    c.CheckFilled("new.t.formation-date-filled", t, r, svod::FORMATION_DT, cap[svod::FORMATION_DT]);
    c.CheckNotFuture("new.t.formation-date-not-future", t, r, svod::FORMATION_DT, cap[svod::FORMATION_DT]);
    c.CheckFilled("new.t.packs-total-filled", t, r, svod::PACKS_TOTAL, cap[svod::PACKS_TOTAL]);
    CheckTotals(run, r, packs);
  });
}

}  // namespace zentrox::new_format
