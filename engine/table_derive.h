// What the table's orders, its value ranks and the TableIndexes that keeps
// them share: the sorts they are made with and the cache they are kept in.
// Not for use outside the table's own files.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "engine/table.h"
#include "engine/table_internal.h"

namespace zentrox::table_internal {

// Stable LSD radix sort of `rows`, an order of all `n` rows, by their keys,
// `key_of(row)`; `bits` is the number of significant low bits of the keys.
// Empty `rows` stand for the file order, which is then never written out:
// a key of one digit sorts into a single buffer. The keys stay where they
// are, indexed by row, and are read through the rows: no second key buffer,
// which on a million rows is the largest one of the sort. Returns false
// when no row moved (`rows` are left as they were).
template <typename KeyOf>
bool RadixSort(KeyOf&& key_of, std::vector<RowId>& rows, std::size_t n, int bits) {
  constexpr int kDigit = 11;
  constexpr std::size_t kBuckets = std::size_t{1} << kDigit;
  const auto row_at = [&](std::size_t i) { return rows.empty() ? static_cast<RowId>(i) : rows[i]; };
  bool in_order = true;
  for (std::size_t i = 1; i < n && in_order; ++i) in_order = !(key_of(row_at(i)) < key_of(row_at(i - 1)));
  if (in_order || bits == 0) return false;
  if (n < 256) {
    if (rows.empty()) {
      rows.resize(n);
      for (std::size_t i = 0; i < n; ++i) rows[i] = static_cast<RowId>(i);
    }
    std::stable_sort(rows.begin(), rows.end(), [&](RowId a, RowId b) { return key_of(a) < key_of(b); });
    return true;
  }
  std::vector<RowId> rows2;
  std::vector<std::size_t> count(kBuckets);
  for (int shift = 0; shift < bits; shift += kDigit) {
    std::fill(count.begin(), count.end(), 0);
    // How many keys have each digit does not depend on the order.
    for (std::size_t r = 0; r < n; ++r) ++count[(key_of(static_cast<RowId>(r)) >> shift) & (kBuckets - 1)];
    // A digit every key shares moves nothing.
    if (count[(key_of(0) >> shift) & (kBuckets - 1)] == n) continue;
    rows2.resize(n);
    std::size_t sum = 0;
    for (std::size_t& c : count) {
      std::size_t k = c;
      c = sum;
      sum += k;
    }
    for (std::size_t i = 0; i < n; ++i) {
      const RowId r = row_at(i);
      rows2[count[(key_of(r) >> shift) & (kBuckets - 1)]++] = r;
    }
    rows.swap(rows2);
  }
  return true;
}

inline std::vector<RowId> FileOrder(std::size_t rows) {
  std::vector<RowId> order(rows);
  for (std::size_t i = 0; i < rows; ++i) order[i] = static_cast<RowId>(i);
  return order;
}

// Sorts [first, last) by (key_of(row), row) in place: a radix sort by the
// keys' bytes from the most significant one down, each byte's buckets
// permuted in place, so no second buffer of rows is needed; a few rows are
// sorted by comparison, rows of one key by row.
template <typename KeyOf>
void SortByKeyInPlace(RowId* first, RowId* last, const KeyOf& key_of, int shift) {
  const auto n = static_cast<std::size_t>(last - first);
  if (n < 2) return;
  if (n <= 32) {
    std::sort(first, last, [&](RowId a, RowId b) {
      const std::uint64_t ka = key_of(a);
      const std::uint64_t kb = key_of(b);
      return ka != kb ? ka < kb : a < b;
    });
    return;
  }
  std::size_t count[256] = {};
  const std::uint64_t key0 = key_of(*first);
  bool one_key = true;
  for (const RowId* p = first; p != last; ++p) {
    const std::uint64_t k = key_of(*p);
    one_key = one_key && k == key0;
    ++count[(k >> shift) & 0xFF];
  }
  if (one_key) {
    std::sort(first, last);
    return;
  }
  const auto digit = [&](RowId r) { return static_cast<std::size_t>((key_of(r) >> shift) & 0xFF); };
  std::size_t start[257];
  start[0] = 0;
  for (std::size_t b = 0; b < 256; ++b) start[b + 1] = start[b] + count[b];
  if (count[(key0 >> shift) & 0xFF] < n) {
    std::size_t next[256];
    std::copy(start, start + 256, next);
    for (std::size_t b = 0; b < 256; ++b) {
      while (next[b] < start[b + 1]) {
        RowId r = first[next[b]];
        for (std::size_t d = digit(r); d != b; d = digit(r)) std::swap(r, first[next[d]++]);
        first[next[b]++] = r;
      }
    }
  }
  for (std::size_t b = 0; b < 256; ++b) {
    if (count[b] < 2) continue;
    // Past the last byte a bucket's keys are one: by row.
    if (shift == 0) {
      std::sort(first + start[b], first + start[b + 1]);
    } else {
      SortByKeyInPlace(first + start[b], first + start[b + 1], key_of, shift - 8);
    }
  }
}

// Open-addressing set of the distinct values of one field, giving each an
// id in order of first occurrence. A slot is 8 bytes (the high half of the
// value's hash beside its id) and the set is kept at most three quarters
// full: a field of 300,000 distinct values (a declaration number over
// REV5_SD) takes 4 MB. What tells the values apart (each id's number, or a
// row holding its text) is the caller's; the set asks for an id's hash
// again when it grows, rather than keeping 8 more bytes per value.
class DistinctValues {
 public:
  DistinctValues() : slots_(64) {}

  std::size_t size() const { return size_; }

  // Returns the id of the value whose hash is `hash`; `same(id)` tells
  // whether the value of that id equals it, `hash_of(id)` gives its hash.
  template <typename Same, typename HashOf>
  std::uint32_t IdOf(std::uint64_t hash, Same&& same, HashOf&& hash_of) {
    if ((size_ + 1) * 4 > slots_.size() * 3) Grow(slots_.size() * 2, hash_of);
    const std::size_t mask = slots_.size() - 1;
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      Slot& s = slots_[i];
      if (s.id == kFree) {
        s.tag = tag;
        s.id = static_cast<std::uint32_t>(size_++);
        return s.id;
      }
      if (s.tag == tag && same(s.id)) return s.id;
    }
  }

 private:
  static constexpr std::uint32_t kFree = 0xFFFFFFFFu;
  struct Slot {
    std::uint32_t tag = 0;  // the hash's high half
    std::uint32_t id = kFree;
  };
  template <typename HashOf>
  void Grow(std::size_t size, HashOf&& hash_of) {
    slots_ = std::vector<Slot>();  // the old slots go before the new ones come
    slots_.resize(size);
    const std::size_t mask = size - 1;
    for (std::uint32_t id = 0; id < size_; ++id) {
      const std::uint64_t h = hash_of(id);
      std::size_t i = h & mask;
      while (slots_[i].id != kFree) i = (i + 1) & mask;
      slots_[i] = Slot{static_cast<std::uint32_t>(h >> 32), id};
    }
  }
  std::vector<Slot> slots_;
  std::size_t size_ = 0;
};

// Ranks of a numeric field of many distinct values (more than a hash set of
// them would hold in little memory), by a stable radix sort of the rows
// that hold a value by the bits of their numbers, then one walk of them in
// that order: a row index and a sort buffer per row. Returns the number of
// distinct values; `ids` (zero on entry) receives each row's rank, 0 when
// empty.
template <typename Has, typename NumberOf>
std::uint32_t RanksBySorting(std::size_t rows, Has&& has, NumberOf&& number, std::vector<std::uint32_t>& ids) {
  // Unsigned keys in the order of the numbers; -0 is 0.
  const auto key = [&](RowId r) {
    double v = number(r);
    if (v == 0) v = 0;
    const auto bits = std::bit_cast<std::uint64_t>(v);
    return bits >> 63 != 0 ? ~bits : bits | std::uint64_t{1} << 63;
  };
  std::size_t n = 0;
  for (std::size_t r = 0; r < rows; ++r) n += has(static_cast<RowId>(r)) ? 1 : 0;
  std::vector<RowId> sorted;
  sorted.reserve(n);
  for (std::size_t r = 0; r < rows; ++r) {
    if (has(static_cast<RowId>(r))) sorted.push_back(static_cast<RowId>(r));
  }
  constexpr int kDigit = 11;
  constexpr std::size_t kBuckets = std::size_t{1} << kDigit;
  constexpr int kDigits = (64 + kDigit - 1) / kDigit;
  // How many keys have each value of each digit, all digits in one walk.
  std::vector<std::size_t> count(kDigits * kBuckets);
  for (RowId r : sorted) {
    const std::uint64_t k = key(r);
    for (int d = 0; d < kDigits; ++d) ++count[d * kBuckets + ((k >> (d * kDigit)) & (kBuckets - 1))];
  }
  {
    std::vector<RowId> other;
    for (int d = 0; d < kDigits && n > 0; ++d) {
      std::size_t* c = &count[d * kBuckets];
      // A digit every key shares moves nothing.
      if (c[(key(sorted[0]) >> (d * kDigit)) & (kBuckets - 1)] == n) continue;
      other.resize(n);
      std::size_t sum = 0;
      for (std::size_t b = 0; b < kBuckets; ++b) {
        const std::size_t k = c[b];
        c[b] = sum;
        sum += k;
      }
      for (RowId r : sorted) other[c[(key(r) >> (d * kDigit)) & (kBuckets - 1)]++] = r;
      sorted.swap(other);
    }
  }
  std::uint32_t rank = 0;
  std::uint64_t last = 0;
  for (RowId r : sorted) {
    const std::uint64_t k = key(r);
    if (rank == 0 || k != last) ++rank;
    last = k;
    ids[r] = rank;
  }
  return rank;
}

}  // namespace zentrox::table_internal

namespace zentrox {

// What a TableIndexes derived from one table's rows: value ranks per field,
// orders per key list, lookup indexes. Passes on several threads may fill it
// while they read the table as const, so each rank array and each order has a
// lock of its own, held while it is computed: a pass that asks for what is
// there already, or for another order, does not wait for a sort; two that ask
// for the same one compute it once. So has each lookup index, held while it
// is built. `mutex` guards only the lists.
// Locks are taken in the order index, order, field ranks, lists, never the
// other way.
struct Table::Cache {
  std::mutex mutex;
  struct FieldRanks {
    std::mutex mutex;
    std::shared_ptr<const RankArray> ranks;
    std::uint32_t distinct = 0;
  };
  std::vector<std::unique_ptr<FieldRanks>> ranks;  // by field
  struct Order {
    std::vector<int> keys;
    std::mutex mutex;
    std::shared_ptr<const std::vector<RowId>> rows;
  };
  std::vector<std::unique_ptr<Order>> orders;
  // File order, shared by every order whose keys are the same on all rows.
  std::shared_ptr<const std::vector<RowId>> file_order;
  struct LookupIndex {
    std::vector<int> keys, all;
    std::mutex mutex;
    std::shared_ptr<const void> index;
  };
  std::vector<std::unique_ptr<LookupIndex>> indexes;

  FieldRanks& RanksSlot(int f, std::size_t fields) {
    std::lock_guard<std::mutex> lock(mutex);
    if (ranks.size() != fields) {
      ranks.resize(fields);
      for (auto& slot : ranks) {
        if (!slot) slot = std::make_unique<FieldRanks>();
      }
    }
    return *ranks[static_cast<std::size_t>(f)];
  }
  LookupIndex& IndexSlot(const std::vector<int>& keys, const std::vector<int>& all) {
    std::lock_guard<std::mutex> lock(mutex);
    for (const auto& index : indexes) {
      if (index->keys == keys && index->all == all) return *index;
    }
    indexes.push_back(std::make_unique<LookupIndex>());
    indexes.back()->keys = keys;
    indexes.back()->all = all;
    return *indexes.back();
  }
  // An order's rows are set under both its own lock and `mutex`, so readers
  // of the lists may read them.
  void Publish(Order& order, std::shared_ptr<const std::vector<RowId>> rows) {
    std::lock_guard<std::mutex> lock(mutex);
    order.rows = std::move(rows);
  }
  std::shared_ptr<const std::vector<RowId>> KeptOrder(std::span<const int> keys) {
    std::lock_guard<std::mutex> lock(mutex);
    for (const auto& order : orders) {
      if (std::equal(order->keys.begin(), order->keys.end(), keys.begin(), keys.end())) return order->rows;
    }
    return nullptr;
  }
  Order& OrderSlot(std::span<const int> keys) {
    std::lock_guard<std::mutex> lock(mutex);
    for (const auto& order : orders) {
      if (std::equal(order->keys.begin(), order->keys.end(), keys.begin(), keys.end())) return *order;
    }
    orders.push_back(std::make_unique<Order>());
    orders.back()->keys.assign(keys.begin(), keys.end());
    return *orders.back();
  }
};

}  // namespace zentrox
