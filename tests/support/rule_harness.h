// A working directory with the reference dictionaries, package files written
// from records, and a control run over them with a fixed "today".
#pragma once

#include <string>
#include <vector>

#include "rules/control_run.h"
#include "support/test_support.h"

namespace zentrox::test {

inline constexpr int kTodayDay = 8, kTodayMonth = 12, kTodayYear = 2026;

class RuleHarness {
 public:
  explicit RuleHarness(Variant variant, Date today = D(kTodayDay, kTodayMonth, kTodayYear));

  // Writes a package file (lower-case name such as "rev5_sd") in code page
  // 1251 with CR LF line ends; each element of `records` is one line.
  void WriteFile(const std::string& name, const std::vector<std::string>& records);
  // Replaces a dictionary file with the given lines.
  void WriteDictionary(const std::string& name, const std::vector<std::string>& lines);

  // Runs Control as if `archive_name` had been unpacked into the working
  // directory (the marker and the archive path are the directory + name).
  ControlResult Run(const std::string& archive_name);

  // Lines of part 2 (after its heading) that report faults.
  std::vector<std::string> Part2Faults() const;
  std::vector<std::string> AllLines() const { return Texts(protocol); }

  TempDir dir;
  Variant variant;
  Date today;
  Protocol protocol;
  NewFormatTables dm;
  OldFormatTables dm1;
};

}  // namespace zentrox::test
