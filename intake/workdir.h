// Where a run keeps its working files.
//
// The portable build folder works in place: the program's own directory holds
// the dictionaries and receives the unpacked packages. An installed program
// usually lives where a user can't write; it then works in a per-user
// directory.
//
// A working directory that holds no dictionary of its own is filled with the
// installed reference dictionaries (the *.txt beside the program) and from
// then on managed: the manifest ".zentrox-dictionaries" records each
// dictionary as it was copied, so that a later installed version replaces one
// the user has not changed and a deleted one comes back, while one the user
// edited is kept and the user is told once. A folder that already holds
// dictionaries (an office's own set) is used as it stands.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace zentrox {

// The manifest of a managed working directory.
inline constexpr const char* kDictionaryManifest = ".zentrox-dictionaries";

enum class WorkdirOrigin { Option, Environment, ProgramDirectory, PerUser };

struct WorkdirChoice {
  std::string dir;  // ends in "/"; may be relative when given so
  WorkdirOrigin origin = WorkdirOrigin::Option;
};

// In this order: `option` (the command line's --workdir) when given, even
// empty; $ZENTROX_WORKDIR when set and not empty; the program directory when
// it is writable; otherwise $XDG_DATA_HOME/zentrox (default
// ~/.local/share/zentrox), or none ("") when neither XDG_DATA_HOME nor HOME
// is set. Touches nothing.
WorkdirChoice ChooseWorkdir(const std::optional<std::string>& option, const std::string& program_dir);

struct DictionarySync {
  bool managed = false;              // the program keeps this folder's dictionaries
  bool busy = false;                 // another run held the folder's lock: nothing was done
  std::vector<std::string> copied;   // filled in, restored or upgraded, by name
  std::vector<std::string> to_tell;  // kept, differing from the installed version, not told yet
  // Said to the user, the run goes on: a manifest that was passed over.
  std::vector<std::string> warnings;
  // What went wrong, naming the file: a dictionary or the manifest that could
  // not be written (a full disk). The folder's dictionaries are then not what
  // they should be; nothing may be checked in it. "" when all went well.
  std::string error;
};

// The largest manifest read; a bigger one is passed over.
inline constexpr std::size_t kMaxManifestBytes = 1 << 20;

// Brings the dictionaries of `workdir` in line with the installed ones in
// `installed_dir` as described at the top of this file. Whatever it changes
// it changes holding the folder's lock (WorkdirLock), so that runs starting
// at once neither see a half-written dictionary nor take one another's copy
// for the user's edit. When another run holds the lock for all of
// `lock_wait` (or it can't be taken at all), nothing is done and `busy` is
// set: that run synced before it locked the folder for its check, and a run
// that goes on is refused by the lock itself. `adopt` makes a folder without
// a manifest managed even when it holds dictionaries (the per-user
// directory, which only the program fills): a dictionary there equal to the
// installed one counts as copied, another one as the user's own. The names in
// `to_tell` are recorded as told. Nothing happens when the two folders are
// one (the portable build), nothing is installed, or the folder is an
// office's own set (then not even the lock file is made).
//
// Whoever can write the working directory may have planted links there: new
// files are created under fresh names that nothing else has (never following
// or reusing what stands there) and renamed into place, a link in place of a
// dictionary is left as it is and not read, and the manifest is read only
// when it is a regular file of at most kMaxManifestBytes (otherwise passed
// over with a warning, the folder taken as one without a manifest).
DictionarySync SyncDictionaries(const std::string& installed_dir, const std::string& workdir, bool adopt,
                                std::chrono::milliseconds lock_wait = std::chrono::milliseconds(0));

// The message that tells the user which dictionaries of `workdir` were kept
// although they differ from the installed ones; "" when `names` is empty.
std::string KeptDictionariesNotice(const std::vector<std::string>& names, const std::string& workdir,
                                   const std::string& installed_dir);

enum class WorkdirFault {
  None,
  Unusable,  // no such directory can be had or used: a usage error
  NotReady,  // its dictionaries could not be put in place: nothing is checked
};

struct WorkdirSetup {
  std::string dir;  // absolute, ends in "/"; "" when `error` is set
  WorkdirFault fault = WorkdirFault::None;
  std::string error;                   // what went wrong, naming the directory or file
  std::vector<std::string> warnings;   // for the user; the run goes on
  std::string notice;                  // KeptDictionariesNotice of this start, usually ""
  std::vector<std::string> kept = {};  // the dictionaries that notice names
};

// Chooses the working directory (ChooseWorkdir), creates it when missing,
// checks that it is a directory this process can write (and, for the
// per-user one, that it belongs to this user and nobody else can write it;
// a new one is made 0700), and syncs its dictionaries. Nothing is shown to
// anyone: the caller says `error`, `warnings` and `notice`.
WorkdirSetup PrepareWorkdir(const std::optional<std::string>& option, const std::string& program_dir);

// Copies into `dir`, a directory this run has just made, every dictionary a
// variant reads that `workdir` holds, under the name it has there, so that a
// run in `dir` reads what a run in `workdir` would (a parallel batch's worker
// gets such a private copy). A file is created anew in `dir`, never through
// anything standing there under its name. A dictionary missing from
// `workdir` stays missing. False, with `error` naming the file and why, when
// one could not be copied: a run in `dir` would then see something else than
// a run in `workdir`.
bool CopyWorkdirDictionaries(const std::string& workdir, const std::string& dir, std::string& error);

}  // namespace zentrox
