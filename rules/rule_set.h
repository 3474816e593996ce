// What a control run hands the variant's rule set (part 2 of the protocol),
// and the registry of the variants' rule sets.
//
// A rule set writes one section per package file, its passes run by
// RunSideBySide (which opens each file's section), and leaves the pack and
// declaration counts for the closing summary.
#pragma once

#include <optional>
#include <string>

#include "report/checks.h"
#include "model/schemas.h"
#include "model/variant.h"

namespace zentrox {

struct RuleRun {
  explicit RuleRun(FindingWriter& c) : checks(c) {}
  // The same package and settings, written with `c`; the results start unset.
  RuleRun(const RuleRun& inputs, FindingWriter& c)
      : checks(c), dm(inputs.dm), dm1(inputs.dm1), period(inputs.period), archive_path(inputs.archive_path) {}

  FindingWriter& checks;
  NewFormatTables* dm = nullptr;   // new-format variants
  OldFormatTables* dm1 = nullptr;  // old-format variant
  // The quarter (quarterly) or month (monthly) from the package name; 0 otherwise.
  int period = 0;
  // The window's archive path; the old-format rules look for each pack's
  // registration code in it. Empty when no archive was unpacked.
  std::string archive_path;

  // Results for the closing summary.
  int pack_count = 0;
  int declaration_count = 0;
  // The code that the closing line "Экономический Агент  " names; when the
  // rule set leaves it unset the control run takes REGNOM_EA of the last
  // summary row (new formats) or PL_NKSS of the last pack (old format).
  std::optional<std::string> agent;
};

// A variant's rule set: the passes of part 2 over the loaded package.
using RuleSet = void (*)(RuleRun& run);

// The registry of rule sets, one per variant (rules/rule_set.cpp).
RuleSet RuleSetFor(Variant variant);

void RunQuarterlyRules(RuleRun& run);
void RunAnnualRules(RuleRun& run);
void RunMonthlyRules(RuleRun& run);
void RunAnnualOldRules(RuleRun& run);

}  // namespace zentrox
