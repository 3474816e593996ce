// Which fields of a loaded package file hold a person's name: those a
// catalogued rule checks with the name alphabet.
#pragma once

#include <vector>

#include "engine/table.h"

namespace zentrox {

// One flag per field of `table`, true for a name field; all false for a
// table read from no package file.
std::vector<bool> NameFieldsOf(const Table& table);

}  // namespace zentrox
