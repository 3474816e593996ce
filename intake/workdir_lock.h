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
//
// The lock fails closed: when the lock file cannot be opened or locked (a
// directory or a link under its name, no permission, a missing directory, a
// file system without flock), the run is refused like a run that found the
// directory busy, since nothing would keep a second run out.
#pragma once

#include <chrono>
#include <string>

namespace zentrox {

// The name of the lock file inside the working directory.
inline constexpr const char* kWorkdirLockName = ".zentrox.lock";

// How long a run waits for another run in the same directory: 10 s unless
// $ZENTROX_LOCK_WAIT_MS says otherwise, and never more than an hour.
inline constexpr std::chrono::milliseconds kDefaultLockWait{10000};
inline constexpr std::chrono::milliseconds kMaxLockWait{3600000};

struct LockWaitSetting {
  std::chrono::milliseconds wait = kDefaultLockWait;
  // For the user when $ZENTROX_LOCK_WAIT_MS was not taken as written (not a
  // plain number of milliseconds, or above the maximum); empty otherwise.
  std::string complaint;
};
LockWaitSetting ReadLockWait();
std::chrono::milliseconds DefaultLockWait();  // ReadLockWait().wait

class WorkdirLock {
 public:
  // Tries to take the lock of `workdir` (ends in "/") for up to `wait`
  // (at most kMaxLockWait).
  WorkdirLock(const std::string& workdir, std::chrono::milliseconds wait);
  ~WorkdirLock();
  WorkdirLock(const WorkdirLock&) = delete;
  WorkdirLock& operator=(const WorkdirLock&) = delete;

  // False when another run held the lock for the whole wait, or when the
  // lock could not be taken at all (then failure() says why).
  bool acquired() const { return acquired_; }
  // Why the lock file could not be opened or locked, naming it
  // ("/w/.zentrox.lock: is a directory"); empty otherwise.
  const std::string& failure() const { return failure_; }

 private:
  int fd_ = -1;
  bool acquired_ = false;
  std::string failure_;
};

// The protocol line and error text of a refused run. `failure` (see
// WorkdirLock::failure) is added in parentheses after the line a busy
// directory gets, which itself stays as it is.
std::string WorkdirBusyText(const std::string& workdir, const std::string& failure = "");

}  // namespace zentrox
