#include "report/json_writer.h"

#include <fmt/format.h>

#include "engine/text.h"
#include "report/findings_summary.h"
#include "report/rule_catalogue.h"

namespace zentrox {

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  std::string text(s);
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t cp = NextCodePoint(text, i);
    switch (cp) {
      case U'"': out += "\\\""; break;
      case U'\\': out += "\\\\"; break;
      case U'\n': out += "\\n"; break;
      case U'\r': out += "\\r"; break;
      case U'\t': out += "\\t"; break;
      default:
        if (cp < 0x20) {
          out += fmt::format("\\u{:04x}", static_cast<unsigned>(cp));
        } else {
          AppendCodePoint(cp, out);
        }
    }
  }
  return out + "\"";
}

namespace {

const char* FormatName(FindingFormat f) {
  switch (f) {
    case FindingFormat::Field: return "field";
    case FindingFormat::FieldNoRow: return "field-no-row";
    case FindingFormat::DuplicateValue: return "duplicate-value";
    case FindingFormat::Pack: return "pack";
    case FindingFormat::Sum: return "sum";
    case FindingFormat::SumMonthly: return "sum-monthly";
    case FindingFormat::Plain: return "plain";
    case FindingFormat::Loader: return "loader";
  }
  return "plain";
}

std::string JsonRow(const std::optional<int>& row) { return row ? fmt::format("{}", *row) : "null"; }

std::string JsonRecord(const RecordRef& record) {
  return fmt::format("{{\"file\": {}, \"line\": {}}}", JsonString(record.file), record.line);
}

std::string JsonRecord(const std::optional<RecordRef>& record) { return record ? JsonRecord(*record) : "null"; }

const char* ExpectedKindName(ExpectedKind k) {
  switch (k) {
    case ExpectedKind::None: return "none";
    case ExpectedKind::Value: return "value";
    case ExpectedKind::Sum: return "sum";
    case ExpectedKind::Code: return "code";
    case ExpectedKind::Duplicate: return "duplicate";
    case ExpectedKind::Date: return "date";
    case ExpectedKind::Characters: return "characters";
    case ExpectedKind::Sentence: return "sentence";
  }
  return "none";
}

// What would satisfy the rule: null, or its kind, its text, the records it
// refers to and the dictionary its codes come from.
std::string JsonExpected(const Finding& f) {
  if (f.expected_kind == ExpectedKind::None) return "null";
  std::string related;
  std::string dictionary = "null";
  int year = 0;
  if (f.links) {
    for (const RecordRef& r : f.links->records) {
      related += related.empty() ? "" : ", ";
      related += JsonRecord(r);
    }
    if (!f.links->dictionary.empty()) dictionary = JsonString(f.links->dictionary);
    year = f.links->year;
  }
  return fmt::format("{{\"kind\": \"{}\", \"text\": {}, \"related\": [{}], \"dictionary\": {}, \"year\": {}}}",
                     ExpectedKindName(f.expected_kind), JsonString(f.expected), related, dictionary,
                     year > 0 ? fmt::format("{}", year) : "null");
}

// The rule's sentence from the catalogue, or null for a rule it lacks.
std::string JsonExplanation(std::string_view rule) {
  const RuleEntry* entry = FindRule(rule);
  return entry ? JsonString(entry->requirement) : "null";
}

}  // namespace

const char* ReportStatus(const Protocol& protocol, const ReportSummary& s) {
  if (!s.completed) return "not-checked";
  return protocol.FaultCount() > 0 ? "findings" : "clean";
}

std::string ProtocolToJson(const Protocol& protocol, const ReportSummary& s) {
  const FindingCounts counts = CountFindings(protocol);
  std::string out = "{\n";
  out += "  \"variant\": " + JsonString(s.variant) + ",\n";
  out += "  \"archive\": " + JsonString(s.archive) + ",\n";
  out += "  \"workdir\": " + JsonString(s.workdir) + ",\n";
  out += fmt::format(
      "  \"summary\": {{\"status\": \"{}\", \"completed\": {}, \"packs\": {}, \"declarations\": {}, "
      "\"findings\": {}, \"left_out\": {}, \"reason\": {}}},\n",
      ReportStatus(protocol, s), s.completed ? "true" : "false", s.packs, s.declarations, counts.findings,
      counts.left_out, s.reason.empty() ? std::string("null") : JsonString(s.reason));
  out += "  \"findings\": [";
  bool first = true;
  for (const ProtocolLine& line : protocol.lines()) {
    if (line.kind != LineKind::Fault) continue;
    out += first ? "\n" : ",\n";
    first = false;
    if (line.finding) {
      const Finding& f = *line.finding;
      out += fmt::format(
          "    {{\"rule\": {}, \"section\": {}, \"pack\": {}, \"declaration\": {}, \"name\": {}, \"caption\": {}, "
          "\"value\": {}, \"message\": {}, \"explanation\": {}, \"row\": {}, \"record\": {}, \"format\": \"{}\", "
          "\"text\": {}, \"expected\": {}}}",
          JsonString(f.rule), JsonString(f.section), JsonString(f.pack), JsonString(f.declaration), JsonString(f.name),
          JsonString(f.caption), f.value.empty() ? "null" : JsonString(f.value), JsonString(f.message),
          JsonExplanation(f.rule), JsonRow(f.row), JsonRecord(f.record), FormatName(f.format), JsonString(line.text),
          JsonExpected(f));
    } else {
      out +=
          "    {\"rule\": \"\", \"section\": \"\", \"pack\": \"\", \"declaration\": \"\", \"name\": \"\", "
          "\"caption\": \"\", \"value\": null, \"message\": " +
          JsonString(line.text) +
          ", \"explanation\": null, \"row\": null, \"record\": null, \"format\": \"plain\", \"text\": " +
          JsonString(line.text) + ", \"expected\": null}";
    }
  }
  out += first ? "],\n" : "\n  ],\n";
  out += "  \"lines\": [";
  first = true;
  for (const ProtocolLine& line : protocol.lines()) {
    out += first ? "\n    " : ",\n    ";
    first = false;
    out += JsonString(line.text);
  }
  out += first ? "]\n}" : "\n  ]\n}";
  return out;
}

}  // namespace zentrox
