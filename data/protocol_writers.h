// Renderings of a protocol: plain UTF-8 text and Rich Text Format.
#pragma once

#include <string>

#include "data/protocol.h"

namespace zentrox {

// One output line per protocol line ("\n" after each); a carriage return
// inside a line's text starts a new output line.
std::string ProtocolToText(const Protocol& protocol);

// A Rich Text Format document with each line's colour, bold/italic style and
// character height. Every non-ASCII character is written as \uN? so readers
// decode it whatever charset the font claims.
std::string ProtocolToRtf(const Protocol& protocol);

// Writes `content` to `path` through a temporary file in the same directory
// and a rename, so a failed write never destroys an existing file. Throws
// std::runtime_error with a readable message on failure.
void WriteFileAtomically(const std::string& path, const std::string& content);

}  // namespace zentrox
