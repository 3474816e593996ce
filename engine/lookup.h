// Links between tables: a sorted index over key fields, searched by values
// or by the fields of another table's row. Included by engine/table.h, so every
// includer of tables has lookups too.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "engine/date.h"
#include "engine/table.h"

namespace zentrox {

class TableIndexes;

// A key value taken from a row of some table, to search another table with.
struct KeyValue {
  bool empty = true;
  double number = 0;
  std::string text;

  static KeyValue Of(const Table& t, RowId row, int f);
};

// A search of a table by some key fields (optionally followed by more fields
// that only order rows with equal keys). Search returns the rows whose keys
// equal the given values in index order; the first of them is what a link
// reads. An empty key value matches only empty fields.
//
// A lookup is two things: the sorted index, made once per table contents and
// key list and shared, immutable, through a TableIndexes with every lookup
// that asks for it; and the search state of one pass, a cursor that
// remembers the group found last. A search moves the cursor, so it is not
// const: each pass searches with lookups of its own over the shared indexes.
class Lookup {
 public:
  Lookup() = default;
  // Over the indexes `indexes` keeps; it must outlive the lookup.
  Lookup(TableIndexes& indexes, const Table& table, std::vector<int> keys, std::vector<int> then_by = {});
  // Over an index of its own, shared with no other lookup.
  Lookup(const Table& table, std::vector<int> keys, std::vector<int> then_by = {});

  struct Range {
    const RowId* first = nullptr;
    const RowId* last = nullptr;
    bool empty() const { return first == last; }
    std::size_t size() const { return static_cast<std::size_t>(last - first); }
    RowId front() const { return empty() ? kNoRow : *first; }
    const RowId* begin() const { return first; }
    const RowId* end() const { return last; }
  };

  Range Find(std::span<const KeyValue> values);
  // Searches with fields of a row of another table (master fields).
  Range Find(const Table& master, RowId row, std::span<const int> master_fields);
  Range Find(const Table& master, RowId row, std::initializer_list<int> master_fields) {
    return Find(master, row, std::span<const int>(master_fields.begin(), master_fields.size()));
  }
  RowId First(const Table& master, RowId row, std::initializer_list<int> master_fields) {
    return Find(master, row, master_fields).front();
  }

  const std::vector<RowId>& rows();
  const Table* table() const { return table_; }
  // Bytes the shared index keeps for finding groups by hash (where each
  // group starts, and the hash table of the groups).
  std::size_t HashedBytes() const;

  // What First(master, row, {field}) gives for every row of `master`, found
  // once per distinct value of the field: a pass that links each row by a
  // field of few values (a month, a category code) reads one array per row
  // instead of searching. Valid while the lookup and both tables are; it
  // searches with the lookup's cursor, so it belongs to the lookup's pass.
  class ColumnLink {
   public:
    RowId operator()(RowId row) {
      if (!ranks_) return lookup_->First(*master_, row, {field_});
      const std::uint32_t rank = RankOf(row);
      if (rank < found_.size() && found_[rank] != kUnknown) return found_[rank];
      return Resolve(row, rank);
    }

   private:
    friend class Lookup;
    static constexpr RowId kUnknown = kNoRow - 1;
    std::uint32_t RankOf(RowId row) const;
    RowId Resolve(RowId row, std::uint32_t rank);
    Lookup* lookup_ = nullptr;
    const Table* master_ = nullptr;
    int field_ = 0;
    std::shared_ptr<const void> ranks_;  // the master field's value ranks; none: search each row
    const void* rank_array_ = nullptr;
    std::vector<RowId> found_;  // by rank
  };
  ColumnLink LinkColumn(const Table& master, int field);

 private:
  // One key value of a search: empty, a number (numeric key field) or a text
  // (text key field).
  struct Atom {
    bool empty = true;
    double number = 0;
    std::string_view text;
  };
  // A group of rows with equal keys, by its number: the group is
  // rows[starts[group - 1], starts[group]). The slot keeps the low half of
  // the keys' hash, enough to pass over most other groups unread.
  struct Slot {
    std::uint32_t hash = 0;
    std::uint32_t group = 0;  // 0: a free slot
  };
  // The sorted rows and the hash table of their groups; built once per
  // table contents and key list, shared by every lookup asking for it, and
  // never changed after.
  struct Index {
    // None when every key holds one value on every row: the one group is
    // then all rows in file order, the table's file order from the
    // TableIndexes, fetched only when a search finds it (`RowsOf`), since
    // most such lookups find nothing (keys left empty throughout a damaged
    // file).
    std::shared_ptr<const std::vector<RowId>> rows;
    std::size_t size = 0;  // rows in the index
    // The groups and their hash table, made once by the first search that
    // hashes (see Hashed): a pass that walks its rows in the keys' order
    // finds each group beside the one before it and never needs them.
    mutable std::once_flag hashed;
    mutable std::vector<std::uint32_t> starts;  // where each group starts, then size
    mutable std::vector<Slot> buckets;          // open addressing, a power of two in size
    RowId At(std::size_t i) const { return rows ? (*rows)[i] : static_cast<RowId>(i); }
  };

  int CompareKey(RowId row, std::span<const KeyValue> values) const;
  Range BinarySearch(std::span<const KeyValue> values);
  std::uint64_t HashOf(const Atom* atoms) const;
  std::uint64_t HashOfRow(RowId row) const;
  bool RowMatches(RowId row, const Atom* atoms) const;
  Range FindAtoms(const Atom* atoms);
  std::shared_ptr<const Index> BuildIndex(std::shared_ptr<const std::vector<RowId>> rows) const;
  // The index with its groups and hash table, made on first asking.
  const Index& Hashed(const Index& index) const;
  void HashGroups(const Index& index) const;
  // The index's rows written out.
  const std::vector<RowId>& RowsOf(const Index& index);

  // The index, made when the lookup is made or, while a key holds one value
  // on every row, by the first search that asks for that value (a key left
  // empty throughout a damaged file is searched with filled values, which
  // find nothing without an index over its millions of rows).
  const Index* index();
  // Whether a search for `atoms` (or the leading `values`) can find rows at
  // all: each key of one value must be searched for that value.
  bool MayMatch(const Atom* atoms) const;
  bool MayMatch(std::span<const KeyValue> values) const;

  TableIndexes* indexes_ = nullptr;
  std::shared_ptr<TableIndexes> own_indexes_;  // when the index is its own
  const Table* table_ = nullptr;
  std::vector<int> keys_;
  std::vector<int> all_;  // keys_, then the fields that order equal keys
  std::shared_ptr<const Index> index_;
  std::shared_ptr<const std::vector<RowId>> file_rows_;  // of an index without rows, once fetched
  // The cursor.
  // Keys (by position) that hold one value on every row, while the index is
  // not made yet; empty once it is.
  std::vector<std::size_t> one_value_keys_;
  // The group the last search found, rows[last_first_, last_end_) (none
  // while last_end_ is 0): passes search the same keys for several rows in
  // a row, or walk their rows in key order and ask for the group after it.
  std::uint32_t last_first_ = 0;
  std::uint32_t last_end_ = 0;
  // The keys of the last search that found nothing, when its texts are
  // short: a pass over rows with empty or unknown keys asks for the same
  // missing keys row after row, and is answered without hashing.
  struct Miss {
    bool valid = false;
    bool empty[8] = {};
    double number[8] = {};
    std::uint8_t size[8] = {};
    char text[8][15] = {};
  };
  Miss miss_;
  bool IsLastMiss(const Atom* atoms) const;
  void KeepMiss(const Atom* atoms);
};

// Reads fields of a linked row; with no row every field reads as empty.
class Linked {
 public:
  Linked() = default;
  Linked(const Table& table, RowId row) : table_(&table), row_(row) {}
  bool found() const { return table_ != nullptr && row_ != kNoRow; }
  RowId row() const { return row_; }
  const Table* table() const { return table_; }
  bool IsEmpty(int f) const { return !found() || table_->IsEmpty(row_, f); }
  std::int32_t Int(int f) const { return found() ? table_->Int(row_, f) : 0; }
  double Number(int f) const { return found() ? table_->Number(row_, f) : 0.0; }
  Date DateValue(int f) const { return found() ? table_->DateValue(row_, f) : Date(); }
  std::string Text(int f) const { return found() ? table_->Text(row_, f) : std::string(); }

 private:
  const Table* table_ = nullptr;
  RowId row_ = kNoRow;
};

}  // namespace zentrox
