// Loaders of package files and reference dictionaries.
//
// Each loader empties its table, reads its file line by line and writes a
// protocol line for every format fault, then goes on: no fault stops a load.
// A file that exists but cannot be read raises FileReadError for the caller.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/table.h"
#include "model/schemas.h"
#include "report/checks.h"

namespace zentrox {

// How a large package file is read on several threads: in at most
// `threads` parts, cut at line starts, none smaller than `min_part_bytes`.
struct LoadSplit {
  std::size_t threads = 1;
  std::size_t min_part_bytes = std::size_t{4} << 20;
};

// Loads a package file (code page 1251, fields ended by 0xB0) into `table`.
// `kind` names the file in the findings and selects the caption list and the
// fields that feed the finding context. A file split in parts is read part
// by part side by side, and gives the table and the lines it gives read in
// one piece.
void LoadPackageFile(FindingWriter& checks, const std::string& path, FileKind kind, Table& table,
                     const LoadSplit& split = {});

// Loads the first "|"-separated column of each line into field 1 of `table`,
// then a row `closing_row` when it is not empty.
void LoadDictionary(FindingWriter& checks, const std::string& path, Table& table, std::string_view closing_row = {});

// Loads every "|"-separated column of each line into the fields of `table`.
void LoadDictionaryRecords(FindingWriter& checks, const std::string& path, Table& table);

// Puts "0" in front of every district code that is not 2 characters long.
void PadDistrictCodes(Table& raion);

}  // namespace zentrox
