#include <gtest/gtest.h>

#include "engine/date.h"
#include "engine/text.h"

namespace zentrox {
namespace {

TEST(Cp1251, DecodesCyrillicAndTerminator) {
  EXPECT_EQ(Cp1251ToUtf8("\xC8\xE2\xE0\xED\xEE\xE2"), "Иванов");
  EXPECT_EQ(Cp1251ToUtf8("\xB0"), "°");
  EXPECT_EQ(Cp1251ToUtf8("\xA8\xB8"), "Ёё");
  EXPECT_EQ(Cp1251ToUtf8("\x98"), "\xEF\xBF\xBD");  // undefined byte stays one character
  EXPECT_EQ(Utf8ToCp1251("Иванов°"), "\xC8\xE2\xE0\xED\xEE\xE2\xB0");
}

TEST(Utf8, CountsAndCutsCharacters) {
  EXPECT_EQ(Utf8Length("Иван"), 4u);
  EXPECT_EQ(Utf8Prefix("Иванов", 3), "Ива");
  EXPECT_EQ(Utf8Suffix("abcИвд", 2), "вд");
  EXPECT_EQ(Utf8Mid("abcИвд", 2, 2), "cИ");
  EXPECT_EQ(Utf8Prefix("ab", 5), "ab");
}

// A sequence a strict reader refuses (overlong, a surrogate, above
// U+10FFFF, a lead byte that starts none) decodes as U+FFFD, one for each
// byte that can't continue it; well-formed ones at the edges decode.
TEST(Utf8, DecodesOnlyWellFormedSequences) {
  const struct {
    const char* bytes;
    std::u32string decoded;
  } cases[] = {
      {"\xC0\xAF", U"\uFFFD\uFFFD"},
      {"\xE0\x80\xAF", U"\uFFFD\uFFFD\uFFFD"},
      {"\xF0\x80\x80\xAF", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},
      {"\xED\xBF\xBF", U"\uFFFD\uFFFD\uFFFD"},
      {"\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF5\x80\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF7\xBF\xBF\xBF", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xFF\x80", U"\uFFFD\uFFFD"},
      {"\xE2\x82x", U"\uFFFDx"},
      {"\xC2\x80\xDF\xBF", U"\u0080\u07FF"},
      {"\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80", U"\u0800\uD7FF\uE000"},
      {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", U"\U00010000\U0010FFFF"},
  };
  for (const auto& c : cases) {
    const std::string_view bytes(c.bytes);
    std::u32string decoded;
    for (std::size_t i = 0; i < bytes.size();) decoded += NextCodePoint(bytes, i);
    EXPECT_EQ(decoded, c.decoded) << c.bytes;
  }
}

// A path keeps its lines whole in what is printed: control characters are
// shown escaped, everything else as it stands.
TEST(Utf8, ShownPathEscapesControlCharacters) {
  EXPECT_EQ(ShownPath("/a\nb\r\t\x1b[2J\x7f\x01"), "/a\\nb\\r\\t\\x1b[2J\\x7f\\x01");
  EXPECT_EQ(ShownPath("/дир/a b\\c\xFF.rar"), "/дир/a b\\c\xFF.rar");
}

struct DateCase {
  const char* text;
  bool ok;
  int d, m, y;
};

class ParseDateTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(ParseDateTest, Parses) {
  const DateCase& c = GetParam();
  auto d = ParseDate(c.text);
  ASSERT_EQ(d.has_value(), c.ok) << c.text;
  if (c.ok) {
    EXPECT_EQ(d->day(), c.d);
    EXPECT_EQ(d->month(), c.m);
    EXPECT_EQ(d->year(), c.y);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseDateTest,
    ::testing::Values(DateCase{"01.02.2020", true, 1, 2, 2020}, DateCase{"1.2.2020", true, 1, 2, 2020},
                      DateCase{"29.02.2024", true, 29, 2, 2024}, DateCase{"29.02.2023", false, 0, 0, 0},
                      DateCase{"31.02.2020", false, 0, 0, 0}, DateCase{"00.00.0000", false, 0, 0, 0},
                      DateCase{"2020-01-02", false, 0, 0, 0}, DateCase{"01.13.2020", false, 0, 0, 0},
                      DateCase{"aa.bb.cccc", false, 0, 0, 0}, DateCase{"", false, 0, 0, 0}));

TEST(DateSerial, MatchesTheTraditionalEpoch) {
  EXPECT_EQ(Date::FromYmd(1899, 12, 30)->serial(), 0);
  EXPECT_EQ(Date::FromYmd(1900, 1, 1)->serial(), 2);
  EXPECT_LT(Date(), *Date::FromYmd(1900, 1, 1));  // the empty date lies before 1900
  EXPECT_EQ(Date::FromYmd(2024, 12, 31)->ToString(), "31.12.2024");
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
}

}  // namespace
}  // namespace zentrox
