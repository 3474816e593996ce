// zentrox-check's working directory from the outside: a new one is created
// and filled with the installed dictionaries, an unusable one ends the
// program before anything is unpacked, an edited dictionary is mentioned once.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <utility>

#include "cli/cli_support.h"
#include "intake/workdir.h"
#include "support/sanitizer.h"
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

// A copy of the program with its own installed dictionaries, which a test
// can upgrade.
struct Install {
  TempDir root;
  fs::path bin = root.dir() / "bin";
  Install() {
    fs::create_directory(bin);
    for (const char* program : {ZENTROX_CHECK, ZENTROX_BIN_DIR "/Rar"}) {
      fs::copy_file(program, bin / fs::path(program).filename());
    }
    test::CopyDictionaries(bin.string() + "/");
  }
  std::string Check(const std::string& workdir) const {
    std::string cmd = test::ShellQuote((bin / "zentrox-check").string());
    for (const std::string a : {"--variant", "quarterly", "--today", "08.12.2026", "--workdir", workdir.c_str()}) {
      cmd += " " + test::ShellQuote(a);
    }
    return cmd + " " + test::ShellQuote(test::ExampleArchive("REV5_1234567_00001_2026T03.rar"));
  }
  // Each installed dictionary becomes a new, larger version of itself: the
  // bundled one repeated 1000 + `version` times.
  void Upgrade(int version) const {
    for (const auto& e : fs::directory_iterator(ZENTROX_SOURCE_DIR "/share/dictionaries")) {
      const std::string text = test::ReadBytes(e.path());
      std::string bigger;
      for (int i = 0; i < 1000 + version; ++i) bigger += text;
      test::WriteBytes(bin / e.path().filename(), bigger);
    }
  }
};

// Runs started at once after an upgrade: each one finds the dictionaries
// whole, none takes an upgraded one for the user's edit.
TEST(CliWorkdir, RunsStartedAtOnceAfterAnUpgradeAllCheckClean) {
  Install install;
  const std::string work = install.root / "work";
  ASSERT_EQ(test::RunShell(install.Check(work)).status, 0);
  for (int round = 0; round < 2; ++round) {
    install.Upgrade(round);
    const std::string out = install.root / "run";
    test::RunShell("export ZENTROX_LOCK_WAIT_MS=60000; for i in 1 2 3 4; do (" + install.Check(work) + " >" + out +
                   "$i.out 2>" + out + "$i.err; echo $? >" + out + "$i.status) & done; wait");
    for (int i = 1; i <= 4; ++i) {
      const std::string run = out + std::to_string(i);
      EXPECT_EQ(test::ReadBytes(run + ".status"), "0\n") << test::ReadBytes(run + ".out");
      // No dictionary is said to be the user's.
      EXPECT_EQ(test::ReadBytes(run + ".err").find(".txt"), std::string::npos) << "round " << round;
    }
  }
  // Nothing was recorded as edited: the next upgrade reaches every dictionary.
  install.Upgrade(2);
  ASSERT_EQ(test::RunShell(install.Check(work)).status, 0);
  for (const auto& e : fs::directory_iterator(install.bin)) {
    if (e.path().extension() != ".txt") continue;
    EXPECT_EQ(test::ReadBytes(work + "/" + e.path().filename().string()), test::ReadBytes(e.path()))
        << e.path().filename();
  }
}

// A dictionary that can't be copied into a new working directory (here the
// file size limit stands for a full disk) is named, and nothing is unpacked.
TEST(CliWorkdir, ADictionaryThatCannotBeCopiedEndsTheRunBeforeUnpacking) {
  TempDir root;
  const std::string work = root / "work";
  Outcome r = test::RunCheck(
      {"--variant", "quarterly", "--workdir", work, test::ExampleArchive("REV5_1234567_00001_2026T03.rar")}, "",
      "trap '' XFSZ; ulimit -f 1; ");
  EXPECT_EQ(r.status, 3) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find(".txt"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(work + "/rev5_t"));
  EXPECT_FALSE(fs::exists(work + "/rev5_list"));
}

// A manifest that can't be read as one is passed over, with a word, and the
// run goes on; a hang or an endless read ends in the time or memory limit.
TEST(CliWorkdir, AManifestThatIsNoPlainSmallFileIsIgnored) {
#ifdef ZENTROX_UNDER_ASAN
  // AddressSanitizer reserves more address space than any limit would allow.
  const char* const kLimits = "timeout -s KILL 60 ";
#else
  const char* const kLimits = "ulimit -v 1048576; timeout -s KILL 60 ";
#endif
  const std::pair<const char*, std::function<void(const std::string&)>> cases[] = {
      {"a FIFO", [](const std::string& m) { ::mkfifo(m.c_str(), 0644); }},
      {"a link to /dev/zero", [](const std::string& m) { fs::create_symlink("/dev/zero", m); }},
      {"over 1 MB", [](const std::string& m) { test::WriteBytes(m, "# " + std::string(1 << 20, 'x') + "\n"); }},
  };
  for (const auto& [what, plant] : cases) {
    TempDir root;
    const std::string work = root / "work";
    ASSERT_EQ(CheckExample(work).status, 0);
    const std::string manifest = work + "/" + kDictionaryManifest;
    fs::remove(manifest);
    plant(manifest);
    Outcome r = test::RunCheck({"--variant", "quarterly", "--today", "08.12.2026", "--workdir", work,
                                test::ExampleArchive("REV5_1234567_00001_2026T03.rar")},
                               "", kLimits);
    EXPECT_EQ(r.status, 0) << what << ": " << r.err;
    EXPECT_NE(r.err.find(kDictionaryManifest), std::string::npos) << what << ": " << r.err;
  }
}

// Without HOME and XDG_DATA_HOME there is no per-user directory to fall back
// on when the program's own can't be written: the user is told to name one.
TEST(CliWorkdir, WithoutAHomeAndAReadOnlyProgramDirectoryTheRunIsRefused) {
  Install install;
  fs::permissions(install.root.dir(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  fs::permissions(install.bin, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_exec |
                                   fs::perms::group_read | fs::perms::others_exec | fs::perms::others_read);
  // Root writes through permission bits: the run is made as nobody.
  const std::string as = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  Outcome r = test::RunShell("cd / && " + as + "env -u HOME -u XDG_DATA_HOME -u ZENTROX_WORKDIR " +
                             test::ShellQuote((install.bin / "zentrox-check").string()) + " --variant quarterly " +
                             test::ShellQuote(test::ExampleArchive("REV5_1234567_00001_2026T03.rar")));
  fs::permissions(install.bin, fs::perms::owner_all);
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find("--workdir"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("ZENTROX_WORKDIR"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace zentrox
