// Damaged package and dictionary files: raw bytes as they may arrive, written
// without any conversion. The loaders report each fault and go on.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "model/schemas.h"
#include "report/checks.h"
#include "report/loader.h"
#include "support/rule_harness.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

using test::TempDir;

const std::string kT = "\xB0";  // the field terminator in code page 1251

// Fields in code page 1251 bytes, each followed by the terminator.
std::string Fields(const std::vector<std::string>& fields) {
  std::string out;
  for (const std::string& f : fields) out += f + kT;
  return out;
}

const std::string kIpRecord = Fields({"1", "3", "100.00", "0", "6.00", "24.00", "30.00"});

std::string Na(const std::string& last_name, const std::string& birth = "") {
  return Fields({"1", "5", "12345678901", last_name, "ION", "", birth, "", "", "", "", "", ""});
}

struct Loaded {
  Protocol protocol;
  Table table;
  std::vector<std::string> faults;
};

Loaded LoadRaw(FileKind kind, const std::string& bytes, Variant variant = Variant::Quarterly) {
  TempDir dir;
  const std::string path = dir.path() + FileName(kind);
  test::WriteBytes(path, bytes);
  Loaded out{Protocol(), MakeTable(kind), {}};
  FindingWriter checks(out.protocol, Profile(variant), test::D(8, 12, 2026));
  LoadPackageFile(checks, path, kind, out.table);
  out.faults = test::FaultTexts(out.protocol);
  return out;
}

const std::vector<std::string> kIpCaptions = {
    "1.Номер пачки ЭА",       "2.Кол-во документов в пачке",        "3.Общий фонд зарплаты в пачке",
    "4.Больничные в пачке",   "5.Всего взносов застр.лица в пачке", "6.Всего взносов ЭА в пачке",
    "7.Всего взносов в пачке"};

// "отсутствует поле" for IP fields first..7 on one line.
std::vector<std::string> MissingIp(int first, int line) {
  std::vector<std::string> out;
  for (int f = first; f <= 7; ++f) {
    out.push_back("отсутствует поле <" + kIpCaptions[static_cast<std::size_t>(f - 1)] + ">, строка " +
                  std::to_string(line));
  }
  return out;
}

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::string IpType(const std::string& pack, int field, int line = 1) {
  return "Пачка " + pack + ", Декл.N  . Ошибка: неверный тип данных. Поле <" +
         kIpCaptions[static_cast<std::size_t>(field - 1)] + ">,строка " + std::to_string(line);
}

std::string NaType(const std::string& name, const char* caption) {
  return "Пачка 5, Декл.N 1 " + name + ". Ошибка: неверный тип данных. Поле <" + caption + ">,строка 1";
}

struct DamagedCase {
  const char* name;
  FileKind kind;
  std::string bytes;
  std::vector<std::string> faults;
  std::size_t rows;
};

class DamagedInput : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedInput, ReportsExactlyTheseLines) {
  const DamagedCase& c = GetParam();
  Loaded l = LoadRaw(c.kind, c.bytes);
  EXPECT_EQ(l.faults, c.faults);
  EXPECT_EQ(l.table.size(), c.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, DamagedInput,
    ::testing::Values(
        // NUL bytes
        DamagedCase{"nul_in_a_number",
                    FileKind::IP,
                    Fields({"7", std::string("1\0", 2), "0", "0", "0", "0", "0"}),
                    {IpType("7", 2)},
                    1},
        DamagedCase{"nul_bytes_only", FileKind::IP, std::string(8, '\0'),
                    Join({IpType(std::string(8, '\0'), 1)}, MissingIp(2, 1)), 0},
        DamagedCase{"nul_line_between_records", FileKind::IP,
                    kIpRecord + "\r\n" + std::string(3, '\0') + "\r\n" + kIpRecord,
                    Join({IpType(std::string(3, '\0'), 1, 2)}, MissingIp(2, 2)), 2},
        // the byte code page 1251 leaves undefined
        DamagedCase{"undefined_byte_in_a_number",
                    FileKind::IP,
                    Fields({"7", "1", "1\x98", "0", "0", "0", "0"}),
                    {IpType("7", 3)},
                    1},
        DamagedCase{"undefined_byte_in_a_date",
                    FileKind::NA,
                    Na("POPA", "01.01.19\x98\x38"),
                    {NaType("POPA", "7.Дата рождения")},
                    1},
        // line ends
        DamagedCase{"cr_only_line_ends_make_one_line",
                    FileKind::IP,
                    kIpRecord + "\r" + kIpRecord + "\r" + kIpRecord + "\r",
                    {"Ошибка. Отсутствует признак конца строки Строка 1"},
                    1},
        DamagedCase{"cr_cr_lf_is_one_line_end", FileKind::IP, kIpRecord + "\r\r\n" + kIpRecord + "\r\r\n", {}, 2},
        DamagedCase{"lf_cr_counts_the_cr_into_the_next_line", FileKind::IP, kIpRecord + "\n\r" + kIpRecord, {}, 2},
        DamagedCase{"line_ends_only", FileKind::IP, "\r\n\n\r\n",
                    Join(Join(MissingIp(1, 1), MissingIp(1, 2)), MissingIp(1, 3)), 0},
        DamagedCase{"cr_only", FileKind::IP, "\r\r\r", MissingIp(1, 1), 0},
        DamagedCase{"field_terminators_only",
                    FileKind::IP,
                    std::string(20, '\xB0'),
                    {"Ошибка. Отсутствует признак конца строки Строка 1"},
                    0},
        DamagedCase{"field_terminators_then_line_ends", FileKind::IP, std::string(7, '\xB0') + "\r\n\r\n",
                    MissingIp(1, 2), 1},
        // UTF-8 where code page 1251 is expected
        DamagedCase{"utf8_byte_order_mark", FileKind::IP, "\xEF\xBB\xBF" + kIpRecord, {IpType("п»ї1", 1)}, 1},
        DamagedCase{"utf8_terminator",
                    FileKind::IP,
                    "1\xC2\xB0"
                    "3\xC2\xB0"
                    "1\xC2\xB0"
                    "0\xC2\xB0"
                    "0\xC2\xB0"
                    "0\xC2\xB0"
                    "0\xC2\xB0",
                    {IpType("1В", 1), IpType("1В", 2), IpType("1В", 3), IpType("1В", 4), IpType("1В", 5),
                     IpType("1В", 6), IpType("1В", 7)},
                    0},
        // numbers beyond 32 bits or double range
        DamagedCase{"int32_limits_convert",
                    FileKind::IP,
                    Fields({"1", "2147483647", "0", "0", "0", "0", "0"}) + "\r\n" +
                        Fields({"2", "-2147483648", "0", "0", "0", "0", "0"}),
                    {},
                    2},
        DamagedCase{"int32_overflow",
                    FileKind::IP,
                    Fields({"1", "-2147483649", "0", "0", "0", "0", "0"}) + "\r\n" +
                        Fields({"2", "99999999999999999999999", "0", "0", "0", "0", "0"}),
                    {IpType("1", 2), IpType("2", 2, 2)},
                    2},
        DamagedCase{"double_overflow",
                    FileKind::IP,
                    Fields({"1", "1", "1e400", "0", "1" + std::string(400, '0'), "0", "0"}),
                    {IpType("1", 3), IpType("1", 5)},
                    1},
        DamagedCase{"not_a_number_words",
                    FileKind::IP,
                    Fields({"1", "1", "inf", "nan", "0x10", "1e", "-"}),
                    {IpType("1", 3), IpType("1", 4), IpType("1", 5), IpType("1", 6), IpType("1", 7)},
                    1},
        // dates
        DamagedCase{"february_31", FileKind::NA, Na("POPA", "31.02.2020"), {NaType("POPA", "7.Дата рождения")}, 1},
        DamagedCase{"all_zero_date", FileKind::NA, Na("POPA", "00.00.0000"), {NaType("POPA", "7.Дата рождения")}, 1},
        DamagedCase{"day_zero", FileKind::NA, Na("POPA", "00.01.2020"), {NaType("POPA", "7.Дата рождения")}, 1},
        DamagedCase{"month_13", FileKind::NA, Na("POPA", "01.13.2020"), {NaType("POPA", "7.Дата рождения")}, 1},
        DamagedCase{"february_29_of_a_common_year",
                    FileKind::NA,
                    Na("POPA", "29.02.2021"),
                    {NaType("POPA", "7.Дата рождения")},
                    1},
        DamagedCase{"february_29_of_a_leap_year", FileKind::NA, Na("POPA", "29.02.2020"), {}, 1},
        DamagedCase{"year_0000", FileKind::NA, Na("POPA", "01.01.0000"), {NaType("POPA", "7.Дата рождения")}, 1},
        DamagedCase{
            "date_with_blanks", FileKind::NA, Na("POPA", " 1.01.2020"), {NaType("POPA", "7.Дата рождения")}, 1}),
    [](const ::testing::TestParamInfo<DamagedCase>& info) { return std::string(info.param.name); });

TEST(DamagedInputText, UndefinedByteInANameBecomesOneReplacementCharacter) {
  Loaded l = LoadRaw(FileKind::NA, Na("PO\x98PA"));
  EXPECT_TRUE(l.faults.empty());
  ASSERT_EQ(l.table.size(), 1u);
  EXPECT_EQ(l.table.Text(0, na::NA_LAST_NAME), "PO\xEF\xBF\xBDPA");
}

TEST(DamagedInputText, NulInANameIsKept) {
  Loaded l = LoadRaw(FileKind::NA, Na(std::string("PO\0PA", 5)));
  EXPECT_TRUE(l.faults.empty());
  EXPECT_EQ(l.table.Text(0, na::NA_LAST_NAME), std::string("PO\0PA", 5));
}

TEST(DamagedInputText, Utf8CyrillicIsReadAsCodePage1251) {
  // "ПОПА" in UTF-8 is eight cp1251 characters; nothing fails, the name is garbled.
  Loaded l = LoadRaw(FileKind::NA, Na("\xD0\x9F\xD0\x9E\xD0\x9F\xD0\x90"));
  EXPECT_TRUE(l.faults.empty());
  EXPECT_EQ(l.table.Text(0, na::NA_LAST_NAME), "РџРћРџРђ");
}

// ---- long inputs: counts, and time ------------------------------------------------

TEST(DamagedInputLong, TenMegabyteLineWithoutTerminators) {
  const auto start = std::chrono::steady_clock::now();
  Loaded l = LoadRaw(FileKind::IP, std::string(10u << 20, '7'));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  ASSERT_EQ(l.faults.size(), 7u);  // field 1 does not convert, fields 2..7 are missing
  EXPECT_EQ(l.faults[1], MissingIp(2, 1)[0]);
  EXPECT_EQ(l.table.size(), 0u);
}

TEST(DamagedInputLong, TenMegabyteNameIsCutToTheField) {
  Loaded l = LoadRaw(FileKind::NA, Na(std::string(10u << 20, '\xC0')) + "\r\n" + Na("POPA"));
  EXPECT_TRUE(l.faults.empty());
  ASSERT_EQ(l.table.size(), 2u);
  EXPECT_EQ(l.table.Text(0, na::NA_LAST_NAME).size(), 100u);  // 50 characters "А" of two bytes
  EXPECT_EQ(l.table.Text(1, na::NA_LAST_NAME), "POPA");
}

TEST(DamagedInputLong, ManyLineEndsOnly) {
  Loaded l = LoadRaw(FileKind::IP, std::string(10000, '\n'));
  ASSERT_EQ(l.faults.size(), 7u * 10000u);
  EXPECT_EQ(l.faults.back(), "отсутствует поле <7.Всего взносов в пачке>, строка 10000");
  EXPECT_EQ(l.table.size(), 0u);
}

// A megabyte of empty lines is a fault per field on each of half a million
// lines: the protocol keeps the first kMaxFaultLines and counts the rest.
// Before the limit this one file took seconds and gigabytes.
TEST(DamagedInputLong, MegabyteOfEmptyLinesKeepsTheProtocolBounded) {
  const auto start = std::chrono::steady_clock::now();
  Loaded l = LoadRaw(FileKind::IP, std::string(1u << 20, '\n'));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(l.protocol.FaultCount(), 7u * (1u << 20));
  ASSERT_EQ(l.faults.size(), kMaxFaultLines);
  // 100000 = 14285 lines of 7 faults and 5 more
  EXPECT_EQ(l.faults.back(), "отсутствует поле <5.Всего взносов застр.лица в пачке>, строка 14286");
  ASSERT_FALSE(l.protocol.lines().empty());
  const ProtocolLine& last = l.protocol.lines().back();
  EXPECT_EQ(last.text, "Слишком много ошибок: выведены первые 100000, остальные не выводятся");
  EXPECT_EQ(last.kind, LineKind::Frame);
  EXPECT_EQ(last.style.color, kRed);
  EXPECT_EQ(l.protocol.lines().size(), kMaxFaultLines + 2);  // with "fisierul ..." and the notice
}

TEST(DamagedInputLong, FaultsPastTheLimitAreCountedNotComposed) {
  // The limit applies across files and lines of every kind; lines that are
  // not faults are still written after it.
  Protocol p;
  p.SetMaxFaultLines(3);
  for (int i = 0; i < 5; ++i) p.Add("fault " + std::to_string(i), LineKind::Fault);
  p.Add("summary");
  p.AddFinding("finding", Finding{});
  EXPECT_EQ(test::Texts(p),
            (std::vector<std::string>{"fault 0", "fault 1", "fault 2",
                                      "Слишком много ошибок: выведены первые 3, остальные не выводятся", "summary"}));
  EXPECT_EQ(p.FaultCount(), 6u);
  EXPECT_TRUE(p.FaultsFull());
  p.Clear();
  EXPECT_FALSE(p.FaultsFull());
  EXPECT_EQ(p.FaultCount(), 0u);
  p.Add("again", LineKind::Fault);
  EXPECT_EQ(test::Texts(p), std::vector<std::string>{"again"});
}

// Both limits, said where the first line was dropped and, with the exact
// count left out, at the end of the run.
TEST(DamagedInputLong, FaultLimitsAreSaidWithTheCountLeftOut) {
  struct Case {
    std::size_t max_lines;
    std::size_t max_bytes;
    int faults;
    std::vector<std::string> expected;
  };
  const std::string limit2 = "Слишком много ошибок: выведены первые 2, остальные не выводятся";
  const std::string limit3 = "Слишком много ошибок: выведены первые 3, остальные не выводятся";
  const Case cases[] = {
      {3, kMaxFaultBytes, 5, {"fault 0", "fault 1", "fault 2", limit3, "end", limit3 + " (не выведено: 2)"}},
      // "fault N" has 7 bytes: a third would pass 20.
      {kMaxFaultLines, 20, 5, {"fault 0", "fault 1", limit2, "end", limit2 + " (не выведено: 3)"}},
      {3, 21, 3, {"fault 0", "fault 1", "fault 2", "end"}},
  };
  for (const Case& c : cases) {
    Protocol p;
    p.SetMaxFaultLines(c.max_lines);
    p.SetMaxFaultBytes(c.max_bytes);
    for (int i = 0; i < c.faults; ++i) p.Add("fault " + std::to_string(i), LineKind::Fault);
    p.Add("end");
    p.Finish();
    p.Finish();
    EXPECT_EQ(test::Texts(p), c.expected) << c.max_lines << " " << c.max_bytes;
    EXPECT_EQ(p.FaultCount(), static_cast<std::size_t>(c.faults));
  }
}

// The control run closes a protocol that left fault lines out with their
// count, before its closing lines, in every window and in the CLI alike.
TEST(DamagedInputLong, ControlRunSaysHowManyFaultLinesWereLeftOut) {
  test::RuleHarness h(Variant::Quarterly);
  h.WriteFile("rev5_t", {""});
  h.WriteFile("rev5_ip", {"", ""});
  h.protocol.SetMaxFaultLines(5);
  ASSERT_EQ(h.Run("REV5_1234567_00001_2026T03.rar").outcome, RunOutcome::Completed);
  const std::vector<std::string> lines = h.AllLines();
  auto closing = std::find(lines.begin(), lines.end(), "к о н т р о л ь  з а в е р ш е н.");
  ASSERT_NE(closing, lines.end());
  const std::size_t left_out = h.protocol.FaultCount() - 5;
  EXPECT_GT(left_out, 14u);  // REV5_T's 14 missing fields alone are more than 5
  EXPECT_EQ(*(closing - 1), "Слишком много ошибок: выведены первые 5, остальные не выводятся (не выведено: " +
                                std::to_string(left_out) + ")");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Слишком много ошибок: выведены первые 5, остальные не выводятся"),
            1);
}

// Past the limit, a monthly row that copies an earlier line is counted as
// that line's row was checked: the count is the count of a run that checks
// every row.
TEST(DamagedInputLong, RowsCopyingEarlierLinesCountTheirFaults) {
  const std::vector<std::string> kinds = {
      test::Record({"1"}), test::Record({"2", "1", "7"}), "",
      test::Record({"3", "1", "8", "1", "1", "5", "01.07.2026", "31.07.2026", "1", "0", "1", "1", "2"})};
  std::vector<std::string> sd;
  for (std::size_t i = 0; i < 400; ++i) sd.push_back(kinds[(i + i / 7) % kinds.size()]);
  std::vector<std::size_t> counts;
  for (std::size_t limit : {kMaxFaultLines, std::size_t{5}}) {
    test::RuleHarness h(Variant::Quarterly);
    h.WriteFile("rev5_t", {""});
    h.WriteFile("rev5_ip", {""});
    h.WriteFile("rev5_na", {""});
    h.WriteFile("rev5_sd", sd);
    h.protocol.SetMaxFaultLines(limit);
    ASSERT_EQ(h.Run("REV5_1234567_00001_2026T03.rar").outcome, RunOutcome::Completed);
    counts.push_back(h.protocol.FaultCount());
  }
  EXPECT_EQ(counts[1], counts[0]);
}

// A megabyte declaration number and last name are quoted as far as the
// fields keep them, not whole in every fault of their line.
TEST(DamagedInputLong, HugeContextFieldsAreQuotedCutToTheFieldSize) {
  const std::string id(1u << 20, '9');       // does not convert: too large
  const std::string name(1u << 20, '\xC0');  // "А"; the field keeps 50
  Loaded l =
      LoadRaw(FileKind::NA, Fields({id, "5", "12345678901", name, "ION", "", "1.1.1980", "", "X", "", "", "", ""}));
  std::string kept_name;
  for (int i = 0; i < 50; ++i) kept_name += "А";
  const std::string kept_id(32, '9');
  EXPECT_EQ(l.faults,
            (std::vector<std::string>{
                "Пачка , Декл.N " + kept_id + " . Ошибка: неверный тип данных. Поле <1.Номер декларации>,строка 1",
                "Пачка 5, Декл.N " + kept_id + " " + kept_name +
                    ". Ошибка: неверный формат даты. Поле <7.Дата рождения>,строка 1",
                "Пачка 5, Декл.N " + kept_id + " " + kept_name +
                    ". Ошибка: неверный тип данных. Поле <9.Тип документа>,строка 1",
            }));
}

TEST(DamagedInputLong, ManyRecordsWithCrOnlyLineEnds) {
  std::string bytes;
  for (int i = 0; i < 10000; ++i) bytes += kIpRecord + "\r";
  Loaded l = LoadRaw(FileKind::IP, bytes);
  EXPECT_EQ(l.faults, std::vector<std::string>{"Ошибка. Отсутствует признак конца строки Строка 1"});
  EXPECT_EQ(l.table.size(), 1u);
}

// ---- dictionaries ------------------------------------------------------------------------

TEST(DamagedDictionary, LoadersReportAndGoOn) {
  TempDir dir;
  NewFormatTables dm;
  Protocol protocol;
  FindingWriter checks(protocol, Profile(Variant::Monthly), test::D(8, 12, 2026));
  test::WriteBytes(dir / "months.txt", std::string("1|\x98\r\n") + std::string(2, '\0') +
                                           "\r\n2147483648|x\r\n\xEF\xBB\xBF"
                                           "3|y\r\n4|z\r");
  LoadDictionary(checks, dir / "months.txt", dm.months, "13");
  EXPECT_EQ(test::FaultTexts(protocol),
            (std::vector<std::string>{"запорчен файл" + dir / "months.txt" + "строка 2",
                                      "Неверный тип параметра, Строка 3", "Неверный тип параметра, Строка 4"}));
  ASSERT_EQ(dm.months.size(), 3u);  // 1, 4 and the total row 13
  EXPECT_EQ(dm.months.Text(1, 0), "4");
  EXPECT_EQ(dm.months.Text(2, 0), "13");

  Protocol records_protocol;
  FindingWriter records_checks(records_protocol, Profile(Variant::Monthly), test::D(8, 12, 2026));
  test::WriteBytes(dir / "sps_newkateg.txt",
                   "A|31.02.2020|00.00.0000|\r\n\r\nB|01.01.2020|01.01.2030|extra|\r\nC|1.1.2020|\n"
                   "D|01.01.2020\r01.01.2030|\n");
  LoadDictionaryRecords(records_checks, dir / "sps_newkateg.txt", dm.new_kategor);
  EXPECT_EQ(test::FaultTexts(records_protocol),
            (std::vector<std::string>{
                "Ошибка: неверный тип данных.строка 1", "Ошибка: неверный тип данных.строка 1",
                "Ошибка. Отсутствует признак конца строки Строка 3", "Ошибка: неверный формат даты. строка 4",
                // a lone CR joins the two dates into one field
                "Ошибка: неверный формат даты. строка 5", "Ошибка: неверный тип данных.строка 5"}));
}

}  // namespace
}  // namespace zentrox
