// The state that the checker windows share and the two commands of a window:
// UnRar (choose, check, clear, list and unpack a package) and Control.
//
// One Session serves the whole program: it owns the working directory, the
// data modules `DM` (new formats, shared by three windows) and `DM1` (old
// format), the package name the three new-format windows share, and each
// window's own archive path. The GUI and the CLI are thin shells over it.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/clock.h"
#include "model/schemas.h"
#include "model/variant.h"
#include "report/control_result.h"
#include "report/protocol.h"

namespace zentrox {

// What the core asks of its shell. The GUI shows message boxes; the CLI
// writes the texts to standard error.
class UserPort {
 public:
  virtual ~UserPort() = default;
  // A message box with an OK button, confirming an action.
  virtual void ShowMessage(const std::string& text) = 0;
  // The standard error box.
  virtual void ShowError(const std::string& text) = 0;
};

enum class UnrarOutcome {
  NameRefused,       // the name check wrote its lines
  ListingRefused,    // the archive does not hold exactly the four package files
  ExtractionFailed,  // the archiver failed; the error block is written
  Unpacked,
  WorkdirBusy,  // another run held the working directory; nothing was changed
};

// Why the archiver failed, as its exit tells it: each shell says it in its
// own words (the archiver's own text is kept beside it).
enum class ArchiverFault : std::uint8_t {
  None,
  NotStarted,   // the archiver could not be started
  Stopped,      // it was ended by a signal
  Unreadable,   // the archive can't be read: no RAR archive, damaged, unreadable
  Usage,        // it refused its command line
  Crc,          // an entry failed its checksum
  SizeCap,      // the unpacked files would exceed the size allowed
  Encrypted,    // the archive is protected by a password
  Destination,  // its output could not be written
  Refused,      // an entry it will not unpack (a link, a device, a name it refuses)
  Other,        // any other exit status
};

// Why the variant of an archive can't be told, as data.
enum class VariantUntold : std::uint8_t {
  None,
  NameLength,  // the name is neither 22 nor 30 characters long and no entry is rev5_pl
  PeriodCode,  // the name's period code is no variant's (`period_code`, `known_codes`)
  Unlisted,    // the archive could not be listed (`archiver_fault`)
};

struct VariantDetection {
  std::optional<Variant> variant;
  VariantUntold why = VariantUntold::None;
  std::string period_code;                             // PeriodCode: characters 24..26 of the name
  std::string known_codes;                             // PeriodCode: "L00, L01-L12, T01-T04"
  ArchiverFault archiver_fault = ArchiverFault::None;  // Unlisted
  // Why none was told: the name and entries don't tell it, or the archive
  // could not be listed at all (`unlisted`: no file for the listing, the
  // archiver could not start or write it), which says nothing of the archive.
  std::string reason;
  bool unlisted = false;
};

struct WindowState {
  std::string archive_path;  // the window's archive path
  std::string last_chosen;   // the file last chosen in its open dialog
};

class HeldWorkdir;

// What to tell the user, one line each, of the settings of a check not taken
// as written: ZENTROX_THREADS (not a number from 1 to 64), and
// ZENTROX_RAR_MAX_BYTES above the archiver's ceiling. The core reads them
// without a word; a shell says these once.
std::vector<std::string> SettingComplaints();

class Session {
 public:
  // `workdir`: where dictionaries lie and packages are unpacked (any form; it
  // is kept with exactly one trailing "/"). `program_dir`: where the archiver
  // is looked for first.
  Session(std::string workdir, std::string program_dir, const Clock& clock);
  // The clock the checks take today from.
  const Clock& clock() const { return clock_; }
  ~Session();

  const std::string& workdir() const { return workdir_; }
  const std::string& program_dir() const { return program_dir_; }

  // UnRar after the open dialog returned `chosen` (a full path). Writes into
  // `protocol` exactly what the window's pane shows. Package files the
  // archive lacks are no failure (the control run reports them); a failed
  // extraction leaves none of the variant's package files behind.
  UnrarOutcome UnRar(Variant variant, const std::string& chosen, Protocol& protocol, UserPort& port);

  // The variant an archive holds, told from its name and its entries (see
  // intake/variant_detection.h). Lists the archive through a file of its own
  // in TMPDIR, outside the working directory, so it needs no lock.
  VariantDetection DetectVariant(const std::string& archive) const;

  // Control: the control run over what UnRar left.
  ControlResult Control(Variant variant, Protocol& protocol);
  // The same, showing the error box through `port` when the working directory
  // is busy.
  ControlResult Control(Variant variant, Protocol& protocol, UserPort& port);

  // UnRar and Control each hold the working directory's lock (see
  // intake/workdir_lock.h) and wait this long for another run to end before
  // they refuse with WorkdirBusy.
  void set_lock_wait(std::chrono::milliseconds wait) { lock_wait_ = wait; }

  // Keeps the working directory locked until ReleaseWorkdir (or the end of
  // the session), for a caller that runs UnRar and Control as one job (the
  // CLI): no other run can then slip in between and replace the unpacked
  // files. UnRar and Control do not lock again meanwhile. False, with the
  // refusal written to `protocol` and shown through `port`, when the
  // directory stayed busy for the whole wait.
  bool HoldWorkdir(Protocol& protocol, UserPort& port);
  void ReleaseWorkdir();

  // The unpacked marker the control run tests, as the variant's marker
  // policy says: the shared package name or the window's own archive path.
  std::string Marker(Variant variant) const;

  WindowState& window(Variant variant) { return windows_[static_cast<std::size_t>(variant)]; }
  const WindowState& window(Variant variant) const { return windows_[static_cast<std::size_t>(variant)]; }
  const std::string& shared_package_name() const { return package_name_; }
  // The archiver's own reason for the last failed listing or extraction
  // ("not a RAR archive", "CRC error", ...), empty when the last UnRar had
  // none. Shown beside the protocol, never in it.
  const std::string& archiver_message() const { return archiver_message_; }
  // The same reason as data; None when the last UnRar had none.
  ArchiverFault archiver_fault() const { return archiver_fault_; }

  // The end of a run that ran out of memory outside the control run
  // (unpacking, composing the output): the run's one red line in `protocol`
  // and every package file deleted from the working directory.
  void ReportOutOfMemory(Protocol& protocol);
  // Empties the tables the package files were loaded into (not the
  // dictionaries), giving their memory back. Allocates nothing.
  void ClearPackageTables();

  NewFormatTables& dm() { return dm_; }
  OldFormatTables& dm1() { return dm1_; }

  // How many control runs have loaded the data module that `variant` uses
  // (DM or DM1): a shell that shows rows of those tables compares it with the
  // ControlResult::tables_generation of its own run to tell whether they are
  // still that run's. Safe to read while a run goes on.
  std::uint64_t TablesGeneration(Variant variant) const { return generations_[ModuleOf(variant)].load(); }

 private:
  UnrarOutcome UnRarLocked(Variant variant, const std::string& chosen, Protocol& protocol, UserPort& port);
  // A variant whose package name is not checked: the archive is unpacked as
  // it is and only its window remembers it.
  UnrarOutcome UnRarArchive(Variant variant, const std::string& chosen, Protocol& protocol, UserPort& port);
  // A variant whose package name is checked and shared with the other
  // windows, and (where the profile says so) listed before extracting.
  UnrarOutcome UnRarNamedPackage(Variant variant, const std::string& chosen, Protocol& protocol, UserPort& port);
  ControlResult ControlImpl(Variant variant, Protocol& protocol, UserPort* port);
  void WriteBusy(Protocol& protocol, UserPort* port, const std::string& failure);
  bool ListingAccepted(const std::string& archive, Protocol& protocol);
  bool Extract(Variant variant, const std::string& archive);
  void WriteExtractionError(Variant variant, Protocol& protocol);
  // 0 for the new formats' module DM, 1 for the old format's DM1.
  std::size_t ModuleOf(Variant variant) const { return module_of_[static_cast<std::size_t>(variant)]; }

  std::string workdir_;
  std::string program_dir_;
  const Clock& clock_;
  std::string package_name_;
  std::array<WindowState, kVariantCount> windows_;
  NewFormatTables dm_;
  OldFormatTables dm1_;
  int last_exit_code_ = 0;
  std::string archiver_message_;
  ArchiverFault archiver_fault_ = ArchiverFault::None;
  std::chrono::milliseconds lock_wait_;
  std::unique_ptr<HeldWorkdir> held_;
  std::array<std::size_t, kVariantCount> module_of_{};
  std::array<std::atomic<std::uint64_t>, 2> generations_{};
};

}  // namespace zentrox
