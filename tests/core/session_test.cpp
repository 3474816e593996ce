#include <gtest/gtest.h>

#include <filesystem>

#include "data/files.h"
#include "intake/command_runner.h"
#include "intake/session.h"
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
  std::string t = Record({"1", "2026", "3", "12", "1234567", "", "POPA ION", "01.10.2026", "1", "0", "0", "0", "0", "0"});
  std::string ip = Record({"1", "1", "0", "0", "0", "0", "0"});
  std::string na = Record({"1", "1", "12345678901", "POPA", "ION", "", "", "", "", "", "", "", ""});
  std::string sd = Record({"1", "1", "13", "", "", "", "", "", "0", "0", "0", "0", "0"});
};

class SessionTest : public ::testing::Test {
 protected:
  SessionTest() : clock(test::D(8, 12, 2026), true), session(work.path(), ZENTROX_BIN_DIR, clock) {
    test::CopyDictionaries(work.path());
  }

  // Packs `files` (name -> UTF-8 content) into `archive` with our archiver.
  std::string Pack(const std::string& archive_name, const std::vector<std::pair<std::string, std::string>>& files,
                   const std::string& subdir = "") {
    std::string src = source.path() + subdir;
    fs::create_directories(src);
    std::vector<std::string> args = {"a", src + archive_name};
    for (const auto& [name, content] : files) {
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
  EXPECT_EQ(protocol.lines()[0].style.color, kBlue);
}

TEST_F(SessionTest, RefusedNameTouchesNothingAndClearsTheSharedName) {
  std::string archive = QuarterlyArchive("REV5_1234567_00001.rar");
  test::WriteBytes(work / "rev5_t", "old");
  EXPECT_EQ(session.UnRar(Variant::Quarterly, archive, protocol, port), UnrarOutcome::NameRefused);
  EXPECT_EQ(test::FaultTexts(protocol),
            (std::vector<std::string>{"ОШИБКА В ИМЕНИ ПАКЕТА (Длина должна равняться 30)!!!)", "длина ИМЕНИ ПАКЕТА =22"}));
  EXPECT_EQ(test::ReadBytes(work / "rev5_t"), "old");
  EXPECT_EQ(session.shared_package_name(), "");
  EXPECT_EQ(session.window(Variant::Quarterly).archive_path, archive);  // the path stays set
}

TEST_F(SessionTest, ListingRefusesAFifthEntry) {
  Package p;
  std::string archive = Pack("REV5_1234567_00001_2026T03.rar", {{"rev5_t", p.t},
                                                                {"rev5_ip", p.ip},
                                                                {"rev5_na", p.na},
                                                                {"rev5_sd", p.sd},
                                                                {"notes", "x"}});
  EXPECT_EQ(session.UnRar(Variant::Monthly, archive, protocol, port), UnrarOutcome::ListingRefused);
  EXPECT_EQ(test::FaultTexts(protocol).back(), "неправильно создан архив (в архиве должно быть только 4 файла!)");
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
  EXPECT_EQ(test::Texts(protocol).back(), "пакет распакован в рабочий каталог " + work.path());
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
  std::string archive = Pack("REV5_1234567_00005.rar", {{"rev5_pl", "1°"}, {"rev5_na", "1°"}, {"rev5_sd", "1°"},
                                                        {"rev5_di", "1°"}, {"rev5_mu", "1°"}});
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
  EXPECT_EQ(test::Texts(second)[3], "б) возможно неправильно создан архив (в архиве должно быть 5 файлов)");
  EXPECT_EQ(session.Marker(Variant::AnnualOld), archive);  // the earlier path stays
  EXPECT_FALSE(InWork("rev5_pl"));                          // deleted before extracting
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
  EXPECT_EQ(test::Texts(annual)[2], "Распакован пакет REV5_1234567_00001_2026T03.rar");
}

TEST_F(SessionTest, SecondControlFindsTheFilesGone) {
  ASSERT_EQ(session.UnRar(Variant::Quarterly, QuarterlyArchive(), protocol, port), UnrarOutcome::Unpacked);
  EXPECT_EQ(session.Control(Variant::Quarterly, protocol).outcome, RunOutcome::Completed);
  for (const char* f : {"rev5_t", "rev5_ip", "rev5_na", "rev5_sd"}) EXPECT_FALSE(InWork(f)) << f;
  EXPECT_EQ(session.Control(Variant::Quarterly, protocol).outcome, RunOutcome::EndedEarly);
  EXPECT_EQ(test::Texts(protocol).back(), "отсутствуют нужные файлы из пакета ");
}

}  // namespace
}  // namespace zentrox
