// The current local date and time, injected so runs are deterministic under
// test.
#pragma once

#include <string>

#include "engine/date.h"

namespace zentrox {

struct LocalDateTime {
  Date date;
  int hour = 0;
  int minute = 0;
  int second = 0;
  // "dd.mm.yyyy hh:mm:ss"
  std::string ToString() const;
};

// The source of "now"; injected so runs are deterministic under test.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDateTime Now() const = 0;
};

// The system's local time.
class SystemClock : public Clock {
 public:
  LocalDateTime Now() const override;
};

// A clock whose date is fixed; the time of day stays the real one, or is
// midnight with TimeOfDay::Midnight (tests that compare whole protocols).
class FixedDateClock : public Clock {
 public:
  enum class TimeOfDay { Real, Midnight };
  explicit FixedDateClock(Date date, TimeOfDay time = TimeOfDay::Real) : date_(date), time_(time) {}
  LocalDateTime Now() const override;

 private:
  Date date_;
  TimeOfDay time_;
};

}  // namespace zentrox
