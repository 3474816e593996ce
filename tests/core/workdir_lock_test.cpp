// One run at a time per working directory: the lock itself, and two Sessions
// of one process sharing a working directory.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "base/env_count.h"
#include "intake/command_runner.h"
#include "intake/workdir_lock.h"
#include "model/files.h"
#include "session/session.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::Record;
using test::TempDir;

class RecordingPort : public UserPort {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  std::vector<std::string> messages;
  std::vector<std::string> errors;
};

bool WaitFor(const std::string& path, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!fs::exists(path)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

TEST(WorkdirLockTest, ExcludesASecondHolderUntilTheFirstEnds) {
  TempDir work;
  auto first = std::make_unique<WorkdirLock>(work.path(), 0ms);
  ASSERT_TRUE(first->acquired());
  EXPECT_TRUE(fs::exists(work / kWorkdirLockName));
  {
    const auto start = std::chrono::steady_clock::now();
    WorkdirLock second(work.path(), 200ms);
    EXPECT_FALSE(second.acquired());
    EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);  // it waited before refusing
  }
  first.reset();
  WorkdirLock third(work.path(), 0ms);
  EXPECT_TRUE(third.acquired());
}

TEST(WorkdirLockTest, AWaitingHolderGetsTheLockWhenItIsReleased) {
  TempDir work;
  auto first = std::make_unique<WorkdirLock>(work.path(), 0ms);
  ASSERT_TRUE(first->acquired());
  std::thread release([&] {
    std::this_thread::sleep_for(300ms);
    first.reset();
  });
  const auto start = std::chrono::steady_clock::now();
  WorkdirLock second(work.path(), 10s);
  const auto waited = std::chrono::steady_clock::now() - start;
  release.join();
  EXPECT_TRUE(second.acquired());
  EXPECT_GE(waited, 250ms);
  EXPECT_LT(waited, 5s);
}

// Whatever keeps the lock file from being opened or locked refuses the run:
// running unlocked would let a second run destroy this one's package.
TEST(WorkdirLockTest, AnUnusableLockFileRefusesTheRun) {
  struct Case {
    const char* what;
    void (*plant)(const std::string& work, const std::string& elsewhere);
    const char* reason;
  };
  const std::vector<Case> cases{
      {"a directory", [](const std::string& w, const std::string&) { fs::create_directory(w + kWorkdirLockName); },
       "is a directory"},
      {"a dangling link",
       [](const std::string& w, const std::string& e) { fs::create_symlink(e + "target", w + kWorkdirLockName); },
       "is a symbolic link"},
      {"a link to a file",
       [](const std::string& w, const std::string& e) {
         test::WriteBytes(e + "target", "");
         fs::create_symlink(e + "target", w + kWorkdirLockName);
       },
       "is a symbolic link"},
      {"a FIFO", [](const std::string& w, const std::string&) { ::mkfifo((w + kWorkdirLockName).c_str(), 0644); },
       "is not a regular file"},
      {"a missing directory", [](const std::string& w, const std::string&) { fs::remove(w); },
       "no such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir work;
    TempDir elsewhere;
    c.plant(work.path(), elsewhere.path());
    const bool had_target = fs::exists(elsewhere / "target");
    WorkdirLock lock(work.path(), 0ms);
    EXPECT_FALSE(lock.acquired());
    EXPECT_EQ(lock.failure(), work.path() + kWorkdirLockName + ": " + c.reason);
    EXPECT_EQ(fs::exists(elsewhere / "target"), had_target);  // a link is not followed
  }
}

// Runs `body` in a child process as an ordinary user (nobody when this runs
// as root, whom permission bits do not stop) and returns what it printed.
std::string AsOrdinaryUser(const std::function<std::string()>& body) {
  int fds[2];
  if (::pipe(fds) != 0) return "pipe failed";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    std::string out = "cannot become an ordinary user";
    if (::geteuid() != 0 || (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0)) {
      out = body();
    }
    if (::write(fds[1], out.data(), out.size()) < 0) ::_exit(2);
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string out;
  char buf[512];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
  ::close(fds[0]);
  ::waitpid(pid, nullptr, 0);
  return out;
}

std::string TryLock(const std::string& work) {
  WorkdirLock lock(work, 0ms);
  return std::string(lock.acquired() ? "acquired" : "refused") + "|" + lock.failure();
}

TEST(WorkdirLockTest, ALockFileWithoutPermissionRefusesTheRun) {
  TempDir base;
  ::chmod(base.path().c_str(), 0755);
  // A lock file nobody else may open, and a directory where nobody else may
  // create one.
  const std::string closed = base / "closed/";
  fs::create_directory(closed);
  test::WriteBytes(closed + kWorkdirLockName, "");
  ::chmod((closed + kWorkdirLockName).c_str(), 0);
  const std::string readonly = base / "readonly/";
  fs::create_directory(readonly);
  ::chmod(readonly.c_str(), 0555);
  for (const std::string& work : {closed, readonly}) {
    SCOPED_TRACE(work);
    EXPECT_EQ(AsOrdinaryUser([&] { return TryLock(work); }),
              "refused|" + work + kWorkdirLockName + ": permission denied");
  }
  ::chmod(readonly.c_str(), 0755);
}

TEST(WorkdirLockTest, ALockFileOfAnotherUserStillServes) {
  // Read access is enough for flock.
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to leave a lock file of another user";
  TempDir work;
  ::chmod(work.path().c_str(), 0755);
  test::WriteBytes(work / kWorkdirLockName, "");
  ::chmod((work / kWorkdirLockName).c_str(), 0644);
  EXPECT_EQ(AsOrdinaryUser([&] { return TryLock(work.path()); }), "acquired|");
}

TEST(WorkdirLockTest, TheBusyLineStaysAndAFailureIsAddedToIt) {
  EXPECT_EQ(WorkdirBusyText("/w/"), "Рабочий каталог /w/ занят другой проверкой; повторите позже");
  EXPECT_EQ(WorkdirBusyText("/w/", "/w/.zentrox.lock: is a directory"),
            "Рабочий каталог /w/ занят другой проверкой; повторите позже (/w/.zentrox.lock: is a directory)");
}

TEST(WorkdirLockTest, WaitComesFromTheEnvironment) {
  struct Case {
    const char* value;  // nullptr: unset
    std::chrono::milliseconds wait;
    const char* complaint;
  };
  const char* saved = std::getenv("ZENTROX_LOCK_WAIT_MS");
  std::string saved_value = saved ? saved : "";
  const std::vector<Case> cases{
      {nullptr, 10000ms, ""},
      {"", 10000ms, ""},
      {"250", 250ms, ""},
      {"0", 0ms, ""},
      {"3600000", 3600000ms, ""},
      {"-5", 10000ms, "ZENTROX_LOCK_WAIT_MS=-5: not a number of milliseconds; using 10000"},
      {"soon", 10000ms, "ZENTROX_LOCK_WAIT_MS=soon: not a number of milliseconds; using 10000"},
      {"3600001", 3600000ms, "ZENTROX_LOCK_WAIT_MS=3600001: more than 3600000 milliseconds; using 3600000"},
      {"9223372036854775807", 3600000ms,
       "ZENTROX_LOCK_WAIT_MS=9223372036854775807: more than 3600000 milliseconds; using 3600000"},
  };
  for (const Case& c : cases) {
    if (c.value == nullptr) {
      ::unsetenv("ZENTROX_LOCK_WAIT_MS");
    } else {
      ::setenv("ZENTROX_LOCK_WAIT_MS", c.value, 1);
    }
    const LockWaitSetting setting = ReadLockWait();
    EXPECT_EQ(setting.wait, c.wait) << (c.value ? c.value : "(unset)");
    EXPECT_EQ(setting.complaint, c.complaint) << (c.value ? c.value : "(unset)");
    EXPECT_EQ(DefaultLockWait(), c.wait);
  }
  if (saved) {
    ::setenv("ZENTROX_LOCK_WAIT_MS", saved_value.c_str(), 1);
  } else {
    ::unsetenv("ZENTROX_LOCK_WAIT_MS");
  }
}

TEST(EnvCountTest, DigitsOnlyAndNeverAboveTheCeiling) {
  using State = EnvCount::State;
  struct Case {
    const char* text;
    State state;
    std::uint64_t value;
  };
  constexpr std::uint64_t kFallback = 7;
  constexpr std::uint64_t kCeiling = 1000;
  const std::vector<Case> cases{
      {nullptr, State::Unset, kFallback},
      {"", State::Unset, kFallback},
      {"0", State::Valid, 0},
      {"42", State::Valid, 42},
      {"0042", State::Valid, 42},
      {"1000", State::Valid, 1000},
      {"1001", State::Clamped, kCeiling},
      {"1009", State::Clamped, kCeiling},
      {"10000", State::Clamped, kCeiling},
      {"18446744073709551616", State::Clamped, kCeiling},  // 2^64
      {"99999999999999999999999999999999", State::Clamped, kCeiling},
      {"+5", State::Invalid, kFallback},
      {"-5", State::Invalid, kFallback},
      {" 5", State::Invalid, kFallback},
      {"5 ", State::Invalid, kFallback},
      {"5\n", State::Invalid, kFallback},
      {"12k", State::Invalid, kFallback},
      {"0x10", State::Invalid, kFallback},
      {"1.5", State::Invalid, kFallback},
      {"99999999999999999999x", State::Invalid, kFallback},
  };
  for (const Case& c : cases) {
    const EnvCount n = ParseEnvCount(c.text, kFallback, kCeiling);
    EXPECT_EQ(n.state, c.state) << (c.text ? c.text : "(null)");
    EXPECT_EQ(n.value, c.value) << (c.text ? c.text : "(null)");
  }
  // A ceiling at the top of the range: nothing wraps around.
  const EnvCount top = ParseEnvCount("18446744073709551615", 0, UINT64_MAX);
  EXPECT_EQ(top.state, State::Valid);
  EXPECT_EQ(top.value, UINT64_MAX);
  EXPECT_EQ(ParseEnvCount("18446744073709551616", 0, UINT64_MAX).state, State::Clamped);
  EXPECT_EQ(ParseEnvCount("7", 3, 5).state, State::Clamped);
}

// How the slow stand-in archiver of TwoSessionsTest behaves.
struct SlowArchiverOptions {
  bool leave_child = false;
  bool until_released = false;
};

// Two Sessions of one process over one working directory, as two windows of
// two program instances would be. A slow stand-in archiver keeps the first
// one inside UnRar while the second one tries.
class TwoSessionsTest : public ::testing::Test {
 protected:
  TwoSessionsTest()
      : clock(test::D(8, 12, 2026), FixedDateClock::TimeOfDay::Midnight),
        first(work.path(), bin.path(), clock),
        second(work.path(), bin.path(), clock) {
    test::CopyDictionaries(work.path());
    first.set_lock_wait(0ms);
    second.set_lock_wait(200ms);
  }

  // A "Rar" in the program directory that leaves a mark, optionally starts a
  // background child that outlives it, sleeps, then runs the real archiver.
  // With `until_released` it waits for the test's "release" mark instead of
  // a fixed time, so a loaded machine can't let the first run end early.
  void SlowArchiver(const std::string& seconds, SlowArchiverOptions options = {}) {
    std::string script = "#!/bin/sh\n: > '" + (marks / "started") + "'\n";
    if (options.leave_child) script += "sleep 3 &\n";
    if (options.until_released) {
      script +=
          "n=0; while [ ! -e '" + (marks / "release") + "' ] && [ $n -lt 600 ]; do sleep 0.05; n=$((n+1)); done\n";
    }
    script += "sleep " + seconds + "\nexec '" + std::string(ZENTROX_BIN_DIR) + "/Rar' \"$@\"\n";
    test::WriteBytes(bin / "Rar", script);
    fs::permissions(bin / "Rar", fs::perms::owner_all);
  }

  std::string Archive() {
    const std::string t =
        Record({"1", "2026", "3", "12", "1234567", "", "POPA ION", "01.10.2026", "1", "0", "0", "0", "0", "0"});
    const std::string ip = Record({"1", "1", "0", "0", "0", "0", "0"});
    const std::string na = Record({"1", "1", "12345678901", "POPA", "ION", "", "", "", "", "", "", "", ""});
    const std::string sd = Record({"1", "1", "13", "", "", "", "", "", "0", "0", "0", "0", "0"});
    std::vector<std::string> args = {"a", source / "REV5_1234567_00001_2026T03.rar"};
    for (const auto& [name, content] : {std::pair{"rev5_t", t}, {"rev5_ip", ip}, {"rev5_na", na}, {"rev5_sd", sd}}) {
      test::WriteCp1251(source / name, content);
      args.push_back(source / name);
    }
    EXPECT_TRUE(RunCommand({"Rar", args, ""}, ZENTROX_BIN_DIR).ok());
    return source / "REV5_1234567_00001_2026T03.rar";
  }

  TempDir work;
  TempDir bin;
  TempDir source;
  TempDir marks;
  FixedDateClock clock;
  Session first;
  Session second;
};

TEST_F(TwoSessionsTest, ASecondUnRarIsRefusedWhileTheFirstRuns) {
  const std::string archive = Archive();
  SlowArchiver("0", {.until_released = true});
  test::WriteBytes(work / "rev5_t", "left by an earlier run");
  std::atomic<UnrarOutcome> first_outcome{UnrarOutcome::NameRefused};
  std::thread runner([&] {
    Protocol p;
    RecordingPort port;
    first_outcome = first.UnRar(Variant::Quarterly, archive, p, port);
  });
  ASSERT_TRUE(WaitFor(marks / "started", 10s));

  Protocol protocol;
  protocol.Add("the pane's earlier text");
  RecordingPort port;
  EXPECT_EQ(second.UnRar(Variant::Annual, source / "REV5_1234567_00009_2025L00.rar", protocol, port),
            UnrarOutcome::WorkdirBusy);
  test::WriteBytes(marks / "release", "");
  runner.join();
  EXPECT_EQ(first_outcome.load(), UnrarOutcome::Unpacked);

  const std::string busy = "Рабочий каталог " + work.path() + " занят другой проверкой; повторите позже";
  ASSERT_EQ(test::Texts(protocol), std::vector<std::string>{busy});
  EXPECT_EQ(protocol.lines()[0].style.color, kRed);
  EXPECT_EQ(port.errors, std::vector<std::string>{busy});
  EXPECT_TRUE(port.messages.empty());
  // The refused window changed nothing of its state.
  EXPECT_EQ(second.window(Variant::Annual).archive_path, "");
  EXPECT_EQ(second.window(Variant::Annual).last_chosen, "");
  EXPECT_EQ(second.shared_package_name(), "");
  // What the first session unpacked is intact.
  EXPECT_NE(test::ReadBytes(work / "rev5_t"), "left by an earlier run");
}

TEST_F(TwoSessionsTest, ControlIsRefusedWhileAnotherRunHoldsTheDirectory) {
  SlowArchiver("0");
  Protocol unrar;
  RecordingPort unrar_port;
  ASSERT_EQ(first.UnRar(Variant::Quarterly, Archive(), unrar, unrar_port), UnrarOutcome::Unpacked);
  {
    WorkdirLock other(work.path(), 0ms);
    ASSERT_TRUE(other.acquired());
    Protocol protocol;
    RecordingPort port;
    ControlResult r = first.Control(Variant::Quarterly, protocol, port);
    EXPECT_EQ(r.outcome, RunOutcome::WorkdirBusy);
    EXPECT_EQ(port.errors.size(), 1u);
    ASSERT_EQ(protocol.lines().size(), 1u);
    EXPECT_EQ(protocol.lines()[0].kind, LineKind::Fault);
    // Without a port the refusal is still in the outcome and the protocol.
    Protocol quiet;
    EXPECT_EQ(first.Control(Variant::Quarterly, quiet).outcome, RunOutcome::WorkdirBusy);
    EXPECT_EQ(test::Texts(quiet), test::Texts(protocol));
    // Nothing was read or deleted.
    for (const char* f : {"rev5_t", "rev5_ip", "rev5_na", "rev5_sd"}) EXPECT_TRUE(fs::exists(work / f)) << f;
  }
  Protocol protocol;
  RecordingPort port;
  EXPECT_EQ(first.Control(Variant::Quarterly, protocol, port).outcome, RunOutcome::Completed);
  EXPECT_TRUE(port.errors.empty());
}

TEST_F(TwoSessionsTest, TheSecondSessionWaitsForTheFirst) {
  const std::string archive = Archive();
  SlowArchiver("0.5");
  second.set_lock_wait(30s);
  std::thread runner([&] {
    Protocol p;
    RecordingPort port;
    first.UnRar(Variant::Quarterly, archive, p, port);
  });
  ASSERT_TRUE(WaitFor(marks / "started", 10s));
  Protocol protocol;
  RecordingPort port;
  EXPECT_EQ(second.UnRar(Variant::Quarterly, archive, protocol, port), UnrarOutcome::Unpacked);
  runner.join();
  EXPECT_TRUE(port.errors.empty());
}

TEST_F(TwoSessionsTest, TheArchiverDoesNotInheritTheLock) {
  // A child the archiver leaves behind must not keep the directory locked.
  SlowArchiver("0", {.leave_child = true});
  Protocol protocol;
  RecordingPort port;
  ASSERT_EQ(first.UnRar(Variant::Quarterly, Archive(), protocol, port), UnrarOutcome::Unpacked);
  WorkdirLock after(work.path(), 0ms);
  EXPECT_TRUE(after.acquired());
}

TEST_F(TwoSessionsTest, AHeldDirectoryStaysLockedBetweenUnRarAndControl) {
  SlowArchiver("0");
  const std::string archive = Archive();
  Protocol protocol;
  RecordingPort port;
  ASSERT_TRUE(first.HoldWorkdir(protocol, port));
  EXPECT_TRUE(protocol.empty());
  // The holder itself runs both commands (it does not wait for its own lock) ...
  ASSERT_EQ(first.UnRar(Variant::Quarterly, archive, protocol, port), UnrarOutcome::Unpacked);
  // ... and between them nobody else gets in.
  Protocol other;
  RecordingPort other_port;
  EXPECT_FALSE(second.HoldWorkdir(other, other_port));
  EXPECT_EQ(other_port.errors.size(), 1u);
  EXPECT_EQ(test::FaultTexts(other).size(), 1u);
  EXPECT_EQ(second.UnRar(Variant::Quarterly, archive, other, other_port), UnrarOutcome::WorkdirBusy);
  EXPECT_EQ(first.Control(Variant::Quarterly, protocol, port).outcome, RunOutcome::Completed);
  EXPECT_EQ(second.Control(Variant::Quarterly, other, other_port).outcome, RunOutcome::WorkdirBusy);
  first.ReleaseWorkdir();
  EXPECT_EQ(second.UnRar(Variant::Quarterly, archive, other, other_port), UnrarOutcome::Unpacked);
  EXPECT_TRUE(port.errors.empty());
}

}  // namespace
}  // namespace zentrox
