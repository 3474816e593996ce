#include "parallel_batch.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <thread>
#include <vector>

#include "intake/job_directory.h"
#include "intake/workdir.h"
#include "intake/workdir_lock.h"

// Workers are processes, not threads. A check is written for a process of
// its own: it ends a package too large for memory on std::bad_alloc, which an
// address-space limit (ulimit -v) makes happen at the same point in every
// run only when no other check shares the address space; the session's
// working directory, its archiver children and the clock are per process; a
// check that crashes takes only its own archive with it. The workers are
// forked from this small single-threaded process (no Session lives here) and
// each keeps one session across the archives it is handed, as a serial run
// does; a fork per archive cost a quarter more CPU on small packages (a
// fresh heap faulted in each time).
//
// The chosen working directory's lock keeps two runs from unpacking over each
// other there. Workers unpack only into their private directories, so a
// batch holds that lock just while it copies the dictionaries (the set a run
// there would read at that moment): another zentrox-check or the desktop
// program in the same directory goes on beside the batch instead of waiting
// for it. Each private directory gets its own lock file from the worker's
// session like any working directory; nobody else ever waits for it.

namespace zentrox {

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
// outputs (see intake/job_directory.h), removed with everything in it when
// this goes. What the batch makes and reads in it goes through its
// descriptor: a link swapped in for it is never followed.
class JobRoot {
 public:
  explicit JobRoot(const std::string& workdir) : dir_(workdir) {}

  bool ok() const { return dir_.ok(); }
  int fd() const { return dir_.fd(); }
  std::string Private(std::size_t slot) const { return dir_.path() + PrivateName(slot) + "/"; }
  bool MakePrivate(std::size_t slot) const { return ::mkdirat(dir_.fd(), PrivateName(slot).c_str(), 0700) == 0; }
  // Names inside it.
  static std::string Out(std::size_t k) { return std::to_string(k) + ".out"; }
  static std::string Err(std::size_t k) { return std::to_string(k) + ".err"; }

 private:
  static std::string PrivateName(std::size_t slot) { return std::to_string(slot + 1); }
  JobDirectory dir_;
};

// Creates or empties the file `name` in `dir` for writing.
int OpenFresh(int dir, const std::string& name) {
  return ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
}

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

// The bytes of the file `name` in `dir` ("" when it can't be read), the file removed.
std::string Take(int dir, const std::string& name) {
  std::string data;
  const int fd = ::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
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
  ::unlinkat(dir, name.c_str(), 0);
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
  const int err = OpenFresh(root.fd(), root.Err(k));
  const int saved = ::dup(STDERR_FILENO);
  if (err >= 0) ::dup2(err, STDERR_FILENO);
  int status = kNoResult;
  try {
    std::string out;
    status = b.check(k, dir, out);
    const int fd = OpenFresh(root.fd(), root.Out(k));
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

// What a worker sends back for each archive.
struct Done {
  std::uint64_t k = 0;
  std::int32_t status = 0;
  std::int32_t unused = 0;  // no byte goes out unset
};

bool SendAll(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    // A worker that is gone must not end this process with SIGPIPE.
    const ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// False at the end of the stream or on an error.
bool ReceiveAll(int fd, void* data, std::size_t size) {
  char* p = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t n = ::recv(fd, p, size, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// A worker checks the archives it is handed, one after another in one
// session as a serial run does, until its socket closes.
[[noreturn]] void WorkerLoop(const ParallelBatch& b, const JobRoot& root, int fd, const std::string& dir) {
  for (std::uint64_t k = 0; ReceiveAll(fd, &k, sizeof k);) {
    const Done done{k, CheckInto(b, root, static_cast<std::size_t>(k), dir)};
    if (!SendAll(fd, &done, sizeof done)) break;
  }
  std::_Exit(0);
}

std::string WhyLost(int wait_status) {
  if (WIFSIGNALED(wait_status)) return "the check was ended by signal " + std::to_string(WTERMSIG(wait_status));
  return "the check ended without a result";
}

struct Worker {
  pid_t pid = -1;
  int fd = -1;  // this process's end of the worker's socket
  std::optional<std::size_t> current;
};

class Workers {
 public:
  Workers(const ParallelBatch& b, const JobRoot& root, const SignalGuard& signals)
      : b_(b), root_(root), signals_(signals), outcomes_(b.count), workers_(b.jobs) {}
  Workers(const Workers&) = delete;
  Workers& operator=(const Workers&) = delete;

  // Checks every archive and prints them in order; returns the highest
  // status. Stops early when a signal came.
  int Run() {
    for (std::size_t slot = 0; slot < workers_.size(); ++slot) {
      if (Start(slot)) Give(slot);
    }
    while (printed_ < b_.count && g_signal == 0) {
      std::vector<pollfd> polled;
      std::vector<std::size_t> slots;
      for (std::size_t slot = 0; slot < workers_.size(); ++slot) {
        if (workers_[slot].current) {
          polled.push_back({workers_[slot].fd, POLLIN, 0});
          slots.push_back(slot);
        }
      }
      if (polled.empty()) {
        // No worker could be started: the next archive is checked here.
        if (next_ < b_.count) {
          outcomes_[next_].slot = 0;
          const int s = CheckInto(b_, root_, next_, root_.Private(0));
          Finish(next_++, s, s == kNoResult ? "the check ended without a result" : "");
          PrintReady();
        }
        continue;
      }
      if (::poll(polled.data(), polled.size(), -1) < 0) continue;  // EINTR: a signal, or a worker's end
      for (std::size_t i = 0; i < polled.size(); ++i) {
        if (polled[i].revents == 0) continue;
        const std::size_t slot = slots[i];
        Worker& w = workers_[slot];
        Done done;
        if (ReceiveAll(w.fd, &done, sizeof done) && done.k == *w.current) {
          Finish(*w.current, done.status, done.status <= 3 ? "" : "the check ended without a result");
          w.current.reset();
          Give(slot);
        } else {
          Bury(slot);
          if (next_ < b_.count && Start(slot)) Give(slot);
        }
      }
      PrintReady();
    }
    for (std::size_t slot = 0; slot < workers_.size(); ++slot) {
      if (g_signal != 0 && workers_[slot].pid > 0) ::kill(workers_[slot].pid, SIGTERM);
      Bury(slot);
    }
    return status_;
  }

 private:
  bool Start(std::size_t slot) {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) return false;
    const pid_t pid = ::fork();
    if (pid == 0) {
      signals_.Restore();
      // The workers use the cores already: a check's rule passes run in turn
      // in each, unless the caller chose otherwise.
      if (b_.jobs > 1) ::setenv("ZENTROX_THREADS", "1", 0);
      ::close(sv[0]);
      // The other workers' sockets stay theirs: they end when this process closes them.
      for (const Worker& other : workers_) {
        if (other.fd >= 0) ::close(other.fd);
      }
      WorkerLoop(b_, root_, sv[1], root_.Private(slot));
    }
    ::close(sv[1]);
    if (pid < 0) {
      ::close(sv[0]);
      return false;
    }
    workers_[slot].pid = pid;
    workers_[slot].fd = sv[0];
    return true;
  }

  // Hands the worker the next archive, or ends it when none is left.
  void Give(std::size_t slot) {
    Worker& w = workers_[slot];
    if (next_ < b_.count) {
      const std::uint64_t k = next_;
      if (SendAll(w.fd, &k, sizeof k)) {
        outcomes_[next_].slot = slot;
        w.current = next_++;
        return;
      }
    }
    ::close(w.fd);
    w.fd = -1;
  }

  // Waits for the worker's end; the archive it held is lost.
  void Bury(std::size_t slot) {
    Worker& w = workers_[slot];
    if (w.fd >= 0) ::close(w.fd);
    w.fd = -1;
    if (w.pid <= 0) return;
    int wait_status = 0;
    while (::waitpid(w.pid, &wait_status, 0) < 0 && errno == EINTR) {
    }
    w.pid = -1;
    if (w.current) Finish(*w.current, 3, WhyLost(wait_status));
    w.current.reset();
  }

  // `lost` empty: the check's own exit status.
  void Finish(std::size_t k, int status, std::string lost) {
    Outcome& o = outcomes_[k];
    o.done = true;
    o.status = lost.empty() ? status : 3;
    o.lost = std::move(lost);
  }

  // Prints the archives that are done and have all before them printed.
  void PrintReady() {
    for (; printed_ < next_ && outcomes_[printed_].done; ++printed_) {
      const Outcome& o = outcomes_[printed_];
      const std::string tail = root_.Private(o.slot).substr(b_.workdir.size());
      std::string err = Take(root_.fd(), root_.Err(printed_));
      std::string out = Take(root_.fd(), root_.Out(printed_));
      ShowChosen(err, tail);
      ShowChosen(out, tail);
      std::cerr << err << std::flush;
      if (!o.lost.empty()) {
        out.clear();
        b_.lost(printed_, o.lost, out);
      }
      b_.emit(out);
      status_ = std::max(status_, o.status);
    }
  }

  const ParallelBatch& b_;
  const JobRoot& root_;
  const SignalGuard& signals_;
  std::vector<Outcome> outcomes_;
  std::vector<Worker> workers_;
  std::size_t next_ = 0;     // the next archive to hand out
  std::size_t printed_ = 0;  // archives printed
  int status_ = 0;
};

std::optional<int> RunInWorkers(const ParallelBatch& b, const SignalGuard& signals) {
  JobRoot root(b.workdir);
  if (!root.ok()) return std::nullopt;
  {
    WorkdirLock lock(b.workdir, DefaultLockWait());
    if (!lock.acquired()) return std::nullopt;
    RemoveStaleJobDirectories(b.workdir);
    for (unsigned slot = 0; slot < b.jobs; ++slot) {
      std::string error;
      if (!root.MakePrivate(slot)) return std::nullopt;
      if (!CopyWorkdirDictionaries(b.workdir, root.Private(slot), error)) return std::nullopt;
    }
  }
  Workers workers(b, root, signals);
  return workers.Run();
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
