#include "rules/rule_set.h"

#include <utility>

namespace zentrox {
namespace {

// Each variant's rule set, registered once.
const std::pair<Variant, RuleSet> kRuleSets[] = {
    {Variant::Monthly, RunMonthlyRules},
    {Variant::Quarterly, RunQuarterlyRules},
    {Variant::Annual, RunAnnualRules},
    {Variant::AnnualOld, RunAnnualOldRules},
};

static_assert(std::size(kRuleSets) == kVariantCount, "one rule set per variant");

}  // namespace

RuleSet RuleSetFor(Variant variant) {
  for (const auto& [registered, rules] : kRuleSets) {
    if (registered == variant) return rules;
  }
  return nullptr;
}

}  // namespace zentrox
