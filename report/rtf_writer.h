// The protocol as a Rich Text Format document.
#pragma once

#include <string>

#include "report/protocol.h"

namespace zentrox {

// A Rich Text Format document with each line's colour, bold/italic style and
// character height. Every non-ASCII character is written as \uN? so readers
// decode it whatever charset the font claims.
std::string ProtocolToRtf(const Protocol& protocol);

}  // namespace zentrox
