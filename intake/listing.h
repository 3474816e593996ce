// The archiver's listing of a package archive.
#pragma once

#include <string>

namespace zentrox {

// Counts the entries of an archiver listing: accepted only when exactly the
// four new-format package files stand between the two dashed lines.
bool ListingHoldsPackage(const std::string& listing);

}  // namespace zentrox
