#include "intake/interruption.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <vector>

#include "model/variant.h"

namespace zentrox {
namespace {

constexpr int kCaught[] = {SIGINT, SIGTERM, SIGHUP};

static_assert(std::atomic<pid_t>::is_always_lock_free && std::atomic<int>::is_always_lock_free &&
              std::atomic<bool>::is_always_lock_free);

std::atomic<bool> g_installed{false};
std::atomic<pid_t> g_child{0};
std::atomic<int> g_workdir{-1};
std::atomic<bool> g_file_set{false};
char g_file[PATH_MAX];
std::atomic_flag g_entered = ATOMIC_FLAG_INIT;
// Every case of every package file's name ("rev5_sd" ... "REV5_SD"), as the
// session's removals match them; filled before the handlers are installed.
std::vector<std::string> g_names;

void AddEveryCase(const std::string& name, std::vector<std::string>& out) {
  std::vector<std::size_t> letters;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if ((name[i] >= 'a' && name[i] <= 'z') || (name[i] >= 'A' && name[i] <= 'Z')) letters.push_back(i);
  }
  for (unsigned mask = 0; mask < (1u << letters.size()); ++mask) {
    std::string variant = name;
    for (std::size_t bit = 0; bit < letters.size(); ++bit) {
      char& c = variant[letters[bit]];
      c = static_cast<char>((mask >> bit) & 1u ? (c & ~0x20) : (c | 0x20));
    }
    out.push_back(std::move(variant));
  }
}

// Stops the child and waits for it: the signal first, which lets the
// archiver remove its temporary file, then SIGKILL after three seconds.
void StopChild(pid_t child, int sig) {
  ::kill(child, sig);
  for (int i = 0; i < 300; ++i) {
    const pid_t ended = ::waitpid(child, nullptr, WNOHANG);
    if (ended == child || (ended < 0 && errno != EINTR)) return;
    const timespec nap{0, 10'000'000};
    ::nanosleep(&nap, nullptr);
  }
  ::kill(child, SIGKILL);
  while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
}

extern "C" void OnInterruption(int sig) {
  // A second signal in another thread: the first one ends the program.
  if (g_entered.test_and_set()) {
    for (;;) ::pause();
  }
  if (const pid_t child = g_child.load(); child > 0) StopChild(child, sig);
  if (const int dir = g_workdir.load(); dir >= 0) {
    for (const std::string& name : g_names) ::unlinkat(dir, name.c_str(), 0);
  }
  if (g_file_set.load()) ::unlink(g_file);
  struct sigaction plain {};
  plain.sa_handler = SIG_DFL;
  sigemptyset(&plain.sa_mask);
  ::sigaction(sig, &plain, nullptr);
  // Delivered as the handler returns: the program ends by the signal.
  ::raise(sig);
}

}  // namespace

void CleanUpOnInterruption() {
  if (g_installed.load()) return;
  std::vector<std::string> names;
  for (Variant v : AllVariants()) {
    for (const std::string& name : Profile(v).unpacked_names) {
      if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
  }
  for (const std::string& name : names) AddEveryCase(name, g_names);
  struct sigaction caught {};
  caught.sa_handler = OnInterruption;
  sigemptyset(&caught.sa_mask);
  for (int sig : kCaught) sigaddset(&caught.sa_mask, sig);
  caught.sa_flags = SA_RESTART;
  for (int sig : kCaught) {
    struct sigaction old {};
    if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) ::sigaction(sig, &caught, nullptr);
  }
  g_installed.store(true);
}

InterruptionRemovesPackage::InterruptionRemovesPackage(const std::string& workdir) {
  if (!g_installed.load()) return;
  fd_ = ::open(workdir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ >= 0) previous_ = g_workdir.exchange(fd_);
}

InterruptionRemovesPackage::~InterruptionRemovesPackage() {
  if (fd_ < 0) return;
  g_workdir.store(previous_);
  ::close(fd_);
}

InterruptionRemovesFile::InterruptionRemovesFile(const std::string& path) {
  if (!g_installed.load() || g_file_set.load() || path.size() >= sizeof g_file) return;
  std::memcpy(g_file, path.c_str(), path.size() + 1);
  g_file_set.store(true);
  set_ = true;
}

InterruptionRemovesFile::~InterruptionRemovesFile() {
  if (set_) g_file_set.store(false);
}

InterruptionsHeld::InterruptionsHeld() {
  sigset_t caught;
  sigemptyset(&caught);
  for (int sig : kCaught) sigaddset(&caught, sig);
  ::pthread_sigmask(SIG_BLOCK, &caught, &original_);
}

void InterruptionsHeld::Release() {
  if (!held_) return;
  held_ = false;
  ::pthread_sigmask(SIG_SETMASK, &original_, nullptr);
}

void WatchChild(pid_t pid) { g_child.store(pid); }
void UnwatchChild() { g_child.store(0); }

}  // namespace zentrox
