#include "report/findings_summary.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "report/rule_catalogue.h"

namespace zentrox {

FindingCounts CountFindings(const Protocol& protocol) {
  FindingCounts counts;
  counts.findings = protocol.FaultCount();
  counts.left_out = protocol.FaultsLeftOut();
  std::set<std::string> packs;
  std::set<std::pair<std::string, std::string>> declarations;
  for (const ProtocolLine& line : protocol.lines()) {
    if (line.kind != LineKind::Fault || !line.finding) continue;
    const Finding& f = *line.finding;
    if (!f.pack.empty()) packs.insert(f.pack);
    if (!f.declaration.empty()) declarations.insert({f.pack, f.declaration});
  }
  counts.declarations = static_cast<int>(declarations.size());
  counts.packs = static_cast<int>(packs.size());
  return counts;
}

FindingsSummary SummariseFindings(const Protocol& protocol) {
  FindingsSummary s;
  s.counts = CountFindings(protocol);

  // Files in order of first appearance; the lines without a record last.
  std::vector<std::string> file_order;
  std::map<std::string, std::vector<std::size_t>> groups_of_file;
  std::map<std::pair<std::string, std::string>, std::size_t> group_at;
  const std::vector<ProtocolLine>& lines = protocol.lines();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const ProtocolLine& line = lines[i];
    if (line.kind != LineKind::Fault) continue;
    ++s.kept;
    const Finding* f = line.finding ? &*line.finding : nullptr;
    std::string file = f != nullptr && f->record ? f->record->file : std::string();
    std::string rule = f != nullptr ? f->rule : std::string();
    auto [at, added] = group_at.try_emplace({file, rule}, s.groups.size());
    if (added) {
      FindingGroup g;
      g.file = file;
      g.rule = rule;
      g.message = f != nullptr && !f->message.empty() ? f->message : line.text;
      s.groups.push_back(std::move(g));
      if (!groups_of_file.count(file)) file_order.push_back(file);
      groups_of_file[file].push_back(at->second);
    }
    FindingGroup& g = s.groups[at->second];
    // One message shared by every finding of the group is shown as written,
    // values and all; else the rule's message stands for them.
    if (!added && f != nullptr && !g.lines.empty()) {
      const ProtocolLine& first = lines[static_cast<std::size_t>(g.lines.front())];
      if (first.finding && first.finding->message != f->message) g.mixed = true;
    }
    g.lines.push_back(static_cast<int>(i));
    if (f != nullptr && f->record && g.first_records.size() < kFirstRecords) g.first_records.push_back(f->record->line);
  }
  for (FindingGroup& g : s.groups) {
    const RuleEntry* entry = g.mixed && !g.rule.empty() ? FindRule(g.rule) : nullptr;
    if (entry != nullptr && !entry->message.empty()) g.message = std::string(entry->message);
  }
  // Grouped by file in that order.
  std::stable_partition(file_order.begin(), file_order.end(), [](const std::string& f) { return !f.empty(); });
  std::vector<FindingGroup> ordered;
  ordered.reserve(s.groups.size());
  for (const std::string& file : file_order) {
    for (std::size_t g : groups_of_file[file]) ordered.push_back(std::move(s.groups[g]));
  }
  s.groups = std::move(ordered);
  return s;
}

}  // namespace zentrox
