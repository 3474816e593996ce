#include "intake/command_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "intake/interruption.h"
#include "model/files.h"

extern char** environ;

namespace zentrox {
namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string ResolveProgram(const std::string& program, const std::string& program_dir) {
  if (program.empty()) return {};
  if (program.find('/') != std::string::npos) return IsExecutableFile(program) ? program : std::string();
  if (!program_dir.empty()) {
    std::string local = WithTrailingSlash(program_dir) + program;
    if (IsExecutableFile(local)) return local;
  }
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (!dir.empty()) {
      std::string candidate = WithTrailingSlash(dir) + program;
      if (IsExecutableFile(candidate)) return candidate;
    }
    start = end + 1;
  }
  return {};
}

namespace {

// The redirection a shell makes before it looks for the program: the file
// exists, empty, whether or not the program then runs.
void CreateEmptyOutput(const std::string& path) {
  if (path.empty()) return;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd >= 0) ::close(fd);
}

// Reads the child's standard error until it closes, keeping only its last
// kErrorOutputLimit bytes (the child may write without end). The shell says
// the reason itself (the CLI on standard error, the desktop program in its
// status bar), so nothing is passed on here.
std::string DrainErrors(int fd) {
  std::string tail;
  char buf[4096];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    tail.append(buf, static_cast<std::size_t>(n));
    if (tail.size() > 2 * kErrorOutputLimit) tail.erase(0, tail.size() - kErrorOutputLimit);
  }
  if (tail.size() > kErrorOutputLimit) tail.erase(0, tail.size() - kErrorOutputLimit);
  return tail;
}

}  // namespace

CommandResult RunCommand(const Command& command, const std::string& program_dir) {
  CommandResult result;
  std::string program = ResolveProgram(command.program, program_dir);
  if (program.empty()) {
    CreateEmptyOutput(command.stdout_path);
    return result;
  }

  std::vector<std::string> args;
  args.push_back(program);
  args.insert(args.end(), command.arguments.begin(), command.arguments.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) {
    CreateEmptyOutput(command.stdout_path);
    return result;
  }
  if (!command.stdout_path.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, command.stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
  }
  // Both ends close on exec; the child's standard error is a copy without that flag.
  int errors[2] = {-1, -1};
  const bool capture = ::pipe2(errors, O_CLOEXEC) == 0;
  if (capture) posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
  // The child is known to an interruption before one can be handled here,
  // and starts with the signal mask this thread had.
  InterruptionsHeld held;
  posix_spawnattr_t attr;
  const bool with_attr = posix_spawnattr_init(&attr) == 0;
  if (with_attr) {
    posix_spawnattr_setsigmask(&attr, &held.original());
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
  }
  pid_t pid = 0;
  int rc = posix_spawn(&pid, program.c_str(), &actions, with_attr ? &attr : nullptr, argv.data(), environ);
  if (with_attr) posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc == 0) WatchChild(pid);
  held.Release();
  if (capture) ::close(errors[1]);
  if (rc != 0) {
    if (capture) ::close(errors[0]);
    CreateEmptyOutput(command.stdout_path);
    return result;
  }
  result.started = true;
  if (capture) {
    result.error_output = DrainErrors(errors[0]);
    ::close(errors[0]);
  }
  // Waited for before it is reaped: an interruption meanwhile still finds
  // this child under its process id, and no other.
  siginfo_t ended{};
  while (::waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
  }
  UnwatchChild();
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return result;
  }
  if (WIFEXITED(status)) {
    result.exit_code = WEXITSTATUS(status);
    // posix_spawn reports a failed exec of the child as exit code 127.
    if (result.exit_code == 127 && !IsExecutableFile(program)) result.started = false;
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  return result;
}

std::string ExecutableDirectory() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "./";
  buf[n] = '\0';
  return DirectoryPart(std::string(buf));
}

}  // namespace zentrox
