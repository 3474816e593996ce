// The value ranks of a table's fields, which its orders are sorted by.
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
    lowest = std::min(lowest, c.IntAt(r));
    highest = std::max(highest, c.IntAt(r));
  }
  if (lowest > highest) return false;
  const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(highest) - lowest) + 1;
  if (span > rows / 2 + 1024) return false;
  std::vector<std::uint32_t> rank_at(span);
  for (RowId r = 0; r < rows; ++r) {
    if (c.Has(r)) rank_at[static_cast<std::size_t>(static_cast<std::int64_t>(c.IntAt(r)) - lowest)] = 1;
  }
  std::uint32_t rank = 0;
  for (std::uint32_t& k : rank_at) {
    if (k != 0) k = ++rank;
  }
  for (RowId r = 0; r < rows; ++r) {
    ids[r] = c.Has(r) ? rank_at[static_cast<std::size_t>(static_cast<std::int64_t>(c.IntAt(r)) - lowest)] : 0;
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

std::vector<std::shared_ptr<const Table::RankArray>> Table::RanksOf(Cache& cache, std::span<const int> keys) const {
  std::vector<std::shared_ptr<const RankArray>> out;
  for (int f : keys) {
    std::uint32_t distinct = 0;
    out.push_back(Ranks(cache, f, distinct));
  }
  return out;
}

}  // namespace zentrox
