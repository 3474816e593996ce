// The grammar of package archive names and the period code they carry.
//
// A package name is the archive's file name without its directory:
// "REV5_" + 7-digit employer code + "_" + 5-digit package number, then (in the
// 30-character form) 5 unexamined characters, a period code ("L00" annual,
// "T01".."T04" quarterly, "L01".."L12" monthly) and ".rar".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/variant.h"

namespace zentrox {

// The name check of the new-format windows: the protocol lines of the first
// failing step, or nothing when the name is accepted. The old-format window
// checks no name (always accepted).
std::vector<std::string> CheckPackageName(NamePolicy policy, std::string_view name);
// The same with the variant's name policy.
std::vector<std::string> CheckPackageName(Variant variant, std::string_view name);

struct PeriodCheck {
  bool ok = true;
  int period = 0;                  // quarter 1..4 or month 1..12 where the variant keeps one
  std::vector<std::string> lines;  // the refusal's protocol lines
};

// The period check of the control run on the window's own archive path (its
// last characters are those of the name), by `grammar`; `others` are the
// other variants' code families, which a grammar may refuse by name.
PeriodCheck CheckPeriod(const PeriodGrammar& grammar, const std::vector<PeriodCodes>& others,
                        std::string_view archive_path);
// The same with the variant's grammar and the other variants' families.
PeriodCheck CheckPeriod(Variant variant, std::string_view archive_path);

// The number of a three-character period code ("T03" gives 3) when it is one
// of `codes`.
std::optional<int> PeriodNumber(const PeriodCodes& codes, std::string_view code);

// Characters of a UTF-8 text from 1-based `index`, `count` of them, with the
// forgiving bounds of the classic Copy: an index below 1 counts from 1 and a
// range past the end is clipped.
std::string CopyChars(std::string_view text, long index, long count);

}  // namespace zentrox
