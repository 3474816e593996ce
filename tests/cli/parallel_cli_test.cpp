// A batch checked by several workers at once prints what the same batch
// checked one archive after another prints, byte for byte, with the same
// exit status, and leaves no private working directory behind.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <regex>

#include "cli/cli_support.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

using Outcome = test::CheckOutcome;
std::string Quote(const std::string& s) { return test::ShellQuote(s); }

Outcome CheckWith(const std::vector<std::string>& args) { return test::RunCheck(args); }

// The time of day in the protocols' first lines is the only difference two
// runs may show.
std::string WithoutTime(const std::string& s) {
  static const std::regex time(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d)");
  return std::regex_replace(s, time, "<now>");
}

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string Example(const std::string& name) { return test::ExampleArchive(name); }

TEST(CliJobs, AParallelBatchPrintsTheSerialRunsBytesAndStatus) {
  TempDir src;
  const std::string not_archive = src / "REV5_1234567_00009_2026T03.rar";
  test::WriteBytes(not_archive, "not an archive");
  const std::string directory = src / "REV5_1234567_00008_2026T03.rar";
  fs::create_directory(directory);
  const std::string clean = Example("REV5_1234567_00001_2026T03.rar");
  const std::string faulty = Example("REV5_1234567_00002_2026T03.rar");
  const std::vector<std::string> archives = {
      faulty, src / "REV5_1234567_00007_2026T03.rar" /* missing */, clean, not_archive, directory, clean, faulty};

  struct Case {
    std::string format;
    bool unusable_lock;  // the working directory's lock can't be taken
    int status;
    std::string variant = "quarterly";
  };
  const Case cases[] = {{"text", false, 3}, {"json", false, 3}, {"text", true, 3}, {"csv", false, 3, "auto"}};
  for (const Case& c : cases) {
    TempDir root;
    // A name the JSON output escapes.
    const std::string work = root / "work \"q\" \\ x/";
    fs::create_directory(work);
    test::CopyDictionaries(work);
    if (c.unusable_lock) fs::create_directory(work + ".zentrox.lock");
    const std::vector<std::string> before = Entries(work);
    Outcome runs[2];  // --jobs 4, then --jobs 1
    std::vector<std::string> after_parallel;
    for (int i = 0; i < 2; ++i) {
      std::vector<std::string> args = {"--variant",  c.variant,  "--workdir", work,     "--today",
                                       "08.12.2026", "--format", c.format,    "--jobs", i == 0 ? "4" : "1"};
      args.insert(args.end(), archives.begin(), archives.end());
      runs[i] = CheckWith(args);
      if (i == 0) after_parallel = Entries(work);
    }
    const std::string label = c.format + (c.unusable_lock ? ", unusable lock" : "");
    EXPECT_EQ(runs[1].status, c.status) << label << runs[1].err;
    EXPECT_EQ(runs[0].status, runs[1].status) << label;
    EXPECT_EQ(WithoutTime(runs[0].out), WithoutTime(runs[1].out)) << label;
    EXPECT_EQ(runs[0].err, runs[1].err) << label;
    EXPECT_NE(runs[0].out.find(c.unusable_lock ? "занят другой проверкой" : "Ошибка"), std::string::npos) << label;
    // The workers unpacked elsewhere (a serial run leaves its listing here),
    // and no private directory stays behind.
    std::erase_if(after_parallel, [](const std::string& n) { return n == ".zentrox.lock"; });
    std::vector<std::string> expected = before;
    std::erase_if(expected, [](const std::string& n) { return n == ".zentrox.lock"; });
    EXPECT_EQ(after_parallel, expected) << label;
  }
}

// Three batches in one working directory at once, two parallel and one
// serial, each print what they print alone.
TEST(CliJobs, BatchesShareAWorkingDirectory) {
  TempDir work;
  TempDir io;
  test::CopyDictionaries(work.path());
  const std::string clean = Example("REV5_1234567_00001_2026T03.rar");
  const std::string faulty = Example("REV5_1234567_00002_2026T03.rar");
  std::string batch = "--variant quarterly --today 08.12.2026 --workdir " + Quote(work.path());
  for (int i = 0; i < 4; ++i) {
    batch += ' ';
    batch += Quote(clean);
    batch += ' ';
    batch += Quote(faulty);
  }
  auto command = [&](const std::string& jobs, const std::string& name) {
    return Quote(ZENTROX_CHECK) + " " + batch + " --jobs " + jobs + " >" + Quote(io / name) +
           " 2>/dev/null; echo $? >" + Quote(io / (name + ".status"));
  };
  std::string all;
  const std::pair<const char*, const char*> runs[] = {{"2", "parallel-a"}, {"2", "parallel-b"}, {"1", "serial"}};
  for (const auto& [jobs, name] : runs) {
    all += '(';
    all += command(jobs, name);
    all += ") & ";
  }
  all += "wait";
  ASSERT_EQ(std::system(all.c_str()), 0);
  const Outcome alone = CheckWith({"--variant", "quarterly", "--today", "08.12.2026", "--workdir", work.path(),
                                   "--jobs", "1", clean, faulty, clean, faulty, clean, faulty, clean, faulty});
  EXPECT_EQ(alone.status, 1);
  for (const std::string name : {"parallel-a", "parallel-b", "serial"}) {
    EXPECT_EQ(test::ReadBytes(io / (name + ".status")), "1\n") << name;
    EXPECT_EQ(WithoutTime(test::ReadBytes(io / name)), WithoutTime(alone.out)) << name;
  }
}

TEST(CliJobs, ABadJobCountIsAUsageError) {
  const std::string archive = Example("REV5_1234567_00001_2026T03.rar");
  for (const char* value : {"0", "-1", "two", "", "2x", "+2", " 2", "99999999999999999999"}) {
    Outcome r = CheckWith({"--variant", "quarterly", "--jobs", value, archive});
    EXPECT_EQ(r.status, 2) << "'" << value << "'";
    EXPECT_EQ(r.out, "") << value;
    EXPECT_EQ(r.err.rfind("zentrox-check: --jobs takes", 0), 0u) << r.err;
  }
  Outcome r = CheckWith({"--variant", "quarterly", archive, "--jobs"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("zentrox-check: --jobs needs a value", 0), 0u) << r.err;
}

}  // namespace
}  // namespace zentrox
