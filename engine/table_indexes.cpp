// TableIndexes: what the passes derive from the loaded tables, kept once for all of them.
#include "engine/table_derive.h"

namespace zentrox {

using table_internal::FileOrder;

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
