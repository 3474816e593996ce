// Renderings of a protocol: plain UTF-8 text and Rich Text Format.
#pragma once

#include <string>
#include <string_view>

#include "data/protocol.h"

namespace zentrox {

// One output line per protocol line ("\n" after each); a carriage return
// inside a line's text starts a new output line.
std::string ProtocolToText(const Protocol& protocol);

// A Rich Text Format document with each line's colour, bold/italic style and
// character height. Every non-ASCII character is written as \uN? so readers
// decode it whatever charset the font claims.
std::string ProtocolToRtf(const Protocol& protocol);

// Writes `content` to `path`. A regular file (or a new one) is written through
// a temporary file in its directory and a rename, so a failed write never
// destroys an existing file; through a symbolic link that is the link's final
// target, in the target's directory, and the link stays. A character device
// or FIFO is written directly. Throws std::runtime_error with a readable
// message on failure and for any other kind of file (a directory, socket or
// block device), which is left as it was.
void WriteFileAtomically(const std::string& path, const std::string& content);

}  // namespace zentrox

namespace zentrox {

// What a machine-readable report says about one checked archive beside its
// protocol. Its status follows the exit status of the check: "clean" (the
// control run completed without a fault line), "findings" (completed with
// some), "not-checked" (not unpacked, ended early, or refused).
struct ReportSummary {
  std::string variant;
  std::string archive;
  std::string workdir;
  bool completed = false;  // the control run ran to its closing lines
  int packs = 0;
  int declarations = 0;
};

const char* ReportStatus(const Protocol& protocol, const ReportSummary& summary);

// One JSON object: the summary, every finding with its structure and its
// protocol line, and the protocol's lines as plain text. Valid UTF-8. A
// finding's "row" is the number its line shows (null when it shows none), its
// "record" the record it names ({"file", "line"}, null when none).
std::string ProtocolToJson(const Protocol& protocol, const ReportSummary& summary);

// Findings as CSV for spreadsheet programs: UTF-8 with a byte-order mark,
// CR LF line ends, one row per fault line (its finding's rule, file, record
// line, pack, declaration, name, field caption, the field's text as it stood
// in the file, message and the protocol line), each led by `archive`. The
// header (with the byte-order mark) comes once; a batch appends the rows of
// each archive after it.
std::string FindingsCsvHeader();
std::string FindingsToCsvRows(const Protocol& protocol, std::string_view archive);
std::string FindingsToCsv(const Protocol& protocol, std::string_view archive);

// A JSON string literal of a UTF-8 text (invalid bytes become U+FFFD).
std::string JsonString(std::string_view utf8);

}  // namespace zentrox
