// Findings as CSV rows for spreadsheet programs.
#pragma once

#include <string>
#include <string_view>

#include "report/protocol.h"

namespace zentrox {

// Findings as CSV for spreadsheet programs: UTF-8 with a byte-order mark,
// CR LF line ends, one row per fault line (its finding's rule, file, record
// line, pack, declaration, name, field caption, the field's text as it stood
// in the file, message and the protocol line), each led by `archive`. The
// header (with the byte-order mark) comes once; a batch appends the rows of
// each archive after it.
std::string FindingsCsvHeader();
std::string FindingsToCsvRows(const Protocol& protocol, std::string_view archive);
std::string FindingsToCsv(const Protocol& protocol, std::string_view archive);

}  // namespace zentrox
