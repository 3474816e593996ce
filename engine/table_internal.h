// What the table's storage, its orders and its lookups share inside the engine:
// value comparison, hashing, and the value ranks orders are sorted by.
// Not for use outside the table's own files.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "engine/table.h"

namespace zentrox {
namespace table_internal {

inline int CompareNumbers(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }

inline int CompareTexts(std::string_view a, std::string_view b) {
  int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// 64-bit mixing (the splitmix64 finaliser).
inline std::uint64_t Mix(std::uint64_t x) {
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// Numbers that compare equal hash equally: -0 is 0.
inline std::uint64_t HashNumber(double v) {
  if (v == 0) v = 0;
  return Mix(std::bit_cast<std::uint64_t>(v) ^ 0x5851F42D4C957F2Dull);
}

inline std::uint64_t HashText(std::string_view s) {
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    h = Mix(h ^ w);
  }
  std::uint64_t tail = 0;
  std::memcpy(&tail, s.data() + i, s.size() - i);
  return Mix(h ^ tail ^ 0x2545F4914F6CDD1Dull);
}

inline constexpr std::uint64_t kEmptyHash = 0x7A5F0D1E3C2B4A69ull;

inline std::size_t PowerOfTwoAtLeast(std::size_t n) {
  std::size_t c = 16;
  while (c < n) c <<= 1;
  return c;
}

}  // namespace table_internal

// The value ranks of one field, stored in as few bytes per row as the
// number of distinct values allows (most key fields need one or two).
struct Table::RankArray {
  // Every row has rank `r`.
  explicit RankArray(std::uint32_t r) : rank(r), width(0), constant(true) {}
  // Takes the ranks by row; four-byte ranks are kept as they are, without
  // a copy beside them.
  RankArray(std::vector<std::uint32_t>&& ranks, std::uint32_t distinct)
      : width(distinct <= 0x100u     ? 1
              : distinct <= 0x10000u ? 2
                                     : 4) {
    constant = std::all_of(ranks.begin(), ranks.end(), [&](std::uint32_t r) { return r == ranks.front(); });
    if (constant) {
      // One rank for every row (a field left empty throughout): nothing to store.
      width = 0;
      rank = ranks.empty() ? 0 : ranks.front();
      return;
    }
    if (width == 4) {
      words = std::move(ranks);
      return;
    }
    bytes.resize(ranks.size() * width);
    for (std::size_t i = 0; i < ranks.size(); ++i) {
      if (width == 1) {
        bytes[i] = static_cast<std::uint8_t>(ranks[i]);
      } else {
        auto v = static_cast<std::uint16_t>(ranks[i]);
        std::memcpy(&bytes[i * 2], &v, 2);
      }
    }
  }
  std::uint32_t operator[](std::size_t i) const {
    switch (width) {
      case 0: return rank;
      case 1: return bytes[i];
      case 2: {
        std::uint16_t v;
        std::memcpy(&v, &bytes[i * 2], 2);
        return v;
      }
      default: return words[i];
    }
  }
  std::uint32_t rank = 0;  // of every row, when constant
  std::size_t width;
  // Every row has the same rank: the field orders nothing.
  bool constant = false;
  std::vector<std::uint8_t> bytes;   // widths 1 and 2
  std::vector<std::uint32_t> words;  // width 4
};

}  // namespace zentrox
