#include "report/atomic_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <fmt/format.h>

namespace zentrox {

namespace {

[[noreturn]] void ThrowCannotWrite(const std::string& path, const std::string& reason) {
  throw std::runtime_error(fmt::format("Cannot write {}: {}", path, reason));
}

void WriteAll(int fd, const std::string& content, const std::string& path) {
  std::size_t done = 0;
  while (done < content.size()) {
    ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowCannotWrite(path, std::strerror(errno));
    }
    done += static_cast<std::size_t>(n);
  }
}

// The name a chain of symbolic links ends in, whether or not that exists: a
// save through a link writes its target, in the target's folder.
std::string FinalLinkTarget(const std::string& path) {
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::string link(256, '\0');
    for (;;) {
      ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
      if (n < 0) ThrowCannotWrite(path, std::strerror(errno));
      if (static_cast<std::size_t>(n) < link.size()) {
        link.resize(static_cast<std::size_t>(n));
        break;
      }
      link.resize(link.size() * 2);
    }
    if (link.empty() || link[0] != '/') {
      std::size_t slash = current.rfind('/');
      link = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) + link;
    }
    current = link;
  }
  ThrowCannotWrite(path, std::strerror(ELOOP));
}

// A terminal, /dev/null or a pipe's reader takes the bytes as they come.
void WriteStream(const std::string& path, const std::string& content) {
  int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) ThrowCannotWrite(path, std::strerror(errno));
  try {
    WriteAll(fd, content, path);
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (::close(fd) != 0 && errno != EINTR) ThrowCannotWrite(path, std::strerror(errno));
}

}  // namespace

void WriteFileAtomically(const std::string& path, const std::string& content) {
  // What the name stands for decides how it is written: a regular file (or
  // none yet) is replaced whole, a character device or FIFO written to, any
  // other kind left alone.
  mode_t mode = 0644;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) return WriteStream(path, content);
    if (S_ISDIR(st.st_mode)) ThrowCannotWrite(path, "it is a directory");
    if (S_ISSOCK(st.st_mode)) ThrowCannotWrite(path, "it is a socket");
    if (S_ISBLK(st.st_mode)) ThrowCannotWrite(path, "it is a block device");
    if (!S_ISREG(st.st_mode)) ThrowCannotWrite(path, "it is not a regular file");
    mode = st.st_mode & 07777;
  } else if (errno != ENOENT) {
    ThrowCannotWrite(path, std::strerror(errno));
  }
  const std::string target = FinalLinkTarget(path);

  std::string tmp = target + ".tmpXXXXXX";
  std::vector<char> name(tmp.begin(), tmp.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) ThrowCannotWrite(path, std::strerror(errno));
  try {
    WriteAll(fd, content, path);
  } catch (...) {
    ::close(fd);
    ::unlink(name.data());
    throw;
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    int err = errno;
    ::unlink(name.data());
    ThrowCannotWrite(path, std::strerror(err));
  }
  ::chmod(name.data(), mode);
  if (::rename(name.data(), target.c_str()) != 0) {
    int err = errno;
    ::unlink(name.data());
    ThrowCannotWrite(path, std::strerror(err));
  }
}

}  // namespace zentrox
