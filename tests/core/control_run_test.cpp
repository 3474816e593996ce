#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "rules/control_run.h"
#include "rules/rule_set.h"
#include "support/rule_harness.h"

namespace zentrox {
namespace {

namespace fs = std::filesystem;
using test::Record;
using test::RuleHarness;

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
  return std::find(lines.begin(), lines.end(), text) != lines.end();
}

void WriteNewFormatFiles(RuleHarness& h) {
  h.WriteFile("rev5_t",
              {Record({"1", "2026", "3", "12", "1234567", "", "POPA", "01.10.2026", "1", "0", "0", "0", "0", "0"})});
  h.WriteFile("rev5_ip", {Record({"1", "1", "0", "0", "0", "0", "0"})});
  h.WriteFile("rev5_na", {Record({"1", "1", "12345678901", "POPA", "ION", "", "", "", "", "", "", "", ""})});
  h.WriteFile("rev5_sd", {Record({"1", "1", "13", "", "", "", "", "", "0", "0", "0", "0", "0"})});
}

TEST(ControlRun, NothingUnpackedEndsTheNewFormatRun) {
  RuleHarness h(Variant::Quarterly);
  ControlInput in;
  in.variant = Variant::Quarterly;
  in.workdir = h.dir.path();
  FixedDateClock clock(test::D(8, 12, 2026), FixedDateClock::TimeOfDay::Midnight);
  ControlResult r = RunControl(h.protocol, h.dm, h.dm1, in, clock);
  EXPECT_EQ(r.outcome, RunOutcome::NotUnpacked);
  EXPECT_EQ(h.AllLines(), (std::vector<std::string>{"08.12.2026 00:00:00", "ПРОТОКОЛ КОНТРОЛЯ ЭЛЕКТРОННОГО ПАКЕТА.",
                                                    "Пакет НЕ распакован."}));
  ASSERT_FALSE(h.protocol.lines().empty());
  EXPECT_EQ(h.protocol.lines()[0].style.color, kBlue);
}

TEST(ControlRun, OldFormatGoesOnWithoutAMarker) {
  RuleHarness h(Variant::AnnualOld);
  h.WriteFile("rev5_pl", {});
  ControlInput in;
  in.variant = Variant::AnnualOld;
  in.workdir = h.dir.path();
  FixedDateClock clock(test::D(8, 12, 2026), FixedDateClock::TimeOfDay::Midnight);
  ControlResult r = RunControl(h.protocol, h.dm, h.dm1, in, clock);
  EXPECT_EQ(r.outcome, RunOutcome::Completed);
  std::vector<std::string> lines = h.AllLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[2], "Пакет НЕ распакован.");
  EXPECT_TRUE(Contains(lines, "к о н т р о л ь  з а в е р ш е н."));
  EXPECT_FALSE(fs::exists(h.dir / "rev5_pl"));
}

TEST(ControlRun, MissingRequiredFilesEndTheRunAndDeleteNothing) {
  RuleHarness h(Variant::Quarterly);
  WriteNewFormatFiles(h);
  fs::remove(h.dir / "rev5_ip");
  ControlResult r = h.Run("REV5_1234567_00001_2026T03.rar");
  EXPECT_EQ(r.outcome, RunOutcome::FilesMissing);
  EXPECT_EQ(test::Last(h.AllLines()), "отсутствуют нужные файлы из пакета ");
  EXPECT_TRUE(fs::exists(h.dir / "rev5_t"));
}

TEST(ControlRun, WrongPeriodEndsTheRun) {
  RuleHarness h(Variant::Quarterly);
  WriteNewFormatFiles(h);
  ControlResult r = h.Run("REV5_1234567_00001_2026L00.rar");
  EXPECT_EQ(r.outcome, RunOutcome::PeriodRefused);
  std::vector<std::string> lines = h.AllLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "в наименовании пакета указавается, что \"Anual\" ");
  EXPECT_EQ(lines.back(), "Запустите нужный пункт меню");
  EXPECT_FALSE(Contains(lines, "Контроль, часть 1 - проверка соответствия форматам данных:"));
}

TEST(ControlRun, FrameOfACompletedRun) {
  for (Variant v : {Variant::Quarterly, Variant::Annual, Variant::Monthly}) {
    RuleHarness h(v);
    WriteNewFormatFiles(h);
    std::string name = v == Variant::Quarterly ? "REV5_1234567_00001_2026T03.rar"
                       : v == Variant::Monthly ? "REV5_1234567_00001_2026L11.rar"
                                               : "REV5_1234567_00001_2025L00.rar";
    ControlResult r = h.Run(name);
    ASSERT_EQ(r.outcome, RunOutcome::Completed) << Profile(v).id;
    const auto& lines = h.protocol.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2].text, "Распакован пакет " + h.dir.path() + name);
    auto find = [&](const std::string& text) {
      return std::find_if(lines.begin(), lines.end(), [&](const ProtocolLine& l) { return l.text == text; });
    };
    auto part1 = find("Контроль, часть 1 - проверка соответствия форматам данных:");
    ASSERT_NE(part1, lines.end());
    EXPECT_EQ(part1->style.color, kRed);
    EXPECT_TRUE(part1->style.bold && part1->style.italic);
    auto file_heading = find("fisierul REV5_SD");
    ASSERT_NE(file_heading, lines.end());
    EXPECT_TRUE(file_heading->style.bold);
    EXPECT_FALSE(file_heading->style.italic);
    EXPECT_EQ(file_heading->style.color, kRed);
    auto loaded = find("fisierul " + h.dir.path() + "REV5_SD");
    ASSERT_NE(loaded, lines.end());
    EXPECT_EQ(loaded->style.color, kBlue);
    auto closing = find("к о н т р о л ь  з а в е р ш е н.");
    ASSERT_NE(closing, lines.end());
    EXPECT_TRUE(closing->style.bold);
    ASSERT_GE(lines.end() - closing, 4);
    EXPECT_EQ((closing + 1)->text, "Экономический Агент  1234567");
    EXPECT_EQ((closing + 2)->text.rfind("Количество пачек в пакете: ", 0), 0u);
    EXPECT_EQ((closing + 3)->text.rfind("Проверено электронных деклараций : ", 0), 0u);
    for (const char* f : {"rev5_t", "rev5_ip", "rev5_na", "rev5_sd"}) EXPECT_FALSE(fs::exists(h.dir / f)) << f;
    EXPECT_TRUE(fs::exists(h.dir / "months.txt"));
  }
}

TEST(ControlRun, DictionariesLoadInTheVariantsOrder) {
  RuleHarness h(Variant::Monthly);
  WriteNewFormatFiles(h);
  for (const char* f : {"sps_newkateg.txt", "sps_new_prof.txt", "sps_kateg.txt", "months.txt", "sps_prof.txt",
                        "raion.txt", "sps_typeform.txt", "sps_viddoc.txt"}) {
    fs::remove(h.dir / f);
  }
  h.Run("REV5_1234567_00001_2026L11.rar");
  std::vector<std::string> missing;
  for (const std::string& l : h.AllLines()) {
    if (l.rfind("NU ESTE fisierul ", 0) == 0) missing.push_back(l.substr(l.rfind('/') + 1));
  }
  EXPECT_EQ(missing, (std::vector<std::string>{"sps_newkateg.txt", "sps_new_prof.txt", "sps_kateg.txt", "months.txt",
                                               "sps_prof.txt", "raion.txt", "sps_typeform.txt", "sps_viddoc.txt"}));
}

TEST(ControlRun, HeaderShowsTheClocksDateAndTime) {
  LocalDateTime t{test::D(1, 2, 2027), 9, 5, 7};
  EXPECT_EQ(t.ToString(), "01.02.2027 09:05:07");
}

}  // namespace
}  // namespace zentrox

namespace zentrox {
namespace {

// The whole run of the bundled examples reads and prints amounts the same
// under a locale with a decimal comma.
TEST(ControlRunLocale, ExamplesStayCleanUnderACommaLocale) {
  test::CommaLocale comma;
  if (!comma.active()) GTEST_SKIP() << "no locale with a decimal comma could be set";
  struct Case {
    Variant variant;
    const char* folder;
    const char* archive;
  };
  for (const Case& c : {Case{Variant::Quarterly, "quarterly-valid", "REV5_1234567_00001_2026T03.rar"},
                        Case{Variant::Monthly, "monthly-valid", "REV5_1234567_00003_2026L11.rar"},
                        Case{Variant::Annual, "annual-valid", "REV5_1234567_00004_2025L00.rar"},
                        Case{Variant::AnnualOld, "annual-old-valid", "REV5_1234567_00005.rar"}}) {
    test::RuleHarness h(c.variant);
    for (const auto& e : fs::directory_iterator(std::string(ZENTROX_SOURCE_DIR "/examples/") + c.folder)) {
      fs::copy_file(e.path(), h.dir / e.path().filename().string());
    }
    EXPECT_EQ(h.Run(c.archive).outcome, RunOutcome::Completed) << c.folder;
    EXPECT_EQ(h.protocol.FaultCount(), 0u) << c.folder << ::testing::PrintToString(test::FaultTexts(h.protocol));
  }
}

}  // namespace
}  // namespace zentrox

namespace zentrox {
namespace {

TEST(ControlRun, LoadsExactlyTheVariantsDictionaryFiles) {
  for (Variant v : AllVariants()) {
    test::RuleHarness h(v);
    for (const std::string& f : DictionaryFiles(v)) fs::remove(h.dir / f);
    h.WriteFile(v == Variant::AnnualOld ? "rev5_pl" : "rev5_t", {});
    h.WriteFile("rev5_ip", {});
    h.Run(v == Variant::Monthly ? "REV5_1234567_00001_2026L11.rar" : "REV5_1234567_00001_2026T03.rar");
    std::vector<std::string> missing;
    for (const std::string& l : h.AllLines()) {
      if (l.rfind("NU ESTE fisierul ", 0) == 0 && l.find(".txt") != std::string::npos) {
        missing.push_back(l.substr(l.rfind('/') + 1));
      }
    }
    std::vector<std::string> expected = DictionaryFiles(v);
    if (v == Variant::AnnualOld) expected.insert(expected.begin() + 7, "tarif.txt");  // read into two tables
    if (v == Variant::Annual) {
      EXPECT_TRUE(missing.empty());  // "T03" ends the annual run before part 1
      continue;
    }
    EXPECT_EQ(missing, expected) << Profile(v).id;
  }
}

// What a profile names must fit together: a variant whose rule set is not
// registered, or whose files the archiver never writes, fails here.
TEST(VariantProfiles, FitTheirRuleSetsAndFiles) {
  for (Variant v : AllVariants()) {
    const VariantProfile& p = Profile(v);
    SCOPED_TRACE(p.id);
    EXPECT_NE(RuleSetFor(v), nullptr);
    EXPECT_EQ(&Profile(v), FindProfile(p.id));
    auto unpacked = [&](std::string name) {
      std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
      return std::find(p.unpacked_names.begin(), p.unpacked_names.end(), name) != p.unpacked_names.end();
    };
    ASSERT_FALSE(p.files.empty());
    for (const PackageFile& f : p.files) EXPECT_TRUE(unpacked(FileName(f.kind))) << FileName(f.kind);
    for (const std::string& f : p.required_files) EXPECT_TRUE(unpacked(f)) << f;
    for (const std::string& f : p.removed_before_unrar) EXPECT_TRUE(unpacked(f)) << f;
    EXPECT_TRUE(std::any_of(p.files.begin(), p.files.end(), [&](const PackageFile& f) {
      return f.kind == p.pack_file.kind && f.table == p.pack_file.table;
    }));
  }
}

}  // namespace
}  // namespace zentrox
