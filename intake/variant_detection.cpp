#include "intake/variant_detection.h"

#include <fmt/format.h>

#include <algorithm>

#include "engine/text.h"
#include "intake/package_name.h"

namespace zentrox {

DetectedVariant DetectVariant(std::string_view archive_name, const std::vector<std::string>& entries) {
  for (const std::string& entry : entries) {
    if (AsciiLower(entry) == "rev5_pl") return {Variant::AnnualOld, {}, {}, {}};
  }
  const std::size_t slash = archive_name.find_last_of('/');
  const std::string_view name = slash == std::string_view::npos ? archive_name : archive_name.substr(slash + 1);
  const std::size_t length = Utf8Length(name);
  if (length == 22) {
    for (Variant v : AllVariants()) {
      if (Profile(v).name_policy == NamePolicy::Length22Or30) return {v, {}, {}, {}};
    }
  }
  if (length != 30) {
    return {std::nullopt,
            "the archive's name is neither of the package name's lengths (22 or 30 characters) and it "
            "holds no rev5_pl",
            {},
            {}};
  }
  // A 30-character name that is all ASCII: the period code is at 24..26, in
  // either case.
  const std::string code = name.size() == 30 ? AsciiUpper(name.substr(23, 3)) : std::string();
  std::vector<const PeriodCodes*> families;
  for (Variant v : AllVariants()) {
    const PeriodCodes& codes = Profile(v).period.codes;
    if (codes.letter.empty()) continue;
    if (PeriodNumber(codes, code)) return {v, {}, {}, {}};
    families.push_back(&codes);
  }
  // Characters 24..26, whatever the name holds before them, shown as valid
  // UTF-8 on one line.
  const std::string shown = ShownPath(ValidUtf8(Utf8Mid(name, 23, 3)));
  std::stable_sort(families.begin(), families.end(),
                   [](const PeriodCodes* a, const PeriodCodes* b) { return a->meaning < b->meaning; });
  std::string known;
  for (const PeriodCodes* f : families) {
    if (!known.empty()) known += ", ";
    known += fmt::format("{}{:02}", f->letter, f->first);
    if (f->last != f->first) known += fmt::format("-{}{:02}", f->letter, f->last);
  }
  return {std::nullopt, "the period code \"" + shown + "\" in the archive's name is none of " + known, shown, known};
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
