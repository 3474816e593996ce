// The rule catalogue itself; that the rules and the catalogue name the same
// ids is checked over the whole suite (tests/rule_coverage.cmake).
#include <fmt/args.h>
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "report/json_writer.h"
#include "report/rule_catalogue.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

TEST(RuleCatalogue, EveryEntryIsCompleteAndItsIdUnique) {
  const std::regex id_shape("[a-z][a-z0-9-]*(\\.[a-z0-9-]+){1,2}");
  std::set<std::string_view> ids;
  ASSERT_FALSE(RuleCatalogue().empty());
  for (const RuleEntry* entry : RuleCatalogue()) {
    const RuleEntry& e = *entry;
    SCOPED_TRACE(std::string(e.id));
    EXPECT_TRUE(std::regex_match(std::string(e.id), id_shape));
    EXPECT_TRUE(ids.insert(e.id).second) << "listed twice";
    EXPECT_FALSE(e.message.empty());
    ASSERT_FALSE(e.requirement.empty());
    EXPECT_EQ(e.requirement.back(), '.');
    EXPECT_EQ(FindRule(e.id), &e);
  }
  EXPECT_EQ(FindRule("new.sd.no-such-rule"), nullptr);
}

// A message is a format string whose every "{}" takes a value; the fields an
// entry names lie in its file, and a name is one field.
TEST(RuleCatalogue, MessagesFormatAndFieldsExist) {
  for (const RuleEntry* e : RuleCatalogue()) {
    SCOPED_TRACE(std::string(e->id));
    fmt::dynamic_format_arg_store<fmt::format_context> values;
    for (auto at = e->message.find("{}"); at != std::string_view::npos; at = e->message.find("{}", at + 2)) {
      values.push_back("v");
    }
    EXPECT_NO_THROW(fmt::vformat(e->message, values));
    EXPECT_EQ(ShownMessage(e->message).find_first_of("{}"), std::string::npos);
    EXPECT_EQ(e->caption().empty(), e->field.shape == RuleField::Shape::None);
    EXPECT_TRUE(e->field.kind != FieldKind::Name || e->field.shape == RuleField::Shape::One);
  }
}

// Cyrillic in a Romanian sentence only inside a caption quoted as the file
// names it («3.Дата») or in the agent's two code names.
bool CyrillicOutsideCaptions(std::string s) {
  for (const std::string code : {"НКСС", "ТКСС"}) {
    for (auto at = s.find(code); at != std::string::npos; at = s.find(code)) s.erase(at, code.size());
  }
  bool quoted = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s.compare(i, 2, "«") == 0 || s.compare(i, 2, "»") == 0) quoted = s[i + 1] == '\xAB';
    if (!quoted && (s[i] == '\xD0' || s[i] == '\xD1')) return true;
  }
  return false;
}

TEST(RuleCatalogue, EveryEntryHasARomanianSentence) {
  for (const RuleEntry* e : RuleCatalogue()) {
    SCOPED_TRACE(std::string(e->id));
    ASSERT_FALSE(e->requirement_ro.empty());
    EXPECT_EQ(e->requirement_ro.back(), '.');
    EXPECT_NE(e->requirement_ro, e->requirement);
    EXPECT_FALSE(CyrillicOutsideCaptions(std::string(e->requirement_ro))) << e->requirement_ro;
    EXPECT_EQ(e->Requirement(SentenceLanguage::Romanian), e->requirement_ro);
    EXPECT_EQ(e->Requirement(SentenceLanguage::Russian), e->requirement);
  }
  const std::string json = RuleCatalogueJson();
  for (const RuleEntry* e : RuleCatalogue()) {
    EXPECT_NE(json.find("\"requirement_ro\": " + JsonString(e->requirement_ro) + "}"), std::string::npos) << e->id;
  }
}

TEST(RuleCatalogue, TextHasALinePerRuleAndJsonAnObject) {
  const std::vector<std::string> lines = test::SplitLines(RuleCatalogueText());
  ASSERT_EQ(lines.size(), RuleCatalogue().size());
  // An empty file or caption shows as "-", so every line has four columns.
  auto shown = [](std::string_view s) { return s.empty() ? std::string("-") : std::string(s); };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const RuleEntry& e = *RuleCatalogue()[i];
    EXPECT_EQ(lines[i], std::string(e.id) + "\t" + shown(e.file()) + "\t" + shown(e.caption()) + "\t" +
                            std::string(e.requirement));
  }
  const std::string json = RuleCatalogueJson();
  std::size_t objects = 0;
  for (std::size_t at = json.find("{\"id\": "); at != std::string::npos; at = json.find("{\"id\": ", at + 1)) ++objects;
  EXPECT_EQ(objects, RuleCatalogue().size());
  EXPECT_EQ(json.front(), '[');
  EXPECT_EQ(json.substr(json.size() - 4), "}\n]\n");
}

}  // namespace
}  // namespace zentrox
