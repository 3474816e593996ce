// What zentrox-serve answers for one archive: the output zentrox-check prints
// for it in the format asked for, and, in JSON, what a client needs beside it
// to show the protocol and the records without a second request.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report/json_writer.h"
#include "report/protocol.h"
#include "session/named_records.h"

namespace zentrox::serve {

enum class Format { Json, Text, Csv, Rtf };

// "json", "text", "csv", "rtf"; false for anything else.
bool ParseFormat(std::string_view text, Format& format);
const char* ContentType(Format format);

// The name answers give the working directory of a check: a check's own
// directory under the state directory is never shown.
inline constexpr const char* kShownWorkdir = "zentrox-work/";

struct Report {
  Format format = Format::Json;
  const Protocol* protocol = nullptr;
  ReportSummary summary;  // archive: the name the client gave
  std::vector<NamedRecord> records;
  // Why the archive was not checked when the check itself could not say it
  // (the variant not told, the check ended by the time or memory limit).
  std::string reason;
  // How the run ended, as a word: "completed", "name-refused",
  // "listing-refused", "extraction-failed", "workdir-busy", "not-unpacked",
  // "files-missing", "period-refused", "out-of-memory", "internal-error",
  // "variant-unknown"; "" when the check itself did not end (see reason).
  std::string end;
};

// The body of the answer. JSON is zentrox-check's object for one archive
// with members added at its end: "styled_lines" (each protocol line with its
// colour, emphasis, height and whether it reports a fault), "records" (see
// session/named_records.h; a record's "marks" name its fields whose text did
// not convert or holds characters outside the field's alphabet), "groups"
// (the findings by package file and rule, as the desktop overview shows
// them), "end" (how the run ended, null when it did not) and "reason" (null
// or a text).
std::string RenderReport(const Report& report);

// `text` with every path under the check's directory `job_dir` (absolute,
// ending in "/") shown as answers show it: the uploaded archive by the name
// the client gave, the working directory as kShownWorkdir. The directory's
// name is letters, digits and "._-/" only, which every format writes as is.
std::string HideJobPaths(std::string text, const std::string& job_dir);

}  // namespace zentrox::serve
