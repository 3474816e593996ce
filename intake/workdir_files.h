// File operations of the working directory. Whoever can write that directory
// may have planted links or FIFOs there: these open only regular files, never
// follow a link unless told, and replace a file through a new one of a fresh
// name and a rename.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace zentrox::workdir_files {

// "permission denied" rather than "Permission denied": the text follows a colon.
std::string ErrnoText(int error);

// A descriptor closed at the end of its scope.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// `call` (a system call), again while a signal interrupts it.
template <typename Call>
auto Retried(Call call) {
  decltype(call()) r;
  do {
    r = call();
  } while (r < 0 && errno == EINTR);
  return r;
}

// Opens a regular file for reading. O_NONBLOCK: a FIFO under the name must
// not hang the open; `follow` false: a link there is not followed (ELOOP).
// -1 with errno set otherwise (EINVAL for a file that is not regular).
int OpenRegular(int dirfd, const std::string& name, bool follow);

// At most `limit` bytes of `fd`; false on a read error.
bool ReadUpTo(int fd, std::size_t limit, std::string& out);

bool WriteAll(int fd, const char* p, std::size_t size);

bool CopyAll(int from, int to);

// The process's file mode creation mask, without changing it (umask() would,
// for a moment, for every thread).
mode_t ProcessUmask();

// Creates `name` in `dirfd` afresh: O_EXCL and O_NOFOLLOW never follow or
// reuse anything standing there, and mode 0600 keeps everybody else out while
// it is written.
int CreateNew(int dirfd, const std::string& name);

// Fills a new file with `fill`, gives it `mode` and closes it; false with
// errno set when any of that failed.
bool Fill(int fd, const std::function<bool(int)>& fill, mode_t mode);

// Writes `name` in the directory `dirfd` (shown as `dir`) through a new file
// under a name of its own and a rename, so a reader never sees half a file
// and a link standing under any name is never written through (the rename
// replaces a link under `name` itself). False, with `error` naming the file,
// when that failed; nothing is left behind then.
bool ReplaceFile(int dirfd, const std::string& dir, const std::string& name, mode_t mode,
                 const std::function<bool(int)>& fill, std::string& error);

// FNV-1a over the file's bytes: enough to tell an edited dictionary from the
// copy the program made, read from `fd`, which it closes. Nothing when `fd`
// is -1 (the file could not be opened) or can't be read.
std::optional<std::string> Checksum(int fd);

}  // namespace zentrox::workdir_files
