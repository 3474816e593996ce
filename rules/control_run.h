// The control run: one press of Control in a checker window.
//
// It rewrites the protocol from scratch, confirms that a package is unpacked
// and its files are there, checks the period code of the name, loads the
// dictionaries and the package files (part 1), runs the variant's rule set
// (part 2), writes the closing summary and deletes the package files.
#pragma once

#include <string>
#include <vector>

#include "model/clock.h"
#include "model/schemas.h"
#include "model/variant.h"
#include "report/control_result.h"
#include "report/protocol.h"

namespace zentrox {

struct ControlInput {
  Variant variant = Variant::Quarterly;
  std::string workdir;       // ends in "/"
  std::string marker;        // the unpacked marker; empty: nothing unpacked
  std::string archive_path;  // the window's own archive path
  // The period the caller read from the archive's name (quarter or month
  // where the variant keeps one). When the name's period is refused, the run
  // ends after the package-file test with `period_refusal` as its lines.
  int period = 0;
  bool period_ok = true;
  std::vector<std::string> period_refusal;
};

// A run that runs out of memory ends with the line of ReportOutOfMemory.
ControlResult RunControl(Protocol& protocol, NewFormatTables& dm, OldFormatTables& dm1, const ControlInput& input,
                         const Clock& clock);

// The end of a run that ran out of memory: one red line (shown even when the
// fault lines are full) and the package files deleted from `workdir`.
void ReportOutOfMemory(Protocol& protocol, const std::string& workdir);

// Empties the tables the package files were loaded into (not the
// dictionaries), giving their memory back. Allocates nothing.
void ClearPackageTables(NewFormatTables& dm, OldFormatTables& dm1);

}  // namespace zentrox
