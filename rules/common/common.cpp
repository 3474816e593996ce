#include "rules/common/common.h"

#include <array>
#include <cassert>
#include <iterator>
#include <string>

#include <fmt/format.h>

namespace zentrox::common {

void AssignText(std::string& to, const Table& t, RowId r, int f) {
  const FieldType type = t.field(f).type;
  if (type == FieldType::String || type == FieldType::Float) {
    to.assign(t.View(r, f));
  } else {
    to = t.Text(r, f);
  }
}

void AssignText(std::string& to, const Linked& row, const Table& t, int f) {
  if (row.found()) {
    AssignText(to, t, row.row(), f);
  } else {
    to.clear();
  }
}
namespace {

constexpr int kFirstCapYear = 2001;
constexpr double kMonthlyCap[] = {
    0.00,   0.00,   24.54,   54.90,   83.10,   153.00,  241.80, 657.50, 942.00,  // 2001-2009
    885.00, 990.00, 1065.00, 1155.00, 1267.50, 1350.00, 0.00,   0.00,   0.00,    // 2010-2018
};
constexpr int kLastCapYear = kFirstCapYear + static_cast<int>(std::size(kMonthlyCap)) - 1;

}  // namespace

std::optional<double> MonthlyContributionCap(int year) {
  if (year < kFirstCapYear || year > kLastCapYear) return std::nullopt;
  return kMonthlyCap[year - kFirstCapYear];
}

KeyValue CodeKey(int code) {
  KeyValue k;
  k.empty = false;
  k.number = code;
  k.text = fmt::format("{}", code);
  return k;
}

double SumOf(const Table& t, Lookup::Range rows, int f) {
  double sum = 0;
  for (RowId r : rows) sum += t.Number(r, f);
  return sum;
}

void ForEachDeclarationGroup(const Table& t, const std::vector<RowId>& order, int declaration_field, int pack_field,
                             const std::function<void(std::span<const RowId>)>& group) {
  std::size_t first = 0;
  while (first < order.size()) {
    const std::string_view declaration = t.View(order[first], declaration_field);
    const std::string_view pack = t.View(order[first], pack_field);
    std::size_t last = first + 1;
    // A row copying the one before it in the order holds its keys.
    while (last < order.size() && (t.CopyOf(order[last]) == order[last - 1] ||
                                   (SameShortText(t.View(order[last], declaration_field), declaration) &&
                                    SameShortText(t.View(order[last], pack_field), pack)))) {
      ++last;
    }
    group(std::span<const RowId>(order.data() + first, last - first));
    first = last;
  }
}

void RunGroupTotalPass(FindingWriter& c, const Table& t, const std::vector<RowId>& order, const GroupTotalOptions& o,
                       const std::function<void(RowId first)>& begin_group, const std::function<bool(RowId)>& counts) {
  assert(o.columns.size() <= kMaxTotalColumns);
  std::array<int, kMaxTotalColumns> fields{};
  for (std::size_t k = 0; k < o.columns.size(); ++k) fields[k] = o.columns[k].Field();
  std::vector<RowId> summed;  // the month rows counted towards the total row
  ForEachDeclarationGroup(t, order, o.declaration_field, o.pack_field, [&](std::span<const RowId> rows) {
    begin_group(rows.front());
    summed.clear();
    std::array<double, kMaxTotalColumns> sums{};
    // What the last month row added: a row copying it adds the same.
    std::array<double, kMaxTotalColumns> added{};
    RowId last_month_row = kNoRow;
    bool seen_total = false;
    for (const RowId r : rows) {
      if (last_month_row != kNoRow && t.CopyOf(r) == last_month_row) {
        for (std::size_t k = 0; k < o.columns.size(); ++k) sums[k] += added[k];
        last_month_row = r;
        summed.push_back(r);
        continue;
      }
      if (t.Int(r, o.code_field) != o.total_code) {
        const bool counted = !counts || counts(r);
        for (std::size_t k = 0; k < o.columns.size(); ++k) {
          added[k] = counted ? t.Number(r, fields[k]) : 0.0;
          sums[k] += added[k];
        }
        if (counted) summed.push_back(r);
        last_month_row = r;
        continue;
      }
      last_month_row = kNoRow;
      c.context.At(t, r);
      if (seen_total) c.Report(*o.twice_rule);
      seen_total = true;
      for (std::size_t k = 0; k < o.columns.size(); ++k) {
        c.CheckSumEquals(*o.columns[k].rule, t, r, fields[k], sums[k], FindingWriter::SumLine::MonthSum, summed);
      }
    }
    if (!seen_total) c.Report(*o.missing_rule);
  });
}

}  // namespace zentrox::common
