// What zentrox-check writes: output that can't be written, and paths that
// would break the lines or the encoding of what it prints.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

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

}  // namespace
}  // namespace zentrox
