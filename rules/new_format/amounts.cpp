// The five amounts of the summary, the packs and the monthly rows: their
// sums and the comparisons every new-format section makes with them.
#include "rules/new_format/new_format.h"

namespace zentrox::new_format {

void AddAmounts(Amounts& sums, const Table& t, RowId r, const AmountFields& fields) {
  for (std::size_t k = 0; k < kAmountCount; ++k) sums[k] += t.Number(r, fields[k]);
}

void CheckAmountsEqual(FindingWriter& c, const Table& t, RowId r, const AmountRules& rules, const Amounts& sums) {
  for (std::size_t k = 0; k < kAmountCount; ++k) c.CheckSumEquals(*rules[k], t, r, sums[k]);
}

void CheckTotalIsSum(FindingWriter& c, const RuleEntry& rule, const Table& t, RowId r, const AmountFields& fields) {
  // Amounts 2 and 3 are the two contributions, amount 4 their total.
  if (!CentsEqual(t.Number(r, fields[2]), t.Number(r, fields[3]), t.Number(r, fields[4]))) c.Report(rule);
}

}  // namespace zentrox::new_format
