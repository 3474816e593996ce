// ListingHoldsPackage over arbitrary listings. Whatever it accepts has, between
// its first two dashed lines, exactly four entry lines.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "intake/listing.h"

using namespace zentrox;

namespace {

// An independent count of the lines between the first two dashed lines
// ("-----" at the start, after lower-casing, which leaves dashes alone).
int EntriesBetweenDashes(const std::string& listing) {
  int entries = -1;
  std::size_t pos = 0;
  while (pos < listing.size()) {
    std::size_t nl = listing.find('\n', pos);
    std::size_t end = nl == std::string::npos ? listing.size() : nl;
    const bool dashes = listing.compare(pos, 5, "-----") == 0 && end - pos >= 5;
    pos = end + 1;
    if (dashes) {
      if (entries >= 0) return entries;
      entries = 0;
    } else if (entries >= 0) {
      ++entries;
    }
  }
  return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string listing(fuzz::AsView(data, size));
  if (ListingHoldsPackage(listing) && EntriesBetweenDashes(listing) != 4) __builtin_trap();
  return 0;
}
