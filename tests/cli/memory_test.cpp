// Running out of memory: zentrox-check under an address-space limit; and
// the peak memory of a run on a damaged package against its unpacked size.
//
// The child gets the limit (setrlimit RLIMIT_AS between fork and exec, so
// the archiver it starts inherits it too). The limit is found at test time:
// the smallest of 64, 128, 256 ... MB under which a small valid package
// checks clean, plus 64 MB. The large package holds millions of rows, whose
// tables and orders need several times that, so the run must end for lack
// of memory however large the programs' libraries are on this machine.
//
// AddressSanitizer reserves terabytes of address space at start-up, so the
// sanitizer build skips these tests.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "rar4_writer.h"
#include "support/sanitizer.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

const char* const kOutOfMemory = "Недостаточно памяти для контроля пакета";
const char* const kArchiveName = "REV5_1234567_00001_2026T03.rar";

struct ChildRun {
  int status = -1;  // exit status; -1 when ended by a signal
  int signal = 0;
  long peak_kb = 0;  // the child's peak resident memory
  std::vector<std::string> lines;
};

// zentrox-check on `archive` in `work`, its address space limited to
// `limit` bytes (0: no limit).
ChildRun CheckUnderLimit(const std::string& work, const std::string& archive, rlim_t limit, const std::string& io) {
  const std::string out = io + "out";
  pid_t pid = ::fork();
  if (pid == 0) {
    if (limit != 0) {
      struct rlimit rl {
        limit, limit
      };
      if (::setrlimit(RLIMIT_AS, &rl) != 0) ::_exit(120);
    }
    int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int null = ::open("/dev/null", O_WRONLY);
    if (fd < 0 || null < 0) ::_exit(121);
    ::dup2(fd, 1);
    ::dup2(null, 2);
    ::execl(ZENTROX_CHECK, ZENTROX_CHECK, "--variant", "quarterly", "--workdir", work.c_str(), "--today", "08.12.2026",
            archive.c_str(), static_cast<char*>(nullptr));
    ::_exit(122);
  }
  ChildRun r;
  int raw = 0;
  struct rusage usage {};
  if (pid < 0 || ::wait4(pid, &raw, 0, &usage) != pid) return r;
  r.peak_kb = usage.ru_maxrss;
  if (WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) r.signal = WTERMSIG(raw);
  r.lines = test::SplitLines(test::ReadBytes(out));
  return r;
}

std::string PackageArchive(const std::string& sd) {
  std::vector<rar4::Entry> entries;
  for (const char* f : {"rev5_t", "rev5_ip", "rev5_na", "rev5_sd"}) {
    rar4::Entry e;
    e.name = f;
    e.data = std::string(f) == "rev5_sd"
                 ? sd
                 : test::ReadBytes(std::string(ZENTROX_SOURCE_DIR) + "/examples/quarterly-valid/" + f);
    entries.push_back(std::move(e));
  }
  return rar4::build_archive(entries);
}

std::vector<std::string> PackageFilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string n = e.path().filename().string();
    if (n.rfind("rev5_", 0) == 0 && n != "rev5_list") names.push_back(n);
  }
  return names;
}

// `bytes` of lines of one field, each a number of eight digits that varies
// from line to line.
std::string EightDigitLines(std::size_t bytes) {
  std::string sd;
  sd.reserve(bytes + 16);
  std::uint64_t x = 1;
  while (sd.size() < bytes) {
    x = x * 6364136223846793005u + 1442695040888963407u;
    sd += std::to_string(10000000 + (x >> 33) % 90000000) + "\n";
  }
  return sd;
}

TEST(OutOfMemory, EndsTheRunWithOneLineExit3AndNoPackageFiles) {
#ifdef ZENTROX_UNDER_ASAN
  GTEST_SKIP() << "AddressSanitizer cannot run under an address-space limit";
#else
  TempDir root;
  const std::string work = root / "work/";
  fs::create_directory(work);
  test::CopyDictionaries(work);
  const std::string small = root / "small/";
  const std::string large = root / "large/";
  fs::create_directory(small);
  fs::create_directory(large);
  test::WriteBytes(small + kArchiveName, PackageArchive(test::ReadBytes(std::string(ZENTROX_SOURCE_DIR) +
                                                                        "/examples/quarterly-valid/rev5_sd")));

  rlim_t fits = 0;
  for (rlim_t mb = 64; mb <= 4096 && fits == 0; mb *= 2) {
    if (CheckUnderLimit(work, small + kArchiveName, mb << 20, root.path()).status == 0) fits = mb << 20;
  }
  ASSERT_NE(fits, 0u) << "the small package did not check under any limit";
  const rlim_t limit = fits + (rlim_t{64} << 20);

  // 64 MB of lines holding only a declaration number, each another: seven
  // million rows.
  test::WriteBytes(large + kArchiveName, PackageArchive(EightDigitLines(std::size_t{64} << 20)));

  const ChildRun run = CheckUnderLimit(work, large + kArchiveName, limit, root.path());
  EXPECT_EQ(run.signal, 0) << "ended by a signal";
  EXPECT_EQ(run.status, 3);
  ASSERT_FALSE(run.lines.empty());
  EXPECT_EQ(run.lines.back(), kOutOfMemory);
  EXPECT_EQ(std::count(run.lines.begin(), run.lines.end(), kOutOfMemory), 1);
  EXPECT_TRUE(PackageFilesIn(work).empty()) << "package files left behind";

  // The working directory is free for the next run, which checks clean.
  EXPECT_EQ(CheckUnderLimit(work, small + kArchiveName, 0, root.path()).status, 0);
#endif
}

// A REV5_SD of short one-field lines whose values vary from line to line
// (each a number of eight digits) peaks within four times the unpacked
// package: its rows, their orders and lookups and the protocol's fault
// lines together.
TEST(PeakMemory, OneFieldLinesOfVaryingValuesWithinFourTimesTheInput) {
#ifdef ZENTROX_UNDER_ASAN
  GTEST_SKIP() << "AddressSanitizer's shadow memory is not the program's";
#else
  TempDir root;
  const std::string work = root / "work/";
  fs::create_directory(work);
  test::CopyDictionaries(work);
  std::string sd = EightDigitLines(std::size_t{32} << 20);
  std::size_t input = sd.size();
  for (const char* f : {"rev5_t", "rev5_ip", "rev5_na"}) {
    input += fs::file_size(std::string(ZENTROX_SOURCE_DIR) + "/examples/quarterly-valid/" + f);
  }
  test::WriteBytes(root / kArchiveName, PackageArchive(sd));
  sd = std::string();

  const ChildRun run = CheckUnderLimit(work, root / kArchiveName, 0, root.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_LE(static_cast<std::size_t>(run.peak_kb) * 1024, 4 * input) << "peak " << run.peak_kb << " KiB";
#endif
}

}  // namespace
}  // namespace zentrox
