// Calendar dates without time, as day serial numbers.
//
// Day 0 is 30.12.1899, so 01.01.1900 is day 2. An empty date field reads as
// day 0, which lies before every limit the rules compare with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zentrox {

struct Ymd {
  int year = 0;
  int month = 0;
  int day = 0;
};

class Date {
 public:
  constexpr Date() = default;
  static constexpr Date FromSerial(std::int32_t serial) { return Date(serial); }
  // Nullopt for a day that does not exist (31.02, month 13, year 0 ...).
  static std::optional<Date> FromYmd(int year, int month, int day);

  constexpr std::int32_t serial() const { return serial_; }
  Ymd ymd() const;
  int year() const { return ymd().year; }
  int month() const { return ymd().month; }
  int day() const { return ymd().day; }

  // "dd.mm.yyyy"
  std::string ToString() const;

  friend constexpr auto operator<=>(Date, Date) = default;

 private:
  constexpr explicit Date(std::int32_t serial) : serial_(serial) {}
  std::int32_t serial_ = 0;
};

// Reads day.month.year with "." between the parts. Day and month take one or
// two digits, the year one to four (a two-digit year counts from 2000 when
// below 50, else from 1900). Blanks around the parts are not accepted.
std::optional<Date> ParseDate(std::string_view text);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

}  // namespace zentrox
