// The protocol as one JSON document, with a summary of the run.
#pragma once

#include <string>
#include <string_view>

#include "report/protocol.h"

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
  std::string reason = {};  // why the archive was not checked; empty when it was
};

const char* ReportStatus(const Protocol& protocol, const ReportSummary& summary);

// One JSON object: the summary, every finding with its structure and its
// protocol line, and the protocol's lines as plain text. Valid UTF-8. A
// finding's "row" is the number its line shows (null when it shows none), its
// "record" the record it names ({"file", "line"}, null when none).
std::string ProtocolToJson(const Protocol& protocol, const ReportSummary& summary);

// A JSON string literal of a UTF-8 text (invalid bytes become U+FFFD).
std::string JsonString(std::string_view utf8);

}  // namespace zentrox
