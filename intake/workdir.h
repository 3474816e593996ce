// Where a run keeps its working files.
//
// The portable build folder works in place: the program's own directory holds
// the dictionaries and receives the unpacked packages. An installed program
// usually lives where a user can't write; it then works in a per-user
// directory, filled on first use with the installed dictionaries.
#pragma once

#include <string>

namespace zentrox {

// In this order: `explicit_dir` (a command-line option) when not empty;
// $ZENTROX_WORKDIR when set; the program directory when it is writable;
// otherwise $XDG_DATA_HOME/zentrox (default ~/.local/share/zentrox), created
// when missing and given every dictionary (*.txt) of the program directory
// that it does not hold yet - a user's edited dictionary is never replaced.
// The result ends in "/".
std::string ChooseWorkdir(const std::string& explicit_dir, const std::string& program_dir);

// Copies every *.txt of `from` that `to` does not hold yet.
void CopyMissingDictionaries(const std::string& from, const std::string& to);

}  // namespace zentrox
