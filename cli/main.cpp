// zentrox-check: the headless checker.
//
// Does what a checker window does on UnRar and then Control, for each package
// archive given, and prints the protocols as text (UTF-8 or code page 1251),
// as JSON for other programs or the findings as CSV for spreadsheet programs.
// The variant is given or told from each archive.
//
// Exit status: 0 the control run completed without a finding, 1 it completed
// with findings, 2 usage error or an archive whose variant could not be told,
// 3 the archive could not be read or listed, the package was not unpacked,
// the run ended early, the working directory could not be locked or its
// dictionaries not put in place, or the output could not be written.

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/clock.h"
#include "engine/date.h"
#include "model/files.h"
#include "engine/heap.h"
#include "report/atomic_write.h"
#include "report/csv_writer.h"
#include "report/json_writer.h"
#include "report/rtf_writer.h"
#include "report/text_writer.h"
#include "report/rule_catalogue.h"
#include "engine/text.h"
#include "model/variant.h"
#include "intake/command_runner.h"
#include "intake/interruption.h"
#include "intake/workdir.h"
#include "intake/workdir_lock.h"
#include "parallel_batch.h"
#include "session/session.h"

namespace {

using namespace zentrox;

constexpr int kExitClean = 0;
constexpr int kExitFindings = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNotChecked = 3;

// "@VARIANTS@" stands for the variants' ids, taken from their profiles.
const char* const kUsageText =
    "usage: zentrox-check [--variant auto|@VARIANTS@] [--workdir DIR]\n"
    "                     [--today DD.MM.YYYY] [--rtf FILE] [--format text|json|csv]\n"
    "                     [--encoding utf-8|cp1251] [--jobs N] [--] ARCHIVE...\n"
    "       zentrox-check --list-rules [--format text|json] [--encoding utf-8|cp1251]\n"
    "\n"
    "Unpacks each package ARCHIVE into the working directory and checks it as the\n"
    "variant's checker window does; prints the protocol to standard output.\n"
    "\n"
    "  --variant V     the variant: @VARIANTS@;\n"
    "                  or auto (the default): told from each archive, by an\n"
    "                  entry named rev5_pl (the old format) or else by the\n"
    "                  period code of a 30-character name (T01-T04 quarterly,\n"
    "                  L01-L12 monthly, L00 annual) or a 22-character name\n"
    "                  (annual)\n"
    "  --workdir DIR   working directory with the dictionaries (default:\n"
    "                  $ZENTROX_WORKDIR, else this program's directory when it\n"
    "                  is writable, else ~/.local/share/zentrox)\n"
    "  --today DATE    the date the checks take as today\n"
    "  --rtf FILE      also save the protocol as rich text (one archive only)\n"
    "  --format F      text (default); json: one object per archive with the\n"
    "                  summary, the findings and the protocol lines (an array of\n"
    "                  objects for several archives); csv: one row per finding\n"
    "                  (archive, rule, file, record, pack, declaration, name,\n"
    "                  field, value, message, text) under one header line, the\n"
    "                  archives in the order given, UTF-8 with a byte-order mark\n"
    "                  and CR LF line ends\n"
    "  --encoding E    utf-8 (default) or cp1251, for the text output\n"
    "  --jobs N        check up to N archives at once (default: the number of\n"
    "                  cores; 1 checks them one after another), each in a\n"
    "                  private directory under the working directory\n"
    "  --              ends the options: what follows are archives, even when\n"
    "                  their names begin with -\n"
    "  --list-rules    print the rule catalogue instead: one line per rule (id,\n"
    "                  package file, field, what it requires; tab-separated) or,\n"
    "                  with --format json, an array of objects\n"
    "\n"
    "Several archives are printed in the order given, whatever --jobs is, each\n"
    "text protocol under a heading line. Exit status (the highest over the archives): 0 no findings,\n"
    "1 findings, 2 usage error or the variant of an archive could not be told,\n"
    "3 the archive could not be read or listed, not unpacked, the run ended early\n"
    "or the working directory was busy with another run, could not be locked or\n"
    "its dictionaries not put in place, or the output could not be written (said\n"
    "on standard error). An archive\n"
    "that could not be read or listed, or whose variant could not be told, is\n"
    "named on standard error with the reason and not checked (no protocol lines,\n"
    "no CSV rows); the batch goes on with the next archive.\n";

enum class OutputFormat { Text, Json, Csv };

struct Options {
  const VariantProfile* profile = nullptr;  // none: told from each archive
  std::optional<std::string> workdir;
  std::optional<Date> today;
  std::string rtf;
  OutputFormat format = OutputFormat::Text;
  bool cp1251 = false;
  bool list_rules = false;
  unsigned jobs = DefaultJobCount();
  std::vector<std::string> archives;
};

class StderrPort : public UserPort {
 public:
  void ShowMessage(const std::string& text) override { std::cerr << text << '\n'; }
  void ShowError(const std::string& text) override { std::cerr << "error: " << text << '\n'; }
};

// Absolute and lexically normal, without resolving links.
std::string Absolute(const std::string& path) {
  std::filesystem::path p(path);
  if (p.is_relative()) p = std::filesystem::current_path() / p;
  return p.lexically_normal().string();
}

// "permission denied" rather than "Permission denied": the text follows a colon.
std::string ErrnoText(int error) {
  std::string text = std::strerror(error);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

// Standard output is written unbuffered, each write checked: what can't be
// written is lost, so the first failure is kept and nothing more is tried.
int g_output_error = 0;

void WriteOutput(std::string_view data) {
  while (!data.empty() && g_output_error == 0) {
    const ssize_t n = ::write(STDOUT_FILENO, data.data(), data.size());
    if (n > 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // Standard output left non-blocking by whoever opened it: wait until it takes more.
      pollfd ready{STDOUT_FILENO, POLLOUT, 0};
      ::poll(&ready, 1, -1);
    } else if (n < 0 && errno != EINTR) {
      g_output_error = errno;
    }
  }
}

// The end of the program: standard output closed (a file system may report
// a failed write only then) and `status`, or exit status 3 after saying on
// standard error that the output could not be written.
int FinishOutput(int status) {
  if (::close(STDOUT_FILENO) != 0 && errno != EINTR && g_output_error == 0) g_output_error = errno;
  if (g_output_error == 0) return status;
  std::cerr << "zentrox-check: cannot write the output: " << ErrnoText(g_output_error) << '\n';
  return std::max(status, kExitNotChecked);
}

// A standard stream the program was started without gets a stand-in, so
// that no file opened later takes its number and receives what is meant for
// the stream. Standard output's stand-in refuses writes, as the closed
// stream would.
void StandInForClosedStreams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    const int opened = ::open("/dev/null", fd == STDERR_FILENO ? O_WRONLY : O_RDONLY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

// Why `path` cannot be handed to the archiver, or empty when it can. The
// archiver would take a missing or unreadable file for a damaged archive and
// the name check a directory for a wrong name; a FIFO would hang it.
std::string UnreadableArchive(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? "no such file" : ErrnoText(errno);
  }
  if (S_ISDIR(st.st_mode)) return "is a directory";
  if (!S_ISREG(st.st_mode)) return "not a regular file";
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return ErrnoText(errno);
  ::close(fd);
  return "";
}

std::string Usage() {
  std::string ids;
  for (Variant v : AllVariants()) ids += (ids.empty() ? "" : "|") + Profile(v).id;
  std::string usage = kUsageText;
  for (std::size_t at; (at = usage.find("@VARIANTS@")) != std::string::npos;) usage.replace(at, 10, ids);
  return usage;
}

int UsageError(const std::string& message) {
  std::cerr << "zentrox-check: " << message << "\n" << Usage();
  return kExitUsage;
}

// The options, or the status to exit with at once (help, a usage error).
struct ParsedArgs {
  Options options;
  std::optional<int> exit;
};

ParsedArgs ParseArgs(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  Options& opt = parsed.options;
  auto stop = [&parsed](int status) {
    parsed.exit = status;
    return parsed;
  };
  bool options_ended = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options_ended) {
      opt.archives.push_back(a);
      continue;
    }
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    if (a == "--") {
      options_ended = true;
    } else if (a == "--help" || a == "-h") {
      WriteOutput(Usage());
      return stop(kExitClean);
    } else if (a == "--variant") {
      if (!value(v)) return stop(UsageError("--variant needs a value"));
      opt.profile = v == "auto" ? nullptr : FindProfile(v);
      if (opt.profile == nullptr && v != "auto") return stop(UsageError("unknown variant '" + v + "'"));
    } else if (a == "--workdir") {
      if (!value(v)) return stop(UsageError("--workdir needs a value"));
      opt.workdir = v;
    } else if (a == "--today") {
      if (!value(v)) return stop(UsageError("--today needs a value"));
      opt.today = v.size() == 10 ? ParseDate(v) : std::nullopt;
      if (!opt.today) return stop(UsageError("--today takes a date DD.MM.YYYY"));
    } else if (a == "--rtf") {
      if (!value(opt.rtf)) return stop(UsageError("--rtf needs a value"));
    } else if (a == "--format") {
      if (!value(v) || (v != "text" && v != "json" && v != "csv")) {
        return stop(UsageError("--format takes text, json or csv"));
      }
      opt.format = v == "json" ? OutputFormat::Json : v == "csv" ? OutputFormat::Csv : OutputFormat::Text;
    } else if (a == "--encoding") {
      if (!value(v) || (v != "utf-8" && v != "cp1251")) return stop(UsageError("--encoding takes utf-8 or cp1251"));
      opt.cp1251 = v == "cp1251";
    } else if (a == "--jobs") {
      if (!value(v)) return stop(UsageError("--jobs needs a value"));
      const std::optional<unsigned> jobs = ParseJobCount(v);
      if (!jobs) return stop(UsageError("--jobs takes a whole number from 1 to " + std::to_string(kMaxJobs)));
      opt.jobs = *jobs;
    } else if (a == "--list-rules") {
      opt.list_rules = true;
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      return stop(UsageError("unknown option '" + a + "'"));
    } else {
      opt.archives.push_back(a);
    }
  }
  if (opt.list_rules) {
    if (!opt.archives.empty()) return stop(UsageError("--list-rules takes no archive"));
    if (opt.format == OutputFormat::Csv) return stop(UsageError("--list-rules prints text or json"));
    return parsed;
  }
  if (opt.archives.empty()) return stop(UsageError("no archive given"));
  if (!opt.rtf.empty() && opt.archives.size() > 1) return stop(UsageError("--rtf takes one archive"));
  return parsed;
}

// Writes what the program prints on standard output, in the encoding asked for.
void Print(const Options& opt, const std::string& out) {
  // JSON and CSV are UTF-8 whatever the encoding asked for.
  WriteOutput(opt.cp1251 && opt.format == OutputFormat::Text ? Utf8ToCp1251(out) : out);
}

// The working directory the runs use, or none when it can't be used (said on
// standard error; `failure` is then the status to end with: 2 when there is no
// such directory, 3 when its dictionaries could not be put in place). A
// passed-over manifest and a kept edited dictionary are mentioned once.
std::optional<std::string> SetUpWorkdir(const Options& opt, const std::string& program_dir, int& failure) {
  // Session reads the same setting; it is only said here, once.
  const LockWaitSetting lock_wait = ReadLockWait();
  if (!lock_wait.complaint.empty()) std::cerr << "zentrox-check: " << lock_wait.complaint << '\n';
  const WorkdirSetup setup = PrepareWorkdir(opt.workdir, program_dir);
  for (const std::string& warning : setup.warnings) std::cerr << "zentrox-check: " << warning << '\n';
  if (!setup.error.empty()) {
    std::cerr << "zentrox-check: " << setup.error << '\n';
    failure = setup.fault == WorkdirFault::NotReady ? kExitNotChecked : kExitUsage;
    return std::nullopt;
  }
  if (!setup.notice.empty()) std::cerr << "zentrox-check: " << setup.notice << '\n';
  return setup.dir;
}

// The archives of one invocation, checked one after another in one session;
// the output of each is appended to output(). A parallel batch checks each
// archive with RunOne in a session of its own. `workdir` is the working
// directory the output names (the session's may be a private one).
class Batch {
 public:
  Batch(const Options& opt, Session& session, std::string workdir)
      : opt_(opt), session_(session), workdir_(std::move(workdir)), several_(opt.archives.size() > 1) {}

  // Checks every archive; returns the highest exit status over them.
  int Run() {
    out_ += Opening(opt_);
    int status = kExitClean;
    for (std::size_t k = 0; k < opt_.archives.size(); ++k) status = std::max(status, RunOne(k));
    out_ += Closing(opt_);
    return status;
  }

  // Archive `k` alone: its exit status.
  int RunOne(std::size_t k) { return CheckArchive(Absolute(opt_.archives[k]), Last(k)); }

  // Archive `k` as not checked at all, `why` said on standard error.
  void NotChecked(std::size_t k, const std::string& why) {
    const std::string archive = Absolute(opt_.archives[k]);
    std::cerr << "zentrox-check: " << ShownPath(archive) << ": " << why << '\n';
    const std::string variant_id = opt_.profile != nullptr ? opt_.profile->id : std::string();
    AppendOutput(archive, Protocol(), ReportSummary{variant_id, archive, workdir_}, Last(k));
  }

  // What comes before the first archive's output and after the last one's.
  static std::string Opening(const Options& opt) {
    if (opt.format == OutputFormat::Csv) return FindingsCsvHeader();
    return opt.format == OutputFormat::Json && opt.archives.size() > 1 ? "[\n" : "";
  }
  static std::string Closing(const Options& opt) {
    return opt.format == OutputFormat::Json && opt.archives.size() > 1 ? "]\n" : "";
  }

  const std::string& output() const { return out_; }

 private:
  bool Last(std::size_t k) const { return k + 1 == opt_.archives.size(); }

  // The variant given, or the one told from the archive; none, with the
  // reason in `told`, when it can't be told or the archive can't be listed.
  const VariantProfile* VariantOf(const std::string& archive, VariantDetection& told) const {
    if (opt_.profile != nullptr) return opt_.profile;
    told = session_.DetectVariant(archive);
    return told.variant ? &Profile(*told.variant) : nullptr;
  }

  // One archive: UnRar and Control, the output, the rich text file.
  int CheckArchive(const std::string& archive, bool last) {
    Protocol protocol;
    int status = kExitNotChecked;
    // An archive that cannot be read, or whose variant can't be told, is
    // named here and nothing else is done for it: the working directory is
    // neither locked nor cleared, and its protocol stays empty (a batch
    // prints only its heading).
    const std::string unreadable = UnreadableArchive(archive);
    VariantDetection untold;
    const VariantProfile* profile = unreadable.empty() ? VariantOf(archive, untold) : opt_.profile;
    const bool checked = unreadable.empty() && profile != nullptr;
    const std::string variant_id = profile != nullptr ? profile->id : std::string();
    ReportSummary summary{variant_id, archive, workdir_};
    try {
      if (!unreadable.empty()) {
        std::cerr << "zentrox-check: " << ShownPath(archive) << ": " << unreadable << '\n';
      } else if (profile == nullptr) {
        std::cerr << "zentrox-check: " << ShownPath(archive) << ": " << untold.reason << '\n';
        status = untold.unlisted ? kExitNotChecked : kExitUsage;
      } else {
        status = UnrarAndControl(profile->variant, archive, protocol, summary);
      }
      AppendOutput(archive, protocol, summary, last);
    } catch (const std::bad_alloc&) {
      // Out of memory outside the control run (unpacking, writing the
      // output): the run ends as the control run ends it, with the protocol
      // given up for its one line.
      protocol = Protocol();
      session_.ReportOutOfMemory(protocol);
      summary = ReportSummary{variant_id, archive, workdir_};
      status = kExitNotChecked;
      AppendOutput(archive, protocol, summary, last);
    }
    session_.ReleaseWorkdir();
    if (!opt_.rtf.empty() && checked) {
      try {
        WriteFileAtomically(Absolute(opt_.rtf), ProtocolToRtf(protocol));
      } catch (const std::exception& e) {
        std::cerr << "zentrox-check: " << e.what() << '\n';
        status = std::max(status, kExitNotChecked);
      }
    }
    return status;
  }

  // The exit status of one readable archive; fills `summary` when the control
  // run completes. The caller releases the working directory.
  int UnrarAndControl(Variant variant, const std::string& archive, Protocol& protocol, ReportSummary& summary) {
    // UnRar and Control under one lock: another run in the same working
    // directory could otherwise replace the files between the two.
    if (!session_.HoldWorkdir(protocol, port_)) return kExitNotChecked;
    const UnrarOutcome unpacked = session_.UnRar(variant, archive, protocol, port_);
    // The archiver's own words beside the protocol, which keeps its lines.
    if (!session_.archiver_message().empty()) {
      std::cerr << "zentrox-check: " << ShownPath(archive) << ": " << session_.archiver_message() << '\n';
    }
    if (unpacked != UnrarOutcome::Unpacked) return kExitNotChecked;
    const ControlResult r = session_.Control(variant, protocol, port_);
    // Only the protocol is printed: the package's tables give their memory
    // back before the output is composed.
    session_.ClearPackageTables();
    if (r.outcome != RunOutcome::Completed) return kExitNotChecked;
    summary.completed = true;
    summary.packs = r.pack_count;
    summary.declarations = r.declaration_count;
    return protocol.FaultCount() > 0 ? kExitFindings : kExitClean;
  }

  void AppendOutput(const std::string& archive, const Protocol& protocol, const ReportSummary& summary, bool last) {
    if (opt_.format == OutputFormat::Json) {
      out_ += ProtocolToJson(protocol, summary);
      out_ += several_ && !last ? ",\n" : "\n";
    } else if (opt_.format == OutputFormat::Csv) {
      out_ += FindingsToCsvRows(protocol, archive);
    } else {
      if (several_) out_ += "===== " + ShownPath(archive) + " =====\n";
      out_ += ProtocolToText(protocol);
    }
  }

  const Options& opt_;
  Session& session_;
  const std::string workdir_;
  const bool several_;
  StderrPort port_;
  std::string out_;
};

// The batch checked by up to --jobs workers at once (see parallel_batch.h),
// printing what the serial run prints; nothing when it could not start.
std::optional<int> RunInParallel(const Options& opt, const std::string& workdir, const std::string& program_dir,
                                 const Clock& clock) {
  bool opened = false;
  ParallelBatch parallel;
  parallel.count = opt.archives.size();
  parallel.jobs = static_cast<unsigned>(std::min<std::size_t>(opt.jobs, opt.archives.size()));
  parallel.workdir = workdir;
  // A worker's session, kept across its archives as a serial run keeps one.
  std::unique_ptr<Session> session;
  parallel.check = [&](std::size_t k, const std::string& private_workdir, std::string& out) {
    if (!session || session->workdir() != private_workdir) {
      session = std::make_unique<Session>(private_workdir, program_dir, clock);
    }
    Batch batch(opt, *session, workdir);
    const int status = batch.RunOne(k);
    out = batch.output();
    return status;
  };
  parallel.lost = [&](std::size_t k, const std::string& why, std::string& out) {
    Session unused(workdir, program_dir, clock);
    Batch batch(opt, unused, workdir);
    batch.NotChecked(k, why);
    out = batch.output();
  };
  parallel.emit = [&](const std::string& out) {
    Print(opt, opened ? out : Batch::Opening(opt) + out);
    opened = true;
  };
  const std::optional<int> status = RunParallelBatch(parallel);
  if (status) Print(opt, Batch::Closing(opt));
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  zentrox::ReturnLargeBlocksWhenFreed();
  StandInForClosedStreams();
  const ParsedArgs parsed = ParseArgs(std::vector<std::string>(argv + 1, argv + argc));
  if (parsed.exit) return FinishOutput(*parsed.exit);
  const Options& opt = parsed.options;
  if (opt.list_rules) {
    Print(opt, opt.format == OutputFormat::Json ? RuleCatalogueJson() : RuleCatalogueText());
    return FinishOutput(kExitClean);
  }

  // Said once here; the checks and the workers read them again without a word.
  for (const std::string& complaint : SettingComplaints()) std::cerr << "zentrox-check: " << complaint << '\n';
  const std::string program_dir = ExecutableDirectory();
  // Before anything is unpacked: a working directory that can't be used ends
  // the program.
  int failure = kExitUsage;
  const std::optional<std::string> workdir = SetUpWorkdir(opt, program_dir, failure);
  if (!workdir) return failure;
  // A signal from here on stops the archiver and deletes the package first.
  CleanUpOnInterruption();

  SystemClock system_clock;
  std::optional<FixedDateClock> fixed_clock;
  if (opt.today) fixed_clock.emplace(*opt.today);
  const Clock& clock = fixed_clock ? static_cast<const Clock&>(*fixed_clock) : system_clock;

  if (std::min<std::size_t>(opt.jobs, opt.archives.size()) > 1) {
    if (const std::optional<int> status = RunInParallel(opt, *workdir, program_dir, clock)) {
      return FinishOutput(*status);
    }
  }
  Session session(*workdir, program_dir, clock);
  Batch batch(opt, session, *workdir);
  const int status = batch.Run();
  Print(opt, batch.output());
  return FinishOutput(status);
}
