// End-to-end runs of zentrox-check as a child process, each in its own
// temporary working directory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <thread>

#include "cli/cli_support.h"
#include "intake/command_runner.h"
#include "report/json_writer.h"
#include "report/rule_catalogue.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

using Result = test::CheckOutcome;
std::string Quote(const std::string& s) { return test::ShellQuote(s); }

Result Check(const std::vector<std::string>& args, const std::string& cwd = "", const std::string& prefix = "") {
  return test::RunCheck(args, cwd, prefix);
}

class CliTest : public ::testing::Test {
 protected:
  CliTest() { test::CopyDictionaries(work.path()); }
  std::string Example(const std::string& name) {
    std::string path = std::string(ZENTROX_EXAMPLES_DIR) + "/" + name;
    if (!fs::exists(path)) ADD_FAILURE() << "example archive missing: " << path;
    return path;
  }
  TempDir work;
};

TEST_F(CliTest, UsageErrors) {
  EXPECT_EQ(Check({}).status, 2);
  EXPECT_EQ(Check({"--variant", "weekly", "x.rar"}).status, 2);
  EXPECT_EQ(Check({"--variant", "quarterly"}).status, 2);
  EXPECT_EQ(Check({"--variant", "quarterly", "--today", "2026-12-08", "x.rar"}).status, 2);
  EXPECT_EQ(Check({"--variant", "quarterly", "--bogus", "x.rar"}).status, 2);
  EXPECT_EQ(Check({"--xlsx"}).status, 2);
  EXPECT_EQ(Check({"--xlsx", "f.xlsx", "a.rar", "b.rar"}).status, 2);
  Result help = Check({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: zentrox-check"), std::string::npos);
}

TEST_F(CliTest, ListRulesPrintsTheCatalogueWithoutAVariant) {
  Result text = Check({"--list-rules"});
  EXPECT_EQ(text.status, 0);
  EXPECT_EQ(text.out, RuleCatalogueText());
  Result json = Check({"--list-rules", "--format", "json"});
  EXPECT_EQ(json.status, 0);
  EXPECT_EQ(json.out, RuleCatalogueJson());
  EXPECT_EQ(Check({"--list-rules", "x.rar"}).status, 2);
}

TEST_F(CliTest, ValidQuarterlyExampleHasNoFindings) {
  Result r = Check({"--variant", "quarterly", "--workdir", work.path(), "--today", "08.12.2026",
                    Example("REV5_1234567_00001_2026T03.rar")});
  EXPECT_EQ(r.status, 0) << r.out;
  std::vector<std::string> lines = r.lines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0].rfind("08.12.2026 ", 0), 0u);
  EXPECT_EQ(lines[1], "ПРОТОКОЛ КОНТРОЛЯ ЭЛЕКТРОННОГО ПАКЕТА.");
  EXPECT_EQ(lines[2], "Распакован пакет " + Example("REV5_1234567_00001_2026T03.rar"));
  EXPECT_EQ(lines.back(), "Проверено электронных деклараций : 5");
  EXPECT_NE(r.err.find("Pachet dezarhivat"), std::string::npos);
  EXPECT_FALSE(fs::exists(work / "rev5_t"));  // deleted after the run
}

TEST_F(CliTest, FaultyExampleHasFindings) {
  Result r = Check({"--variant", "quarterly", "--workdir", work.path(), "--today", "08.12.2026",
                    Example("REV5_1234567_00002_2026T03.rar")});
  EXPECT_EQ(r.status, 1) << r.out;
}

// The package files of an example folder with some fields changed, packed
// into an archive of the given name with our archiver. Each edit names the
// file, the line and the field (0-based) and the new text; the fields
// changed here are plain ASCII, so the code page plays no part.
struct FieldEdit {
  const char* file;
  std::size_t line;
  std::size_t field;
  const char* text;
};

std::string PackEditedExample(const TempDir& dir, const std::string& folder, const std::string& archive,
                              const std::vector<FieldEdit>& edits,
                              const std::vector<std::string>& files = {"rev5_t", "rev5_ip", "rev5_na", "rev5_sd"}) {
  const char kTerminator = '\xB0';
  std::vector<std::string> args = {"a", dir / archive};
  for (const std::string& file : files) {
    std::string bytes = test::ReadBytes(std::string(ZENTROX_SOURCE_DIR) + "/examples/" + folder + "/" + file);
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < bytes.size();) {
      std::size_t end = bytes.find("\r\n", pos);
      if (end == std::string::npos) end = bytes.size();
      lines.push_back(bytes.substr(pos, end - pos));
      pos = end + 2;
    }
    for (const FieldEdit& e : edits) {
      if (e.file != file) continue;
      std::string& line = lines.at(e.line);
      std::size_t first = 0;
      for (std::size_t f = 0; f < e.field; ++f) first = line.find(kTerminator, first) + 1;
      std::size_t last = line.find(kTerminator, first);
      EXPECT_NE(last, std::string::npos) << file << " line " << e.line << " has no field " << e.field;
      line.replace(first, last - first, e.text);
    }
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    test::WriteBytes(dir / file, out);
    args.push_back(dir / file);
  }
  EXPECT_TRUE(RunCommand({"Rar", args, ""}, ZENTROX_BIN_DIR).ok()) << "Rar a failed";
  return dir / archive;
}

// The findings of a JSON report in protocol order, each as "rule FILE:line"
// (the record it names) or "rule -" (none).
std::vector<std::string> FindingsOf(const Result& r) {
  static const std::regex kFinding(
      R"re(^    \{"rule": "([^"]+)".*"record": (null|\{"file": "([^"]+)", "line": (\d+)\}))re");
  std::vector<std::string> out;
  for (const std::string& line : r.lines()) {
    std::smatch m;
    if (std::regex_search(line, m, kFinding))
      out.push_back(m[1].str() + " " + (m[3].matched ? m[3].str() + ":" + m[4].str() : "-"));
  }
  return out;
}

// Each variant's package with the mistakes its comment lists: every finding,
// in order, by rule and record, and exit status 1.
TEST_F(CliTest, FaultyPackagesReportEachFault) {
  TempDir src;
  struct Case {
    const char* variant;
    std::string archive;
    std::vector<std::string> findings;
  };
  const std::vector<Case> cases = {
      // The faulty example as the README lists its mistakes.
      {"quarterly",
       Example("REV5_1234567_00002_2026T03.rar"),
       {"load.data-type-valid REV5_SD:16", "new.na.last-name-characters REV5_NA:3",
        "new.na.first-name-filled REV5_NA:5", "new.na.cpas-unique REV5_NA:1", "new.na.cpas-unique REV5_NA:5",
        "new.na.declarations-per-pack REV5_IP:2", "new.sd.category-in-dictionary REV5_SD:2",
        "quarterly.sd.month-in-quarter REV5_SD:12", "new.sd.end-required REV5_SD:16",
        "new.sd.category-valid-in-year REV5_SD:2", "new.sd.fond-matches-months REV5_SD:9"}},
      // A filling date after today, a declaration without CPAS, five working
      // days a week written as 7, an inactive job code, a row of October in
      // the November package, and two periods of one person that share 18.11.
      {"monthly",
       PackEditedExample(src, "monthly-valid", "REV5_1234567_00013_2026L11.rar",
                         {{"rev5_t", 0, 7, "09.12.2026"},
                          {"rev5_na", 1, 2, ""},
                          {"rev5_sd", 0, 5, "7"},
                          {"rev5_sd", 2, 3, "342101"},
                          {"rev5_sd", 5, 6, "18.11.2026"},
                          {"rev5_sd", 7, 2, "10"}}),
       {"new.t.formation-date-not-future REV5_T:1", "monthly.na.cpas-filled REV5_NA:2",
        "new.sd.days-week-5-or-6 REV5_SD:1", "monthly.sd.job-code-active REV5_SD:3",
        "monthly.sd.month-is-reporting-month REV5_SD:8", "monthly.sd.periods-disjoint REV5_SD:5"}},
      // Lower-case letters in the responsible person's name, an issue date
      // before 1950, a June period that ends in July, and May of one
      // declaration typed as a second April (both without dates, so both
      // cover the whole of April 2025). A declaration without CPAS is no
      // fault in an annual package.
      {"annual",
       PackEditedExample(src, "annual-valid", "REV5_1234567_00014_2025L00.rar",
                         {{"rev5_t", 0, 6, "Ciobanu Veronica"},
                          {"rev5_na", 0, 2, ""},
                          {"rev5_na", 2, 12, "14.06.1949"},
                          {"rev5_sd", 15, 2, "4"},
                          {"rev5_sd", 29, 7, "20.07.2025"}}),
       {"new.t.fio-characters REV5_T:1", "new.na.issue-date-in-window REV5_NA:3", "annual.sd.end-in-month REV5_SD:30",
        "annual.sd.month-unique REV5_SD:16"}},
      // A reporting year before 1999, a pension mark "X", a CPAS with a
      // letter (the loader rejects it, so the type-5 pack then finds it not
      // filled), an employer tariff that no dictionary row holds, an unknown
      // position, and a code-99 expense total one cent above the codes it sums
      // up (the pack, the declaration and the expense pass each see it).
      {"annual-old",
       PackEditedExample(src, "annual-old-valid", "REV5_1234567_00015.rar",
                         {{"rev5_pl", 0, 8, "1998"},
                          {"rev5_na", 1, 9, "X"},
                          {"rev5_na", 2, 4, "2046204116A"},
                          {"rev5_sd", 1, 5, "24"},
                          {"rev5_di", 0, 3, "999999"},
                          {"rev5_mu", 4, 15, "1275.41"}},
                         {"rev5_pl", "rev5_na", "rev5_sd", "rev5_di", "rev5_mu"}),
       {"load.data-type-valid REV5_NA:3", "annual-old.pl.year-from-1999 REV5_PL:1",
        "annual-old.pl.expense-total-matches-declarations REV5_PL:1", "annual-old.na.pension-yes-no REV5_NA:2",
        "annual-old.na.employer-payment-matches-months REV5_NA:2", "annual-old.na.expenses-match-mu REV5_NA:2",
        "annual-old.na.cpas-filled REV5_NA:3", "annual-old.sd.tariff-ea-in-dictionary REV5_SD:2",
        "annual-old.di.position-in-dictionary REV5_DI:1", "annual-old.mu.total-row-matches-codes REV5_MU:5"}},
  };
  for (const Case& c : cases) {
    Result r = Check(
        {"--variant", c.variant, "--workdir", work.path(), "--today", "08.12.2026", "--format", "json", c.archive});
    EXPECT_EQ(r.status, 1) << c.variant << "\n" << r.out;
    EXPECT_EQ(FindingsOf(r), c.findings) << c.variant;
  }
  for (const char* f : {"rev5_pl", "rev5_na", "rev5_sd", "rev5_di", "rev5_mu"}) {
    EXPECT_FALSE(fs::exists(work / f)) << f << " left after the run";
  }
}

TEST_F(CliTest, NotAnArchiveIsNotUnpacked) {
  TempDir src;
  test::WriteBytes(src / "REV5_1234567_00001_2026T03.rar", "plain text");
  Result r = Check({"--variant", "quarterly", "--workdir", work.path(), src / "REV5_1234567_00001_2026T03.rar"});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.out.find("неправильно создан архив (в архиве должно быть только 4 файла!)"), std::string::npos);
}

TEST_F(CliTest, RefusedNameIsNotUnpacked) {
  Result r = Check({"--variant", "monthly", "--workdir", work.path(), Example("REV5_1234567_00001_2026T03.rar")});
  EXPECT_EQ(r.status, 3);
}

TEST_F(CliTest, WrongPeriodEndsTheRunEarly) {
  Result r = Check({"--variant", "annual", "--workdir", work.path(), Example("REV5_1234567_00001_2026T03.rar")});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(test::Last(r.lines()), "Запустите нужный пункт меню");
}

TEST_F(CliTest, RelativeWorkdirIsShownAbsoluteWithOneSlash) {
  TempDir parent;
  fs::create_directory(parent / "wd");
  test::CopyDictionaries(parent / "wd");
  Result r = Check({"--variant", "quarterly", "--workdir", "wd//", "--today", "08.12.2026",
                    Example("REV5_1234567_00001_2026T03.rar")},
                   parent.path());
  EXPECT_NE(r.out.find("fisierul " + parent.path() + "wd/REV5_T\n"), std::string::npos) << r.out;
}

TEST_F(CliTest, SavesRichText) {
  TempDir out;
  Result r = Check({"--variant", "quarterly", "--workdir", work.path(), "--rtf", out / "ERROR_REV.doc",
                    Example("REV5_1234567_00001_2026T03.rar")});
  EXPECT_EQ(r.status, 0);
  std::string rtf = test::ReadBytes(out / "ERROR_REV.doc");
  EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
  EXPECT_NE(rtf.find("\\u1055?"), std::string::npos);
}

TEST_F(CliTest, ChecksEveryVariantsExample) {
  struct Case {
    const char* variant;
    const char* archive;
  };
  for (const Case& c :
       {Case{"monthly", "REV5_1234567_00003_2026L11.rar"}, Case{"annual", "REV5_1234567_00004_2025L00.rar"},
        Case{"annual-old", "REV5_1234567_00005.rar"}}) {
    Result r = Check({"--variant", c.variant, "--workdir", work.path(), "--today", "08.12.2026", Example(c.archive)});
    EXPECT_EQ(r.status, 0) << c.variant << "\n" << r.out;
    EXPECT_EQ(r.lines().at(r.lines().size() - 4), "к о н т р о л ь  з а в е р ш е н.") << c.variant;
  }
}

bool ValidJson(const std::string& text) {
  if (std::system("command -v python3 >/dev/null 2>&1") != 0) return true;  // nothing to validate with
  TempDir dir;
  test::WriteBytes(dir / "x.json", text);
  std::string cmd =
      "python3 -c 'import json,sys; json.load(open(sys.argv[1], encoding=\"utf-8\"))' " + Quote(dir / "x.json");
  return std::system(cmd.c_str()) == 0;
}

TEST_F(CliTest, JsonReportCarriesTheFindings) {
  Result r = Check({"--variant", "quarterly", "--workdir", work.path(), "--today", "08.12.2026", "--format", "json",
                    Example("REV5_1234567_00002_2026T03.rar")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(ValidJson(r.out)) << r.out;
  EXPECT_NE(r.out.find("\"variant\": \"quarterly\""), std::string::npos);
  EXPECT_NE(r.out.find("\"completed\": true"), std::string::npos);
  EXPECT_NE(r.out.find("\"rule\": \"load.data-type-valid\""), std::string::npos);
  EXPECT_NE(r.out.find("\"lines\": ["), std::string::npos);
  EXPECT_EQ(r.out.find("\"findings\": 0"), std::string::npos);
}

// The summary's status follows the exit status, and every fault line names
// its rule, the unpacking block and the name check included.
TEST_F(CliTest, JsonStatusAndRuleIdsFollowTheOutcome) {
  TempDir src;
  test::WriteBytes(src / "REV5_1234567_00009_2026T03.rar", "not an archive");
  test::WriteBytes(src / "REV5_1234567.rar", "not an archive");
  struct Case {
    std::string archive;
    int status;
    std::string json_status;
    std::string rule;  // one rule id the report must carry, if any
  };
  const Case cases[] = {
      {Example("REV5_1234567_00001_2026T03.rar"), 0, "clean", ""},
      {Example("REV5_1234567_00002_2026T03.rar"), 1, "findings", "load.data-type-valid"},
      {src / "REV5_1234567_00009_2026T03.rar", 3, "not-checked", ""},
      {src / "REV5_1234567.rar", 3, "not-checked", "intake.package-name-valid"},
  };
  for (const Case& c : cases) {
    Result r = Check(
        {"--variant", "quarterly", "--workdir", work.path(), "--today", "08.12.2026", "--format", "json", c.archive});
    EXPECT_EQ(r.status, c.status) << c.archive;
    EXPECT_NE(r.out.find("\"summary\": {\"status\": \"" + c.json_status + "\""), std::string::npos) << r.out;
    if (!c.rule.empty()) {
      EXPECT_NE(r.out.find("\"rule\": \"" + c.rule + "\""), std::string::npos) << r.out;
    }
    EXPECT_EQ(r.out.find("\"rule\": \"\""), std::string::npos) << r.out;
    if (c.status == 3) {
      EXPECT_NE(r.out.find("\"rule\": \"intake."), std::string::npos) << r.out;
    }
  }
}

TEST_F(CliTest, SeveralArchivesOneAfterAnother) {
  TempDir src;
  test::WriteBytes(src / "REV5_1234567_00009_2026T03.rar", "not an archive");
  std::string good = Example("REV5_1234567_00001_2026T03.rar");
  std::string bad = src / "REV5_1234567_00009_2026T03.rar";
  Result r = Check({"--variant", "quarterly", "--workdir", work.path(), "--today", "08.12.2026", good, bad});
  EXPECT_EQ(r.status, 3);  // the highest of 0 and 3
  std::vector<std::string> lines = r.lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "===== " + good + " =====");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "===== " + bad + " ====="), lines.end());
  Result json = Check({"--variant", "quarterly", "--workdir", work.path(), "--format", "json", good, bad});
  EXPECT_TRUE(ValidJson(json.out)) << json.out;
  EXPECT_EQ(json.out.rfind("[", 0), 0u);
}

TEST_F(CliTest, TextInTheCodePage) {
  Result r = Check({"--variant", "quarterly", "--workdir", work.path(), "--encoding", "cp1251",
                    Example("REV5_1234567_00001_2026T03.rar")});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\xCF\xD0\xCE\xD2\xCE\xCA\xCE\xCB"), std::string::npos);  // ПРОТОКОЛ
  EXPECT_EQ(r.out.find("ПРОТОКОЛ"), std::string::npos);
}

}  // namespace
}  // namespace zentrox

namespace zentrox {
namespace {

// A valid package's protocol is its frame alone: every line but the date is
// known in advance.
TEST_F(CliTest, ValidExamplesPrintExactlyTheFrame) {
  struct Case {
    const char* variant;
    const char* archive;
    bool old_format;
    bool marker_is_name;
    int packs;
    int declarations;
  };
  for (const Case& c : {Case{"quarterly", "REV5_1234567_00001_2026T03.rar", false, false, 2, 5},
                        Case{"monthly", "REV5_1234567_00003_2026L11.rar", false, false, 2, 4},
                        Case{"annual", "REV5_1234567_00004_2025L00.rar", false, true, 1, 3},
                        Case{"annual-old", "REV5_1234567_00005.rar", true, false, 1, 3}}) {
    const std::string archive = Example(c.archive);
    Result r = Check({"--variant", c.variant, "--workdir", work.path(), "--today", "08.12.2026", archive});
    ASSERT_EQ(r.status, 0) << c.variant << "\n" << r.out;
    std::vector<std::string> files =
        c.old_format ? std::vector<std::string>{"REV5_PL", "REV5_NA", "REV5_SD", "REV5_DI", "REV5_MU"}
                     : std::vector<std::string>{"REV5_T", "REV5_IP", "REV5_NA", "REV5_SD"};
    std::vector<std::string> expected = {"ПРОТОКОЛ КОНТРОЛЯ ЭЛЕКТРОННОГО ПАКЕТА.",
                                         "Распакован пакет " + (c.marker_is_name ? std::string(c.archive) : archive),
                                         "Контроль, часть 1 - проверка соответствия форматам данных:"};
    for (const std::string& f : files) expected.push_back("fisierul " + work.path() + f);
    expected.push_back("Контроль, часть 2 - проверка информационных данных:");
    for (const std::string& f : files) expected.push_back("fisierul " + f);
    expected.insert(expected.end(), {"к о н т р о л ь  з а в е р ш е н.", "Экономический Агент  1234567",
                                     "Количество пачек в пакете: " + std::to_string(c.packs),
                                     "Проверено электронных деклараций : " + std::to_string(c.declarations)});
    std::vector<std::string> lines = r.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("08.12.2026 ", 0), 0u) << c.variant;
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), expected) << c.variant;
  }
}

}  // namespace
}  // namespace zentrox

namespace zentrox {
namespace {

// An archive that cannot be read is named on standard error, and nothing else
// happens: no protocol, nothing unpacked or deleted, the working directory
// not even locked.
TEST_F(CliTest, AnUnreadableArchiveIsNamedAndNothingIsTouched) {
  TempDir src;
  fs::create_directory(src / "REV5_1234567_00001_2026T03.rar");
  test::WriteBytes(src / "file", "");
  fs::create_symlink(src / "nowhere.rar", src / "dangling.rar");
  fs::create_symlink(src / "loop.rar", src / "loop.rar");
  ::mkfifo((src / "fifo.rar").c_str(), 0644);
  struct Case {
    std::string archive;
    std::string reason;
  };
  const std::vector<Case> cases{
      {src / "REV5_1234567_00009_2026T03.rar", "no such file"},
      {src / "REV5_1234567_00001_2026T03.rar", "is a directory"},
      {src / "dangling.rar", "no such file"},
      {src / "file/REV5_1234567_00009_2026T03.rar", "no such file"},
      {src / "loop.rar", "too many levels of symbolic links"},
      {src / "fifo.rar", "not a regular file"},
  };
  test::WriteBytes(work / "rev5_t", "another run's package file");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive);
    Result r = Check({"--variant", "quarterly", "--workdir", work.path(), c.archive});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "zentrox-check: " + c.archive + ": " + c.reason + "\n");
  }
  EXPECT_EQ(test::ReadBytes(work / "rev5_t"), "another run's package file");
  EXPECT_FALSE(fs::exists(work / "rev5_list"));
  EXPECT_FALSE(fs::exists(work / ".zentrox.lock"));
}

// Permission bits do not stop root, so the run drops to nobody there.
TEST_F(CliTest, AnArchiveWithoutReadPermissionIsNamed) {
  TempDir src;
  ::chmod(src.path().c_str(), 0755);
  ::chmod(work.path().c_str(), 0777);
  const std::string archive = src / "REV5_1234567_00001_2026T03.rar";
  fs::copy_file(Example("REV5_1234567_00001_2026T03.rar"), archive);
  ::chmod(archive.c_str(), 0);
  const std::string as_nobody = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  Result r = Check({"--variant", "quarterly", "--workdir", work.path(), archive}, "", as_nobody);
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "zentrox-check: " + archive + ": permission denied\n");
}

// In a batch an unreadable archive gets its heading (text) or an object
// without lines (JSON), and the other archives are checked as if alone.
TEST_F(CliTest, ABatchGoesOnPastAnUnreadableArchive) {
  TempDir src;
  const std::string good = Example("REV5_1234567_00001_2026T03.rar");
  const std::string missing = src / "REV5_1234567_00009_2026T03.rar";
  const std::string dir = src / "REV5_1234567_00008_2026T03.rar";
  fs::create_directory(dir);
  const std::vector<std::string> options{"--variant", "quarterly", "--workdir", work.path(), "--today", "08.12.2026"};
  auto with = [&](std::vector<std::string> archives) {
    std::vector<std::string> args = options;
    args.insert(args.end(), archives.begin(), archives.end());
    return args;
  };
  Result alone = Check(with({good}));
  ASSERT_EQ(alone.status, 0) << alone.out;

  Result batch = Check(with({missing, good, dir}));
  EXPECT_EQ(batch.status, 3);
  EXPECT_EQ(batch.err.find("zentrox-check: " + missing + ": no such file\n"), 0u) << batch.err;
  EXPECT_NE(batch.err.find("zentrox-check: " + dir + ": is a directory\n"), std::string::npos) << batch.err;
  std::vector<std::string> expected = {"===== " + missing + " =====", "===== " + good + " ====="};
  std::vector<std::string> lines = batch.lines();
  std::vector<std::string> alone_lines = alone.lines();
  ASSERT_GE(lines.size(), 3u);
  lines.erase(lines.begin() + 2);  // the date and time of the run
  expected.insert(expected.end(), alone_lines.begin() + 1, alone_lines.end());
  expected.push_back("===== " + dir + " =====");
  EXPECT_EQ(lines, expected);

  Result json = Check(with({"--format", "json", missing, good}));
  EXPECT_EQ(json.status, 3);
  EXPECT_TRUE(ValidJson(json.out)) << json.out;
  const std::size_t second = json.out.find("\"archive\": " + JsonString(good));
  ASSERT_NE(second, std::string::npos) << json.out;
  const std::string first_object = json.out.substr(0, second);
  EXPECT_NE(first_object.find("\"archive\": " + JsonString(missing)), std::string::npos);
  EXPECT_NE(first_object.find("\"completed\": false"), std::string::npos);
  EXPECT_NE(first_object.find("\"lines\": []"), std::string::npos);
  EXPECT_NE(json.out.find("\"completed\": true", second), std::string::npos);
}

TEST_F(CliTest, DoubleDashEndsTheOptions) {
  TempDir cwd;
  // The old format takes the employer's code from the archive's name.
  const std::string name = "--REV5_1234567_00005.rar";
  fs::copy_file(Example("REV5_1234567_00005.rar"), cwd / name);
  Result r =
      Check({"--variant", "annual-old", "--workdir", work.path(), "--today", "08.12.2026", "--", name}, cwd.path());
  EXPECT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("Распакован пакет " + cwd.path() + name + "\n"), std::string::npos) << r.out;
  // After "--" even an option's name is an archive.
  Result help = Check({"--variant", "annual-old", "--workdir", work.path(), "--", "--help"}, cwd.path());
  EXPECT_EQ(help.status, 3);
  EXPECT_EQ(help.err, "zentrox-check: " + cwd.path() + "--help: no such file\n");
}

// A lock file that cannot be used refuses the run rather than letting it go
// ahead unlocked.
TEST_F(CliTest, AnUnusableLockFileRefusesTheRun) {
  fs::create_directory(work / ".zentrox.lock");
  test::WriteBytes(work / "rev5_t", "another run's package file");
  Result r = Check({"--variant", "quarterly", "--workdir", work.path(), Example("REV5_1234567_00001_2026T03.rar")});
  EXPECT_EQ(r.status, 3);
  const std::string busy = "Рабочий каталог " + work.path() + " занят другой проверкой; повторите позже";
  ASSERT_EQ(r.lines().size(), 1u) << r.out;
  EXPECT_EQ(r.lines()[0], busy + " (" + work.path() + ".zentrox.lock: is a directory)") << r.out;
  EXPECT_EQ(test::ReadBytes(work / "rev5_t"), "another run's package file");
}

TEST_F(CliTest, ARefusedLockWaitIsSaid) {
  Result r = Check({"--variant", "quarterly", "--workdir", work.path(), Example("REV5_1234567_00001_2026T03.rar")}, "",
                   "ZENTROX_LOCK_WAIT_MS=soon ");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err.find("zentrox-check: ZENTROX_LOCK_WAIT_MS=soon: not a number of milliseconds; using 10000\n"), 0u)
      << r.err;
}

// The largest wait the setting can spell used to overflow into no wait at
// all: the run gave up at once instead of waiting for the lock's release.
TEST_F(CliTest, AHugeLockWaitStillWaits) {
  const int fd = ::open((work / ".zentrox.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  std::thread release([fd] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ::close(fd);
  });
  Result r = Check({"--variant", "quarterly", "--workdir", work.path(), Example("REV5_1234567_00001_2026T03.rar")}, "",
                   "ZENTROX_LOCK_WAIT_MS=9223372036854775807 ");
  release.join();
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.err.find("ZENTROX_LOCK_WAIT_MS=9223372036854775807: more than 3600000 milliseconds; using 3600000"),
            std::string::npos)
      << r.err;
}

// The archiver's own reason for a refused listing goes to standard error;
// the protocol's lines stay as they are.
TEST_F(CliTest, TheArchiversReasonGoesToStandardError) {
  TempDir src;
  const std::string archive = src / "REV5_1234567_00001_2026T03.rar";
  test::WriteBytes(archive, "plain text");
  Result r = Check({"--variant", "quarterly", "--workdir", work.path(), archive});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.out.find("неправильно создан архив (в архиве должно быть только 4 файла!)"), std::string::npos);
  const std::string prefix = "zentrox-check: " + archive + ": ";
  const std::size_t at = r.err.find(prefix);
  ASSERT_NE(at, std::string::npos) << r.err;
  EXPECT_NE(r.err[at + prefix.size()], '\n') << "an empty reason";
}

// Every line on standard error names the archive it is about, serially and
// with workers; the JSON gives every archive not checked its reason.
TEST_F(CliTest, StandardErrorNamesTheArchiveAndJsonTheReason) {
  TempDir src;
  const std::string good = Example("REV5_1234567_00001_2026T03.rar");
  const std::string broken = src / "REV5_1234567_00002_2026T03.rar";
  test::WriteBytes(broken, "plain text");
  const std::string missing = src / "REV5_1234567_00003_2026T03.rar";
  const std::string misnamed = src / "REV5_1234567.rar";
  test::WriteBytes(misnamed, "plain text");
  const std::vector<std::string> archives = {good, broken, missing, misnamed};
  for (const char* jobs : {"1", "2"}) {
    std::vector<std::string> args = {"--variant", "quarterly", "--workdir", work.path(),
                                     "--format",  "json",      "--jobs",    jobs};
    args.insert(args.end(), archives.begin(), archives.end());
    Result r = Check(args);
    EXPECT_EQ(r.status, 3) << jobs;
    const std::vector<std::string> lines = test::SplitLines(r.err);
    EXPECT_FALSE(lines.empty());
    for (const std::string& line : lines) {
      if (line.empty()) continue;
      const bool named = std::any_of(archives.begin(), archives.end(), [&](const std::string& a) {
        return line.rfind("zentrox-check: " + a + ": ", 0) == 0;
      });
      EXPECT_TRUE(named) << jobs << ": " << line;
    }
    auto count = [&r](const std::string& s) {
      std::size_t n = 0;
      for (auto at = r.out.find(s); at != std::string::npos; at = r.out.find(s, at + 1)) ++n;
      return n;
    };
    EXPECT_EQ(count("\"status\": \"not-checked\""), 3u) << r.out;
    EXPECT_EQ(count("\"reason\": \""), 3u) << r.out;
    EXPECT_EQ(count("\"reason\": null"), 1u) << r.out;
  }
}

}  // namespace
}  // namespace zentrox
