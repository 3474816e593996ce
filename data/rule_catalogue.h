// Every rule a run can report, declared once: its id, the package file and
// field it looks at, the message its line carries and, in one sentence, what
// it requires. Findings name their rule by the id; `zentrox-check
// --list-rules` prints the catalogue.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace zentrox {

struct RuleEntry {
  std::string_view id;           // "<set>.<file>.<what is required>"
  std::string_view file;         // "REV5_SD"; "REV5_*" any package file, "*.txt" any dictionary; empty: none
  std::string_view caption;      // the field's caption as the line names it; empty when it names none
  std::string_view message;      // the line's message ("…" stands for the values it quotes)
  std::string_view requirement;  // what the rule requires, in one sentence
};

// Grouped by rule set and file.
std::span<const RuleEntry> RuleCatalogue();
const RuleEntry* FindRule(std::string_view id);

// The catalogue as text (one tab-separated line per rule: id, file, caption,
// requirement) and as a JSON array of objects.
std::string RuleCatalogueText();
std::string RuleCatalogueJson();

}  // namespace zentrox
