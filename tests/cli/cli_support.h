// What the command-line tests share: zentrox-check run through a shell, its
// standard output, standard error and exit status captured.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/test_support.h"

namespace zentrox::test {

struct CheckOutcome {
  int status = -1;  // -1 when ended by a signal
  std::string out;
  std::string err;
  std::vector<std::string> lines() const { return SplitLines(out); }
};

// A word for the shell, taken literally.
inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs `command` in a shell with its output captured.
inline CheckOutcome RunShell(const std::string& command) {
  TempDir io;
  const int raw = std::system((command + " >" + ShellQuote(io / "out") + " 2>" + ShellQuote(io / "err")).c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadBytes(io / "out"), ReadBytes(io / "err")};
}

// The shell command that runs zentrox-check with `args`, in `cwd` when given;
// `prefix` goes before the program (variables to set, or a program that runs it).
inline std::string CheckCommand(const std::vector<std::string>& args, const std::string& cwd = "",
                                const std::string& prefix = "") {
  std::string cmd = (cwd.empty() ? "" : "cd " + ShellQuote(cwd) + " && ") + prefix + ShellQuote(ZENTROX_CHECK);
  for (const std::string& a : args) {
    cmd += ' ';
    cmd += ShellQuote(a);
  }
  return cmd;
}

inline CheckOutcome RunCheck(const std::vector<std::string>& args, const std::string& cwd = "",
                             const std::string& prefix = "") {
  return RunShell(CheckCommand(args, cwd, prefix));
}

// An example archive CMake built.
inline std::string ExampleArchive(const std::string& name) { return std::string(ZENTROX_EXAMPLES_DIR) + "/" + name; }

}  // namespace zentrox::test
