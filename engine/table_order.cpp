// Sorted orders of a table's rows, the value ranks they are sorted by, and the
// TableIndexes that keeps both (and the lookup indexes) for the passes.
#include <algorithm>
#include <bit>
#include <functional>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "engine/table.h"
#include "engine/table_internal.h"

namespace zentrox {

using table_internal::HashNumber;
using table_internal::HashText;
using table_internal::PowerOfTwoAtLeast;

namespace {

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

std::vector<RowId> FileOrder(std::size_t rows) {
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

}  // namespace

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

// Ranks in one walk of the rows when the field's values never decrease in
// file order (a file sorted by the field): each value greater than the one
// before it opens the next rank. `value(r)` reads a non-empty row; false as
// soon as a value is smaller than the one before it, or unordered with it.
template <typename Value, typename Read>
bool RanksInFileOrder(std::size_t rows, const auto& has, Read&& value, std::vector<std::uint32_t>& ids,
                      std::uint32_t& ranks) {
  std::uint32_t rank = 0;
  Value last{};
  for (RowId r = 0; r < rows; ++r) {
    if (!has(r)) {
      ids[r] = 0;
      continue;
    }
    const Value v = value(r);
    if (rank == 0 || last < v) {
      ++rank;
      last = v;
    } else if (!(v == last)) {
      return false;
    }
    ids[r] = rank;
  }
  ranks = rank;
  return true;
}

// Ranks of an integer or date column whose values lie close together (a
// month, a day, a code of a few digits): each value marks its place in an
// array over [lowest, highest], whose marks counted in order are the ranks.
// False, with nothing done, when the span is wider than half the rows (the
// array would outgrow the ranks themselves).
bool RanksByCounting(const auto& c, std::size_t rows, std::vector<std::uint32_t>& ids, std::uint32_t& ranks) {
  std::int32_t lowest = std::numeric_limits<std::int32_t>::max();
  std::int32_t highest = std::numeric_limits<std::int32_t>::min();
  for (RowId r = 0; r < rows; ++r) {
    if (!c.Has(r)) continue;
    lowest = std::min(lowest, c.ints[r]);
    highest = std::max(highest, c.ints[r]);
  }
  if (lowest > highest) return false;
  const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(highest) - lowest) + 1;
  if (span > rows / 2 + 1024) return false;
  std::vector<std::uint32_t> rank_at(span);
  for (RowId r = 0; r < rows; ++r) {
    if (c.Has(r)) rank_at[static_cast<std::size_t>(static_cast<std::int64_t>(c.ints[r]) - lowest)] = 1;
  }
  std::uint32_t rank = 0;
  for (std::uint32_t& k : rank_at) {
    if (k != 0) k = ++rank;
  }
  for (RowId r = 0; r < rows; ++r) {
    ids[r] = c.Has(r) ? rank_at[static_cast<std::size_t>(static_cast<std::int64_t>(c.ints[r]) - lowest)] : 0;
  }
  ranks = rank;
  return true;
}

bool Table::ScanOneValue(int f) const {
  const Column& c = col(f);
  const bool empty0 = rows_ == 0 || !c.Has(0);
  std::size_t r = 1;
  // A row marked as repeating the row before it holds what that row holds.
  const auto same = [&](auto&& equal) {
    while (r < rows_) {
      if (Repeats(static_cast<RowId>(r))) {
        r = NextUnrepeated(static_cast<RowId>(r));
      } else if (equal(static_cast<RowId>(r))) {
        ++r;
      } else {
        break;
      }
    }
  };
  if (empty0) {
    // The first row set, a word of set bits at a time.
    std::size_t w = 0;
    const std::size_t words = (c.length + 63) / 64;
    while (w < words && c.bits[w] == 0) ++w;
    r = w < words ? w * 64 + static_cast<std::size_t>(std::countr_zero(c.bits[w])) : rows_;
  } else if (c.type == FieldType::String) {
    const std::string_view v0 = View(0, f);
    same([&](RowId row) { return c.Has(row) && View(row, f) == v0; });
  } else {
    const double v0 = Number(0, f);
    same([&](RowId row) { return c.Has(row) && Number(row, f) == v0; });
  }
  return r >= rows_;
}

bool Table::OneValueThroughout(Cache& cache, int f) const {
  if (auto ranks = KnownRanks(cache, f)) return ranks->constant;
  return ScanOneValue(f);
}

std::shared_ptr<const Table::RankArray> Table::KnownRanks(Cache& cache, int f) const {
  Cache::FieldRanks& slot = cache.RanksSlot(f, fields_.size());
  std::unique_lock<std::mutex> lock(slot.mutex, std::try_to_lock);
  return lock.owns_lock() ? slot.ranks : nullptr;
}

// Ranks come from the distinct values: each value is hashed once (a row equal
// to the row before it not even that), only the distinct values are sorted,
// so a field of few values costs one pass. A field in file order costs one
// walk of the rows (RanksInFileOrder), a column of close integers a count
// (RanksByCounting).
std::shared_ptr<const Table::RankArray> Table::Ranks(Cache& cache, int f, std::uint32_t& distinct) const {
  Cache::FieldRanks& slot = cache.RanksSlot(f, fields_.size());
  std::lock_guard<std::mutex> lock(slot.mutex);
  if (slot.ranks) {
    distinct = slot.distinct;
    return slot.ranks;
  }
  const Column& c = col(f);
  const bool text = c.type == FieldType::String;
  // A field of one value on every row (left empty throughout, or one value
  // repeated) is found without the per-row work below.
  if (ScanOneValue(f)) {
    const bool empty0 = rows_ == 0 || !c.Has(0);
    slot.distinct = empty0 ? 1 : 2;
    slot.ranks = std::make_shared<const RankArray>(empty0 ? 0u : 1u);
    distinct = slot.distinct;
    return slot.ranks;
  }
  const auto has = [&](RowId r) { return c.Has(r); };
  const auto view = [&](RowId r) { return View(r, f); };
  const auto number = [&](RowId r) { return Number(r, f); };
  std::vector<std::uint32_t> ids(rows_);
  std::uint32_t ranks = 0;
  const bool in_file_order = text ? RanksInFileOrder<std::string_view>(rows_, has, view, ids, ranks)
                                  : RanksInFileOrder<double>(rows_, has, number, ids, ranks);
  const bool counted = !in_file_order && (c.type == FieldType::Integer || c.type == FieldType::Date) &&
                       RanksByCounting(c, rows_, ids, ranks);
  // A numeric field of more distinct values than this is ranked by sorting
  // its rows (RanksBySorting) rather than by hashing its values.
  const std::size_t most_hashed = std::max<std::size_t>(std::size_t{1} << 16, rows_ / 4);
  bool sorted = false;
  if (!in_file_order && !counted) {
    // Provisional ids in order of first occurrence, then the distinct values
    // sorted once. A float's number is read from its text, so each row's is
    // read once and compared with the distinct numbers by id. Each buffer
    // goes as soon as it has served: a field of as many values as rows (a
    // personal code) would otherwise hold them all at once.
    std::vector<double> numbers;
    std::vector<RowId> reps;  // of texts: a row holding each
    {
      DistinctValues values;
      const auto text_hash = [&](std::uint32_t id) { return HashText(View(reps[id], f)); };
      const auto number_hash = [&](std::uint32_t id) { return HashNumber(numbers[id]); };
      double last_number = 0;
      for (RowId r = 0; r < rows_; ++r) {
        if (!c.Has(r)) {
          ids[r] = 0xFFFFFFFFu;
          continue;
        }
        const bool after_value = r > 0 && c.Has(r - 1);
        if (text) {
          const std::string_view v = View(r, f);
          if (after_value && View(r - 1, f) == v) {
            ids[r] = ids[r - 1];
            continue;
          }
          ids[r] = values.IdOf(
              HashText(v), [&](std::uint32_t id) { return View(reps[id], f) == v; }, text_hash);
          if (ids[r] == reps.size()) reps.push_back(r);
        } else {
          const double v = Number(r, f);
          if (after_value && last_number == v) {
            ids[r] = ids[r - 1];
          } else {
            ids[r] = values.IdOf(
                HashNumber(v), [&](std::uint32_t id) { return numbers[id] == v; }, number_hash);
            if (ids[r] == numbers.size()) numbers.push_back(v);
            if (numbers.size() > most_hashed) {
              sorted = true;
              break;
            }
          }
          last_number = v;
        }
      }
    }
    if (sorted) {
      numbers = {};
      std::fill(ids.begin(), ids.end(), 0u);
      ranks = RanksBySorting(rows_, has, number, ids);
    } else {
      const std::size_t count = text ? reps.size() : numbers.size();
      std::vector<std::uint32_t> rank_of_id(count);
      const auto rank_sorted = [&](auto& values) {
        const auto less = [](const auto& a, const auto& b) { return a.first < b.first; };
        if (!std::is_sorted(values.begin(), values.end(), less)) std::sort(values.begin(), values.end(), less);
        for (std::uint32_t k = 0; k < values.size(); ++k) rank_of_id[values[k].second] = k + 1;
      };
      if (text) {
        std::vector<std::pair<std::string_view, std::uint32_t>> values(count);
        for (std::uint32_t i = 0; i < count; ++i) values[i] = {View(reps[i], f), i};
        rank_sorted(values);
      } else {
        std::vector<std::pair<double, std::uint32_t>> values(count);
        for (std::uint32_t i = 0; i < count; ++i) values[i] = {numbers[i], i};
        numbers = {};
        rank_sorted(values);
      }
      reps = {};
      for (std::uint32_t& id : ids) id = id == 0xFFFFFFFFu ? 0 : rank_of_id[id];
      ranks = static_cast<std::uint32_t>(count);
    }
  }
  slot.distinct = ranks + 1;
  slot.ranks = std::make_shared<const RankArray>(std::move(ids), slot.distinct);
  distinct = slot.distinct;
  return slot.ranks;
}

// A kept order is made under a lock of its own, so two readers asking for
// it make it once; an order that is not kept (Table::Order's copy) is made
// by its caller alone, from one kept already when there is one.
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

// The keys are replaced by their value ranks and packed, from the last key
// on, into as few 64-bit words as hold them; a stable radix sort by each word,
// least significant first, orders the rows, and the starting order (file
// order) breaks ties.
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
  while (base) {
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
    if (in_long_runs * 8 > from.size()) break;
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

std::vector<std::shared_ptr<const Table::RankArray>> Table::RanksOf(Cache& cache, std::span<const int> keys) const {
  std::vector<std::shared_ptr<const RankArray>> out;
  for (int f : keys) {
    std::uint32_t distinct = 0;
    out.push_back(Ranks(cache, f, distinct));
  }
  return out;
}

std::vector<RowId> Table::Order(std::span<const int> keys) const {
  if (keys.empty()) return zentrox::FileOrder(rows_);
  // Derived for this order alone, and gone with it.
  Cache cache;
  return *MakeOrder(cache, keys, false);
}

TableIndexes::TableIndexes() = default;
TableIndexes::~TableIndexes() = default;

// A table's derivations are made on first asking, under the lists' lock;
// a table changed since they were made is derived anew, and its old ones
// stay until this object goes (a caller may still hold them).
Table::Cache& TableIndexes::CacheOf(const Table& table) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (Entry& entry : entries_) {
    if (entry.table != &table) continue;
    if (entry.generation != table.generation_) {
      retired_.push_back(std::move(entry.cache));
      entry.cache = std::make_unique<Table::Cache>();
      entry.generation = table.generation_;
    }
    return *entry.cache;
  }
  entries_.push_back(Entry{&table, table.generation_, std::make_unique<Table::Cache>()});
  return *entries_.back().cache;
}

std::vector<RowId> TableIndexes::Order(const Table& table, std::span<const int> keys) {
  if (keys.empty()) return zentrox::FileOrder(table.size());
  // A copy is for a pass of its own: the order is not kept for others.
  return *table.MakeOrder(CacheOf(table), keys, false);
}

std::shared_ptr<const std::vector<RowId>> TableIndexes::SharedOrder(const Table& table, std::span<const int> keys) {
  return table.MakeOrder(CacheOf(table), keys, true);
}

bool TableIndexes::OneValueThroughout(const Table& table, int f) { return table.OneValueThroughout(CacheOf(table), f); }

std::shared_ptr<const std::vector<RowId>> TableIndexes::FileOrder(const Table& table) {
  return table.FileOrder(CacheOf(table));
}

std::vector<std::shared_ptr<const Table::RankArray>> TableIndexes::RanksOf(const Table& table,
                                                                           std::span<const int> keys) {
  return table.RanksOf(CacheOf(table), keys);
}

std::shared_ptr<const void> TableIndexes::IndexFor(const Table& table, const std::vector<int>& keys,
                                                   const std::vector<int>& all,
                                                   const std::function<std::shared_ptr<const void>()>& build) {
  Table::Cache::LookupIndex& slot = CacheOf(table).IndexSlot(keys, all);
  std::lock_guard<std::mutex> lock(slot.mutex);
  if (!slot.index) slot.index = build();
  return slot.index;
}

}  // namespace zentrox
