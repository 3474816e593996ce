#include "report/finding_columns.h"

#include <fmt/format.h>

namespace zentrox {

namespace {

const Finding kNoFinding;

const FindingColumn kColumns[] = {
    {"archive", 40, false, [](const FindingRow& r) { return r.archive; }},
    {"rule", 30, false, [](const FindingRow& r) { return std::string_view(r.finding.rule); }},
    {"file", 9, false, [](const FindingRow& r) { return std::string_view(r.file); }},
    {"record", 7, true, [](const FindingRow& r) { return std::string_view(r.record); }},
    {"pack", 7, false, [](const FindingRow& r) { return std::string_view(r.finding.pack); }},
    {"declaration", 11, false, [](const FindingRow& r) { return std::string_view(r.finding.declaration); }},
    {"name", 18, false, [](const FindingRow& r) { return std::string_view(r.finding.name); }},
    {"field", 32, false, [](const FindingRow& r) { return std::string_view(r.finding.caption); }},
    {"value", 14, false, [](const FindingRow& r) { return std::string_view(r.finding.value); }},
    {"message", 40, false, [](const FindingRow& r) { return r.message; }},
    {"text", 90, false, [](const FindingRow& r) { return std::string_view(r.line.text); }},
    {"expected", 30, false, [](const FindingRow& r) { return std::string_view(r.finding.expected); }},
};

}  // namespace

std::span<const FindingColumn> FindingColumns() { return kColumns; }

FindingRow MakeFindingRow(const ProtocolLine& line, std::string_view archive) {
  const Finding& f = line.finding ? *line.finding : kNoFinding;
  std::string file = f.record ? f.record->file : (f.section == "load" ? std::string() : std::string(f.section));
  std::string record = f.record ? fmt::format("{}", f.record->line) : std::string();
  const std::string_view message = line.finding ? std::string_view(f.message) : std::string_view(line.text);
  return {archive, line, f, std::move(file), std::move(record), message};
}

}  // namespace zentrox
