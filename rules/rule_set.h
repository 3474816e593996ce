// What a control run hands the variant's rule set (part 2 of the protocol),
// and the registry of the variants' rule sets.
//
// A rule set writes one section per package file, its passes run by
// RunSideBySide (which opens each file's section), and returns what its
// passes computed (the pack and declaration counts), in the passes' order,
// for the closing summary.
#pragma once

#include <string>
#include <vector>

#include "engine/table.h"
#include "model/schemas.h"
#include "model/variant.h"
#include "report/checks.h"
#include "rules/side_by_side.h"

namespace zentrox {

// What the passes read: the loaded tables, const, and the orders and indexes
// derived from them, which the control run owns and the passes share.
struct RuleRun {
  RuleRun(FindingWriter& c, TableIndexes& i) : checks(c), indexes(i) {}
  // The same package and settings, written with `c`.
  RuleRun(const RuleRun& inputs, FindingWriter& c)
      : checks(c),
        indexes(inputs.indexes),
        dm(inputs.dm),
        dm1(inputs.dm1),
        period(inputs.period),
        archive_path(inputs.archive_path) {}

  FindingWriter& checks;
  TableIndexes& indexes;
  const NewFormatTables* dm = nullptr;   // new-format variants
  const OldFormatTables* dm1 = nullptr;  // old-format variant
  // The quarter (quarterly) or month (monthly) from the package name; 0 otherwise.
  int period = 0;
  // The window's archive path; the old-format rules look for each pack's
  // registration code in it. Empty when no archive was unpacked.
  std::string archive_path;
};

// A variant's rule set: the passes of part 2 over the loaded package; returns
// each pass's result in the passes' order. Of the closing summary's agent:
// when no pass names it the control run takes REGNOM_EA of the last summary
// row (new formats).
using RuleSet = std::vector<PassResult> (*)(const RuleRun& run);

// The registry of rule sets, one per variant (rules/rule_set.cpp).
RuleSet RuleSetFor(Variant variant);

std::vector<PassResult> RunQuarterlyRules(const RuleRun& run);
std::vector<PassResult> RunAnnualRules(const RuleRun& run);
std::vector<PassResult> RunMonthlyRules(const RuleRun& run);
std::vector<PassResult> RunAnnualOldRules(const RuleRun& run);

}  // namespace zentrox
