// A whole quarterly control run on a valid package: the exact protocol
// apart from the date line.
#include <gtest/gtest.h>

#include "new_format_test_package.h"

namespace zentrox::test {
namespace {

TEST(QuarterlyProtocol, ValidPackageGivesTheFullProtocol) {
  RuleHarness h(Variant::Quarterly);
  QuarterlyBaseline().Write(h);
  ControlResult result = h.Run(kQuarterlyArchive);
  ASSERT_EQ(result.outcome, RunOutcome::Completed);
  std::vector<std::string> lines = h.AllLines();
  ASSERT_FALSE(lines.empty());
  lines.erase(lines.begin());
  const std::string& wd = h.dir.path();
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "ПРОТОКОЛ КОНТРОЛЯ ЭЛЕКТРОННОГО ПАКЕТА.",
                       "Распакован пакет " + wd + kQuarterlyArchive,
                       "Контроль, часть 1 - проверка соответствия форматам данных:",
                       "fisierul " + wd + "REV5_T",
                       "fisierul " + wd + "REV5_IP",
                       "fisierul " + wd + "REV5_NA",
                       "fisierul " + wd + "REV5_SD",
                       "Контроль, часть 2 - проверка информационных данных:",
                       "fisierul REV5_T",
                       "fisierul REV5_IP",
                       "fisierul REV5_NA",
                       "fisierul REV5_SD",
                       "к о н т р о л ь  з а в е р ш е н.",
                       "Экономический Агент  1234567",
                       "Количество пачек в пакете: 1",
                       "Проверено электронных деклараций : 2",
                   }));
}

// Findings carry the id of the rule that wrote them and the section they
// belong to.
TEST(QuarterlyProtocol, FindingsNameTheirRuleAndSection) {
  Package p = QuarterlyBaseline();
  p.sd[4][sd::SD_DAYS_WEEK] = "7";
  p.sd[4][sd::SD_MONTH] = "4";
  RuleHarness h(Variant::Quarterly);
  p.Write(h);
  h.Run(kQuarterlyArchive);
  std::vector<std::pair<std::string, std::string>> rules;
  for (const ProtocolLine& l : h.protocol.lines()) {
    if (l.finding && l.finding->section == "REV5_SD") rules.emplace_back(l.finding->rule, l.finding->caption);
  }
  EXPECT_EQ(rules, (std::vector<std::pair<std::string, std::string>>{
                       {"quarterly.sd.month-in-quarter", "3.Месяц"},
                       {"new.sd.days-week", "6.Рабочих дней в неделю"},
                   }));
}

}  // namespace
}  // namespace zentrox::test
