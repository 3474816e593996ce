// How the old-format rules print numbers: CPAS codes in the duplicate lines,
// differences and caps, whatever the process locale.

#include <gtest/gtest.h>

#include "support/test_support.h"

#include <clocale>
#include <string>

#include "rules/annual_old/annual_old_sections.h"

namespace zentrox {
namespace {

struct CpasCase {
  double value;
  const char* text;
};

class AnnualOldCpasFormat : public ::testing::TestWithParam<CpasCase> {};

TEST_P(AnnualOldCpasFormat, PrintsShortestGeneralForm) {
  EXPECT_EQ(annual_old::FormatCpas(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(AnnualOldCpas, AnnualOldCpasFormat,
                         ::testing::Values(CpasCase{12345678901.0, "12345678901"},
                                           CpasCase{20479130152.0, "20479130152"},
                                           CpasCase{2002001234567.0, "2002001234567"}, CpasCase{999111.0, "999111"},
                                           CpasCase{123456789012345.0, "123456789012345"},
                                           CpasCase{1234567890123456.0, "1.23456789012346e+15"}, CpasCase{2.5, "2.5"},
                                           CpasCase{0.1, "0.1"}, CpasCase{-7.0, "-7"}));

// Under a locale with a decimal comma the protocol still prints points.
TEST(AnnualOldLocale, NumbersKeepThePointUnderACommaLocale) {
  test::CommaLocale comma;
  if (!comma.active()) GTEST_SKIP() << "no locale with a decimal comma could be set";
  EXPECT_EQ(annual_old::FormatCpas(2.5), "2.5");
  EXPECT_EQ(FormatLimit(153.0), "    153.00");
}

}  // namespace
}  // namespace zentrox
