// zentrox-check's working directory from the outside: a new one is created
// and filled with the installed dictionaries, an unusable one ends the
// program before anything is unpacked, an edited dictionary is mentioned once.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>

#include "cli/cli_support.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

using Outcome = test::CheckOutcome;

Outcome CheckExample(const std::string& workdir) {
  return test::RunCheck({"--variant", "quarterly", "--today", "08.12.2026", "--workdir", workdir,
                         test::ExampleArchive("REV5_1234567_00001_2026T03.rar")});
}

TEST(CliWorkdir, ANewWorkdirIsCreatedAndFilledSoTheValidExampleChecksClean) {
  TempDir root;
  const std::string work = root / "new/work";
  Outcome r = CheckExample(work);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out.find("NU ESTE fisierul"), std::string::npos);
  EXPECT_TRUE(fs::exists(work + "/sps_kateg.txt"));
  EXPECT_EQ(r.err.find(".txt"), std::string::npos) << r.err;

  // An edited dictionary that differs from the installed one is said once.
  std::string months = test::ReadBytes(work + "/months.txt");
  test::WriteBytes(work + "/months.txt", months + "14|edited\r\n");
  Outcome told = CheckExample(work);
  EXPECT_EQ(told.status, 0);
  EXPECT_NE(told.err.find("months.txt"), std::string::npos) << told.err;
  EXPECT_EQ(CheckExample(work).err.find(".txt"), std::string::npos);
}

TEST(CliWorkdir, AnUnusableWorkdirEndsWithStatusTwoBeforeUnpacking) {
  TempDir root;
  test::WriteBytes(root / "file", "x");
  const std::string cases[] = {"", root / "file", root / "file/sub"};
  for (const std::string& workdir : cases) {
    Outcome r = CheckExample(workdir);
    EXPECT_EQ(r.status, 2) << "'" << workdir << "': " << r.out << r.err;
    EXPECT_EQ(r.out, "") << workdir;
    EXPECT_NE(r.err.find("working directory"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("usage:"), std::string::npos) << r.err;
  }
  EXPECT_EQ(test::ReadBytes(root / "file"), "x");
}

}  // namespace
}  // namespace zentrox
