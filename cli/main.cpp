// zentrox-check: the headless checker.
//
// Does what a checker window does on UnRar and then Control, for each package
// archive given, and prints the protocols as text (UTF-8 or code page 1251),
// as JSON for other programs or the findings as CSV for spreadsheet programs.
// The variant is given or told from each archive.
//
// Exit status: 0 the control run completed without a finding, 1 it completed
// with findings, 2 usage error or an archive whose variant could not be told,
// 3 the archive could not be read or listed, the package was not unpacked,
// the run ended early, the working directory could not be locked or its
// dictionaries not put in place, or the output could not be written.

#include <algorithm>
#include <cstddef>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "batch.h"
#include "engine/heap.h"
#include "intake/command_runner.h"
#include "intake/interruption.h"
#include "intake/workdir.h"
#include "intake/workdir_lock.h"
#include "model/clock.h"
#include "options.h"
#include "output.h"
#include "report/rule_catalogue.h"
#include "session/session.h"

namespace {

using namespace zentrox;
using namespace zentrox::cli;

// The working directory the runs use, or none when it can't be used (said on
// standard error; `failure` is then the status to end with: 2 when there is no
// such directory, 3 when its dictionaries could not be put in place). A
// passed-over manifest and a kept edited dictionary are mentioned once.
std::optional<std::string> SetUpWorkdir(const Options& opt, const std::string& program_dir, int& failure) {
  // Session reads the same setting; it is only said here, once.
  const LockWaitSetting lock_wait = ReadLockWait();
  if (!lock_wait.complaint.empty()) std::cerr << "zentrox-check: " << lock_wait.complaint << '\n';
  const WorkdirSetup setup = PrepareWorkdir(opt.workdir, program_dir);
  for (const std::string& warning : setup.warnings) std::cerr << "zentrox-check: " << warning << '\n';
  if (!setup.error.empty()) {
    std::cerr << "zentrox-check: " << setup.error << '\n';
    failure = setup.fault == WorkdirFault::NotReady ? kExitNotChecked : kExitUsage;
    return std::nullopt;
  }
  if (!setup.notice.empty()) std::cerr << "zentrox-check: " << setup.notice << '\n';
  return setup.dir;
}

}  // namespace

int main(int argc, char** argv) {
  zentrox::ReturnLargeBlocksWhenFreed();
  StandInForClosedStreams();
  const ParsedArgs parsed = ParseArgs(std::vector<std::string>(argv + 1, argv + argc));
  if (parsed.exit) return FinishOutput(*parsed.exit);
  const Options& opt = parsed.options;
  if (opt.list_rules) {
    Print(opt, opt.format == OutputFormat::Json ? RuleCatalogueJson() : RuleCatalogueText());
    return FinishOutput(kExitClean);
  }

  // Said once here; the checks and the workers read them again without a word.
  for (const std::string& complaint : SettingComplaints()) std::cerr << "zentrox-check: " << complaint << '\n';
  const std::string program_dir = ExecutableDirectory();
  // Before anything is unpacked: a working directory that can't be used ends
  // the program.
  int failure = kExitUsage;
  const std::optional<std::string> workdir = SetUpWorkdir(opt, program_dir, failure);
  if (!workdir) return failure;
  // A signal from here on stops the archiver and deletes the package first.
  CleanUpOnInterruption();

  SystemClock system_clock;
  std::optional<FixedDateClock> fixed_clock;
  if (opt.today) fixed_clock.emplace(*opt.today);
  const Clock& clock = fixed_clock ? static_cast<const Clock&>(*fixed_clock) : system_clock;

  if (std::min<std::size_t>(opt.jobs, opt.archives.size()) > 1) {
    if (const std::optional<int> status = RunInParallel(opt, *workdir, program_dir, clock)) {
      return FinishOutput(*status);
    }
  }
  return FinishOutput(RunSerially(opt, *workdir, program_dir, clock));
}
