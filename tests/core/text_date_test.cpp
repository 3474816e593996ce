#include <gtest/gtest.h>

#include "data/date.h"
#include "data/text.h"

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
