#include "intake/workdir_files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <fmt/format.h>

namespace zentrox::workdir_files {

// "permission denied" rather than "Permission denied": the text follows a colon.
std::string ErrnoText(int error) {
  if (error == ELOOP) return "is a symbolic link";  // O_NOFOLLOW refused it
  std::string text = std::strerror(error);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

// Opens a regular file for reading. O_NONBLOCK: a FIFO under the name must
// not hang the open; `follow` false: a link there is not followed (ELOOP).
// -1 with errno set otherwise (EINVAL for a file that is not regular).
int OpenRegular(int dirfd, const std::string& name, bool follow) {
  const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (follow ? 0 : O_NOFOLLOW);
  Fd fd(Retried([&] { return ::openat(dirfd, name.c_str(), flags); }));
  if (fd.get() < 0) return -1;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return -1;
  if (!S_ISREG(st.st_mode)) {
    errno = EINVAL;
    return -1;
  }
  return fd.release();
}

// At most `limit` bytes of `fd`; false on a read error.
bool ReadUpTo(int fd, std::size_t limit, std::string& out) {
  char buf[8192];
  while (out.size() < limit) {
    const ssize_t n = Retried([&] { return ::read(fd, buf, sizeof buf); });
    if (n < 0) return false;
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return true;
}

bool WriteAll(int fd, const char* p, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool CopyAll(int from, int to) {
  char buf[65536];
  for (;;) {
    const ssize_t n = Retried([&] { return ::read(from, buf, sizeof buf); });
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteAll(to, buf, static_cast<std::size_t>(n))) return false;
  }
}

// The process's file mode creation mask, without changing it (umask() would,
// for a moment, for every thread).
mode_t ProcessUmask() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
  }
  return 022;
}

// Creates `name` in `dirfd` afresh: O_EXCL and O_NOFOLLOW never follow or
// reuse anything standing there, and mode 0600 keeps everybody else out while
// it is written.
int CreateNew(int dirfd, const std::string& name) {
  return Retried(
      [&] { return ::openat(dirfd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600); });
}

// Fills a new file with `fill`, gives it `mode` and closes it; false with
// errno set when any of that failed.
bool Fill(int fd, const std::function<bool(int)>& fill, mode_t mode) {
  bool ok = fill(fd) && ::fchmod(fd, mode) == 0;
  const int error = errno;
  if (::close(fd) != 0 && ok) return false;
  errno = error;
  return ok;
}

// Writes `name` in the directory `dirfd` (shown as `dir`) through a new file
// under a name of its own and a rename, so a reader never sees half a file
// and a link standing under any name is never written through (the rename
// replaces a link under `name` itself). False, with `error` naming the file,
// when that failed; nothing is left behind then.
bool ReplaceFile(int dirfd, const std::string& dir, const std::string& name, mode_t mode,
                 const std::function<bool(int)>& fill, std::string& error) {
  static std::atomic<unsigned> counter{0};
  std::string tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    tmp = fmt::format(".{}.zentrox-{}-{}", name, ::getpid(), counter++);
    fd = CreateNew(dirfd, tmp);
    if (fd < 0 && errno != EEXIST) break;
  }
  bool ok = fd >= 0 && Fill(fd, fill, mode);
  if (ok && ::renameat(dirfd, tmp.c_str(), dirfd, name.c_str()) != 0) ok = false;
  if (!ok) {
    error = dir + name + ": can't be written: " + ErrnoText(errno);
    if (fd >= 0) ::unlinkat(dirfd, tmp.c_str(), 0);
  }
  return ok;
}

// FNV-1a over the file's bytes: enough to tell an edited dictionary from the
// copy the program made, read from `fd`, which it closes. Nothing when `fd`
// is -1 (the file could not be opened) or can't be read.
std::optional<std::string> Checksum(int fd) {
  if (fd < 0) return std::nullopt;
  Fd owned(fd);
  std::uint64_t h = 14695981039346656037ull;
  char buf[8192];
  for (;;) {
    const ssize_t n = Retried([&] { return ::read(fd, buf, sizeof buf); });
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    for (ssize_t i = 0; i < n; ++i) {
      h ^= static_cast<unsigned char>(buf[i]);
      h *= 1099511628211ull;
    }
  }
  return fmt::format("{:016x}", h);
}

}  // namespace zentrox::workdir_files
