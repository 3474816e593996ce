// zentrox-serve: the checks of zentrox-check as an HTTP service.
//
// POST /api/v1/check takes a package archive and answers what zentrox-check
// prints for it; each check runs in a private directory under the state
// directory, on one of the service's check processes (see check_pool.h). The settings
// come from the command line, else from the environment, else the defaults.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/heap.h"
#include "intake/command_runner.h"
#include "intake/job_directory.h"
#include "intake/workdir_lock.h"
#include "server.h"

namespace {

using namespace zentrox;
using namespace zentrox::serve;

const char* const kUsage =
    "usage: zentrox-serve [--listen HOST:PORT] [--workers N] [--queue N] [--max-upload SIZE]\n"
    "                     [--timeout SECONDS] [--memory-limit SIZE] [--max-connections N]\n"
    "                     [--state-dir DIR] [--dictionaries DIR] [--web-root DIR]\n"
    "\n"
    "Checks package archives sent over HTTP as zentrox-check checks them.\n"
    "\n"
    "  POST /api/v1/check?name=ARCHIVE_NAME[&variant=auto|V][&format=json|text|csv|rtf]\n"
    "                  the archive as the body (application/octet-stream), or\n"
    "                  multipart/form-data with one file field whose file name\n"
    "                  is the archive's name unless name= is given. 200 with what\n"
    "                  zentrox-check --format F prints for the archive (JSON adds\n"
    "                  \"styled_lines\", \"records\" and \"reason\"); the header\n"
    "                  X-Zentrox-Verdict says clean, findings or not-checked.\n"
    "                  400 a missing or unusable name or parameter, 413 a body over\n"
    "                  the limit, 408 a body that did not arrive within the time\n"
    "                  limit, 405 another method, 503 with Retry-After when the\n"
    "                  queue is full. Answers name the working directory\n"
    "                  zentrox-work/ and the archive by the name given.\n"
    "  GET /api/v1/rules   the rule catalogue (as --list-rules --format json)\n"
    "  GET /healthz        the service answers\n"
    "  GET /readyz         the dictionaries are present, the state directory writable\n"
    "  GET /metrics        Prometheus text format\n"
    "  GET /               the web page's files\n"
    "\n"
    "Options (each also an environment variable, which the option overrides):\n"
    "  --listen HOST:PORT     ZENTROX_SERVE_LISTEN; default 127.0.0.1:8080\n"
    "                         ([ADDRESS]:PORT for IPv6; port 0 takes a free one)\n"
    "  --workers N            ZENTROX_SERVE_WORKERS; checks at once (default: the\n"
    "                         number of cores)\n"
    "  --queue N              ZENTROX_SERVE_QUEUE; checks waiting for a worker\n"
    "                         (default 4 x workers); beyond it 503\n"
    "  --max-upload SIZE      ZENTROX_SERVE_MAX_UPLOAD; largest body (default 256M;\n"
    "                         SIZE in bytes or with K, M or G)\n"
    "  --timeout SECONDS      ZENTROX_SERVE_TIMEOUT; the time a body may take to\n"
    "                         arrive and a check may take (default 120); a check\n"
    "                         past it is answered as not checked\n"
    "  --memory-limit SIZE    ZENTROX_SERVE_MEMORY_LIMIT; address space of each\n"
    "                         check's process (default 4G; 0 no limit)\n"
    "  --max-connections N    ZENTROX_SERVE_MAX_CONNECTIONS; connections at once\n"
    "                         (default 1024)\n"
    "  --state-dir DIR        ZENTROX_SERVE_STATE_DIR; where the checks' private\n"
    "                         directories are made (default $STATE_DIRECTORY, else\n"
    "                         ~/.local/state/zentrox-serve); a path of letters,\n"
    "                         digits and . _ - / only\n"
    "  --dictionaries DIR     ZENTROX_SERVE_DICTIONARIES; the installed dictionaries\n"
    "                         (default: this program's directory)\n"
    "  --web-root DIR         ZENTROX_SERVE_WEB_ROOT; the web page's files (default:\n"
    "                         www beside this program, else the installed share folder)\n"
    "\n"
    "Logs one line per request on standard error: its id, route, body size,\n"
    "status, duration and counts; nothing of a package.\n";

int Usage(const std::string& message) {
  std::fprintf(stderr, "zentrox-serve: %s\n%s", message.c_str(), kUsage);
  return 2;
}

std::optional<std::uint64_t> ParseNumber(const std::string& text) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  if (text.empty() || text[0] < '0' || text[0] > '9') return std::nullopt;
  const auto [at, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || at != end) return std::nullopt;
  return value;
}

std::optional<std::uint64_t> ParseSize(std::string text) {
  std::uint64_t unit = 1;
  if (!text.empty()) {
    const char last = static_cast<char>(std::toupper(static_cast<unsigned char>(text.back())));
    unit = last == 'K' ? 1ull << 10 : last == 'M' ? 1ull << 20 : last == 'G' ? 1ull << 30 : 1;
    if (unit != 1) text.pop_back();
  }
  const std::optional<std::uint64_t> n = ParseNumber(text);
  if (!n || *n > UINT64_MAX / unit) return std::nullopt;
  return *n * unit;
}

bool SafePath(const std::string& path) {
  for (char c : path) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-' && c != '/') return false;
  }
  return !path.empty();
}

std::string Slashed(std::string dir) { return dir.empty() || dir.back() == '/' ? dir : dir + "/"; }

struct Setting {
  const char* option;
  const char* env;
  std::string value;  // "" unless given
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const std::string program_dir = ExecutableDirectory();
  if (!args.empty() && args[0] == "--check-worker") {
    return RunCheckWorker(std::vector<std::string>(args.begin() + 1, args.end()), program_dir);
  }
  ReturnLargeBlocksWhenFreed();

  std::vector<Setting> settings = {
      {"--listen", "ZENTROX_SERVE_LISTEN", ""},
      {"--workers", "ZENTROX_SERVE_WORKERS", ""},
      {"--queue", "ZENTROX_SERVE_QUEUE", ""},
      {"--max-upload", "ZENTROX_SERVE_MAX_UPLOAD", ""},
      {"--timeout", "ZENTROX_SERVE_TIMEOUT", ""},
      {"--memory-limit", "ZENTROX_SERVE_MEMORY_LIMIT", ""},
      {"--max-connections", "ZENTROX_SERVE_MAX_CONNECTIONS", ""},
      {"--state-dir", "ZENTROX_SERVE_STATE_DIR", ""},
      {"--dictionaries", "ZENTROX_SERVE_DICTIONARIES", ""},
      {"--web-root", "ZENTROX_SERVE_WEB_ROOT", ""},
  };
  for (Setting& s : settings) {
    if (const char* e = std::getenv(s.env)) s.value = e;
  }
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    Setting* found = nullptr;
    for (Setting& s : settings) {
      if (args[i] == s.option) found = &s;
    }
    if (found == nullptr) return Usage("unknown option '" + args[i] + "'");
    if (i + 1 >= args.size()) return Usage(args[i] + " needs a value");
    found->value = args[++i];
  }
  const auto value = [&](const char* option) -> const std::string& {
    for (const Setting& s : settings) {
      if (std::string(option) == s.option) return s.value;
    }
    std::abort();
  };

  ServerSettings config;
  if (const std::string& listen = value("--listen"); !listen.empty()) {
    const std::size_t colon = listen.rfind(':');
    const std::optional<std::uint64_t> port =
        colon == std::string::npos ? std::nullopt : ParseNumber(listen.substr(colon + 1));
    if (!port || *port > 65535 || colon == 0) return Usage("--listen takes HOST:PORT");
    config.host = listen.substr(0, colon);
    if (config.host.size() > 2 && config.host.front() == '[' && config.host.back() == ']') {
      config.host = config.host.substr(1, config.host.size() - 2);
    }
    config.port = static_cast<std::uint16_t>(*port);
  }
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  config.workers = cores;
  if (const std::string& v = value("--workers"); !v.empty()) {
    const auto n = ParseNumber(v);
    if (!n || *n < 1 || *n > 256) return Usage("--workers takes a whole number from 1 to 256");
    config.workers = static_cast<unsigned>(*n);
  }
  config.queue = 4 * config.workers;
  if (const std::string& v = value("--queue"); !v.empty()) {
    const auto n = ParseNumber(v);
    if (!n || *n > 100000) return Usage("--queue takes a whole number from 0 to 100000");
    config.queue = static_cast<unsigned>(*n);
  }
  if (const std::string& v = value("--max-upload"); !v.empty()) {
    const auto n = ParseSize(v);
    if (!n || *n == 0) return Usage("--max-upload takes a size such as 256M");
    config.max_upload = *n;
  }
  if (const std::string& v = value("--timeout"); !v.empty()) {
    const auto n = ParseNumber(v);
    if (!n || *n < 1 || *n > 86400) return Usage("--timeout takes seconds from 1 to 86400");
    config.check.timeout = std::chrono::seconds(*n);
  }
  config.check.memory_limit = std::uint64_t{4} << 30;
  if (const std::string& v = value("--memory-limit"); !v.empty()) {
    const auto n = ParseSize(v);
    if (!n) return Usage("--memory-limit takes a size such as 4G");
    config.check.memory_limit = *n;
  }
  if (const std::string& v = value("--max-connections"); !v.empty()) {
    const auto n = ParseNumber(v);
    if (!n || *n < 1 || *n > 65536) return Usage("--max-connections takes a whole number from 1 to 65536");
    config.max_connections = static_cast<unsigned>(*n);
  }

  std::string state = value("--state-dir");
  if (state.empty()) {
    const char* systemd = std::getenv("STATE_DIRECTORY");
    const char* home = std::getenv("HOME");
    if (systemd != nullptr && *systemd != '\0') {
      state = std::string(systemd).substr(0, std::string(systemd).find(':'));
    } else if (home != nullptr && *home != '\0') {
      state = std::string(home) + "/.local/state/zentrox-serve";
    } else {
      return Usage("no state directory: give --state-dir");
    }
  }
  std::error_code ec;
  std::filesystem::create_directories(state, ec);
  ::chmod(state.c_str(), 0700);
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(state, ec);
  if (ec || !std::filesystem::is_directory(canonical, ec) || ::access(canonical.c_str(), W_OK | X_OK) != 0) {
    return Usage("the state directory cannot be used");
  }
  config.state_dir = Slashed(canonical.string());
  if (!SafePath(config.state_dir)) return Usage("the state directory's path must be letters, digits and . _ - / only");
  {
    // What a killed instance left there goes first.
    WorkdirLock lock(config.state_dir, std::chrono::milliseconds(1000));
    if (lock.acquired()) RemoveStaleJobDirectories(config.state_dir);
  }

  config.check.program = std::filesystem::read_symlink("/proc/self/exe", ec).string();
  if (ec) return Usage("cannot find this program's own file");
  config.check.program_dir = program_dir;
  config.check.dictionaries = Slashed(value("--dictionaries").empty() ? program_dir : value("--dictionaries"));
  config.check.single_threaded = config.workers > 1;
  config.web_root = value("--web-root");
  if (config.web_root.empty()) {
    config.web_root = std::filesystem::is_directory(program_dir + "/www", ec)
                          ? program_dir + "/www"
                          : program_dir + "/../../share/zentrox/www";
  }
  config.web_root = Slashed(config.web_root);

  // The signals that end the service are taken here, in this thread only.
  sigset_t ending;
  sigemptyset(&ending);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending, sig);
  pthread_sigmask(SIG_BLOCK, &ending, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  const std::string host = config.host;
  Server server(std::move(config));
  std::string error;
  if (!server.Start(error)) {
    std::fprintf(stderr, "zentrox-serve: %s\n", error.c_str());
    return 1;
  }
  const bool v6 = host.find(':') != std::string::npos;
  std::printf("zentrox-serve: listening on http://%s%s%s:%u/\n", v6 ? "[" : "", host.c_str(), v6 ? "]" : "",
              static_cast<unsigned>(server.port()));
  std::fflush(stdout);
  int sig = 0;
  sigwait(&ending, &sig);
  std::fprintf(stderr, "zentrox-serve: stopping\n");
  server.Stop();
  return 0;
}
