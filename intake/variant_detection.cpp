#include "intake/variant_detection.h"

#include "data/text.h"

namespace zentrox {

DetectedVariant DetectVariant(std::string_view archive_name, const std::vector<std::string>& entries) {
  for (const std::string& entry : entries) {
    if (AsciiLower(entry) == "rev5_pl") return {Variant::AnnualOld, {}};
  }
  const std::size_t slash = archive_name.find_last_of('/');
  const std::string_view name = slash == std::string_view::npos ? archive_name : archive_name.substr(slash + 1);
  const std::size_t length = Utf8Length(name);
  if (length == 22) return {Variant::Annual, {}};
  if (length != 30) {
    return {std::nullopt, "the archive's name is neither of the package name's lengths (22 or 30 characters) and it "
                          "holds no rev5_pl"};
  }
  // A 30-character name that is all ASCII: the period code is at 24..26.
  const std::string code = name.size() == 30 ? AsciiLower(name.substr(23, 3)) : std::string();
  if (code.size() == 3 && (code[0] == 't' || code[0] == 'l') && code[1] >= '0' && code[1] <= '9' && code[2] >= '0' &&
      code[2] <= '9') {
    const int n = (code[1] - '0') * 10 + (code[2] - '0');
    if (code[0] == 't' && n >= 1 && n <= 4) return {Variant::Quarterly, {}};
    if (code[0] == 'l' && n >= 1 && n <= 12) return {Variant::Monthly, {}};
    if (code[0] == 'l' && n == 0) return {Variant::Annual, {}};
  }
  // Characters 24..26, whatever the name holds before them, shown as valid
  // UTF-8 on one line.
  const std::string shown = ShownPath(ValidUtf8(Utf8Mid(name, 23, 3)));
  return {std::nullopt, "the period code \"" + shown + "\" in the archive's name is none of T01-T04, L01-L12, L00"};
}

std::vector<std::string> ListingEntryNames(std::string_view listing) {
  std::vector<std::string> names;
  int dashes = 0;
  std::size_t pos = 0;
  while (pos < listing.size() && dashes < 2) {
    std::size_t nl = listing.find('\n', pos);
    std::size_t end = nl == std::string_view::npos ? listing.size() : nl;
    std::string_view line = listing.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.substr(0, 5) == "-----") {
      ++dashes;
      continue;
    }
    if (dashes != 1) continue;
    // " NAME  SIZE DATE TIME": the name is what stands before the last three columns.
    for (int columns = 0; columns < 3; ++columns) {
      std::size_t last = line.find_last_not_of(' ');
      if (last == std::string_view::npos) break;
      line = line.substr(0, last + 1);
      std::size_t blank = line.find_last_of(' ');
      line = blank == std::string_view::npos ? std::string_view() : line.substr(0, blank);
    }
    std::size_t first = line.find_first_not_of(' ');
    if (first == std::string_view::npos) continue;
    line.remove_prefix(first);
    line = line.substr(0, line.find_last_not_of(' ') + 1);
    names.emplace_back(line);
  }
  return names;
}

}  // namespace zentrox
