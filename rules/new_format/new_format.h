// The pieces the three new-format rule sets (quarterly, annual, monthly)
// share: the REV5_T, REV5_IP and REV5_NA sections, the REV5_SD row pass frame
// and its whole-file passes. Each variant composes them with a small options
// struct and adds its own rules where its behaviour differs.
//
// Each check names its catalogue entry (report/rule_entries.h), whose id
// follows "<set>.<file>.<check>": <set> is "new" for a check whose behaviour
// all new-format sets share, or the variant ("quarterly", "annual",
// "monthly") for a check that is its own; <file> is t, ip, na or sd.
#pragma once

#include <array>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "report/rule_entries.h"
#include "rules/common/common.h"
#include "rules/rule_set.h"

namespace zentrox::new_format {

// What every new-format section reads: the run, the tables (const) and the
// values of the package summary; and what its pass computes. Each pass has a
// Run of its own.
struct Run {
  explicit Run(const RuleRun& rule_run);
  // The same run, its lines written with `checks`; its result unset.
  Run(const Run& run, FindingWriter& checks);

  const RuleRun& rule_run;
  FindingWriter& checks;
  const NewFormatTables& dm;
  // The orders and lookup indexes the passes share.
  TableIndexes& indexes;

  // YEAR and TRIMESTR of the last summary row; 0 when REV5_T has no row.
  int year = 0;
  int trimestr = 0;
  // PACKS_TOTAL of the last summary row; 0 when REV5_T has no row.
  int declared_packs = 0;

  // What the pass computes for the closing summary.
  PassResult result;
};

// A pass of a rule set over the loaded package; `file` is the file whose
// section its lines belong to, which the first pass of the file opens (see
// SideBySidePass for what a pass may read).
struct Pass {
  FileKind file;
  std::function<void(Run&)> run;
};

// Runs a rule set's passes, side by side where there are cores for it, with
// the protocol of the passes run in turn (rules/side_by_side.h); returns
// each pass's result in the passes' order.
std::vector<PassResult> RunPasses(Run& run, std::initializer_list<Pass> passes);

// ---- the five amounts -------------------------------------------------------

// The five amounts the summary, a pack and a monthly row each carry, in this
// order: fund, sick leave, the insured person's and the employer's
// contributions, and their total.
inline constexpr std::size_t kAmountCount = 5;
using AmountFields = std::array<int, kAmountCount>;
using Amounts = std::array<double, kAmountCount>;
// The five rules of a comparison, in the order of the amounts; each names
// its amount's field.
using AmountRules = std::array<const RuleEntry*, kAmountCount>;

inline constexpr AmountFields kSummaryAmounts = {svod::PAYM_FOND, svod::ILL, svod::SUM_AP, svod::SUM_EA,
                                                 svod::SUM_TOTAL};
inline constexpr AmountFields kPackAmounts = {pl::PL_PAYM_FOND, pl::PL_ILL, pl::PL_SUM_AP, pl::PL_SUM_EA,
                                              pl::PL_SUM_TOTAL};
inline constexpr AmountFields kSaldoAmounts = {sd::SD_PAYM_FOND, sd::SD_ILL, sd::SD_SUM_AP, sd::SD_SUM_EA,
                                               sd::SD_SUM_TOTAL};

// Adds the amounts of row `r` to `sums`.
void AddAmounts(Amounts& sums, const Table& t, RowId r, const AmountFields& fields);

// Each amount of row `r` against its sum, in the order of the amounts.
void CheckAmountsEqual(FindingWriter& c, const Table& t, RowId r, const AmountRules& rules, const Amounts& sums);

// The total contribution of row `r` is the sum of the other two; `rule`
// names the total's field.
void CheckTotalIsSum(FindingWriter& c, const RuleEntry& rule, const Table& t, RowId r, const AmountFields& fields);

// ---- REV5_T ---------------------------------------------------------------

struct SummaryOptions {
  // YEAR may be at most today's year minus `years_back`.
  const RuleEntry* year_rule = &rule::kNewTYearNotFuture;
  int years_back = 0;
  // TRIMESTR must lie in [period_min, period_max].
  const RuleEntry* period_rule = nullptr;
  int period_min = 1;
  int period_max = 4;
};

// The summary section.
void RunSummarySection(Run& run, const SummaryOptions& options);

// ---- REV5_IP --------------------------------------------------------------

// The pack section, the pack-count line and the duplicate-pack pass; its
// result is the pack count of the closing summary.
void RunPackSection(Run& run);

// ---- REV5_NA --------------------------------------------------------------

// How a row of one file proves that the row it belongs to exists in another.
enum class LinkTest {
  // The linked row's key values are compared with the row's own; with no
  // linked row they read 0, so a row whose keys are both 0 or empty passes.
  KeyValues,
  // A linked row must exist.
  RowExists,
};

struct DeclarationOptions {
  // The rule an empty NA_CPAS breaks; none: an empty NA_CPAS is no fault.
  const RuleEntry* cpas_missing_rule = nullptr;
  LinkTest monthly_rows = LinkTest::KeyValues;
};

// The declaration section and its three whole-file passes (duplicate CPAS,
// declarations per pack, duplicate IDNP); its result is the declaration count.
void RunDeclarationSection(Run& run, const DeclarationOptions& options);

// ---- REV5_SD --------------------------------------------------------------

// Links of the monthly-row pass, each built once.
// REV5_NA searched for a monthly row's declaration by pack, then by
// declaration number: the order in which both files usually keep their rows,
// so that a walk of the monthly rows finds each declaration beside the one
// found before, not through its hash (a cache miss in a large table).
inline Lookup DeclarationLookup(TableIndexes& indexes, const Table& name_account) {
  return Lookup(indexes, name_account, {na::NA_PL, na::NA_ID});
}
inline RowId FindDeclaration(Lookup& declarations, const Table& saldo_data, RowId r) {
  return declarations.First(saldo_data, r, {sd::SD_PL, sd::SD_NA});
}

struct SaldoLinks {
  SaldoLinks(TableIndexes& indexes, const NewFormatTables& dm);
  SaldoLinks(const SaldoLinks&) = delete;  // the column links point into it
  SaldoLinks& operator=(const SaldoLinks&) = delete;
  Lookup declaration;  // name_account by NA_PL;NA_ID (DeclarationLookup)
  Lookup pack;         // pack_label by PL_ID
  Lookup month;        // months by ID_MONTH
  Lookup category;     // new_kategor by ID_KATEG
  Lookup prof;         // prof by ID_PROF
  Lookup new_prof;     // new_prof by ID_PROF
  // The same links of each REV5_SD row, found once per value.
  Lookup::ColumnLink pack_of;      // by SD_PL
  Lookup::ColumnLink month_of;     // by SD_MONTH
  Lookup::ColumnLink category_of;  // by SD_CATEGORY
  Lookup::ColumnLink prof_of;      // by SD_JOB_CODE
  Lookup::ColumnLink new_prof_of;  // by SD_JOB_CODE
};

// One monthly row of the row pass, with the values most rules read.
struct SaldoRow {
  SaldoRow(Run& run, SaldoLinks& links, RowId r);
  // With the linked REV5_NA row already found.
  SaldoRow(Run& run, SaldoLinks& links, RowId r, RowId declaration);

  Run& run;
  FindingWriter& checks;
  const Table& sd;
  SaldoLinks& links;
  RowId r;
  RowId declaration;  // the linked REV5_NA row, kNoRow when none
  int month;          // SD_MONTH, 0 when empty
  bool total;         // month 13: the declaration's total row
  std::string category;

  bool HasDate(int f) const { return !sd.IsEmpty(r, f); }
  Date DateOf(int f) const { return sd.DateValue(r, f); }
  // The year, month and day of SD_BEGIN_DT or SD_END_DT, computed once per
  // row: the date rules read them several times.
  const Ymd& YmdOf(int f) const;
  // A float is read from its text: the rules of a row ask for the same
  // amounts several times, and each is read once.
  double Amount(int f) const {
    const auto bit = static_cast<std::uint32_t>(1) << f;
    if ((amounts_read_ & bit) == 0) {
      amounts_[static_cast<std::size_t>(f)] = sd.Number(r, f);
      amounts_read_ |= bit;
    }
    return amounts_[static_cast<std::size_t>(f)];
  }
  bool CategoryIs(std::string_view c) const { return category == c; }

 private:
  mutable Ymd ymd_[2];
  mutable int ymd_field_[2] = {-1, -1};
  mutable std::array<double, 32> amounts_{};
  mutable std::uint32_t amounts_read_ = 0;  // a bit per field
};

using SaldoRule = void (*)(SaldoRow&);

// The rules of one monthly row: a list the three sets share, with slots for
// what a variant does its own way. A rule all sets add goes into the shared
// list (ApplySaldoRowRules) once; the defaults are the quarterly rules.
struct SaldoRowOptions {
  LinkTest declaration_link = LinkTest::KeyValues;
  // After the month checks: the month against the reporting period.
  SaldoRule period = nullptr;
  SaldoRule job_code;
  // The begin and end dates, after the days per week.
  SaldoRule dates;
  // The amounts, after the category 150 fund.
  SaldoRule amounts;

  SaldoRowOptions();
};

// Applies the shared list with the variant's slots to one row.
void ApplySaldoRowRules(SaldoRow& row, const SaldoRowOptions& options);

// The monthly-row pass frame: walks the rows of REV5_SD in file order with
// the context of each row set, applies the row rules to each and writes the
// empty-file line when there was no row.
void RunSaldoRowPass(Run& run, const SaldoRowOptions& options);

// FindingWriter of one monthly row shared by the new-format sets; each writes at
// most the findings its name says.
namespace sd_rules {
void DeclarationFilled(SaldoRow& row);
void DeclarationExists(SaldoRow& row, LinkTest test);
void PackFilledAndKnown(SaldoRow& row);
void MonthFilledAndKnown(SaldoRow& row);  // filled, in `months`, not "0"
void JobCodeKnown(SaldoRow& row);         // in `prof` when set and not 0
void CategoryFilledAndKnown(SaldoRow& row);
void DaysWeek(SaldoRow& row);  // filled, 5 or 6
void BeginRequired(SaldoRow& row);
void EndRequired(SaldoRow& row);
void EndNotBeforeBegin(SaldoRow& row);
void DateMonthsAgree(SaldoRow& row);
void BeginYearNearYear(SaldoRow& row);
void EndYearNearYear(SaldoRow& row);
void DateYearsAgree(SaldoRow& row);
void ExemptCategoryContributions(SaldoRow& row);  // 150, 153, 154 with a fund
void Category150Fund(SaldoRow& row);
void SickLeaveIndividual(SaldoRow& row);
void SickLeaveEmployer(SaldoRow& row);
void TotalIsSum(SaldoRow& row);
// The default slots: both dates required, in one month and year near YEAR;
// sick-leave contributions and the total.
void Dates(SaldoRow& row);
void Amounts(SaldoRow& row);
}  // namespace sd_rules

// Overlapping work periods of one declaration, for the rows whose month
// `takes_part` (never a total row); runs only when TRIMESTR is not 0.
void RunOverlapPass(Run& run, const RuleEntry& rule, const std::function<bool(int month)>& takes_part);

// Whether each row's category is valid in the reporting year.
void RunCategoryValidityPass(Run& run);

// The month sums of each declaration against its total row.
void RunMonthSumPass(Run& run);

// Sets the finding context to a monthly row's pack, declaration and the last
// name of its declaration, and the row as the record its lines name.
void SetSaldoContext(Run& run, Lookup& declarations, RowId r);

// The same, with the texts deferred to the first line written (see
// FindingWriter::DeferContext); the row is set as the record at once.
class SaldoContext final : public FindingWriter::ContextSource {
 public:
  SaldoContext(Run& run, Lookup& declarations) : run_(run), declarations_(declarations) {}
  SaldoContext(const SaldoContext&) = delete;
  SaldoContext& operator=(const SaldoContext&) = delete;
  ~SaldoContext();
  void Defer(RowId r);
  void SetContext(RowId r) override;

 private:
  Run& run_;
  Lookup& declarations_;
};

}  // namespace zentrox::new_format
