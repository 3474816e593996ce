// What is derived from loaded tables: sorted orders, the value ranks they are
// sorted by, and the indexes of lookups, kept apart from the tables.
//
// The owner (a control run) makes one after the tables are loaded and hands
// it to the passes, which read the tables as const. What a pass asks for is
// computed once, on first asking, and shared by every pass after it: each
// order, each field's ranks and each lookup index is made under a lock of
// its own, so passes side by side that ask for the same one make it once and
// a pass asking for another does not wait for it. Which ones the passes need
// depends on the data (a key of one value orders nothing, an order refines a
// kept one), so nothing is made ahead of the passes.
//
// What it keeps holds for the rows it was made from: a table changed since
// is derived anew (the old derivations stay alive, unused, until the object
// goes). A table must not change while passes read it.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "engine/table.h"

namespace zentrox {

class TableIndexes {
 public:
  TableIndexes();
  ~TableIndexes();
  TableIndexes(const TableIndexes&) = delete;
  TableIndexes& operator=(const TableIndexes&) = delete;

  // Row ids of `table` in ascending order of the key fields, stable (see
  // Table::Order), as a copy for one pass; the ranks it was sorted by are kept.
  std::vector<RowId> Order(const Table& table, std::span<const int> keys);
  std::vector<RowId> Order(const Table& table, std::initializer_list<int> keys) {
    return Order(table, std::span<const int>(keys.begin(), keys.size()));
  }
  // The same order without a copy, kept and shared with every pass and lookup
  // asking for it; an order that refines a kept one (more keys after the same
  // leading keys) is sorted from it.
  std::shared_ptr<const std::vector<RowId>> SharedOrder(const Table& table, std::span<const int> keys);
  std::shared_ptr<const std::vector<RowId>> SharedOrder(const Table& table, std::initializer_list<int> keys) {
    return SharedOrder(table, std::span<const int>(keys.begin(), keys.size()));
  }
  // Whether every row holds the same value in field `f` (from its ranks when
  // they are computed, else from the rows).
  bool OneValueThroughout(const Table& table, int f);
  // The rows in file order, written once and shared.
  std::shared_ptr<const std::vector<RowId>> FileOrder(const Table& table);

 private:
  friend class Lookup;
  // The ranks of the key fields, computed when not yet.
  std::vector<std::shared_ptr<const Table::RankArray>> RanksOf(const Table& table, std::span<const int> keys);
  // The lookup index kept under its key lists; `build` makes it when there
  // is none yet, once however many passes ask at the same time.
  std::shared_ptr<const void> IndexFor(const Table& table, const std::vector<int>& keys, const std::vector<int>& all,
                                       const std::function<std::shared_ptr<const void>()>& build);
  // The derivations of `table`'s current rows, made on first asking.
  Table::Cache& CacheOf(const Table& table);

  struct Entry {
    const Table* table = nullptr;
    std::uint64_t generation = 0;  // of the rows derived from
    std::unique_ptr<Table::Cache> cache;
  };
  std::mutex mutex_;  // guards the lists; each derivation has its own lock
  std::vector<Entry> entries_;
  std::vector<std::unique_ptr<Table::Cache>> retired_;  // of tables changed since
};

}  // namespace zentrox
