#include "output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <fmt/core.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "exit_codes.h"

namespace zentrox::rar_tool {
namespace {

struct SignalCleanupSlot {
  volatile sig_atomic_t active = 0;
  int dirfd = -1;
  char name[64] = {};
};
SignalCleanupSlot g_cleanup;

extern "C" void remove_temp_and_die(int sig) {
  if (g_cleanup.active) unlinkat(g_cleanup.dirfd, g_cleanup.name, 0);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

}  // namespace

void install_signal_cleanup() {
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) std::signal(sig, remove_temp_and_die);
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    if (std::signal(sig, remove_temp_and_die) == SIG_IGN) std::signal(sig, SIG_IGN);
  }
}

TempFile::TempFile(int dirfd) : dirfd_(dirfd) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    name_ = fmt::format(".zentrox-rar-{}-{}", getpid(), counter++);
    // O_EXCL and O_NOFOLLOW: never reuse or follow anything already there.
    fd_ = openat(dirfd_, name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ >= 0 || errno != EEXIST) break;
  }
  if (fd_ < 0) fail(kDestination, fmt::format("cannot create output file: {}", errno_text()));
  g_cleanup.dirfd = dirfd_;
  std::snprintf(g_cleanup.name, sizeof g_cleanup.name, "%s", name_.c_str());
  g_cleanup.active = 1;
}

TempFile::~TempFile() {
  if (fd_ >= 0) close(fd_);
  if (!committed_) unlinkat(dirfd_, name_.c_str(), 0);
  g_cleanup.active = 0;
}

void TempFile::write(const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail(kDestination, fmt::format("cannot write output file: {}", errno_text()));
    p += n;
    size -= static_cast<std::size_t>(n);
  }
}

void TempFile::commit(const std::string& final_name) {
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) fail(kDestination, fmt::format("cannot write output file: {}", errno_text()));
  if (renameat(dirfd_, name_.c_str(), dirfd_, final_name.c_str()) != 0)
    fail(kDestination, fmt::format("cannot create {}: {}", final_name, errno_text()));
  committed_ = true;
}

Fd::~Fd() {
  if (fd_ >= 0) close(fd_);
}

}  // namespace zentrox::rar_tool
