// The whole-file passes over the monthly rows that the new-format sets
// share: overlapping work periods, category validity in the reporting year
// and the month sums against each declaration's total row.
#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "rules/new_format/new_format.h"

namespace zentrox::new_format {

// The memory keeps every row of the declaration (there is no cap on how many
// rows one declaration may have), bucketed by month and category since only
// rows that share both can overlap. The test is the three conditions below,
// not an interval intersection: a later row that contains an earlier one
// does not count, and an empty date is day 0.
void RunOverlapPass(Run& run, const RuleEntry& rule, const std::function<bool(int month)>& takes_part) {
  if (run.trimestr == 0) return;
  FindingWriter& c = run.checks;
  const Table& sd = run.dm.saldo_data;
  Lookup declarations = DeclarationLookup(run.indexes, run.dm.name_account);
  struct Period {
    Date begin, end;
  };
  // The buckets of the current declaration; a declaration has few, so they
  // are searched in turn, and their storage is reused from one declaration
  // to the next.
  struct Bucket {
    int month = 0;
    std::string category;
    std::vector<Period> periods;
  };
  std::vector<Bucket> memory;
  std::size_t buckets = 0;
  c.context.Clear();
  // The declaration's texts, set in the context only when a line needs them.
  SaldoContext context(run, declarations);
  std::string_view declaration, pack;
  // The order by declaration and month, which later passes walk, is taken
  // first: the order here only refines it (and mostly is it).
  run.indexes.SharedOrder(sd, {sd::SD_NA, sd::SD_PL, sd::SD_MONTH});
  const auto shared_order = run.indexes.SharedOrder(
      sd, {sd::SD_NA, sd::SD_PL, sd::SD_MONTH, sd::SD_JOB_CODE, sd::SD_CATEGORY, sd::SD_BEGIN_DT, sd::SD_END_DT});
  const std::vector<RowId>& order = *shared_order;
  c.WalkRows(order, [&](RowId r) {
    if (!common::SameShortText(sd.View(r, sd::SD_NA), declaration) ||
        !common::SameShortText(sd.View(r, sd::SD_PL), pack)) {
      declaration = sd.View(r, sd::SD_NA);
      pack = sd.View(r, sd::SD_PL);
      context.Defer(r);
      buckets = 0;
    }
    const int month = sd.Int(r, sd::SD_MONTH);
    if (month == common::kTotalMonth || !takes_part(month)) return;
    c.context.At(sd, r);  // a line names the later of two overlapping rows
    const Date begin = sd.DateValue(r, sd::SD_BEGIN_DT);
    const Date end = sd.DateValue(r, sd::SD_END_DT);
    const std::string_view category = sd.View(r, sd::SD_CATEGORY);
    std::size_t b = 0;
    while (b < buckets && (memory[b].month != month || memory[b].category != category)) ++b;
    if (b == buckets) {
      if (buckets == memory.size()) memory.emplace_back();
      memory[b].month = month;
      memory[b].category.assign(category);
      memory[b].periods.clear();
      ++buckets;
    }
    std::vector<Period>& periods = memory[b].periods;
    const bool overlaps = std::any_of(periods.begin(), periods.end(), [&](const Period& k) {
      return (k.begin < begin && begin <= k.end) || (k.begin <= end && end < k.end) ||
             (begin == k.begin && end == k.end);
    });
    periods.push_back({begin, end});
    if (overlaps) {
      c.SetDeferredContext();
      c.ReportPlain(rule, c.context.pack, c.context.declaration, c.context.name, month);
    }
  });
  c.SetDeferredContext();
}

namespace {

// Walks the dictionary rows of the category in order: the first row whose
// years hold the reporting year makes it valid; a row that starts in the same
// year as the row before it ends the walk, as does the end of the category.
bool CategoryValidIn(const Table& kategor, Lookup::Range rows, int year) {
  std::optional<int> previous_start;
  for (RowId k : rows) {
    const int start = kategor.DateValue(k, dict::STARTDATE).year();
    const int end = kategor.DateValue(k, dict::ENDDATE).year();
    if (start <= year && year <= end) return true;
    if (previous_start && *previous_start == start) return false;
    previous_start = start;
  }
  return false;
}

}  // namespace

// The context is set only for a row that is reported (and, at the end, for
// the last row that took part, as if it were set for every row): setting it
// means a search in REV5_NA, which would cost more than the test.
void RunCategoryValidityPass(Run& run) {
  FindingWriter& c = run.checks;
  const Table& sd = run.dm.saldo_data;
  Lookup declarations = DeclarationLookup(run.indexes, run.dm.name_account);
  Lookup categories(run.indexes, run.dm.new_kategor, {dict::ID_KATEG});
  // Rows of one declaration mostly share a category: the last answer is kept.
  std::string last_category;
  bool last_valid = false;
  bool have_last = false;
  RowId last_row = kNoRow;
  c.WalkRows(*run.indexes.SharedOrder(sd, {sd::SD_NA, sd::SD_PL, sd::SD_MONTH}), [&](RowId r) {
    if (sd.IsEmpty(r, sd::SD_CATEGORY) || sd.Int(r, sd::SD_MONTH) == common::kTotalMonth) return;
    last_row = r;
    const std::string_view category = sd.View(r, sd::SD_CATEGORY);
    if (!have_last || !common::SameShortText(category, last_category)) {
      last_valid = CategoryValidIn(run.dm.new_kategor, categories.Find(sd, r, {sd::SD_CATEGORY}), run.year);
      last_category.assign(category);
      have_last = true;
    }
    if (!last_valid) {
      SetSaldoContext(run, declarations, r);
      c.ExpectWith(ExpectedKind::Code, [&] { return fmt::format("o categorie valabilă în anul {}", run.year); });
      c.ExpectIn(run.dm.new_kategor, run.year);
      c.ReportNoRow(rule::kNewSdCategoryValidInYear, sd.View(r, sd::SD_CATEGORY), run.year);
    }
  });
  if (last_row != kNoRow) SetSaldoContext(run, declarations, last_row);
}

// The month sums of each declaration against its total row; category 150
// rows never count towards the total row.
void RunMonthSumPass(Run& run) {
  FindingWriter& c = run.checks;
  const Table& sd = run.dm.saldo_data;
  Lookup declarations = DeclarationLookup(run.indexes, run.dm.name_account);
  const common::TotalColumn columns[] = {{&rule::kNewSdFondMatchesMonths},
                                         {&rule::kNewSdIllMatchesMonths},
                                         {&rule::kNewSdSumApMatchesMonths},
                                         {&rule::kNewSdSumEaMatchesMonths},
                                         {&rule::kNewSdTotalMatchesMonths}};
  common::GroupTotalOptions options{.declaration_field = sd::SD_NA,
                                    .pack_field = sd::SD_PL,
                                    .code_field = sd::SD_MONTH,
                                    .total_code = common::kTotalMonth,
                                    .columns = columns,
                                    .twice_rule = &rule::kNewSdTotalRowOnce,
                                    .missing_rule = &rule::kNewSdTotalRowPresent};
  c.row = 0;  // never advanced here: the lines of this pass show "строка 0"
  // The declaration's texts are set in the context only for a group that draws a line.
  SaldoContext context(run, declarations);
  common::RunGroupTotalPass(
      c, sd, *run.indexes.SharedOrder(sd, {sd::SD_NA, sd::SD_PL, sd::SD_MONTH}), options,
      [&](RowId first) { context.Defer(first); }, [&](RowId r) { return sd.View(r, sd::SD_CATEGORY) != "150"; });
  c.SetDeferredContext();
}

}  // namespace zentrox::new_format
