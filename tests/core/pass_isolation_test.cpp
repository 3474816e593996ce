// What lets the rule passes run side by side, held by the types: a pass reads
// the loaded tables as const and returns its results; the search state of a
// lookup is its own pass's, over an index all passes share.
#include <gtest/gtest.h>

#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "rules/new_format/new_format.h"
#include "rules/rule_set.h"
#include "rules/side_by_side.h"

namespace zentrox {
namespace {

// No pass can change a loaded table ...
static_assert(std::is_same_v<decltype(RuleRun::dm), const NewFormatTables*>);
static_assert(std::is_same_v<decltype(RuleRun::dm1), const OldFormatTables*>);
static_assert(std::is_same_v<decltype(new_format::Run::dm), const NewFormatTables&>);
// ... nor write a result where another pass may: each returns its own.
static_assert(std::is_same_v<std::invoke_result_t<decltype(SideBySidePass::run), FindingWriter&>, PassResult>);
static_assert(std::is_same_v<std::invoke_result_t<RuleSet, const RuleRun&>, std::vector<PassResult>>);
// A search moves its cursor: a lookup shared as const cannot search.
template <typename L>
concept Searches = requires(L& lookup, std::span<const KeyValue> values) {
  lookup.Find(values);
};
template <typename L>
concept Links = requires(L& link) {
  link(RowId{0});
};
static_assert(Searches<Lookup> && !Searches<const Lookup>);
static_assert(Links<Lookup::ColumnLink> && !Links<const Lookup::ColumnLink>);

Table Keys(std::initializer_list<int> keys) {
  Table t("t", {FieldDef{"K", FieldType::Integer, 0}});
  for (int k : keys) t.Store(t.AppendRow(), 0, std::to_string(k));
  return t;
}

// Two cursors over one index, their searches interleaved: each finds what it
// asks for, whatever the other found or missed last.
TEST(TableIndexes, CursorsOverOneIndexSearchIndependently) {
  const Table t = Keys({30, 10, 20, 10, 30, 30});
  TableIndexes indexes;
  Lookup a(indexes, t, {0});
  Lookup b(indexes, t, {0});
  EXPECT_EQ(&a.rows(), &b.rows()) << "one shared index";
  struct Step {
    Lookup* cursor;
    int key;
    std::vector<RowId> rows;
  };
  const Step steps[] = {{&a, 10, {1, 3}}, {&b, 30, {0, 4, 5}}, {&a, 10, {1, 3}}, {&b, 99, {}},
                        {&a, 20, {2}},    {&b, 30, {0, 4, 5}}, {&a, 99, {}},     {&b, 10, {1, 3}}};
  for (const Step& s : steps) {
    const KeyValue value{false, static_cast<double>(s.key), std::to_string(s.key)};
    const Lookup::Range found = s.cursor->Find(std::span<const KeyValue>(&value, 1));
    EXPECT_EQ(std::vector<RowId>(found.begin(), found.end()), s.rows)
        << (s.cursor == &a ? "a" : "b") << " searching " << s.key;
  }
}

// What was derived from rows that changed since is derived anew.
TEST(TableIndexes, DerivesAnewWhenTheRowsChange) {
  Table t = Keys({30, 10, 20});
  TableIndexes indexes;
  EXPECT_EQ(*indexes.SharedOrder(t, {0}), (std::vector<RowId>{1, 2, 0}));
  t.SetInt(0, 0, 5);
  EXPECT_EQ(*indexes.SharedOrder(t, {0}), (std::vector<RowId>{0, 1, 2}));
  EXPECT_EQ(Lookup(indexes, t, {0}).First(Keys({5}), 0, {0}), 0u);
}

}  // namespace
}  // namespace zentrox
