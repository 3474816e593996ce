#include <fmt/format.h>

#include "rules/annual_old/annual_old_sections.h"
#include "rules/rule_set.h"

namespace zentrox {

void RunAnnualOldRules(RuleRun& run) {
  annual_old::RunPackSection(run);
  annual_old::RunDeclarationSection(run);
  annual_old::RunMonthlySection(run);
  annual_old::RunPositionSection(run);
  annual_old::RunExpenseSection(run);
}

namespace annual_old {

void SetRowContext(FindingWriter& checks, const Table& t, RowId r, int declaration_field, int pack_field,
                   const Linked& declaration) {
  checks.context.declaration = t.Text(r, declaration_field);
  checks.context.pack = t.Text(r, pack_field);
  checks.context.name = declaration.Text(old_na::NA_LAST_NAME);
  checks.context.At(t, r);
}

}  // namespace annual_old
}  // namespace zentrox
