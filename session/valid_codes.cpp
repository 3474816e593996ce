#include "session/valid_codes.h"

#include <strings.h>

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "engine/date.h"
#include "engine/text.h"
#include "model/files.h"
#include "session/session.h"

namespace zentrox {

namespace {

std::vector<std::string_view> Split(std::string_view line) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t bar = line.find('|');
    parts.push_back(line.substr(0, bar));
    if (bar == std::string_view::npos) return parts;
    line.remove_prefix(bar + 1);
  }
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == ' ')) s.remove_suffix(1);
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return s;
}

// The lines of a dictionary file in the working directory, in UTF-8; none
// when it is no dictionary of the variant or cannot be read.
std::vector<std::string> DictionaryLines(const Session& session, Variant variant, std::string_view dictionary) {
  const std::vector<std::string> names = DictionaryFiles(variant);
  const auto known = std::find_if(names.begin(), names.end(), [&](const std::string& n) {
    return n.size() == dictionary.size() && ::strncasecmp(n.data(), dictionary.data(), n.size()) == 0;
  });
  if (known == names.end()) return {};
  std::vector<std::string> lines;
  try {
    const std::optional<std::string> path = FindFileNoCase(session.workdir() + *known);
    if (!path) return {};
    const std::string text = Cp1251ToUtf8(ReadWholeFile(*path));
    std::string_view rest = text;
    while (!rest.empty()) {
      const std::size_t end = rest.find('\n');
      const std::string_view line = Trimmed(rest.substr(0, end));
      if (!line.empty()) lines.emplace_back(line);
      if (end == std::string_view::npos) break;
      rest.remove_prefix(end + 1);
    }
  } catch (const FileReadError&) {
    return {};
  }
  return lines;
}

// A dictionary of validity periods ("sps_newkateg.txt") names its codes in
// the dictionary of the same name without "new" ("sps_kateg.txt").
std::string NamesDictionary(std::string_view dictionary) {
  std::string name(dictionary);
  for (std::string_view part : {"new_", "new"}) {
    const std::size_t at = name.find(part);
    if (at != std::string::npos) return name.erase(at, part.size());
  }
  return {};
}

}  // namespace

std::vector<ValidCode> ValidCodes(const Session& session, Variant variant, std::string_view dictionary, int year) {
  std::vector<ValidCode> codes;
  std::vector<std::string> periods;  // of each code, where the dictionary gives them
  std::unordered_map<std::string, std::size_t> index;
  std::vector<std::string> names_of;  // lines of the dictionary that names the codes, read when needed
  bool names_read = false;
  for (const std::string& line : DictionaryLines(session, variant, dictionary)) {
    const std::vector<std::string_view> parts = Split(line);
    const std::string code(Trimmed(parts[0]));
    if (code.empty()) continue;
    std::string name = parts.size() > 1 ? std::string(Trimmed(parts[1])) : std::string();
    const std::optional<Date> start = parts.size() > 1 ? ParseDate(Trimmed(parts[1])) : std::nullopt;
    const std::optional<Date> end = parts.size() > 2 ? ParseDate(Trimmed(parts[2])) : std::nullopt;
    std::string period;
    if (start && end) {
      if (year != 0 && (start->year() > year || end->year() < year)) continue;
      if (!names_read) {
        names_of = DictionaryLines(session, variant, NamesDictionary(dictionary));
        names_read = true;
      }
      name.clear();
      for (const std::string& other : names_of) {
        const std::vector<std::string_view> named = Split(other);
        if (named.size() > 1 && Trimmed(named[0]) == code) name = std::string(Trimmed(named[1]));
        if (!name.empty()) break;
      }
      period = start->ToString() + " – " + end->ToString();
    } else if (name.find_first_not_of("0123456789") == std::string::npos) {
      name.clear();  // a status or a number, not a name
    }
    const auto [known, added] = index.emplace(code, codes.size());
    if (added) {
      codes.push_back({code, std::move(name)});
      periods.push_back(std::move(period));
    } else if (!period.empty()) {
      std::string& all = periods[known->second];
      all += all.empty() ? period : "; " + period;
    }
  }
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (periods[i].empty()) continue;
    const std::string valid = "valabil " + periods[i];
    codes[i].name = codes[i].name.empty() ? valid : codes[i].name + " (" + valid + ")";
  }
  return codes;
}

}  // namespace zentrox
