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
// ~/.local/share/zentrox). Touches nothing.
WorkdirChoice ChooseWorkdir(const std::optional<std::string>& option, const std::string& program_dir);

struct DictionarySync {
  bool managed = false;              // the program keeps this folder's dictionaries
  std::vector<std::string> copied;   // filled in, restored or upgraded, by name
  std::vector<std::string> to_tell;  // kept, differing from the installed version, not told yet
};

// Brings the dictionaries of `workdir` in line with the installed ones in
// `installed_dir` as described at the top of this file. `adopt` makes a
// folder without a manifest managed even when it holds dictionaries (the
// per-user directory, which only the program fills): a dictionary there equal
// to the installed one counts as copied, another one as the user's own. The
// names in `to_tell` are recorded as told. Nothing happens when the two
// folders are one (the portable build) or nothing is installed. File errors
// are passed over: a dictionary that could not be copied is reported missing
// by the control run.
DictionarySync SyncDictionaries(const std::string& installed_dir, const std::string& workdir, bool adopt);

// The message that tells the user which dictionaries of `workdir` were kept
// although they differ from the installed ones; "" when `names` is empty.
std::string KeptDictionariesNotice(const std::vector<std::string>& names, const std::string& workdir,
                                   const std::string& installed_dir);

struct WorkdirSetup {
  std::string dir;     // absolute, ends in "/"; "" when `error` is set
  std::string error;   // why the working directory can't be used
  std::string notice;  // KeptDictionariesNotice of this start, usually ""
};

// Chooses the working directory (ChooseWorkdir), creates it when missing,
// checks that it is a directory this process can write, and syncs its
// dictionaries. On any fault `error` says which directory and why, and
// nothing has been copied.
WorkdirSetup PrepareWorkdir(const std::optional<std::string>& option, const std::string& program_dir);

// Copies into `dir` every dictionary a variant reads that `workdir` holds,
// under the name it has there, so that a run in `dir` reads what a run in
// `workdir` would (a parallel batch's worker gets such a private copy). A
// dictionary missing from `workdir` stays missing. False, with `error`
// naming the file and why, when one could not be copied: a run in `dir`
// would then see something else than a run in `workdir`.
bool CopyWorkdirDictionaries(const std::string& workdir, const std::string& dir, std::string& error);

}  // namespace zentrox
