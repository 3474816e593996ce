// zentrox-check without a variant (told from each archive) and with the
// findings as CSV, read back by a spreadsheet program.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <ostream>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/cli_support.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

using Outcome = test::CheckOutcome;
std::string Quote(const std::string& s) { return test::ShellQuote(s); }
Outcome Shell(const std::string& command) { return test::RunShell(command); }
std::string Example(const std::string& name) { return test::ExampleArchive(name); }

// The protocol without its first line, the date and time of the run.
std::string AfterFirstLine(const std::string& text) {
  const std::size_t nl = text.find('\n');
  return nl == std::string::npos ? std::string() : text.substr(nl + 1);
}

class AutoVariantCsvTest : public ::testing::Test {
 protected:
  AutoVariantCsvTest() { test::CopyDictionaries(work.path()); }
  Outcome Check(const std::vector<std::string>& args) {
    std::string cmd = Quote(ZENTROX_CHECK) + " --workdir " + Quote(work.path()) + " --today 08.12.2026";
    for (const std::string& a : args) {
      cmd += ' ';
      cmd += Quote(a);
    }
    return Shell(cmd);
  }
  // The faulty example's CSV, also written to `dir`/findings.csv.
  Outcome FaultyCsvIn(const TempDir& dir) {
    Outcome r = Check({"--format", "csv", Example("REV5_1234567_00002_2026T03.rar")});
    test::WriteBytes(dir / "findings.csv", r.out);
    return r;
  }
  TempDir work;
};

const std::pair<const char*, const char*> kExamples[] = {
    {"quarterly", "REV5_1234567_00001_2026T03.rar"},
    {"monthly", "REV5_1234567_00003_2026L11.rar"},
    {"annual", "REV5_1234567_00004_2025L00.rar"},
    {"annual-old", "REV5_1234567_00005.rar"},
};

// Each example is checked as its variant, whether the variant is left out,
// given as auto or given by name.
TEST_F(AutoVariantCsvTest, EveryExampleIsCheckedAsItsVariantWithoutBeingTold) {
  for (const auto& [variant, archive] : kExamples) {
    SCOPED_TRACE(variant);
    const Outcome told = Check({"--variant", variant, Example(archive)});
    ASSERT_EQ(told.status, 0) << told.out << told.err;
    for (const std::vector<std::string>& args : {std::vector<std::string>{Example(archive)},
                                                 std::vector<std::string>{"--variant", "auto", Example(archive)}}) {
      const Outcome found = Check(args);
      EXPECT_EQ(found.status, 0) << found.err;
      EXPECT_EQ(AfterFirstLine(found.out), AfterFirstLine(told.out));
    }
    const Outcome json = Check({"--format", "json", Example(archive)});
    EXPECT_NE(json.out.find(std::string("\"variant\": \"") + variant + "\""), std::string::npos) << json.out;
  }
}

// A name that tells no variant ends with status 2 and the reason; in a batch
// that archive is skipped, the others are checked, and the status is the
// highest over the archives.
TEST_F(AutoVariantCsvTest, AnArchiveWhoseVariantCantBeToldIsNamedAndSkipped) {
  TempDir src;
  const std::string plain = src / "package.rar";
  const std::string bad_period = src / "REV5_1234567_00001_2026T05.rar";
  fs::copy_file(Example("REV5_1234567_00001_2026T03.rar"), plain);
  fs::copy_file(Example("REV5_1234567_00001_2026T03.rar"), bad_period);
  struct Case {
    std::string archive;
    std::string reason;
  };
  for (const Case& c : {Case{plain, "neither of the package name's lengths"}, Case{bad_period, "\"T05\""}}) {
    SCOPED_TRACE(c.archive);
    const Outcome r = Check({c.archive});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("zentrox-check: " + c.archive + ": ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_FALSE(fs::exists(work / ".zentrox.lock"));  // nothing was unpacked

  const std::string faulty = Example("REV5_1234567_00002_2026T03.rar");
  const Outcome batch = Check({plain, faulty});
  EXPECT_EQ(batch.status, 2);
  EXPECT_NE(batch.out.find("===== " + plain + " =====\n===== " + faulty + " =====\n"), std::string::npos);
  EXPECT_NE(batch.out.find("к о н т р о л ь  з а в е р ш е н."), std::string::npos) << batch.out;

  // A status above 2 wins: the archive that was not unpacked.
  TempDir other;
  test::WriteBytes(other / "REV5_1234567_00009_2026T03.rar", "not an archive");
  EXPECT_EQ(Check({plain, other / "REV5_1234567_00009_2026T03.rar"}).status, 3);

  const Outcome json = Check({"--format", "json", plain});
  EXPECT_EQ(json.status, 2);
  EXPECT_NE(json.out.find("\"variant\": \"\""), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"completed\": false"), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"lines\": []"), std::string::npos) << json.out;
}

std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      lines.push_back(text.substr(pos));
      break;
    }
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

const char kHeader[] = "archive,rule,file,record,pack,declaration,name,field,value,message,text,expected";

// The header once, then the rows of each archive in the order given; an
// archive that is not read or not told adds none.
TEST_F(AutoVariantCsvTest, CsvHasTheHeaderOnceAndTheArchivesRowsInOrder) {
  const std::string faulty = Example("REV5_1234567_00002_2026T03.rar");
  const std::string valid = Example("REV5_1234567_00001_2026T03.rar");
  TempDir src;
  const std::string untold = src / "package.rar";
  fs::copy_file(valid, untold);
  const Outcome alone = Check({"--format", "csv", faulty});
  EXPECT_EQ(alone.status, 1);
  ASSERT_EQ(alone.out.rfind("\xEF\xBB\xBF" + std::string(kHeader) + "\r\n", 0), 0u) << alone.out;
  const std::vector<std::string> rows = CrLfLines(alone.out.substr(3));
  ASSERT_EQ(rows.size(), 12u);  // the header and one row per fault line
  for (std::size_t k = 1; k < rows.size(); ++k) {
    EXPECT_EQ(rows[k].rfind(faulty + ",", 0), 0u) << rows[k];
    EXPECT_EQ(rows[k].find('\n'), std::string::npos) << "a bare line feed in " << rows[k];
  }

  const Outcome batch = Check({"--format", "csv", faulty, src / "missing.rar", valid, untold, faulty});
  EXPECT_EQ(batch.status, 3);
  const std::vector<std::string> expected_rows(rows.begin() + 1, rows.end());
  std::vector<std::string> expected = {kHeader};
  expected.insert(expected.end(), expected_rows.begin(), expected_rows.end());
  expected.insert(expected.end(), expected_rows.begin(), expected_rows.end());
  EXPECT_EQ(CrLfLines(batch.out.substr(3)), expected);
  EXPECT_NE(batch.err.find(src / "missing.rar: no such file\n"), std::string::npos) << batch.err;
  EXPECT_NE(batch.err.find(untold + ": the archive's name"), std::string::npos) << batch.err;

  // The code page is for the text protocol only.
  EXPECT_EQ(Check({"--format", "csv", "--encoding", "cp1251", faulty}).out, alone.out);
}

// One CSV line as the spreadsheet program wrote it: each cell's text and
// whether it came quoted (a text cell, when every text cell is quoted).
struct Cell {
  std::string text;
  bool quoted = false;
  bool operator==(const Cell&) const = default;
};

void PrintTo(const Cell& cell, std::ostream* os) { *os << (cell.quoted ? "\"" + cell.text + "\"" : cell.text); }

std::vector<std::vector<Cell>> ParseCsv(const std::string& text) {
  std::vector<std::vector<Cell>> rows;
  std::vector<Cell> row;
  Cell cell;
  bool in_quotes = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (in_quotes) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell.text += '"';
        ++i;
      } else if (c == '"') {
        in_quotes = false;
      } else {
        cell.text += c;
      }
    } else if (c == '"') {
      in_quotes = true;
      cell.quoted = true;
    } else if (c == ',') {
      row.push_back(std::exchange(cell, Cell{}));
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      row.push_back(std::exchange(cell, Cell{}));
      rows.push_back(std::exchange(row, {}));
    } else {
      cell.text += c;
    }
  }
  if (!cell.text.empty() || cell.quoted || !row.empty()) {
    row.push_back(cell);
    rows.push_back(row);
  }
  return rows;
}

// The findings of the faulty example as the spreadsheet program reads them:
// its CSV import (comma, double quote, UTF-8, Russian, the dialog's default
// column types) turned into a sheet, saved again as CSV with every text cell
// quoted so each cell's kind shows.
TEST_F(AutoVariantCsvTest, TheSpreadsheetProgramReadsTheFindingsBack) {
  if (std::system("command -v soffice >/dev/null 2>&1") != 0) GTEST_SKIP() << "no soffice";
  const std::string faulty = Example("REV5_1234567_00002_2026T03.rar");
  TempDir dir;
  const Outcome r = FaultyCsvIn(dir);
  ASSERT_EQ(r.status, 1) << r.err;
  fs::create_directory(dir / "out");
  // A private profile: the conversion neither reads nor changes the user's.
  const Outcome converted =
      Shell("cd " + Quote(dir.path()) + " && soffice -env:UserInstallation=file://" + dir.path() +
            "profile --headless --infilter=CSV:44,34,76,1,,1049 --convert-to " +
            Quote("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true") + " --outdir out findings.csv");
  ASSERT_EQ(converted.status, 0) << converted.out << converted.err;
  const std::string read_back = test::ReadBytes(dir / "out/findings.csv");
  ASSERT_FALSE(read_back.empty()) << converted.out << converted.err;
  const std::vector<std::vector<Cell>> sheet = ParseCsv(read_back);
  ASSERT_EQ(sheet.size(), 12u) << read_back;

  // The byte-order mark is no part of the first cell.
  std::vector<Cell> header;
  for (const char* name : {"archive", "rule", "file", "record", "pack", "declaration", "name", "field", "value",
                           "message", "text", "expected"}) {
    header.push_back({name, true});
  }
  EXPECT_EQ(sheet[0], header);
  // The loader's fault: the date as it stood in the file stays text, the
  // record is the line in REV5_SD, the protocol line keeps its commas.
  const std::vector<Cell> load = {
      {faulty, true},
      {"load.data-type-valid", true},
      {"REV5_SD", true},
      {"16", false},
      {"2", false},
      {"1", false},
      {"", false},
      {"8.Конечная дата работы в месяце", true},
      {"31.09.2026", true},
      {"Ошибка: неверный тип данных.", true},
      {"Пачка 2, Декл.N 1 . Ошибка: неверный тип данных. Поле <8.Конечная дата работы в месяце>,строка 16", true},
  };
  ASSERT_EQ(sheet[1].size(), 12u);
  EXPECT_EQ(std::vector<Cell>(sheet[1].begin(), sheet[1].begin() + 11), load);
  // A Cyrillic caption and message, a Latin name with a lower-case letter.
  const std::vector<Cell>& name = sheet[2];
  ASSERT_EQ(name.size(), 12u);
  EXPECT_EQ(name[1].text, "new.na.last-name-characters");
  EXPECT_EQ(name[3], (Cell{"3", false}));
  EXPECT_EQ(name[6], (Cell{"Ceban", true}));
  EXPECT_EQ(name[7], (Cell{"4.Фамилия", true}));
  EXPECT_EQ(name[9], (Cell{"содержит недопустимый символ", true}));
  // Every row has its twelve cells, the protocol line it stands for eleventh.
  for (std::size_t k = 1; k < sheet.size(); ++k) {
    ASSERT_EQ(sheet[k].size(), 12u) << k;
    EXPECT_EQ(sheet[k][10].text.rfind("Пачка ", 0), 0u) << sheet[k][10].text;
  }
}

// The spreadsheet program's conversion of `file` (in `dir`) to CSV with every
// text cell quoted; `import` the import filter's options, none when empty.
std::vector<std::vector<Cell>> ReadBack(const TempDir& dir, const std::string& file, const std::string& import = "") {
  fs::create_directories(dir / "out");
  // A private profile: the conversion neither reads nor changes the user's.
  const Outcome converted =
      Shell("cd " + Quote(dir.path()) + " && soffice -env:UserInstallation=file://" + dir.path() +
            "profile --headless " + (import.empty() ? std::string() : "--infilter=" + import + " ") + "--convert-to " +
            Quote("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true") + " --outdir out " + Quote(file));
  EXPECT_EQ(converted.status, 0) << converted.out << converted.err;
  const std::string stem = fs::path(file).stem().string();
  return ParseCsv(test::ReadBytes(dir / ("out/" + stem + ".csv")));
}

// The workbook as the spreadsheet program reads it: the archive once on top,
// the header, then every finding's cells exactly as the CSV holds them and
// each a text cell (68520.00 and 31.09.2026 stay as written), the record
// line a number.
TEST_F(AutoVariantCsvTest, TheSpreadsheetProgramReadsTheWorkbookBack) {
  if (std::system("command -v soffice >/dev/null 2>&1") != 0) GTEST_SKIP() << "no soffice";
  const std::string faulty = Example("REV5_1234567_00002_2026T03.rar");
  TempDir dir;
  const Outcome r = Check({"--format", "csv", "--xlsx", dir / "findings.xlsx", faulty});
  ASSERT_EQ(r.status, 1) << r.err;
  const std::vector<std::vector<Cell>> csv = ParseCsv(r.out.substr(3));
  const std::vector<std::vector<Cell>> sheet = ReadBack(dir, "findings.xlsx");
  ASSERT_EQ(sheet.size(), csv.size() + 1);
  EXPECT_EQ(sheet[0][0], (Cell{faulty, true}));
  for (std::size_t k = 0; k < csv.size(); ++k) {
    ASSERT_EQ(sheet[k + 1].size() + 1, csv[k].size()) << k;
    for (std::size_t c = 1; c < csv[k].size(); ++c) {
      // The CSV's formula guard has no place in a workbook's text cell.
      std::string text = csv[k][c].text;
      if (text.size() > 1 && text[0] == '\'' && std::string_view("=+-@").find(text[1]) != std::string_view::npos) {
        text.erase(0, 1);
      }
      const Cell want{text, !text.empty() && (k == 0 || c != 3)};
      EXPECT_EQ(sheet[k + 1][c - 1], want) << k << ':' << c;
    }
  }
  const std::string balan = "9.Ежемесячный фонд зарплаты";
  EXPECT_TRUE(std::any_of(sheet.begin(), sheet.end(), [&](const auto& row) {
    return row.size() > 7 && row[6].text == balan && row[7] == Cell{"68520.00", true};
  }));
  // The two top rows stay in view; every column has its width.
  const Outcome xml = Shell("bsdtar -xOf " + Quote(dir / "findings.xlsx") + " xl/worksheets/sheet1.xml");
  EXPECT_NE(xml.out.find("ySplit=\"2\""), std::string::npos) << xml.out.substr(0, 800);
  EXPECT_NE(xml.out.find("<col min=\"10\" max=\"10\""), std::string::npos) << xml.out.substr(0, 800);
}

// The CSV opened with the import left at its defaults, as a double-click
// opens it: the columns and rows come out right, but the import takes the
// text for another character set and reads number-like cells as numbers.
// These are the columns the README tells to set as text (and the character
// set to choose); a column not listed here reads back as written.
TEST_F(AutoVariantCsvTest, TheDefaultImportGuessesOnlyWhatTheReadmeNames) {
  if (std::system("command -v soffice >/dev/null 2>&1") != 0) GTEST_SKIP() << "no soffice";
  TempDir dir;
  const Outcome r = FaultyCsvIn(dir);
  ASSERT_EQ(r.status, 1) << r.err;
  const std::vector<std::vector<Cell>> csv = ParseCsv(r.out.substr(3));
  const std::vector<std::vector<Cell>> sheet = ReadBack(dir, "findings.csv");
  ASSERT_EQ(sheet.size(), csv.size());
  std::vector<std::string> misread;
  for (std::size_t k = 1; k < csv.size(); ++k) {
    ASSERT_EQ(sheet[k].size(), csv[k].size()) << k;
    for (std::size_t c = 0; c < csv[k].size(); ++c) {
      const std::string& column = csv[0][c].text;
      if (sheet[k][c].text != csv[k][c].text && std::find(misread.begin(), misread.end(), column) == misread.end()) {
        misread.push_back(column);
      }
    }
  }
  std::sort(misread.begin(), misread.end());
  EXPECT_EQ(misread, (std::vector<std::string>{"expected", "field", "message", "text", "value"}));
}

}  // namespace
}  // namespace zentrox

namespace zentrox {
namespace {

// The faulty example mended as an accountant would mend it from the CSV
// alone: a finding's expected value, where it is one value, written into its
// field; the rest chosen as its sentence asks. The package must come out
// clean within a few rounds (a corrected sum may reveal the total above it),
// so every expected value given must satisfy its rule.
TEST_F(AutoVariantCsvTest, WritingTheExpectedValuesMendsTheFaultyExample) {
  TempDir package;
  const fs::path source = fs::path(ZENTROX_SOURCE_DIR) / "examples/quarterly-faulty";
  for (const auto& e : fs::directory_iterator(source)) fs::copy_file(e.path(), package / e.path().filename().string());
  // What no single value satisfies, chosen as the sentence says.
  const std::map<std::string, std::string> chosen = {
      {"new.na.last-name-characters", "CEBAN"}, {"new.na.first-name-filled", "ANA"},
      {"new.na.cpas-unique", "20486081236"},    {"new.sd.category-in-dictionary", "1"},
      {"new.sd.category-valid-in-year", "1"},   {"quarterly.sd.month-in-quarter", "9"},
  };
  // The field a fault line without a caption names in its sentence.
  const std::map<std::string, int> named = {{"new.na.declarations-per-pack", 2}};
  const std::regex one_value(R"(-?\d+(\.\d+)*)");
  const std::string bin = fs::path(ZENTROX_CHECK).parent_path();
  const std::string archive = package / "REV5_1234567_00002_2026T03.rar";
  int status = -1;
  for (int round = 0; round < 4 && status != 0; ++round) {
    fs::remove(archive);
    ASSERT_EQ(Shell("cd " + Quote(package.path()) + " && " + Quote(bin + "/Rar") +
                    " a REV5_1234567_00002_2026T03.rar rev5_ip rev5_na rev5_sd rev5_t")
                  .status,
              0);
    const Outcome r = Check({"--format", "csv", archive});
    status = r.status;
    if (status == 0) break;
    ASSERT_EQ(status, 1) << r.err;
    const std::vector<std::vector<Cell>> rows = ParseCsv(r.out.substr(3));
    int mended = 0;
    std::set<std::string> duplicates_mended;  // one record of a duplicate pair takes a new value
    for (std::size_t k = 1; k < rows.size(); ++k) {
      // rule, file, record, field caption ("8.Конечная ..."), expected
      const std::string& rule = rows[k][1].text;
      std::string file_name = rows[k][2].text;
      std::transform(file_name.begin(), file_name.end(), file_name.begin(), ::tolower);
      const std::string file = package / file_name;
      const int line = std::atoi(rows[k][3].text.c_str());
      const int field = named.count(rule) > 0 ? named.at(rule) : std::atoi(rows[k][7].text.c_str());
      if (rule.ends_with("-unique") && !duplicates_mended.insert(rule).second) continue;
      std::string value = rows[k][11].text;
      if (chosen.count(rule) > 0) value = chosen.at(rule);
      ASSERT_TRUE(std::regex_match(value, one_value) || chosen.count(rule) > 0) << rule << ": " << value;
      ASSERT_GT(field, 0) << rule;
      std::vector<std::string> lines;
      std::string text = test::ReadBytes(file);
      for (std::size_t at = 0, nl; at < text.size(); at = nl + 2) {
        nl = text.find("\r\n", at);
        if (nl == std::string::npos) nl = text.size();
        lines.push_back(text.substr(at, nl - at));
      }
      std::string& l = lines.at(static_cast<std::size_t>(line - 1));
      std::size_t start = 0;
      for (int f = 1; f < field; ++f) start = l.find('\xB0', start) + 1;
      l.replace(start, l.find('\xB0', start) - start, value);
      text.clear();
      for (const std::string& each : lines) text += each + "\r\n";
      test::WriteBytes(file, text);
      ++mended;
    }
    EXPECT_GT(mended, 0);
  }
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace zentrox
