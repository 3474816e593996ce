#include "model/clock.h"

#include <fmt/format.h>

#include <ctime>

namespace zentrox {

std::string LocalDateTime::ToString() const {
  return fmt::format("{} {:02}:{:02}:{:02}", date.ToString(), hour, minute, second);
}

LocalDateTime SystemClock::Now() const {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  LocalDateTime now;
  now.date = Date::FromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday).value_or(Date());
  now.hour = tm.tm_hour;
  now.minute = tm.tm_min;
  now.second = tm.tm_sec;
  return now;
}

LocalDateTime FixedDateClock::Now() const {
  LocalDateTime now = time_ == TimeOfDay::Midnight ? LocalDateTime{} : SystemClock().Now();
  now.date = date_;
  return now;
}

}  // namespace zentrox
