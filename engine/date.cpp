#include "engine/date.h"

#include <fmt/format.h>

namespace zentrox {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

Ymd CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return Ymd{static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

// 30.12.1899 as days from 1970-01-01.
constexpr std::int64_t kEpochOffset = -25569;

bool ParseDigits(std::string_view s, std::size_t min_len, std::size_t max_len, int& value) {
  if (s.size() < min_len || s.size() > max_len) return false;
  value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::optional<Date> Date::FromYmd(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return std::nullopt;
  if (day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
  std::int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
  return Date(static_cast<std::int32_t>(days - kEpochOffset));
}

Ymd Date::ymd() const { return CivilFromDays(static_cast<std::int64_t>(serial_) + kEpochOffset); }

std::string Date::ToString() const {
  Ymd d = ymd();
  return fmt::format("{:02}.{:02}.{:04}", d.day, d.month, d.year);
}

std::optional<Date> ParseDate(std::string_view text) {
  std::size_t p1 = text.find('.');
  if (p1 == std::string_view::npos) return std::nullopt;
  std::size_t p2 = text.find('.', p1 + 1);
  if (p2 == std::string_view::npos) return std::nullopt;
  int day = 0;
  int month = 0;
  int year = 0;
  std::string_view ys = text.substr(p2 + 1);
  if (!ParseDigits(text.substr(0, p1), 1, 2, day) || !ParseDigits(text.substr(p1 + 1, p2 - p1 - 1), 1, 2, month) ||
      !ParseDigits(ys, 1, 4, year)) {
    return std::nullopt;
  }
  if (ys.size() <= 2) year += year < 50 ? 2000 : 1900;
  return Date::FromYmd(year, month, day);
}

}  // namespace zentrox
