#include "report/csv_writer.h"

#include <cctype>

#include "engine/text.h"
#include "report/finding_columns.h"

namespace zentrox {

namespace {

// "-12.50", "-3", "7": an optional minus, digits, and a point with digits
// after it or none.
bool PlainNumber(std::string_view text) {
  std::size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
  const auto digits = [&] {
    const std::size_t from = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    return i > from;
  };
  if (!digits()) return false;
  if (i < text.size() && text[i] == '.') {
    ++i;
    if (!digits()) return false;
  }
  return i == text.size();
}

// A CSV field (RFC 4180): quoted when it holds a comma, a quote, a line end
// or a leading blank. A text that a spreadsheet program would take for a
// formula gets a leading apostrophe, so a value from a package never runs as
// one; only a whole plain number is left as it is, so that negative amounts
// stay numbers.
void AppendCsvField(std::string& out, std::string_view text) {
  const bool formula =
      !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos && !PlainNumber(text);
  const bool quote =
      formula || text.find_first_of(",\"\r\n") != std::string_view::npos || (!text.empty() && text[0] == ' ');
  if (!quote) {
    out += text;
    return;
  }
  out += '"';
  if (formula) out += '\'';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace

std::string FindingsCsvHeader() {
  std::string out = "\xEF\xBB\xBF";
  for (const FindingColumn& column : FindingColumns()) {
    if (out.size() > 3) out += ',';
    out += column.name;
  }
  return out + "\r\n";
}

std::string FindingsToCsvRows(const Protocol& protocol, std::string_view archive) {
  std::string out;
  ForEachFindingRow(protocol, archive, [&out](const FindingRow& row) {
    bool first = true;
    for (const FindingColumn& column : FindingColumns()) {
      if (!first) out += ',';
      first = false;
      AppendCsvField(out, ValidUtf8(column.cell(row)));
    }
    out += "\r\n";
  });
  return out;
}

std::string FindingsToCsv(const Protocol& protocol, std::string_view archive) {
  return FindingsCsvHeader() + FindingsToCsvRows(protocol, archive);
}

}  // namespace zentrox
