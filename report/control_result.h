// How a control run ended, as the core hands it to the shells: they tell the
// user from this, never from the protocol's text.
#pragma once

#include <cstdint>

namespace zentrox {

enum class RunOutcome {
  Completed,      // the closing lines are written
  NotUnpacked,    // "Пакет НЕ распакован." ended the run
  FilesMissing,   // a package file the variant requires is not in the working directory
  PeriodRefused,  // the period code of the archive's name is not accepted
  InternalError,  // a fault of the program ended the rule set; the package files stay
  OutOfMemory,    // the package did not fit in memory
  WorkdirBusy,    // another run held the working directory; nothing was read or deleted
};

struct ControlResult {
  RunOutcome outcome = RunOutcome::InternalError;
  int pack_count = 0;
  int declaration_count = 0;
  // Which loading of the data module this run made (see
  // Session::TablesGeneration); 0 when the run loaded nothing.
  std::uint64_t tables_generation = 0;
};

}  // namespace zentrox
