// The quarterly rule set of the new formats: the shared sections with the
// quarterly period rule and mandatory CPAS, and the monthly rows of the
// reporting quarter.
#include <fmt/format.h>

#include "rules/new_format/new_format.h"

namespace zentrox {
namespace quarterly {
namespace {

using new_format::SaldoRow;

// The quarter (1 to 4) a month 1 to 12 belongs to.
int QuarterOf(int month) { return (month + 2) / 3; }

new_format::SummaryOptions SummaryOptions() {
  new_format::SummaryOptions o;
  o.period_rule = &rule::kQuarterlyTQuarterRange;
  o.period_min = 1;
  o.period_max = 4;
  return o;
}

new_format::DeclarationOptions DeclarationOptions() {
  new_format::DeclarationOptions o;
  o.cpas_missing_rule = &rule::kQuarterlyNaCpasFilled;
  o.monthly_rows = new_format::LinkTest::KeyValues;
  return o;
}

// A monthly row's month must lie in the quarter of the package name; an
// empty month reads 0, lies in no quarter and is written as 0.
void MonthInQuarter(SaldoRow& row) {
  if (row.total) return;
  const int quarter = row.run.rule_run.period;
  if (QuarterOf(row.month) == quarter) return;
  if (quarter >= 1 && quarter <= 4) {
    row.checks.ExpectWith(ExpectedKind::Value, [&] {
      const int first = quarter * 3 - 2;
      return fmt::format("{}, {} sau {}", first, first + 1, first + 2);
    });
  }
  row.checks.Report(rule::kQuarterlySdMonthInQuarter, row.month, quarter);
}

}  // namespace
}  // namespace quarterly

std::vector<PassResult> RunQuarterlyRules(const RuleRun& rule_run) {
  using namespace new_format;
  Run run(rule_run);
  const int quarter = rule_run.period;
  return RunPasses(run, {
                            {FileKind::T, [](Run& r) { RunSummarySection(r, quarterly::SummaryOptions()); }},
                            {FileKind::IP, RunPackSection},
                            {FileKind::NA, [](Run& r) { RunDeclarationSection(r, quarterly::DeclarationOptions()); }},
                            {FileKind::SD,
                             [](Run& r) {
                               SaldoRowOptions rows;
                               rows.period = quarterly::MonthInQuarter;
                               RunSaldoRowPass(r, rows);
                             }},
                            {FileKind::SD,
                             [quarter](Run& r) {
                               RunOverlapPass(r, rule::kQuarterlySdPeriodsDisjoint,
                                              [quarter](int month) { return quarterly::QuarterOf(month) == quarter; });
                             }},
                            {FileKind::SD, RunCategoryValidityPass},
                            {FileKind::SD, RunMonthSumPass},
                        });
}

}  // namespace zentrox
