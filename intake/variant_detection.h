// Which variant a package archive holds, told from its name and its entries,
// so that a package opened from a file manager or given to the checker
// without a variant lands in the right window.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/variant.h"

namespace zentrox {

struct DetectedVariant {
  std::optional<Variant> variant;
  std::string reason;  // why none could be told; empty when one was
  // The same as data: the name's period code that no variant holds ("" when
  // the name's length was refused) and the codes the variants hold.
  std::string period_code;
  std::string known_codes;
};

// An entry named rev5_pl (any case) means the old format. Otherwise the
// archive's file name tells: a 30-character name by its period code, the
// variant whose profile holds it (T01-T04 quarterly, L01-L12 monthly, L00
// annual), a 22-character name the variant whose names may be that short.
// Anything else can't be told.
DetectedVariant DetectVariant(std::string_view archive_name, const std::vector<std::string>& entries);

// The entry names of an archiver listing: the lines between its two dashed
// lines, without the size and time columns.
std::vector<std::string> ListingEntryNames(std::string_view listing);

}  // namespace zentrox
