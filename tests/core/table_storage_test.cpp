// How tables keep texts and what they derive from their rows: texts short
// enough to sit in the row's reference and longer ones in the arena, orders
// and lookups that are kept until a row changes, orders over fields of few
// and of very many distinct values.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "engine/table.h"
#include "model/schemas.h"

namespace zentrox {
namespace {

Table TextTable() { return Table("t", {FieldDef{"S", FieldType::String, 0}, FieldDef{"F", FieldType::Float, 0}}); }

// The order by the definition: stable, empty first, numbers as numbers,
// texts as bytes.
std::vector<RowId> ReferenceOrder(const Table& t, const std::vector<int>& keys) {
  std::vector<RowId> rows(t.size());
  for (RowId r = 0; r < rows.size(); ++r) rows[r] = r;
  std::stable_sort(rows.begin(), rows.end(), [&](RowId a, RowId b) {
    for (int f : keys) {
      int c = t.CompareCells(a, f, t, b, f);
      if (c != 0) return c < 0;
    }
    return false;
  });
  return rows;
}

TEST(TableTexts, EveryLengthReadsBackAsStored) {
  Table t = TextTable();
  std::vector<std::string> texts;
  for (std::size_t n = 1; n <= 20; ++n) texts.push_back(std::string(n, static_cast<char>('a' + n)));
  texts.push_back("ОФИС");  // 8 bytes of UTF-8
  texts.push_back("Ж12");   // 4 bytes
  texts.push_back(std::string("a\0b", 3));
  for (const std::string& s : texts) t.SetText(t.AppendRow(), 0, s);
  for (RowId r = 0; r < t.size(); ++r) {
    EXPECT_EQ(t.View(r, 0), texts[r]) << r;
    EXPECT_EQ(t.Text(r, 0), texts[r]) << r;
  }
  Table copy = t;
  t.SetText(0, 0, "changed after the copy");
  for (RowId r = 0; r < copy.size(); ++r) EXPECT_EQ(copy.View(r, 0), texts[r]) << r;
  EXPECT_EQ(t.View(0, 0), "changed after the copy");
}

TEST(TableTexts, FloatsKeepTheirFileText) {
  Table t = TextTable();
  const char* texts[] = {"1", "0.50", "1234567", "12345.67", "-0.00", "+5", "100000000000.25"};
  for (const char* s : texts) ASSERT_EQ(t.Store(t.AppendRow(), 1, s), StoreResult::Stored) << s;
  for (RowId r = 0; r < t.size(); ++r) EXPECT_EQ(t.View(r, 1), texts[r]);
  EXPECT_EQ(t.Number(3, 1), 12345.67);
  EXPECT_EQ(t.Number(6, 1), 100000000000.25);
}

TEST(TableTexts, ShortAndLongTextsOrderAndLinkAsBytes) {
  Table t = TextTable();
  const char* texts[] = {"abcdefgh", "abcdefg", "abc", "", "abcdefgh", "b", "abcdefghij", "abcdefg"};
  for (const char* s : texts) t.Store(t.AppendRow(), 0, s);
  EXPECT_EQ(t.Order({0}), ReferenceOrder(t, {0}));
  EXPECT_EQ(t.Order({0}), (std::vector<RowId>{3, 2, 1, 7, 0, 4, 6, 5}));

  Lookup link(t, {0});
  Table master = TextTable();
  for (const char* s : {"abcdefgh", "abcdefg", "abcdefgi", ""}) master.Store(master.AppendRow(), 0, s);
  auto found = [&](RowId r) {
    Lookup::Range range = link.Find(master, r, {0});
    return std::vector<RowId>(range.begin(), range.end());
  };
  EXPECT_EQ(found(0), (std::vector<RowId>{0, 4}));
  EXPECT_EQ(found(1), (std::vector<RowId>{1, 7}));
  EXPECT_TRUE(found(2).empty());
  EXPECT_EQ(found(3), (std::vector<RowId>{3}));
}

// A cell emptied again (an empty text, a text that does not convert) reads
// as empty, and only that cell: its neighbours in the column, in and beyond
// the same 64 rows, keep their values, in every kind of column, a float
// column in and out of its palette of values.
TEST(TableCells, EmptiedCellsReadEmptyAndLeaveTheirNeighbours) {
  Table t("t",
          {FieldDef{"I", FieldType::Integer, 0}, FieldDef{"F", FieldType::Float, 0}, FieldDef{"D", FieldType::Date, 0},
           FieldDef{"S", FieldType::String, 0}, FieldDef{"G", FieldType::Float, 0}});
  const char* const values[] = {"7", "1.50", "01.02.2026", "abc", nullptr};
  for (RowId r = 0; r < 200; ++r) {
    t.AppendRow();
    for (int f = 0; f < 4; ++f) ASSERT_EQ(t.Store(r, f, values[f]), StoreResult::Stored);
    ASSERT_EQ(t.Store(r, 4, std::to_string(r) + ".25"), StoreResult::Stored);  // past the palette
  }
  const RowId emptied[] = {0, 63, 64, 130, 199};
  for (const RowId r : emptied) {
    for (int f = 0; f < 5; ++f) t.Store(r, f, r % 2 == 0 || f == 3 ? "" : "x");  // any text is a string
  }
  for (RowId r = 0; r < 200; ++r) {
    const bool empty = std::find(std::begin(emptied), std::end(emptied), r) != std::end(emptied);
    for (int f = 0; f < 5; ++f) {
      ASSERT_EQ(t.IsEmpty(r, f), empty) << r << " " << f;
      ASSERT_EQ(t.Text(r, f).empty(), empty) << r << " " << f;
    }
    if (!empty) {
      EXPECT_EQ(t.Number(r, 4), r + 0.25);
    }
  }
  EXPECT_EQ(t.Number(1, 1), 1.5);
  EXPECT_EQ(t.Number(0, 1), 0.0);
}

TEST(TableDerived, OrdersAndLookupsFollowChangedRows) {
  Table t = MakeTable(FileKind::SD);
  for (const char* na : {"3", "1", "2"}) t.Store(t.AppendRow(), sd::SD_NA, na);
  EXPECT_EQ(t.Order({sd::SD_NA}), (std::vector<RowId>{1, 2, 0}));
  Lookup before(t, {sd::SD_NA});

  t.Store(0, sd::SD_NA, "0");
  EXPECT_EQ(t.Order({sd::SD_NA}), (std::vector<RowId>{0, 1, 2}));
  RowId added = t.AppendRow();
  t.Store(added, sd::SD_NA, "1");
  EXPECT_EQ(t.Order({sd::SD_NA}), (std::vector<RowId>{0, 1, 3, 2}));

  Table master = MakeTable(FileKind::NA);
  RowId m = master.AppendRow();
  master.Store(m, na::NA_ID, "1");
  Lookup after(t, {sd::SD_NA});
  Lookup::Range range = after.Find(master, m, {na::NA_ID});
  EXPECT_EQ(std::vector<RowId>(range.begin(), range.end()), (std::vector<RowId>{1, 3}));
  // A lookup made before the change keeps answering from the rows it saw.
  EXPECT_EQ(before.First(master, m, {na::NA_ID}), 1u);
  t.DropLastRow();
  EXPECT_EQ(t.Order({sd::SD_NA}), (std::vector<RowId>{0, 1, 2}));
}

TEST(TableDerived, OrdersOverFieldsOfFewAndOfManyValues) {
  // Keys of 3, 300 and 70,000 distinct values (ranks of one, two and four
  // bytes) and a text key; equal keys must keep file order.
  Table t = MakeTable(FileKind::SD);
  std::uint32_t x = 7;
  auto next = [&] {
    x = x * 1103515245u + 12345u;
    return x >> 8;
  };
  for (int i = 0; i < 90000; ++i) {
    RowId r = t.AppendRow();
    t.Store(r, sd::SD_MONTH, std::to_string(next() % 3));
    t.Store(r, sd::SD_JOB_CODE, std::to_string(next() % 300));
    t.Store(r, sd::SD_NA, std::to_string(next() % 70000) + ".5");
    if (next() % 5 != 0) t.Store(r, sd::SD_CATEGORY, std::to_string(next() % 40));
  }
  const std::vector<std::vector<int>> key_lists = {
      {sd::SD_MONTH},
      {sd::SD_JOB_CODE, sd::SD_MONTH},
      {sd::SD_NA},
      {sd::SD_CATEGORY, sd::SD_NA},
      {sd::SD_MONTH, sd::SD_CATEGORY, sd::SD_JOB_CODE, sd::SD_NA, sd::SD_MONTH},
      // Orders that refine one made before: runs of a few rows and of many.
      {sd::SD_JOB_CODE, sd::SD_MONTH, sd::SD_CATEGORY},
      {sd::SD_NA, sd::SD_JOB_CODE},
  };
  for (const auto& keys : key_lists) {
    EXPECT_EQ(t.Order(std::span<const int>(keys)), ReferenceOrder(t, keys)) << keys.size() << " keys";
  }
}

// Amounts are read without the C library: the result must be the double
// that a correctly rounding reader gives, for every form of decimal.
TEST(TableNumbers, DecimalsReadAsTheNearestDouble) {
  std::uint32_t x = 99;
  auto next = [&] {
    x = x * 1103515245u + 12345u;
    return x >> 8;
  };
  std::vector<std::string> texts = {"0",
                                    "0.0",
                                    "007.50",
                                    "1.",
                                    ".5",
                                    "999999999999999",
                                    "9999999999999999",
                                    "0.1",
                                    "0.000000000000001",
                                    "123456789.123456",
                                    "1e3",
                                    "-0.30"};
  for (int i = 0; i < 20000; ++i) {
    std::string s = std::to_string(next() % 100000000);
    if (next() % 4 != 0) {
      s += '.';
      s += std::to_string(next() % 1000000);
    }
    if (next() % 3 == 0) s.insert(s.begin(), '-');
    texts.push_back(s);
  }
  for (const std::string& s : texts) {
    double expected = 0;
    std::string_view digits = s;
    bool negative = !digits.empty() && digits.front() == '-';
    if (negative) digits.remove_prefix(1);
    auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), expected);
    ASSERT_EQ(ec, std::errc()) << s;
    ASSERT_EQ(ptr, digits.data() + digits.size()) << s;
    if (negative) expected = -expected;
    double got = 0;
    ASSERT_TRUE(ParseDouble(s, got)) << s;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(expected)) << s;
  }
}

}  // namespace
}  // namespace zentrox

namespace zentrox {
namespace {

// A float cell keeps only its text and reads its number again on each read:
// the number must be the very double ParseDouble gave when it was stored,
// for short texts read in one word and for every other form.
TEST(TableNumbers, FloatCellsReadAsParseDoubleRead) {
  std::vector<std::string> texts = {"0",
                                    "-0",
                                    "-0.00",
                                    "0.1",
                                    "1.5",
                                    "-7",
                                    "1234567",
                                    "12345678",
                                    "1234.567",
                                    "-123.456",
                                    "0000001",
                                    "00000.01",
                                    "9.999999",
                                    "99999999",
                                    "-9999999",
                                    "1.",
                                    ".5",
                                    "-.5",
                                    "+5",
                                    "1e5",
                                    "-1E-3",
                                    " 12.5",
                                    "12.5 ",
                                    "1.5.0",
                                    "123456789.123456",
                                    "1234567890.123456",
                                    "999999999999999",
                                    "9999999999999999",
                                    "0.000000000000001",
                                    "12345678.1"};
  std::uint32_t x = 7;
  auto next = [&] {
    x = x * 1103515245u + 12345u;
    return x >> 8;
  };
  for (int i = 0; i < 5000; ++i) {
    std::string s = next() % 4 == 0 ? "-" : "";
    const std::size_t digits = 1 + next() % 10;
    for (std::size_t d = 0; d < digits; ++d) s += static_cast<char>('0' + next() % 10);
    if (next() % 3 != 0) s.insert(s.begin() + static_cast<std::ptrdiff_t>(s.size() - next() % digits), '.');
    texts.push_back(s);
  }
  // Seventeen values first: the texts below are kept per row, past the palette.
  Table t = TextTable();
  for (int i = 0; i < 17; ++i) ASSERT_EQ(t.Store(t.AppendRow(), 1, std::to_string(i) + ".25"), StoreResult::Stored);
  std::vector<std::pair<RowId, double>> stored;
  for (const std::string& s : texts) {
    double expected = 0;
    const RowId r = t.AppendRow();
    if (!ParseDouble(s, expected)) {
      EXPECT_EQ(t.Store(r, 1, s), StoreResult::Failed) << s;
      continue;
    }
    ASSERT_EQ(t.Store(r, 1, s), StoreResult::Stored) << s;
    stored.emplace_back(r, expected);
  }
  ASSERT_GT(stored.size(), 4000u);
  for (const auto& [r, expected] : stored) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(t.Number(r, 1)), std::bit_cast<std::uint64_t>(expected)) << t.View(r, 1);
  }
}

// A float column keeps up to 16,384 distinct values once each while its rows
// repeat them, a row taking two bytes: a large package's 6,000 pack numbers,
// each on the rows of a pack, stay so. A column of more values keeps a text
// per row, and reads the same.
TEST(TableNumbers, FloatColumnsOfManyValues) {
  constexpr int kRows = 60000;
  struct Case {
    int distinct;
    int rows_each;  // rows in turn holding one value
  };
  for (const Case c : {Case{6000, 10}, Case{20000, 3}}) {
    Table t("t", {FieldDef{"F", FieldType::Float, 0}});
    const auto value = [&](int r) { return r / c.rows_each % c.distinct + 1; };
    for (int r = 0; r < kRows; ++r) {
      ASSERT_EQ(t.Store(t.AppendRow(), 0, std::to_string(value(r))), StoreResult::Stored);
    }
    for (RowId r = 0; r < kRows; r += 7) {
      ASSERT_EQ(t.Number(r, 0), value(static_cast<int>(r))) << c.distinct;
      ASSERT_EQ(t.Text(r, 0), std::to_string(value(static_cast<int>(r)))) << c.distinct;
    }
    // Two bytes a row and a bit, twice over for the growth.
    if (c.distinct < 16384) {
      EXPECT_LE(t.ColumnBytes(), std::size_t{kRows} * 2 * 2 + kRows / 4) << c.distinct;
    }
  }
}

// An integer column keeps a byte a row while its values are from 0 to 255,
// and four bytes from the first value beyond. Either way every row reads as
// stored: repeated and copied rows, a copy of the table, its order, and the
// rows of one table appended to another's, whichever of them was widened.
TEST(TableNumbers, IntegerColumnsOfSmallAndOtherValues) {
  struct Case {
    const char* name;
    int first_beyond;   // the value a row of the first table holds beyond 0..255, or 0
    int second_beyond;  // the same for the appended table
  };
  for (const Case c : {Case{"small", 0, 0}, Case{"first widened", 256, 0}, Case{"second widened", 0, -1},
                       Case{"both widened", 70000, -5}}) {
    SCOPED_TRACE(c.name);
    std::vector<std::optional<int>> expected;
    const auto fill = [&](Table& t, int beyond) {
      const std::size_t base = expected.size();
      for (int i = 0; i < 3000; ++i) {
        const RowId r = t.AppendRow();
        const std::optional<int> v = i % 7 == 3 ? std::nullopt : std::optional<int>((i * 37 + 1) % 256);
        if (v) t.SetInt(r, 0, *v);
        expected.push_back(v);
        if (i == 1500 && beyond != 0) {
          t.SetInt(r, 0, beyond);
          expected.back() = beyond;
        }
      }
      t.AppendRepeats(3);  // as the row before
      for (int k = 0; k < 3; ++k) expected.push_back(expected.back());
      t.AppendCopy(10);
      expected.push_back(expected[base + 10]);
    };
    Table a("a", {FieldDef{"I", FieldType::Integer, 0}});
    Table b("b", {FieldDef{"I", FieldType::Integer, 0}});
    fill(a, c.first_beyond);
    fill(b, c.second_beyond);
    a.Append(std::move(b));
    const Table copy = a;
    ASSERT_EQ(a.size(), expected.size());
    for (RowId r = 0; r < a.size(); ++r) {
      for (const Table* t : {static_cast<const Table*>(&a), &copy}) {
        ASSERT_EQ(t->IsEmpty(r, 0), !expected[r]) << r;
        ASSERT_EQ(t->Int(r, 0), expected[r].value_or(0)) << r;
        ASSERT_EQ(t->Text(r, 0), expected[r] ? std::to_string(*expected[r]) : "") << r;
      }
    }
    std::vector<int> ordered;  // the values in the column's order; empty rows come first
    for (RowId r : a.Order({0})) {
      if (!a.IsEmpty(r, 0)) ordered.push_back(a.Int(r, 0));
    }
    EXPECT_TRUE(std::is_sorted(ordered.begin(), ordered.end()));
    if (c.first_beyond == 0 && c.second_beyond == 0) {
      // A byte a row and a bit, twice over for the growth.
      EXPECT_LE(a.ColumnBytes(), a.size() * 2 + a.size() / 4);
    }
  }
}

}  // namespace
}  // namespace zentrox
