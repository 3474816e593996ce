// Sorted orders of a table's rows, the value ranks they are sorted by, and the
// cache that keeps both (and the lookup indexes) until the rows change.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "data/table.h"
#include "data/table_internal.h"

namespace zentrox {

using table_internal::HashNumber;
using table_internal::HashText;
using table_internal::PowerOfTwoAtLeast;

namespace {

// Stable LSD radix sort of `rows` by `keys` (keys[i] belongs to rows[i]);
// `bits` is the number of significant low bits of the keys.
template <typename Key>
void RadixSort(std::vector<Key>& keys, std::vector<RowId>& rows, int bits) {
  constexpr int kDigit = 11;
  constexpr std::size_t kBuckets = std::size_t{1} << kDigit;
  const std::size_t n = rows.size();
  if (n < 2 || bits == 0) return;
  if (n < 256) {
    std::vector<std::pair<Key, RowId>> pairs(n);
    for (std::size_t i = 0; i < n; ++i) pairs[i] = {keys[i], rows[i]};
    std::stable_sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < n; ++i) rows[i] = pairs[i].second;
    return;
  }
  std::vector<Key> keys2;
  std::vector<RowId> rows2;
  std::vector<std::size_t> count(kBuckets);
  for (int shift = 0; shift < bits; shift += kDigit) {
    std::fill(count.begin(), count.end(), 0);
    for (std::size_t i = 0; i < n; ++i) ++count[(keys[i] >> shift) & (kBuckets - 1)];
    // A digit every key shares moves nothing.
    if (count[(keys[0] >> shift) & (kBuckets - 1)] == n) continue;
    if (keys2.empty()) {
      keys2.resize(n);
      rows2.resize(n);
    }
    std::size_t sum = 0;
    for (std::size_t& c : count) {
      std::size_t k = c;
      c = sum;
      sum += k;
    }
    for (std::size_t i = 0; i < n; ++i) {
      std::size_t d = (keys[i] >> shift) & (kBuckets - 1);
      std::size_t to = count[d]++;
      keys2[to] = keys[i];
      rows2[to] = rows[i];
    }
    keys.swap(keys2);
    rows.swap(rows2);
  }
}

// Open-addressing set of the distinct values of one field, giving each a
// provisional id in order of first occurrence.
class DistinctValues {
 public:
  explicit DistinctValues(std::size_t expected) { Grow(PowerOfTwoAtLeast(expected < 1024 ? 64 : 1024)); }

  // Returns the id of the value whose hash is `hash`, `row` holding it;
  // `same(id)` tells whether the value of that id equals it.
  template <typename Same>
  std::uint32_t IdOf(std::uint64_t hash, RowId row, Same&& same) {
    if ((representatives_.size() + 1) * 4 > slots_.size() * 3) Grow(slots_.size() * 2);
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      Slot& s = slots_[i];
      if (s.id == kFree) {
        s.hash = static_cast<std::uint32_t>(hash);
        s.id = static_cast<std::uint32_t>(representatives_.size());
        representatives_.push_back(row);
        return s.id;
      }
      if (s.hash == static_cast<std::uint32_t>(hash) && same(s.id)) return s.id;
    }
  }
  const std::vector<RowId>& representatives() const { return representatives_; }
  std::vector<RowId> TakeRepresentatives() { return std::move(representatives_); }

 private:
  static constexpr std::uint32_t kFree = 0xFFFFFFFFu;
  // The low half of the hash is enough to place a value in any table of
  // fewer than 2^32 slots, and halves the slots of a field of many values.
  struct Slot {
    std::uint32_t hash = 0;
    std::uint32_t id = kFree;
  };
  void Grow(std::size_t size) {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(size, Slot{});
    std::size_t mask = size - 1;
    for (const Slot& s : old) {
      if (s.id == kFree) continue;
      std::size_t i = s.hash & mask;
      while (slots_[i].id != kFree) i = (i + 1) & mask;
      slots_[i] = s;
    }
  }
  std::vector<Slot> slots_;
  std::vector<RowId> representatives_;
};

}  // namespace

// What a table derived from its rows: value ranks per field and orders per
// key list. Guarded by a mutex, since const readers on several threads may
// fill it.
struct Table::Cache {
  std::mutex mutex;
  struct FieldRanks {
    std::shared_ptr<const RankArray> ranks;
    std::uint32_t distinct = 0;
  };
  std::vector<FieldRanks> ranks;  // by field
  std::vector<std::pair<std::vector<int>, std::shared_ptr<const std::vector<RowId>>>> orders;
  // File order, shared by every order whose keys are the same on all rows.
  std::shared_ptr<const std::vector<RowId>> file_order;
  struct LookupIndex {
    std::vector<int> keys, all;
    std::shared_ptr<const void> index;
  };
  std::vector<LookupIndex> indexes;
};

// Ranks come from the distinct values: each value is hashed once, only the
// distinct values are sorted, so a field of few values costs one pass.
std::shared_ptr<const Table::RankArray> Table::Ranks(int f, std::uint32_t& distinct) const {
  Cache& cache = *cache_;
  auto& slot = cache.ranks[static_cast<std::size_t>(f)];
  if (slot.ranks) {
    distinct = slot.distinct;
    return slot.ranks;
  }
  const Column& c = col(f);
  const bool text = c.type == FieldType::String;
  // A field of one value on every row (left empty throughout, or one value
  // repeated) is found without the per-row work below.
  {
    const bool empty0 = rows_ == 0 || !c.Has(0);
    RowId r = 1;
    if (empty0) {
      while (r < rows_ && !c.Has(r)) ++r;
    } else if (text) {
      const std::string_view v0 = View(0, f);
      while (r < rows_ && c.Has(r) && View(r, f) == v0) ++r;
    } else {
      const double v0 = Number(0, f);
      while (r < rows_ && c.Has(r) && Number(r, f) == v0) ++r;
    }
    if (r >= rows_) {
      slot.distinct = empty0 ? 1 : 2;
      slot.ranks = std::make_shared<const RankArray>(empty0 ? 0u : 1u);
      distinct = slot.distinct;
      return slot.ranks;
    }
  }
  std::vector<std::uint32_t> ids(rows_);
  // The distinct numbers by id: a float's number is read from its text, so
  // each row's is read once and compared with these.
  std::vector<double> numbers;
  // A row holding each distinct text, by id. Each buffer below goes as soon
  // as it has served: a field of as many values as rows (a personal code)
  // would otherwise hold them all at once.
  std::vector<RowId> reps;
  {
    DistinctValues values(rows_);
    for (RowId r = 0; r < rows_; ++r) {
      if (!c.Has(r)) {
        ids[r] = 0xFFFFFFFFu;
        continue;
      }
      if (text) {
        std::string_view v = View(r, f);
        ids[r] =
            values.IdOf(HashText(v), r, [&](std::uint32_t id) { return View(values.representatives()[id], f) == v; });
      } else {
        const double v = Number(r, f);
        ids[r] = values.IdOf(HashNumber(v), r, [&](std::uint32_t id) { return numbers[id] == v; });
        if (ids[r] == numbers.size()) numbers.push_back(v);
      }
    }
    reps = values.TakeRepresentatives();
  }
  if (!text) reps = {};
  const std::size_t count = text ? reps.size() : numbers.size();
  std::vector<std::uint32_t> by_value(count);
  for (std::uint32_t i = 0; i < by_value.size(); ++i) by_value[i] = i;
  if (text) {
    std::sort(by_value.begin(), by_value.end(),
              [&](std::uint32_t a, std::uint32_t b) { return View(reps[a], f) < View(reps[b], f); });
  } else {
    std::sort(by_value.begin(), by_value.end(),
              [&](std::uint32_t a, std::uint32_t b) { return numbers[a] < numbers[b]; });
  }
  reps = {};
  numbers = {};
  std::vector<std::uint32_t> rank_of_id(count);
  for (std::uint32_t k = 0; k < by_value.size(); ++k) rank_of_id[by_value[k]] = k + 1;
  by_value = {};
  for (std::uint32_t& id : ids) id = id == 0xFFFFFFFFu ? 0 : rank_of_id[id];
  rank_of_id = {};
  slot.distinct = static_cast<std::uint32_t>(count + 1);
  slot.ranks = std::make_shared<const RankArray>(ids, slot.distinct);
  distinct = slot.distinct;
  return slot.ranks;
}

// The keys are replaced by their value ranks and packed, from the last key
// on, into as few 64-bit words as hold them; a stable radix sort by each word,
// least significant first, orders the rows, and the starting order (file
// order) breaks ties.
std::shared_ptr<const std::vector<RowId>> Table::SharedOrder(std::span<const int> keys) const {
  return MakeOrder(keys, true);
}

std::shared_ptr<const std::vector<RowId>> Table::MakeOrder(std::span<const int> keys, bool keep) const {
  if (!cache_) cache_ = std::make_shared<Cache>();
  Cache& cache = *cache_;
  std::lock_guard<std::mutex> lock(cache.mutex);
  for (const auto& [k, order] : cache.orders) {
    if (std::equal(k.begin(), k.end(), keys.begin(), keys.end())) return order;
  }
  if (cache.ranks.size() != fields_.size()) cache.ranks.resize(fields_.size());
  if (auto order = RefinedOrder(keys)) {
    if (keep) cache.orders.emplace_back(std::vector<int>(keys.begin(), keys.end()), order);
    return order;
  }

  std::vector<RowId> rows;
  bool sorted = false;
  // Packs the ranks of `parts` for each row in the current order and sorts
  // by them; 32-bit words where the ranks fit, which halves the buffers.
  auto sort_by = [&](const auto& parts, auto word) {
    std::vector<decltype(word)> packed(rows_);
    for (std::size_t i = 0; i < rows_; ++i) {
      RowId r = rows[i];
      decltype(word) v = 0;
      for (const auto& [ranks, distinct] : parts) v = v * distinct + (*ranks)[r];
      packed[i] = v;
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
      auto ranks = Ranks(keys[begin - 1], distinct);
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
    if (!sorted) {
      rows.resize(rows_);
      for (std::size_t i = 0; i < rows_; ++i) rows[i] = static_cast<RowId>(i);
      sorted = true;
    }
    const auto max_value = static_cast<std::uint64_t>(span - 1);
    const int bits = max_value == 0 ? 0 : 64 - std::countl_zero(max_value);
    if (max_value <= std::numeric_limits<std::uint32_t>::max()) {
      std::vector<std::uint32_t> packed = sort_by(parts, std::uint32_t{0});
      RadixSort(packed, rows, bits);
    } else {
      std::vector<std::uint64_t> packed = sort_by(parts, std::uint64_t{0});
      RadixSort(packed, rows, bits);
    }
  }
  std::shared_ptr<const std::vector<RowId>> order;
  if (sorted) {
    order = std::make_shared<const std::vector<RowId>>(std::move(rows));
  } else {
    if (!cache.file_order) {
      std::vector<RowId> identity(rows_);
      for (std::size_t i = 0; i < rows_; ++i) identity[i] = static_cast<RowId>(i);
      cache.file_order = std::make_shared<const std::vector<RowId>>(std::move(identity));
    }
    order = cache.file_order;
  }
  if (keep) cache.orders.emplace_back(std::vector<int>(keys.begin(), keys.end()), order);
  return order;
}

// An order whose leading keys are those of an order already made: rows of
// equal leading keys stand together there in file order, so sorting each
// such run by the other keys, stably, gives the order asked for, with no
// more memory than the order itself (a pass over a declaration's rows by
// many keys refines the order by the declaration). Null when no kept order
// leads this one.
std::shared_ptr<const std::vector<RowId>> Table::RefinedOrder(std::span<const int> keys) const {
  Cache& cache = *cache_;
  std::shared_ptr<const std::vector<RowId>> leading;
  std::size_t lead = 0;
  for (const auto& [k, order] : cache.orders) {
    if (k.size() < keys.size() && k.size() > lead && order != cache.file_order &&
        std::equal(k.begin(), k.end(), keys.begin())) {
      leading = order;
      lead = k.size();
    }
  }
  if (leading == nullptr || leading->size() != rows_) return nullptr;
  std::vector<std::shared_ptr<const RankArray>> head, rest;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    std::uint32_t distinct = 0;
    auto ranks = Ranks(keys[i], distinct);
    if (ranks->constant) continue;
    (i < lead ? head : rest).push_back(std::move(ranks));
  }
  if (rest.empty()) return leading;  // the other keys order nothing
  auto order = std::make_shared<std::vector<RowId>>(*leading);
  std::vector<RowId>& rows = *order;
  auto same_head = [&](RowId a, RowId b) {
    for (const auto& r : head) {
      if ((*r)[a] != (*r)[b]) return false;
    }
    return true;
  };
  auto before = [&](RowId a, RowId b) {
    for (const auto& r : rest) {
      const std::uint32_t x = (*r)[a], y = (*r)[b];
      if (x != y) return x < y;
    }
    return false;
  };
  std::size_t first = 0;
  while (first < rows.size()) {
    std::size_t last = first + 1;
    while (last < rows.size() && same_head(rows[first], rows[last])) ++last;
    if (last - first <= 32) {
      // A declaration's few rows: insertion sort, stable.
      for (std::size_t i = first + 1; i < last; ++i) {
        const RowId row = rows[i];
        std::size_t j = i;
        for (; j > first && before(row, rows[j - 1]); --j) rows[j] = rows[j - 1];
        rows[j] = row;
      }
    } else {
      std::stable_sort(rows.begin() + static_cast<std::ptrdiff_t>(first),
                       rows.begin() + static_cast<std::ptrdiff_t>(last), before);
    }
    first = last;
  }
  return order;
}

std::vector<std::shared_ptr<const Table::RankArray>> Table::RanksOf(std::span<const int> keys) const {
  if (!cache_) cache_ = std::make_shared<Cache>();
  Cache& cache = *cache_;
  std::lock_guard<std::mutex> lock(cache.mutex);
  if (cache.ranks.size() != fields_.size()) cache.ranks.resize(fields_.size());
  std::vector<std::shared_ptr<const RankArray>> out;
  for (int f : keys) {
    std::uint32_t distinct = 0;
    out.push_back(Ranks(f, distinct));
  }
  return out;
}

std::shared_ptr<const void> Table::CachedIndex(const std::vector<int>& keys, const std::vector<int>& all) const {
  if (!cache_) return nullptr;
  std::lock_guard<std::mutex> lock(cache_->mutex);
  for (const Cache::LookupIndex& i : cache_->indexes) {
    if (i.keys == keys && i.all == all) return i.index;
  }
  return nullptr;
}

void Table::KeepIndex(const std::vector<int>& keys, const std::vector<int>& all,
                      std::shared_ptr<const void> index) const {
  if (!cache_) cache_ = std::make_shared<Cache>();
  std::lock_guard<std::mutex> lock(cache_->mutex);
  cache_->indexes.push_back({keys, all, std::move(index)});
}

std::vector<RowId> Table::Order(std::span<const int> keys) const {
  if (keys.empty()) {
    std::vector<RowId> rows(rows_);
    for (std::size_t i = 0; i < rows_; ++i) rows[i] = static_cast<RowId>(i);
    return rows;
  }
  // A copy is for a pass of its own: the order is not kept for others.
  return *MakeOrder(keys, false);
}

}  // namespace zentrox
