#include "parallel_batch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <thread>
#include <vector>

#include "intake/workdir.h"
#include "intake/workdir_lock.h"

// Workers are processes, not threads. A check is written for a process of
// its own: it ends a package too large for memory on std::bad_alloc, which an
// address-space limit (ulimit -v) makes happen at the same point in every
// run only when no other check shares the address space; the session's
// working directory, its archiver children and the clock are per process; a
// check that crashes takes only its own archive with it. A worker is forked
// per archive from this small single-threaded process (no Session lives
// here), so nothing one archive leaves behind reaches the next one, as in a
// serial run where every UnRar starts from a cleared directory.
//
// The chosen working directory's lock keeps two runs from unpacking over each
// other there. Workers unpack only into their private directories, so a
// batch holds that lock just while it copies the dictionaries (the set a run
// there would read at that moment): another zentrox-check or the desktop
// program in the same directory goes on beside the batch instead of waiting
// for it. Each private directory gets its own lock file from the worker's
// session like any working directory; nobody else ever waits for it.

namespace zentrox {

namespace fs = std::filesystem;

std::optional<unsigned> ParseJobCount(const std::string& text) {
  unsigned value = 0;
  const char* end = text.data() + text.size();
  if (text.empty() || text[0] < '0' || text[0] > '9') return std::nullopt;
  const auto [at, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || at != end || value < 1 || value > kMaxJobs) return std::nullopt;
  return value;
}

unsigned DefaultJobCount() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : std::min(cores, kMaxJobs);
}

namespace {

volatile std::sig_atomic_t g_signal = 0;
void OnSignal(int sig) { g_signal = sig; }

// Catches the signals that end the program while the batch runs, so that it
// can stop its workers and remove the private directories first. A signal
// the program was started with ignored stays ignored. SIGCHLD gets its
// default meanwhile: ignored, it would leave no worker to wait for.
class SignalGuard {
 public:
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

  SignalGuard() {
    g_signal = 0;
    struct sigaction caught {};
    caught.sa_handler = OnSignal;
    sigemptyset(&caught.sa_mask);
    caught.sa_flags = 0;  // no SA_RESTART: a wait returns at once
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
      sigaction(kSignals[i], nullptr, &old_[i]);
      if (old_[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &caught, nullptr);
    }
    struct sigaction child {};
    child.sa_handler = SIG_DFL;
    sigemptyset(&child.sa_mask);
    sigaction(SIGCHLD, &child, &old_child_);
  }
  ~SignalGuard() { Restore(); }
  SignalGuard(const SignalGuard&) = delete;
  SignalGuard& operator=(const SignalGuard&) = delete;

  // What the program was started with; a worker runs under it.
  void Restore() const {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &old_[i], nullptr);
    sigaction(SIGCHLD, &old_child_, nullptr);
  }

 private:
  struct sigaction old_[std::size(kSignals)]{};
  struct sigaction old_child_ {};
};

// The directory that holds the private working directories and the workers'
// outputs, removed with everything in it when this goes.
class JobRoot {
 public:
  explicit JobRoot(const std::string& workdir) {
    std::string name = workdir + ".zentrox-jobs-XXXXXX";
    if (::mkdtemp(name.data()) != nullptr) path_ = name + "/";
  }
  ~JobRoot() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  JobRoot(const JobRoot&) = delete;
  JobRoot& operator=(const JobRoot&) = delete;

  bool ok() const { return !path_.empty(); }
  std::string Private(std::size_t slot) const { return path_ + std::to_string(slot + 1) + "/"; }
  std::string Out(std::size_t k) const { return path_ + std::to_string(k) + ".out"; }
  std::string Err(std::size_t k) const { return path_ + std::to_string(k) + ".err"; }

 private:
  std::string path_;
};

bool WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// A file's bytes ("" when it can't be read), the file removed.
std::string Take(const std::string& path) {
  std::string data;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    char buf[1 << 16];
    for (;;) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
  }
  ::unlink(path.c_str());
  return data;
}

// The protocols name the directory the package was unpacked into: a private
// one, the chosen one followed by `tail` (".zentrox-jobs-Ab12Cd/1/"). Taking
// the tail out names the chosen one, so the output is the serial run's. The
// tail is letters, digits, "." "-" and "/", which every output format writes
// as they are, whatever it does to the chosen directory's name (JSON escapes
// a quote in it, the code page changes its letters).
void ShowChosen(std::string& text, const std::string& tail) {
  std::string shown;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(tail, from)) != std::string::npos; from = at + tail.size()) {
    shown.append(text, from, at - from);
  }
  if (from == 0) return;
  shown.append(text, from);
  text = std::move(shown);
}

constexpr int kNoResult = 125;  // a worker's exit status when its check threw

// Checks archive `k` with standard error going to the archive's .err file
// and the output to its .out file; returns the exit status.
int CheckInto(const ParallelBatch& b, const JobRoot& root, std::size_t k, const std::string& dir) {
  std::cerr.flush();
  const int err = ::open(root.Err(k).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const int saved = ::dup(STDERR_FILENO);
  if (err >= 0) ::dup2(err, STDERR_FILENO);
  int status = kNoResult;
  try {
    std::string out;
    status = b.check(k, dir, out);
    const int fd = ::open(root.Out(k).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || !WriteAll(fd, out)) status = kNoResult;
    if (fd >= 0) ::close(fd);
  } catch (...) {
    status = kNoResult;
  }
  std::cerr.flush();
  if (saved >= 0) {
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
  }
  if (err >= 0) ::close(err);
  return status;
}

struct Outcome {
  bool done = false;
  int status = 0;
  std::string lost;  // why the worker gave no result
  std::size_t slot = 0;
};

std::string WhyLost(int wait_status) {
  if (WIFSIGNALED(wait_status)) return "the check was ended by signal " + std::to_string(WTERMSIG(wait_status));
  return "the check ended without a result";
}

std::optional<int> RunInWorkers(const ParallelBatch& b, const SignalGuard& signals) {
  JobRoot root(b.workdir);
  if (!root.ok()) return std::nullopt;
  {
    WorkdirLock lock(b.workdir, DefaultLockWait());
    if (!lock.acquired()) return std::nullopt;
    for (unsigned slot = 0; slot < b.jobs; ++slot) {
      std::string error;
      if (::mkdir(root.Private(slot).c_str(), 0700) != 0) return std::nullopt;
      if (!CopyWorkdirDictionaries(b.workdir, root.Private(slot), error)) return std::nullopt;
    }
  }

  std::vector<Outcome> outcomes(b.count);
  std::map<pid_t, std::size_t> running;  // worker -> archive
  std::vector<bool> slot_busy(b.jobs, false);
  std::size_t next = 0;
  std::size_t printed = 0;
  int status = 0;

  // `lost` empty: the check's own exit status.
  auto finish = [&](std::size_t k, int check_status, std::string lost) {
    Outcome& o = outcomes[k];
    o.done = true;
    o.status = lost.empty() ? check_status : 3;
    o.lost = std::move(lost);
    slot_busy[o.slot] = false;
  };
  auto print_ready = [&] {
    for (; printed < next && outcomes[printed].done; ++printed) {
      const Outcome& o = outcomes[printed];
      const std::string tail = root.Private(o.slot).substr(b.workdir.size());
      std::string err = Take(root.Err(printed));
      std::string out = Take(root.Out(printed));
      ShowChosen(err, tail);
      ShowChosen(out, tail);
      std::cerr << err << std::flush;
      if (!o.lost.empty()) {
        out.clear();
        b.lost(printed, o.lost, out);
      }
      b.emit(out);
      status = std::max(status, o.status);
    }
  };

  while (printed < b.count && g_signal == 0) {
    while (next < b.count && running.size() < b.jobs) {
      std::size_t slot = 0;
      while (slot_busy[slot]) ++slot;
      const pid_t pid = ::fork();
      if (pid == 0) {
        signals.Restore();
        std::_Exit(CheckInto(b, root, next, root.Private(slot)));
      }
      if (pid < 0) break;
      outcomes[next].slot = slot;
      slot_busy[slot] = true;
      running[pid] = next++;
    }
    if (running.empty()) {
      // No worker could be started: this archive is checked here.
      print_ready();
      if (next < b.count) {
        outcomes[next].slot = 0;
        const int s = CheckInto(b, root, next, root.Private(0));
        finish(next++, s, s == kNoResult ? "the check ended without a result" : "");
      }
      print_ready();
      continue;
    }
    int worker_status = 0;
    const pid_t pid = ::waitpid(-1, &worker_status, 0);
    if (pid < 0) {
      if (errno == EINTR) continue;
      // The workers can't be waited for: their archives count as lost
      // rather than leaving the output short.
      for (const auto& [worker, k] : running) finish(k, 3, "the check's end could not be awaited");
      running.clear();
      print_ready();
      continue;
    }
    const auto it = running.find(pid);
    if (it == running.end()) continue;
    if (WIFEXITED(worker_status) && WEXITSTATUS(worker_status) <= 3) {
      finish(it->second, WEXITSTATUS(worker_status), "");
    } else {
      finish(it->second, 3, WhyLost(worker_status));
    }
    running.erase(it);
    print_ready();
  }
  // Stopped by a signal: the workers go first, then the directories.
  for (const auto& [pid, k] : running) ::kill(pid, SIGTERM);
  for (const auto& [pid, k] : running) {
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  return status;
}

}  // namespace

std::optional<int> RunParallelBatch(const ParallelBatch& batch) {
  std::optional<int> status;
  int sig = 0;
  {
    const SignalGuard signals;
    status = RunInWorkers(batch, signals);
    sig = g_signal;
  }
  // The program ends as that signal would have ended it.
  if (sig != 0) std::raise(sig);
  return status;
}

}  // namespace zentrox
