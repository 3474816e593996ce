// How the old-format rules print numbers: CPAS codes in the duplicate lines,
// differences and caps, whatever the process locale.

#include <gtest/gtest.h>

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
                                           CpasCase{2002001234567.0, "2002001234567"},
                                           CpasCase{999111.0, "999111"},
                                           CpasCase{123456789012345.0, "123456789012345"},
                                           CpasCase{1234567890123456.0, "1.23456789012346e+15"},
                                           CpasCase{2.5, "2.5"},
                                           CpasCase{0.1, "0.1"},
                                           CpasCase{-7.0, "-7"}));

// Under a locale with a decimal comma the protocol still prints points.
TEST(AnnualOldLocale, NumbersKeepThePointUnderACommaLocale) {
  const char* previous = std::setlocale(LC_ALL, nullptr);
  std::string saved = previous ? previous : "C";
  const char* comma = nullptr;
  for (const char* name : {"de_DE.UTF-8", "ru_RU.UTF-8", "fr_FR.UTF-8", "de_DE", "ru_RU"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      comma = name;
      break;
    }
  }
  if (comma == nullptr) GTEST_SKIP() << "no locale with a decimal comma is installed";
  std::string cpas = annual_old::FormatCpas(2.5);
  std::string limit = FormatLimit(153.0);
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(cpas, "2.5");
  EXPECT_EQ(limit, "    153.00");
}

}  // namespace
}  // namespace zentrox
