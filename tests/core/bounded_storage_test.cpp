// Table storage under file shapes that hold few values per line: a column
// keeps only the rows up to the last one that set it, so lines that are
// empty or end after their first field cost no row in the other columns,
// while every line still gets its messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "model/schemas.h"
#include "report/checks.h"
#include "report/loader.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

using test::TempDir;

struct Shape {
  const char* name;
  std::string line;
  std::size_t rows_kept_per_line;  // 0 or 1
  std::size_t faults_per_line;
  // At most this many column bytes per line (a full REV5_SD row takes 153).
  std::size_t column_bytes_per_line;
  const char* first_field;  // SD_NA of the last row, when rows are kept
};

TEST(BoundedStorage, ShortLinesTakeNoStorageInColumnsTheyLeaveEmpty) {
  const std::size_t lines = 20000;
  const std::size_t fields = MakeTable(FileKind::SD).fields().size();
  const Shape shapes[] = {
      {"empty lines", "\r\n", 0, fields, 0, ""},
      {"lines of empty fields", std::string(fields, '\xB0') + "\r\n", 1, 0, 0, ""},
      // SD_NA only, one value throughout: a byte per row for the flag that
      // names the value, twice over for the growth.
      {"one-field lines", "1\xB0\r\n", 1, fields - 1, 2 * 1, "1"},
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.name);
    TempDir dir;
    const std::string path = dir.path() + "REV5_SD";
    std::string bytes;
    for (std::size_t i = 0; i < lines; ++i) bytes += shape.line;
    test::WriteBytes(path, bytes);
    Protocol protocol;
    FindingWriter checks(protocol, Profile(Variant::Quarterly), test::D(8, 12, 2026));
    Table table = MakeTable(FileKind::SD);
    LoadPackageFile(checks, path, FileKind::SD, table);

    EXPECT_EQ(table.size(), lines * shape.rows_kept_per_line);
    EXPECT_EQ(protocol.FaultCount(), lines * shape.faults_per_line);
    EXPECT_LE(table.ColumnBytes(), lines * shape.column_bytes_per_line + 4096);
    // Rows follow the lines one to one: no line is kept per row.
    EXPECT_LE(table.SourceLineBytes(), 64u);
    if (shape.rows_kept_per_line != 0) {
      const RowId last = static_cast<RowId>(table.size() - 1);
      EXPECT_EQ(table.Text(last, 0), shape.first_field);
      EXPECT_TRUE(table.IsEmpty(last, 1));
      EXPECT_EQ(table.Number(last, 12), 0);
    }
  }
}

// Rows that a column does not hold read as empty everywhere, also after a
// late row set it far ahead, when the last row is dropped, in orders and in
// copies of the table; the column buffers here are large enough to be mapped.
TEST(BoundedStorage, ColumnsShorterThanTheTableReadAsEmpty) {
  Table t("t", {FieldDef{"N", FieldType::Float, 0}, FieldDef{"I", FieldType::Integer, 0},
                FieldDef{"D", FieldType::Date, 0}, FieldDef{"S", FieldType::String, 5}});
  const RowId n = 300000;
  for (RowId r = 0; r < n; ++r) t.Store(t.AppendRow(), 0, std::to_string(n - r));
  const RowId late = t.AppendRow();
  for (const auto& [f, text] :
       {std::pair{0, "7"}, std::pair{1, "-3"}, std::pair{2, "01.02.2026"}, std::pair{3, "КОРОТКИЙ"}}) {
    ASSERT_EQ(t.Store(late, f, text), StoreResult::Stored);
  }

  EXPECT_TRUE(t.IsEmpty(5, 1));
  EXPECT_EQ(t.Int(5, 1), 0);
  EXPECT_EQ(t.DateValue(5, 2), Date());
  EXPECT_EQ(t.View(5, 3), "");
  EXPECT_EQ(t.Text(late, 3), "КОРОТ");
  EXPECT_EQ(t.Int(late, 1), -3);
  EXPECT_EQ(t.Text(late, 2), "01.02.2026");

  // Empty keys sort first, so the late row (the only one with an integer)
  // comes last; by N it comes first (7 is below every other value but 1..6).
  const std::vector<RowId> by_int = t.Order({1});
  ASSERT_EQ(by_int.size(), n + 1);
  EXPECT_EQ(by_int.front(), 0u);
  EXPECT_EQ(by_int.back(), late);
  const std::vector<RowId> by_date_then_n = t.Order({2, 0});
  ASSERT_EQ(by_date_then_n.size(), n + 1);
  EXPECT_EQ(by_date_then_n.front(), n - 1);  // N = 1
  EXPECT_EQ(by_date_then_n.back(), late);

  const Table copy = t;
  EXPECT_EQ(copy.size(), t.size());
  EXPECT_EQ(copy.Text(late, 3), "КОРОТ");
  EXPECT_EQ(copy.Number(123, 0), n - 123);
  EXPECT_TRUE(copy.IsEmpty(123, 2));

  // A dropped row leaves nothing behind for the row appended in its place.
  t.DropLastRow();
  const RowId again = t.AppendRow();
  EXPECT_EQ(again, late);
  for (int f = 0; f < 4; ++f) EXPECT_TRUE(t.IsEmpty(again, f)) << f;
  EXPECT_FALSE(t.AnySet(again));
  EXPECT_EQ(copy.Int(late, 1), -3) << "the copy keeps its own rows";
}

// Fields whose rows all read the same (left empty throughout, or one value
// everywhere) order nothing; orders over them, alone or among other keys,
// are still the stable orders by definition.
TEST(BoundedStorage, OrdersOverFieldsOfOneValue) {
  Table t("t", {FieldDef{"EMPTY", FieldType::Integer, 0}, FieldDef{"ONE", FieldType::Float, 0},
                FieldDef{"V", FieldType::Integer, 0}, FieldDef{"W", FieldType::String, 3}});
  const RowId n = 1000;
  for (RowId r = 0; r < n; ++r) {
    const RowId row = t.AppendRow();
    t.Store(row, 1, "1");
    t.Store(row, 2, std::to_string((r * 7919) % 13));
    t.Store(row, 3, std::string(1, static_cast<char>('a' + (r * 31) % 5)));
  }
  // An order extended by fields of one value, not ranked yet, is that order.
  TableIndexes ix;
  const auto by_v = ix.SharedOrder(t, {2});
  EXPECT_EQ(ix.SharedOrder(t, {2, 0, 1}), by_v);
  const std::vector<std::vector<int>> key_lists = {{0}, {1}, {0, 1}, {1, 0}, {0, 2}, {2, 1}, {1, 2, 0, 3}, {3, 1, 2}};
  for (const std::vector<int>& keys : key_lists) {
    std::vector<RowId> expected(n);
    for (RowId r = 0; r < n; ++r) expected[r] = r;
    std::stable_sort(expected.begin(), expected.end(), [&](RowId a, RowId b) {
      for (int f : keys) {
        const int c = t.CompareCells(a, f, t, b, f);
        if (c != 0) return c < 0;
      }
      return false;
    });
    EXPECT_EQ(ix.Order(t, keys), expected) << "keys starting with " << keys.front() << ", " << keys.size() << " keys";
  }
  // Key lists that differ only in fields of one value share one order.
  EXPECT_EQ(ix.SharedOrder(t, {2, 1}), ix.SharedOrder(t, {0, 2}));
  EXPECT_EQ(ix.SharedOrder(t, {1, 2, 0, 3}), ix.SharedOrder(t, {2, 0, 3}));
}

// A float column keeps its first distinct values once and a value index per
// row, then moves to a number and a text per row at the seventeenth; every
// read, drop, copy and order is the same on either side of the move.
TEST(BoundedStorage, FloatColumnReadsAlikeBeforeAndAfterItsFirstValuesRunOut) {
  // "1.50" and "1.5" are one number with two texts; "-0" and "0" too.
  std::vector<std::string> texts = {"1", "1.50", "1.5", "0", "-0", "12345678.25", "7", "1"};
  for (int i = 0; i < 40; ++i) texts.push_back(std::to_string(i % 23) + ".5");
  Table t("t", {FieldDef{"N", FieldType::Float, 0}, FieldDef{"I", FieldType::Integer, 0}});
  std::vector<std::string> stored;
  auto expect_reads = [&](const Table& table, const char* when) {
    SCOPED_TRACE(when);
    ASSERT_EQ(table.size(), stored.size());
    for (RowId r = 0; r < table.size(); ++r) {
      const std::string& text = stored[r];
      double number = 0;
      ParseDouble(text, number);
      EXPECT_EQ(table.IsEmpty(r, 0), text.empty()) << r;
      EXPECT_EQ(table.Text(r, 0), text) << r;
      EXPECT_EQ(table.View(r, 0), text) << r;
      EXPECT_EQ(table.Number(r, 0), number) << r;
      EXPECT_EQ(table.Int(r, 0), text.empty() ? 0 : static_cast<std::int32_t>(std::nearbyint(number))) << r;
    }
    std::vector<RowId> expected(table.size());
    for (RowId r = 0; r < table.size(); ++r) expected[r] = r;
    std::stable_sort(expected.begin(), expected.end(),
                     [&](RowId a, RowId b) { return table.CompareCells(a, 0, table, b, 0) < 0; });
    EXPECT_EQ(table.Order({0}), expected);
  };
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const RowId row = t.AppendRow();
    ASSERT_EQ(t.Store(row, 0, texts[i]), StoreResult::Stored);
    stored.push_back(texts[i]);
    if (i % 5 == 4) {  // an empty row, and a row emptied again
      t.AppendRow();
      stored.push_back("");
      t.Store(row, 0, "");
      stored[row] = "";
    }
    if (i % 7 == 6) {  // a row of another field only, dropped again
      t.Store(t.AppendRow(), 1, "3");
      t.DropLastRow();
    }
    if (i == 8) {
      expect_reads(t, "few values");
      expect_reads(Table(t), "a copy, few values");
    }
  }
  expect_reads(t, "many values");
  expect_reads(Table(t), "a copy, many values");
  ASSERT_EQ(t.Store(t.AppendRow(), 0, "1x"), StoreResult::Failed);
  stored.push_back("");
  expect_reads(t, "a failed conversion");
}

// Source lines are kept by runs of consecutive lines: a file whose rows
// follow its lines is one run, and dropped or skipped lines start new runs
// without changing any row's line.
TEST(BoundedStorage, RowsKeepTheirLinesAcrossDroppedLines) {
  // 'k': a kept line, 'd': a line whose row is dropped.
  const std::string pattern = "kkdkddkkkdkdddk";
  Table t("t", {FieldDef{"N", FieldType::Float, 0}});
  std::vector<std::uint32_t> expected;
  for (std::uint32_t line = 1; line <= pattern.size(); ++line) {
    const RowId row = t.AppendRow();
    t.SetSourceLine(row, line);
    if (pattern[line - 1] == 'd') {
      t.DropLastRow();
    } else {
      t.Store(row, 0, "1");
      expected.push_back(line);
    }
  }
  ASSERT_EQ(t.size(), expected.size());
  for (RowId r = 0; r < t.size(); ++r) EXPECT_EQ(t.SourceLine(r), expected[r]) << r;
  EXPECT_EQ(t.SourceLine(static_cast<RowId>(t.size())), 0u) << "a row past the last reads as from no file";

  // Rows given no line read 0, the rows after them their own lines.
  Table u("u", {FieldDef{"N", FieldType::Float, 0}});
  for (int i = 0; i < 6; ++i) u.AppendRow();
  u.SetSourceLine(0, 10);
  u.SetSourceLine(1, 11);
  u.SetSourceLine(4, 40);
  u.SetSourceLine(5, 41);
  EXPECT_EQ((std::vector<std::uint32_t>{u.SourceLine(0), u.SourceLine(1), u.SourceLine(2), u.SourceLine(3),
                                        u.SourceLine(4), u.SourceLine(5)}),
            (std::vector<std::uint32_t>{10, 11, 0, 0, 40, 41}));
}

// Past the limit, faults are counted without their lines: the count stays
// exact when the limit falls inside a line's run of missing fields, and for
// each line writer of the rules.
TEST(BoundedStorage, FaultsPastTheLimitAreCountedExactly) {
  TempDir dir;
  const std::string path = dir.path() + "REV5_SD";
  test::WriteBytes(path, "\r\n1\xB0\r\n\r\n");
  Protocol protocol;
  protocol.SetMaxFaultLines(20);  // inside the second line's twelve
  FindingWriter checks(protocol, Profile(Variant::Quarterly), test::D(8, 12, 2026));
  Table table = MakeTable(FileKind::SD);
  LoadPackageFile(checks, path, FileKind::SD, table);
  EXPECT_EQ(protocol.FaultCount(), 13u + 12u + 13u);
  EXPECT_EQ(protocol.FaultsLeftOut(), 38u - 20u);
  const std::vector<std::string> faults = test::FaultTexts(protocol);
  ASSERT_EQ(faults.size(), 20u);
  EXPECT_EQ(faults.back(),
            "отсутствует поле <" + Profile(Variant::Quarterly).captions(FileKind::SD)[7] + ">, строка 2");

  const std::size_t lines = protocol.lines().size();
  constexpr RuleEntry kDeclaration{"test.past-limit", Field(FileKind::SD, sd::SD_NA), "t {}", "T.", "T."};
  constexpr RuleEntry kJobCode{"test.past-limit", Field(FileKind::SD, sd::SD_JOB_CODE), "t", "T.", "T."};
  checks.Report(kDeclaration, "v");
  checks.ReportNoRow(kDeclaration, "v");
  checks.ReportDuplicate(kDeclaration, checks.context, "v");
  checks.ReportPack(kDeclaration, "1", checks.context, "v");
  checks.ReportPlain(kDeclaration, "v");
  checks.CheckSumEquals(kDeclaration, table, 0, 5);
  checks.CheckFilled(kJobCode, table, 0);
  EXPECT_EQ(protocol.FaultCount(), 38u + 7u);
  EXPECT_EQ(protocol.lines().size(), lines);
}

// A line equal to the line before it reads the same. Past the fault-line
// limit it is not parsed again: its faults are counted as the line before's
// and its row copies that line's. Loaded with and without the limit, every
// count, row, value and source line is the same.
TEST(BoundedStorage, RepeatedLinesPastTheLimitReadAsIfParsed) {
  const std::string valid =
      "7\xB0"
      "3\xB0"
      "8\xB0"
      "11\xB0"
      "102\xB0"
      "5\xB0"
      "01.08.2026\xB0"
      "31.08.2026\xB0"
      "100.50\xB0"
      "0\xB0"
      "6\xB0"
      "23\xB0"
      "29\xB0\r\n";
  std::string bytes;
  const std::pair<std::string, int> runs[] = {
      {"\r\n", 30},           // dropped rows, 13 faults each
      {"1\xB0\r\n", 40},      // one field kept
      {"1\xB0\n", 9},         // the same line with another line end
      {valid, 5},             // no fault
      {"2\xB0\r\n", 3},       // another value after a valid run
      {"\r\n", 2},            // dropped after kept
      {"2\xB0\r\n", 4},       // the same line again after dropped ones
      {"1\xB0x\xB0\r\n", 6},  // a conversion fault and missing fields
      {"3\xB0"
       "3\xB0"
       "8\xB0"
       "11\xB0"
       "102\xB0"
       "5\xB0"
       "1.8.2026\xB0\r\n",
       5},                         // a date-format fault
      {"1\xB0\r\n2\xB0\r\n", 20},  // two lines in turn: copies, not repeats
      {"4\xB0\r\n", 70},           // the last line below has no line end
      {"4\xB0", 1},
  };
  for (const auto& [line, count] : runs) {
    for (int i = 0; i < count; ++i) bytes += line;
  }
  TempDir dir;
  const std::string path = dir.path() + "REV5_SD";
  test::WriteBytes(path, bytes);
  auto load = [&](std::size_t max_lines, Protocol& protocol, Table& table) {
    protocol.SetMaxFaultLines(max_lines);
    FindingWriter checks(protocol, Profile(Variant::Quarterly), test::D(8, 12, 2026));
    LoadPackageFile(checks, path, FileKind::SD, table);
  };
  Protocol all;
  Table parsed = MakeTable(FileKind::SD);
  load(kMaxFaultLines, all, parsed);
  for (std::size_t limit : {std::size_t{5}, std::size_t{400}, std::size_t{700}}) {
    SCOPED_TRACE(limit);
    Protocol few;
    Table copied = MakeTable(FileKind::SD);
    load(limit, few, copied);
    EXPECT_EQ(few.FaultCount(), all.FaultCount());
    const std::vector<std::string> kept = test::FaultTexts(few);
    const std::vector<std::string> every = test::FaultTexts(all);
    ASSERT_LE(kept.size(), every.size());
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), every.begin()));
    ASSERT_EQ(copied.size(), parsed.size());
    for (RowId r = 0; r < parsed.size(); ++r) {
      ASSERT_EQ(copied.SourceLine(r), parsed.SourceLine(r)) << r;
      ASSERT_EQ(copied.Repeats(r), parsed.Repeats(r)) << r;
      for (int f = 0; f < parsed.FieldCount(); ++f) {
        ASSERT_EQ(copied.IsEmpty(r, f), parsed.IsEmpty(r, f)) << r << " " << f;
        ASSERT_EQ(copied.FileText(r, f), parsed.FileText(r, f)) << r << " " << f;
      }
    }
  }
  // Rows read from a line equal to the one before are marked; the first of
  // a run and a row after a dropped line are not.
  EXPECT_FALSE(parsed.Repeats(0));
  EXPECT_TRUE(parsed.Repeats(1));
  EXPECT_TRUE(parsed.Repeats(40));   // the same line, LF alone
  EXPECT_FALSE(parsed.Repeats(49));  // the first valid row
  EXPECT_FALSE(parsed.Repeats(54));  // "2" after the valid rows
  EXPECT_FALSE(parsed.Repeats(57));  // "2" after dropped lines
  EXPECT_TRUE(parsed.Repeats(58));
  EXPECT_TRUE(parsed.Repeats(static_cast<RowId>(parsed.size() - 1)));  // the line without a line end
  // Past the limit, a line equal to an earlier one, not the one before,
  // reads as a copy of that line's row; lines read in full are no copies.
  Protocol few;
  Table copied = MakeTable(FileKind::SD);
  load(5, few, copied);
  EXPECT_EQ(copied.CopyOf(74), 72u);
  EXPECT_EQ(copied.CopyOf(75), 73u);
  EXPECT_EQ(copied.CopyOf(2), 1u) << "a repeat";
  EXPECT_EQ(parsed.CopyOf(75), kNoRow);
}

// A change of a row forgets what was known about it and the row after it.
TEST(BoundedStorage, ChangingARowForgetsItsRepeatMarks) {
  Table t("t", {FieldDef{"N", FieldType::Float, 0}, FieldDef{"S", FieldType::String, 4}});
  t.Store(t.AppendRow(), 1, "ab");
  for (int i = 0; i < 4; ++i) t.AppendRepeat();
  for (RowId r = 1; r < 5; ++r) {
    EXPECT_TRUE(t.Repeats(r)) << r;
    EXPECT_EQ(t.Text(r, 1), "ab");
  }
  t.Store(2, 0, "1");
  EXPECT_TRUE(t.Repeats(1));
  EXPECT_FALSE(t.Repeats(2));
  EXPECT_FALSE(t.Repeats(3));
  EXPECT_TRUE(t.Repeats(4));
  t.DropLastRow();
  t.AppendRow();
  EXPECT_FALSE(t.Repeats(4)) << "a row appended in place of a dropped one";
  EXPECT_TRUE(t.IsEmpty(4, 1));
  t.Store(4, 0, "9");
  const RowId copy = t.AppendRepeat();
  EXPECT_EQ(t.Text(copy, 0), "9") << "a repeat copies the row as it is now";
  EXPECT_TRUE(t.IsEmpty(copy, 1));
  // A copy of an earlier row: marked while neither row changes.
  t.KeepFileText(1, 0, "1,5");
  const RowId far = t.AppendCopy(1);
  EXPECT_EQ(t.CopyOf(far), 1u);
  EXPECT_FALSE(t.Repeats(far));
  EXPECT_EQ(t.FileText(far, 0), "1,5");
  EXPECT_EQ(t.Text(far, 1), "ab");
  const RowId next = t.AppendCopy(far);
  EXPECT_EQ(t.CopyOf(next), far);
  t.Store(far, 1, "cd");
  EXPECT_EQ(t.CopyOf(far), kNoRow);
  EXPECT_EQ(t.CopyOf(next), kNoRow);
}

// Runs of repeated rows are passed over a word of marks at a time; a row
// after a run, or one set apart by a change, is still read.
TEST(BoundedStorage, RunsOfRepeatedRowsEndWhereARowDiffers) {
  for (const std::size_t run : {std::size_t{1}, std::size_t{63}, std::size_t{64}, std::size_t{65}, std::size_t{200}}) {
    SCOPED_TRACE(run);
    Table t("t", {FieldDef{"N", FieldType::Integer, 0}});
    t.Store(t.AppendRow(), 0, "5");
    t.AppendRepeats(run);
    const RowId lower = t.AppendRow();  // 3 sorts before the run's 5
    t.Store(lower, 0, "3");
    t.AppendRepeats(run);
    EXPECT_EQ(t.NextUnrepeated(1), lower);
    EXPECT_EQ(t.NextUnrepeated(lower + 1), t.size());
    const std::vector<RowId> order = t.Order({0});
    EXPECT_EQ(order.front(), lower);
    EXPECT_EQ(order.back(), lower - 1);
  }
}

// A lookup whose keys hold one value on every row has one group, every row
// in file order, found by that value alone: by search, by a search with
// fewer values than keys, and as its rows.
TEST(BoundedStorage, LookupOverKeysOfOneValueFindsEveryRowOrNone) {
  Table t("t", {FieldDef{"EMPTY", FieldType::Integer, 0}, FieldDef{"ONE", FieldType::String, 3}});
  const RowId n = 300;
  for (RowId r = 0; r < n; ++r) t.Store(t.AppendRow(), 1, "x");
  Lookup lookup(t, {0, 1});
  Table q("q", {FieldDef{"EMPTY", FieldType::Integer, 0}, FieldDef{"ONE", FieldType::String, 3}});
  const std::pair<const char*, const char*> searches[] = {{"", "y"}, {"1", "x"}, {"", "x"}, {"", "y"}, {"", "x"}};
  const std::size_t found[] = {0, 0, n, 0, n};
  for (std::size_t i = 0; i < std::size(searches); ++i) {
    const RowId r = q.AppendRow();
    q.Store(r, 0, searches[i].first);
    q.Store(r, 1, searches[i].second);
    const Lookup::Range range = lookup.Find(q, r, {0, 1});
    ASSERT_EQ(range.size(), found[i]) << i;
    if (found[i] != 0) {
      EXPECT_TRUE(std::is_sorted(range.begin(), range.end()) && range.front() == 0) << i;
    }
  }
  EXPECT_EQ(lookup.Find(std::vector<KeyValue>{KeyValue{}}).size(), n);
  ASSERT_EQ(lookup.rows().size(), n);
  EXPECT_EQ(lookup.rows().back(), n - 1);
}

// A lookup that found nothing answers the same keys again at once; other
// keys, found or not, are searched as before.
TEST(BoundedStorage, LookupAfterAMissFindsWhatIsThere) {
  Table t("t", {FieldDef{"ID", FieldType::Integer, 0}, FieldDef{"CODE", FieldType::String, 20}});
  const std::pair<const char*, const char*> rows[] = {{"1", "A"}, {"2", ""}, {"", "B"}, {"4", "A-LONG-CODE-OF-20"}};
  for (const auto& [id, code] : rows) {
    const RowId r = t.AppendRow();
    t.Store(r, 0, id);
    t.Store(r, 1, code);
  }
  Lookup by_both(t, {0, 1});
  Table q("q", {FieldDef{"ID", FieldType::Integer, 0}, FieldDef{"CODE", FieldType::String, 20}});
  const std::pair<const char*, const char*> searches[] = {{"", ""},
                                                          {"", ""},
                                                          {"1", "A"},
                                                          {"", ""},
                                                          {"2", ""},
                                                          {"2", ""},
                                                          {"", "B"},
                                                          {"1", "B"},
                                                          {"1", "B"},
                                                          {"1", "A"},
                                                          {"4", "A-LONG-CODE-OF-2"},
                                                          {"4", "A-LONG-CODE-OF-20"},
                                                          {"4", "A-LONG-CODE-OF-21"},
                                                          {"4", "A-LONG-CODE-OF-20"}};
  const RowId expected[] = {kNoRow, kNoRow, 0, kNoRow, 1, 1, 2, kNoRow, kNoRow, 0, kNoRow, 3, kNoRow, 3};
  for (std::size_t i = 0; i < std::size(searches); ++i) {
    const RowId r = q.AppendRow();
    q.Store(r, 0, searches[i].first);
    q.Store(r, 1, searches[i].second);
    EXPECT_EQ(by_both.First(q, r, {0, 1}), expected[i]) << i;
  }
}

}  // namespace
}  // namespace zentrox
