#include <fmt/format.h>

#include "rules/annual_old/annual_old_sections.h"
#include "rules/rule_set.h"
#include "rules/side_by_side.h"

namespace zentrox {

// The sections read only the loaded tables, one file each: they run side by
// side, each with a run of its own, and return what they compute.
std::vector<PassResult> RunAnnualOldRules(const RuleRun& run) {
  using namespace annual_old;
  const auto pass = [&run](FileKind file, PassResult (*section)(const RuleRun&)) {
    return SideBySidePass{file, [&run, section](FindingWriter& c) { return section(RuleRun(run, c)); }};
  };
  const SideBySidePass passes[] = {
      pass(FileKind::PL, RunPackSection),        pass(FileKind::NA_OLD, RunDeclarationSection),
      pass(FileKind::SD_OLD, RunMonthlySection), pass(FileKind::DI, RunPositionSection),
      pass(FileKind::MU, RunExpenseSection),
  };
  return RunSideBySide(run.checks, passes);
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
