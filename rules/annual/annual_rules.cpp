// The annual rule set of the new formats: the shared sections with the
// annual summary rules, an optional CPAS, dates checked against each row's
// month, negative amounts, the contribution limits, and a duplicate-month
// pass in place of the overlap pass.
#include <optional>

#include "rules/new_format/new_format.h"

namespace zentrox {
namespace annual {
namespace {

using new_format::SaldoRow;
namespace sd_rules = new_format::sd_rules;

// The summary rules with the year before the current one as the latest and
// TRIMESTR 0 as the only period.
new_format::SummaryOptions SummaryOptions() {
  new_format::SummaryOptions o;
  o.year_rule = &rule::kAnnualTYearBeforeCurrent;
  o.years_back = 1;
  o.period_rule = &rule::kAnnualTPeriodZero;
  o.period_min = 0;
  o.period_max = 0;
  return o;
}

// An annual declaration may go without CPAS; its monthly rows are linked by
// their key values.
new_format::DeclarationOptions DeclarationOptions() {
  new_format::DeclarationOptions o;
  o.cpas_missing_rule = nullptr;
  o.monthly_rows = new_format::LinkTest::KeyValues;
  return o;
}

// Each date of a monthly row, in the field `rule` names, must lie in the
// row's own month.
void DateInRowMonth(SaldoRow& row, const RuleEntry& rule) {
  const int f = rule.field.first;
  if (row.total || !row.HasDate(f)) return;
  if (row.YmdOf(f).month != row.month) row.checks.Report(rule);
}

// A period has both ends or none.
void BeginWithoutEnd(SaldoRow& row) {
  if (row.total || !row.HasDate(sd::SD_BEGIN_DT) || row.HasDate(sd::SD_END_DT)) return;
  row.checks.ReportWith(rule::kAnnualSdBeginWithEnd, [&] { return std::tuple(row.sd.Text(row.r, sd::SD_BEGIN_DT)); });
}

void EndWithoutBegin(SaldoRow& row) {
  if (row.total || !row.HasDate(sd::SD_END_DT) || row.HasDate(sd::SD_BEGIN_DT)) return;
  row.checks.ReportWith(rule::kAnnualSdEndWithBegin, [&] { return std::tuple(row.sd.Text(row.r, sd::SD_END_DT)); });
}

void SickLeaveWithinFund(SaldoRow& row) {
  if (row.Amount(sd::SD_ILL) > row.Amount(sd::SD_PAYM_FOND)) row.checks.Report(rule::kAnnualSdIllWithinFund);
}

// The monthly contribution limit applied in 2003 to 2007, compared in cents.
void MonthlyContributionLimit(SaldoRow& row) {
  const int year = row.run.year;
  if (row.total || year < 2003 || year > 2007) return;
  const double limit = *common::MonthlyContributionCap(year);
  if (Cents(row.Amount(sd::SD_SUM_AP)) > Cents(limit)) {
    row.checks.Report(rule::kAnnualSdSumApWithinMonthlyLimit, FormatLimit(limit));
  }
}

// Each date lies in the row's month; a period has both ends or none.
void Dates(SaldoRow& row) {
  DateInRowMonth(row, rule::kAnnualSdBeginInMonth);
  sd_rules::EndNotBeforeBegin(row);
  BeginWithoutEnd(row);
  EndWithoutBegin(row);
  sd_rules::BeginYearNearYear(row);
  DateInRowMonth(row, rule::kAnnualSdEndInMonth);
  sd_rules::EndYearNearYear(row);
  sd_rules::DateYearsAgree(row);
}

// The shared amount rules with negative amounts, sick leave within the fund
// and the monthly limit.
void Amounts(SaldoRow& row) {
  row.checks.CheckNotNegative(rule::kAnnualSdFundNotNegative, row.sd, row.r);
  sd_rules::SickLeaveIndividual(row);
  sd_rules::SickLeaveEmployer(row);
  SickLeaveWithinFund(row);
  if (row.run.year >= 2003) row.checks.CheckNotNegative(rule::kAnnualSdIllNotNegative, row.sd, row.r);
  row.checks.CheckNotNegative(rule::kAnnualSdSumApNotNegative, row.sd, row.r);
  row.checks.CheckNotNegative(rule::kAnnualSdSumEaNotNegative, row.sd, row.r);
  sd_rules::TotalIsSum(row);
  MonthlyContributionLimit(row);
}

new_format::SaldoRowOptions SaldoRowOptions() {
  new_format::SaldoRowOptions o;
  o.dates = Dates;
  o.amounts = Amounts;
  return o;
}

// Two rows of one declaration and category whose periods share a day (both
// bounds included) declare the same month twice. An empty date stands for the
// first or last day of the row's month in the reporting year; when the year
// forms no date (0, say) an empty date stays day 0. The memory keeps every
// row of the declaration: there is no cap on a declaration's size. Runs only
// for an annual summary (TRIMESTR 0).
void RunDuplicateMonthPass(new_format::Run& run) {
  if (run.trimestr != 0) return;
  FindingWriter& c = run.checks;
  const Table& sd = run.dm.saldo_data;
  struct Period {
    Date begin, end;
  };
  // The periods of the current declaration by category; a declaration has
  // few categories, so they are searched in turn, and their storage is
  // reused from one declaration to the next.
  struct Bucket {
    std::string category;
    std::vector<Period> periods;
  };
  std::vector<Bucket> memory;
  std::size_t buckets = 0;
  c.context.Clear();
  // The order by declaration and month, which later passes walk, is taken
  // first: the order here only refines it (and mostly is it).
  run.indexes.SharedOrder(sd, {sd::SD_NA, sd::SD_PL, sd::SD_MONTH});
  c.WalkRows(*run.indexes.SharedOrder(sd, {sd::SD_NA, sd::SD_PL, sd::SD_MONTH, sd::SD_JOB_CODE, sd::SD_CATEGORY}),
             [&](RowId r) {
               if (sd.View(r, sd::SD_NA) != c.context.declaration || sd.View(r, sd::SD_PL) != c.context.pack) {
                 c.context.declaration.assign(sd.View(r, sd::SD_NA));
                 c.context.pack.assign(sd.View(r, sd::SD_PL));  // the last name stays empty in this pass
                 buckets = 0;
               }
               c.context.At(sd, r);  // a line names the later of two rows
               const int month = sd.Int(r, sd::SD_MONTH);
               if (month < 1 || month > 12) return;
               const std::optional<Date> first = Date::FromYmd(run.year, month, 1);
               Date begin = sd.DateValue(r, sd::SD_BEGIN_DT);
               Date end = sd.DateValue(r, sd::SD_END_DT);
               if (sd.IsEmpty(r, sd::SD_BEGIN_DT)) begin = first.value_or(Date());
               if (sd.IsEmpty(r, sd::SD_END_DT)) {
                 end = first ? *Date::FromYmd(run.year, month, DaysInMonth(run.year, month)) : Date();
               }
               const std::string_view category = sd.View(r, sd::SD_CATEGORY);
               std::size_t b = 0;
               while (b < buckets && memory[b].category != category) ++b;
               if (b == buckets) {
                 if (buckets == memory.size()) memory.emplace_back();
                 memory[b].category.assign(category);
                 memory[b].periods.clear();
                 ++buckets;
               }
               std::vector<Period>& periods = memory[b].periods;
               bool duplicate = false;
               for (const Period& k : periods) {
                 if ((k.begin <= begin && begin <= k.end) || (k.begin <= end && end <= k.end)) {
                   duplicate = true;
                   break;
                 }
               }
               periods.push_back({begin, end});
               if (duplicate) c.Report(rule::kAnnualSdMonthUnique);
             });
}

// The yearly contribution limit from 2008: the contributions of a
// declaration's months (category 150 and periods begun in another year left
// out) against twelve monthly limits, compared in cents. A line names the
// declaration's first row, whose fields it quotes.
void RunYearlyLimitPass(new_format::Run& run) {
  FindingWriter& c = run.checks;
  const Table& sd = run.dm.saldo_data;
  Lookup declarations = new_format::DeclarationLookup(run.indexes, run.dm.name_account);
  const std::optional<double> monthly = common::MonthlyContributionCap(run.year);
  if (!monthly || run.year < 2008) return;
  const double limit = 12 * *monthly;
  c.row = 0;  // never advanced here: the lines of this pass show "строка 0"
  const auto shared_order = run.indexes.SharedOrder(sd, {sd::SD_NA, sd::SD_PL, sd::SD_MONTH});
  const std::vector<RowId>& order = *shared_order;
  common::ForEachDeclarationGroup(sd, order, sd::SD_NA, sd::SD_PL, [&](std::span<const RowId> rows) {
    new_format::SetSaldoContext(run, declarations, rows.front());
    double sum = 0;
    for (RowId r : rows) {
      if (sd.Int(r, sd::SD_MONTH) == common::kTotalMonth || sd.View(r, sd::SD_CATEGORY) == "150") continue;
      if (!sd.IsEmpty(r, sd::SD_BEGIN_DT) && sd.DateValue(r, sd::SD_BEGIN_DT).year() != run.year) continue;
      sum += sd.Number(r, sd::SD_SUM_AP);
    }
    if (Cents(sum) > Cents(limit)) {
      c.Report(rule::kAnnualSdSumApWithinYearlyLimit, FormatLimit(limit));
    }
  });
}

}  // namespace
}  // namespace annual

std::vector<PassResult> RunAnnualRules(const RuleRun& rule_run) {
  using namespace new_format;
  Run run(rule_run);
  return RunPasses(run, {
                            {FileKind::T, [](Run& r) { RunSummarySection(r, annual::SummaryOptions()); }},
                            {FileKind::IP, RunPackSection},
                            {FileKind::NA, [](Run& r) { RunDeclarationSection(r, annual::DeclarationOptions()); }},
                            {FileKind::SD, [](Run& r) { RunSaldoRowPass(r, annual::SaldoRowOptions()); }},
                            {FileKind::SD, annual::RunDuplicateMonthPass},
                            {FileKind::SD, annual::RunYearlyLimitPass},
                            {FileKind::SD, RunCategoryValidityPass},
                            {FileKind::SD, RunMonthSumPass},
                        });
}

}  // namespace zentrox
