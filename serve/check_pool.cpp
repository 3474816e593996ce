#include "check_pool.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <string_view>

#include "check_job.h"
#include "engine/heap.h"

extern char** environ;

namespace zentrox::serve {

// A build with AddressSanitizer or ThreadSanitizer reserves terabytes of
// address space for its shadow memory as it starts, so its workers can hold no
// address-space limit: the time limit alone bounds their checks there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

namespace {

// The descriptor a worker finds its socket on.
constexpr int kWorkerSocket = 3;

}  // namespace

CheckWorker::~CheckWorker() {
  // The worker and whatever it started (the archiver) end together.
  ::kill(-pid_, SIGKILL);
  ::close(socket_);
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  ::kill(-pid_, SIGKILL);
}

CheckPool::CheckPool(CheckSettings settings) : settings_(std::move(settings)), starter_([this] { StartWorkers(); }) {}

CheckPool::~CheckPool() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wanted_.notify_all();
  starter_.join();
  idle_.clear();
  fresh_.clear();
}

void CheckPool::StartWorkers() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wanted_.wait(lock, [this] { return stopping_ || to_start_ > 0; });
    if (stopping_) return;
    --to_start_;
    lock.unlock();
    std::unique_ptr<CheckWorker> worker = Spawn();
    lock.lock();
    if (worker) ++started_;
    fresh_.push_back(std::move(worker));
    made_.notify_all();
  }
}

std::unique_ptr<CheckWorker> CheckPool::Start() {
  std::unique_lock lock(mutex_);
  ++to_start_;
  wanted_.notify_one();
  made_.wait(lock, [this] { return !fresh_.empty() || stopping_; });
  if (fresh_.empty()) return nullptr;
  std::unique_ptr<CheckWorker> worker = std::move(fresh_.back());
  fresh_.pop_back();
  return worker;
}

std::unique_ptr<CheckWorker> CheckPool::Take() {
  {
    const std::lock_guard lock(mutex_);
    while (!idle_.empty()) {
      std::unique_ptr<CheckWorker> worker = std::move(idle_.back());
      idle_.pop_back();
      // One that ended while idle (killed from outside) is replaced.
      if (::waitpid(worker->pid(), nullptr, WNOHANG) == 0) return worker;
    }
  }
  return Start();
}

void CheckPool::Give(std::unique_ptr<CheckWorker> worker) {
  if (worker->checks >= kChecksPerWorker) return;  // retired as it goes
  const std::lock_guard lock(mutex_);
  idle_.push_back(std::move(worker));
}

std::uint64_t CheckPool::started() const {
  const std::lock_guard lock(mutex_);
  return started_;
}

std::unique_ptr<CheckWorker> CheckPool::Spawn() {
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) return nullptr;

  // Everything the worker needs is made here: between fork and exec nothing
  // may allocate, so posix_spawn gets it ready.
  std::vector<std::string> args = {settings_.program, "--check-worker", std::to_string(settings_.memory_limit),
                                   std::to_string(::getpid())};
  std::vector<std::string> env_text;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string_view v(*e);
    if (v.starts_with("TMPDIR=") || (settings_.single_threaded && v.starts_with("ZENTROX_THREADS="))) continue;
    env_text.emplace_back(v);
  }
  if (settings_.single_threaded) env_text.push_back("ZENTROX_THREADS=1");
  std::vector<char*> argv, envp;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (std::string& e : env_text) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pair[1], kWorkerSocket);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int sig : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD}) sigaddset(&defaults, sig);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, settings_.program.c_str(), &actions, &attr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  ::close(pair[1]);
  if (spawned != 0) {
    ::close(pair[0]);
    return nullptr;
  }
  return std::make_unique<CheckWorker>(pid, pair[0]);
}

// ----- the worker's side ---------------------------------------------------

int RunCheckWorker(const std::vector<std::string>& args, const std::string& program_dir) {
  if (args.size() != 2) return 2;
  // A worker whose service is gone (killed, it could not end its workers)
  // would run on unanswered and past any time limit: it ends with its service.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (std::to_string(::getppid()) != args[1]) return 2;
  std::uint64_t memory = 0;
  std::from_chars(args[0].data(), args[0].data() + args[0].size(), memory);
  if (memory > 0 && !kSanitized) {
    const rlimit limit{memory, memory};
    ::setrlimit(RLIMIT_AS, &limit);
  }
  ReturnLargeBlocksWhenFreed();

  char buffer[4096];
  for (;;) {
    const ssize_t n = ::recv(kWorkerSocket, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;  // the service closed its end: retired
    // "JOB\nVARIANT\nFORMAT\nNAME\n"
    std::vector<std::string> fields;
    std::string_view rest(buffer, static_cast<std::size_t>(n));
    for (std::size_t end; (end = rest.find('\n')) != std::string_view::npos; rest.remove_prefix(end + 1)) {
      fields.emplace_back(rest.substr(0, end));
    }
    if (fields.size() != 4 || !rest.empty()) return 2;
    // The archive's listing goes through a file in TMPDIR: the check's own
    // directory. Nothing else runs in this process meanwhile.
    ::setenv("TMPDIR", fields[0].c_str(), 1);
    const int status = CheckInWorker(fields[0], fields[1], fields[2], fields[3], program_dir);
    const char answer = status <= 1 ? '0' : '3';
    if (::send(kWorkerSocket, &answer, 1, MSG_NOSIGNAL) != 1) return 0;
    // After running out of memory a fresh process serves the next check.
    if (status != 0) return 0;
  }
}

}  // namespace zentrox::serve
