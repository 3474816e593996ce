// The monthly rule set of the new formats: the shared sections with the
// month of the summary, a mandatory CPAS, and the monthly rows of the
// reporting month with their job-code status and date windows.
#include <optional>

#include "rules/new_format/new_format.h"

namespace zentrox {
namespace monthly {
namespace {

using new_format::SaldoRow;
namespace sd_rules = new_format::sd_rules;

new_format::SummaryOptions SummaryOptions() {
  new_format::SummaryOptions o;
  o.period_rule = &rule::kMonthlyTMonthRange;
  o.period_min = 1;
  o.period_max = 12;
  return o;
}

// A monthly declaration must carry CPAS, and its monthly rows must exist.
new_format::DeclarationOptions DeclarationOptions() {
  new_format::DeclarationOptions o;
  o.cpas_missing_rule = &rule::kMonthlyNaCpasFilled;
  o.monthly_rows = new_format::LinkTest::RowExists;
  return o;
}

void MonthIsReportingMonth(SaldoRow& row) {
  const int month = row.run.rule_run.period;
  if (row.total || row.month == month) return;
  row.checks.ReportWith(rule::kMonthlySdMonthIsReportingMonth,
                        [&] { return std::tuple(row.sd.Text(row.r, sd::SD_MONTH), month); });
}

// Job codes are checked against the job dictionary with its status: a
// listed code must be active (status "1").
void JobCodeActiveAndListed(SaldoRow& row) {
  if (row.total || row.sd.IsEmpty(row.r, sd::SD_JOB_CODE) || row.sd.Int(row.r, sd::SD_JOB_CODE) == 0) return;
  const Linked job(row.run.dm.new_prof, row.links.new_prof_of(row.r));
  const std::string code = row.sd.Text(row.r, sd::SD_JOB_CODE);
  if (job.found() && job.Text(dict::STATUS) != "1") row.checks.Report(rule::kMonthlySdJobCodeActive, code);
  if (!job.found()) row.checks.Report(rule::kMonthlySdJobCodeListed, code);
}

bool BackdatingCategory(const SaldoRow& row) { return row.CategoryIs("105") || row.CategoryIs("153"); }

bool CrossMonthCategory(const SaldoRow& row) { return row.CategoryIs("157") || row.CategoryIs("158"); }

// The window rules compare the begin date with days built from the row's
// month and the reporting year. A month that is no month (0, above 13) or a
// year that forms no date leaves no day to compare with: the rules are
// skipped, since the month and year rules report such values already.
bool HasBeginWindow(const SaldoRow& row) {
  return !row.total && row.HasDate(sd::SD_BEGIN_DT) && row.month >= 1 && row.month <= 12 &&
         Date::FromYmd(row.run.year, row.month, 1).has_value();
}

void BeginNotBeforeMonth(SaldoRow& row) {
  if (!HasBeginWindow(row) || BackdatingCategory(row)) return;
  if (row.DateOf(sd::SD_BEGIN_DT) < *Date::FromYmd(row.run.year, row.month, 1)) {
    row.checks.Report(rule::kMonthlySdBeginNotBeforeMonth);
  }
}

// Categories 105 and 153 may go back to the same month of the year before.
void BeginNotBeforeLastYear(SaldoRow& row) {
  if (!HasBeginWindow(row) || !BackdatingCategory(row)) return;
  const std::optional<Date> limit = Date::FromYmd(row.run.year - 1, row.month, 1);
  if (limit && row.DateOf(sd::SD_BEGIN_DT) < *limit) {
    row.checks.Report(rule::kMonthlySdBeginNotBeforeLastYear);
  }
}

// At most a year ahead: the limit is the first day of the next month a year
// later, the limit day itself included.
void BeginNotAfterNextYear(SaldoRow& row) {
  if (!HasBeginWindow(row)) return;
  const std::optional<Date> limit =
      row.month >= 12 ? Date::FromYmd(row.run.year + 2, 1, 1) : Date::FromYmd(row.run.year + 1, row.month + 1, 1);
  if (limit && row.DateOf(sd::SD_BEGIN_DT) > *limit) {
    row.checks.Report(rule::kMonthlySdBeginNotAfterNextYear);
  }
}

// The begin date lies in a window around the row's month; the periods of
// categories 157 and 158 may run across months and years.
void Dates(SaldoRow& row) {
  sd_rules::BeginRequired(row);
  BeginNotBeforeMonth(row);
  BeginNotBeforeLastYear(row);
  BeginNotAfterNextYear(row);
  sd_rules::EndNotBeforeBegin(row);
  if (!CrossMonthCategory(row)) sd_rules::DateMonthsAgree(row);
  sd_rules::BeginYearNearYear(row);
  sd_rules::EndRequired(row);
  if (!CrossMonthCategory(row)) sd_rules::EndYearNearYear(row);
  if (!CrossMonthCategory(row)) sd_rules::DateYearsAgree(row);
}

new_format::SaldoRowOptions SaldoRowOptions() {
  new_format::SaldoRowOptions o;
  o.declaration_link = new_format::LinkTest::RowExists;
  o.period = MonthIsReportingMonth;
  o.job_code = JobCodeActiveAndListed;
  o.dates = Dates;
  return o;
}

}  // namespace
}  // namespace monthly

std::vector<PassResult> RunMonthlyRules(const RuleRun& rule_run) {
  using namespace new_format;
  Run run(rule_run);
  const int month = rule_run.period;
  return RunPasses(run, {
                            {FileKind::T, [](Run& r) { RunSummarySection(r, monthly::SummaryOptions()); }},
                            {FileKind::IP, RunPackSection},
                            {FileKind::NA, [](Run& r) { RunDeclarationSection(r, monthly::DeclarationOptions()); }},
                            {FileKind::SD, [](Run& r) { RunSaldoRowPass(r, monthly::SaldoRowOptions()); }},
                            {FileKind::SD,
                             [month](Run& r) {
                               RunOverlapPass(r, rule::kMonthlySdPeriodsDisjoint,
                                              [month](int m) { return m == month; });
                             }},
                            {FileKind::SD, RunCategoryValidityPass},
                            {FileKind::SD, RunMonthSumPass},
                        });
}

}  // namespace zentrox
