// What a finding says beside its line: the row number the line shows (and
// none where it shows none), a rule id on every fault line, and the record of
// a package file that the line names, whatever order its pass walked in.
//
// Each package below is written with an empty line first and another after
// its second record, so a record's line is not its row's position plus one,
// and holds faults of every rule family: loader faults, per-row rules and the
// sorted passes (duplicates, overlaps, declarations per pack, total rows).
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "engine/text.h"
#include "new_format_test_package.h"
#include "report/csv_writer.h"
#include "report/json_writer.h"
#include "report/rule_catalogue.h"

namespace zentrox {

static void PrintTo(const RecordRef& r, std::ostream* os) { *os << r.file << ":" << r.line; }

namespace {

using test::Fields;
using test::Package;
using test::Record;
using test::RuleHarness;

using Rows = std::vector<Fields>;

// The package files as written, by their upper-case names: one text per line.
using Written = std::map<std::string, std::vector<std::string>>;

// The 1-based line of row `i` of a file written by Scatter.
int LineOf(std::size_t i) { return static_cast<int>(i) + 2 + (i >= 2 ? 1 : 0); }

void Scatter(RuleHarness& h, Written& written, const std::string& name, const Rows& rows) {
  std::vector<std::string> lines{""};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    lines.push_back(Record(rows[i]));
    if (i == 1) lines.push_back("");
  }
  h.WriteFile(name, lines);
  written[AsciiUpper(name)] = lines;
}

// The record of the first row of `file` for which `match` holds.
RecordRef RecordOf(const std::string& file, const Rows& rows, const std::function<bool(const Fields&)>& match) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (match(rows[i])) return RecordRef{file, LineOf(i)};
  }
  ADD_FAILURE() << "no such row in " << file;
  return {};
}

// The number a line shows as its row, if any.
std::optional<int> ShownRow(const std::string& text) {
  static const std::regex kRow("(строка|Строка|cтрока) (-?[0-9]+)$");
  std::smatch m;
  if (!std::regex_search(text, m, kRow)) return std::nullopt;
  return std::stoi(m[2].str());
}

// Positions of the declaration and pack numbers in a file's records (-1: none).
std::pair<int, int> KeyFields(const std::string& file) {
  if (file == "REV5_IP" || file == "REV5_PL") return {-1, 0};
  if (file == "REV5_T") return {-1, -1};
  return {0, 1};
}

std::vector<std::string> SplitFields(const std::string& record) {
  std::vector<std::string> out(1);
  for (std::size_t i = 0; i < record.size(); ++i) {
    if (record.compare(i, 2, "°") == 0) {
      out.emplace_back();
      ++i;
    } else {
      out.back().push_back(record[i]);
    }
  }
  return out;
}

// Every fault line carries a rule id and the row it shows; a line that names
// a record names one whose declaration and pack are the ones it quotes. Only
// the lines about a whole file (missing, empty) name no record.
void ExpectTruthfulFindings(const Protocol& protocol, const Written& written) {
  int checked = 0;
  int valued = 0;
  for (const ProtocolLine& line : protocol.lines()) {
    if (line.kind != LineKind::Fault) continue;
    ASSERT_TRUE(line.finding.has_value()) << line.text;
    const Finding& f = *line.finding;
    EXPECT_FALSE(f.rule.empty()) << line.text;
    EXPECT_EQ(f.row, ShownRow(line.text)) << line.text;
    const bool whole_file = f.rule.ends_with("empty-file") || f.rule.ends_with("missing-file");
    EXPECT_EQ(f.record.has_value(), !whole_file) << line.text;
    if (!f.record) continue;
    if (f.section == "load") {
      EXPECT_EQ(std::optional<int>(f.record->line), f.row) << line.text;
    }
    auto file = written.find(f.record->file);
    ASSERT_NE(file, written.end()) << line.text;
    ASSERT_GE(f.record->line, 1) << line.text;
    ASSERT_LE(static_cast<std::size_t>(f.record->line), file->second.size()) << line.text;
    std::vector<std::string> fields = SplitFields(file->second[static_cast<std::size_t>(f.record->line - 1)]);
    auto [declaration, pack] = KeyFields(f.record->file);
    if (declaration >= 0 && !f.declaration.empty()) {
      EXPECT_EQ(fields.at(static_cast<std::size_t>(declaration)), f.declaration) << line.text;
    }
    if (pack >= 0 && !f.pack.empty()) {
      EXPECT_EQ(fields.at(static_cast<std::size_t>(pack)), f.pack) << line.text;
    }
    // A value is the named field's text as the record holds it.
    if (!f.value.empty()) {
      const std::size_t field = static_cast<std::size_t>(std::stoi(f.caption)) - 1;
      ASSERT_LT(field, fields.size()) << line.text;
      EXPECT_EQ(f.value, fields[field]) << line.text;
      ++valued;
    }
    ++checked;
  }
  EXPECT_GT(checked, 0);
  EXPECT_GT(valued, 0);
}

// The records named by the lines of one rule, in protocol order.
std::vector<std::optional<RecordRef>> RecordsOf(const Protocol& protocol, const std::string& rule) {
  std::vector<std::optional<RecordRef>> out;
  for (const ProtocolLine& line : protocol.lines()) {
    if (line.finding && line.finding->rule == rule) out.push_back(line.finding->record);
  }
  return out;
}

struct Expected {
  std::string rule;
  std::vector<std::optional<RecordRef>> records;
};

void ExpectRecords(const Protocol& protocol, const std::vector<Expected>& expected) {
  for (const Expected& e : expected) EXPECT_EQ(RecordsOf(protocol, e.rule), e.records) << e.rule;
}

auto Na(const std::string& id) {
  return [id](const Fields& f) { return f[0] == id; };
}
auto Sd(const std::string& id, const std::string& month, const std::string& begin = "") {
  return [=](const Fields& f) {
    return f[sd::SD_NA] == id && f[sd::SD_MONTH] == month && (begin.empty() || f[sd::SD_BEGIN_DT] == begin);
  };
}

void WriteNewFormat(RuleHarness& h, Written& w, const Package& p) {
  Scatter(h, w, "rev5_t", p.t);
  Scatter(h, w, "rev5_ip", p.ip);
  Scatter(h, w, "rev5_na", p.na);
  Scatter(h, w, "rev5_sd", p.sd);
}

TEST(FindingRecords, QuarterlyLinesNameTheRecordTheyQuote) {
  Package p = test::QuarterlyBaseline();
  // CIOBANU, first in the file, shares POPESCU's CPAS and RUSU's IDNP and has
  // a malformed birth date; his only row has an unknown category and no
  // total row.
  p.na.insert(p.na.begin(), test::DeclarationRow("3", "1", "12345678901", "CIOBANU", "2001234567891"));
  p.na[0][na::NA_BIRTH_DT] = "1.1.1980";
  p.sd.push_back(test::SaldoRow("3", "1", "9", "999", "01.09.2026", "30.09.2026", "0", "0", "0", "0", "0"));
  // A second period of RUSU's, first in the file, starts inside the first.
  p.sd.insert(p.sd.begin(), test::SaldoRow("2", "1", "9", "2", "10.09.2026", "20.09.2026", "0", "0", "0", "0", "0"));
  // LUPU belongs to pack 7, which REV5_IP lacks.
  p.na.push_back(test::DeclarationRow("4", "7", "12345678904", "LUPU", "2001234567894"));
  test::Rebalance(p);
  p.ip.push_back(p.ip[0]);           // pack 1 twice
  p.ip[0][pl::PL_DOC_NUMBER] = "5";  // declaring 5 declarations
  p.t[0][svod::PACKS_TOTAL] = "3";
  for (Fields& r : p.sd) {
    if (r[sd::SD_NA] == "1" && r[sd::SD_MONTH] == "13") r[sd::SD_PAYM_FOND] = "1.00";
  }

  RuleHarness h(Variant::Quarterly);
  Written w;
  WriteNewFormat(h, w, p);
  ASSERT_EQ(h.Run(test::kQuarterlyArchive).outcome, RunOutcome::Completed);
  ExpectTruthfulFindings(h.protocol, w);
  auto na = [&](const std::string& id) { return RecordOf("REV5_NA", p.na, Na(id)); };
  auto sd = [&](const std::string& id, const std::string& month, const std::string& begin = "") {
    return RecordOf("REV5_SD", p.sd, Sd(id, month, begin));
  };
  const RecordRef ip0{"REV5_IP", LineOf(0)}, ip1{"REV5_IP", LineOf(1)};
  ExpectRecords(h.protocol, {
                                {"load.date-format-valid", {na("3")}},
                                {"new.ip.pack-count", {RecordRef{"REV5_T", 2}}},
                                {"new.ip.fond-matches-declarations", {ip0, ip1}},
                                {"new.ip.pack-unique", {ip1}},
                                {"new.na.cpas-unique", {na("3"), na("1")}},
                                {"new.na.declarations-per-pack", {ip0, na("4")}},
                                {"new.na.idnp-unique", {na("2")}},
                                {"new.sd.category-in-dictionary", {sd("3", "9")}},
                                {"quarterly.sd.periods-disjoint", {sd("2", "9", "10.09.2026")}},
                                {"new.sd.category-valid-in-year", {sd("3", "9")}},
                                {"new.sd.fond-matches-months", {sd("1", "13")}},
                                {"new.sd.total-row-present", {sd("3", "9")}},
                            });
}

// Faults an accountant makes by hand: each finding quotes the field as it
// stood in the file, also where the table could not store it, and the table
// still shows that text at the record the finding names.
TEST(FindingRecords, ValuesQuoteTheFieldAsItStoodInTheFile) {
  Package p = test::QuarterlyBaseline();
  p.na[0][na::NA_BIRTH_DT] = "31.02.1990";
  p.na[1][na::NA_LAST_NAME] = "RUSА";  // a Cyrillic A
  p.sd[0][sd::SD_PAYM_FOND] = "12100,00";
  p.sd[1][sd::SD_CATEGORY] = "999";

  RuleHarness h(Variant::Quarterly);
  Written w;
  WriteNewFormat(h, w, p);
  ASSERT_EQ(h.Run(test::kQuarterlyArchive).outcome, RunOutcome::Completed);
  ExpectTruthfulFindings(h.protocol, w);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"load.data-type-valid", "31.02.1990"},
      {"load.data-type-valid", "12100,00"},
      {"new.na.last-name-characters", "RUSА"},
      {"new.sd.category-in-dictionary", "999"},
  };
  for (const auto& [rule, value] : expected) {
    const Finding* found = nullptr;
    for (const ProtocolLine& line : h.protocol.lines()) {
      if (line.finding && line.finding->rule == rule && line.finding->value == value) found = &*line.finding;
    }
    ASSERT_NE(found, nullptr) << rule << " " << value;
    ASSERT_TRUE(found->record.has_value());
    const Table& t = found->record->file == "REV5_NA" ? h.dm.name_account : h.dm.saldo_data;
    const RowId row = t.RowAtLine(static_cast<std::uint32_t>(found->record->line));
    ASSERT_NE(row, kNoRow) << rule;
    EXPECT_EQ(t.FileText(row, t.CaptionIndex(found->caption)), value) << rule;
  }
  // Lines left out of the table (the empty ones) have no row.
  EXPECT_EQ(h.dm.saldo_data.RowAtLine(1), kNoRow);
  EXPECT_EQ(h.dm.saldo_data.RowAtLine(100000), kNoRow);
}

TEST(FindingRecords, AnnualLinesNameTheRecordTheyQuote) {
  // 2016 has a yearly limit of 0: every declaration with contributions is over it.
  Package p = test::Baseline("2016", "0", {"10", "11", "12"});
  // A second October of POPESCU's, first in the file, within the first.
  Fields copy = p.sd[0];
  copy[sd::SD_END_DT] = "15.10.2016";
  p.sd.insert(p.sd.begin(), copy);
  test::Rebalance(p);

  RuleHarness h(Variant::Annual);
  Written w;
  WriteNewFormat(h, w, p);
  ASSERT_EQ(h.Run(test::kAnnualArchive).outcome, RunOutcome::Completed);
  ExpectTruthfulFindings(h.protocol, w);
  auto sd = [&](const std::string& id, const std::string& month) { return RecordOf("REV5_SD", p.sd, Sd(id, month)); };
  // The later of the two Octobers in the pass's order is the one from the
  // file's third line; each declaration's limit line names its first row.
  const RecordRef later_october{"REV5_SD", LineOf(1)};
  ExpectRecords(h.protocol, {
                                {"annual.sd.month-unique", {later_october}},
                                {"annual.sd.sum-ap-within-yearly-limit", {sd("1", "10"), sd("2", "12")}},
                            });
}

TEST(FindingRecords, MonthlyLinesNameTheRecordTheyQuote) {
  Package p = test::MonthlyBaseline();
  p.na[0][na::NA_IDNP] = p.na[1][na::NA_IDNP];
  p.sd.erase(p.sd.begin() + 3);  // POPESCU's total row
  test::Rebalance(p);

  RuleHarness h(Variant::Monthly);
  Written w;
  WriteNewFormat(h, w, p);
  ASSERT_EQ(h.Run(test::kMonthlyArchive).outcome, RunOutcome::Completed);
  ExpectTruthfulFindings(h.protocol, w);
  ExpectRecords(h.protocol, {
                                {"new.na.idnp-unique", {RecordOf("REV5_NA", p.na, Na("2"))}},
                                {"new.sd.total-row-present", {RecordOf("REV5_SD", p.sd, Sd("1", "11"))}},
                            });
}

std::vector<std::string> ExpenseRow(const std::string& na, const std::string& code, const std::string& amount) {
  std::vector<std::string> row = {na, "1", code};
  for (int m = 1; m <= 12; ++m) row.push_back(m == 2 ? amount : "0.00");
  row.push_back(amount);
  return row;
}

TEST(FindingRecords, OldFormatLinesNameTheRecordTheyQuote) {
  Rows pl = {{"1", "12", "1234567", "5", "20.02.2026", "CIOBANU VERONICA", "3", "3", "2025", "0.00", "0.00", "0.00",
              "0.00", "0.00", "0.00", "0.00"}};
  pl.push_back(pl[0]);  // pack 1 twice
  Rows na = {
      {"1",
       "1",
       "2025",
       "1",
       "20479130152",
       "ARNAUT",
       "VICTOR",
       "ION",
       "2002001234567",
       "N",
       "1",
       "14.03.1979",
       "01.01.2025",
       "31.03.2025",
       "1",
       "B",
       "10234567",
       "OFICIUL 12",
       "22.05.2015",
       "Y",
       "AB",
       "1204581",
       "0.00",
       "0.00",
       "0.00",
       "0.00",
       "0.00",
       "MUNTEANU PETRU",
       "CIOBANU VERONICA"},
  };
  na.push_back(na[0]);
  na[1][0] = "2";
  na[1][5] = "BALAN";  // the same CPAS and IDNP as ARNAUT
  Rows sd = {
      {"1", "1", "1", "1000.00", "0.00", "23", "230.00", "230.00", "6", "60.00", "60.00", "1000.00"},
      {"1", "1", "13", "9.00", "0.00", "", "230.00", "230.00", "", "60.00", "60.00", "1000.00"},
      {"2", "1", "3", "1000.00", "0.00", "23", "230.00", "230.00", "6", "60.00", "60.00", "1000.00"},
      {"2", "1", "2", "1000.00", "0.00", "23", "230.00", "230.00", "6", "60.00", "60.00", "1000.00"},
  };
  Rows di = {{"1", "1", "01.02.2012", "241102", "", "CONTABILITATE", "ORDIN 7"}};
  Rows mu = {ExpenseRow("1", "1", "20.00"), ExpenseRow("1", "99", "20.00"), ExpenseRow("1", "99", "20.00"),
             ExpenseRow("2", "1", "5.00")};

  RuleHarness h(Variant::AnnualOld);
  h.WriteDictionary("kategor.txt", {"1|GENERAL"});
  h.WriteDictionary("months.txt", {"1|I", "2|II", "3|III"});
  h.WriteDictionary("prof.txt", {"241102|ACCOUNTANT"});
  h.WriteDictionary("raion.txt", {"12|CENTRE"});
  h.WriteDictionary("rang.txt", {"5|COUNSELLOR"});
  h.WriteDictionary("rashod.txt", {"1|SICK LEAVE"});
  h.WriteDictionary("tarif.txt", {"6|PERSON", "23|EMPLOYER"});
  h.WriteDictionary("typeform.txt", {"1|ANNUAL"});
  h.WriteDictionary("viddoc.txt", {"1|IDENTITY CARD"});
  Written w;
  Scatter(h, w, "rev5_pl", pl);
  Scatter(h, w, "rev5_na", na);
  Scatter(h, w, "rev5_sd", sd);
  Scatter(h, w, "rev5_di", di);
  Scatter(h, w, "rev5_mu", mu);
  ASSERT_EQ(h.Run("REV5_1234567_00005.rar").outcome, RunOutcome::Completed);
  ExpectTruthfulFindings(h.protocol, w);
  auto line = [](const std::string& file, std::size_t i) { return RecordRef{file, LineOf(i)}; };
  ExpectRecords(h.protocol, {
                                {"annual-old.pl.pack-unique", {line("REV5_PL", 1)}},
                                {"annual-old.na.cpas-unique", {line("REV5_NA", 0), line("REV5_NA", 1)}},
                                {"annual-old.na.idnp-unique", {line("REV5_NA", 1)}},
                                {"annual-old.sd.total-row-matches-months", {line("REV5_SD", 1)}},
                                // BALAN's first row in month order is the later one in the file.
                                {"annual-old.sd.total-row-present", {line("REV5_SD", 3)}},
                                {"annual-old.mu.total-row-once", {line("REV5_MU", 2)}},
                                {"annual-old.mu.total-row-present", {line("REV5_MU", 3)}},
                            });
}

// The JSON report writes what the findings hold.
TEST(FindingRecords, JsonWritesRowsAndRecordsOrNull) {
  Protocol p;
  Finding f;
  f.rule = "new.sd.fond-matches-months";
  f.record = RecordRef{"REV5_SD", 17};
  f.format = FindingFormat::SumMonthly;
  f.caption = "9.Фонд оплаты труда";
  f.value = "12100,00";
  p.AddFinding("line", f);
  p.AddFault("block", "intake.listing-package-only");
  std::string json = ProtocolToJson(p, ReportSummary{"quarterly", "/a.rar", "/w/", false, 0, 0});
  EXPECT_NE(json.find("\"row\": null, \"record\": {\"file\": \"REV5_SD\", \"line\": 17}"), std::string::npos);
  EXPECT_NE(json.find("\"value\": \"12100,00\""), std::string::npos);
  EXPECT_NE(json.find("\"explanation\": " + JsonString(FindRule(f.rule)->requirement)), std::string::npos);
  EXPECT_NE(json.find("\"rule\": \"intake.listing-package-only\""), std::string::npos);
  EXPECT_NE(json.find("\"value\": null"), std::string::npos);
  EXPECT_NE(json.find("\"status\": \"not-checked\""), std::string::npos);

  // The same findings as CSV rows: the value as it stood, quotes doubled,
  // a text that would run as a formula defused, negative numbers kept.
  p.Clear();
  f.name = "POPESCU \"ION\", JR";
  f.value = "=1+1";
  p.AddFinding("line", f);
  f.value = "-5.00";
  p.AddFinding("line\rnext", f);
  EXPECT_EQ(FindingsToCsv(p, "/a.rar"),
            "\xEF\xBB\xBF"
            "archive,rule,file,record,pack,declaration,name,field,value,message,text,expected\r\n"
            "/a.rar,new.sd.fond-matches-months,REV5_SD,17,,,\"POPESCU \"\"ION\"\", JR\",9.Фонд оплаты "
            "труда,\"'=1+1\",,line,\r\n"
            "/a.rar,new.sd.fond-matches-months,REV5_SD,17,,,\"POPESCU \"\"ION\"\", JR\",9.Фонд оплаты труда,-5.00,,"
            "\"line\rnext\",\r\n");
}

}  // namespace
}  // namespace zentrox
