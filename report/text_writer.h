// The protocol as plain UTF-8 text.
#pragma once

#include <string>

#include "report/protocol.h"

namespace zentrox {

// One output line per protocol line ("\n" after each); a carriage return
// inside a line's text starts a new output line.
std::string ProtocolToText(const Protocol& protocol);

}  // namespace zentrox
