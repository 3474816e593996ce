#include <gtest/gtest.h>

#include "data/schemas.h"
#include "data/table.h"

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
  Table t = Months({{"10", "1", "2"},   // 0
                    {"9", "1", "13"},   // 1
                    {"10", "1", "1"},   // 2
                    {"", "1", "5"},     // 3
                    {"10", "1", "2"},   // 4 ties with 0: stays after it
                    {"-1", "1", "1"}});  // 5
  EXPECT_EQ(t.Order({sd::SD_NA, sd::SD_MONTH}), (std::vector<RowId>{3, 5, 1, 2, 0, 4}));
}

TEST(TableOrder, TextsCompareAsTexts) {
  Table t = Months({{"1", "1", "1", "", "2"}, {"1", "1", "1", "", "10"}, {"1", "1", "1", "", ""}});
  EXPECT_EQ(t.Order({sd::SD_CATEGORY}), (std::vector<RowId>{2, 1, 0}));
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
  decl.Store(r, na::NA_PL, "9");
  EXPECT_EQ(link.First(decl, r, {na::NA_ID, na::NA_PL}), kNoRow);
}

TEST(Lookup, TextKeysAndEmptyValues) {
  TDM dm;
  for (const char* code : {"1", "01", "150"}) dm.kategor.Store(dm.kategor.AppendRow(), 0, code);
  Lookup link(dm.kategor, {0});
  Table t = Months({{"1", "1", "1", "", "01"}, {"1", "1", "1", "", ""}});
  EXPECT_EQ(link.First(t, 0, {sd::SD_CATEGORY}), 1u);
  EXPECT_EQ(link.First(t, 1, {sd::SD_CATEGORY}), kNoRow);
  Linked none;
  EXPECT_EQ(none.Text(0), "");
  EXPECT_EQ(none.Number(0), 0);
}

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
