// A count (milliseconds, bytes) taken from an environment variable.
//
// Settings come from whoever started the program, so they are read strictly:
// decimal digits only, no sign, blank or suffix. A value above the setting's
// ceiling, however many digits it has, is taken as the ceiling. Header-only
// and without other project headers, so that the archiver, which does not
// link the core, reads its own setting by the same rules, and every layer
// of the core can read one.
#pragma once

#include <cstdint>
#include <string>

namespace zentrox {

// The most bytes the archiver's `e` writes, and the highest
// ZENTROX_RAR_MAX_BYTES it takes (the setting can lower the cap, never raise
// it): the checker tells the user of a higher one, which the archiver's own
// words would not reach.
inline constexpr std::uint64_t kRarMaxBytes = std::uint64_t{1} << 30;

struct EnvCount {
  enum class State {
    Unset,    // not set or empty: the fallback
    Valid,    // the number as written
    Clamped,  // a number above the ceiling: the ceiling
    Invalid,  // not a plain decimal number: the fallback
  };
  State state = State::Unset;
  std::uint64_t value = 0;  // what to use
};

inline EnvCount ParseEnvCount(const char* text, std::uint64_t fallback, std::uint64_t ceiling) {
  if (text == nullptr || *text == '\0') return {EnvCount::State::Unset, fallback};
  std::uint64_t value = 0;
  bool above = false;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return {EnvCount::State::Invalid, fallback};
    const auto digit = static_cast<std::uint64_t>(*p - '0');
    // value <= ceiling holds throughout, so neither side can overflow.
    if (above || value > ceiling / 10 || digit > ceiling - value * 10) {
      above = true;
    } else {
      value = value * 10 + digit;
    }
  }
  if (above) return {EnvCount::State::Clamped, ceiling};
  return {EnvCount::State::Valid, value};
}

// What to tell the user about a setting not taken as written, e.g.
// "ZENTROX_LOCK_WAIT_MS=soon: not a number of milliseconds; using 10000";
// empty when it was taken (or not set). `unit` is plural ("milliseconds").
inline std::string EnvCountComplaint(const char* name, const char* text, const EnvCount& count, const char* unit) {
  if (count.state != EnvCount::State::Invalid && count.state != EnvCount::State::Clamped) return "";
  // A setting of any length is quoted, but not at any length.
  std::string shown = text == nullptr ? "" : text;
  if (shown.size() > 40) shown = shown.substr(0, 40) + "...";
  std::string why = count.state == EnvCount::State::Invalid ? std::string("not a number of ") + unit
                                                            : "more than " + std::to_string(count.value) + " " + unit;
  return std::string(name) + "=" + shown + ": " + why + "; using " + std::to_string(count.value);
}

}  // namespace zentrox
