// Every rule a run can report, declared once: its id, the package field its
// lines name, the message they carry and, in one sentence, what it requires.
// Each rule is a named constant (report/rule_entries.h); the code that reports
// a finding names the constant, and the finding's id, caption and message
// come from it. `zentrox-check --list-rules` prints the catalogue.
#pragma once

#include <fmt/format.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/schemas.h"
#include "report/protocol.h"

namespace zentrox {

// What a field holds, where something besides the rules reads it: the record
// page marks, in a name field, the characters the name check refuses.
enum class FieldKind : std::uint8_t { Other, Name };

// The language the desktop program shows rule sentences in; the protocol's
// own lines stay Russian whatever it is.
enum class SentenceLanguage : std::uint8_t { Romanian, Russian };

// The package file a rule reads and the field (or fields) its lines name by
// caption.
struct RuleField {
  enum class Shape : std::uint8_t {
    None,   // the lines name no field
    One,    // field `first`
    Range,  // one of `first`..`last`, the one a line compares ("4.Январь … 16.Всего")
    Pair,   // `first` and `last` together ("1.Номер декларации,2.Номер пачки")
  };
  std::optional<FileKind> file;
  std::string_view files;  // without `file`: "REV5_*" any package file, "*.txt" any dictionary, or none
  Shape shape = Shape::None;
  int first = -1;
  int last = -1;
  FieldKind kind = FieldKind::Other;
  CaptionSet captions = CaptionSet::Standard;  // the monthly variant names REV5_T field 3 its own way

  // Whether a line of this rule may name field `f`.
  constexpr bool Names(int f) const {
    return shape == Shape::Range ? first <= f && f <= last : (shape == Shape::One && f == first);
  }
};

constexpr RuleField Field(FileKind file, int f, FieldKind kind = FieldKind::Other) {
  RuleField r;
  r.file = file;
  r.shape = RuleField::Shape::One;
  r.first = r.last = f;
  r.kind = kind;
  return r;
}
constexpr RuleField MonthlyField(FileKind file, int f) {
  RuleField r = Field(file, f);
  r.captions = CaptionSet::Monthly;
  return r;
}
constexpr RuleField FieldRange(FileKind file, int first, int last) {
  RuleField r = Field(file, first);
  r.shape = RuleField::Shape::Range;
  r.last = last;
  return r;
}
constexpr RuleField FieldPair(FileKind file, int first, int second) {
  RuleField r = FieldRange(file, first, second);
  r.shape = RuleField::Shape::Pair;
  return r;
}
constexpr RuleField InFile(FileKind file) {
  RuleField r;
  r.file = file;
  return r;
}
constexpr RuleField InFiles(std::string_view files) {
  RuleField r;
  r.files = files;
  return r;
}
constexpr RuleField Nowhere() { return {}; }

struct RuleEntry {
  std::string_view id;  // "<set>.<file>.<what is required>"
  RuleField field;
  // The message of its lines, a {fmt} format string: "{}" for each value a
  // line quotes, in order.
  std::string_view message;
  std::string_view requirement;     // what the rule requires, in one sentence
  std::string_view requirement_ro;  // the same sentence in Romanian, for the desktop program
  // The message of the other fault a rule tells apart (two signs in a row in
  // a name), or of its other kind of file (a dictionary of records).
  std::string_view second_message = {};

  // "REV5_SD"; "REV5_*" any package file, "*.txt" any dictionary; empty: none.
  std::string_view file() const;
  // The caption of the field its lines name, as the catalogue shows it:
  // "4.Январь … 16.Всего" for a range, "" for none.
  std::string caption() const;
  // The requirement in `language`.
  std::string_view Requirement(SentenceLanguage language) const {
    return language == SentenceLanguage::Russian ? requirement : requirement_ro;
  }
};

// The message with `values` in its "{}" in turn.
template <class... Values>
std::string FormatMessage(std::string_view message, const Values&... values) {
  if constexpr (sizeof...(Values) == 0) {
    return std::string(message);
  } else {
    return fmt::format(fmt::runtime(message), values...);
  }
}

// A fault line of `rule` that is its message, with `values` in its "{}".
template <class... Values>
void AddFault(Protocol& protocol, const RuleEntry& rule, const Values&... values) {
  protocol.AddFault(FormatMessage(rule.message, values...), rule.id);
}

// A message as the catalogue shows it: "…" for each value.
std::string ShownMessage(std::string_view message);

// Grouped by rule set and file.
std::span<const RuleEntry* const> RuleCatalogue();
const RuleEntry* FindRule(std::string_view id);

// The catalogue as text (one tab-separated line per rule: id, file, caption,
// requirement) and as a JSON array of objects (with the Romanian sentence as
// "requirement_ro").
std::string RuleCatalogueText();
std::string RuleCatalogueJson();

}  // namespace zentrox
