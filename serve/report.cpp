#include "report.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "report/csv_writer.h"
#include "report/findings_summary.h"
#include "report/json_writer.h"
#include "report/rtf_writer.h"
#include "report/text_writer.h"

namespace zentrox::serve {

bool ParseFormat(std::string_view text, Format& format) {
  if (text == "json")
    format = Format::Json;
  else if (text == "text")
    format = Format::Text;
  else if (text == "csv")
    format = Format::Csv;
  else if (text == "rtf")
    format = Format::Rtf;
  else
    return false;
  return true;
}

const char* ContentType(Format format) {
  switch (format) {
    case Format::Text: return "text/plain; charset=utf-8";
    case Format::Csv: return "text/csv; charset=utf-8";
    case Format::Rtf: return "application/rtf";
    default: return "application/json";
  }
}

namespace {

std::string StyledLines(const Protocol& protocol) {
  std::string out = "[";
  const char* sep = "\n    ";
  for (const ProtocolLine& line : protocol.lines()) {
    const TextStyle& s = line.style;
    out += fmt::format(R"({}{{"text": {}, "color": "#{:02x}{:02x}{:02x}", "bold": {}, "italic": {}, )"
                       R"("height": {}, "fault": {}}})",
                       sep, JsonString(line.text), s.color.r, s.color.g, s.color.b, s.bold, s.italic, s.height,
                       line.kind == LineKind::Fault);
    sep = ",\n    ";
  }
  return out + (protocol.lines().empty() ? "]" : "\n  ]");
}

std::string Records(const std::vector<NamedRecord>& records) {
  std::string out = "[";
  const char* sep = "\n    ";
  for (const NamedRecord& r : records) {
    out += fmt::format(R"({}{{"file": {}, "line": {}, "fields": [)", sep, JsonString(r.file), r.line);
    for (std::size_t f = 0; f < r.fields.size(); ++f) {
      out += fmt::format(R"({}{{"caption": {}, "text": {}}})", f == 0 ? "" : ", ", JsonString(r.fields[f].caption),
                         JsonString(r.fields[f].text));
    }
    out += "], \"marks\": [";
    const char* mark_sep = "";
    for (std::size_t f = 0; f < r.fields.size(); ++f) {
      const NamedRecordField& field = r.fields[f];
      if (!field.unconverted && field.odd.empty()) continue;
      out += fmt::format(R"({}{{"field": {}, "unconverted": {}, "odd": [{}]}})", mark_sep, f, field.unconverted,
                         fmt::join(field.odd, ", "));
      mark_sep = ", ";
    }
    out += "]}";
    sep = ",\n    ";
  }
  return out + (records.empty() ? "]" : "\n  ]");
}

std::string Groups(const Protocol& protocol) {
  const FindingsSummary summary = SummariseFindings(protocol);
  std::string out = "[";
  const char* sep = "\n    ";
  for (const FindingGroup& g : summary.groups) {
    out +=
        fmt::format(R"({}{{"file": {}, "rule": {}, "message": {}, "mixed": {}, "lines": [{}], "first_records": [{}]}})",
                    sep, JsonString(g.file), JsonString(g.rule), JsonString(g.message), g.mixed,
                    fmt::join(g.lines, ","), fmt::join(g.first_records, ", "));
    sep = ",\n    ";
  }
  return out + (summary.groups.empty() ? "]" : "\n  ]");
}

}  // namespace

std::string RenderReport(const Report& report) {
  static const Protocol kEmpty;
  const Protocol& protocol = report.protocol != nullptr ? *report.protocol : kEmpty;
  switch (report.format) {
    case Format::Text: return ProtocolToText(protocol);
    case Format::Csv: return FindingsCsvHeader() + FindingsToCsvRows(protocol, report.summary.archive);
    case Format::Rtf: return ProtocolToRtf(protocol);
    case Format::Json: break;
  }
  std::string json = ProtocolToJson(protocol, report.summary);
  // The object's closing brace makes way for the added members.
  const std::size_t close = json.rfind('}');
  json.resize(json.find_last_not_of(" \n", close - 1) + 1);
  json += ",\n  \"styled_lines\": " + StyledLines(protocol);
  json += ",\n  \"records\": " + Records(report.records);
  json += ",\n  \"groups\": " + Groups(protocol);
  json += ",\n  \"end\": " + (report.end.empty() ? std::string("null") : JsonString(report.end));
  json += ",\n  \"reason\": " + (report.reason.empty() ? std::string("null") : JsonString(report.reason));
  return json + "\n}\n";
}

std::string HideJobPaths(std::string text, const std::string& job_dir) {
  const std::pair<std::string, std::string> shown[] = {{job_dir + "work/", kShownWorkdir}, {job_dir + "in/", ""}};
  for (const auto& [from, to] : shown) {
    std::string out;
    std::size_t at = 0;
    for (std::size_t found; (found = text.find(from, at)) != std::string::npos; at = found + from.size()) {
      out.append(text, at, found - at);
      out += to;
    }
    if (at == 0) continue;
    out.append(text, at);
    text = std::move(out);
  }
  return text;
}

}  // namespace zentrox::serve
