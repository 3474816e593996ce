// End-to-end runs of zentrox-check as a child process, each in its own
// temporary working directory.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>

#include "intake/command_runner.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct Result {
  int status = -1;
  std::string out;
  std::string err;
  std::vector<std::string> lines() const {
    std::vector<std::string> v;
    std::size_t pos = 0;
    while (pos < out.size()) {
      std::size_t nl = out.find('\n', pos);
      if (nl == std::string::npos) nl = out.size();
      v.push_back(out.substr(pos, nl - pos));
      pos = nl + 1;
    }
    return v;
  }
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

Result Check(const std::vector<std::string>& args, const std::string& cwd = "") {
  TempDir io;
  std::string cmd = (cwd.empty() ? "" : "cd " + Quote(cwd) + " && ") + Quote(ZENTROX_CHECK);
  for (const std::string& a : args) cmd += " " + Quote(a);
  cmd += " >" + Quote(io / "out") + " 2>" + Quote(io / "err");
  int raw = std::system(cmd.c_str());
  Result r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = test::ReadBytes(io / "out");
  r.err = test::ReadBytes(io / "err");
  return r;
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
  Result help = Check({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: zentrox-check"), std::string::npos);
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
  EXPECT_EQ(r.lines().back(), "Запустите нужный пункт меню");
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
  for (const Case& c : {Case{"monthly", "REV5_1234567_00003_2026L11.rar"}, Case{"annual", "REV5_1234567_00004_2025L00.rar"},
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
  std::string cmd = "python3 -c 'import json,sys; json.load(open(sys.argv[1], encoding=\"utf-8\"))' " + Quote(dir / "x.json");
  return std::system(cmd.c_str()) == 0;
}

TEST_F(CliTest, JsonReportCarriesTheFindings) {
  Result r = Check({"--variant", "quarterly", "--workdir", work.path(), "--today", "08.12.2026", "--format", "json",
                    Example("REV5_1234567_00002_2026T03.rar")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(ValidJson(r.out)) << r.out;
  EXPECT_NE(r.out.find("\"variant\": \"quarterly\""), std::string::npos);
  EXPECT_NE(r.out.find("\"completed\": true"), std::string::npos);
  EXPECT_NE(r.out.find("\"rule\": \"load.data-type\""), std::string::npos);
  EXPECT_NE(r.out.find("\"lines\": ["), std::string::npos);
  EXPECT_EQ(r.out.find("\"findings\": 0"), std::string::npos);
}

TEST_F(CliTest, SeveralArchivesOneAfterAnother) {
  TempDir src;
  test::WriteBytes(src / "REV5_1234567_00009_2026T03.rar", "not an archive");
  std::string good = Example("REV5_1234567_00001_2026T03.rar");
  std::string bad = src / "REV5_1234567_00009_2026T03.rar";
  Result r = Check({"--variant", "quarterly", "--workdir", work.path(), "--today", "08.12.2026", good, bad});
  EXPECT_EQ(r.status, 3);  // the highest of 0 and 3
  std::vector<std::string> lines = r.lines();
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
