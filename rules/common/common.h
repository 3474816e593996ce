// Values and small passes both package formats share.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/table.h"
#include "report/checks.h"

namespace zentrox::common {

// Sets `to` to the field's text (Table::Text), reusing its storage: the
// passes set the finding context for every row or declaration they visit.
void AssignText(std::string& to, const Table& t, RowId r, int f);
// The same for a field of a linked row; empty when there is none.
void AssignText(std::string& to, const Linked& row, const Table& t, int f);

// Text equality for the short keys and codes passes compare on every row
// (declaration and pack numbers, categories): compared in place, without the
// library call that costs more than the few bytes.
inline bool SameShortText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

// The month of a declaration's total row; the loader adds it to the month
// dictionary.
inline constexpr int kTotalMonth = 13;
// The expense code of a declaration's total expense row; the loader adds it
// to the expense dictionary.
inline constexpr int kTotalExpenseCode = 99;

// The values a pass remembers before its first row, so that the first row
// never reads as a repeat of the one before (or as the group before). No
// pack number reads "qw" (pack numbers are numbers), and no valid IDNP
// (thirteen digits) or CPAS (eleven) reads "qw" or "999111". A file that
// does carry one of them on its first row has that row reported as a repeat
// (a CPAS against an empty line), and a first pack numbered 999111 is never
// compared with its declared declaration count.
inline constexpr std::string_view kNoTextYet = "qw";
inline constexpr std::string_view kNoCodeYet = "999111";
inline constexpr double kNoNumberYet = 999111;

// The monthly cap on an insured person's contributions in `year`; none
// outside 2001 to 2018. Twelve times the amount is the yearly cap.
std::optional<double> MonthlyContributionCap(int year);

// A key value to search an index with a fixed code (month 13, expense code 99).
KeyValue CodeKey(int code);

// The sum of one field over some rows.
double SumOf(const Table& t, Lookup::Range rows, int f);

// ---- the group-total pass ---------------------------------------------------

// Walks `order` (row ids of `t`) in groups of consecutive rows whose
// declaration and pack fields read the same as written, calling `group` with
// each group's rows.
void ForEachDeclarationGroup(const Table& t, const std::vector<RowId>& order, int declaration_field, int pack_field,
                             const std::function<void(std::span<const RowId>)>& group);

// A column a total row carries: the total row's field must equal the sum of
// the field over the other rows of its group. The field is the one `rule`
// names, or `field` of the fields a rule over a range names.
struct TotalColumn {
  const RuleEntry* rule;
  int field = -1;
  int Field() const { return field >= 0 ? field : rule->field.first; }
};

struct GroupTotalOptions {
  // Rows form a group while these two fields read the same as written.
  int declaration_field;
  int pack_field;
  // The field and code that mark a group's total row.
  int code_field;
  int total_code;
  std::span<const TotalColumn> columns;
  const RuleEntry* twice_rule;    // a second total row
  const RuleEntry* missing_rule;  // no total row
};

// At most this many columns.
inline constexpr std::size_t kMaxTotalColumns = 16;

// Walks `order` in declaration groups: each group has exactly one total row, whose columns equal the sums of the
// ordinary rows that `counts` (every ordinary row when it is empty).
// `begin_group` sets the finding context of a group from its first row. A
// line names the total row it compares; a group without one is named by its
// first row, whose fields the line quotes. The row counter is left as it is.
void RunGroupTotalPass(FindingWriter& c, const Table& t, const std::vector<RowId>& order, const GroupTotalOptions& o,
                       const std::function<void(RowId first)>& begin_group,
                       const std::function<bool(RowId)>& counts = {});

}  // namespace zentrox::common
