// A whole quarterly control run on a valid package: the exact protocol
// apart from the date line.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

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
                       {"new.sd.days-week-5-or-6", "6.Рабочих дней в неделю"},
                   }));
}

// A package file that exists but cannot be read is one red line, not a
// missing file. The tests may run as root, whom no file mode stops: the file
// is a link to this process's memory, a regular file whose reading at offset
// 0 fails.
TEST(QuarterlyProtocol, AnUnreadablePackageFileIsAReadError) {
  RuleHarness h(Variant::Quarterly);
  QuarterlyBaseline().Write(h);
  std::filesystem::remove(h.dir / "rev5_sd");
  std::filesystem::create_symlink("/proc/self/mem", h.dir / "rev5_sd");
  h.Run(kQuarterlyArchive);
  std::vector<std::string> rules;
  for (const ProtocolLine& l : h.protocol.lines()) {
    if (l.finding) rules.push_back(l.finding->rule);
  }
  EXPECT_NE(std::find(rules.begin(), rules.end(), "control.files-readable"), rules.end())
      << ::testing::PrintToString(rules);
}

// Rules no exact-line case draws, each by the one-field change that breaks it;
// the finding's rule id is asserted, the wording is pinned elsewhere.
struct RuleIdCase {
  std::string name;
  std::function<void(Package&)> mutate;
  std::string rule;
};

class QuarterlyRuleIds : public ::testing::TestWithParam<RuleIdCase> {};

TEST_P(QuarterlyRuleIds, TheChangeDrawsTheRule) {
  Package p = QuarterlyBaseline();
  GetParam().mutate(p);
  RuleHarness h(Variant::Quarterly);
  p.Write(h);
  h.Run(kQuarterlyArchive);
  std::vector<std::string> rules;
  for (const ProtocolLine& l : h.protocol.lines()) {
    if (l.finding) rules.push_back(l.finding->rule);
  }
  EXPECT_NE(std::find(rules.begin(), rules.end(), GetParam().rule), rules.end()) << ::testing::PrintToString(rules);
}

const RuleIdCase kRuleIdCases[] = {
    {"year_empty", [](Package& p) { p.t[0][svod::YEAR] = ""; }, "new.t.year-filled"},
    {"pack_id_empty", [](Package& p) { p.ip[0][pl::PL_ID] = ""; }, "new.ip.pack-id-filled"},
    {"declaration_pack_empty", [](Package& p) { p.na[0][na::NA_PL] = ""; }, "new.na.pack-filled"},
    {"saldo_pack_empty", [](Package& p) { p.sd[0][sd::SD_PL] = ""; }, "new.sd.pack-filled"},
    {"saldo_pack_unknown", [](Package& p) { p.sd[0][sd::SD_PL] = "9"; }, "new.sd.pack-in-ip"},
    {"total_sick_leave_off", [](Package& p) { p.sd[3][sd::SD_ILL] = "90.00"; }, "new.sd.ill-matches-months"},
};

INSTANTIATE_TEST_SUITE_P(Cases, QuarterlyRuleIds, ::testing::ValuesIn(kRuleIdCases),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace zentrox::test
