#include "engine/number_parse.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace zentrox {

bool ParseInt32(std::string_view text, std::int32_t& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  const bool plus = !text.empty() && text.front() == '+';
  if (plus) text.remove_prefix(1);
  // One sign at most: from_chars would still read the "-" of "+-5".
  if (text.empty() || (plus && text.front() == '-')) return false;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && ptr == last;
}

bool ParseDouble(std::string_view text, double& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // One sign at most: from_chars would still read the second sign of "--5".
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) return false;
  // Most amounts are digits, a "." and digits, 15 digits at most: such a
  // number is an exact integer divided by an exact power of ten, and that one
  // division rounds to the same double as reading the text with from_chars.
  {
    static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::uint64_t n = 0;
    int digit_count = 0;
    int decimals = -1;
    bool plain = true;
    for (char c : text) {
      if (c >= '0' && c <= '9') {
        n = n * 10 + static_cast<std::uint64_t>(c - '0');
        ++digit_count;
        if (decimals >= 0) ++decimals;
      } else if (c == '.' && decimals < 0 && digit_count > 0) {
        decimals = 0;
      } else {
        plain = false;
        break;
      }
    }
    if (plain && digit_count > 0 && digit_count <= 15 && decimals != 0) {
      double v = static_cast<double>(n);
      if (decimals > 0) v /= kPow10[decimals];
      value = negative ? -v : v;
      return true;
    }
  }
  // Only digits, one ".", and an exponent: from_chars would also take "inf"
  // and "nan", which no amount in a package may be.
  bool digits = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c != '.' && c != 'e' && c != 'E' && c != '+' && c != '-') {
      return false;
    }
  }
  if (!digits) return false;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  double v = 0;
  auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
  if (ec != std::errc() || ptr != last || !std::isfinite(v)) return false;
  value = negative ? -v : v;
  return true;
}

}  // namespace zentrox
