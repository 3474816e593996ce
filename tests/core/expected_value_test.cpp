// The value that would satisfy a rule, carried by its finding: one case per
// kind of right value, each a one-field change of the valid quarterly
// package, told by the rule id of the finding it draws.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "new_format_test_package.h"
#include "report/checks.h"
#include "report/csv_writer.h"
#include "report/json_writer.h"
#include "report/odd_characters.h"

namespace zentrox {
namespace {

using test::Package;
using test::RuleHarness;

struct ExpectedCase {
  const char* name;
  std::function<void(Package&)> change;
  const char* rule;
  ExpectedKind kind;
  std::string expected;  // a part of the finding's `expected`
  std::vector<RecordRef> related;
  std::string dictionary;
  int year = 0;
};

// The quarterly baseline's records lie on lines 1, 2, ... of their files:
// POPESCU's month rows on SD lines 1-3, his total row on 4.
const ExpectedCase kCases[] = {
    {"MonthSum",
     [](Package& p) { p.sd[3][sd::SD_PAYM_FOND] = "3270.00"; },
     "new.sd.fond-matches-months",
     ExpectedKind::Sum,
     "3000.00",
     {{"REV5_SD", 1}, {"REV5_SD", 2}, {"REV5_SD", 3}},
     "",
     0},
    {"CodeInDictionary",
     [](Package& p) { p.sd[0][sd::SD_CATEGORY] = "77"; },
     "new.sd.category-in-dictionary",
     ExpectedKind::Code,
     "sps_newkateg.txt",
     {},
     "sps_newkateg.txt",
     0},
    {"CategoryOfTheYear",
     [](Package& p) { p.sd[0][sd::SD_CATEGORY] = "77"; },
     "new.sd.category-valid-in-year",
     ExpectedKind::Code,
     "2026",
     {},
     "sps_newkateg.txt",
     2026},
    {"DuplicateIdnp",
     [](Package& p) { p.na[1][na::NA_IDNP] = p.na[0][na::NA_IDNP]; },
     "new.na.idnp-unique",
     ExpectedKind::Duplicate,
     "",
     {{"REV5_NA", 1}},
     "",
     0},
    {"DateThatDoesNotExist",
     [](Package& p) { p.sd[2][sd::SD_BEGIN_DT] = "31.09.2026"; },
     "load.data-type-valid",
     ExpectedKind::Date,
     "30.09.2026",
     {},
     "",
     0},
    {"DateInTheFuture",
     [](Package& p) { p.t[0][svod::FORMATION_DT] = "09.12.2026"; },
     "new.t.formation-date-not-future",
     ExpectedKind::Date,
     "08.12.2026",
     {},
     "",
     0},
    {"MonthOfTheQuarter",
     [](Package& p) { p.sd[0][sd::SD_MONTH] = "10"; },
     "quarterly.sd.month-in-quarter",
     ExpectedKind::Value,
     "7, 8 sau 9",
     {},
     "",
     0},
    {"CyrillicInAName",
     [](Package& p) { p.na[0][na::NA_LAST_NAME] = "POP\xD0\x95SCU"; },
     "new.na.last-name-characters",
     ExpectedKind::Characters,
     "litera chirilică Е în loc de E latin",
     {},
     "",
     0},
    {"DaysOfTheWeek",
     [](Package& p) { p.sd[0][sd::SD_DAYS_WEEK] = "4"; },
     "new.sd.days-week-5-or-6",
     ExpectedKind::Value,
     "5 sau 6",
     {},
     "",
     0},
};

void PrintTo(const ExpectedCase& c, std::ostream* os) { *os << c.name; }

class ExpectedValueTest : public ::testing::TestWithParam<ExpectedCase> {};

TEST_P(ExpectedValueTest, FindingCarriesTheRightValue) {
  const ExpectedCase& c = GetParam();
  RuleHarness h(Variant::Quarterly);
  Package p = test::QuarterlyBaseline();
  c.change(p);
  p.Write(h);
  h.Run(test::kQuarterlyArchive);
  const Finding* found = nullptr;
  for (const ProtocolLine& line : h.protocol.lines()) {
    if (line.finding && line.finding->rule == c.rule) {
      found = &*line.finding;
      break;
    }
  }
  ASSERT_NE(found, nullptr) << c.rule;
  EXPECT_EQ(found->expected_kind, c.kind);
  EXPECT_NE(found->expected.view().find(c.expected), std::string_view::npos) << found->expected;
  const FindingLinks links = found->links ? *found->links : FindingLinks{};
  EXPECT_EQ(links.records, c.related);
  EXPECT_EQ(links.dictionary, c.dictionary);
  EXPECT_EQ(links.year, c.year);
  // The writers carry it beside the fields they had.
  EXPECT_NE(ProtocolToJson(h.protocol, {}).find("\"expected\": {\"kind\": "), std::string::npos);
  EXPECT_NE(FindingsToCsv(h.protocol, "a.rar").find(",text,expected\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ExpectedValueTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ExpectedValue, TextsInWords) {
  const std::pair<std::string, std::string> cases[] = {
      {LastDayInstead("31.09.2026").value_or(""), "30.09.2026"},
      {LastDayInstead("29.02.2024").value_or("exists"), "exists"},
      {LastDayInstead("30.02.2024").value_or(""), "29.02.2024"},
      {LastDayInstead("31.13.2026").value_or("no month"), "no month"},
      {CharacterWords(U'А'), "litera chirilică А în loc de A latin"},
      {CharacterWords(U'Ж'), "litera chirilică Ж"},
      {CharacterWords(U'b'), "litera mică b (se scrie B)"},
      {CharacterWords(U'\t'), "caracterul de control tab"},
      {OddCharactersInWords("IONЕSCU ş2ş"),
       "litera chirilică Е în loc de E latin; litera cu diacritic ş (se scrie S); "
       "cifra 2"},
  };
  for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
}

}  // namespace
}  // namespace zentrox
