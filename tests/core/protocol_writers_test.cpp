#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "report/atomic_write.h"
#include "report/csv_writer.h"
#include "report/json_writer.h"
#include "report/rtf_writer.h"
#include "report/text_writer.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

Protocol Sample() {
  Protocol p;
  p.SetDefaultColor(kBlue);
  p.Add("ПРОТОКОЛ КОНТРОЛЯ ЭЛЕКТРОННОГО ПАКЕТА.");
  TextStyle heading = p.current();
  heading.color = kRed;
  heading.bold = true;
  heading.italic = true;
  p.AddStyled("Контроль, часть 1 - проверка соответствия форматам данных:", heading);
  p.Add("braces {} and \\ back", LineKind::Fault);
  p.Add("РЕКОМЕНДАЦИЯ: первая\r    вторая");
  return p;
}

TEST(TextWriter, OneLinePerLineAndCarriageReturnsBreak) {
  EXPECT_EQ(ProtocolToText(Sample()),
            "ПРОТОКОЛ КОНТРОЛЯ ЭЛЕКТРОННОГО ПАКЕТА.\n"
            "Контроль, часть 1 - проверка соответствия форматам данных:\n"
            "braces {} and \\ back\n"
            "РЕКОМЕНДАЦИЯ: первая\n    вторая\n");
}

TEST(RtfWriter, EscapesAndEncodes) {
  std::string rtf = ProtocolToRtf(Sample());
  EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1251", 0), 0u);
  EXPECT_NE(rtf.find("\\red0\\green0\\blue255;"), std::string::npos);
  EXPECT_NE(rtf.find("\\red255\\green0\\blue0;"), std::string::npos);
  EXPECT_NE(rtf.find("\\u1055?"), std::string::npos);  // П
  EXPECT_NE(rtf.find("braces \\{\\} and \\\\ back"), std::string::npos);
  for (unsigned char c : rtf) EXPECT_LT(c, 0x80);
}

// Each line's \cf index names its own colour in the colour table: a table
// written in another channel order would swap red headings and blue lines.
TEST(RtfWriter, EachLineNamesItsColour) {
  Protocol p = Sample();
  p.SetColor(Rgb{0, 128, 0});
  p.Add("green");
  const std::string rtf = ProtocolToRtf(p);
  std::vector<Rgb> table;
  const std::size_t start = rtf.find("{\\colortbl ;");
  ASSERT_NE(start, std::string::npos);
  const std::size_t end = rtf.find('}', start);
  std::string entries = rtf.substr(start, end - start);
  for (std::size_t pos = 0; (pos = entries.find("\\red", pos)) != std::string::npos; ++pos) {
    int r = 0, g = 0, b = 0;
    ASSERT_EQ(std::sscanf(entries.c_str() + pos, "\\red%d\\green%d\\blue%d;", &r, &g, &b), 3);
    table.push_back(Rgb{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b)});
  }
  std::vector<Rgb> named;
  for (std::size_t pos = end; (pos = rtf.find("{\\cf", pos)) != std::string::npos; ++pos) {
    std::size_t index = std::stoul(rtf.substr(pos + 4));
    ASSERT_GE(index, 1u);
    ASSERT_LE(index, table.size());
    named.push_back(table[index - 1]);
  }
  std::vector<Rgb> expected;
  for (const ProtocolLine& line : p.lines()) expected.push_back(line.style.color);
  EXPECT_EQ(named, expected);
}

// HTML writers wrap long lines; compare texts with every run of white space
// folded into one blank.
std::string Folded(const std::string& s) {
  std::string out;
  for (char c : s) {
    bool space = c == ' ' || c == '\n' || c == '\r' || c == '\t';
    if (space && !out.empty() && out.back() == ' ') continue;
    out.push_back(space ? ' ' : c);
  }
  return out;
}

// Reads the RTF back with a real word processor, converted to HTML.
TEST(RtfWriter, ReadsBackInAWordProcessor) {
  if (std::system("command -v soffice >/dev/null 2>&1") != 0) GTEST_SKIP() << "soffice is not installed";
  test::TempDir dir;
  WriteFileAtomically(dir / "ERROR_REV.doc", ProtocolToRtf(Sample()));
  std::filesystem::copy_file(dir / "ERROR_REV.doc", dir / "protocol.rtf");
  std::string cmd = "cd '" + dir.path() + "' && HOME='" + dir.path() +
                    "' timeout 180 soffice --headless --convert-to html protocol.rtf >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::string html = Folded(test::ReadBytes(dir / "protocol.html"));
  ASSERT_FALSE(html.empty());
  EXPECT_NE(html.find("ПРОТОКОЛ КОНТРОЛЯ ЭЛЕКТРОННОГО ПАКЕТА."), std::string::npos) << html;
  EXPECT_NE(html.find("Контроль, часть 1 - проверка соответствия форматам данных:"), std::string::npos);
  EXPECT_NE(html.find("#ff0000"), std::string::npos);
  EXPECT_NE(html.find("#0000ff"), std::string::npos);
  EXPECT_NE(html.find("<b>"), std::string::npos);
  EXPECT_NE(html.find("<i>"), std::string::npos);
  EXPECT_NE(html.find("вторая"), std::string::npos);
}

TEST(WriteFileAtomically, FailureKeepsTheOldFile) {
  test::TempDir dir;
  WriteFileAtomically(dir / "out.doc", "first");
  EXPECT_EQ(test::ReadBytes(dir / "out.doc"), "first");
  WriteFileAtomically(dir / "out.doc", "second");
  EXPECT_EQ(test::ReadBytes(dir / "out.doc"), "second");
  EXPECT_THROW(WriteFileAtomically(dir / "missing/out.doc", "x"), std::runtime_error);
  std::size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1u);  // no temporary file left behind
}

}  // namespace
}  // namespace zentrox

namespace zentrox {
namespace {

TEST(JsonWriter, EscapesAndRepairsText) {
  EXPECT_EQ(JsonString("a\"b\\c\nd\r\x01"), "\"a\\\"b\\\\c\\nd\\r\\u0001\"");
  EXPECT_EQ(JsonString("Пачка"), "\"Пачка\"");
  EXPECT_EQ(JsonString("x\xFFy"), "\"x\xEF\xBF\xBDy\"");  // an invalid byte becomes U+FFFD
}

TEST(JsonWriter, ReportHoldsFindingsAndLines) {
  Protocol p;
  p.Add("ПРОТОКОЛ КОНТРОЛЯ ЭЛЕКТРОННОГО ПАКЕТА.");
  Finding f;
  f.rule = "test.na.cpas-length";
  f.section = "REV5_NA";
  f.caption = "3.Код CPAS";
  f.message = "не содержит 11 знаков.";
  f.row = 2;
  f.format = FindingFormat::Field;
  p.AddFinding("Пачка 1 Декл 2 POPA  поле <3.Код CPAS> не содержит 11 знаков., строка 2", f);
  std::string json = ProtocolToJson(p, ReportSummary{"quarterly", "/a/b.rar", "/w/", true, 1, 2});
  EXPECT_NE(json.find("\"summary\": {\"status\": \"findings\", \"completed\": true, \"packs\": 1, "
                      "\"declarations\": 2, \"findings\": 1, \"left_out\": 0, \"reason\": null}"),
            std::string::npos);
  EXPECT_NE(json.find("\"rule\": \"test.na.cpas-length\""), std::string::npos);
  EXPECT_NE(json.find("\"row\": 2, \"record\": null, \"format\": \"field\""), std::string::npos);
  EXPECT_NE(json.find("\"lines\": [\n    \"ПРОТОКОЛ КОНТРОЛЯ ЭЛЕКТРОННОГО ПАКЕТА.\""), std::string::npos);
}

}  // namespace
}  // namespace zentrox

namespace zentrox {
namespace {

// A CSV cell a spreadsheet program would run as a formula gets a leading
// apostrophe; only a whole plain number stays bare, so that amounts stay
// numbers.
TEST(CsvWriter, GuardsEveryFormulaButPlainNumbers) {
  const struct {
    const char* value;
    const char* cell;
  } cases[] = {
      {"=1+1", "\"'=1+1\""},
      {"+1", "\"'+1\""},
      {"@SUM(A1)", "\"'@SUM(A1)\""},
      {"\tx", "\"'\tx\""},
      {"\rx", "\"'\rx\""},
      {"-", "\"'-\""},
      {"-A1", "\"'-A1\""},
      {"-2+3+cmd|' /C calc'!A0", "\"'-2+3+cmd|' /C calc'!A0\""},
      {"-1-1", "\"'-1-1\""},
      {"-.5", "\"'-.5\""},
      {"-12.", "\"'-12.\""},
      {"-1.2.3", "\"'-1.2.3\""},
      {"-12.50", "-12.50"},
      {"-3", "-3"},
      {"12.50", "12.50"},
      {"0", "0"},
  };
  for (const auto& c : cases) {
    Protocol p;
    Finding f;
    f.rule = "test.csv";
    f.value = c.value;
    p.AddFinding("line", f);
    EXPECT_EQ(FindingsToCsvRows(p, "a"), std::string("a,test.csv,,,,,,,") + c.cell + ",,line,\r\n") << c.value;
  }
}

}  // namespace
}  // namespace zentrox
