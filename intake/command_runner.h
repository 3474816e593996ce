// Starts external programs (the archiver) as child processes.
//
// The program is started from an argument vector, never through a shell, so
// paths with blanks or shell characters are passed as they are. It is looked
// up first in the program directory (the directory of the Zentrox executable,
// where our archiver lies), then along PATH.
#pragma once

#include <string>
#include <vector>

namespace zentrox {

struct Command {
  std::string program;                 // a bare name ("Rar") or a path
  std::vector<std::string> arguments;  // without the program itself
  // When set, standard output goes to this file. It is created (empty) even
  // when the program cannot be started, as a shell's redirection would be.
  std::string stdout_path;
};

// How much of the end of a child's standard error a CommandResult keeps.
inline constexpr std::size_t kErrorOutputLimit = 4096;

struct CommandResult {
  bool started = false;
  int exit_code = -1;  // -1 when the child did not exit normally
  int signal = 0;      // the signal that ended the child, if one did
  // The last kErrorOutputLimit bytes the child wrote on standard error. The
  // child's standard error still reaches ours as well.
  std::string error_output;
  bool ok() const { return started && exit_code == 0; }
};

// Runs the command and waits for it without a time limit. Never throws.
CommandResult RunCommand(const Command& command, const std::string& program_dir);

// Where RunCommand would find `program` ("" when nowhere).
std::string ResolveProgram(const std::string& program, const std::string& program_dir);

// The directory of the running executable, with a trailing "/".
std::string ExecutableDirectory();

}  // namespace zentrox
