// What a run undoes when a signal ends it.
//
// SIGINT, SIGTERM and SIGHUP end zentrox-check as they would end any program,
// but not before it has stopped its archiver (which would otherwise go on
// writing into the working directory) and deleted the package files of the
// working directory it holds (insured persons' data, never left behind by a
// run) and its listing outside it. The lock needs nothing: the kernel drops
// it with the process.
//
// The handler does only what is safe in a signal handler: it signals and
// waits for the recorded child, unlinks names worked out beforehand relative
// to a descriptor opened beforehand, and raises the signal again with its
// default action, so the exit status tells the signal.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <string>

namespace zentrox {

// Catches SIGINT, SIGTERM and SIGHUP for the rest of the program, each unless
// the program was started with it ignored (a background job must not die of
// a Ctrl+C in its terminal). Forked processes keep the handlers.
void CleanUpOnInterruption();

// While one lives, the package files in `workdir` (which the caller holds
// locked: they are this run's) are deleted by an interruption, every case of
// their names. Nothing is done unless CleanUpOnInterruption was called.
class InterruptionRemovesPackage {
 public:
  explicit InterruptionRemovesPackage(const std::string& workdir);
  ~InterruptionRemovesPackage();
  InterruptionRemovesPackage(const InterruptionRemovesPackage&) = delete;
  InterruptionRemovesPackage& operator=(const InterruptionRemovesPackage&) = delete;

 private:
  int fd_ = -1;
  int previous_ = -1;
};

// While one lives, an interruption deletes the file at `path` (a scratch file
// of this run's own).
class InterruptionRemovesFile {
 public:
  explicit InterruptionRemovesFile(const std::string& path);
  ~InterruptionRemovesFile();
  InterruptionRemovesFile(const InterruptionRemovesFile&) = delete;
  InterruptionRemovesFile& operator=(const InterruptionRemovesFile&) = delete;

 private:
  bool set_ = false;
};

// For the command runner: keeps the caught signals from this thread from
// construction until Release() (or the end), so that a child started
// meanwhile is recorded by WatchChild before an interruption can look for it.
class InterruptionsHeld {
 public:
  InterruptionsHeld();
  ~InterruptionsHeld() { Release(); }
  InterruptionsHeld(const InterruptionsHeld&) = delete;
  InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;
  // The mask the thread had: the one a child is to start with.
  const sigset_t& original() const { return original_; }
  void Release();

 private:
  sigset_t original_;
  bool held_ = true;
};

// The child an interruption stops (sending it the same signal, and SIGKILL
// when it has not ended within a few seconds) and waits for. UnwatchChild
// comes before the child is reaped, so its process id can't have been reused.
void WatchChild(pid_t pid);
void UnwatchChild();

}  // namespace zentrox
