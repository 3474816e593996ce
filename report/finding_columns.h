// The columns in which findings are handed over as a table (CSV, XLSX): one
// list, so a further column is one more entry here.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "report/protocol.h"

namespace zentrox {

// One fault line of a protocol as a table row sees it.
struct FindingRow {
  std::string_view archive;
  const ProtocolLine& line;
  const Finding& finding;  // an empty finding for a fault line without one
  std::string file;        // the package file of the record, or the section
  std::string record;      // the record's line in its file, or ""
  std::string_view message;
};

struct FindingColumn {
  std::string_view name;  // the header cell
  double width;           // in characters, where a spreadsheet sets widths
  bool number;            // a whole number where a spreadsheet wants one (else text)
  std::string_view (*cell)(const FindingRow& row);
};

// In order: archive, rule, file, record, pack, declaration, name, field,
// value, message, text, expected. The archive comes first.
std::span<const FindingColumn> FindingColumns();

// Calls `row_fn(const FindingRow&)` for every fault line of `protocol`.
template <typename RowFn>
void ForEachFindingRow(const Protocol& protocol, std::string_view archive, RowFn&& row_fn);

FindingRow MakeFindingRow(const ProtocolLine& line, std::string_view archive);

template <typename RowFn>
void ForEachFindingRow(const Protocol& protocol, std::string_view archive, RowFn&& row_fn) {
  for (const ProtocolLine& line : protocol.lines()) {
    if (line.kind == LineKind::Fault) row_fn(MakeFindingRow(line, archive));
  }
}

}  // namespace zentrox
