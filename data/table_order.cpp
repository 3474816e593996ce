// Sorted orders of a table's rows, the value ranks they are sorted by, and the
// cache that keeps both (and the lookup indexes) until the rows change.
#include <algorithm>
#include <bit>
#include <functional>
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
// provisional id in order of first occurrence. A slot is 8 bytes (the high
// half of the value's hash beside its id) and the set is kept at most three
// quarters full: a field of 300,000 distinct values (a declaration number
// over REV5_SD) takes 4 MB, not the 16 MB of full hashes at half load.
class DistinctValues {
 public:
  explicit DistinctValues(std::size_t expected) { Grow(PowerOfTwoAtLeast(expected < 1024 ? 64 : 1024)); }

  // Returns the id of the value whose hash is `hash`; `same(row)` tells
  // whether the value of the representative row equals it.
  template <typename Same>
  std::uint32_t IdOf(std::uint64_t hash, RowId row, Same&& same) {
    if ((representatives_.size() + 1) * 4 > slots_.size() * 3) Grow(slots_.size() * 2);
    const std::size_t mask = slots_.size() - 1;
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      Slot& s = slots_[i];
      if (s.id == kFree) {
        s.tag = tag;
        s.id = static_cast<std::uint32_t>(representatives_.size());
        representatives_.push_back(row);
        hashes_.push_back(hash);
        return s.id;
      }
      if (s.tag == tag && same(representatives_[s.id])) return s.id;
    }
  }
  const std::vector<RowId>& representatives() const { return representatives_; }

 private:
  static constexpr std::uint32_t kFree = 0xFFFFFFFFu;
  struct Slot {
    std::uint32_t tag = 0;  // the hash's high half
    std::uint32_t id = kFree;
  };
  void Grow(std::size_t size) {
    slots_.assign(size, Slot{});
    const std::size_t mask = size - 1;
    for (std::uint32_t id = 0; id < hashes_.size(); ++id) {
      std::size_t i = hashes_[id] & mask;
      while (slots_[i].id != kFree) i = (i + 1) & mask;
      slots_[i] = Slot{static_cast<std::uint32_t>(hashes_[id] >> 32), id};
    }
  }
  std::vector<Slot> slots_;
  std::vector<RowId> representatives_;
  std::vector<std::uint64_t> hashes_;  // by id, to place the slots again when the set grows
};

}  // namespace

// What a table derived from its rows: value ranks per field, orders per key
// list, lookup indexes. Const readers on several threads may fill it, so each
// rank array and each order has a lock of its own, held while it is computed:
// a pass that asks for what is there already, or for another order, does not
// wait for a sort; two that ask for the same one compute it once. So has
// each lookup index, held while it is built. `mutex` guards only the lists.
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

// Ranks come from the distinct values: each value is hashed once, only the
// distinct values are sorted, so a field of few values costs one pass.
std::shared_ptr<const Table::RankArray> Table::Ranks(int f, std::uint32_t& distinct) const {
  Cache::FieldRanks& slot = cache_->RanksSlot(f, fields_.size());
  std::lock_guard<std::mutex> lock(slot.mutex);
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
  DistinctValues values(rows_);
  std::vector<std::uint32_t> ids(rows_);
  for (RowId r = 0; r < rows_; ++r) {
    if (!c.Has(r)) {
      ids[r] = 0xFFFFFFFFu;
      continue;
    }
    if (text) {
      std::string_view v = View(r, f);
      ids[r] = values.IdOf(HashText(v), r, [&](RowId k) { return View(k, f) == v; });
    } else {
      double v = Number(r, f);
      ids[r] = values.IdOf(HashNumber(v), r, [&](RowId k) { return Number(k, f) == v; });
    }
  }
  const std::vector<RowId>& reps = values.representatives();
  std::vector<std::uint32_t> by_value(reps.size());
  for (std::uint32_t i = 0; i < by_value.size(); ++i) by_value[i] = i;
  if (text) {
    std::sort(by_value.begin(), by_value.end(),
              [&](std::uint32_t a, std::uint32_t b) { return View(reps[a], f) < View(reps[b], f); });
  } else {
    std::sort(by_value.begin(), by_value.end(),
              [&](std::uint32_t a, std::uint32_t b) { return Number(reps[a], f) < Number(reps[b], f); });
  }
  std::vector<std::uint32_t> rank_of_id(reps.size());
  for (std::uint32_t k = 0; k < by_value.size(); ++k) rank_of_id[by_value[k]] = k + 1;
  for (std::uint32_t& id : ids) id = id == 0xFFFFFFFFu ? 0 : rank_of_id[id];
  slot.distinct = static_cast<std::uint32_t>(reps.size() + 1);
  slot.ranks = std::make_shared<const RankArray>(ids, slot.distinct);
  distinct = slot.distinct;
  return slot.ranks;
}

// The keys are replaced by their value ranks and packed, from the last key
// on, into as few 64-bit words as hold them; a stable radix sort by each word,
// least significant first, orders the rows, and the starting order (file
// order) breaks ties.
std::shared_ptr<const std::vector<RowId>> Table::SharedOrder(std::span<const int> keys) const {
  Cache& cache = CacheOf();
  Cache::Order& slot = cache.OrderSlot(keys);
  std::lock_guard<std::mutex> lock(slot.mutex);
  if (slot.rows) return slot.rows;

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
  if (sorted) {
    slot.rows = std::make_shared<const std::vector<RowId>>(std::move(rows));
  } else {
    std::lock_guard<std::mutex> lists(cache.mutex);
    if (!cache.file_order) {
      std::vector<RowId> identity(rows_);
      for (std::size_t i = 0; i < rows_; ++i) identity[i] = static_cast<RowId>(i);
      cache.file_order = std::make_shared<const std::vector<RowId>>(std::move(identity));
    }
    slot.rows = cache.file_order;
  }
  return slot.rows;
}

std::vector<std::shared_ptr<const Table::RankArray>> Table::RanksOf(std::span<const int> keys) const {
  CacheOf();
  std::vector<std::shared_ptr<const RankArray>> out;
  for (int f : keys) {
    std::uint32_t distinct = 0;
    out.push_back(Ranks(f, distinct));
  }
  return out;
}

std::shared_ptr<const void> Table::IndexFor(const std::vector<int>& keys, const std::vector<int>& all,
                                            const std::function<std::shared_ptr<const void>()>& build) const {
  Cache::LookupIndex& slot = CacheOf().IndexSlot(keys, all);
  std::lock_guard<std::mutex> lock(slot.mutex);
  if (!slot.index) slot.index = build();
  return slot.index;
}

// The cache is made on first use by whichever reader comes first; a table
// being read is not changed, so only its making needs guarding.
Table::Cache& Table::CacheOf() const {
  static std::mutex making;
  std::lock_guard<std::mutex> lock(making);
  if (!cache_) cache_ = std::make_shared<Cache>();
  return *cache_;
}

std::vector<RowId> Table::Order(std::span<const int> keys) const {
  if (keys.empty()) {
    std::vector<RowId> rows(rows_);
    for (std::size_t i = 0; i < rows_; ++i) rows[i] = static_cast<RowId>(i);
    return rows;
  }
  return *SharedOrder(keys);
}

}  // namespace zentrox
