// Hostile and damaged archives through zentrox-check as a child process.
//
// Every run gets a sandbox of its own: a working directory, a separate source
// directory for the archive, a current directory and a TMPDIR, all below one
// root. Besides the protocol and the exit status each run must leave the
// sandbox outside the working directory exactly as it was, the parent of the
// sandbox without anything new, the dictionaries unchanged and the working
// directory free of links and half-written files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <thread>

#include "crc32.h"
#include "rar4_writer.h"
#include "support/test_support.h"

extern char** environ;

namespace zentrox {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::TempDir;

const char* const kHeading = "О Ш И Б К А  ПРИ  Р А С П А К О В К Е!!!";
const char* const kErrorAdvice = "а) проверьте версию архиватора, которым запакован пакет (должна быть версия 2.9)";
const char* const kListingRefused = "неправильно создан архив (в архиве должно быть только 4 файла!)";
const char* const kTooLarge = "Пакет слишком велик: распакованные файлы превышают допустимый размер";
const char* const kCompleted = "к о н т р о л ь  з а в е р ш е н.";

const char* const kQuarterlyName = "REV5_1234567_00001_2026T03.rar";
const char* const kAnnualName = "REV5_1234567_00004_2025L00.rar";

// The shared RAR test archives; the tests that need them are skipped where
// the folder is absent, as the archiver's own tests are.
const std::string kFixtures = std::string(ZENTROX_SOURCE_DIR) + "/../shared/fixtures/rar/";

bool HaveFixtures() { return std::filesystem::is_directory(kFixtures); }

std::string Fixture(const std::string& name) {
  if (!std::filesystem::exists(kFixtures + name)) ADD_FAILURE() << "fixture missing: " << name;
  return test::ReadBytes(kFixtures + name);
}

// ---- a child process with a time limit ----------------------------------------

struct Outcome {
  int status = -1;  // exit status, -1 when killed by a signal or timed out
  std::string out;
  std::string err;
  std::vector<std::string> lines() const { return test::SplitLines(out); }
  bool Has(const std::string& line) const {
    std::vector<std::string> v = lines();
    return std::find(v.begin(), v.end(), line) != v.end();
  }
};

class Child {
 public:
  // Starts `program` with `args` in `cwd`; `env` entries replace or extend the
  // inherited environment, and an empty value removes the variable.
  Child(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
        const std::map<std::string, std::string>& env) {
    std::vector<std::string> argv_store{program};
    argv_store.insert(argv_store.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argv_store) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env_store;
    for (char** e = environ; *e != nullptr; ++e) {
      std::string entry = *e;
      if (env.count(entry.substr(0, entry.find('='))) == 0) env_store.push_back(entry);
    }
    for (const auto& [key, value] : env) {
      if (!value.empty()) env_store.push_back(key + "=" + value);
    }
    std::vector<char*> envp;
    for (std::string& e : env_store) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (io_ / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (io_ / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) pid_ = -1;
  }
  ~Child() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  Outcome Wait(std::chrono::seconds limit = 120s) {
    Outcome r;
    if (pid_ <= 0) return r;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int raw = 0;
    for (;;) {
      pid_t done = ::waitpid(pid_, &raw, WNOHANG);
      if (done == pid_) break;
      if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "child did not end within " << limit.count() << " s";
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &raw, 0);
        break;
      }
      std::this_thread::sleep_for(20ms);
    }
    pid_ = -1;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = test::ReadBytes(io_ / "out");
    r.err = test::ReadBytes(io_ / "err");
    return r;
  }

 private:
  TempDir io_;
  pid_t pid_ = -1;
};

// ---- a RAR 5 archive with redirection (link) entries -------------------------
// The RAR 2.9 writer has no hard links: they came with RAR 5.

std::string Vint(std::uint64_t v) {
  std::string s;
  do {
    auto b = static_cast<unsigned char>(v & 0x7F);
    v >>= 7;
    if (v != 0) b |= 0x80;
    s.push_back(static_cast<char>(b));
  } while (v != 0);
  return s;
}

std::string Le32(std::uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  return s;
}

std::string Rar5Block(const std::string& body) {
  const std::string sized = Vint(body.size()) + body;
  return Le32(rar::crc32(sized)) + sized;
}

struct Rar5Entry {
  std::string name;
  std::string data;
  int redirect = 0;  // 0 a plain file, 1 Unix symlink, 4 hard link
  std::string target;
};

std::string BuildRar5(const std::vector<Rar5Entry>& entries) {
  std::string out("Rar!\x1A\x07\x01\x00", 8);
  out += Rar5Block(Vint(1) + Vint(0) + Vint(0));  // main header, no flags
  for (const Rar5Entry& e : entries) {
    std::string extra;
    if (e.redirect != 0) {
      const std::string record =
          Vint(5) + Vint(static_cast<std::uint64_t>(e.redirect)) + Vint(0) + Vint(e.target.size()) + e.target;
      extra = Vint(record.size()) + record;
    }
    std::string body = Vint(2) + Vint(extra.empty() ? 0x02 : 0x03);
    if (!extra.empty()) body += Vint(extra.size());
    body += Vint(e.data.size());
    body += Vint(0x0004) + Vint(e.data.size()) + Vint(0x20) + Le32(rar::crc32(e.data));  // CRC present
    body += Vint(0) + Vint(1) + Vint(e.name.size()) + e.name + extra;                    // stored, Unix host
    out += Rar5Block(body) + e.data;
  }
  out += Rar5Block(Vint(5) + Vint(0) + Vint(0));
  return out;
}

// ---- the sandbox --------------------------------------------------------------------

using Snapshot = std::map<std::string, std::string>;

// Every entry below `dir` except the subtree `skip`: links by target,
// directories by kind, files by content.
Snapshot Take(const fs::path& dir, const fs::path& skip) {
  Snapshot s;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec); it != fs::recursive_directory_iterator(); ++it) {
    const fs::path& p = it->path();
    if (p == skip) {
      it.disable_recursion_pending();
      continue;
    }
    const std::string rel = fs::relative(p, dir).string();
    fs::file_status st = it->symlink_status();
    if (fs::is_symlink(st)) {
      s[rel] = "link:" + fs::read_symlink(p).string();
    } else if (fs::is_directory(st)) {
      s[rel] = "dir";
    } else {
      s[rel] = "file:" + test::ReadBytes(p.string());
    }
  }
  return s;
}

// Names directly in a directory (the parent of a sandbox holds other tests'
// directories too, so only names with our own prefix are compared there).
std::set<std::string> NamesIn(const fs::path& dir, const std::string& prefix) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    const std::string n = e.path().filename().string();
    if (n.rfind(prefix, 0) == 0) names.insert(n);
  }
  return names;
}

class HostileTest : public ::testing::Test {
 protected:
  HostileTest() {
    fs::create_directories(root / "in/side/work");
    for (const char* d : {"src", "cwd", "tmp"}) fs::create_directory(root / d);
    test::CopyDictionaries(work());
    test::WriteBytes(root / "secret", "outside the working directory\n");
  }

  // Deep enough that "../" and "../../" still point into the sandbox, where
  // the snapshot sees whatever lands there.
  std::string work() const { return root / "in/side/work/"; }
  std::string src() const { return root / "src/"; }
  std::string RootName() const { return fs::path(root.path()).parent_path().filename().string(); }
  fs::path Parent() const { return fs::path(root.path()).parent_path().parent_path(); }
  // What a "../../../../x" entry would be named to land beside the sandbox.
  std::string BesideSandbox() const { return RootName() + "-escape"; }

  // The package files of an example folder as archive entries, named by `rename`.
  std::vector<rar4::Entry> Package(
      const std::string& folder,
      const std::function<std::string(const std::string&)>& rename = [](const std::string& n) { return n; }) const {
    std::vector<rar4::Entry> entries;
    for (const char* f : {"rev5_t", "rev5_ip", "rev5_na", "rev5_sd"}) {
      rar4::Entry e;
      e.name = rename(f);
      e.data = test::ReadBytes(std::string(ZENTROX_SOURCE_DIR) + "/examples/" + folder + "/" + f);
      entries.push_back(std::move(e));
    }
    return entries;
  }

  // Writes the archive, runs zentrox-check on it and checks what every run
  // must leave behind, hostile or not.
  Outcome Check(const std::string& variant, const std::string& archive_name, const std::string& bytes,
                std::map<std::string, std::string> env = {}) {
    const std::string archive = src() + archive_name;
    test::WriteBytes(archive, bytes);
    const Snapshot before = Take(root.path(), root / "in/side/work");
    const std::set<std::string> beside_before = NamesIn(Parent(), RootName());
    env.emplace("TMPDIR", root / "tmp");
    env.emplace("ZENTROX_WORKDIR", "");
    Outcome r = Child(ZENTROX_CHECK, {"--variant", variant, "--workdir", work(), "--today", "08.12.2026", archive},
                      root / "cwd", env)
                    .Wait();
    EXPECT_EQ(Take(root.path(), root / "in/side/work"), before) << "something changed outside the working directory";
    EXPECT_EQ(NamesIn(Parent(), RootName()), beside_before) << "something was written beside the sandbox";
    ExpectCleanWorkdir();
    return r;
  }

  // Only dictionaries (unchanged), the lock file, the listing and package
  // files; no links, no temporary files of the archiver.
  void ExpectCleanWorkdir() const {
    std::set<std::string> dictionaries;
    for (const auto& e : fs::directory_iterator(std::string(ZENTROX_SOURCE_DIR) + "/share/dictionaries")) {
      const std::string n = e.path().filename().string();
      dictionaries.insert(n);
      EXPECT_EQ(test::ReadBytes(work() + n), test::ReadBytes(e.path().string())) << n << " changed";
    }
    const std::set<std::string> allowed = {".zentrox.lock", "rev5_list", "rev5_t",  "rev5_ip", "rev5_na",
                                           "rev5_sd",       "rev5_pl",   "rev5_di", "rev5_mu"};
    for (const auto& e : fs::directory_iterator(work())) {
      const std::string n = e.path().filename().string();
      EXPECT_FALSE(e.is_symlink()) << n << " is a link";
      EXPECT_TRUE(dictionaries.count(n) || allowed.count(n)) << "unexpected file in the working directory: " << n;
    }
  }

  bool InWork(const std::string& name) const { return fs::exists(fs::symlink_status(work() + name)); }

  TempDir root;
};

// ---- entry names and kinds ---------------------------------------------------------

struct NameCase {
  const char* name;
  std::function<std::string(const std::string& root, const std::string& beside, const std::string& base)> entry;
};

class HostileNames : public HostileTest, public ::testing::WithParamInterface<NameCase> {};

// Stored paths are dropped: a package file stored under a path that leads out
// of the working directory is unpacked into it, by its base name, and a
// non-package entry with such a path is not unpacked at all.
TEST_P(HostileNames, LandOnlyInTheWorkingDirectory) {
  const NameCase& c = GetParam();
  const std::string r = root.path();
  auto named = [&](const std::string& base) { return c.entry(r, BesideSandbox(), base); };
  std::vector<rar4::Entry> annual = Package("annual-valid", named);
  annual.push_back(rar4::Entry{named("escape"), "escaped\n"});
  annual.push_back(rar4::Entry{named("secret"), "overwritten\n"});
  Outcome a = Check("annual", kAnnualName, rar4::build_archive(annual));
  EXPECT_EQ(a.status, 0) << a.out << a.err;
  EXPECT_TRUE(a.Has(kCompleted)) << a.out;
  for (const char* at : {"escape", "in/escape", "in/side/escape"}) EXPECT_FALSE(fs::exists(root / at)) << at;
  EXPECT_FALSE(fs::exists(Parent() / BesideSandbox()));
  EXPECT_FALSE(InWork("escape"));
  EXPECT_FALSE(InWork("secret"));

  // The quarterly window lists first: four entries whose base names are the
  // package files pass, a fifth entry is refused before anything is unpacked.
  Outcome q = Check("quarterly", kQuarterlyName, rar4::build_archive(Package("quarterly-valid", named)));
  EXPECT_EQ(q.status, 0) << q.out << q.err;
  EXPECT_TRUE(q.Has(kCompleted)) << q.out;
  std::vector<rar4::Entry> five = Package("quarterly-valid", named);
  five.push_back(rar4::Entry{named("escape"), "escaped\n"});
  Outcome q5 = Check("quarterly", kQuarterlyName, rar4::build_archive(five));
  EXPECT_EQ(q5.status, 3);
  EXPECT_TRUE(q5.Has(kListingRefused)) << q5.out;
  EXPECT_FALSE(InWork("rev5_t"));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, HostileNames,
    ::testing::Values(
        NameCase{"dot_dot", [](auto&, auto&, auto& base) { return "../" + base; }},
        NameCase{"dot_dot_twice", [](auto&, auto&, auto& base) { return "../../" + base; }},
        NameCase{"dot_dot_out_of_the_sandbox",
                 [](auto&, auto& beside, auto& base) { return "../../../../" + (base == "escape" ? beside : base); }},
        NameCase{"dot_dot_backslash", [](auto&, auto&, auto& base) { return "..\\..\\" + base; }},
        NameCase{"dot_dot_inside", [](auto&, auto&, auto& base) { return "work/../../" + base; }},
        NameCase{"absolute", [](auto& root, auto&, auto& base) { return root + base; }},
        NameCase{"absolute_backslash", [](auto&, auto&, auto& base) { return "C:\\Windows\\..\\" + base; }},
        NameCase{"trailing_dots", [](auto&, auto&, auto& base) { return "../" + base + ".."; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostileTest, LinkEntriesNamedLikePackageFilesAreRefused) {
  struct Case {
    const char* name;
    std::string archive;
  };
  std::vector<rar4::Entry> rar4_symlink = Package("annual-valid");
  rar4_symlink[0] = rar4::Entry{"rev5_t", root / "secret", rar4::EntryKind::Symlink};
  std::vector<rar4::Entry> rar4_symlink_dotdot = Package("annual-valid");
  rar4_symlink_dotdot[3] = rar4::Entry{"rev5_sd", "../secret", rar4::EntryKind::Symlink};
  auto rar5 = [&](int redirect, const std::string& target) {
    std::vector<Rar5Entry> entries;
    for (const rar4::Entry& e : Package("annual-valid")) entries.push_back({e.name, e.data, 0, ""});
    entries.push_back({"real", "x", 0, ""});
    entries[1] = Rar5Entry{"rev5_ip", "", redirect, target};
    return BuildRar5(entries);
  };
  for (const Case& c : {Case{"RAR 4 symlink to an absolute path", rar4::build_archive(rar4_symlink)},
                        Case{"RAR 4 symlink out of the directory", rar4::build_archive(rar4_symlink_dotdot)},
                        Case{"RAR 5 symlink", rar5(1, "../secret")}, Case{"RAR 5 hard link", rar5(4, "real")},
                        Case{"RAR 5 hard link out of the directory", rar5(4, "../secret")}}) {
    SCOPED_TRACE(c.name);
    Outcome r = Check("annual", kAnnualName, c.archive);
    EXPECT_EQ(r.status, 3) << r.out;
    EXPECT_TRUE(r.Has(kHeading) && r.Has(kErrorAdvice)) << r.out;
    EXPECT_NE(r.err.find("Rar: refusing to extract link"), std::string::npos) << r.err;
  }
}

TEST_F(HostileTest, LinksUnderOtherNamesAreLeftInTheArchive) {
  std::vector<rar4::Entry> entries = Package("annual-valid");
  entries.push_back(rar4::Entry{"evil", "/etc", rar4::EntryKind::Symlink});
  entries.push_back(rar4::Entry{"evil/passwd", "x"});
  Outcome r = Check("annual", kAnnualName, rar4::build_archive(entries));
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_FALSE(InWork("evil"));
  EXPECT_FALSE(InWork("passwd"));
}

TEST_F(HostileTest, EntriesNamedLikeDictionariesAreNotUnpacked) {
  std::vector<rar4::Entry> entries = Package("annual-valid");
  entries.push_back(rar4::Entry{"months.txt", "1|подменено\r\n"});
  entries.push_back(rar4::Entry{"..\\RAION.TXT", "99|подменено\r\n"});
  Outcome r = Check("annual", kAnnualName, rar4::build_archive(entries));
  EXPECT_EQ(r.status, 0) << r.out;  // the dictionaries compared by ExpectCleanWorkdir are the originals
  Outcome q = Check("quarterly", kQuarterlyName, rar4::build_archive(entries));
  EXPECT_TRUE(q.Has(kListingRefused)) << q.out;
}

// The portable installation: the program directory is the working directory,
// so an archive entry named like the archiver or the checker would replace it.
TEST_F(HostileTest, EntriesNamedLikeTheProgramsCannotReplaceThem) {
  const fs::path bin = root / "bin";
  fs::create_directory(bin);
  for (const char* program : {ZENTROX_CHECK, ZENTROX_BIN_DIR "/Rar"}) {
    fs::copy_file(program, bin / fs::path(program).filename());
  }
  test::CopyDictionaries(bin.string() + "/");
  std::vector<rar4::Entry> entries = Package("annual-valid");
  for (const char* name : {"Rar", "rar", "zentrox-check", "zentrox", "months.txt"}) {
    entries.push_back(rar4::Entry{name, "#!/bin/sh\ntouch \"$0.ran\"\nexit 0\n"});
  }
  test::WriteBytes(src() + kAnnualName, rar4::build_archive(entries));
  const Snapshot before = Take(bin, bin / "none");
  for (int pass = 0; pass < 2; ++pass) {  // the second run still finds the real archiver
    Outcome r =
        Child((bin / "zentrox-check").string(), {"--variant", "annual", "--today", "08.12.2026", src() + kAnnualName},
              root / "cwd", {{"ZENTROX_WORKDIR", ""}, {"TMPDIR", root / "tmp"}})
            .Wait();
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(r.Has(kCompleted)) << r.out;
  }
  Snapshot after = Take(bin, bin / "none");
  after.erase(".zentrox.lock");
  EXPECT_EQ(after, before);
}

// ---- size, count, encryption, damage ----------------------------------------------

TEST_F(HostileTest, PackageOverTheSizeCapIsRefused) {
  std::vector<rar4::Entry> entries = Package("annual-valid");
  entries[3].data += std::string(5000, 'x');  // rev5_sd far over the cap
  Outcome r = Check("annual", kAnnualName, rar4::build_archive(entries), {{"ZENTROX_RAR_MAX_BYTES", "2000"}});
  EXPECT_EQ(r.status, 3);
  std::vector<std::string> lines = r.lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_TRUE(r.Has(kHeading) && r.Has(kErrorAdvice)) << r.out;
  EXPECT_EQ(lines.back(), kTooLarge);
  EXPECT_NE(r.err.find("exceeds the limit of 2000 bytes"), std::string::npos) << r.err;
  EXPECT_FALSE(InWork("rev5_sd"));  // no partial file is left

  // The same package under the cap passes.
  Outcome fits =
      Check("annual", kAnnualName, rar4::build_archive(Package("annual-valid")), {{"ZENTROX_RAR_MAX_BYTES", "4000"}});
  EXPECT_EQ(fits.status, 0) << fits.out << fits.err;
}

// Half a million empty lines, each a fault per field: the protocol stops at
// its limit instead of growing by gigabytes (it took 48 s and 4.7 GB before).
TEST_F(HostileTest, MegabyteOfEmptyLinesKeepsTheProtocolBounded) {
  std::vector<rar4::Entry> entries = Package("annual-valid");
  entries[3].data = std::string(1u << 20, '\n');
  const auto start = std::chrono::steady_clock::now();
  Outcome r = Check("annual", kAnnualName, rar4::build_archive(entries));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.Has("Слишком много ошибок: выведены первые 100000, остальные не выводятся"));
  EXPECT_TRUE(r.Has(kCompleted));
  EXPECT_LT(r.lines().size(), 100100u);
  // The count left out closes the faults, before the closing line.
  const std::string counted = "Слишком много ошибок: выведены первые 100000, остальные не выводятся (не выведено: ";
  const std::vector<std::string> lines = r.lines();
  auto it = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(counted); });
  ASSERT_NE(it, lines.end());
  EXPECT_GE(std::stol(it->substr(counted.size())), 13L * (1L << 20) - 100000);  // REV5_SD's 13 fields a line
  ASSERT_NE(it + 1, lines.end());
  EXPECT_EQ(*(it + 1), kCompleted);
}

TEST_F(HostileTest, TenThousandEntries) {
  std::vector<rar4::Entry> entries = Package("annual-valid");
  for (int i = 0; i < 10000; ++i) entries.push_back(rar4::Entry{"f" + std::to_string(i), "x"});
  const std::string archive = rar4::build_archive(entries);
  const auto start = std::chrono::steady_clock::now();
  Outcome a = Check("annual", kAnnualName, archive);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 60s);
  EXPECT_EQ(a.status, 0) << a.err;
  EXPECT_FALSE(InWork("f0"));
  EXPECT_FALSE(InWork("f9999"));
  Outcome q = Check("quarterly", kQuarterlyName, archive);
  EXPECT_EQ(q.status, 3);
  EXPECT_TRUE(q.Has(kListingRefused));
}

TEST_F(HostileTest, EncryptedEntriesAreRefused) {
  struct Case {
    const char* name;
    std::string archive;
    const char* variant;
  };
  std::vector<rar4::Entry> flagged = Package("annual-valid");
  flagged[2].extra_flags = rar4::kPassword;
  std::vector<Case> cases = {{"package file flagged as encrypted", rar4::build_archive(flagged), "annual"}};
  for (const char* f : {"test_read_format_rar_encryption_data.rar", "test_read_format_rar_encryption_partially.rar",
                        "test_read_format_rar_encryption_header.rar", "test_read_format_rar4_encrypted.rar",
                        "test_read_format_rar4_solid_encrypted.rar", "test_read_format_rar5_encrypted.rar",
                        "test_read_format_rar5_solid_encrypted.rar", "test_read_format_rar5_encrypted_filenames.rar"}) {
    if (!HaveFixtures()) break;
    cases.push_back({f, Fixture(f), "annual"});
    cases.push_back({f, Fixture(f), "annual-old"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " / " + c.variant);
    ASSERT_FALSE(c.archive.empty()) << "fixture missing";
    Outcome r =
        Check(c.variant, std::string(c.variant) == "annual" ? kAnnualName : "REV5_1234567_00005.rar", c.archive);
    EXPECT_EQ(r.status, 3) << r.out;
    EXPECT_TRUE(r.Has(kHeading) && r.Has(kErrorAdvice)) << r.out;
  }
  Outcome r = Check("annual", kAnnualName, rar4::build_archive(flagged));
  EXPECT_NE(r.err.find("Rar: encrypted entry rev5_na"), std::string::npos) << r.err;
}

TEST_F(HostileTest, DamagedArchivesEndInTheErrorBlock) {
  struct Case {
    const char* name;
    std::string archive;
    const char* variant;
    const char* line;  // the refusal the protocol must hold
  };
  const std::string good = rar4::build_archive(Package("annual-valid"));
  const std::string good_q = rar4::build_archive(Package("quarterly-valid"));
  std::string bad_header = good;
  bad_header[7 + 13 + 2] = 0x75;  // first file header's type: its CRC no longer matches
  std::vector<Case> cases = {
      {"truncated in the data", good.substr(0, good.size() / 2), "annual", kErrorAdvice},
      {"truncated in a header", good.substr(0, 7 + 13 + 20), "annual", kErrorAdvice},
      {"no end block, cut after a file", good.substr(0, 7 + 13 + 32 + 6 + 109), "annual", kErrorAdvice},
      {"damaged header", bad_header, "annual", kErrorAdvice},
      {"truncated, listed first", good_q.substr(0, good_q.size() - 100), "quarterly", kListingRefused},
      {"not an archive", "Это не архив, а текст.\r\n", "annual", kErrorAdvice},
      {"not an archive, listed first", "Это не архив, а текст.\r\n", "quarterly", kListingRefused},
      {"empty file", "", "annual", kErrorAdvice},
      {"empty file, listed first", "", "quarterly", kListingRefused},
      {"marker only", std::string(reinterpret_cast<const char*>(rar4::kMarker.data()), rar4::kMarker.size()), "annual",
       kErrorAdvice},
  };
  if (HaveFixtures()) {
    cases.insert(
        cases.end(),
        {
            {"pointer-leak RAR 5", Fixture("test_read_format_rar5_data_ready_pointer_leak.rar"), "annual",
             kErrorAdvice},
            {"pointer-leak RAR 5, old format", Fixture("test_read_format_rar5_data_ready_pointer_leak.rar"),
             "annual-old", kErrorAdvice},
            {"truncated Huffman table RAR 5", Fixture("test_read_format_rar5_truncated_huff.rar"), "annual",
             kErrorAdvice},
            {"end block of huge size", Fixture("test_read_format_rar_endarc_huge.rar"), "annual", kErrorAdvice},
        });
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " / " + c.variant);
    const std::string variant = c.variant;
    Outcome r = Check(variant,
                      variant == "quarterly"    ? kQuarterlyName
                      : variant == "annual-old" ? "REV5_1234567_00005.rar"
                                                : kAnnualName,
                      c.archive);
    EXPECT_EQ(r.status, 3) << r.out << r.err;
    EXPECT_TRUE(r.Has(kHeading)) << r.out;
    EXPECT_TRUE(r.Has(c.line)) << r.out;
    EXPECT_FALSE(r.Has(kCompleted));
  }
}

// Stored entries whose data no longer matches the CRC in their header: the
// archive library returns the bytes without complaint, our archiver does not.
TEST_F(HostileTest, CorruptedDataFailsItsCrc) {
  if (!HaveFixtures()) GTEST_SKIP() << "no fixtures";
  struct Case {
    const char* file;
    const char* corrupted;  // the entry with the flipped byte
  };
  for (const Case& c :
       {Case{"probe_stored4_pkgnames_badcrc.rar", "rev5_ip"}, Case{"probe_rar5_pkgnames_badcrc.rar", "rev5_t"}}) {
    SCOPED_TRACE(c.file);
    Outcome r = Check("quarterly", kQuarterlyName, Fixture(c.file));
    EXPECT_EQ(r.status, 3) << r.out;
    EXPECT_TRUE(r.Has(kHeading) && r.Has(kErrorAdvice)) << r.out;
    EXPECT_NE(r.err.find("CRC error in " + std::string(c.corrupted)), std::string::npos) << r.err;
    EXPECT_FALSE(InWork(c.corrupted)) << "the corrupted file must never appear";
  }
  // The undamaged probes unpack (their dummy content then has findings).
  for (const char* f : {"probe_stored4_pkgnames.rar", "probe_rar5_pkgnames.rar"}) {
    SCOPED_TRACE(f);
    Outcome r = Check("quarterly", kQuarterlyName, Fixture(f));
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_TRUE(r.Has(kCompleted)) << r.out;
  }
}

// ---- several entries for one package file, package files missing -----------------

// An archive that lacks a package file is unpacked and checked: the control
// run names what is missing, never the extraction error block. Where the
// archive holds a package file twice (a name again, or in another case), the
// last copy is the one checked, as an overwriting extractor would leave it.
TEST_F(HostileTest, IncompleteOrRepeatedPackageFilesAreCheckedAsAnExtractorLeavesThem) {
  const std::string missing_files = "отсутствуют нужные файлы из пакета ";
  auto without = [](std::vector<rar4::Entry> entries, const std::string& name) {
    entries.erase(std::remove_if(entries.begin(), entries.end(), [&](const rar4::Entry& e) { return e.name == name; }),
                  entries.end());
    return entries;
  };
  std::vector<rar4::Entry> old_format;
  for (const char* f : {"rev5_pl", "rev5_na", "rev5_sd", "rev5_di", "rev5_mu"}) {
    old_format.push_back({f, test::ReadBytes(std::string(ZENTROX_SOURCE_DIR) + "/examples/annual-old-valid/" + f)});
  }
  std::vector<rar4::Entry> na_twice = Package("quarterly-valid");
  na_twice[3] = na_twice[2];  // REV5_T, REV5_IP, REV5_NA, REV5_NA: four entries, no REV5_SD
  const rar4::Entry damaged_sd{"REV5_SD",
                               "x1\xB0"
                               "1\xB0\r\n"};
  std::vector<rar4::Entry> damaged_last = Package("annual-valid");
  damaged_last.push_back(damaged_sd);
  std::vector<Rar5Entry> rar5_damaged_last;
  for (const rar4::Entry& e : damaged_last) rar5_damaged_last.push_back({e.name, e.data, 0, ""});
  std::vector<rar4::Entry> damaged_first = Package("annual-valid");
  damaged_first.insert(damaged_first.begin(), damaged_sd);
  struct Case {
    const char* what;
    const char* variant;
    const char* name;
    std::string archive;
    int status;
    std::string line;  // a line the protocol must hold
  };
  const std::string old_name = "REV5_1234567_00005.rar";
  const std::vector<Case> cases{
      {"annual without REV5_NA", "annual", kAnnualName,
       rar4::build_archive(without(Package("annual-valid"), "rev5_na")), 1, "NU ESTE fisierul " + work() + "REV5_NA"},
      {"annual without REV5_IP", "annual", kAnnualName,
       rar4::build_archive(without(Package("annual-valid"), "rev5_ip")), 3, missing_files},
      {"old format without REV5_DI", "annual-old", old_name.c_str(),
       rar4::build_archive(without(old_format, "rev5_di")), 1, "NU ESTE fisierul " + work() + "REV5_DI"},
      {"old format without REV5_PL", "annual-old", old_name.c_str(),
       rar4::build_archive(without(old_format, "rev5_pl")), 3, missing_files},
      {"quarterly listing REV5_NA twice", "quarterly", kQuarterlyName, rar4::build_archive(na_twice), 1,
       "NU ESTE fisierul " + work() + "REV5_SD"},
      {"a damaged REV5_SD after the valid one", "annual", kAnnualName, rar4::build_archive(damaged_last), 1,
       kCompleted},
      {"a damaged REV5_SD before the valid one", "annual", kAnnualName, rar4::build_archive(damaged_first), 0,
       kCompleted},
      {"RAR 5, a damaged REV5_SD after the valid one", "annual", kAnnualName, BuildRar5(rar5_damaged_last), 1,
       kCompleted},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Outcome r = Check(c.variant, c.name, c.archive);
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    EXPECT_TRUE(r.Has(c.line)) << r.out;
    EXPECT_FALSE(r.Has(kHeading)) << r.out;
  }
}

// ---- two runs in one working directory -----------------------------------------------

TEST_F(HostileTest, ASecondRunRefusesWhileTheDirectoryIsLocked) {
  test::WriteBytes(work() + "rev5_t", "another run's package file");
  const int fd = ::open((work() + ".zentrox.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  const std::string archive = rar4::build_archive(Package("annual-valid"));
  Outcome r = Check("annual", kAnnualName, archive, {{"ZENTROX_LOCK_WAIT_MS", "300"}});
  EXPECT_EQ(r.status, 3);
  const std::string busy = "Рабочий каталог " + work() + " занят другой проверкой; повторите позже";
  EXPECT_EQ(r.lines(), std::vector<std::string>{busy});
  EXPECT_NE(r.err.find("error: " + busy), std::string::npos) << r.err;
  EXPECT_EQ(test::ReadBytes(work() + "rev5_t"), "another run's package file");
  ::close(fd);

  Outcome after = Check("annual", kAnnualName, archive);
  EXPECT_EQ(after.status, 0) << after.out << after.err;
}

// Two zentrox-check processes at once. A slow stand-in archiver in a copy of
// the program directory keeps the first one inside UnRar.
TEST_F(HostileTest, TwoConcurrentRunsInOneWorkingDirectory) {
  const fs::path bin = root / "bin";
  fs::create_directory(bin);
  fs::copy_file(ZENTROX_CHECK, bin / "zentrox-check");
  const std::string started = root / "tmp/started";
  test::WriteBytes((bin / "Rar").string(),
                   "#!/bin/sh\n: > '" + started + "'\nsleep 2\nexec '" ZENTROX_BIN_DIR "/Rar' \"$@\"\n");
  fs::permissions(bin / "Rar", fs::perms::owner_all);
  test::WriteBytes(src() + kAnnualName, rar4::build_archive(Package("annual-valid")));
  auto start = [&](const std::string& wait_ms) {
    return std::make_unique<Child>(
        (bin / "zentrox-check").string(),
        std::vector<std::string>{"--variant", "annual", "--workdir", work(), "--today", "08.12.2026",
                                 src() + kAnnualName},
        root / "cwd", std::map<std::string, std::string>{{"ZENTROX_LOCK_WAIT_MS", wait_ms}, {"TMPDIR", root / "tmp"}});
  };
  auto wait_started = [&] {
    for (int i = 0; i < 500 && !fs::exists(started); ++i) std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(fs::exists(started));
    fs::remove(started);
  };

  // The second run gives up after its short wait.
  std::unique_ptr<Child> first = start("0");
  wait_started();
  Outcome refused = start("200")->Wait();
  Outcome done = first->Wait();
  EXPECT_EQ(done.status, 0) << done.out << done.err;
  EXPECT_EQ(refused.status, 3) << refused.out;
  EXPECT_NE(refused.err.find("занят другой проверкой"), std::string::npos) << refused.err;

  // With a long enough wait the second run follows the first one.
  first = start("0");
  wait_started();
  std::unique_ptr<Child> second = start("60000");
  Outcome one = first->Wait();
  Outcome two = second->Wait();
  EXPECT_EQ(one.status, 0) << one.out << one.err;
  EXPECT_EQ(two.status, 0) << two.out << two.err;
  ExpectCleanWorkdir();
}

}  // namespace
}  // namespace zentrox
