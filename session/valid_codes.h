// The codes a dictionary field may hold, with their names, for a client that
// offers them beside a finding of a code missing from its dictionary.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/variant.h"

namespace zentrox {

class Session;

struct ValidCode {
  std::string code;
  std::string name;  // its name in the dictionary; the years it is valid in, where only they are given
};

// The codes of dictionary `dictionary` ("sps_kateg.txt", one of the
// variant's dictionaries) as the working directory holds it, each once, in
// file order; only those valid in `year` when it is not 0 and the
// dictionary gives periods. Empty for a file that is no dictionary of the
// variant or cannot be read.
std::vector<ValidCode> ValidCodes(const Session& session, Variant variant, std::string_view dictionary, int year = 0);

}  // namespace zentrox
