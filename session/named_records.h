// The records of a package that a run's findings name, as they stood in the
// files: what a client shows beside a finding without opening the package.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "model/variant.h"
#include "report/protocol.h"

namespace zentrox {

class Session;

struct NamedRecordField {
  std::string caption;
  std::string text;  // the field's text as it stood in the file
  // The text did not convert to the field's type (the field stayed empty).
  bool unconverted = false;
  // Characters of `text` outside the field's alphabet, as 0-based indices of
  // code points: control characters, and in a name field what a name refuses.
  std::vector<int> odd;
};

struct NamedRecord {
  std::string file;  // "REV5_SD"
  int line = 0;      // 1-based line in the file
  std::vector<NamedRecordField> fields;
};

// At most this many records, and at most this much of their text, are given:
// a damaged package names a record in every one of up to 100,000 lines.
inline constexpr std::size_t kMaxNamedRecords = 10000;
inline constexpr std::size_t kMaxNamedRecordBytes = std::size_t{16} << 20;

// Each record of `variant`'s package files that a fault line of `protocol`
// names, once, in the order the lines first name them; read from the tables
// the session's last control run loaded (before ClearPackageTables). A record
// whose file has no table, or whose line left no row, is not given.
std::vector<NamedRecord> RecordsNamedByFindings(Session& session, Variant variant, const Protocol& protocol,
                                                std::size_t max_records = kMaxNamedRecords,
                                                std::size_t max_bytes = kMaxNamedRecordBytes);

}  // namespace zentrox
