// One run at a time per working directory: the lock itself, and two Sessions
// of one process sharing a working directory.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "data/files.h"
#include "intake/command_runner.h"
#include "intake/session.h"
#include "intake/workdir_lock.h"
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

TEST(WorkdirLockTest, DirectoriesWithoutALockFileRunUnlocked) {
  // Nothing can be unpacked there either; the command reports that itself.
  TempDir base;
  EXPECT_TRUE(WorkdirLock(base / "missing/", 0ms).acquired());
  fs::create_directory(base / "readonly");
  ::chmod((base / "readonly").c_str(), 0555);
  if (::geteuid() != 0) {
    EXPECT_TRUE(WorkdirLock(base / "readonly/", 0ms).acquired());
  }
  ::chmod((base / "readonly").c_str(), 0755);
}

TEST(WorkdirLockTest, ALinkUnderTheLockFileNameIsNotFollowed) {
  TempDir work;
  TempDir elsewhere;
  fs::create_symlink(elsewhere / "target", work / kWorkdirLockName);
  WorkdirLock lock(work.path(), 0ms);
  EXPECT_TRUE(lock.acquired());
  EXPECT_FALSE(fs::exists(elsewhere / "target"));
}

TEST(WorkdirLockTest, WaitComesFromTheEnvironment) {
  struct Case {
    const char* value;  // nullptr: unset
    std::chrono::milliseconds wait;
  };
  const char* saved = std::getenv("ZENTROX_LOCK_WAIT_MS");
  std::string saved_value = saved ? saved : "";
  for (const Case& c : {Case{nullptr, 10000ms}, Case{"", 10000ms}, Case{"250", 250ms}, Case{"0", 0ms},
                        Case{"-5", 10000ms}, Case{"12x", 10000ms}, Case{"soon", 10000ms}}) {
    if (c.value == nullptr) {
      ::unsetenv("ZENTROX_LOCK_WAIT_MS");
    } else {
      ::setenv("ZENTROX_LOCK_WAIT_MS", c.value, 1);
    }
    EXPECT_EQ(DefaultLockWait(), c.wait) << (c.value ? c.value : "(unset)");
  }
  if (saved) {
    ::setenv("ZENTROX_LOCK_WAIT_MS", saved_value.c_str(), 1);
  } else {
    ::unsetenv("ZENTROX_LOCK_WAIT_MS");
  }
}

// Two Sessions of one process over one working directory, as two windows of
// two program instances would be. A slow stand-in archiver keeps the first
// one inside UnRar while the second one tries.
class TwoSessionsTest : public ::testing::Test {
 protected:
  TwoSessionsTest()
      : clock(test::D(8, 12, 2026), true),
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
  void SlowArchiver(const std::string& seconds, bool leave_child = false, bool until_released = false) {
    std::string script = "#!/bin/sh\n: > '" + (marks / "started") + "'\n";
    if (leave_child) script += "sleep 3 &\n";
    if (until_released) {
      script += "n=0; while [ ! -e '" + (marks / "release") + "' ] && [ $n -lt 600 ]; do sleep 0.05; n=$((n+1)); done\n";
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
  SlowArchiver("0", false, /*until_released=*/true);
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
  EXPECT_EQ(test::Texts(protocol), std::vector<std::string>{busy});
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
  SlowArchiver("0", /*leave_child=*/true);
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
