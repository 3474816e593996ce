#include "report/name_fields.h"

#include "report/rule_catalogue.h"

namespace zentrox {

std::vector<bool> NameFieldsOf(const Table& table) {
  std::vector<bool> names(static_cast<std::size_t>(table.FieldCount()), false);
  if (table.source_file().empty()) return names;
  for (const RuleEntry* rule : RuleCatalogue()) {
    if (rule->field.kind != FieldKind::Name || rule->file() != table.source_file()) continue;
    const int f = table.CaptionIndex(rule->caption());
    if (f >= 0) names[static_cast<std::size_t>(f)] = true;
  }
  return names;
}

}  // namespace zentrox
