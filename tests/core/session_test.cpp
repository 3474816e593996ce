#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "engine/text.h"
#include "intake/command_runner.h"
#include "model/files.h"
#include "session/session.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

namespace fs = std::filesystem;
using test::Record;
using test::TempDir;

class RecordingPort : public UserPort {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  std::vector<std::string> messages;
  std::vector<std::string> errors;
};

// A quarterly package with one pack and one declaration, enough for the frame.
struct Package {
  std::string t =
      Record({"1", "2026", "3", "12", "1234567", "", "POPA ION", "01.10.2026", "1", "0", "0", "0", "0", "0"});
  std::string ip = Record({"1", "1", "0", "0", "0", "0", "0"});
  std::string na = Record({"1", "1", "12345678901", "POPA", "ION", "", "", "", "", "", "", "", ""});
  std::string sd = Record({"1", "1", "13", "", "", "", "", "", "0", "0", "0", "0", "0"});
};

class SessionTest : public ::testing::Test {
 protected:
  SessionTest()
      : clock(test::D(8, 12, 2026), FixedDateClock::TimeOfDay::Midnight), session(work.path(), ZENTROX_BIN_DIR, clock) {
    test::CopyDictionaries(work.path());
  }

  // Packs `files` (name -> UTF-8 content) into `archive` with our archiver.
  std::string Pack(const std::string& archive_name, const std::vector<std::pair<std::string, std::string>>& files,
                   const std::string& subdir = "") {
    std::string src = source.path() + subdir;
    fs::create_directories(src);
    std::vector<std::string> args = {"a", src + archive_name};
    for (const auto& [name, content] : files) {
      // A name with a folder ("1/rev5_na") is stored by its base name, so one
      // archive can hold a name twice.
      fs::create_directories(fs::path(src + name).parent_path());
      test::WriteCp1251(src + name, content);
      args.push_back(src + name);
    }
    CommandResult r = RunCommand({"Rar", args, ""}, ZENTROX_BIN_DIR);
    EXPECT_TRUE(r.ok()) << "Rar a failed";
    return src + archive_name;
  }

  std::string QuarterlyArchive(const std::string& name = "REV5_1234567_00001_2026T03.rar",
                               const std::string& subdir = "") {
    Package p;
    return Pack(name, {{"rev5_t", p.t}, {"rev5_ip", p.ip}, {"rev5_na", p.na}, {"rev5_sd", p.sd}}, subdir);
  }

  bool InWork(const std::string& name) const { return fs::exists(work / name); }

  TempDir work;
  TempDir source;
  FixedDateClock clock;
  Session session;
  RecordingPort port;
  Protocol protocol;
};

TEST_F(SessionTest, UnpacksAQuarterlyPackage) {
  std::string archive = QuarterlyArchive();
  EXPECT_EQ(session.UnRar(Variant::Quarterly, archive, protocol, port), UnrarOutcome::Unpacked);
  EXPECT_EQ(test::Texts(protocol),
            (std::vector<std::string>{"Распаковка " + archive, "Наименование пакета:", "REV5_1234567_00001_2026T03.rar",
                                      "пакет распакован в рабочий каталог  " + work.path()}));
  EXPECT_EQ(port.messages, std::vector<std::string>{"Pachet dezarhivat"});
  for (const char* f : {"rev5_t", "rev5_ip", "rev5_na", "rev5_sd", "rev5_list"}) EXPECT_TRUE(InWork(f)) << f;
  ASSERT_FALSE(protocol.lines().empty());
  EXPECT_EQ(protocol.lines()[0].style.color, kBlue);
}

TEST_F(SessionTest, RefusedNameTouchesNothingAndClearsTheSharedName) {
  std::string archive = QuarterlyArchive("REV5_1234567_00001.rar");
  test::WriteBytes(work / "rev5_t", "old");
  EXPECT_EQ(session.UnRar(Variant::Quarterly, archive, protocol, port), UnrarOutcome::NameRefused);
  EXPECT_EQ(
      test::FaultTexts(protocol),
      (std::vector<std::string>{"ОШИБКА В ИМЕНИ ПАКЕТА (Длина должна равняться 30)!!!)", "длина ИМЕНИ ПАКЕТА =22"}));
  EXPECT_EQ(test::ReadBytes(work / "rev5_t"), "old");
  EXPECT_EQ(session.shared_package_name(), "");
  EXPECT_EQ(session.window(Variant::Quarterly).archive_path, archive);  // the path stays set
}

TEST_F(SessionTest, ListingRefusesAFifthEntry) {
  Package p;
  std::string archive =
      Pack("REV5_1234567_00001_2026T03.rar",
           {{"rev5_t", p.t}, {"rev5_ip", p.ip}, {"rev5_na", p.na}, {"rev5_sd", p.sd}, {"notes", "x"}});
  EXPECT_EQ(session.UnRar(Variant::Monthly, archive, protocol, port), UnrarOutcome::ListingRefused);
  EXPECT_EQ(test::Last(test::FaultTexts(protocol)), "неправильно создан архив (в архиве должно быть только 4 файла!)");
  EXPECT_FALSE(InWork("rev5_t"));
  EXPECT_TRUE(port.messages.empty());
}

TEST_F(SessionTest, AnnualWindowExtractsOnlyThePackageFiles) {
  // An archive may carry anything; only the variant's package files are
  // written, so a package can never replace a dictionary or the archiver.
  Package p;
  std::string archive = Pack("REV5_1234567_00001_2026L00.rar", {{"rev5_t", p.t},
                                                                {"rev5_ip", p.ip},
                                                                {"rev5_na", p.na},
                                                                {"rev5_sd", p.sd},
                                                                {"months.txt", "1|hacked\r\n"},
                                                                {"Rar", "#!/bin/sh\nexit 0\n"}});
  std::string months_before = test::ReadBytes(work / "months.txt");
  EXPECT_EQ(session.UnRar(Variant::Annual, archive, protocol, port), UnrarOutcome::Unpacked);
  EXPECT_EQ(test::ReadBytes(work / "months.txt"), months_before);
  EXPECT_FALSE(InWork("Rar"));
  EXPECT_TRUE(InWork("rev5_sd"));
  EXPECT_EQ(test::Last(test::Texts(protocol)), "пакет распакован в рабочий каталог " + work.path());
}

TEST_F(SessionTest, ArchivePathWithBlanksWorks) {
  std::string archive = QuarterlyArchive("REV5_1234567_00001_2026T03.rar", "папка с пробелами/");
  EXPECT_EQ(session.UnRar(Variant::Quarterly, archive, protocol, port), UnrarOutcome::Unpacked);
}

TEST_F(SessionTest, DamagedArchiveWritesTheErrorBlock) {
  std::string archive = source / "REV5_1234567_00001_2026L00.rar";
  test::WriteBytes(archive, "this is not an archive");
  EXPECT_EQ(session.UnRar(Variant::Annual, archive, protocol, port), UnrarOutcome::ExtractionFailed);
  std::vector<std::string> lines = test::Texts(protocol);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[3], "О Ш И Б К А  ПРИ  Р А С П А К О В К Е!!!");
  EXPECT_EQ(lines[5], "б) возможно неправильно создан архив (в архиве должно быть 4 файла)");
  EXPECT_EQ(lines[10], "");
  EXPECT_EQ(lines[11], "РЕКОМЕНДАЦИЯ: Запакуйте подготовленные файлы архиватором rar.exe \r" + std::string(32, ' ') +
                           "предоставленном на сайте вместе с программой Zentrox");
  EXPECT_EQ(protocol.lines()[3].style.color, kRed);
  const TextStyle& advice = protocol.lines()[11].style;
  EXPECT_EQ(advice.color, kBlue);
  EXPECT_TRUE(advice.bold && advice.italic);
  EXPECT_TRUE(port.messages.empty());
  // The name was accepted, so the annual window's marker stays set.
  EXPECT_EQ(session.Marker(Variant::Annual), "REV5_1234567_00001_2026L00.rar");
}

TEST_F(SessionTest, OldFormatFlow) {
  std::string archive =
      Pack("REV5_1234567_00005.rar",
           {{"rev5_pl", "1°"}, {"rev5_na", "1°"}, {"rev5_sd", "1°"}, {"rev5_di", "1°"}, {"rev5_mu", "1°"}});
  EXPECT_EQ(session.UnRar(Variant::AnnualOld, archive, protocol, port), UnrarOutcome::Unpacked);
  EXPECT_EQ(port.messages, std::vector<std::string>{"Файл распакован в рабочий каталог "});
  EXPECT_EQ(test::Texts(protocol),
            (std::vector<std::string>{"Распаковка " + archive, "Файл распакован в рабочий каталог " + archive}));
  EXPECT_EQ(session.Marker(Variant::AnnualOld), archive);

  Protocol second;
  RecordingPort port2;
  std::string bad = source / "broken.rar";
  test::WriteBytes(bad, "");
  EXPECT_EQ(session.UnRar(Variant::AnnualOld, bad, second, port2), UnrarOutcome::ExtractionFailed);
  EXPECT_EQ(port2.messages, std::vector<std::string>{"Ошибка при распаковке"});
  ASSERT_GE(second.lines().size(), 4u);
  EXPECT_EQ(test::Texts(second)[3], "б) возможно неправильно создан архив (в архиве должно быть 5 файлов)");
  EXPECT_EQ(session.Marker(Variant::AnnualOld), archive);  // the earlier path stays
  EXPECT_FALSE(InWork("rev5_pl"));                         // deleted before extracting
}

TEST_F(SessionTest, OldFormatExtractsOnlyItsFivePackageFiles) {
  // A new-format file left by another window is none of the old format's
  // files: it is neither deleted first nor replaced from the archive.
  test::WriteBytes(work / "rev5_ip", "left behind");
  std::string months_before = test::ReadBytes(work / "months.txt");
  std::string archive = Pack("REV5_1234567_00005.rar", {{"rev5_pl", "1°"},
                                                        {"rev5_na", "2°"},
                                                        {"rev5_sd", "3°"},
                                                        {"rev5_di", "4°"},
                                                        {"rev5_mu", "5°"},
                                                        {"rev5_t", "6°"},
                                                        {"rev5_ip", "7°"},
                                                        {"months.txt", "1|hacked\r\n"},
                                                        {"Rar", "#!/bin/sh\nexit 0\n"}});
  ASSERT_EQ(session.UnRar(Variant::AnnualOld, archive, protocol, port), UnrarOutcome::Unpacked);
  struct Expected {
    const char* name;
    const char* bytes;  // nullptr: not in the working directory
  };
  for (const Expected& e : {Expected{"rev5_pl", "1\xB0"}, Expected{"rev5_na", "2\xB0"}, Expected{"rev5_sd", "3\xB0"},
                            Expected{"rev5_di", "4\xB0"}, Expected{"rev5_mu", "5\xB0"}, Expected{"rev5_t", nullptr},
                            Expected{"rev5_ip", "left behind"}, Expected{"Rar", nullptr}}) {
    if (e.bytes == nullptr) {
      EXPECT_FALSE(InWork(e.name)) << e.name;
    } else {
      EXPECT_EQ(test::ReadBytes(work / e.name), e.bytes) << e.name;
    }
  }
  EXPECT_EQ(test::ReadBytes(work / "months.txt"), months_before);
}

TEST_F(SessionTest, QuarterlyPackageCountsAsUnpackedInTheAnnualWindow) {
  EXPECT_EQ(session.UnRar(Variant::Quarterly, QuarterlyArchive(), protocol, port), UnrarOutcome::Unpacked);
  Protocol annual;
  ControlResult r = session.Control(Variant::Annual, annual);
  // The annual window's own archive path is empty, so its period check passes.
  EXPECT_EQ(r.outcome, RunOutcome::Completed);
  ASSERT_GE(annual.lines().size(), 3u);
  EXPECT_EQ(test::Texts(annual)[2], "Распакован пакет REV5_1234567_00001_2026T03.rar");
}

TEST_F(SessionTest, EachControlCountsALoadingOfItsDataModule) {
  const std::uint64_t annual_old = session.TablesGeneration(Variant::AnnualOld);
  ASSERT_EQ(session.UnRar(Variant::Quarterly, QuarterlyArchive(), protocol, port), UnrarOutcome::Unpacked);
  const ControlResult r = session.Control(Variant::Quarterly, protocol);
  EXPECT_NE(r.tables_generation, 0u);
  EXPECT_EQ(session.TablesGeneration(Variant::Quarterly), r.tables_generation);
  // The three new-format windows share one module; the old format has its own.
  EXPECT_EQ(session.TablesGeneration(Variant::Monthly), r.tables_generation);
  EXPECT_EQ(session.TablesGeneration(Variant::AnnualOld), annual_old);
  EXPECT_EQ(session.Control(Variant::Annual, protocol).tables_generation, r.tables_generation + 1);
}

TEST_F(SessionTest, SecondControlFindsTheFilesGone) {
  ASSERT_EQ(session.UnRar(Variant::Quarterly, QuarterlyArchive(), protocol, port), UnrarOutcome::Unpacked);
  EXPECT_EQ(session.Control(Variant::Quarterly, protocol).outcome, RunOutcome::Completed);
  for (const char* f : {"rev5_t", "rev5_ip", "rev5_na", "rev5_sd"}) EXPECT_FALSE(InWork(f)) << f;
  EXPECT_EQ(session.Control(Variant::Quarterly, protocol).outcome, RunOutcome::FilesMissing);
  EXPECT_EQ(test::Last(test::Texts(protocol)), "отсутствуют нужные файлы из пакета ");
}

// The loader's line for a package file the control run did not find, if any.
std::optional<std::string> MissingFileLoaded(const Protocol& protocol) {
  for (const ProtocolLine& line : protocol.lines()) {
    if (line.finding && line.finding->rule == "load.file-present") return line.text;
  }
  return std::nullopt;
}

// An archive that lacks package files is unpacked; the control run then
// reports the missing files: rev5_t / rev5_ip (old format: rev5_pl) end it
// with its missing-files line, any other is reported by its loader.
TEST_F(SessionTest, ArchiveLackingPackageFilesIsUnpackedAndTheControlRunSaysWhatIsMissing) {
  Package p;
  const std::string old_record = "1°";
  struct Case {
    const char* what;
    Variant variant;
    const char* archive;
    std::vector<std::pair<std::string, std::string>> files;
    const char* loader_missing;  // the file its loader misses; nullptr: the run ends at the file test
  };
  const std::vector<Case> cases{
      {"annual without REV5_NA",
       Variant::Annual,
       "REV5_1234567_00001_2026L00.rar",
       {{"rev5_t", p.t}, {"rev5_ip", p.ip}, {"rev5_sd", p.sd}},
       "REV5_NA"},
      {"annual without REV5_T",
       Variant::Annual,
       "REV5_1234567_00001_2026L00.rar",
       {{"rev5_ip", p.ip}, {"rev5_na", p.na}, {"rev5_sd", p.sd}},
       nullptr},
      {"old format without REV5_MU",
       Variant::AnnualOld,
       "REV5_1234567_00005.rar",
       {{"rev5_pl", old_record}, {"rev5_na", old_record}, {"rev5_sd", old_record}, {"rev5_di", old_record}},
       "REV5_MU"},
      {"old format without REV5_PL",
       Variant::AnnualOld,
       "REV5_1234567_00005.rar",
       {{"rev5_na", old_record}, {"rev5_sd", old_record}, {"rev5_di", old_record}, {"rev5_mu", old_record}},
       nullptr},
      // Four entries pass the listing, a name listed twice counting twice.
      {"quarterly with REV5_NA twice",
       Variant::Quarterly,
       "REV5_1234567_00001_2026T03.rar",
       {{"rev5_t", p.t}, {"rev5_ip", p.ip}, {"1/rev5_na", p.na}, {"2/rev5_na", p.na}},
       "REV5_SD"},
      {"monthly with REV5_SD twice, apart",
       Variant::Monthly,
       "REV5_1234567_00001_2026L03.rar",
       {{"1/rev5_sd", p.sd}, {"rev5_t", p.t}, {"rev5_ip", p.ip}, {"2/rev5_sd", p.sd}},
       "REV5_NA"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string archive = Pack(c.archive, c.files, std::to_string(++n) + "/");
    Protocol unrar;
    ASSERT_EQ(session.UnRar(c.variant, archive, unrar, port), UnrarOutcome::Unpacked) << test::Last(test::Texts(unrar));
    EXPECT_EQ(session.archiver_message(), "");
    Protocol control;
    const ControlResult r = session.Control(c.variant, control);
    if (c.loader_missing == nullptr) {
      EXPECT_EQ(r.outcome, RunOutcome::FilesMissing);
      EXPECT_EQ(test::Last(test::Texts(control)), "отсутствуют нужные файлы из пакета ");
    } else {
      EXPECT_EQ(r.outcome, RunOutcome::Completed);
      EXPECT_EQ(MissingFileLoaded(control), "NU ESTE fisierul " + work.path() + c.loader_missing);
    }
  }
}

// Several entries for one package file (the same name again, or another
// case): the last one is what lands, once, under the lower-case name, and so
// it is what the control run checks.
TEST_F(SessionTest, LastEntryOfAPackageFileIsTheOneChecked) {
  Package p;
  const std::string damaged_sd = Record({"x1", "1", "13", "", "", "", "", "", "0", "0", "0", "0", "0"});
  struct Case {
    const char* what;
    std::string first_name, second_name;
    std::string first, second;
    bool damaged_checked;
  };
  const std::vector<Case> cases{
      {"same name, damaged last", "1/rev5_sd", "2/rev5_sd", p.sd, damaged_sd, true},
      {"same name, damaged first", "1/rev5_sd", "2/rev5_sd", damaged_sd, p.sd, false},
      {"other case, damaged last", "1/REV5_SD", "2/rev5_sd", p.sd, damaged_sd, true},
      {"other case, damaged first", "1/rev5_sd", "2/REV5_SD", damaged_sd, p.sd, false},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string archive = Pack(
        "REV5_1234567_00001_2026L00.rar",
        {{"rev5_t", p.t}, {"rev5_ip", p.ip}, {"rev5_na", p.na}, {c.first_name, c.first}, {c.second_name, c.second}},
        std::to_string(++n) + "/");
    Protocol unrar;
    ASSERT_EQ(session.UnRar(Variant::Annual, archive, unrar, port), UnrarOutcome::Unpacked);
    std::vector<std::string> sd_files;
    for (const auto& e : fs::directory_iterator(work.path())) {
      if (AsciiLower(e.path().filename().string()) == "rev5_sd") sd_files.push_back(e.path().filename());
    }
    EXPECT_EQ(sd_files, std::vector<std::string>{"rev5_sd"});
    Protocol control;
    ASSERT_EQ(session.Control(Variant::Annual, control).outcome, RunOutcome::Completed);
    bool type_fault = false;
    for (const ProtocolLine& line : control.lines()) {
      type_fault = type_fault || (line.finding && line.finding->rule == "load.data-type-valid");
    }
    EXPECT_EQ(type_fault, c.damaged_checked);
  }
}

// A CRC error in the last copy fails the extraction: the error block, the
// archiver's reason, and none of the package files left behind for a later
// control run to take for the package.
TEST_F(SessionTest, DamagedLastCopyFailsTheExtractionAndLeavesNoPackageFile) {
  Package p;
  std::string archive = Pack(
      "REV5_1234567_00001_2026L00.rar",
      {{"rev5_t", p.t}, {"rev5_ip", p.ip}, {"rev5_na", p.na}, {"1/rev5_sd", p.sd}, {"2/rev5_sd", "DAMAGED-CONTENT"}});
  std::string bytes = test::ReadBytes(archive);
  const std::size_t at = bytes.find("DAMAGED-CONTENT");
  ASSERT_NE(at, std::string::npos);
  bytes[at] = 'd';  // the stored data no longer matches its CRC
  test::WriteBytes(archive, bytes);
  EXPECT_EQ(session.UnRar(Variant::Annual, archive, protocol, port), UnrarOutcome::ExtractionFailed);
  EXPECT_EQ(test::First(test::FaultTexts(protocol)), "О Ш И Б К А  ПРИ  Р А С П А К О В К Е!!!");
  EXPECT_NE(session.archiver_message().find("CRC error in rev5_sd"), std::string::npos) << session.archiver_message();
  for (const char* f : {"rev5_t", "rev5_ip", "rev5_na", "rev5_sd"}) EXPECT_FALSE(InWork(f)) << f;
  EXPECT_EQ(session.Control(Variant::Annual, protocol).outcome, RunOutcome::FilesMissing);
}

// The archiver's own reason for a failed listing or extraction is kept beside
// the protocol, one line, and cleared by the next UnRar.
TEST_F(SessionTest, ArchiverReasonIsKeptForAFailedListingOrExtraction) {
  const std::string not_archive = source / "REV5_1234567_00001_2026T03.rar";
  test::WriteBytes(not_archive, "this is not an archive");
  struct Case {
    Variant variant;
    UnrarOutcome outcome;
  };
  for (const Case& c : {Case{Variant::Quarterly, UnrarOutcome::ListingRefused},
                        Case{Variant::AnnualOld, UnrarOutcome::ExtractionFailed}}) {
    Protocol out;
    RecordingPort quiet;
    EXPECT_EQ(session.UnRar(c.variant, not_archive, out, quiet), c.outcome);
    const std::string& message = session.archiver_message();
    EXPECT_EQ(message.rfind("Rar: cannot read " + not_archive + ": ", 0), 0u) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    EXPECT_EQ(session.archiver_fault(), ArchiverFault::Unreadable);
    // The protocol's lines are the window's own, the reason is not among them.
    for (const std::string& line : test::Texts(out)) EXPECT_EQ(line.find("Rar:"), std::string::npos) << line;
  }
  EXPECT_EQ(session.UnRar(Variant::Quarterly, QuarterlyArchive(), protocol, port), UnrarOutcome::Unpacked);
  EXPECT_EQ(session.archiver_message(), "");
  EXPECT_EQ(session.archiver_fault(), ArchiverFault::None);
}

// Sets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// With no archiver to start, the listing the quarterly and monthly windows
// make is empty and refused by its own two lines; the annual windows, which
// make no listing, write the extraction error block.
TEST_F(SessionTest, MissingArchiverEmptiesTheListing) {
  const std::string archive = QuarterlyArchive();
  TempDir no_programs;
  ScopedEnv path("PATH", no_programs.path());
  Session without(work.path(), no_programs.path(), clock);
  struct Case {
    Variant variant;
    UnrarOutcome outcome;
  };
  for (const Case& c :
       {Case{Variant::Quarterly, UnrarOutcome::ListingRefused}, Case{Variant::Monthly, UnrarOutcome::ListingRefused},
        Case{Variant::Annual, UnrarOutcome::ExtractionFailed}}) {
    Protocol out;
    EXPECT_EQ(without.UnRar(c.variant, archive, out, port), c.outcome);
    if (c.outcome == UnrarOutcome::ListingRefused) {
      EXPECT_EQ(test::FaultTexts(out),
                (std::vector<std::string>{"О Ш И Б К А  ПРИ  Р А С П А К О В К Е!!!",
                                          "неправильно создан архив (в архиве должно быть только 4 файла!)"}));
      EXPECT_EQ(test::ReadBytes(work / "rev5_list"), "");
    } else {
      EXPECT_EQ(test::FaultTexts(out).size(), 8u);
    }
    EXPECT_NE(without.archiver_message().find("could not be started"), std::string::npos) << without.archiver_message();
  }
}

}  // namespace
}  // namespace zentrox
