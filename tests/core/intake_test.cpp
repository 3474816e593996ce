#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "intake/command_runner.h"
#include "intake/listing.h"
#include "intake/variant_detection.h"
#include "model/files.h"
#include "session/session.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

using test::TempDir;

enum class Dashes { Around, None };

std::string Listing(const std::vector<std::string>& entries, Dashes dashes = Dashes::Around) {
  std::string out = "Archive listing\r\n Name      Size   Date\r\n";
  if (dashes == Dashes::Around) out += "------------------------------\r\n";
  for (const std::string& e : entries) out += e + "\r\n";
  if (dashes == Dashes::Around) out += "------------------------------\r\n";
  return out + " 4 files\r\n";
}

struct ListingCase {
  const char* name;
  std::string listing;
  bool accepted;
};

class ListingCount : public ::testing::TestWithParam<ListingCase> {};

TEST_P(ListingCount, AcceptsExactlyTheFourFiles) {
  EXPECT_EQ(ListingHoldsPackage(GetParam().listing), GetParam().accepted);
}

const std::string T = " rev5_t      17  08.12.2026";
const std::string IP = " rev5_ip   1000  08.12.2026";
const std::string NA = " rev5_na      6  08.12.2026";
const std::string SD = " REV5_SD      6  08.12.2026";

INSTANTIATE_TEST_SUITE_P(
    Listings, ListingCount,
    ::testing::Values(ListingCase{"four", Listing({T, IP, NA, SD}), true},
                      ListingCase{"fifth_entry", Listing({T, IP, NA, SD, " months.txt  1  08.12.2026"}), false},
                      ListingCase{"missing_file", Listing({T, IP, NA}), false},
                      ListingCase{"renamed_entry", Listing({T, IP, NA, " rev5_sdx    6  08.12.2026"}), false},
                      // A name listed twice counts twice, as the counting rule reads the listing.
                      ListingCase{"twice_the_same", Listing({T, IP, NA, NA}), true},
                      ListingCase{"no_dashes", Listing({T, IP, NA, SD}, Dashes::None), false},
                      ListingCase{"empty", "", false},
                      ListingCase{"lf_only", "-----\n rev5_t  1\n rev5_ip 1\n rev5_na 1\n rev5_sd 1\n-----\n", true}),
    [](const auto& info) { return std::string(info.param.name); });

// A tiny executable script in `dir` named `name`.
void Script(const std::string& dir, const std::string& name, const std::string& body) {
  test::WriteBytes(dir + name, "#!/bin/sh\n" + body + "\n");
  ::chmod((dir + name).c_str(), 0755);
}

TEST(VariantDetection, FromTheEntriesAndTheArchiveName) {
  const std::vector<std::string> new_files = {"rev5_t", "rev5_ip", "rev5_na", "rev5_sd"};
  const std::vector<std::string> old_files = {"REV5_PL", "rev5_na", "rev5_sd", "rev5_di", "rev5_mu"};
  struct Case {
    const char* archive;
    const std::vector<std::string>& entries;
    std::optional<Variant> variant;
  };
  const Case cases[] = {
      {"/in/REV5_1234567_00001_2026T03.rar", new_files, Variant::Quarterly},
      {"REV5_1234567_00001_2026T05.rar", new_files, std::nullopt},
      {"REV5_1234567_00001_2026t01.rar", new_files, Variant::Quarterly},
      {"REV5_1234567_00001_2026T04.rar", new_files, Variant::Quarterly},
      {"REV5_1234567_00001_2026T00.rar", new_files, std::nullopt},
      {"REV5_1234567_00001_2026L01.rar", new_files, Variant::Monthly},
      {"REV5_1234567_00001_2026L11.rar", new_files, Variant::Monthly},
      {"REV5_1234567_00001_2026L12.rar", new_files, Variant::Monthly},
      {"REV5_1234567_00001_2026L13.rar", new_files, std::nullopt},
      {"REV5_1234567_00001_2025L00.rar", new_files, Variant::Annual},
      {"REV5_1234567_00001.rar", new_files, Variant::Annual},
      {"REV5_1234567_00001.rar", old_files, Variant::AnnualOld},
      {"any name.rar", old_files, Variant::AnnualOld},
      {"package.rar", new_files, std::nullopt},
      {"REV5_1234567_00001_2026X03.rar", new_files, std::nullopt},
  };
  for (const Case& c : cases) {
    DetectedVariant d = DetectVariant(c.archive, c.entries);
    EXPECT_EQ(d.variant, c.variant) << c.archive;
    EXPECT_EQ(d.reason.empty(), c.variant.has_value()) << c.archive;
  }
  // The known codes are listed from the profiles.
  EXPECT_EQ(DetectVariant("REV5_1234567_00001_2026X03.rar", new_files).reason,
            "the period code \"X03\" in the archive's name is none of T01-T04, L01-L12, L00");
  // The period code is quoted by characters, whatever letters stand before it.
  for (const auto& [name, code] : {std::pair{"REV5_1234567_00001_2026Т03.rar", "\"Т03\""},
                                   std::pair{"REV5_1234567_00001_ЖЖЖЖЖЖЖ.rar", "\"ЖЖЖ\""}}) {
    EXPECT_NE(DetectVariant(name, new_files).reason.find(code), std::string::npos) << name;
  }
  EXPECT_EQ(ListingEntryNames(Listing({" rev5_pl   12 2026-12-08 10:00", " my file  7 2026-12-08 10:00"})),
            (std::vector<std::string>{"rev5_pl", "my file"}));
}

TEST(CommandRunner, ReportsSuccessOnlyForExitZero) {
  TempDir dir;
  Script(dir.path(), "ok", "exit 0");
  Script(dir.path(), "fails", "exit 1");
  EXPECT_TRUE(RunCommand({"ok", {}, ""}, dir.path()).ok());
  CommandResult failed = RunCommand({"fails", {}, ""}, dir.path());
  EXPECT_TRUE(failed.started);
  EXPECT_FALSE(failed.ok());
  EXPECT_EQ(failed.exit_code, 1);
  CommandResult missing = RunCommand({"no-such-program-zentrox", {}, ""}, dir.path());
  EXPECT_FALSE(missing.started);
  EXPECT_FALSE(missing.ok());
}

TEST(CommandRunner, PassesArgumentsWithBlanksAndShellCharactersUnchanged) {
  TempDir dir;
  Script(dir.path(), "echoargs", "for a in \"$@\"; do echo \"[$a]\"; done");
  std::string out = dir / "out file";
  CommandResult r = RunCommand({"echoargs", {"a b", "$(touch pwned)", "c;d"}, out}, dir.path());
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(test::ReadBytes(out), "[a b]\n[$(touch pwned)]\n[c;d]\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "pwned"));
}

// A redirection exists before the program is looked for: a command that
// cannot start leaves its output file empty, not absent or stale.
TEST(CommandRunner, OutputFileIsEmptiedWhenTheProgramCannotStart) {
  TempDir dir;
  test::WriteBytes(dir / "not-executable", "#!/bin/sh\necho hi\n");
  for (const char* program : {"no-such-program-zentrox", "not-executable"}) {
    std::string out = dir / "out";
    test::WriteBytes(out, "stale listing");
    CommandResult r = RunCommand({program, {}, out}, dir.path());
    EXPECT_FALSE(r.started) << program;
    EXPECT_EQ(test::ReadBytes(out), "") << program;
  }
}

// The child's standard error is kept, its end only, however much it writes.
TEST(CommandRunner, KeepsTheEndOfTheErrorOutput) {
  TempDir dir;
  Script(dir.path(), "noisy",
         "i=0; while [ $i -lt 400 ]; do echo 'noise noise' >&2; i=$((i+1)); done\n"
         "echo 'Rar: the reason' >&2; exit 3");
  CommandResult r = RunCommand({"noisy", {}, ""}, dir.path());
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_EQ(r.error_output.size(), kErrorOutputLimit);
  EXPECT_TRUE(r.error_output.ends_with("noise noise\nRar: the reason\n")) << r.error_output.substr(4000);
  EXPECT_EQ(RunCommand({"true", {}, ""}, "").error_output, "");
}

TEST(CommandRunner, PrefersTheProgramDirectoryOverPath) {
  TempDir dir;
  Script(dir.path(), "true", "exit 3");
  EXPECT_EQ(RunCommand({"true", {}, ""}, dir.path()).exit_code, 3);
  EXPECT_EQ(RunCommand({"true", {}, ""}, "").exit_code, 0);
}

TEST(Files, FindAndRemoveWithoutRegardToCase) {
  TempDir dir;
  test::WriteBytes(dir / "rev5_t", "x");
  EXPECT_EQ(FindFileNoCase(dir / "REV5_T"), dir / "rev5_t");
  EXPECT_FALSE(FileExistsNoCase(dir / "REV5_IP"));
  RemoveFileNoCase(dir / "REV5_T");
  EXPECT_FALSE(std::filesystem::exists(dir / "rev5_t"));
  EXPECT_EQ(WithTrailingSlash("/a/b//"), "/a/b/");
  EXPECT_EQ(FileNamePart("/a/b/c.rar"), "c.rar");
  EXPECT_EQ(DirectoryPart("/a/b/c.rar"), "/a/b/");
}

}  // namespace
}  // namespace zentrox

#include "intake/workdir.h"

namespace zentrox {
namespace {

// Sets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    const char* old = std::getenv(name);
    if (old != nullptr) old_ = old;
    had_ = old != nullptr;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (had_) {
      ::setenv(name_, old_.c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

TEST(Workdir, OptionThenEnvironmentThenProgramDirectory) {
  TempDir program;
  ScopedEnv none("ZENTROX_WORKDIR", "");
  EXPECT_EQ(ChooseWorkdir("/x/y", program.path()).dir, "/x/y/");
  EXPECT_EQ(ChooseWorkdir(std::nullopt, program.path()).dir, program.path());
  ScopedEnv env("ZENTROX_WORKDIR", "/from/env");
  EXPECT_EQ(ChooseWorkdir(std::nullopt, program.path()).dir, "/from/env/");
}

TEST(Workdir, UnwritableProgramDirectoryFallsBackToThePerUserOne) {
  TempDir data;
  ScopedEnv none("ZENTROX_WORKDIR", "");
  ScopedEnv xdg("XDG_DATA_HOME", data.path());
  EXPECT_EQ(PrepareWorkdir(std::nullopt, data / "no-such-program-dir/").dir, data / "zentrox/");
  EXPECT_TRUE(std::filesystem::is_directory(data / "zentrox"));
}

TEST(Workdir, WithoutAHomeThereIsNoPerUserDirectory) {
  ScopedEnv none("ZENTROX_WORKDIR", "");
  ScopedEnv xdg("XDG_DATA_HOME", "");
  ScopedEnv home("HOME", "");
  const WorkdirSetup setup = PrepareWorkdir(std::nullopt, "/no-such-program-dir/");
  EXPECT_EQ(setup.dir, "");
  EXPECT_NE(setup.error.find("--workdir"), std::string::npos) << setup.error;
  EXPECT_NE(setup.error.find("ZENTROX_WORKDIR"), std::string::npos) << setup.error;
}

// A per-user directory that someone else owns or can write may hold what
// they planted: it is refused, and a new one is the user's alone.
TEST(Workdir, APerUserDirectoryOthersCanWriteIsRefused) {
  struct Case {
    const char* what;
    mode_t mode;
    bool other_owner;
  };
  const Case cases[] = {{"world-writable", 0777, false}, {"group-writable", 0770, false}, {"nobody's", 0700, true}};
  for (const Case& c : cases) {
    if (c.other_owner && ::geteuid() != 0) continue;  // only root can give a directory away
    TempDir data;
    ScopedEnv none("ZENTROX_WORKDIR", "");
    ScopedEnv xdg("XDG_DATA_HOME", data.path());
    std::filesystem::create_directory(data / "zentrox");
    ::chmod((data / "zentrox").c_str(), c.mode);
    if (c.other_owner) {
      ASSERT_EQ(::chown((data / "zentrox").c_str(), 65534, 65534), 0);
    }
    const WorkdirSetup setup = PrepareWorkdir(std::nullopt, data / "no-such-program-dir/");
    EXPECT_EQ(setup.dir, "") << c.what;
    EXPECT_NE(setup.error.find(data / "zentrox/"), std::string::npos) << c.what << ": " << setup.error;
  }
  TempDir data;
  ScopedEnv none("ZENTROX_WORKDIR", "");
  ScopedEnv xdg("XDG_DATA_HOME", data / "new");
  ASSERT_EQ(PrepareWorkdir(std::nullopt, data / "no-such-program-dir/").dir, data / "new/zentrox/");
  struct stat st {};
  ASSERT_EQ(::stat((data / "new/zentrox").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(Workdir, FillingNeverReplacesAUsersDictionary) {
  TempDir program;
  TempDir user;
  test::WriteBytes(program / "months.txt", "1|a\r\n");
  test::WriteBytes(program / "raion.txt", "1|a\r\n");
  test::WriteBytes(program / "zentrox-check", "binary");
  test::WriteBytes(user / "months.txt", "edited");
  SyncDictionaries(program.path(), user.path(), false);
  EXPECT_EQ(test::ReadBytes(user / "months.txt"), "edited");
  // A folder with dictionaries of its own gets none added.
  EXPECT_FALSE(std::filesystem::exists(user / "raion.txt"));
  EXPECT_FALSE(std::filesystem::exists(user / "zentrox-check"));
}

}  // namespace
}  // namespace zentrox
