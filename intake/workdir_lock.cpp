#include "intake/workdir_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace zentrox {

std::chrono::milliseconds DefaultLockWait() {
  constexpr std::chrono::milliseconds kDefault{10000};
  const char* text = std::getenv("ZENTROX_LOCK_WAIT_MS");
  if (text == nullptr || *text == '\0') return kDefault;
  long long ms = 0;
  const char* end = text + std::strlen(text);
  auto [ptr, ec] = std::from_chars(text, end, ms);
  if (ec != std::errc() || ptr != end || ms < 0) return kDefault;
  return std::chrono::milliseconds(ms);
}

WorkdirLock::WorkdirLock(const std::string& workdir, std::chrono::milliseconds wait) {
  const std::string path = workdir + kWorkdirLockName;
  // O_CLOEXEC: the archiver started while the lock is held must not inherit
  // it (a child that outlived us would keep the directory locked).
  // O_NOFOLLOW: a link planted under the lock file's name is not followed.
  do {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  } while (fd_ < 0 && errno == EINTR);
  // flock needs no write access: a lock file another user created still serves.
  if (fd_ < 0 && errno == EACCES) fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd_ < 0) {
    acquired_ = true;
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
      acquired_ = true;
      return;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
      // A file system without flock: as with an unwritable directory, run unlocked.
      acquired_ = true;
      return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(std::chrono::milliseconds(50),
                                                                              deadline - now));
  }
}

WorkdirLock::~WorkdirLock() {
  // Closing the file releases the lock; the file itself stays, since removing
  // it would let a waiting run lock a file that is no longer the lock file.
  if (fd_ >= 0) ::close(fd_);
}

std::string WorkdirBusyText(const std::string& workdir) {
  return "Рабочий каталог " + workdir + " занят другой проверкой; повторите позже";
}

}  // namespace zentrox
