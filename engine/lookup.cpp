#include "engine/lookup.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/number_parse.h"
#include "engine/table_indexes.h"
#include "engine/table_internal.h"

namespace zentrox {

using table_internal::CompareNumbers;
using table_internal::CompareTexts;
using table_internal::HashNumber;
using table_internal::HashText;
using table_internal::kEmptyHash;
using table_internal::Mix;
using table_internal::PowerOfTwoAtLeast;

KeyValue KeyValue::Of(const Table& t, RowId row, int f) {
  KeyValue k;
  k.empty = t.IsEmpty(row, f);
  if (k.empty) return k;
  if (t.field(f).type == FieldType::String) {
    k.text = std::string(t.View(row, f));
    double v = 0;
    if (ParseDouble(k.text, v)) k.number = v;
  } else {
    k.number = t.Number(row, f);
    k.text = t.Text(row, f);
  }
  return k;
}

Lookup::Lookup(const Table& table, std::vector<int> keys, std::vector<int> then_by) {
  auto own = std::make_shared<TableIndexes>();
  *this = Lookup(*own, table, std::move(keys), std::move(then_by));
  own_indexes_ = std::move(own);
}

Lookup::Lookup(TableIndexes& indexes, const Table& table, std::vector<int> keys, std::vector<int> then_by)
    : indexes_(&indexes), table_(&table), keys_(std::move(keys)), all_(keys_) {
  all_.insert(all_.end(), then_by.begin(), then_by.end());
  // Keys of one value wait for a search that asks for it, unless every key
  // is such (then the index costs nothing: one group, no order).
  if (table.size() > 0 && keys_.size() <= 8) {
    for (std::size_t i = 0; i < keys_.size(); ++i) {
      if (indexes.OneValueThroughout(table, keys_[i])) one_value_keys_.push_back(i);
    }
    if (one_value_keys_.size() == keys_.size()) one_value_keys_.clear();
  }
  if (one_value_keys_.empty()) index();
}

const Lookup::Index* Lookup::index() {
  if (!index_ && table_ != nullptr) {
    const Table& table = *table_;
    TableIndexes& indexes = *indexes_;
    index_ = std::static_pointer_cast<const Index>(indexes.IndexFor(table, keys_, all_, [&] {
      const bool one_group =
          std::all_of(all_.begin(), all_.end(), [&](int f) { return indexes.OneValueThroughout(table, f); });
      return std::shared_ptr<const void>(BuildIndex(one_group ? nullptr : indexes.SharedOrder(table, all_)));
    }));
    one_value_keys_.clear();
  }
  return index_.get();
}

// Every row holds row 0's value in a key of one value.
bool Lookup::MayMatch(const Atom* atoms) const {
  for (std::size_t i : one_value_keys_) {
    const int f = keys_[i];
    const bool e = table_->IsEmpty(0, f);
    if (e || atoms[i].empty) {
      if (e != atoms[i].empty) return false;
      continue;
    }
    if (table_->field(f).type == FieldType::String ? table_->View(0, f) != atoms[i].text
                                                   : table_->Number(0, f) != atoms[i].number) {
      return false;
    }
  }
  return true;
}

bool Lookup::MayMatch(std::span<const KeyValue> values) const {
  for (std::size_t i : one_value_keys_) {
    if (i >= values.size()) continue;
    const int f = keys_[i];
    const KeyValue& v = values[i];
    const bool e = table_->IsEmpty(0, f);
    if (e || v.empty) {
      if (e != v.empty) return false;
      continue;
    }
    if (table_->field(f).type == FieldType::String ? table_->View(0, f) != v.text
                                                   : CompareNumbers(table_->Number(0, f), v.number) != 0) {
      return false;
    }
  }
  return true;
}

const std::vector<RowId>& Lookup::RowsOf(const Index& index) {
  if (index.rows) return *index.rows;
  if (!file_rows_) file_rows_ = indexes_->FileOrder(*table_);
  return *file_rows_;
}

const std::vector<RowId>& Lookup::rows() {
  static const std::vector<RowId> kNone;
  const Index* index = this->index();
  return index != nullptr ? RowsOf(*index) : kNone;
}

std::size_t Lookup::HashedBytes() const {
  if (!index_) return 0;
  return index_->starts.capacity() * sizeof(std::uint32_t) + index_->buckets.capacity() * sizeof(Slot);
}

std::uint64_t Lookup::HashOf(const Atom* atoms) const {
  std::uint64_t h = 0x3C6EF372FE94F82Bull;
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    const Atom& a = atoms[i];
    std::uint64_t v =
        a.empty ? kEmptyHash
                : (table_->field(keys_[i]).type == FieldType::String ? HashText(a.text) : HashNumber(a.number));
    h = Mix(h + v + i);
  }
  return h;
}

std::uint64_t Lookup::HashOfRow(RowId row) const {
  Atom atoms[8];
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    int f = keys_[i];
    atoms[i].empty = table_->IsEmpty(row, f);
    if (atoms[i].empty) continue;
    if (table_->field(f).type == FieldType::String) {
      atoms[i].text = table_->View(row, f);
    } else {
      atoms[i].number = table_->Number(row, f);
    }
  }
  return HashOf(atoms);
}

bool Lookup::RowMatches(RowId row, const Atom* atoms) const {
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    int f = keys_[i];
    bool e = table_->IsEmpty(row, f);
    if (e || atoms[i].empty) {
      if (e != atoms[i].empty) return false;
      continue;
    }
    if (table_->field(f).type == FieldType::String ? table_->View(row, f) != atoms[i].text
                                                   : table_->Number(row, f) != atoms[i].number) {
      return false;
    }
  }
  return true;
}

// Rows with equal keys stand together in the sorted order: each such group
// gets one slot, found by the hash of its keys.
std::shared_ptr<const Lookup::Index> Lookup::BuildIndex(std::shared_ptr<const std::vector<RowId>> sorted) const {
  auto index = std::make_shared<Index>();
  index->rows = std::move(sorted);
  index->size = index->rows ? index->rows->size() : table_->size();
  return index;
}

// Any lookup over the index may make its groups: they depend only on the
// table and the keys, which every lookup sharing the index has alike.
const Lookup::Index& Lookup::Hashed(const Index& index) const {
  std::call_once(index.hashed, [&] { HashGroups(index); });
  return index;
}

void Lookup::HashGroups(const Index& index) const {
  const Index& rows = index;  // read by position
  // Equal ranks are equal values; a key of one value on every row tells
  // no group from another.
  auto ranks = indexes_->RanksOf(*table_, keys_);
  std::erase_if(ranks, [](const auto& r) { return r->constant; });
  std::vector<std::uint32_t>& starts = index.starts;
  std::uint32_t first = 0;
  for (std::uint32_t i = ranks.empty() ? static_cast<std::uint32_t>(rows.size) : 1; i <= rows.size; ++i) {
    if (i < rows.size) {
      // A row repeating the one before it in the order holds its keys.
      if (rows.At(i) == rows.At(i - 1) + 1 && table_->Repeats(rows.At(i))) continue;
      bool same = true;
      for (const auto& r : ranks) {
        if ((*r)[rows.At(i)] != (*r)[rows.At(first)]) {
          same = false;
          break;
        }
      }
      if (same) continue;
    }
    starts.push_back(first);
    first = i;
  }
  const auto groups = static_cast<std::uint32_t>(starts.size());
  starts.push_back(static_cast<std::uint32_t>(rows.size));
  starts.shrink_to_fit();
  std::vector<Slot>& buckets = index.buckets;
  buckets.assign(PowerOfTwoAtLeast(groups + groups / 2), Slot{});
  const std::size_t mask = buckets.size() - 1;
  // A large table of slots is written at random places: each group's hash
  // is computed some groups ahead and its slot fetched meanwhile, so the
  // writes do not wait on memory one after another.
  constexpr std::uint32_t kAhead = 16;
  std::uint64_t ahead[kAhead];
  const auto fetch = [&](std::uint32_t g) {
    const std::uint64_t h = HashOfRow(rows.At(starts[g]));
    __builtin_prefetch(&buckets[h & mask], 1);
    ahead[g % kAhead] = h;
  };
  for (std::uint32_t g = 0; g < groups && g < kAhead; ++g) fetch(g);
  for (std::uint32_t g = 0; g < groups; ++g) {
    const std::uint64_t h = ahead[g % kAhead];
    if (g + kAhead < groups) fetch(g + kAhead);
    std::size_t i = h & mask;
    while (buckets[i].group != 0) i = (i + 1) & mask;
    buckets[i] = Slot{static_cast<std::uint32_t>(h), g + 1};
  }
}

bool Lookup::IsLastMiss(const Atom* atoms) const {
  if (!miss_.valid) return false;
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    const Atom& a = atoms[i];
    if (a.empty != miss_.empty[i]) return false;
    if (a.empty) continue;
    if (table_->field(keys_[i]).type == FieldType::String) {
      if (a.text.size() != miss_.size[i] || a.text.compare(0, a.text.size(), miss_.text[i], miss_.size[i]) != 0) {
        return false;
      }
    } else if (!(a.number == miss_.number[i])) {
      return false;
    }
  }
  return true;
}

void Lookup::KeepMiss(const Atom* atoms) {
  miss_.valid = false;
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    const Atom& a = atoms[i];
    miss_.empty[i] = a.empty;
    if (a.empty) continue;
    if (table_->field(keys_[i]).type == FieldType::String) {
      if (a.text.size() > sizeof miss_.text[i]) return;
      miss_.size[i] = static_cast<std::uint8_t>(a.text.size());
      a.text.copy(miss_.text[i], a.text.size());
    } else {
      miss_.number[i] = a.number;
    }
  }
  miss_.valid = true;
}

Lookup::Range Lookup::FindAtoms(const Atom* atoms) {
  if (!MayMatch(atoms)) return {};
  const Index* index = this->index();
  if (index == nullptr || index->size == 0 || keys_.size() > 8) return {};
  const Index& rows = *index;
  const auto range = [&](std::uint32_t first, std::uint32_t end) {
    const RowId* base = RowsOf(rows).data();
    return Range{base + first, base + end};
  };
  // The group found last is tried first, before any hashing, then the
  // group after it (the first group, before any search): its rows are found
  // by stepping while they match, up to a few (a larger group is found by
  // its hash).
  if (last_end_ != 0 && RowMatches(rows.At(last_first_), atoms)) return range(last_first_, last_end_);
  constexpr std::uint32_t kStepMax = 64;
  const auto size = static_cast<std::uint32_t>(rows.size);
  const std::uint32_t next = last_end_;
  if (next < size && RowMatches(rows.At(next), atoms)) {
    std::uint32_t end = next + 1;
    while (end < size && end - next < kStepMax && RowMatches(rows.At(end), atoms)) ++end;
    if (end == size || !RowMatches(rows.At(end), atoms)) {
      last_first_ = next;
      last_end_ = end;
      return range(next, end);
    }
  }
  if (IsLastMiss(atoms)) return {};
  const std::vector<Slot>& buckets = Hashed(*index).buckets;
  const std::uint64_t h = HashOf(atoms);
  const std::size_t mask = buckets.size() - 1;
  const std::vector<std::uint32_t>& starts = index->starts;
  for (std::size_t i = h & mask;; i = (i + 1) & mask) {
    const Slot& s = buckets[i];
    if (s.group == 0) {
      KeepMiss(atoms);
      return {};
    }
    if (s.hash == static_cast<std::uint32_t>(h) && RowMatches(rows.At(starts[s.group - 1]), atoms)) {
      last_first_ = starts[s.group - 1];
      last_end_ = starts[s.group];
      return range(last_first_, last_end_);
    }
  }
}

// Equal ranks are equal values as the search reads them only when both
// sides compare alike: numbers with numbers, stored texts with texts. A
// float searched in a text key reads as its file text, which its rank does
// not tell: such links search each row.
Lookup::ColumnLink Lookup::LinkColumn(const Table& master, int field) {
  ColumnLink link;
  link.lookup_ = this;
  link.master_ = &master;
  link.field_ = field;
  if (table_ == nullptr || keys_.size() != 1) return link;
  const FieldType key = table_->field(keys_[0]).type;
  const FieldType value = master.field(field).type;
  const bool text_key = key == FieldType::String;
  const bool alike = text_key ? value == FieldType::String
                              : value == FieldType::Integer || value == FieldType::Float || value == FieldType::Date;
  if (!alike) return link;
  const int fields[] = {field};
  auto ranks = indexes_->RanksOf(master, fields);
  link.rank_array_ = ranks.front().get();
  link.ranks_ = std::move(ranks.front());
  return link;
}

std::uint32_t Lookup::ColumnLink::RankOf(RowId row) const {
  return (*static_cast<const Table::RankArray*>(rank_array_))[row];
}

RowId Lookup::ColumnLink::Resolve(RowId row, std::uint32_t rank) {
  if (rank >= found_.size()) found_.resize(rank + 1, kUnknown);
  found_[rank] = lookup_->First(*master_, row, {field_});
  return found_[rank];
}

int Lookup::CompareKey(RowId row, std::span<const KeyValue> values) const {
  for (std::size_t i = 0; i < keys_.size() && i < values.size(); ++i) {
    int f = keys_[i];
    const KeyValue& v = values[i];
    bool e = table_->IsEmpty(row, f);
    if (e || v.empty) {
      if (e != v.empty) return e ? -1 : 1;
      continue;
    }
    int c = table_->field(f).type == FieldType::String ? CompareTexts(table_->View(row, f), v.text)
                                                       : CompareNumbers(table_->Number(row, f), v.number);
    if (c != 0) return c;
  }
  return 0;
}

// A search with fewer values than keys matches the leading keys only: such
// a range is found by binary search.
Lookup::Range Lookup::BinarySearch(std::span<const KeyValue> values) {
  if (!MayMatch(values)) return {};
  const Index* index = this->index();
  if (index == nullptr || index->size == 0) return {};
  const std::vector<RowId>& rows = RowsOf(*index);
  const RowId* begin = rows.data();
  const RowId* end = rows.data() + rows.size();
  const RowId* lo = std::lower_bound(begin, end, 0, [&](RowId r, int) { return CompareKey(r, values) < 0; });
  const RowId* hi = std::upper_bound(lo, end, 0, [&](int, RowId r) { return CompareKey(r, values) > 0; });
  return Range{lo, hi};
}

Lookup::Range Lookup::Find(std::span<const KeyValue> values) {
  if (table_ == nullptr) return {};
  if (values.size() < keys_.size() || keys_.size() > 8) return BinarySearch(values);
  Atom atoms[8];
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    const KeyValue& v = values[i];
    atoms[i].empty = v.empty;
    if (table_->field(keys_[i]).type == FieldType::String) {
      atoms[i].text = v.text;
    } else {
      atoms[i].number = v.number;
    }
  }
  return FindAtoms(atoms);
}

Lookup::Range Lookup::Find(const Table& master, RowId row, std::span<const int> master_fields) {
  if (table_ == nullptr) return {};
  const std::size_t n = std::min<std::size_t>(master_fields.size(), 8);
  if (n < keys_.size() || keys_.size() > 8) {
    KeyValue values[8];
    for (std::size_t i = 0; i < n; ++i) values[i] = KeyValue::Of(master, row, master_fields[i]);
    return Find(std::span<const KeyValue>(values, n));
  }
  // The values a KeyValue would carry, without copying texts: a text key
  // takes the master's text, a numeric key its number (a text that reads as
  // no number counts as 0).
  Atom atoms[8];
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    const int mf = master_fields[i];
    Atom& a = atoms[i];
    a.empty = master.IsEmpty(row, mf);
    if (a.empty) continue;
    const bool master_text = master.field(mf).type == FieldType::String;
    if (table_->field(keys_[i]).type == FieldType::String) {
      if (master_text || master.field(mf).type == FieldType::Float) {
        a.text = master.View(row, mf);
      } else {
        // Rare (a date or an integer searched in a text key): use the
        // binary search, which owns its texts.
        KeyValue values[8];
        for (std::size_t k = 0; k < n; ++k) values[k] = KeyValue::Of(master, row, master_fields[k]);
        return BinarySearch(std::span<const KeyValue>(values, n));
      }
    } else if (master_text) {
      double v = 0;
      a.number = ParseDouble(master.View(row, mf), v) ? v : 0;
    } else {
      a.number = master.Number(row, mf);
    }
  }
  return FindAtoms(atoms);
}

}  // namespace zentrox
