#include "intake/workdir_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "base/env_count.h"
#include "report/rule_entries.h"

namespace zentrox {
namespace {

std::string Reason(int error) {
  switch (error) {
    case ELOOP: return "is a symbolic link";  // O_NOFOLLOW refused the last component
    case EISDIR: return "is a directory";
    default: {
      std::string text = std::strerror(error);
      if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
      return text;
    }
  }
}

int OpenLockFile(const std::string& path) {
  // O_CLOEXEC: the archiver started while the lock is held must not inherit
  // it (a child that outlived us would keep the directory locked).
  // O_NOFOLLOW: a link planted under the lock file's name is not followed.
  // O_NONBLOCK: a FIFO planted there must not hang the open.
  constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | kFlags, 0644);
  } while (fd < 0 && errno == EINTR);
  // flock needs no write access: a lock file another user created (or one on
  // a read-only mount) still serves.
  if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
    const int first = errno;
    do {
      fd = ::open(path.c_str(), O_RDONLY | kFlags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && errno == ENOENT) errno = first;  // it could not be created in the first place
  }
  return fd;
}

}  // namespace

LockWaitSetting ReadLockWait() {
  const char* text = std::getenv("ZENTROX_LOCK_WAIT_MS");
  const EnvCount count = ParseEnvCount(text, static_cast<std::uint64_t>(kDefaultLockWait.count()),
                                       static_cast<std::uint64_t>(kMaxLockWait.count()));
  LockWaitSetting setting;
  setting.wait = std::chrono::milliseconds(static_cast<std::chrono::milliseconds::rep>(count.value));
  setting.complaint = EnvCountComplaint("ZENTROX_LOCK_WAIT_MS", text, count, "milliseconds");
  return setting;
}

std::chrono::milliseconds DefaultLockWait() { return ReadLockWait().wait; }

WorkdirLock::WorkdirLock(const std::string& workdir, std::chrono::milliseconds wait) {
  const std::string path = workdir + kWorkdirLockName;
  fd_ = OpenLockFile(path);
  if (fd_ < 0) {
    failure_ = path + ": " + Reason(errno);
    return;
  }
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    failure_ = path + ": " + (S_ISDIR(st.st_mode) ? "is a directory" : "is not a regular file");
    ::close(fd_);
    fd_ = -1;
    return;
  }
  wait = std::clamp(wait, std::chrono::milliseconds(0), kMaxLockWait);
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
      acquired_ = true;
      return;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
      // A file system without flock: nothing would keep a second run out.
      failure_ = path + ": cannot be locked: " + Reason(errno);
      return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(std::chrono::milliseconds(50), deadline - now));
  }
}

WorkdirLock::~WorkdirLock() {
  // Closing the file releases the lock; the file itself stays, since removing
  // it would let a waiting run lock a file that is no longer the lock file.
  if (fd_ >= 0) ::close(fd_);
}

std::string WorkdirBusyText(const std::string& workdir, const std::string& failure) {
  std::string text = FormatMessage(rule::kIntakeWorkdirFree.message, workdir);
  if (!failure.empty()) text += " (" + failure + ")";
  return text;
}

}  // namespace zentrox
