// The five amounts of the summary, the packs and the monthly rows: their
// sums and the comparisons every new-format section makes with them.
#include "rules/new_format/new_format.h"

namespace zentrox::new_format {

void AddAmounts(Amounts& sums, const Table& t, RowId r, const AmountFields& fields) {
  for (std::size_t k = 0; k < kAmountCount; ++k) sums[k] += t.Number(r, fields[k]);
}

void CheckAmountsEqual(FindingWriter& c, const Table& t, RowId r, const AmountFields& fields,
                       const std::vector<std::string>& captions, const AmountRules& rules, const Amounts& sums) {
  for (std::size_t k = 0; k < kAmountCount; ++k) {
    c.CheckSumEquals(rules[k], t, r, fields[k], captions[static_cast<std::size_t>(fields[k])], sums[k]);
  }
}

void CheckTotalIsSum(FindingWriter& c, std::string_view rule, const Table& t, RowId r, const AmountFields& fields,
                     const std::vector<std::string>& captions) {
  // Amounts 2 and 3 are the two contributions, amount 4 their total.
  if (!CentsEqual(t.Number(r, fields[2]), t.Number(r, fields[3]), t.Number(r, fields[4]))) {
    c.ReportFieldError(rule, captions[static_cast<std::size_t>(fields[4])], kTotalNotSum);
  }
}

}  // namespace zentrox::new_format
