#include "intake/job_directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

namespace zentrox {
namespace {

constexpr std::string_view kPrefix = ".zentrox-jobs-";
constexpr const char* kOwnerName = ".owner";
constexpr int kDepth = 8;  // private directories hold no deeper tree

// Removes everything in the directory open as `dir`, never following a link:
// a subdirectory is entered through a descriptor opened with O_NOFOLLOW and
// removed once emptied.
void RemoveContents(int dir, int depth) {
  const int listed = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listed < 0) return;
  DIR* d = ::fdopendir(listed);
  if (d == nullptr) {
    ::close(listed);
    return;
  }
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name = e->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(d);
  for (const std::string& name : names) {
    struct stat st {};
    if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISDIR(st.st_mode)) {
      ::unlinkat(dir, name.c_str(), 0);
      continue;
    }
    if (depth == 0) continue;
    const int sub = ::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub < 0) continue;
    RemoveContents(sub, depth - 1);
    ::close(sub);
    ::unlinkat(dir, name.c_str(), AT_REMOVEDIR);
  }
}

// Empties the directory open as `dir`, then removes `name` from `parent` if
// it still stands for that directory.
void RemoveDirectory(int parent, const std::string& name, int dir, dev_t dev, ino_t ino) {
  RemoveContents(dir, kDepth);
  struct stat now {};
  if (parent >= 0 && ::fstatat(parent, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(now.st_mode) &&
      now.st_dev == dev && now.st_ino == ino) {
    ::unlinkat(parent, name.c_str(), AT_REMOVEDIR);
  }
}

// The batch's process id in a name ".zentrox-jobs-PID-XXXXXX"; 0 for any
// other name.
pid_t OwnerOf(std::string_view name) {
  if (name.substr(0, kPrefix.size()) != kPrefix) return 0;
  name.remove_prefix(kPrefix.size());
  const std::size_t dash = name.find('-');
  if (dash == 0 || dash > 9 || dash == std::string_view::npos || name.size() != dash + 7) return 0;
  pid_t pid = 0;
  for (char c : name.substr(0, dash)) {
    if (c < '0' || c > '9') return 0;
    pid = pid * 10 + (c - '0');
  }
  for (char c : name.substr(dash + 1)) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return 0;
  }
  return pid;
}

}  // namespace

JobDirectory::JobDirectory(const std::string& workdir) : workdir_(workdir) {
  std::string path = workdir + std::string(kPrefix) + std::to_string(::getpid()) + "-XXXXXX";
  if (::mkdtemp(path.data()) == nullptr) return;
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    if (fd >= 0) ::close(fd);
    ::rmdir(path.c_str());
    return;
  }
  fd_ = fd;
  dev_ = st.st_dev;
  ino_ = st.st_ino;
  name_ = path.substr(workdir.size());
  path_ = path + "/";
  owner_ = ::openat(fd_, kOwnerName, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (owner_ >= 0) ::flock(owner_, LOCK_EX | LOCK_NB);
}

JobDirectory::~JobDirectory() {
  if (fd_ < 0) return;
  const int parent = ::open(workdir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  RemoveDirectory(parent, name_, fd_, dev_, ino_);
  if (parent >= 0) ::close(parent);
  ::close(fd_);
  if (owner_ >= 0) ::close(owner_);
}

void RemoveStaleJobDirectories(const std::string& workdir) {
  const int parent = ::open(workdir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parent < 0) return;
  std::vector<std::string> stale;
  const int listed = ::dup(parent);
  if (DIR* d = listed >= 0 ? ::fdopendir(listed) : nullptr) {
    while (const dirent* e = ::readdir(d)) {
      const pid_t owner = OwnerOf(e->d_name);
      // A process of another user is alive too (EPERM).
      if (owner > 0 && ::kill(owner, 0) != 0 && errno == ESRCH) stale.emplace_back(e->d_name);
    }
    ::closedir(d);
  } else if (listed >= 0) {
    ::close(listed);
  }
  for (const std::string& name : stale) {
    struct stat st {};
    if (::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != ::geteuid()) {
      continue;
    }
    const int dir = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat opened {};
    if (dir < 0 || ::fstat(dir, &opened) != 0 || opened.st_dev != st.st_dev || opened.st_ino != st.st_ino) {
      if (dir >= 0) ::close(dir);
      continue;
    }
    // The batch's lock still held: it runs, on another machine sharing the
    // directory or in another process namespace.
    const int owner = ::openat(dir, kOwnerName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (owner < 0 || ::flock(owner, LOCK_EX | LOCK_NB) == 0) RemoveDirectory(parent, name, dir, st.st_dev, st.st_ino);
    if (owner >= 0) ::close(owner);
    ::close(dir);
  }
  ::close(parent);
}

}  // namespace zentrox
