#include "rules/rule_set.h"

namespace zentrox {

void RunAnnualOldRules(RuleRun& run) {
  for (const char* file : {"REV5_PL", "REV5_NA", "REV5_SD", "REV5_DI", "REV5_MU"}) run.checks.BeginSection(file);
}

}  // namespace zentrox
