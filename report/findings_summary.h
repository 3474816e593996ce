// The findings of a protocol, counted and grouped: what the status bar, the
// overview, the machine-readable reports and the service say about a run
// beside its lines.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "report/protocol.h"

namespace zentrox {

// Every fault counted (the ones left out past the limit too), and the
// distinct declarations and packs the kept ones name.
struct FindingCounts {
  std::size_t findings = 0;
  std::size_t left_out = 0;  // counted past the limit, no line kept
  int declarations = 0;
  int packs = 0;
};
FindingCounts CountFindings(const Protocol& protocol);

// The fault lines of one rule in one package file.
struct FindingGroup {
  std::string file;                // the package file of the records; empty: no record
  std::string rule;                // empty: a fault line without a finding
  std::string message;             // the findings' message when they share one, else the rule's
  bool mixed = false;              // the findings' messages differ
  std::vector<int> lines;          // indices into the protocol, ascending
  std::vector<int> first_records;  // record lines of the first few, in protocol order
};

struct FindingsSummary {
  FindingCounts counts;
  std::size_t kept = 0;  // fault lines in the protocol
  // Package files in the order the protocol first names them, the lines
  // without a record last; within a file, rules in the same order.
  std::vector<FindingGroup> groups;
};

// How many record lines a group quotes.
inline constexpr std::size_t kFirstRecords = 5;

FindingsSummary SummariseFindings(const Protocol& protocol);

}  // namespace zentrox
