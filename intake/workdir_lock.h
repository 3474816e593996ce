// One run at a time per working directory.
//
// UnRar deletes and writes the package files of the working directory and
// Control reads and then deletes them; two processes (or two windows) doing
// this in the same directory at once would destroy each other's package. Each
// of the two commands therefore holds an exclusive lock on the directory for
// its whole length: flock on the file ".zentrox.lock" inside it. flock locks
// belong to an open file, so two Sessions of one process exclude each other
// just as two processes do, and the kernel drops the lock of a process that
// dies.
#pragma once

#include <chrono>
#include <string>

namespace zentrox {

// The name of the lock file inside the working directory.
inline constexpr const char* kWorkdirLockName = ".zentrox.lock";

// How long a run waits for another run in the same directory by default:
// $ZENTROX_LOCK_WAIT_MS when set to a number of milliseconds, else 10 s.
std::chrono::milliseconds DefaultLockWait();

class WorkdirLock {
 public:
  // Tries to take the lock of `workdir` (ends in "/") for up to `wait`.
  // A directory where the lock file cannot be created (missing, read-only)
  // is not locked and counts as taken: no run can write package files there
  // either, and the command then fails with its own message.
  WorkdirLock(const std::string& workdir, std::chrono::milliseconds wait);
  ~WorkdirLock();
  WorkdirLock(const WorkdirLock&) = delete;
  WorkdirLock& operator=(const WorkdirLock&) = delete;

  // False when another run held the lock for the whole wait.
  bool acquired() const { return acquired_; }

 private:
  int fd_ = -1;
  bool acquired_ = false;
};

// The protocol line and error text of a refused run.
std::string WorkdirBusyText(const std::string& workdir);

}  // namespace zentrox
