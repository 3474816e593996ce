#include "intake/listing.h"

#include <string_view>

#include "engine/text.h"

namespace zentrox {

bool ListingHoldsPackage(const std::string& listing) {
  static const char* const kNames[] = {"rev5_t  ", "rev5_na ", "rev5_ip ", "rev5_sd "};
  int entries = -1;
  int recognised = 0;
  std::size_t pos = 0;
  while (pos < listing.size()) {
    std::size_t nl = listing.find('\n', pos);
    std::size_t end = nl == std::string::npos ? listing.size() : nl;
    std::string line = AsciiLower(std::string_view(listing).substr(pos, end - pos));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pos = end + 1;
    if (line.compare(0, 5, "-----") == 0) {
      if (entries == -1) {
        entries = 0;
        continue;
      }
      break;
    }
    if (entries < 0) continue;
    ++entries;
    std::string name = line.size() > 1 ? line.substr(1, 8) : std::string();
    for (const char* n : kNames) {
      if (name == n) ++recognised;
    }
  }
  return recognised == 4 && entries == recognised;
}

}  // namespace zentrox
