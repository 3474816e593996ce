#include "session/session.h"

#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "base/env_count.h"
#include "engine/text.h"
#include "intake/command_runner.h"
#include "intake/interruption.h"
#include "intake/job_directory.h"
#include "intake/listing.h"
#include "intake/package_name.h"
#include "intake/variant_detection.h"
#include "intake/workdir_lock.h"
#include "model/files.h"
#include "report/rule_entries.h"
#include "rules/control_run.h"
#include "rules/side_by_side.h"

namespace zentrox {
namespace {

// Exit codes of our archiver: the unpacked size would exceed its cap; its
// output could not be written.
constexpr int kArchiverSizeCapExit = 4;
constexpr int kArchiverDestinationExit = 6;

const char* const kErrorHeading = "О Ш И Б К А  ПРИ  Р А С П А К О В К Е!!!";

// The archiver's reason for a failure, in one line: its last line that names
// it ("Rar: CRC error in rev5_sd: ..."), else its last line of any kind, else
// what the exit itself tells.
std::string ArchiverReason(const CommandResult& r, const std::string& program_dir) {
  std::string chosen;
  std::string last;
  std::size_t pos = 0;
  while (pos < r.error_output.size()) {
    std::size_t nl = r.error_output.find('\n', pos);
    std::size_t end = nl == std::string::npos ? r.error_output.size() : nl;
    std::string line = r.error_output.substr(pos, end - pos);
    pos = end + 1;
    for (char& c : line) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    std::size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    line = line.substr(first, line.find_last_not_of(' ') - first + 1);
    if (line.rfind("Rar:", 0) == 0) chosen = line;
    last = std::move(line);
  }
  if (!chosen.empty()) return chosen;
  if (!last.empty()) return last;
  if (!r.started) {
    return "Rar: the archiver could not be started (not found in " + WithTrailingSlash(program_dir) + " nor on PATH)";
  }
  if (r.signal != 0) return "Rar: ended by signal " + std::to_string(r.signal);
  return "Rar: exit status " + std::to_string(r.exit_code);
}

// The archiver's exit as data (its statuses are told in tools/rar).
ArchiverFault FaultOf(const CommandResult& r) {
  if (!r.started) return ArchiverFault::NotStarted;
  if (r.signal != 0) return ArchiverFault::Stopped;
  switch (r.exit_code) {
    case 0: return ArchiverFault::None;
    case 1: return ArchiverFault::Unreadable;
    case 2: return ArchiverFault::Usage;
    case 3: return ArchiverFault::Crc;
    case kArchiverSizeCapExit: return ArchiverFault::SizeCap;
    case 5: return ArchiverFault::Encrypted;
    case kArchiverDestinationExit: return ArchiverFault::Destination;
    case 7: return ArchiverFault::Refused;
    default: return ArchiverFault::Other;
  }
}

// "no such file or directory": the text follows a colon.
std::string ErrnoText(int error) {
  std::string text = std::strerror(error);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

// Lists `archive` into `listing` through a file of its own in TMPDIR (or
// /tmp). False, with the reason, when no listing could be made: the file
// can't be created, the archiver can't start or can't write it, or it can't
// be read back. A listing the archiver refused (a damaged archive) is an
// empty one, and the name alone then tells.
bool ListOutsideWorkdir(const std::string& archive, const std::string& program_dir, std::string& listing,
                        std::string& reason, ArchiverFault& fault) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string dir = WithTrailingSlash(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp");
  std::string path = dir + "zentrox-list-XXXXXX";
  // The listing is this run's own: an interruption deletes it.
  InterruptionsHeld held;
  const int fd = mkstemp(path.data());
  if (fd < 0) {
    reason = "cannot create a file in " + dir + ": " + ErrnoText(errno);
    fault = ArchiverFault::Destination;
    return false;
  }
  const InterruptionRemovesFile scratch(path);
  held.Release();
  close(fd);
  const CommandResult r = RunCommand(Command{"Rar", {"l", archive}, path}, program_dir);
  bool made = r.started && r.exit_code != kArchiverDestinationExit;
  if (!made) {
    reason = ArchiverReason(r, program_dir);
    fault = FaultOf(r);
  }
  try {
    if (made) listing = ReadWholeFile(path);
  } catch (const FileReadError&) {
    reason = "cannot read " + path;
    fault = ArchiverFault::Destination;
    made = false;
  }
  unlink(path.c_str());
  return made;
}

}  // namespace

// The working directory's lock; while it is held, the package files there
// are this run's, and an interruption deletes them. Taking it also removes
// what batches killed in the directory left there.
class HeldWorkdir {
 public:
  HeldWorkdir(const std::string& workdir, std::chrono::milliseconds wait) : lock_(workdir, wait) {
    if (!lock_.acquired()) return;
    package_.emplace(workdir);
    RemoveStaleJobDirectories(workdir);
  }
  bool acquired() const { return lock_.acquired(); }
  const std::string& failure() const { return lock_.failure(); }

 private:
  WorkdirLock lock_;
  std::optional<InterruptionRemovesPackage> package_;
};

std::vector<std::string> SettingComplaints() {
  std::vector<std::string> complaints;
  if (std::string threads = ReadThreadSetting().complaint; !threads.empty()) complaints.push_back(std::move(threads));
  // An invalid value the archiver refuses, saying why beside the protocol.
  const char* text = std::getenv("ZENTROX_RAR_MAX_BYTES");
  const EnvCount cap = ParseEnvCount(text, kRarMaxBytes, kRarMaxBytes);
  if (cap.state == EnvCount::State::Clamped) {
    complaints.push_back(EnvCountComplaint("ZENTROX_RAR_MAX_BYTES", text, cap, "bytes"));
  }
  return complaints;
}

Session::Session(std::string workdir, std::string program_dir, const Clock& clock)
    : workdir_(WithTrailingSlash(workdir)),
      program_dir_(std::move(program_dir)),
      clock_(clock),
      lock_wait_(DefaultLockWait()) {
  // A variant's module is the one that holds its pack table.
  const auto in_dm1 = [this](const void* table) {
    const auto at = reinterpret_cast<std::uintptr_t>(table);
    const auto first = reinterpret_cast<std::uintptr_t>(&dm1_);
    return at >= first && at < first + sizeof dm1_;
  };
  for (Variant v : AllVariants()) {
    module_of_[static_cast<std::size_t>(v)] = in_dm1(&Profile(v).pack_file.table(dm_, dm1_)) ? 1 : 0;
  }
}

Session::~Session() = default;

bool Session::HoldWorkdir(Protocol& protocol, UserPort& port) {
  if (held_) return true;
  auto lock = std::make_unique<HeldWorkdir>(workdir_, lock_wait_);
  if (!lock->acquired()) {
    WriteBusy(protocol, &port, lock->failure());
    return false;
  }
  held_ = std::move(lock);
  return true;
}

void Session::ReleaseWorkdir() { held_.reset(); }

std::string Session::Marker(Variant variant) const {
  switch (Profile(variant).marker_policy) {
    case MarkerPolicy::SharedPackageName: return package_name_;
    case MarkerPolicy::OwnArchivePath: break;
  }
  return window(variant).archive_path;
}

VariantDetection Session::DetectVariant(const std::string& archive) const {
  VariantDetection told;
  std::string listing;
  if (!ListOutsideWorkdir(archive, program_dir_, listing, told.reason, told.archiver_fault)) {
    told.reason = "cannot list the archive: " + told.reason;
    told.unlisted = true;
    told.why = VariantUntold::Unlisted;
    return told;
  }
  DetectedVariant found = zentrox::DetectVariant(archive, ListingEntryNames(listing));
  told.variant = found.variant;
  told.reason = std::move(found.reason);
  if (!told.variant) told.why = found.period_code.empty() ? VariantUntold::NameLength : VariantUntold::PeriodCode;
  told.period_code = std::move(found.period_code);
  told.known_codes = std::move(found.known_codes);
  return told;
}

bool Session::ListingAccepted(const std::string& archive, Protocol& protocol) {
  const std::string listing_path = workdir_ + "rev5_list";
  // Only the listing's output decides; a listing that could not even start
  // leaves an empty file, which the count refuses.
  CommandResult r = RunCommand(Command{"Rar", {"l", archive}, listing_path}, program_dir_);
  std::optional<std::string> found = FindFileNoCase(listing_path);
  if (!found) return true;
  std::string listing;
  try {
    listing = ReadWholeFile(*found);
  } catch (const FileReadError&) {
    listing.clear();
  }
  if (ListingHoldsPackage(listing)) return true;
  if (!r.ok()) {
    archiver_message_ = ArchiverReason(r, program_dir_);
    archiver_fault_ = FaultOf(r);
  }
  protocol.SetColor(kRed);
  protocol.AddFault(kErrorHeading, rule::kIntakeListingPackageOnly.id);
  AddFault(protocol, rule::kIntakeListingPackageOnly);
  return false;
}

bool Session::Extract(Variant variant, const std::string& archive) {
  // Only the variant's package files are named, so nothing else in the
  // archive (a dictionary, an archiver) can land in the working directory.
  Command cmd{"Rar", {"e", "-y", archive}, ""};
  for (const std::string& name : Profile(variant).unpacked_names) cmd.arguments.push_back(name);
  cmd.arguments.push_back(workdir_);
  CommandResult r = RunCommand(cmd, program_dir_);
  last_exit_code_ = r.exit_code;
  if (r.ok()) return true;
  archiver_message_ = ArchiverReason(r, program_dir_);
  archiver_fault_ = FaultOf(r);
  // What a failed extraction wrote before it stopped was never checked whole
  // (a later entry of the same name may be the damaged one): none of it stays
  // for a control run to take as the package.
  for (const std::string& name : Profile(variant).unpacked_names) RemoveFileNoCase(workdir_ + name);
  return false;
}

void Session::WriteExtractionError(Variant variant, Protocol& protocol) {
  protocol.SetColor(kRed);
  const char* const lines[] = {
      kErrorHeading,
      "а) проверьте версию архиватора, которым запакован пакет (должна быть версия 2.9)",
      Profile(variant).archive_content_hint.c_str(),
      "в) проверьте название папки, в которой находится архив (в названии не должно быть пробелов)",
      "г) возможно некорректно установлена программа:",
      "   на рабочем столе не должно быть папки Zentrox,",
      "   а должен быть Shortcut to zentrox.exe",
      "",
  };
  for (const char* line : lines) protocol.AddFault(line, rule::kIntakeExtractionSucceeds.id);
  protocol.SetColor(kBlue);
  protocol.SetBold(true);
  protocol.SetItalic(true);
  protocol.SetHeight(16);
  protocol.Add("РЕКОМЕНДАЦИЯ: Запакуйте подготовленные файлы архиватором rar.exe \r" + std::string(32, ' ') +
               "предоставленном на сайте вместе с программой Zentrox");
  if (last_exit_code_ == kArchiverSizeCapExit) {
    protocol.SetColor(kRed);
    protocol.SetBold(false);
    protocol.SetItalic(false);
    AddFault(protocol, rule::kIntakeSizeWithinCap);
  }
}

void Session::WriteBusy(Protocol& protocol, UserPort* port, const std::string& failure) {
  const std::string text = WorkdirBusyText(ShownPath(workdir_), ShownPath(failure));
  protocol.Clear();
  protocol.SetColor(kRed);
  protocol.AddFault(text, rule::kIntakeWorkdirFree.id);
  if (port != nullptr) port->ShowError(text);
}

UnrarOutcome Session::UnRar(Variant variant, const std::string& chosen, Protocol& protocol, UserPort& port) {
  std::optional<HeldWorkdir> lock;
  if (!held_) lock.emplace(workdir_, lock_wait_);
  if (lock && !lock->acquired()) {
    WriteBusy(protocol, &port, lock->failure());
    return UnrarOutcome::WorkdirBusy;
  }
  return UnRarLocked(variant, chosen, protocol, port);
}

UnrarOutcome Session::UnRarLocked(Variant variant, const std::string& chosen, Protocol& protocol, UserPort& port) {
  WindowState& w = window(variant);
  w.last_chosen = chosen;
  last_exit_code_ = 0;
  archiver_message_.clear();
  archiver_fault_ = ArchiverFault::None;
  if (Profile(variant).name_policy == NamePolicy::Unchecked) return UnRarArchive(variant, chosen, protocol, port);
  return UnRarNamedPackage(variant, chosen, protocol, port);
}

UnrarOutcome Session::UnRarArchive(Variant variant, const std::string& chosen, Protocol& protocol, UserPort& port) {
  const VariantProfile& profile = Profile(variant);
  protocol.Clear();
  for (const std::string& f : profile.removed_before_unrar) RemoveFileNoCase(workdir_ + f);
  protocol.Add("Распаковка " + ShownPath(chosen));
  if (!Extract(variant, chosen)) {
    port.ShowMessage("Ошибка при распаковке");
    WriteExtractionError(variant, protocol);
    return UnrarOutcome::ExtractionFailed;
  }
  port.ShowMessage(profile.unpacked_line);
  window(variant).archive_path = chosen;
  protocol.Add(profile.unpacked_line + ShownPath(chosen));
  return UnrarOutcome::Unpacked;
}

UnrarOutcome Session::UnRarNamedPackage(Variant variant, const std::string& chosen, Protocol& protocol,
                                        UserPort& port) {
  const VariantProfile& profile = Profile(variant);
  protocol.Clear();
  protocol.SetDefaultColor(kBlue);
  window(variant).archive_path = chosen;
  package_name_ = FileNamePart(chosen);
  protocol.Add("Распаковка " + ShownPath(chosen));
  protocol.Add("Наименование пакета:");
  protocol.Add(ShownPath(package_name_));

  std::vector<std::string> refusal = CheckPackageName(profile.name_policy, package_name_);
  if (!refusal.empty()) {
    for (std::string& line : refusal) protocol.AddFault(std::move(line), rule::kIntakePackageNameValid.id);
    package_name_.clear();
    return UnrarOutcome::NameRefused;
  }

  for (const std::string& f : profile.removed_before_unrar) RemoveFileNoCase(workdir_ + f);
  if (profile.lists_before_extracting) {
    RemoveFileNoCase(workdir_ + "rev5_list");
    if (!ListingAccepted(chosen, protocol)) return UnrarOutcome::ListingRefused;
  }
  if (!Extract(variant, chosen)) {
    WriteExtractionError(variant, protocol);
    return UnrarOutcome::ExtractionFailed;
  }
  port.ShowMessage("Pachet dezarhivat");
  protocol.Add(profile.unpacked_line + ShownPath(workdir_));
  return UnrarOutcome::Unpacked;
}

void Session::ReportOutOfMemory(Protocol& protocol) { zentrox::ReportOutOfMemory(protocol, workdir_); }

void Session::ClearPackageTables() { zentrox::ClearPackageTables(dm_, dm1_); }

ControlResult Session::Control(Variant variant, Protocol& protocol) { return ControlImpl(variant, protocol, nullptr); }

ControlResult Session::Control(Variant variant, Protocol& protocol, UserPort& port) {
  return ControlImpl(variant, protocol, &port);
}

ControlResult Session::ControlImpl(Variant variant, Protocol& protocol, UserPort* port) {
  std::optional<HeldWorkdir> lock;
  if (!held_) lock.emplace(workdir_, lock_wait_);
  if (lock && !lock->acquired()) {
    WriteBusy(protocol, port, lock->failure());
    ControlResult busy;
    busy.outcome = RunOutcome::WorkdirBusy;
    return busy;
  }
  ControlInput in;
  in.variant = variant;
  in.workdir = workdir_;
  in.marker = Marker(variant);
  in.archive_path = window(variant).archive_path;
  // The period comes from the window's own archive path; the control run
  // says a refusal only once the package files are found.
  PeriodCheck period = CheckPeriod(variant, in.archive_path);
  in.period = period.period;
  in.period_ok = period.ok;
  in.period_refusal = std::move(period.lines);
  // Counted before the run: a shell that reads the tables meanwhile already
  // sees them as no longer its own.
  const std::uint64_t generation = ++generations_[ModuleOf(variant)];
  ControlResult result = RunControl(protocol, dm_, dm1_, in, clock_);
  result.tables_generation = generation;
  return result;
}

}  // namespace zentrox
