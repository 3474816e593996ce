// The service's HTTP side on libmicrohttpd. Chosen over the header-only
// alternative of the same Debian release because it enforces what a public
// upload service needs in the library itself: the body is handed over in
// pieces as it arrives (a size limit is enforced while reading and nothing is
// buffered whole), a connection limit and a per-connection idle timeout,
// keep-alive, and a thread per connection so that a slow client holds only
// its own thread; the checks themselves run in a bounded pool of workers
// with a bounded queue in front of it (Gate below).

#include "server.h"

#include "gate.h"
#include "metrics.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <microhttpd.h>
#include <netdb.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>
#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

#include "model/variant.h"
#include "report/json_writer.h"
#include "report/rule_catalogue.h"

namespace zentrox::serve {

namespace {

using Clock = std::chrono::steady_clock;

enum class Route { Check, Rules, Health, Ready, Metrics, Static, Unknown };

const char* RouteName(Route r) {
  switch (r) {
    case Route::Check: return "check";
    case Route::Rules: return "rules";
    case Route::Health: return "healthz";
    case Route::Ready: return "readyz";
    case Route::Metrics: return "metrics";
    case Route::Static: return "page";
    default: return "unknown";
  }
}

// One request, from its first call to its end.
struct Request {
  std::uint64_t id = 0;
  Clock::time_point start = Clock::now();
  Route route = Route::Unknown;
  std::string method;
  int status = 0;  // answered with; 0: none sent
  std::uint64_t received = 0;
  CheckRequest check;
  bool name_given = false;
  std::unique_ptr<Job> job;
  MHD_PostProcessor* post = nullptr;
  int files = 0;  // file fields of a multipart body
  std::uint64_t file_bytes = 0;
  std::string static_name;       // a file of the web page; "": its index
  int refusal = 0;               // the status decided while the body came, 0: none
  std::uint64_t refused_at = 0;  // bytes received when it was decided
  std::string refusal_text;      // its plain reason
  std::optional<CheckOutcome> outcome;
  ~Request() {
    if (post != nullptr) MHD_destroy_post_processor(post);
    if (outcome && outcome->body_fd >= 0) ::close(outcome->body_fd);
  }
};

std::string ErrorJson(const std::string& text) { return "{\"error\": " + JsonString(text) + "}\n"; }

}  // namespace

struct Server::State {
  explicit State(ServerSettings s)
      : settings(std::move(s)), gate(settings.workers, settings.queue), pool(settings.check) {}

  ServerSettings settings;
  Gate gate;
  CheckPool pool;
  Metrics metrics;
  MHD_Daemon* daemon = nullptr;
  std::atomic<std::uint64_t> next_id{1};
  volatile bool stopping = false;

  MHD_Result Respond(MHD_Connection* c, Request& r, int status, const std::string& type, const std::string& body,
                     std::initializer_list<std::pair<const char*, std::string>> headers = {}) {
    MHD_Response* response =
        MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) return MHD_NO;
    return Queue(c, r, status, type, response, headers);
  }

  MHD_Result Queue(MHD_Connection* c, Request& r, int status, const std::string& type, MHD_Response* response,
                   std::initializer_list<std::pair<const char*, std::string>> headers) {
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, type.c_str());
    MHD_add_response_header(response, "X-Request-Id", std::to_string(r.id).c_str());
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    for (const auto& [name, value] : headers) MHD_add_response_header(response, name, value.c_str());
    const MHD_Result queued = MHD_queue_response(c, static_cast<unsigned>(status), response);
    MHD_destroy_response(response);
    if (queued == MHD_YES) r.status = status;
    return queued;
  }

  MHD_Result Error(MHD_Connection* c, Request& r, int status, const std::string& text,
                   std::initializer_list<std::pair<const char*, std::string>> headers = {}) {
    return Respond(c, r, status, "application/json", ErrorJson(text), headers);
  }

  void Reject(const char* reason) { metrics.CountRejected(reason); }

  // ----- what the requests are -----------------------------------------------

  static Route RouteOf(const char* url) {
    const std::string_view u(url);
    if (u == "/api/v1/check") return Route::Check;
    if (u == "/api/v1/rules") return Route::Rules;
    if (u == "/healthz") return Route::Health;
    if (u == "/readyz") return Route::Ready;
    if (u == "/metrics") return Route::Metrics;
    if (u == "/" || u.find('/', 1) == std::string_view::npos) return Route::Static;
    return Route::Unknown;
  }

  MHD_Result Begin(MHD_Connection* c, Request& r) {
    if (r.route == Route::Unknown) return Error(c, r, MHD_HTTP_NOT_FOUND, "no such resource");
    if (r.route == Route::Check) {
      if (r.method != "POST") return Error(c, r, MHD_HTTP_METHOD_NOT_ALLOWED, "use POST", {{"Allow", "POST"}});
      return BeginCheck(c, r);
    }
    if (r.method != "GET" && r.method != "HEAD") {
      return Error(c, r, MHD_HTTP_METHOD_NOT_ALLOWED, "use GET", {{"Allow", "GET, HEAD"}});
    }
    return MHD_YES;  // answered on the next call, when the (empty) body is in
  }

  MHD_Result BeginCheck(MHD_Connection* c, Request& r) {
    const char* name = MHD_lookup_connection_value(c, MHD_GET_ARGUMENT_KIND, "name");
    const char* variant = MHD_lookup_connection_value(c, MHD_GET_ARGUMENT_KIND, "variant");
    const char* format = MHD_lookup_connection_value(c, MHD_GET_ARGUMENT_KIND, "format");
    r.check.variant = variant != nullptr ? variant : "auto";
    if (r.check.variant != "auto" && FindProfile(r.check.variant) == nullptr) {
      return Error(c, r, MHD_HTTP_BAD_REQUEST, "unknown variant");
    }
    if (format != nullptr && !ParseFormat(format, r.check.format)) {
      return Error(c, r, MHD_HTTP_BAD_REQUEST, "format takes json, text, csv or rtf");
    }
    if (name != nullptr) {
      if (!AcceptableArchiveName(name)) return Error(c, r, MHD_HTTP_BAD_REQUEST, "unusable archive name");
      r.check.name = name;
      r.name_given = true;
    }
    const char* type = MHD_lookup_connection_value(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_TYPE);
    const bool multipart = type != nullptr && ::strncasecmp(type, "multipart/form-data", 19) == 0;
    if (!multipart && !r.name_given) return Error(c, r, MHD_HTTP_BAD_REQUEST, "the archive's name is missing");
    const char* length = MHD_lookup_connection_value(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    if (length != nullptr && std::strtoull(length, nullptr, 10) > settings.max_upload) {
      Reject("too-large");
      return Error(c, r, MHD_HTTP_CONTENT_TOO_LARGE, "the archive is larger than the service takes");
    }
    r.job = std::make_unique<Job>(settings.state_dir);
    if (!r.job->ok()) return Error(c, r, MHD_HTTP_SERVICE_UNAVAILABLE, "the service cannot take archives now");
    if (multipart) {
      r.post = MHD_create_post_processor(c, 64 * 1024, &State::OnPart, &r);
      if (r.post == nullptr) return Error(c, r, MHD_HTTP_BAD_REQUEST, "unreadable form");
    } else if (!r.job->StartUpload(r.check.name)) {
      return Error(c, r, MHD_HTTP_SERVICE_UNAVAILABLE, "the service cannot take archives now");
    }
    return MHD_YES;
  }

  // A piece of a multipart body: the one file field's bytes go to the archive.
  static MHD_Result OnPart(void* cls, MHD_ValueKind, const char*, const char* filename, const char*, const char*,
                           const char* data, uint64_t off, size_t size) {
    Request& r = *static_cast<Request*>(cls);
    if (r.refusal != 0 || !r.job) return MHD_NO;
    if (filename == nullptr) return MHD_YES;  // other fields are not read
    if (off == 0 && !r.job->uploading()) {
      if (++r.files > 1) return Refuse(r, MHD_HTTP_BAD_REQUEST, "the form must hold one file field");
      if (!r.name_given) r.check.name = filename;
      if (!AcceptableArchiveName(r.check.name)) return Refuse(r, MHD_HTTP_BAD_REQUEST, "unusable archive name");
      if (!r.job->StartUpload(r.check.name)) {
        return Refuse(r, MHD_HTTP_SERVICE_UNAVAILABLE, "the service cannot take archives now");
      }
    } else if (off == 0 && r.file_bytes > 0) {
      return Refuse(r, MHD_HTTP_BAD_REQUEST, "the form must hold one file field");
    }
    r.file_bytes += size;
    if (size > 0 && !r.job->Write(data, size)) {
      return Refuse(r, MHD_HTTP_SERVICE_UNAVAILABLE, "the service cannot take archives now");
    }
    return MHD_YES;
  }

  static MHD_Result Refuse(Request& r, int status, std::string text) {
    r.refusal = status;
    r.refusal_text = std::move(text);
    return MHD_NO;
  }

  // A piece of the body. A refusal decided here is answered when the body has
  // ended (the library sends nothing while one still comes); the rest is read
  // and dropped meanwhile, at most another limit's worth, else the
  // connection is closed unanswered.
  MHD_Result Body(Request& r, const char* data, std::size_t size) {
    r.received += size;
    metrics.CountReceived(size);
    if (r.refusal != 0) return r.received - r.refused_at > settings.max_upload ? MHD_NO : MHD_YES;
    if (Clock::now() - r.start > settings.check.timeout) {
      // Too slow to wait for its end as well.
      Reject("too-slow");
      return MHD_NO;
    }
    if (r.route != Route::Check) {
      Refuse(r, MHD_HTTP_BAD_REQUEST, "this resource takes no body");
    } else if (r.received > settings.max_upload) {
      Reject("too-large");
      Refuse(r, MHD_HTTP_CONTENT_TOO_LARGE, "the archive is larger than the service takes");
    } else if (r.post != nullptr) {
      if (MHD_post_process(r.post, data, size) != MHD_YES && r.refusal == 0) {
        Refuse(r, MHD_HTTP_BAD_REQUEST, "unreadable form");
      }
    } else if (!r.job->Write(data, size)) {
      Refuse(r, MHD_HTTP_SERVICE_UNAVAILABLE, "the service cannot take archives now");
    }
    if (r.refusal != 0) {
      r.refused_at = r.received;
      r.job.reset();  // what came of the archive goes at once
    }
    return MHD_YES;
  }

  // ----- the answers -----------------------------------------------------------

  MHD_Result Answer(MHD_Connection* c, Request& r) {
    switch (r.route) {
      case Route::Check: return AnswerCheck(c, r);
      case Route::Rules: return Respond(c, r, MHD_HTTP_OK, "application/json", RuleCatalogueJson());
      case Route::Health:
        // The upload limit too: the web page says it before sending a larger archive.
        return Respond(c, r, MHD_HTTP_OK, "application/json",
                       fmt::format("{{\"status\": \"ok\", \"max_upload\": {}}}\n", settings.max_upload));
      case Route::Ready: return AnswerReady(c, r);
      case Route::Metrics:
        return Respond(c, r, MHD_HTTP_OK, "text/plain; version=0.0.4",
                       metrics.Text(gate.running(), gate.waiting(), pool.started()));
      default: return AnswerStatic(c, r);
    }
  }

  MHD_Result AnswerCheck(MHD_Connection* c, Request& r) {
    if (r.post != nullptr) {
      MHD_destroy_post_processor(r.post);
      r.post = nullptr;
      if (!r.job->uploading()) return Error(c, r, MHD_HTTP_BAD_REQUEST, "the form holds no file field");
    }
    const MHD_ConnectionInfo* info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_CONNECTION_FD);
    const int fd = info != nullptr ? info->connect_fd : -1;
    const auto gone = [fd] {
      pollfd p{fd, POLLRDHUP, 0};
      return fd >= 0 && ::poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
    };
    switch (gate.Enter(gone)) {
      case Gate::Entry::Full:
        Reject("queue-full");
        return Error(c, r, MHD_HTTP_SERVICE_UNAVAILABLE, "the service is busy; try again shortly",
                     {{"Retry-After", "5"}});
      case Gate::Entry::Gone: return MHD_NO;
      case Gate::Entry::Entered: break;
    }
    const Clock::time_point began = Clock::now();
    CheckOutcome outcome = r.job->Run(r.check, pool, fd, &stopping);
    gate.Leave();
    if (outcome.end != CheckOutcome::End::Answered) return MHD_NO;
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    metrics.CountCheck(seconds);
    r.outcome = std::move(outcome);
    CheckOutcome& o = *r.outcome;
    MHD_Response* response = nullptr;
    if (o.body_fd >= 0) {
      response = MHD_create_response_from_fd64(o.body_size, o.body_fd);
      if (response != nullptr) o.body_fd = -1;  // the response closes it
    } else {
      response = MHD_create_response_from_buffer(o.body.size(), o.body.data(), MHD_RESPMEM_MUST_COPY);
    }
    if (response == nullptr) return MHD_NO;
    if (!o.reason.empty()) MHD_add_response_header(response, "X-Zentrox-Reason", o.reason.c_str());
    return Queue(c, r, MHD_HTTP_OK, ContentType(r.check.format), response, {{"X-Zentrox-Verdict", o.verdict}});
  }

  MHD_Result AnswerReady(MHD_Connection* c, Request& r) {
    std::vector<std::string> missing;
    for (Variant v : AllVariants()) {
      for (const DictionaryFile& d : Profile(v).dictionaries) {
        if (::access((settings.check.dictionaries + d.name).c_str(), R_OK) != 0 &&
            std::find(missing.begin(), missing.end(), d.name) == missing.end()) {
          missing.push_back(d.name);
        }
      }
    }
    const bool writable = ::access(settings.state_dir.c_str(), W_OK | X_OK) == 0;
    const bool ready = missing.empty() && writable;
    const std::string body = fmt::format("{{\"ready\": {}, \"dictionaries\": {}, \"state_directory\": {}}}\n", ready,
                                         missing.empty(), writable);
    return Respond(c, r, ready ? MHD_HTTP_OK : MHD_HTTP_SERVICE_UNAVAILABLE, "application/json", body);
  }

  // A file of the web page: a plain name directly in the web root.
  MHD_Result AnswerStatic(MHD_Connection* c, Request& r) {
    const std::string name = r.static_name.empty() ? "index.html" : r.static_name;
    bool plain = name[0] != '.';
    for (char ch : name) {
      plain = plain && (std::isalnum(static_cast<unsigned char>(ch)) || ch == '.' || ch == '-' || ch == '_');
    }
    const int fd = plain ? ::open((settings.web_root + name).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC) : -1;
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      if (fd >= 0) ::close(fd);
      return Error(c, r, MHD_HTTP_NOT_FOUND, "no such resource");
    }
    MHD_Response* response = MHD_create_response_from_fd64(static_cast<std::uint64_t>(st.st_size), fd);
    if (response == nullptr) {
      ::close(fd);
      return MHD_NO;
    }
    const std::string_view n(name);
    const char* type = n.ends_with(".html")  ? "text/html; charset=utf-8"
                       : n.ends_with(".js")  ? "text/javascript; charset=utf-8"
                       : n.ends_with(".css") ? "text/css; charset=utf-8"
                       : n.ends_with(".svg") ? "image/svg+xml"
                       : n.ends_with(".png") ? "image/png"
                                             : "application/octet-stream";
    return Queue(c, r, MHD_HTTP_OK, type, response, {});
  }

  // ----- the library's callbacks ---------------------------------------------

  static MHD_Result OnRequest(void* cls, MHD_Connection* c, const char* url, const char* method, const char*,
                              const char* upload_data, size_t* upload_data_size, void** con_cls) {
    State& s = *static_cast<State*>(cls);
    if (*con_cls == nullptr) {
      auto* r = new Request;
      *con_cls = r;
      r->id = s.next_id++;
      r->method = method;
      r->route = RouteOf(url);
      if (r->route == Route::Static && std::strcmp(url, "/") != 0) r->static_name = url + 1;
      return s.Begin(c, *r);
    }
    Request& r = *static_cast<Request*>(*con_cls);
    if (r.status != 0) {
      // Answered already (refused while the body came): the rest is dropped.
      *upload_data_size = 0;
      return MHD_YES;
    }
    if (*upload_data_size > 0) {
      const std::size_t size = *upload_data_size;
      *upload_data_size = 0;
      return s.Body(r, upload_data, size);
    }
    if (r.refusal != 0) return s.Error(c, r, r.refusal, r.refusal_text);
    return s.Answer(c, r);
  }

  static void OnCompleted(void* cls, MHD_Connection*, void** con_cls, MHD_RequestTerminationCode) {
    State& s = *static_cast<State*>(cls);
    auto* r = static_cast<Request*>(*con_cls);
    if (r == nullptr) return;
    *con_cls = nullptr;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - r->start).count();
    s.metrics.CountRequest(r->status);
    // Nothing of the package: neither its name nor its content.
    std::string line = fmt::format("zentrox-serve: request={} route={} size={} status={} duration_ms={}", r->id,
                                   RouteName(r->route), r->received, r->status, ms);
    if (r->outcome) {
      line += fmt::format(" verdict={} findings={} packs={} declarations={}", r->outcome->verdict, r->outcome->findings,
                          r->outcome->packs, r->outcome->declarations);
    }
    std::fprintf(stderr, "%s\n", line.c_str());
    delete r;  // the check's directory goes with it
  }

  static void OnLibraryMessage(void*, const char*, va_list) {}
};

Server::Server(ServerSettings settings) : state_(std::make_unique<State>(std::move(settings))) {}

Server::~Server() { Stop(); }

bool Server::Start(std::string& error) {
  State& s = *state_;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(s.settings.port);
  if (::getaddrinfo(s.settings.host.c_str(), port.c_str(), &hints, &found) != 0 || found == nullptr) {
    error = "cannot resolve the address to listen on";
    return false;
  }
  sockaddr_storage address{};
  std::memcpy(&address, found->ai_addr, found->ai_addrlen);
  const bool v6 = found->ai_family == AF_INET6;
  ::freeaddrinfo(found);
  unsigned flags = MHD_USE_THREAD_PER_CONNECTION | MHD_USE_POLL_INTERNAL_THREAD | MHD_USE_ERROR_LOG;
  if (v6) flags |= MHD_USE_IPv6;
  s.daemon = MHD_start_daemon(
      flags, s.settings.port, nullptr, nullptr, &State::OnRequest, &s, MHD_OPTION_SOCK_ADDR, &address,
      MHD_OPTION_CONNECTION_LIMIT, static_cast<unsigned>(s.settings.max_connections), MHD_OPTION_CONNECTION_TIMEOUT,
      static_cast<unsigned>(std::min<long long>(s.settings.check.timeout.count(), 30)), MHD_OPTION_NOTIFY_COMPLETED,
      &State::OnCompleted, &s, MHD_OPTION_THREAD_STACK_SIZE, static_cast<size_t>(512 * 1024),
      MHD_OPTION_EXTERNAL_LOGGER, &State::OnLibraryMessage, nullptr, MHD_OPTION_END);
  if (s.daemon == nullptr) {
    error = "cannot listen on " + s.settings.host + ":" + port;
    return false;
  }
  return true;
}

std::uint16_t Server::port() const {
  if (state_->daemon == nullptr) return 0;
  const MHD_DaemonInfo* info = MHD_get_daemon_info(state_->daemon, MHD_DAEMON_INFO_BIND_PORT);
  return info != nullptr ? info->port : 0;
}

void Server::Stop() {
  if (state_->daemon == nullptr) return;
  state_->stopping = true;
  MHD_stop_daemon(state_->daemon);
  state_->daemon = nullptr;
}

}  // namespace zentrox::serve
