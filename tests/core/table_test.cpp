#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <ostream>
#include <string>

#include "engine/table.h"
#include "model/schemas.h"
#include "support/peak_memory.h"
#include "support/sanitizer.h"

namespace zentrox {
namespace {

Table Months(const std::vector<std::vector<std::string>>& rows) {
  Table t = MakeTable(FileKind::SD);
  for (const auto& r : rows) {
    RowId id = t.AppendRow();
    for (std::size_t f = 0; f < r.size(); ++f) t.Store(id, static_cast<int>(f), r[f]);
  }
  return t;
}

TEST(TableOrder, IsStableAndNumericWithEmptyKeysFirst) {
  //            SD_NA  SD_PL  SD_MONTH
  Table t = Months({{"10", "1", "2"},    // 0
                    {"9", "1", "13"},    // 1
                    {"10", "1", "1"},    // 2
                    {"", "1", "5"},      // 3
                    {"10", "1", "2"},    // 4 ties with 0: stays after it
                    {"-1", "1", "1"}});  // 5
  EXPECT_EQ(t.Order({sd::SD_NA, sd::SD_MONTH}), (std::vector<RowId>{3, 5, 1, 2, 0, 4}));
}

TEST(TableOrder, TextsCompareAsTexts) {
  Table t = Months({{"1", "1", "1", "", "2"}, {"1", "1", "1", "", "10"}, {"1", "1", "1", "", ""}});
  EXPECT_EQ(t.Order({sd::SD_CATEGORY}), (std::vector<RowId>{2, 1, 0}));
}

// Orders agree with a plain stable sort of the values, whether a field's
// values stand in file order (ranked in one walk), repeat their neighbours
// or stand in no order: empty first, numbers as numbers (-0 is 0), texts
// bytewise (Cyrillic after Latin, a prefix before the text it starts).
TEST(TableOrder, AgreesWithSortingTheValues) {
  struct Case {
    const char* name;
    std::vector<std::string> numbers, texts;
  };
  // Enough rows in no order for the sort by digits.
  Case many{"many rows", {}, {}};
  const char* words[] = {"", "Ёж", "a", "ab", "Борис", "-1", "b"};
  for (int i = 0; i < 700; ++i) {
    many.numbers.push_back(i % 13 == 0 ? "" : std::to_string((i * 7919) % 97 - 40) + (i % 5 == 0 ? ".5" : ""));
    many.texts.push_back(words[(i * 31) % 7]);
  }
  // Distinct numbers but a few ties: an order by more keys refines the one
  // by the number.
  Case few_ties{"few ties", {}, {}};
  for (int i = 0; i < 100; ++i) {
    few_ties.numbers.push_back(i % 20 == 1 ? few_ties.numbers.back() : std::to_string((i * 37) % 100));
    few_ties.texts.push_back(words[(100 - i) % 7]);
  }
  // More than 255 numbers (two bytes per row in the palette), more than the
  // palette holds (counted out by their ranks), and more than 65,536 (sorted
  // by the numbers' bits, ties by row); "5" and "5.0" are one number.
  Case wide{"wide palette", {}, {}}, counted{"counted", {}, {}}, beyond{"beyond the palette", {}, {}};
  for (int i = 0; i < 100000; ++i) {
    const int v = static_cast<int>(i * 7919LL % 200003) - 100000;
    beyond.numbers.push_back(i % 11 == 0 ? "" : i % 17 == 0 ? "-0" : std::to_string(v) + (i % 3 == 0 ? ".25" : ""));
    beyond.texts.push_back(words[i % 7]);
    if (i < 20000) {
      counted.numbers.push_back(i % 13 == 0 ? "" : std::to_string(v % 6000) + (i % 5 == 0 ? ".0" : ""));
      counted.texts.push_back(words[i % 7]);
    }
    if (i < 3000) {
      wide.numbers.push_back(i % 13 == 0 ? "" : std::to_string(v % 600) + (i % 2 == 0 ? ".5" : ""));
      wide.texts.push_back(words[i % 7]);
    }
  }
  const Case cases[] = {
      many,
      few_ties,
      wide,
      counted,
      beyond,
      {"in file order",
       {"", "-5", "-5", "", "-0", "0", "3.5", "3.5", "10"},
       {"", "a", "a", "", "ab", "abc", "z", "Ёж", "Ёжик"}},
      {"backwards",
       {"10", "3.5", "0", "", "-0", "-5", "-5", "", "-7"},
       {"Ёжик", "Ёж", "z", "", "abc", "ab", "a", "", "a"}},
      {"no order",
       {"3", "3", "", "-1", "7", "0", "-0", "3", "-1"},
       {"Борис", "Борис", "", "ана", "Ана", "a", "Бор", "Борис", "b"}},
      {"sorted but one", {"1", "2", "2", "3", "4", "5", "6", "-1", "7"}, {"a", "b", "b", "c", "d", "e", "f", "0", "g"}},
  };
  for (const Case& k : cases) {
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < k.numbers.size(); ++i) {
      std::vector<std::string> row(sd::SD_CATEGORY + 1);
      row[sd::SD_NA] = k.numbers[i];
      row[sd::SD_CATEGORY] = k.texts[i];
      row[sd::SD_MONTH] = i % 7 == 3 ? "" : std::to_string(static_cast<int>(i % 4) - 2);
      rows.push_back(row);
    }
    const Table t = Months(rows);
    const std::vector<std::vector<int>> key_lists = {{sd::SD_NA},       {sd::SD_NA, sd::SD_CATEGORY},
                                                     {sd::SD_CATEGORY}, {sd::SD_CATEGORY, sd::SD_NA},
                                                     {sd::SD_MONTH},    {sd::SD_MONTH, sd::SD_CATEGORY}};
    for (const auto& keys : key_lists) {
      std::vector<RowId> expected(t.size());
      for (RowId r = 0; r < expected.size(); ++r) expected[r] = r;
      std::stable_sort(expected.begin(), expected.end(), [&](RowId a, RowId b) {
        for (int f : keys) {
          const bool ea = t.IsEmpty(a, f);
          const bool eb = t.IsEmpty(b, f);
          if (ea || eb) {
            if (ea != eb) return ea;
            continue;
          }
          if (f == sd::SD_CATEGORY) {
            const int c = t.View(a, f).compare(t.View(b, f));
            if (c != 0) return c < 0;
          } else if (t.Number(a, f) != t.Number(b, f)) {
            return t.Number(a, f) < t.Number(b, f);
          }
        }
        return false;
      });
      EXPECT_EQ(t.Order(std::span<const int>(keys)), expected) << k.name << ", keys from " << keys.front();
    }
  }
}

TEST(Lookup, FindsTheFirstRowInItsOrder) {
  Table t = Months({{"1", "7", "13"}, {"2", "7", "5"}, {"1", "7", "4"}, {"1", "8", "1"}, {"1", "7", "4"}});
  Lookup link(t, {sd::SD_NA, sd::SD_PL}, {sd::SD_MONTH});
  Table decl = MakeTable(FileKind::NA);
  RowId r = decl.AppendRow();
  decl.Store(r, na::NA_ID, "1.0");
  decl.Store(r, na::NA_PL, "7");
  Lookup::Range found = link.Find(decl, r, {na::NA_ID, na::NA_PL});
  EXPECT_EQ(std::vector<RowId>(found.begin(), found.end()), (std::vector<RowId>{2, 4, 0}));
  EXPECT_EQ(link.First(decl, r, {na::NA_ID, na::NA_PL}), 2u);
  // Without further order fields, equal keys keep file order: the first
  // row of the file wins, not the last.
  Lookup by_key(t, {sd::SD_NA, sd::SD_PL});
  EXPECT_EQ(by_key.First(decl, r, {na::NA_ID, na::NA_PL}), 0u);
  decl.Store(r, na::NA_ID, "2");
  EXPECT_EQ(by_key.First(decl, r, {na::NA_ID, na::NA_PL}), 1u);
  decl.Store(r, na::NA_ID, "1");
  decl.Store(r, na::NA_PL, "9");
  EXPECT_EQ(link.First(decl, r, {na::NA_ID, na::NA_PL}), kNoRow);
}

TEST(Lookup, TextKeysAndEmptyValues) {
  NewFormatTables dm;
  for (const char* code : {"1", "01", "150"}) dm.kategor.Store(dm.kategor.AppendRow(), 0, code);
  Lookup link(dm.kategor, {0});
  Table t = Months({{"1", "1", "1", "", "01"}, {"1", "1", "1", "", ""}});
  EXPECT_EQ(link.First(t, 0, {sd::SD_CATEGORY}), 1u);
  EXPECT_EQ(link.First(t, 1, {sd::SD_CATEGORY}), kNoRow);
  Linked none;
  EXPECT_EQ(none.Text(0), "");
  EXPECT_EQ(none.Number(0), 0);
}

// A column link answers for every row what the search by that row's field
// answers: numbers by number (2 and 2.0 alike), texts by text, empty values,
// values the dictionary lacks; a float searched in a text key reads as its
// file text ("1.50" is not "1.5") and is searched row by row.
TEST(Lookup, ColumnLinkAnswersAsTheSearch) {
  Table dict("d", {FieldDef{"N", FieldType::Integer, 0}, FieldDef{"T", FieldType::String, 6}});
  for (const auto& [n, t] : {std::pair{"2", "1.5"}, std::pair{"13", "150"}, std::pair{"", "01"}, std::pair{"2", ""}}) {
    const RowId r = dict.AppendRow();
    dict.Store(r, 0, n);
    dict.Store(r, 1, t);
  }
  Table rows("r", {FieldDef{"I", FieldType::Integer, 0}, FieldDef{"F", FieldType::Float, 0},
                   FieldDef{"S", FieldType::String, 6}});
  const char* values[][3] = {{"2", "2.0", "150"}, {"13", "1.5", "01"}, {"", "1.50", ""},  {"7", "", "15"},
                             {"2", "13", "150"},  {"13", "2", "1.5"},  {"", "1.5", "01"}, {"2", "2.0", ""}};
  for (const auto& v : values) {
    const RowId r = rows.AppendRow();
    for (int f = 0; f < 3; ++f) rows.Store(r, f, v[f]);
  }
  Lookup by_number(dict, {0});
  Lookup by_text(dict, {1});
  for (Lookup* lookup : {&by_number, &by_text}) {
    for (int f = 0; f < 3; ++f) {
      Lookup::ColumnLink link = lookup->LinkColumn(rows, f);
      for (RowId r = 0; r < rows.size(); ++r) {
        EXPECT_EQ(link(r), lookup->First(rows, r, {f}))
            << "text key " << (lookup == &by_text) << " field " << f << " row " << r;
      }
    }
  }
  EXPECT_EQ(by_text.LinkColumn(rows, 1)(1), 0u);
  EXPECT_EQ(by_text.LinkColumn(rows, 1)(2), kNoRow) << "\"1.50\" is not the text \"1.5\"";
  EXPECT_EQ(by_number.LinkColumn(rows, 1)(0), 0u) << "2.0 is the number 2";
}

// Searches that walk the keys in order (each asking for the group after the
// one found before), backwards, or repeat them find what a fresh lookup
// finds, for groups of one row, of a few rows and of more rows than are
// stepped through.
TEST(Lookup, WalksInKeyOrderFindWholeGroups) {
  Table t("t", {FieldDef{"K", FieldType::Integer, 0}, FieldDef{"V", FieldType::Integer, 0}});
  const int sizes[] = {1, 3, 1, 70, 2, 64, 65, 1};
  for (int k = 0; k < static_cast<int>(std::size(sizes)); ++k) {
    for (int i = 0; i < sizes[k]; ++i) {
      const RowId r = t.AppendRow();
      t.Store(r, 0, std::to_string(k * 10));
      t.Store(r, 1, std::to_string(i));
    }
  }
  Table q("q", {FieldDef{"K", FieldType::Integer, 0}});
  std::vector<int> keys;
  for (int k = 0; k < 8; ++k) keys.push_back(k * 10);                   // in order
  for (int k = 7; k >= 0; --k) keys.push_back(k * 10);                  // backwards
  for (int k : {30, 30, 40, 5, 50, 60, 60, 70, 80}) keys.push_back(k);  // repeated, missing
  TableIndexes ix;
  Lookup walking(ix, t, {0}, {1});
  for (int key : keys) {
    const RowId r = q.AppendRow();
    q.Store(r, 0, std::to_string(key));
    Lookup fresh(ix, t, {0}, {1});
    const Lookup::Range expected = fresh.Find(q, r, {0});
    const Lookup::Range found = walking.Find(q, r, {0});
    EXPECT_EQ(found.first, expected.first) << key;
    EXPECT_EQ(found.size(), expected.size()) << key;
    EXPECT_EQ(found.size(), key % 10 == 0 && key < 80 ? sizes[key / 10] : 0) << key;
  }
}

// An order by several keys of few values each (a declaration's number, its
// pack, a month) is sorted in the order's own rows: beside them and the
// keys' ranks it holds no buffer as large as the order.
TEST(TableOrder, SortsSeveralKeysWithinTheOrdersOwnRows) {
#ifdef ZENTROX_UNDER_ASAN
  GTEST_SKIP() << "the sanitizer's shadow memory is not the program's";
#endif
  constexpr std::size_t kRows = 2'000'000;
  Table t("t", {FieldDef{"A", FieldType::Integer, 0}, FieldDef{"B", FieldType::Integer, 0},
                FieldDef{"C", FieldType::Integer, 0}});
  std::uint32_t x = 12345;
  for (std::size_t i = 0; i < kRows; ++i) {
    const RowId r = t.AppendRow();
    for (int f = 0; f < 3; ++f) {
      x = x * 1664525u + 1013904223u;
      t.SetInt(r, f, static_cast<std::int32_t>(x >> 24) % 100);
    }
  }
  RestartPeak();
  const std::size_t before = PeakResident();
  const std::vector<RowId> order = t.Order({0, 1, 2});
  const std::size_t working = PeakResident() - before;
  ASSERT_EQ(order.size(), kRows);
  // The order (4 bytes a row), the ranks (a byte a row each) and the ranks
  // of one field while they are counted (4 bytes a row).
  EXPECT_LT(working, kRows * 12) << working / kRows << " bytes a row";
}

// A pass that walks its rows in the order of a lookup's keys (a file sorted
// by them) finds each group beside the one before it: the index builds its
// hash table of groups only for the first search off that path.
TEST(Lookup, WalkInKeyOrderBuildsNoHashTable) {
  Table t("t", {FieldDef{"K", FieldType::Integer, 0}});
  Table q("q", {FieldDef{"K", FieldType::Integer, 0}});
  for (int k = 0; k < 1000; ++k) {
    for (int i = 0; i < 2; ++i) t.Store(t.AppendRow(), 0, std::to_string(k));
    q.Store(q.AppendRow(), 0, std::to_string(k));
  }
  TableIndexes ix;
  Lookup walking(ix, t, {0});
  for (RowId r = 0; r < q.size(); ++r) ASSERT_EQ(walking.First(q, r, {0}), 2 * r);
  EXPECT_EQ(walking.HashedBytes(), 0u);
  EXPECT_EQ(walking.First(q, 500, {0}), 1000u);
  EXPECT_GT(walking.HashedBytes(), 0u);
}

// How a field text converts by the field's type: one sign at most, and the
// text must be the whole number.
struct ConversionCase {
  FieldType type;
  const char* text;
  StoreResult result;
  double number;  // what the field reads after a successful store
};

void PrintTo(const ConversionCase& c, std::ostream* os) { *os << "'" << c.text << "'"; }

class Conversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, StoresOrFails) {
  const ConversionCase& c = GetParam();
  Table t("t", {FieldDef{"F", c.type, 0}});
  RowId r = t.AppendRow();
  EXPECT_EQ(t.Store(r, 0, c.text), c.result) << "'" << c.text << "'";
  if (c.result == StoreResult::Stored) {
    EXPECT_DOUBLE_EQ(t.Number(r, 0), c.number) << "'" << c.text << "'";
  } else {
    EXPECT_TRUE(t.IsEmpty(r, 0)) << "'" << c.text << "'";
  }
}

INSTANTIATE_TEST_SUITE_P(Signs, Conversion,
                         ::testing::Values(ConversionCase{FieldType::Float, "-5.25", StoreResult::Stored, -5.25},
                                           ConversionCase{FieldType::Float, "+5.25", StoreResult::Stored, 5.25},
                                           ConversionCase{FieldType::Float, "--5.25", StoreResult::Failed, 0},
                                           ConversionCase{FieldType::Float, "+-5.25", StoreResult::Failed, 0},
                                           ConversionCase{FieldType::Float, "-+5.25", StoreResult::Failed, 0},
                                           ConversionCase{FieldType::Float, "++5.25", StoreResult::Failed, 0},
                                           ConversionCase{FieldType::Float, "5.25-", StoreResult::Failed, 0},
                                           ConversionCase{FieldType::Float, "", StoreResult::Empty, 0},
                                           ConversionCase{FieldType::Integer, "-7", StoreResult::Stored, -7},
                                           ConversionCase{FieldType::Integer, "+7", StoreResult::Stored, 7},
                                           ConversionCase{FieldType::Integer, "+-7", StoreResult::Failed, 0},
                                           ConversionCase{FieldType::Integer, "-+7", StoreResult::Failed, 0},
                                           ConversionCase{FieldType::Integer, "--7", StoreResult::Failed, 0},
                                           ConversionCase{FieldType::Integer, "++7", StoreResult::Failed, 0}),
                         [](const ::testing::TestParamInfo<ConversionCase>& info) {
                           std::string n = info.param.type == FieldType::Float ? "float_" : "integer_";
                           for (char ch : std::string(info.param.text)) {
                             n += ch == '-'                                      ? std::string("minus")
                                  : ch == '+'                                    ? std::string("plus")
                                  : ch == '.'                                    ? std::string("_")
                                  : std::isalnum(static_cast<unsigned char>(ch)) ? std::string(1, ch)
                                                                                 : std::string("x");
                           }
                           return n + "_" + std::to_string(info.index);
                         });

TEST(Table, EmptyStateIsExplicit) {
  Table t = Months({{"", "0", "", "", "", "", "", ""}});
  EXPECT_TRUE(t.IsEmpty(0, sd::SD_NA));
  EXPECT_EQ(t.Text(0, sd::SD_NA), "");
  EXPECT_FALSE(t.IsEmpty(0, sd::SD_PL));
  EXPECT_EQ(t.Text(0, sd::SD_PL), "0");
  EXPECT_EQ(t.Text(0, sd::SD_MONTH), "");
  EXPECT_EQ(t.Int(0, sd::SD_MONTH), 0);
  EXPECT_EQ(t.DateValue(0, sd::SD_BEGIN_DT), Date());
}

}  // namespace
}  // namespace zentrox
