// Number parsing without the C library's locale: package files write amounts
// with "." whatever the machine's locale says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zentrox {

// Number parsing without the C library's locale: a decimal integer with an
// optional sign (32-bit), and a decimal number with "." and optional exponent.
bool ParseInt32(std::string_view text, std::int32_t& value);
bool ParseDouble(std::string_view text, double& value);

// The short path of ParseDouble for a text of at most 8 bytes, given as the
// little-endian word `word` of which the first `size` bytes are the text:
// an optional "-", digits, and at most one "." with digits on both sides.
// Such a number is the exact integer of its digits divided by an exact power
// of ten, which rounds to what ParseDouble reads. False for any other text
// (the caller reads it with ParseDouble). The eight digits are tested and
// combined at once, not one by one: amounts are read this way far more often
// than they are stored.
inline bool ReadShortDecimal(std::uint64_t word, std::size_t size, double& value) {
  static constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  if (size == 0 || size > 8) return false;
  if (size < 8) word &= (std::uint64_t{1} << (8 * size)) - 1;
  const bool negative = (word & 0xFF) == '-';
  if (negative) {
    word >>= 8;
    --size;
    if (size == 0) return false;
  }
  // The first ".", found as the first zero byte of word ^ "........"; the
  // bytes past the text are zero and so never match.
  const std::uint64_t dots = word ^ (kOnes * '.');
  const std::uint64_t zero = (dots - kOnes) & ~dots & (kOnes * 0x80);
  std::size_t decimals = 0;
  if (zero != 0) {
    const std::size_t at = static_cast<std::size_t>(__builtin_ctzll(zero)) / 8;
    if (at == 0 || at + 1 >= size) return false;  // ".5", "5.": not here
    decimals = size - at - 1;
    const std::uint64_t low = word & ((std::uint64_t{1} << (8 * at)) - 1);
    word = low | (word >> (8 * (at + 1)) << (8 * at));
    --size;
  }
  // Leading "0"s make eight digits; then every byte must be a digit (a
  // second "." or any other byte is not).
  if (size < 8) word = (word << (8 * (8 - size))) | ((kOnes * '0') >> (8 * size));
  constexpr std::uint64_t kHigh = kOnes * 0xF0;
  if (((word & kHigh) | (((word + kOnes * 0x06) & kHigh) >> 4)) != kOnes * 0x33) return false;
  // The first byte is the most significant digit.
  word -= kOnes * '0';
  word = word * 10 + (word >> 8);
  word = (((word & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
          (((word >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
         32;
  double v = static_cast<double>(static_cast<std::uint32_t>(word));
  if (decimals > 0) v /= kPow10[decimals];
  value = negative ? -v : v;
  return true;
}

}  // namespace zentrox
