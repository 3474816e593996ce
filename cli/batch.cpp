#include "batch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <iostream>
#include <memory>
#include <new>

#include "engine/text.h"
#include "output.h"
#include "parallel_batch.h"
#include "report/atomic_write.h"
#include "report/csv_writer.h"
#include "report/json_writer.h"
#include "report/rtf_writer.h"
#include "report/text_writer.h"
#include "report/xlsx_writer.h"
#include "session/session.h"

namespace zentrox::cli {
namespace {

// What the session says while it checks an archive, on standard error,
// naming that archive: several archives may be checked in one run.
class StderrPort : public UserPort {
 public:
  void SetArchive(const std::string& archive) { archive_ = ShownPath(archive); }
  void ShowMessage(const std::string& text) override { std::cerr << Prefix() << text << '\n'; }
  void ShowError(const std::string& text) override { std::cerr << Prefix() << "error: " << text << '\n'; }

 private:
  std::string Prefix() const { return "zentrox-check: " + archive_ + ": "; }
  std::string archive_;
};

// Why an UnRar that did not unpack left the archive unchecked.
std::string UnrarReason(UnrarOutcome outcome) {
  switch (outcome) {
    case UnrarOutcome::NameRefused: return "the archive's name is not a package name of the variant";
    case UnrarOutcome::ListingRefused: return "the archive does not hold exactly the package files";
    case UnrarOutcome::ExtractionFailed: return "the archive could not be unpacked";
    case UnrarOutcome::WorkdirBusy: return "the working directory is held by another check";
    case UnrarOutcome::Unpacked: break;
  }
  return "";
}

// Why a control run did not complete.
std::string ControlReason(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::NotUnpacked: return "the package was not unpacked";
    case RunOutcome::FilesMissing: return "a package file is missing";
    case RunOutcome::PeriodRefused: return "the period code of the archive's name is not accepted";
    case RunOutcome::InternalError: return "an internal error of the program ended the check";
    case RunOutcome::OutOfMemory: return "the package did not fit in memory";
    case RunOutcome::WorkdirBusy: return "the working directory is held by another check";
    case RunOutcome::Completed: break;
  }
  return "";
}

// Absolute and lexically normal, without resolving links.
std::string Absolute(const std::string& path) {
  std::filesystem::path p(path);
  if (p.is_relative()) p = std::filesystem::current_path() / p;
  return p.lexically_normal().string();
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
    ReportSummary summary{variant_id, archive, workdir_};
    summary.reason = why;
    AppendOutput(archive, Protocol(), summary, Last(k));
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
    port_.SetArchive(archive);
    try {
      if (!unreadable.empty()) {
        std::cerr << "zentrox-check: " << ShownPath(archive) << ": " << unreadable << '\n';
        summary.reason = unreadable;
      } else if (profile == nullptr) {
        std::cerr << "zentrox-check: " << ShownPath(archive) << ": " << untold.reason << '\n';
        summary.reason = untold.reason;
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
      summary.reason = ControlReason(RunOutcome::OutOfMemory);
      status = kExitNotChecked;
      AppendOutput(archive, protocol, summary, last);
    }
    session_.ReleaseWorkdir();
    if (!opt_.rtf.empty() && checked) {
      try {
        WriteFileAtomically(Absolute(opt_.rtf), ProtocolToRtf(protocol));
      } catch (const std::exception& e) {
        std::cerr << "zentrox-check: " << ShownPath(archive) << ": " << e.what() << '\n';
        status = std::max(status, kExitNotChecked);
      }
    }
    if (!opt_.xlsx.empty() && checked) {
      try {
        WriteFindingsXlsx(Absolute(opt_.xlsx), protocol, archive);
      } catch (const std::exception& e) {
        std::cerr << "zentrox-check: " << ShownPath(archive) << ": " << e.what() << '\n';
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
    if (!session_.HoldWorkdir(protocol, port_)) {
      summary.reason = UnrarReason(UnrarOutcome::WorkdirBusy);
      return kExitNotChecked;
    }
    const UnrarOutcome unpacked = session_.UnRar(variant, archive, protocol, port_);
    // The archiver's own words beside the protocol, which keeps its lines.
    if (!session_.archiver_message().empty()) {
      std::cerr << "zentrox-check: " << ShownPath(archive) << ": " << session_.archiver_message() << '\n';
    }
    if (unpacked != UnrarOutcome::Unpacked) {
      summary.reason = UnrarReason(unpacked);
      if (!session_.archiver_message().empty()) summary.reason += ": " + session_.archiver_message();
      return kExitNotChecked;
    }
    const ControlResult r = session_.Control(variant, protocol, port_);
    // Only the protocol is printed: the package's tables give their memory
    // back before the output is composed.
    session_.ClearPackageTables();
    if (r.outcome != RunOutcome::Completed) {
      summary.reason = ControlReason(r.outcome);
      return kExitNotChecked;
    }
    summary.completed = true;
    summary.packs = r.pack_count;
    summary.declarations = r.declaration_count;
    return protocol.FaultCount() > 0 ? kExitFindings : kExitClean;
  }

  void AppendOutput(const std::string& archive, const Protocol& protocol, const ReportSummary& summary, bool last) {
    if (opt_.format == OutputFormat::Json) {
      Add(ProtocolToJson(protocol, summary));
      out_ += several_ && !last ? ",\n" : "\n";
    } else if (opt_.format == OutputFormat::Csv) {
      Add(FindingsToCsvRows(protocol, archive));
    } else {
      if (several_) out_ += "===== " + ShownPath(archive) + " =====\n";
      Add(ProtocolToText(protocol));
    }
  }

  // The first archive's output is taken as it is, not copied: a protocol
  // of 100,000 lines is 15 MB.
  void Add(std::string&& text) {
    if (out_.empty()) {
      out_ = std::move(text);
    } else {
      out_ += text;
    }
  }

  const Options& opt_;
  Session& session_;
  const std::string workdir_;
  const bool several_;
  StderrPort port_;
  std::string out_;
};

}  // namespace

int RunSerially(const Options& opt, const std::string& workdir, const std::string& program_dir, const Clock& clock) {
  Session session(workdir, program_dir, clock);
  Batch batch(opt, session, workdir);
  const int status = batch.Run();
  Print(opt, batch.output());
  return status;
}

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

}  // namespace zentrox::cli
