// The installation check behind `BitBtn2` ("Inregistrare").
//
// No library needs installing on this platform; what a working installation
// does need is the archiver where the command runner looks for it and every
// reference dictionary of the variant in the working directory.
#pragma once

#include <string>
#include <vector>

#include "model/variant.h"
#include "report/protocol.h"

namespace zentrox::ui {

struct MissingPart {
  std::string what;   // "Rar", "months.txt"
  std::string where;  // where it is expected
};

// What is missing; empty when the installation is complete.
std::vector<MissingPart> FindMissingParts(Variant variant, const std::string& workdir, const std::string& program_dir);

// Appends a red block naming each missing part and where it is expected;
// writes nothing when nothing is missing. The attributes are restored after.
void WriteMissingParts(const std::vector<MissingPart>& missing, Protocol& protocol);

}  // namespace zentrox::ui
