// Sorted orders of a table's rows: refined from an order kept already, by
// the values of one float field, or by the packed ranks of their keys.
#include "engine/table_derive.h"

namespace zentrox {

using table_internal::DistinctValues;
using table_internal::FileOrder;
using table_internal::HashNumber;
using table_internal::HashText;
using table_internal::PowerOfTwoAtLeast;
using table_internal::RadixSort;
using table_internal::RanksBySorting;
using table_internal::SortByKeyInPlace;

std::shared_ptr<const std::vector<RowId>> Table::MakeOrder(Cache& cache, std::span<const int> keys, bool keep) const {
  if (!keep) {
    if (auto kept = cache.KeptOrder(keys)) return kept;
    return SortedOrder(cache, keys);
  }
  Cache::Order& slot = cache.OrderSlot(keys);
  std::lock_guard<std::mutex> lock(slot.mutex);
  if (slot.rows) return slot.rows;
  auto order = SortedOrder(cache, keys);
  cache.Publish(slot, order);
  return order;
}

// The order by `ordering` from `base`, an order by its first `base_keys`
// ranks: only its runs of rows equal in those are sorted by the rest, and
// when no run moves it is `base`, shared. Null where many rows stand in long
// runs, for which a sort of the whole table by digits is the faster.
std::shared_ptr<const std::vector<RowId>> Table::RefinedOrder(
    const std::shared_ptr<const std::vector<RowId>>& base,
    const std::vector<std::shared_ptr<const RankArray>>& ordering, std::size_t base_keys) const {
  // Keys beyond the base's that order nothing leave it as it is.
  if (base_keys == ordering.size()) return base;
  const std::vector<std::shared_ptr<const RankArray>> first(ordering.begin(), ordering.begin() + base_keys);
  const std::vector<std::shared_ptr<const RankArray>> rest(ordering.begin() + base_keys, ordering.end());
  const auto equal_first = [&](RowId a, RowId b) {
    for (const auto& ranks : first) {
      if ((*ranks)[a] != (*ranks)[b]) return false;
    }
    return true;
  };
  const auto less_rest = [&](RowId a, RowId b) {
    for (const auto& ranks : rest) {
      const std::uint32_t x = (*ranks)[a];
      const std::uint32_t y = (*ranks)[b];
      if (x != y) return x < y;
    }
    return false;
  };
  const std::vector<RowId>& from = *base;
  // Runs of a few rows (a declaration's) are sorted in place; where many
  // rows stand in long runs, a sort of the whole table by digits is the
  // faster.
  constexpr std::size_t kShortRun = 32;
  std::size_t in_long_runs = 0;
  for (std::size_t i = 0; i < from.size() && in_long_runs * 8 <= from.size();) {
    std::size_t j = i + 1;
    while (j < from.size() && equal_first(from[j - 1], from[j])) ++j;
    if (j - i > kShortRun) in_long_runs += j - i;
    i = j;
  }
  if (in_long_runs * 8 > from.size()) return nullptr;
  std::vector<RowId> refined;  // a copy of `from` once a run moves
  for (std::size_t i = 0; i < from.size();) {
    std::size_t j = i + 1;
    while (j < from.size() && equal_first(from[j - 1], from[j])) ++j;
    if (j - i > 1 && !rest.empty() && !std::is_sorted(from.begin() + i, from.begin() + j, less_rest)) {
      if (refined.empty()) refined = from;
      if (j - i <= kShortRun) {
        for (std::size_t k = i + 1; k < j; ++k) {  // insertion sort, stable
          const RowId row = refined[k];
          std::size_t m = k;
          for (; m > i && less_rest(row, refined[m - 1]); --m) refined[m] = refined[m - 1];
          refined[m] = row;
        }
      } else {
        std::stable_sort(refined.begin() + static_cast<std::ptrdiff_t>(i),
                         refined.begin() + static_cast<std::ptrdiff_t>(j), less_rest);
      }
    }
    i = j;
  }
  return refined.empty() ? base : std::make_shared<const std::vector<RowId>>(std::move(refined));
}

// The order by `keys`, by the first strategy that serves: an order kept
// already, as it is or refined; the values of one float field alone; the
// packed ranks of all the keys. Ties stay in file order.
std::shared_ptr<const std::vector<RowId>> Table::SortedOrder(Cache& cache, std::span<const int> keys) const {
  // A field whose rows all hold one value orders nothing: orders are told
  // apart by their other keys, so one order serves every key list that
  // differs only in such fields (a file whose lines leave most fields empty
  // would otherwise keep one copy of the same order per list). Which fields
  // those are is known once their ranks are: ranks not computed yet are not
  // computed for this, so that a first sort keeps its own pace.
  const auto ordering_keys = [&](std::span<const int> list, bool compute,
                                 std::vector<std::shared_ptr<const RankArray>>& out) {
    out.clear();
    for (int f : list) {
      std::uint32_t distinct = 0;
      auto ranks = compute ? Ranks(cache, f, distinct) : KnownRanks(cache, f);
      if (!ranks) return false;
      if (!ranks->constant) out.push_back(std::move(ranks));
    }
    return true;
  };
  std::vector<std::shared_ptr<const RankArray>> ordering;
  const bool known = ordering_keys(keys, false, ordering);

  // An order by the keys of one kept already and more starts from it: only
  // its runs of rows equal in the kept keys are sorted by the others, and
  // when there is no such run (or each is in order already) it is that
  // order, shared. Where many rows stand in such runs, a sort of the whole
  // table by digits is the faster.
  std::vector<std::pair<std::vector<int>, std::shared_ptr<const std::vector<RowId>>>> kept;
  {
    std::lock_guard<std::mutex> lists(cache.mutex);
    for (const auto& order : cache.orders) {
      if (order->rows) kept.emplace_back(order->keys, order->rows);
    }
  }
  std::shared_ptr<const std::vector<RowId>> base;
  std::size_t base_keys = 0;  // of `ordering`, those the base is sorted by
  std::vector<std::shared_ptr<const RankArray>> kept_ordering;
  for (const auto& [kept_keys, rows] : kept) {
    if (!known) {
      // By the key lists as they stand: a kept list that leads this one.
      if (kept_keys.size() >= keys.size() || !std::equal(kept_keys.begin(), kept_keys.end(), keys.begin()) ||
          (base && kept_keys.size() <= base_keys)) {
        continue;
      }
      base = rows;
      base_keys = kept_keys.size();
      continue;
    }
    if (!ordering_keys(kept_keys, false, kept_ordering) || kept_ordering.size() > ordering.size() ||
        (base && kept_ordering.size() <= base_keys) || (kept_ordering.empty() && !ordering.empty()) ||
        !std::equal(kept_ordering.begin(), kept_ordering.end(), ordering.begin())) {
      continue;
    }
    if (kept_ordering.size() == ordering.size()) return rows;
    base = rows;
    base_keys = kept_ordering.size();
  }
  if (base && !known) {
    // Keys beyond the base's that hold one value order nothing: the base
    // is the order, and no key is ranked for it.
    const std::span<const int> beyond = keys.subspan(base_keys);
    if (std::all_of(beyond.begin(), beyond.end(), [&](int f) { return OneValueThroughout(cache, f); })) return base;
    // The fields that order anything, of the leading list and of the rest.
    std::vector<std::shared_ptr<const RankArray>> rest;
    ordering_keys(keys.first(base_keys), true, ordering);
    ordering_keys(keys.subspan(base_keys), true, rest);
    base_keys = ordering.size();
    ordering.insert(ordering.end(), rest.begin(), rest.end());
  }
  if (base) {
    if (auto order = RefinedOrder(base, ordering, base_keys)) return order;
  }

  // A list in which one float field alone holds more than one value, not
  // ranked yet, is sorted by that field's values themselves: no rank array
  // beside the order, no second buffer (a damaged file of millions of
  // one-field lines orders every list by that field alone).
  if (!known) {
    int only = -1;
    bool several = false;
    for (int f : keys) {
      if (f == only || OneValueThroughout(cache, f)) continue;
      several = only >= 0;
      only = f;
      if (several) break;
    }
    if (!several && only >= 0 && col(only).type == FieldType::Float && !KnownRanks(cache, only)) {
      if (auto order = OrderByValues(only)) return order;
      return FileOrder(cache);
    }
  }

  return OrderByRanks(cache, keys);
}

// The order by `keys`, sorted from the file order: their ranks packed, from
// the last key on, into as few 64-bit words as hold them, and a stable radix
// sort by each word, least significant first.
std::shared_ptr<const std::vector<RowId>> Table::OrderByRanks(Cache& cache, std::span<const int> keys) const {
  std::vector<RowId> rows;  // empty while the rows stand in file order
  bool moved = false;
  // Packs the ranks of `parts` for each row, by row; 32-bit words where the
  // ranks fit, which halves the buffer.
  auto sort_by = [&](const auto& parts, auto word) {
    std::vector<decltype(word)> packed(rows_);
    for (std::size_t r = 0; r < rows_; ++r) {
      decltype(word) v = 0;
      for (const auto& [ranks, distinct] : parts) v = v * distinct + (*ranks)[r];
      packed[r] = v;
    }
    return packed;
  };
  std::size_t end = keys.size();
  while (end > 0) {
    // Keys [begin, end) share one word; a field whose rows all have the same
    // rank orders nothing and takes no place in it.
    std::size_t begin = end;
    unsigned __int128 span = 1;
    std::vector<std::pair<std::shared_ptr<const RankArray>, std::uint32_t>> parts;
    while (begin > 0) {
      std::uint32_t distinct = 0;
      auto ranks = Ranks(cache, keys[begin - 1], distinct);
      if (ranks->constant) {
        --begin;
        continue;
      }
      if (span * distinct > std::numeric_limits<std::uint64_t>::max() && !parts.empty()) break;
      span *= distinct;
      parts.insert(parts.begin(), {std::move(ranks), distinct});
      --begin;
    }
    end = begin;
    if (parts.empty()) continue;
    const auto max_value = static_cast<std::uint64_t>(span - 1);
    const int bits = max_value == 0 ? 0 : 64 - std::countl_zero(max_value);
    if (begin == 0 && rows.empty()) {
      // The last word to sort, over rows still in file order (most orders
      // have no other): sorted in place by (word, row), which is the stable
      // order, each row's word packed from its ranks when read. No buffer of
      // words and no second buffer of rows, each as large as the order.
      const auto word_of = [&](RowId r) {
        std::uint64_t v = 0;
        for (const auto& [ranks, distinct] : parts) v = v * distinct + (*ranks)[r];
        return v;
      };
      bool in_order = true;
      for (std::size_t r = 1; r < rows_ && in_order; ++r) {
        in_order = word_of(static_cast<RowId>(r - 1)) <= word_of(static_cast<RowId>(r));
      }
      if (!in_order) {
        rows = zentrox::FileOrder(rows_);
        SortByKeyInPlace(rows.data(), rows.data() + rows.size(), word_of, bits <= 8 ? 0 : (bits - 1) / 8 * 8);
        moved = true;
      }
      continue;
    }
    // Words already in order (rows sorted by these keys in the file) move
    // nothing.
    const auto sort = [&](const auto& key_of) {
      if (RadixSort(key_of, rows, rows_, bits)) moved = true;
    };
    if (parts.size() == 1) {
      // One field's ranks are the keys themselves: nothing to pack.
      const RankArray& ranks = *parts.front().first;
      if (ranks.width == 1) {
        const std::uint8_t* byte = ranks.bytes.data();
        sort([byte](RowId r) { return std::uint32_t{byte[r]}; });
      } else {
        sort([&](RowId r) { return ranks[r]; });
      }
    } else if (max_value <= std::numeric_limits<std::uint32_t>::max()) {
      const std::vector<std::uint32_t> packed = sort_by(parts, std::uint32_t{0});
      sort([&](RowId r) { return packed[r]; });
    } else {
      const std::vector<std::uint64_t> packed = sort_by(parts, std::uint64_t{0});
      sort([&](RowId r) { return packed[r]; });
    }
  }
  // An order no word moved is the file order, shared.
  if (moved) return std::make_shared<const std::vector<RowId>>(std::move(rows));
  return FileOrder(cache);
}

std::shared_ptr<const std::vector<RowId>> Table::FileOrder(Cache& cache) const {
  std::lock_guard<std::mutex> lists(cache.mutex);
  if (!cache.file_order) cache.file_order = std::make_shared<const std::vector<RowId>>(zentrox::FileOrder(rows_));
  return cache.file_order;
}

// The rows by the values of float field `f`, empty ones first, equal ones
// in file order; null when they stand in that order already. A column in
// its palette, or of up to 65,536 numbers, is counted out by the ranks of
// its values; any other is sorted in place by the bits of its numbers
// (SortByKeyInPlace).
std::shared_ptr<const std::vector<RowId>> Table::OrderByValues(int f) const {
  const Column& c = col(f);
  if (c.InPalette()) {
    // The palette's values ranked: rank_of[pick], 0 for empty.
    std::vector<std::uint32_t> by_value(c.values.size());
    for (std::uint32_t i = 0; i < by_value.size(); ++i) by_value[i] = i;
    std::stable_sort(by_value.begin(), by_value.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return c.values[a].real < c.values[b].real; });
    std::vector<std::uint32_t> rank_of(c.values.size() + 1, 0);
    std::uint32_t rank = 0;
    for (std::size_t k = 0; k < by_value.size(); ++k) {
      if (k == 0 || c.values[by_value[k - 1]].real != c.values[by_value[k]].real) ++rank;
      rank_of[by_value[k] + 1] = rank;
    }
    const auto rank_at = [&](RowId r) { return c.Has(r) ? rank_of[c.PickAt(r)] : 0u; };
    bool in_order = true;
    for (RowId r = 1; r < rows_ && in_order; ++r) in_order = rank_at(r - 1) <= rank_at(r);
    if (in_order) return nullptr;
    // Counted out, stable: each rank's rows in file order.
    std::vector<std::size_t> next(static_cast<std::size_t>(rank) + 1, 0);
    for (RowId r = 0; r < rows_; ++r) ++next[rank_at(r)];
    std::size_t sum = 0;
    for (std::size_t& n : next) {
      const std::size_t k = n;
      n = sum;
      sum += k;
    }
    std::vector<RowId> rows(rows_);
    for (RowId r = 0; r < rows_; ++r) rows[next[rank_at(r)]++] = r;
    return std::make_shared<const std::vector<RowId>>(std::move(rows));
  }
  // Unsigned keys in the order of the numbers, -0 as 0; 0 for an empty row.
  const auto key = [&](RowId r) -> std::uint64_t {
    if (!c.Has(r)) return 0;
    double v = NumberOfFloat(c.texts[r]);
    if (v == 0) v = 0;
    const auto bits = std::bit_cast<std::uint64_t>(v);
    return bits >> 63 != 0 ? ~bits : bits | std::uint64_t{1} << 63;
  };
  bool in_order = true;
  for (RowId r = 1; r < rows_ && in_order; ++r) in_order = key(r - 1) <= key(r);
  if (in_order) return nullptr;
  {
    // Up to kCounted distinct numbers are counted out in two walks of the
    // rows in file order, each number found in a hash set of them; rows
    // sorted by their numbers would be read in no order at all.
    constexpr std::size_t kCounted = std::size_t{1} << 16;
    DistinctValues values;
    std::vector<double> numbers;
    std::vector<std::size_t> at;  // by id: how many rows, then where the next goes
    std::size_t empty = 0;
    const auto id_of = [&](RowId r) {
      const double v = NumberOfFloat(c.texts[r]);
      return values.IdOf(
          HashNumber(v), [&](std::uint32_t id) { return numbers[id] == v; },
          [&](std::uint32_t id) { return HashNumber(numbers[id]); });
    };
    bool few = true;
    for (RowId r = 0; r < rows_ && few; ++r) {
      if (!c.Has(r)) {
        ++empty;
        continue;
      }
      const std::uint32_t id = id_of(r);
      if (id == numbers.size()) {
        numbers.push_back(NumberOfFloat(c.texts[r]));
        at.push_back(0);
        few = numbers.size() <= kCounted;
      }
      ++at[id];
    }
    if (few) {
      std::vector<std::uint32_t> by_number(numbers.size());
      for (std::uint32_t i = 0; i < by_number.size(); ++i) by_number[i] = i;
      std::sort(by_number.begin(), by_number.end(),
                [&](std::uint32_t a, std::uint32_t b) { return numbers[a] < numbers[b]; });
      std::size_t sum = empty;
      for (std::uint32_t id : by_number) {
        const std::size_t k = at[id];
        at[id] = sum;
        sum += k;
      }
      std::vector<RowId> rows(rows_);
      std::size_t next_empty = 0;
      for (RowId r = 0; r < rows_; ++r) rows[c.Has(r) ? at[id_of(r)]++ : next_empty++] = r;
      return std::make_shared<const std::vector<RowId>>(std::move(rows));
    }
  }
  std::vector<RowId> rows = zentrox::FileOrder(rows_);
  SortByKeyInPlace(rows.data(), rows.data() + rows.size(), key, 56);
  return std::make_shared<const std::vector<RowId>>(std::move(rows));
}

std::vector<RowId> Table::Order(std::span<const int> keys) const {
  if (keys.empty()) return zentrox::FileOrder(rows_);
  // Derived for this order alone, and gone with it.
  Cache cache;
  return *MakeOrder(cache, keys, false);
}

}  // namespace zentrox
