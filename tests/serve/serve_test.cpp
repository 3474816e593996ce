// zentrox-serve end to end: the real program on a loopback port, curl and
// plain sockets as its clients.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_support.h"

namespace zentrox::test {
namespace {

namespace fs = std::filesystem;

// A running zentrox-serve with its own state directory; stopped with SIGTERM.
class Service {
 public:
  Service(std::vector<std::string> args, std::vector<std::string> env = {}) : args_(std::move(args)), env_(env) {
    Start();
  }
  ~Service() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  // Starts the program (again, after Kill) on the same state directory.
  void Start() {
    int out[2];
    EXPECT_EQ(::pipe(out), 0);
    std::vector<std::string> args = args_;
    args.insert(args.begin(), {ZENTROX_SERVE, "--listen", "127.0.0.1:0", "--state-dir", state_.path()});
    std::vector<std::string> env = env_;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], STDOUT_FILENO);
      const int log = ::open(log_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
      ::dup2(log, STDERR_FILENO);
      for (std::string& e : env) ::putenv(e.data());
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    std::string line;
    for (char c; line.find('\n') == std::string::npos && ::read(out[0], &c, 1) == 1;) line += c;
    ::close(out[0]);
    std::smatch m;
    EXPECT_TRUE(std::regex_search(line, m, std::regex(R"(http://127\.0\.0\.1:(\d+)/)"))) << line;
    port_ = m.empty() ? 0 : std::stoi(m[1]);
  }
  pid_t pid() const { return pid_; }
  // Killed as by the out-of-memory killer: no chance to tidy up.
  void Kill() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  int port() const { return port_; }
  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  const TempDir& state() const { return state_; }
  std::string log() const { return ReadBytes(log_); }
  // The checks' private directories still in the state directory, once the
  // last answer's request has ended (the client may read it a moment before).
  std::size_t JobsLeft() const {
    std::size_t n = 0;
    for (int tries = 0; tries < 50; ++tries, std::this_thread::sleep_for(std::chrono::milliseconds(40))) {
      n = 0;
      for (const auto& e : fs::directory_iterator(state_.path())) {
        n += e.path().filename().string().starts_with(".zentrox-jobs");
      }
      if (n == 0) break;
    }
    return n;
  }

 private:
  std::vector<std::string> args_;
  std::vector<std::string> env_;
  TempDir state_;
  TempDir logs_;
  std::string log_ = logs_ / "log";
  pid_t pid_ = -1;
  int port_ = 0;
};

struct Answer {
  int status = 0;
  std::string body;
  std::string headers;
};

// curl with `args`; the body and the headers captured.
Answer Curl(const std::string& args) {
  TempDir io;
  const CheckOutcome r = RunShell("curl -s -S --max-time 60 -D " + ShellQuote(io / "h") + " -o " +
                                  ShellQuote(io / "b") + " -w '%{http_code}' " + args);
  return {std::atoi(r.out.c_str()), ReadBytes(io / "b"), ReadBytes(io / "h")};
}

Answer Upload(const Service& s, const std::string& file, const std::string& query) {
  return Curl("--data-binary @" + ShellQuote(file) + " -H 'Content-Type: application/octet-stream' " +
              ShellQuote(s.url("/api/v1/check" + query)));
}

// The first line of a protocol is the time of the run: never the same twice.
std::string WithoutTimes(std::string text) {
  return std::regex_replace(text, std::regex(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d)"), "TIME");
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

const char* const kExamples[] = {
    "REV5_1234567_00001_2026T03.rar", "REV5_1234567_00002_2026T03.rar", "REV5_1234567_00003_2026L11.rar",
    "REV5_1234567_00004_2025L00.rar", "REV5_1234567_00005.rar",
};

TEST(ServeTest, AnswersWhatTheCheckerPrintsForEachExample) {
  Service service({"--workers", "2"});
  for (const char* name : kExamples) {
    // The checker, run on the archive under the names the service shows.
    TempDir t;
    fs::create_directories(t / "in");
    fs::copy_file(ExampleArchive(name), t / "in/" + name);
    const auto shown = [&](std::string text) {
      return WithoutTimes(Replaced(Replaced(text, t / "work/", "zentrox-work/"), t / "in/", ""));
    };
    const std::string rtf = t / "protocol.rtf";
    for (const std::string format : {"json", "text", "csv"}) {
      SCOPED_TRACE(std::string(name) + " " + format);
      const CheckOutcome cli = RunCheck({"--format", format, "--workdir", t / "work", "--rtf", rtf, t / "in/" + name});
      const Answer a = Upload(service, ExampleArchive(name), "?name=" + std::string(name) + "&format=" + format);
      ASSERT_EQ(a.status, 200);
      const std::string expected = shown(cli.out);
      if (format == "json") {
        // The checker's object, then the members the service adds.
        const std::string object = expected.substr(0, expected.rfind("\n}"));
        EXPECT_EQ(WithoutTimes(a.body).substr(0, object.size()), object);
        EXPECT_NE(a.body.find("\"styled_lines\": ["), std::string::npos);
        EXPECT_NE(a.body.find("\"records\": ["), std::string::npos);
        const char* verdict = cli.status == 0 ? "clean" : cli.status == 1 ? "findings" : "not-checked";
        EXPECT_NE(a.headers.find(std::string("X-Zentrox-Verdict: ") + verdict), std::string::npos);
      } else {
        EXPECT_EQ(WithoutTimes(a.body), expected);
      }
    }
    const Answer a = Upload(service, ExampleArchive(name), "?name=" + std::string(name) + "&format=rtf");
    EXPECT_EQ(WithoutTimes(a.body), shown(ReadBytes(rtf))) << name;
  }
  EXPECT_EQ(service.JobsLeft(), 0u);
  // Twenty checks, one after another: served by the first worker started.
  const std::string metrics = Curl(ShellQuote(service.url("/metrics"))).body;
  EXPECT_NE(metrics.find("\nzentrox_serve_check_workers_started_total 1\n"), std::string::npos) << metrics;
}

TEST(ServeTest, RecordsOfFindingsComeWithTheirFieldTexts) {
  Service service({});
  const std::string name = kExamples[1];
  const Answer a = Upload(service, ExampleArchive(name), "?name=" + name);
  ASSERT_EQ(a.status, 200);
  // The faulty example's date that did not convert, as it stood in its record.
  EXPECT_NE(a.body.find(R"({"file": "REV5_SD", "line": 16, "fields": [)"), std::string::npos);
  EXPECT_NE(a.body.find(R"({"caption": "8.Конечная дата работы в месяце", "text": "31.09.2026"})"), std::string::npos);
  EXPECT_NE(a.body.find(R"("color": "#ff0000")"), std::string::npos);
}

TEST(ServeTest, ServiceResourcesAnswer) {
  Service service({});
  EXPECT_EQ(Curl(ShellQuote(service.url("/api/v1/rules"))).body, RunCheck({"--list-rules", "--format", "json"}).out);
  const struct {
    const char* path;
    int status;
    const char* holds;
  } cases[] = {
      {"/healthz", 200, "\"ok\""},
      {"/readyz", 200, "\"ready\": true"},
      {"/metrics", 200, "zentrox_serve_check_duration_seconds_bucket{le=\"+Inf\"}"},
      {"/metrics", 200, "zentrox_serve_queue_length 0"},
      {"/metrics", 200, "zentrox_serve_checks_in_flight 0"},
      {"/", 200, "<html"},
      {"/..%2Fetc", 404, "error"},
      {"/no/such", 404, "error"},
  };
  for (const auto& c : cases) {
    const Answer a = Curl(ShellQuote(service.url(c.path)));
    EXPECT_EQ(a.status, c.status) << c.path;
    EXPECT_NE(a.body.find(c.holds), std::string::npos) << c.path;
  }
}

TEST(ServeTest, RefusesUnusableRequestsWithoutAWordOfTheServer) {
  Service service({"--max-upload", "64K"});
  const std::string archive = ExampleArchive(kExamples[0]);
  const std::string big = service.state().dir().string() + "-big";
  { std::ofstream(big) << std::string(100 * 1024, 'x'); }
  const std::string check = service.url("/api/v1/check");
  const struct {
    std::string curl;
    int status;
  } cases[] = {
      {"--data-binary @" + archive + " '" + check + "'", 400},                 // no name
      {"--data-binary @" + archive + " '" + check + "?name=a/b.rar'", 400},    // a slash
      {"--data-binary @" + archive + " '" + check + "?name=..'", 400},         // ..
      {"--data-binary @" + archive + " '" + check + "?name=a%0Ab.rar'", 400},  // a newline
      {"--data-binary @" + archive + " '" + check + "?name=" + std::string(300, 'n') + "'", 400},
      {"--data-binary @" + archive + " '" + check + "?name=a.rar&variant=weekly'", 400},
      {"--data-binary @" + archive + " '" + check + "?name=a.rar&format=pdf'", 400},
      {"-F f=@" + archive + " -F g=@" + archive + " '" + check + "'", 400},  // two files
      {"-X PUT --data-binary @" + archive + " '" + check + "?name=a.rar'", 405},
      {"'" + check + "'", 405},
      {"--data-binary @" + big + " '" + check + "?name=a.rar'", 413},
      {"-H 'Transfer-Encoding: chunked' --data-binary @" + big + " '" + check + "?name=a.rar'", 413},
  };
  for (const auto& c : cases) {
    const Answer a = Curl(c.curl);
    EXPECT_EQ(a.status, c.status) << c.curl.substr(0, 160);
    EXPECT_EQ(a.body.find(service.state().path()), std::string::npos);
    EXPECT_EQ(a.body.find("/"), std::string::npos) << a.body;
  }
  fs::remove(big);
  EXPECT_EQ(service.JobsLeft(), 0u);
  EXPECT_EQ(service.log().find("a.rar"), std::string::npos);
}

int Connect(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void Send(int fd, const std::string& text) { (void)!::send(fd, text.data(), text.size(), MSG_NOSIGNAL); }

// What the server sends until it closes the connection (or `seconds` pass).
std::string Receive(int fd, int seconds = 30) {
  timeval tv{seconds, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  std::string got;
  char buf[4096];
  for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;) got.append(buf, static_cast<std::size_t>(n));
  return got;
}

std::string Post(const std::string& name, std::size_t length) {
  return "POST /api/v1/check?name=" + name +
         " HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n";
}

TEST(ServeTest, StaysHealthyAfterHostileClients) {
  Service service({"--timeout", "3", "--workers", "1", "--queue", "0", "--max-connections", "1100"},
                  {"ZENTROX_SERVE_TEST_CRASH=crash.rar", "ZENTROX_SERVE_TEST_HANG=hang.rar"});
  const std::string archive = ExampleArchive(kExamples[1]);
  const std::string bytes = ReadBytes(archive);
  const struct {
    const char* what;
    std::function<void()> act;
  } cases[] = {
      {"one byte a second: cut off at the time limit",
       [&] {
         const int fd = Connect(service.port());
         Send(fd, Post("slow.rar", 100));
         const auto start = std::chrono::steady_clock::now();
         for (int i = 0; i < 10 && ::send(fd, "x", 1, MSG_NOSIGNAL) == 1; ++i)
           std::this_thread::sleep_for(std::chrono::seconds(1));
         EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
         ::close(fd);
       }},
      {"a body cut short",
       [&] {
         const int fd = Connect(service.port());
         Send(fd, Post("cut.rar", bytes.size()) + bytes.substr(0, bytes.size() / 2));
         ::close(fd);
       }},
      {"a check that crashes",
       [&] {
         const Answer a = Upload(service, archive, "?name=crash.rar");
         EXPECT_EQ(a.status, 200);
         EXPECT_NE(a.body.find("\"status\": \"not-checked\""), std::string::npos);
         EXPECT_NE(a.body.find("\"reason\": \"the check stopped unexpectedly\""), std::string::npos);
       }},
      {"a check that hangs, and one more while it does",
       [&] {
         Answer hung;
         std::thread first([&] { hung = Upload(service, archive, "?name=hang.rar"); });
         std::this_thread::sleep_for(std::chrono::milliseconds(1000));
         const Answer busy = Upload(service, archive, "?name=" + std::string(kExamples[1]));
         first.join();
         EXPECT_EQ(busy.status, 503);
         EXPECT_NE(busy.headers.find("Retry-After: "), std::string::npos);
         EXPECT_EQ(hung.status, 200);
         EXPECT_NE(hung.body.find("did not finish within 3 seconds"), std::string::npos);
       }},
      {"a client gone while its check runs",
       [&] {
         const int fd = Connect(service.port());
         Send(fd, Post("hang.rar", bytes.size()) + bytes);
         std::this_thread::sleep_for(std::chrono::milliseconds(500));
         ::close(fd);
         std::this_thread::sleep_for(std::chrono::milliseconds(500));
         EXPECT_EQ(service.JobsLeft(), 0u);
       }},
      {"an archive that unpacks past the archiver's limit (a small limit stands in for a huge archive)",
       [&] {
         const Service capped({}, {"ZENTROX_RAR_MAX_BYTES=1000"});
         const Answer a = Upload(capped, archive, "?name=" + std::string(kExamples[1]));
         EXPECT_EQ(a.status, 200);
         EXPECT_NE(a.body.find("\"status\": \"not-checked\""), std::string::npos);
         EXPECT_EQ(capped.JobsLeft(), 0u);
       }},
      {"1,000 connections at once",
       [&] {
         std::vector<int> fds;
         for (int i = 0; i < 1000; ++i) fds.push_back(Connect(service.port()));
         for (int fd : fds) Send(fd, "GET /healthz HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
         int answered = 0;
         for (int fd : fds) {
           answered += Receive(fd, 10).starts_with("HTTP/1.1 200");
           ::close(fd);
         }
         EXPECT_EQ(answered, 1000);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.act();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(Curl(ShellQuote(service.url("/healthz"))).status, 200);
    const Answer checked = Upload(service, ExampleArchive(kExamples[0]), "?name=" + std::string(kExamples[0]));
    EXPECT_EQ(checked.status, 200);
    EXPECT_NE(checked.headers.find("X-Zentrox-Verdict: clean"), std::string::npos);
    EXPECT_EQ(service.JobsLeft(), 0u);
  }
  EXPECT_EQ(service.log().find("REV5_"), std::string::npos);
}

// A loopback port free a moment ago, for a program that must be told one.
int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                     ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0;
  ::close(fd);
  return bound ? ntohs(a.sin_port) : 0;
}

std::string NginxProgram() {
  for (const char* p : {"/usr/sbin/nginx", "/usr/bin/nginx"}) {
    if (::access(p, X_OK) == 0) return p;
  }
  return "";
}

// nginx with the shipped site configuration in front of the given instances,
// its port and upstreams rendered to the test's, run as the current user with
// everything it writes in a directory of its own.
class Nginx {
 public:
  Nginx(int port, int first, int second) : port_(port) {
    std::string site = ReadBytes(std::string(ZENTROX_SOURCE_DIR) + "/share/nginx/zentrox-serve.conf");
    site = Replaced(site, "listen 8080;", "listen 127.0.0.1:" + std::to_string(port) + ";");
    site = Replaced(site, "127.0.0.1:8081", "127.0.0.1:" + std::to_string(first));
    site = Replaced(site, "127.0.0.1:8082", "127.0.0.1:" + std::to_string(second));
    std::ofstream(dir_ / "site.conf") << site;
    std::ofstream conf(dir_ / "nginx.conf");
    if (::geteuid() == 0) conf << "user root;\n";  // else its workers would drop to nobody
    conf << "worker_processes 1;\npid " << dir_ / "nginx.pid"
         << ";\nevents { worker_connections 512; }\n"
         << "http {\n  access_log off;\n";
    for (const char* temp : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"}) {
      conf << "  " << temp << "_temp_path " << dir_ / temp << ";\n";
    }
    conf << "  include " << dir_ / "site.conf"
         << ";\n}\n";
    conf.close();
    pid_ = ::fork();
    if (pid_ == 0) {
      const std::string program = NginxProgram(), prefix = dir_.path(), config = dir_ / "nginx.conf",
                        errors = dir_ / "error.log";
      ::execl(program.c_str(), program.c_str(), "-p", prefix.c_str(), "-c", config.c_str(), "-e", errors.c_str(), "-g",
              "daemon off;", nullptr);
      ::_exit(127);
    }
    for (int i = 0; i < 100; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(50))) {
      if (const int fd = Connect(port); fd >= 0) {
        ::close(fd);
        return;
      }
    }
    ADD_FAILURE() << "nginx did not start: " << ReadBytes(dir_ / "error.log");
  }
  ~Nginx() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  std::string errors() const { return ReadBytes(dir_ / "error.log"); }

 private:
  TempDir dir_;
  int port_;
  pid_t pid_ = -1;
};

std::size_t Checks(const Service& s) {
  const std::string log = s.log();
  std::size_t n = 0;
  for (std::size_t at = 0; (at = log.find("route=check", at)) != std::string::npos; ++at) ++n;
  return n;
}

// The check workers of the service with process id `service`.
std::size_t WorkersOf(pid_t service) {
  std::size_t n = 0;
  std::error_code ec;
  for (fs::directory_iterator e("/proc", ec), end; !ec && e != end; e.increment(ec)) {
    const std::string line = ReadBytes(e->path() / "cmdline");
    n += line.find(std::string("--check-worker") + '\0') != std::string::npos &&
         line.ends_with('\0' + std::to_string(service) + '\0');
  }
  return n;
}

// Whether the service is checking an archive of this name: its private
// directory holds the whole upload and the dictionaries beside it.
bool Checking(const Service& s, const std::string& name) {
  std::error_code ec;
  for (fs::directory_iterator e(s.state().path(), ec), end; !ec && e != end; e.increment(ec)) {
    if (fs::exists(e->path() / "in" / name, ec) && !fs::is_empty(e->path() / "work", ec)) return true;
  }
  return false;
}

TEST(ServeTest, TwoInstancesBehindNginxAnswerEveryUploadWhileOneIsKilled) {
  if (NginxProgram().empty()) GTEST_SKIP() << "nginx is not installed (Debian package nginx)";
  // A package of a megabyte, larger than a request's first read, which the
  // first instance holds (its check hangs) when it is killed.
  TempDir generated;
  const std::string big = "REV5_1234567_00009_2026T03.rar";
  const CheckOutcome gen = RunShell(ShellQuote(ZENTROX_GENPKG) + " --variant quarterly --declarations 3000 --out " +
                                    ShellQuote(generated.path()));
  fs::rename(gen.out.substr(0, gen.out.find(' ')), generated / big);
  Service first({"--workers", "2"}, {"ZENTROX_SERVE_TEST_HANG=" + big}), second({"--workers", "2"});
  const pid_t first_pid = first.pid();
  std::vector<std::string> files, names;
  for (const char* name : kExamples) files.push_back(ExampleArchive(name)), names.push_back(name);
  files.push_back(generated / big), names.push_back(big);
  // What each archive should get: its answer from an instance directly.
  std::vector<std::string> expected;
  for (std::size_t k = 0; k < files.size(); ++k) {
    expected.push_back(WithoutTimes(Upload(second, files[k], "?name=" + names[k]).body));
  }
  const Nginx nginx(FreePort(), first.port(), second.port());
  const auto through_nginx = [&](std::size_t k) {
    return Curl("--data-binary @" + ShellQuote(files[k]) + " " +
                ShellQuote(nginx.url("/api/v1/check?name=" + names[k])));
  };

  constexpr int kUploads = 200;
  std::vector<Answer> answers(kUploads);
  std::vector<std::size_t> sent(kUploads);
  std::atomic<int> next{0};
  std::vector<std::thread> clients;
  for (int c = 0; c < 4; ++c) {
    clients.emplace_back([&] {
      for (int i; (i = next++) < kUploads;) {
        sent[i] = i % std::size(kExamples);
        if (i != kUploads / 2) {
          answers[i] = through_nginx(sent[i]);
          continue;
        }
        // Midway: the large package, until it lands on the first instance,
        // which is then killed.
        sent[i] = files.size() - 1;
        bool killed = false;
        for (int tries = 0; tries < 10 && !killed; ++tries) {
          std::atomic<bool> done{false};
          std::thread upload([&] { answers[i] = through_nginx(sent[i]), done = true; });
          while (!done && !Checking(first, big)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
          killed = !done;  // its check hangs there
          if (killed) {
            EXPECT_GT(WorkersOf(first_pid), 0u);
            first.Kill();
          }
          upload.join();
        }
        EXPECT_TRUE(killed);
      }
    });
  }
  for (std::thread& t : clients) t.join();

  std::vector<std::string> wrong;
  for (int i = 0; i < kUploads; ++i) {
    if (answers[i].status != 200 || WithoutTimes(answers[i].body) != expected[sent[i]]) {
      wrong.push_back(std::to_string(i) + " " + names[sent[i]] + ": " + std::to_string(answers[i].status));
    }
  }
  EXPECT_EQ(wrong, std::vector<std::string>{}) << nginx.errors();
  EXPECT_GT(Checks(first), 0u);  // it took uploads before it was killed
  // Its workers ended with it.
  for (int tries = 0; tries < 50 && WorkersOf(first_pid) > 0; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
  }
  EXPECT_EQ(WorkersOf(first_pid), 0u);
  // The killed instance's checks are cleared when it starts again.
  first.Start();
  EXPECT_EQ(first.JobsLeft(), 0u);
  EXPECT_EQ(second.JobsLeft(), 0u);
}

// What the web page shows beside the protocol comes in the same answer: the
// findings grouped, a record's fields that did not convert or hold
// characters outside their alphabet, how the run ended, the upload limit.
TEST(ServeTest, AnswersCarryWhatTheWebPageShows) {
  Service service({"--max-upload", "1000000"});
  const struct {
    std::string path;  // "" for the faulty example's check
    const char* holds;
  } cases[] = {
      {"", R"({"file": "REV5_SD", "rule": "load.data-type-valid", "message": )"},
      {"", R"("end": "completed")"},
      {"", R"({"field": 7, "unconverted": true, "odd": []})"},             // "31.09.2026"
      {"", R"({"field": 3, "unconverted": false, "odd": [1, 2, 3, 4]})"},  // "Ceban": small letters
      {"/healthz", R"("max_upload": 1000000)"},
  };
  const std::string name = kExamples[1];
  const Answer checked = Upload(service, ExampleArchive(name), "?name=" + name);
  ASSERT_EQ(checked.status, 200);
  for (const auto& c : cases) {
    const std::string body = c.path.empty() ? checked.body : Curl(ShellQuote(service.url(c.path))).body;
    EXPECT_NE(body.find(c.holds), std::string::npos) << c.holds;
  }
}

}  // namespace
}  // namespace zentrox::test
