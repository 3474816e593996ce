#include "rules/rule_set.h"

namespace zentrox {

void RunMonthlyRules(RuleRun& run) {
  for (const char* file : {"REV5_T", "REV5_IP", "REV5_NA", "REV5_SD"}) run.checks.BeginSection(file);
}

}  // namespace zentrox
