// Helpers for the Rar tests: private temporary directories, running the Rar
// program as a child process, reading its listing.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace zentrox::rar::test {

namespace fs = std::filesystem;

using zentrox::test::TempDir;

struct RunResult {
  int exit_code = -1;  // -1 when the child was killed by a signal
  int signal = 0;
  std::string out;
  std::string err;
};

// Runs the Rar program with args in cwd; env entries are added to (or replace
// ones in) the inherited environment. Output is captured through files in a
// scratch directory of its own, so cwd holds only what Rar writes.
RunResult run_rar(const std::vector<std::string>& args, const fs::path& cwd,
                  const std::map<std::string, std::string>& env = {});

std::string read_file(const fs::path& path);
void write_file(const fs::path& path, const std::string& bytes);

// Names of all entries below dir, relative to it, sorted.
std::vector<std::string> tree(const fs::path& dir);

// The entry lines between the two dashed lines of a listing (empty when the
// listing does not have exactly two dashed lines).
std::vector<std::string> listing_rows(const std::string& listing);

// The fixture folder, or an empty path when it is absent.
fs::path fixtures();

// Code page 1251 text from UTF-8 holding ASCII and the Cyrillic А..я range.
std::string cp1251(const std::string& utf8);

}  // namespace zentrox::rar::test
