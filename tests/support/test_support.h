// Helpers shared by the core tests: a private temporary working directory per
// test (support/temp_dir.h), files written in code page 1251, and protocol inspection.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/date.h"
#include "report/protocol.h"
#include "support/guarded_access.h"
#include "support/temp_dir.h"

namespace zentrox::test {

// Writes `utf8` converted to code page 1251, byte for byte otherwise.
void WriteCp1251(const std::string& path, std::string_view utf8);
void WriteBytes(const std::string& path, std::string_view bytes);
std::string ReadBytes(const std::string& path);

// Joins fields with the 0xB0 terminator after each (the UTF-8 form "°", which
// WriteCp1251 turns back into the single byte 0xB0).
std::string Record(const std::vector<std::string>& fields);

// The lines of a program's output ("\n" ends a line; a last line without one
// still counts).
std::vector<std::string> SplitLines(const std::string& text);

// The texts of all protocol lines.
std::vector<std::string> Texts(const Protocol& protocol);
// The texts of the fault lines only.
std::vector<std::string> FaultTexts(const Protocol& protocol);

Date D(int day, int month, int year);

// Switches the process to a locale with a decimal comma for one scope,
// building one with localedef into a private directory when none is
// installed; `active()` says whether that worked.
class CommaLocale {
 public:
  CommaLocale();
  ~CommaLocale();
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;
  bool active() const;

 private:
  TempDir dir_;
};

// Copies the bundled reference dictionaries into `dir`.
void CopyDictionaries(const std::string& dir);

}  // namespace zentrox::test
