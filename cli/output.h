// What zentrox-check writes on standard output: unbuffered, each write
// checked, and the program's end decided by whether all of it was written.
#pragma once

#include <string>
#include <string_view>

#include "options.h"

namespace zentrox::cli {

// The text of errno value `error`, in lower case.
std::string ErrnoText(int error);

// Writes `data` on standard output, unless an earlier write failed.
void WriteOutput(std::string_view data);

// Closes standard output; the status to exit with.
int FinishOutput(int status);

// Opens a stand-in for each standard stream the program was started without.
void StandInForClosedStreams();

// Writes what the program prints on standard output, in the encoding asked for.
void Print(const Options& opt, const std::string& out);

}  // namespace zentrox::cli
