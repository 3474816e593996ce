#include "support/rule_harness.h"

#include "intake/package_name.h"

namespace zentrox::test {

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
  return RunControl(protocol, dm, dm1, in, clock);
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
