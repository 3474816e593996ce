// What zentrox-check writes: output that can't be written, and paths that
// would break the lines or the encoding of what it prints.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "report/json_writer.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

const char* const kToday = "08.12.2026";

// Output that is lost is said on standard error, and the exit status tells
// that the check did not complete, whatever the format and however many
// workers there are.
TEST(CliOutput, UnwritableOutputIsSaidAndEndsWithStatus3) {
  TempDir work;
  test::CopyDictionaries(work.path());
  std::vector<std::vector<std::string>> runs = {{"--list-rules"}, {"--list-rules", "--format", "json"}, {"--help"}};
  for (const char* format : {"text", "json", "csv"}) {
    for (const char* jobs : {"1", "2"}) {
      runs.push_back({"--workdir", work.path(), "--today", kToday, "--format", format, "--jobs", jobs,
                      test::ExampleArchive("REV5_1234567_00001_2026T03.rar"),
                      test::ExampleArchive("REV5_1234567_00002_2026T03.rar")});
    }
  }
  const struct {
    const char* redirect;
    const char* reason;
  } sinks[] = {{">/dev/full", "no space left on device"}, {">&-", "bad file descriptor"}};
  for (const auto& sink : sinks) {
    for (const std::vector<std::string>& args : runs) {
      const std::string command = test::CheckCommand(args);
      const test::CheckOutcome r = test::RunShell("{ " + command + " " + sink.redirect + "; }");
      EXPECT_EQ(r.status, 3) << command << sink.redirect;
      EXPECT_NE(r.err.find(std::string("zentrox-check: cannot write the output: ") + sink.reason), std::string::npos)
          << command << sink.redirect << "\n"
          << r.err;
    }
  }
  // So is a rich text file that can't be written.
  const test::CheckOutcome rtf = test::RunCheck(
      {"--workdir", work.path(), "--rtf", "/dev/full", test::ExampleArchive("REV5_1234567_00001_2026T03.rar")});
  EXPECT_EQ(rtf.status, 3);
  EXPECT_NE(rtf.err.find("Cannot write /dev/full: No space left on device"), std::string::npos) << rtf.err;
}

// Well-formed UTF-8 as a strict reader takes it: no overlong form, no
// surrogate, nothing above U+10FFFF.
bool StrictUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i++]);
    const int more = c < 0x80 ? 0 : c < 0xC2 ? -1 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : c < 0xF5 ? 3 : -1;
    if (more < 0) return false;
    char32_t cp = c & (0x7F >> more);
    for (int k = 0; k < more; ++k, ++i) {
      if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    }
    if ((more == 2 && cp < 0x800) || (more == 3 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp < 0xE000)) {
      return false;
    }
  }
  return true;
}

std::size_t Count(const std::vector<std::string>& lines, const std::string& prefix) {
  return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

// A folder whose name holds line ends, control characters and malformed
// UTF-8 gives the lines a plain folder gives, and JSON and CSV a strict
// reader takes, holding the real path.
TEST(CliOutput, PathsBreakNeitherLinesNorTheEncoding) {
  TempDir work;
  TempDir src;
  test::CopyDictionaries(work.path());
  const std::string odd = src / ("x\n===== forged =====\r\x1b[2J\t\x7f"
                                 "\xED\xA0\x80\xF4\x90\x80\x80\xF5\x80\x80\x80\xC0\xAF\xE0\x80\xAF");
  const std::string names[] = {"REV5_1234567_00001_2026T03.rar", "REV5_1234567_00002_2026T03.rar",
                               "REV5_1234567_00009_2026T03.rar" /* missing */};
  auto run = [&](const std::string& dir, const char* format) {
    fs::create_directories(dir);
    std::vector<std::string> args = {"--workdir", work.path(), "--today", kToday, "--format", format, "--jobs", "1"};
    for (const std::string& name : names) {
      if (name != names[2])
        fs::copy_file(test::ExampleArchive(name), dir + "/" + name, fs::copy_options::skip_existing);
      args.push_back(dir + "/" + name);
    }
    return test::RunCheck(args);
  };
  const test::CheckOutcome plain = run(src / "plain", "text");
  const test::CheckOutcome text = run(odd, "text");
  EXPECT_EQ(text.status, 3);
  EXPECT_EQ(Count(text.lines(), "===== "), 3u) << text.out;
  EXPECT_EQ(text.lines().size(), plain.lines().size()) << text.out;
  EXPECT_EQ(test::SplitLines(text.err).size(), test::SplitLines(plain.err).size()) << text.err;
  EXPECT_EQ(Count(test::SplitLines(text.err), "zentrox-check: "),
            Count(test::SplitLines(plain.err), "zentrox-check: "));
  for (const std::string& printed : {text.out, text.err}) {
    EXPECT_EQ(printed.find_first_of("\r\x1b\x7f"), std::string::npos) << printed;
  }

  const test::CheckOutcome json = run(odd, "json");
  EXPECT_TRUE(StrictUtf8(json.out)) << json.out;
  EXPECT_NE(json.out.find("\"archive\": " + JsonString(odd + "/" + names[0])), std::string::npos) << json.out;
  const test::CheckOutcome csv = run(odd, "csv");
  EXPECT_TRUE(StrictUtf8(csv.out)) << csv.out;
  EXPECT_NE(csv.out.find("\n===== forged =====\r"), std::string::npos) << csv.out;
}

}  // namespace
}  // namespace zentrox
