// Findings as a spreadsheet workbook (.xlsx).
#pragma once

#include <string>
#include <string_view>

#include "report/protocol.h"

namespace zentrox {

// Writes the findings of `protocol` to `path` as an .xlsx workbook of one
// sheet: the archive named once in the first row, then a frozen header row
// with the columns of report/finding_columns.h after the archive, one row per
// fault line. Every value is a text cell exactly as it stood in the file
// (a spreadsheet turns neither 68520.00 into 68520 nor a date into a
// number); only the record's line number is a number. The file is replaced
// only once the whole workbook is written (report/atomic_write.h); scratch
// files go beside it. Throws std::runtime_error, saying why, on failure.
void WriteFindingsXlsx(const std::string& path, const Protocol& protocol, std::string_view archive);

}  // namespace zentrox
