#include <fmt/format.h>

#include "rules/annual_old/annual_old_sections.h"
#include "rules/rule_set.h"
#include "rules/side_by_side.h"

namespace zentrox {

// The sections read only the loaded tables, one file each: they run side by
// side, each with a run of its own, and hand back the results they set.
void RunAnnualOldRules(RuleRun& run) {
  using namespace annual_old;
  const SideBySidePass passes[] = {
      {FileKind::PL,
       [&run](FindingWriter& c) {
         RuleRun own(run, c);
         RunPackSection(own);
         run.pack_count = own.pack_count;
         run.agent = std::move(own.agent);
       }},
      {FileKind::NA_OLD,
       [&run](FindingWriter& c) {
         RuleRun own(run, c);
         RunDeclarationSection(own);
         run.declaration_count = own.declaration_count;
       }},
      {FileKind::SD_OLD,
       [&run](FindingWriter& c) {
         RuleRun own(run, c);
         RunMonthlySection(own);
       }},
      {FileKind::DI,
       [&run](FindingWriter& c) {
         RuleRun own(run, c);
         RunPositionSection(own);
       }},
      {FileKind::MU,
       [&run](FindingWriter& c) {
         RuleRun own(run, c);
         RunExpenseSection(own);
       }},
  };
  RunSideBySide(run.checks, passes);
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
