// The archiver's command line: the command and its arguments, checked and
// handed to the command (commands.h).
#pragma once

#include <string>
#include <vector>

namespace zentrox::rar_tool {

// Entry names come back empty from libarchive unless the locale's charset is UTF-8.
void use_utf8_locale();

// Runs the command `args` (the arguments after the program name) and returns
// its exit status; a usage error is said on standard error and exits with
// kUsage, any other failure ends with a Failure.
int run(const std::vector<std::string>& args);

}  // namespace zentrox::rar_tool
