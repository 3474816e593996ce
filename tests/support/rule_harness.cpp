#include "support/rule_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>

#include "data/rule_catalogue.h"
#include "intake/package_name.h"

namespace zentrox::test {
namespace {

// The entry's message as a pattern: "{}" matches any value.
const std::regex& MessagePattern(const RuleEntry& entry) {
  static std::map<const RuleEntry*, std::regex> patterns;
  auto it = patterns.find(&entry);
  if (it == patterns.end()) {
    std::string pattern;
    for (char c : entry.message) {
      if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) pattern += '\\';
      pattern += c;
    }
    pattern = std::regex_replace(pattern, std::regex("\\\\\\{\\\\\\}"), ".*");
    it = patterns.emplace(&entry, std::regex(pattern)).first;
  }
  return it->second;
}

// Every finding reads as the rule catalogue says: a catalogued rule, its
// message with the values filled in, and in a line that names a field the
// caption of the field its entry names.
void ExpectFindingsMatchTheCatalogue(const Protocol& protocol, const VariantProfile& profile) {
  for (const ProtocolLine& line : protocol.lines()) {
    if (!line.finding || line.finding->rule.starts_with("test.")) continue;
    const Finding& f = *line.finding;
    const RuleEntry* entry = FindRule(f.rule);
    if (entry == nullptr) {
      ADD_FAILURE() << f.rule << " is not catalogued";
      continue;
    }
    const bool second = !entry->second_message.empty() && f.message == entry->second_message;
    EXPECT_TRUE(second || std::regex_match(std::string(f.message), MessagePattern(*entry))) << f.rule << ": \"" << f.message << "\"";
    if (f.format == FindingFormat::Plain || f.format == FindingFormat::Pack || f.format == FindingFormat::Loader) {
      continue;  // no caption in the line
    }
    const RuleField& field = entry->field;
    std::vector<std::string> allowed = {""};
    if (field.file && field.shape != RuleField::Shape::None) {
      const std::vector<std::string>& captions = profile.captions(*field.file);
      if (field.shape == RuleField::Shape::Pair) {
        allowed = {captions.at(field.first) + "," + captions.at(field.last)};
      } else {
        allowed.assign(captions.begin() + field.first, captions.begin() + field.last + 1);
      }
    }
    EXPECT_NE(std::find(allowed.begin(), allowed.end(), f.caption), allowed.end()) << f.rule << ": " << f.caption;
  }
}

}  // namespace

RuleHarness::RuleHarness(Variant v, Date t) : variant(v), today(t) { CopyDictionaries(dir.path()); }

void RuleHarness::WriteFile(const std::string& name, const std::vector<std::string>& records) {
  std::string text;
  for (const std::string& r : records) text += r + "\r\n";
  WriteCp1251(dir / name, text);
}

void RuleHarness::WriteDictionary(const std::string& name, const std::vector<std::string>& lines) {
  WriteFile(name, lines);
}

ControlResult RuleHarness::Run(const std::string& archive_name) {
  ControlInput in;
  in.variant = variant;
  in.workdir = dir.path();
  in.archive_path = dir.path() + archive_name;
  in.marker = in.archive_path;
  if (variant != Variant::AnnualOld) {
    PeriodCheck period = CheckPeriod(variant, in.archive_path);
    in.period = period.period;
    in.period_ok = period.ok;
    in.period_refusal = period.lines;
  }
  FixedDateClock clock(today, FixedDateClock::TimeOfDay::Midnight);
  ControlResult result = RunControl(protocol, dm, dm1, in, clock);
  ExpectFindingsMatchTheCatalogue(protocol, Profile(variant));
  return result;
}

std::vector<std::string> RuleHarness::Part2Faults() const {
  std::vector<std::string> out;
  bool part2 = false;
  for (const ProtocolLine& l : protocol.lines()) {
    if (l.text == "Контроль, часть 2 - проверка информационных данных:") part2 = true;
    if (part2 && l.kind == LineKind::Fault) out.push_back(l.text);
  }
  return out;
}

}  // namespace zentrox::test
