#include "check_job.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "intake/workdir.h"
#include "model/clock.h"
#include "model/variant.h"
#include "report/findings_summary.h"
#include "session/named_records.h"
#include "session/session.h"

namespace zentrox::serve {

namespace {

constexpr const char* kOut = "answer";
constexpr const char* kCounts = "counts";

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string ReadSmall(int dir, const char* name) {
  std::string text;
  const int fd = ::openat(dir, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return text;
  char buf[256];
  for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
  ::close(fd);
  return text;
}

// Messages of the check go nowhere: the answer carries the protocol.
class SilentPort : public UserPort {
 public:
  void ShowMessage(const std::string&) override {}
  void ShowError(const std::string&) override {}
};

bool ValidUtf8(const std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

}  // namespace

bool AcceptableArchiveName(const std::string& name) {
  if (name.empty() || name.size() > 255 || name[0] == '-' || name.find("..") != std::string::npos) return false;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || c == '/' || c == '\\') return false;
  }
  return ValidUtf8(name);
}

Job::Job(const std::string& state_dir) : dir_(state_dir) {
  if (!dir_.ok()) return;
  if (::mkdirat(dir_.fd(), "in", 0700) != 0 || ::mkdirat(dir_.fd(), "work", 0700) != 0) return;
  in_fd_ = ::openat(dir_.fd(), "in", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

Job::~Job() {
  if (upload_fd_ >= 0) ::close(upload_fd_);
  if (in_fd_ >= 0) ::close(in_fd_);
}

bool Job::StartUpload(const std::string& name) {
  if (in_fd_ < 0 || upload_fd_ >= 0) return false;
  upload_fd_ = ::openat(in_fd_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  return upload_fd_ >= 0;
}

bool Job::Write(const char* data, std::size_t size) { return upload_fd_ >= 0 && WriteAll(upload_fd_, data, size); }

CheckOutcome Job::NotChecked(const CheckRequest& request, std::string reason) const {
  CheckOutcome outcome;
  const VariantProfile* profile = request.variant == "auto" ? nullptr : FindProfile(request.variant);
  Report report;
  report.format = request.format;
  report.summary = ReportSummary{profile != nullptr ? profile->id : "", request.name, kShownWorkdir};
  report.reason = reason;
  outcome.body = RenderReport(report);
  outcome.reason = std::move(reason);
  return outcome;
}

namespace {

// Waits for the worker's answer: true when it answered that the check was
// written, false with `end` or `timed_out` set otherwise (the worker is then
// to be stopped).
bool AwaitAnswer(const CheckWorker& worker, std::chrono::seconds timeout, int client_fd, const volatile bool* stop,
                 CheckOutcome::End& end, bool& timed_out) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timed_out = true;
      return false;
    }
    if (stop != nullptr && *stop) {
      end = CheckOutcome::End::Stopped;
      return false;
    }
    pollfd fds[2] = {{worker.socket(), POLLIN, 0}, {client_fd, POLLRDHUP, 0}};
    const int polled = ::poll(fds, client_fd >= 0 ? 2 : 1, static_cast<int>(std::min<long long>(left.count(), 200)));
    if (polled <= 0) continue;
    if (fds[0].revents != 0) {
      // One byte, '0' when the answer was written; nothing when it ended.
      char status = 0;
      ssize_t n;
      while ((n = ::recv(worker.socket(), &status, 1, 0)) < 0 && errno == EINTR) {
      }
      return n == 1 && status == '0';
    }
    if (client_fd >= 0 && (fds[1].revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
      end = CheckOutcome::End::ClientGone;
      return false;
    }
  }
}

}  // namespace

CheckOutcome Job::Run(const CheckRequest& request, CheckPool& pool, int client_fd, const volatile bool* stop) {
  if (upload_fd_ >= 0) {
    ::close(upload_fd_);
    upload_fd_ = -1;
  }
  const CheckSettings& settings = pool.settings();
  std::string error;
  if (!CopyWorkdirDictionaries(settings.dictionaries, dir_.path() + "work/", error)) {
    return NotChecked(request, "the service's dictionaries could not be put in place");
  }
  std::unique_ptr<CheckWorker> worker = pool.Take();
  if (!worker) return NotChecked(request, "the check could not be started");

  // The check, as lines: job directory, variant, format, archive name (no
  // name the service takes holds a line break).
  const std::string format = request.format == Format::Json   ? "json"
                             : request.format == Format::Text ? "text"
                             : request.format == Format::Csv  ? "csv"
                                                              : "rtf";
  const std::string message = dir_.path() + "\n" + request.variant + "\n" + format + "\n" + request.name + "\n";
  ++worker->checks;
  ssize_t sent;
  while ((sent = ::send(worker->socket(), message.data(), message.size(), MSG_NOSIGNAL)) < 0 && errno == EINTR) {
  }
  CheckOutcome::End end = CheckOutcome::End::Answered;
  bool timed_out = false;
  const bool answered = sent == static_cast<ssize_t>(message.size()) &&
                        AwaitAnswer(*worker, settings.timeout, client_fd, stop, end, timed_out);
  if (answered) {
    pool.Give(std::move(worker));
  } else {
    worker.reset();  // stopped, with whatever it started
  }
  if (end != CheckOutcome::End::Answered) {
    CheckOutcome outcome;
    outcome.end = end;
    return outcome;
  }
  if (timed_out) {
    return NotChecked(request,
                      "the check did not finish within " + std::to_string(settings.timeout.count()) + " seconds");
  }
  if (!answered) return NotChecked(request, "the check stopped unexpectedly");

  // The counts: "VERDICT FINDINGS PACKS DECLARATIONS".
  CheckOutcome outcome;
  const std::string counts = ReadSmall(dir_.fd(), kCounts);
  char verdict[16] = {};
  unsigned long long findings = 0;
  if (std::sscanf(counts.c_str(), "%15s %llu %d %d", verdict, &findings, &outcome.packs, &outcome.declarations) != 4) {
    return NotChecked(request, "the check stopped unexpectedly");
  }
  outcome.verdict = verdict;
  outcome.findings = static_cast<std::size_t>(findings);
  outcome.body_fd = ::openat(dir_.fd(), kOut, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  struct stat st {};
  if (outcome.body_fd < 0 || ::fstat(outcome.body_fd, &st) != 0) {
    if (outcome.body_fd >= 0) ::close(outcome.body_fd);
    return NotChecked(request, "the check stopped unexpectedly");
  }
  outcome.body_size = static_cast<std::uint64_t>(st.st_size);
  return outcome;
}

// ----- the worker's side ---------------------------------------------------------

namespace {

const char* UnrarEnd(UnrarOutcome outcome) {
  switch (outcome) {
    case UnrarOutcome::NameRefused: return "name-refused";
    case UnrarOutcome::ListingRefused: return "listing-refused";
    case UnrarOutcome::ExtractionFailed: return "extraction-failed";
    case UnrarOutcome::WorkdirBusy: return "workdir-busy";
    case UnrarOutcome::Unpacked: break;
  }
  return "unpacked";
}

const char* RunEnd(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::NotUnpacked: return "not-unpacked";
    case RunOutcome::FilesMissing: return "files-missing";
    case RunOutcome::PeriodRefused: return "period-refused";
    case RunOutcome::InternalError: return "internal-error";
    case RunOutcome::OutOfMemory: return "out-of-memory";
    case RunOutcome::WorkdirBusy: return "workdir-busy";
    case RunOutcome::Completed: break;
  }
  return "completed";
}

}  // namespace

int CheckInWorker(const std::string& job, const std::string& variant_arg, const std::string& format_arg,
                  const std::string& name, const std::string& program_dir) {
  Format format = Format::Json;
  if (!ParseFormat(format_arg, format)) return 2;
  // For the tests: a check that crashes, or hangs, for the archive of this name.
  if (const char* crash = std::getenv("ZENTROX_SERVE_TEST_CRASH"); crash != nullptr && name == crash) std::abort();
  if (const char* hang = std::getenv("ZENTROX_SERVE_TEST_HANG"); hang != nullptr && name == hang) ::pause();

  const std::string archive = job + "in/" + name;
  SystemClock clock;
  Session session(job + "work/", program_dir, clock);
  session.set_lock_wait(std::chrono::milliseconds(0));
  SilentPort port;
  Protocol protocol;
  const VariantProfile* profile = variant_arg == "auto" ? nullptr : FindProfile(variant_arg);
  Report report;
  report.format = format;
  report.protocol = &protocol;
  int status = 3;
  bool out_of_memory = false;
  try {
    if (profile == nullptr) {
      const VariantDetection told = session.DetectVariant(archive);
      if (told.variant) {
        profile = &Profile(*told.variant);
      } else {
        report.reason = told.reason;
        report.end = "variant-unknown";
      }
    }
    report.summary = ReportSummary{profile != nullptr ? profile->id : "", name, kShownWorkdir};
    if (profile != nullptr && !session.HoldWorkdir(protocol, port)) report.end = "workdir-busy";
    const UnrarOutcome unpacked =
        report.end.empty() ? session.UnRar(profile->variant, archive, protocol, port) : UnrarOutcome::WorkdirBusy;
    if (report.end.empty()) report.end = UnrarEnd(unpacked);
    if (unpacked == UnrarOutcome::Unpacked) {
      const ControlResult r = session.Control(profile->variant, protocol, port);
      report.end = RunEnd(r.outcome);
      report.records = RecordsNamedByFindings(session, profile->variant, protocol);
      session.ClearPackageTables();
      if (r.outcome == RunOutcome::Completed) {
        report.summary.completed = true;
        report.summary.packs = r.pack_count;
        report.summary.declarations = r.declaration_count;
        status = protocol.FaultCount() > 0 ? 1 : 0;
      }
    }
  } catch (const std::bad_alloc&) {
    out_of_memory = true;
    // As zentrox-check ends such a run: the protocol given up for its one line.
    protocol = Protocol();
    report.records.clear();
    session.ReportOutOfMemory(protocol);
    report.end = "out-of-memory";
    report.summary = ReportSummary{profile != nullptr ? profile->id : "", name, kShownWorkdir};
    status = 3;
  }
  session.ReleaseWorkdir();
  const std::string body = HideJobPaths(RenderReport(report), job);
  const FindingCounts counts = CountFindings(protocol);
  const std::string count_text = std::string(status == 0   ? "clean"
                                             : status == 1 ? "findings"
                                                           : "not-checked") +
                                 " " + std::to_string(counts.findings) + " " + std::to_string(report.summary.packs) +
                                 " " + std::to_string(report.summary.declarations) + "\n";
  const int dir = ::open(job.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return 3;
  const int out = ::openat(dir, kOut, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  const int cnt = ::openat(dir, kCounts, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  const bool written = out >= 0 && cnt >= 0 && WriteAll(out, body.data(), body.size()) &&
                       WriteAll(cnt, count_text.data(), count_text.size());
  return !written ? 3 : out_of_memory ? 1 : 0;
}

}  // namespace zentrox::serve
