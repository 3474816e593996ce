// The Rar program, run as a child process in a private directory per test.
#include "crc32.h"
#include "entry_names.h"
#include "rar4_writer.h"
#include "rar_test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <set>
#include <thread>

namespace zentrox::rar::test {
namespace {

using rar4::Entry;
using rar4::EntryKind;
using Files = std::map<std::string, std::string>;  // base name -> content

class RarCli : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(out_); }

  fs::path archive(const std::string& name, const std::vector<Entry>& entries) {
    const fs::path p = work_ / name;
    write_file(p, rar4::build_archive(entries));
    return p;
  }
  fs::path fixture(const std::string& name) {
    const fs::path p = work_ / name;
    fs::copy_file(fixtures() / name, p);
    return p;
  }
  RunResult extract(const fs::path& arc, std::vector<std::string> names = {},
                    const std::map<std::string, std::string>& env = {}) {
    std::vector<std::string> args{"e", "-y", arc.string()};
    args.insert(args.end(), names.begin(), names.end());
    args.push_back(out_.string());
    return run_rar(args, work_, env);
  }
  Files extracted() const {
    Files files;
    for (const auto& e : fs::directory_iterator(out_)) {
      EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(e.path()))) << e.path();
      files[e.path().filename().string()] = read_file(e.path());
    }
    return files;
  }
  // Rar may write only into out_: the work directory holds the archive(s) and out_.
  void expect_nothing_outside_out(const std::set<std::string>& inputs) const {
    std::set<std::string> top;
    for (const auto& e : fs::directory_iterator(work_)) top.insert(e.path().filename().string());
    std::set<std::string> expected = inputs;
    expected.insert("out");
    EXPECT_EQ(top, expected);
  }

  TempDir dir_;
  fs::path work_ = dir_.dir();
  fs::path out_ = dir_ / "out";
};

std::string binary_text(std::size_t size) {
  const std::string line = cp1251("Иванов;Иван;100.50\r\n");
  std::string s;
  for (std::size_t i = 0; s.size() < size; ++i) s += (i % 7 == 6) ? std::string(1, static_cast<char>(i)) : line;
  s.resize(size);
  return s;
}

TEST_F(RarCli, UsageErrorsExit2) {
  const std::vector<std::vector<std::string>> cases{{},
                                                    {"x"},
                                                    {"l"},
                                                    {"l", "a.rar", "b"},
                                                    {"e", "a.rar"},
                                                    {"e", "-y"},
                                                    {"e", "-q", "a.rar", "out"},
                                                    {"a", "a.rar"},
                                                    {"e", "-y", "a.rar", "", "out"}};
  for (const auto& args : cases) {
    const RunResult r = run_rar(args, work_);
    EXPECT_EQ(r.exit_code, 2) << ::testing::PrintToString(args);
    EXPECT_NE(r.err.find("usage: Rar"), std::string::npos);
  }
  const fs::path arc = archive("a.rar", {{"f", "x"}});
  EXPECT_EQ(extract(arc, {}, {{"ZENTROX_RAR_MAX_BYTES", "12k"}}).exit_code, 2);
}

TEST_F(RarCli, ListingShowsBaseNamesInColumnsTwoToNine) {
  const fs::path arc = archive("names.rar", {{"rev5_t.", "abc"},
                                             {"dir/sub\\rev5_ip", std::string(1000, 'i')},
                                             {"a_rather_long_name.txt", ""},
                                             {"evil\n-----\n fake", "x"},
                                             {"folder", "", EntryKind::Directory}});
  const RunResult r = run_rar({"l", arc.string()}, work_);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const std::vector<std::string> rows = listing_rows(r.out);
  const std::vector<std::string> names{"rev5_t", "rev5_ip", "a_rather_long_name.txt", "evil?-----? fake", "folder"};
  ASSERT_EQ(rows.size(), names.size()) << r.out;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::string columns = names[i].substr(0, 8);
    columns.resize(8, ' ');
    EXPECT_EQ(rows[i].substr(1, 8), columns);
    EXPECT_EQ(rows[i].rfind(" " + names[i] + " ", 0), 0u) << rows[i];
  }
  EXPECT_NE(rows[1].find(" 1000 "), std::string::npos) << rows[1];
}

TEST_F(RarCli, ListsFixtureEntries) {
  if (fixtures().empty()) GTEST_SKIP() << "no fixtures";
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases{
      {"probe_stored4_pkgnames.rar", {"rev5_t", "rev5_ip", "rev5_na", "rev5_sd"}},
      {"probe_rar5_pkgnames.rar", {"rev5_t", "rev5_ip", "rev5_na", "rev5_sd"}},
      {"test_read_format_rar.rar", {"test.txt", "testlink", "test.txt", "testdir", "testemptydir"}},
      {"test_read_format_rar5_zip_in_rar.rar", {"inner.zip", "real_after.txt", "payload"}},
      {"test_read_format_rar_unicode.rar",
       {"新規テキスト ドキュメント.txt", "漢字長いファイル名long-filename-in-漢字.txt", "新しいフォルダ", "表だよ",
        "ファイル", "abcdefghijklmnopqrsテスト.txt"}},
  };
  for (const auto& [file, names] : cases) {
    const RunResult r = run_rar({"l", (fixtures() / file).string()}, work_);
    ASSERT_EQ(r.exit_code, 0) << file << r.err;
    const std::vector<std::string> rows = listing_rows(r.out);
    ASSERT_EQ(rows.size(), names.size()) << r.out;
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].rfind(" " + names[i] + " ", 0), 0u) << rows[i];
  }
}

TEST_F(RarCli, CreateListExtractRoundTrip) {
  const Files files{{"empty.txt", ""}, {"one", "\xC0"}, {"big_ЗАГ.dat", binary_text(100000)}};
  fs::create_directories(work_ / "in");
  std::vector<std::string> args{"a", "round.rar"};
  for (const auto& [name, data] : files) {
    write_file(work_ / "in" / name, data);
    args.push_back("in/" + name);
  }
  const RunResult created = run_rar(args, work_);
  ASSERT_EQ(created.exit_code, 0) << created.err;

  const RunResult listed = run_rar({"l", "round.rar"}, work_);
  ASSERT_EQ(listed.exit_code, 0) << listed.err;
  const std::vector<std::string> rows = listing_rows(listed.out);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_NE(rows[0].find(" 100000 "), std::string::npos) << rows[0];
  EXPECT_NE(rows[1].find(" 0 "), std::string::npos) << rows[1];
  EXPECT_NE(rows[2].find(" 1 "), std::string::npos) << rows[2];

  const RunResult r = extract(work_ / "round.rar");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(extracted(), files);
}

TEST_F(RarCli, ExtractsFixtures) {
  if (fixtures().empty()) GTEST_SKIP() << "no fixtures";
  const std::string test_txt = "test text document\r\n";
  std::string ip;
  for (int i = 0; i < 50; ++i) ip += cp1251("Иванов;Иван;100.50\r\n");
  const Files probe{
      {"rev5_t", cp1251("Заголовок;1;2;3\r\n")}, {"rev5_ip", ip}, {"rev5_na", "NA;1\r\n"}, {"rev5_sd", "SD;2\r\n"}};
  // Expected content, or only the size where the content is long: "#<size>".
  const std::vector<std::pair<std::string, Files>> cases{
      {"probe_stored4_pkgnames.rar", probe},
      {"probe_rar5_pkgnames.rar", probe},
      {"test_read_format_rar.rar", {{"test.txt", test_txt}}},
      {"test_read_format_rar_noeof.rar", {{"test.txt", test_txt}}},
      {"test_read_format_rar_subblock.rar", {{"test.txt", test_txt}}},
      {"test_read_format_rar_compress_normal.rar", {{"LibarchiveAddingTest.html", "#20111"}, {"test.txt", test_txt}}},
      {"test_read_format_rar_compress_best.rar", {{"LibarchiveAddingTest.html", "#20111"}, {"test.txt", test_txt}}},
      {"test_read_format_rar_filter.rar", {{"bsdcat.exe", "#204288"}}},
      {"test_read_format_rar_windows.rar", {{"test.txt", "test text file\r\n"}, {"testshortcut.lnk", "#441"}}},
      {"test_read_format_rar_unicode.rar",
       {{"新規テキスト ドキュメント.txt", ""},
        {"漢字長いファイル名long-filename-in-漢字.txt", "kanji"},
        {"abcdefghijklmnopqrsテスト.txt", "#16"}}},
      {"test_read_format_rar5_stored.rar", {{"helloworld.txt", "hello libarchive test suite!\n"}}},
      {"test_read_format_rar5_compressed.rar", {{"test.bin", "#1200"}}},
      {"test_read_format_rar5_multiple_files_solid.rar",
       {{"test1.bin", "#4096"}, {"test2.bin", "#4096"}, {"test3.bin", "#4096"}, {"test4.bin", "#4096"}}},
      {"test_read_format_rar5_solid.rar",
       {{"test.bin", "#1200"},
        {"test1.bin", "#4096"},
        {"test2.bin", "#4096"},
        {"test3.bin", "#4096"},
        {"test4.bin", "#4096"},
        {"test5.bin", "#4096"},
        {"test6.bin", "#4096"}}},
      {"test_read_format_rar5_symlink.rar", {{"file.txt", "1234\n"}}},
      {"test_read_format_rar5_hardlink.rar", {{"file.txt", "#5"}}},
      {"test_read_format_rar5_unicode.rar", {{"👋🌎.txt", "#13"}}},
      {"test_read_format_rar5_zip_in_rar.rar", {{"inner.zip", "#165"}, {"real_after.txt", "#21"}}},
  };
  for (const auto& [file, expected] : cases) {
    fs::remove_all(out_);
    fs::create_directories(out_);
    const RunResult r = extract(fixtures() / file);
    ASSERT_EQ(r.exit_code, 0) << file << ": " << r.err;
    Files got = extracted();
    for (auto& [name, content] : got)
      if (expected.count(name) && expected.at(name).rfind('#', 0) == 0) content = "#" + std::to_string(content.size());
    EXPECT_EQ(got, expected) << file;
  }
}

TEST_F(RarCli, FailuresExitNonZeroAndWriteNothingOutsideDestination) {
  if (fixtures().empty()) GTEST_SKIP() << "no fixtures";
  struct Case {
    std::string file;
    int exit_code;               // 0: any non-zero exit or a signal is acceptable
    std::set<std::string> left;  // complete files extracted before the failure
  };
  const std::vector<Case> cases{
      {"probe_stored4_pkgnames_badcrc.rar", 3, {"rev5_t"}},
      {"probe_rar5_pkgnames_badcrc.rar", 3, {}},
      {"test_read_format_rar_multi_lzss_blocks.rar", 0, {}},  // valid, but libarchive 3.6.2 fails
      {"test_read_format_rar3_lowdist_reset.rar", 0, {}},     // likewise
      {"test_read_format_rar4_encrypted.rar", 5, {"a.txt"}},
      {"test_read_format_rar5_encrypted.rar", 5, {"a.txt"}},
      {"test_read_format_rar_encryption_data.rar", 5, {}},
      {"test_read_format_rar4_solid_encrypted.rar", 5, {}},
      {"test_read_format_rar5_solid_encrypted.rar", 5, {}},
      {"test_read_format_rar_encryption_header.rar", 5, {}},
      {"test_read_format_rar5_encrypted_filenames.rar", 5, {}},
      {"test_read_format_rar_invalid1.rar", 1, {}},
      {"test_read_format_rar_overflow.rar", 1, {}},
      {"test_read_format_rar_endarc_huge.rar", 1, {}},
      {"test_read_format_rar5_truncated_huff.rar", 1, {}},
      {"test_read_format_rar5_data_ready_pointer_leak.rar", 0, {}},
      {"test_rar_multivolume_single_file.part1.rar", 1, {}},
  };
  for (const Case& c : cases) {
    fs::remove_all(out_);
    fs::create_directories(out_);
    const RunResult r = extract(fixture(c.file));
    if (c.exit_code != 0) {
      EXPECT_EQ(r.exit_code, c.exit_code) << c.file << ": " << r.err;
    }
    EXPECT_TRUE(r.exit_code != 0) << c.file;
    std::set<std::string> left;
    for (const auto& [name, content] : extracted()) left.insert(name);
    if (r.signal == 0) {  // a crash inside libarchive may leave its temporary file behind
      EXPECT_FALSE(r.err.empty()) << c.file;
      EXPECT_EQ(left, c.left) << c.file;
    }
    expect_nothing_outside_out({c.file});
    fs::remove(work_ / c.file);
  }
}

TEST_F(RarCli, NonArchivesFail) {
  write_file(work_ / "empty.rar", "");
  write_file(work_ / "text.rar", "this is not an archive\n");
  write_file(work_ / "cut.rar", rar4::build_archive({{"a.txt", std::string(5000, 'a')}}).substr(0, 3000));
  fs::create_directories(work_ / "dir.rar");
  for (const std::string name : {"empty.rar", "text.rar", "cut.rar", "dir.rar", "missing.rar"}) {
    EXPECT_EQ(run_rar({"l", name}, work_).exit_code, 1) << name;
    const RunResult r = extract(work_ / name);
    EXPECT_EQ(r.exit_code, 1) << name;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(fs::is_empty(out_)) << name;
  }
}

TEST_F(RarCli, NameFilterExtractsOnlyNamedEntriesIgnoringCase) {
  const fs::path arc = archive("pkg.rar", {{"months.txt", "jan"},
                                           {"Rar", "not a program"},
                                           {"REV5_T", "t"},
                                           {"rev5_ip", "ip"},
                                           {"sub\\rev5_na", "na"},
                                           {"rev5_sd.", "sd"},
                                           {"Заголовок.txt", "ru"}});
  RunResult r = extract(arc, {"rev5_t", "Rev5_IP", "rev5_na", "rev5_sd"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(extracted(), (Files{{"rev5_t", "t"}, {"rev5_ip", "ip"}, {"rev5_na", "na"}, {"rev5_sd", "sd"}}));
  expect_nothing_outside_out({"pkg.rar"});

  // A requested name the archive lacks is no failure; the files are written
  // under the lower-case form of the name asked for.
  fs::remove_all(out_);
  fs::create_directories(out_);
  r = extract(arc, {"заГОЛОВОК.TXT", "rev5_ip", "missing"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << r.err;
  EXPECT_EQ(extracted(), (Files{{"заголовок.txt", "ru"}, {"rev5_ip", "ip"}}));
}

// Without its end block an archive may have been cut short: a requested name
// it lacks then fails the extraction instead of passing unnoticed.
TEST_F(RarCli, MissingNamesFailOnlyWithoutTheEndBlock) {
  const std::string whole = rar4::build_archive({{"rev5_t", "t"}, {"rev5_ip", "ip"}});
  const std::string cut = whole.substr(0, whole.size() - rar4::kEndBlockSize);
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<std::string> names;
    int exit_code;
  };
  for (const Case& c : {Case{"whole, one missing", whole, {"rev5_t", "rev5_ip", "rev5_na"}, 0},
                        Case{"no end block, none missing", cut, {"rev5_t", "rev5_ip"}, 0},
                        Case{"no end block, one missing", cut, {"rev5_t", "rev5_ip", "rev5_na"}, 1}}) {
    fs::remove_all(out_);
    fs::create_directories(out_);
    write_file(work_ / "m.rar", c.bytes);
    const RunResult r = extract(work_ / "m.rar", c.names);
    EXPECT_EQ(r.exit_code, c.exit_code) << c.what << ": " << r.err;
    if (c.exit_code != 0) {
      EXPECT_NE(r.err.find("rev5_na"), std::string::npos) << r.err;
    }
  }
}

// Several entries for one requested name: the same name again (which the
// archive library folds into the entry before it when they follow each
// other), another case, another stored folder. The last of them is what an
// overwriting extractor leaves, so it is what is written, once.
TEST_F(RarCli, LastEntryOfARequestedNameIsWrittenOnce) {
  const std::string valid = "valid content";
  const std::string damaged = "damaged\xB0\r\n";
  struct Case {
    const char* what;
    std::vector<Entry> entries;
    std::string expected;
  };
  const std::vector<Case> cases{
      {"same name twice in a row", {{"rev5_sd", valid}, {"rev5_sd", damaged}}, damaged},
      {"same name twice in a row, reversed", {{"rev5_sd", damaged}, {"rev5_sd", valid}}, valid},
      {"three in a row", {{"rev5_sd", "1"}, {"rev5_sd", "22"}, {"rev5_sd", damaged}}, damaged},
      {"names differing in case", {{"REV5_SD", valid}, {"rev5_sd", damaged}}, damaged},
      {"names differing in case, reversed", {{"rev5_sd", damaged}, {"Rev5_Sd", valid}}, valid},
      {"apart, other folders", {{"a/rev5_sd", valid}, {"rev5_t", "t"}, {"b\\REV5_SD.", damaged}}, damaged},
  };
  for (const Case& c : cases) {
    fs::remove_all(out_);
    fs::create_directories(out_);
    std::vector<Entry> entries = c.entries;
    entries.push_back({"rev5_na", "na"});
    const fs::path arc = archive("d.rar", entries);
    const RunResult r = extract(arc, {"rev5_sd", "rev5_na"});
    ASSERT_EQ(r.exit_code, 0) << c.what << ": " << r.err;
    EXPECT_EQ(extracted(), (Files{{"rev5_sd", c.expected}, {"rev5_na", "na"}})) << c.what;

    // The listing shows every entry by its name, the repeated ones too.
    const RunResult listed = run_rar({"l", arc.string()}, work_);
    ASSERT_EQ(listed.exit_code, 0) << listed.err;
    const std::vector<std::string> rows = listing_rows(listed.out);
    ASSERT_EQ(rows.size(), entries.size()) << listed.out;
    for (std::size_t i = 0; i < rows.size(); ++i)
      EXPECT_EQ(rows[i].rfind(" " + base_name(entries[i].name) + " ", 0), 0u) << c.what << ": " << rows[i];
  }
}

// A damaged entry among them fails the whole extraction, wherever it stands;
// a repeated entry the archive library cannot read apart is refused, never
// passed over for the copy before it.
TEST_F(RarCli, DamagedOrUnreadableRepeatedEntryFails) {
  const Entry bad_crc{"rev5_sd", "data", EntryKind::File, 0, rar4::kDefaultDosTime, {}, crc32("other")};
  struct Case {
    const char* what;
    std::string bytes;
    int exit_code;
    const char* reason;
  };
  rar4::FileHeaderFields packed = rar4::header_fields_for({"rev5_sd", "xxxx"});
  packed.method = 0x33;  // "compressed": the data is not stored as it is
  const std::string repeated_compressed = rar4::encode_archive_start() +
                                          rar4::encode_file_header(rar4::header_fields_for({"rev5_sd", "good"})) +
                                          "good" + rar4::encode_file_header(packed) + "xxxx" + rar4::encode_end_block();
  const std::vector<Case> cases{
      {"valid, then a CRC error", rar4::build_archive({{"rev5_sd", "good"}, bad_crc}), 3, "CRC error"},
      {"a CRC error, then valid", rar4::build_archive({bad_crc, {"rev5_sd", "good"}}), 3, "CRC error"},
      {"valid, then compressed", repeated_compressed, 1, "compressed"},
  };
  for (const Case& c : cases) {
    fs::remove_all(out_);
    fs::create_directories(out_);
    write_file(work_ / "c.rar", c.bytes);
    const RunResult r = extract(work_ / "c.rar", {"rev5_sd"});
    EXPECT_EQ(r.exit_code, c.exit_code) << c.what << ": " << r.err;
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << c.what << ": " << r.err;
  }
}

TEST_F(RarCli, EntryNamesNeverLeaveTheDestination) {
  const std::vector<std::tuple<std::string, int, std::string>> cases{
      {"../../escape.txt", 0, "escape.txt"},
      {"/abs/path/x", 0, "x"},
      {"dir\\..\\..\\y", 0, "y"},
      {"name.", 0, "name"},
      {"..", 7, ""},
      {"evil/..", 7, ""},
      {".", 7, ""},
      {"bad\nname", 7, ""},
  };
  for (const auto& [stored, exit_code, written] : cases) {
    fs::remove_all(out_);
    fs::create_directories(out_);
    const RunResult r = extract(archive("h.rar", {{stored, "payload"}}));
    EXPECT_EQ(r.exit_code, exit_code) << stored << r.err;
    EXPECT_EQ(extracted(), written.empty() ? Files{} : (Files{{written, "payload"}})) << stored;
    expect_nothing_outside_out({"h.rar"});
    EXPECT_FALSE(fs::exists(dir_.dir().parent_path() / "escape.txt"));
  }
}

TEST_F(RarCli, ReplacesPlantedSymlinkAndExistingFileWithoutFollowing) {
  write_file(work_ / "target.txt", "original");
  fs::create_symlink(work_ / "target.txt", out_ / "victim.txt");
  write_file(out_ / "old.txt", "old content that is longer");
  const RunResult r = extract(archive("v.rar", {{"victim.txt", "new"}, {"old.txt", "new2"}}));
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(read_file(work_ / "target.txt"), "original");
  EXPECT_EQ(extracted(), (Files{{"victim.txt", "new"}, {"old.txt", "new2"}}));
}

TEST_F(RarCli, LinkEntriesAreNeverCreated) {
  const fs::path arc = archive("l.rar", {{"a.txt", "A"}, {"link", "/etc/passwd", EntryKind::Symlink}});
  RunResult r = extract(arc);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(extracted(), (Files{{"a.txt", "A"}}));

  std::vector<std::pair<fs::path, std::string>> named_links{{arc, "LINK"}};
  if (!fixtures().empty()) {
    named_links.emplace_back(fixtures() / "test_read_format_rar5_symlink.rar", "symlink.txt");
    named_links.emplace_back(fixtures() / "test_read_format_rar5_hardlink.rar", "hardlink.txt");
    named_links.emplace_back(fixtures() / "test_read_format_rar.rar", "testlink");
  }
  for (const auto& [file, name] : named_links) {
    fs::remove_all(out_);
    fs::create_directories(out_);
    r = extract(file, {name});
    EXPECT_EQ(r.exit_code, 7) << file << r.err;
    EXPECT_TRUE(fs::is_empty(out_)) << file;
  }
}

TEST_F(RarCli, CrcMismatchFailsAndRemovesTheFile) {
  const fs::path arc = archive(
      "c.rar", {{"good", "fine"}, {"bad", "data", EntryKind::File, 0, rar4::kDefaultDosTime, {}, crc32("other")}});
  const RunResult r = extract(arc);
  EXPECT_EQ(r.exit_code, 3);
  EXPECT_NE(r.err.find("CRC"), std::string::npos) << r.err;
  EXPECT_EQ(extracted(), (Files{{"good", "fine"}}));
}

TEST_F(RarCli, SizeCapStopsExtraction) {
  const std::map<std::string, std::string> cap{{"ZENTROX_RAR_MAX_BYTES", "1000"}};
  const std::string k6(600, 'x');
  struct Case {
    std::vector<Entry> entries;
    int exit_code;
    Files left;
  };
  const std::vector<Case> cases{
      {{{"big", std::string(5000, 'b')}}, 4, {}},
      {{{"one", k6}, {"two", k6}}, 4, {{"one", k6}}},
      {{{"one", k6}, {"two", std::string(400, 'y')}}, 0, {{"one", k6}, {"two", std::string(400, 'y')}}},
      {{{"liar", std::string(5000, 'l'), EntryKind::File, 0, rar4::kDefaultDosTime, 10u, {}}}, 4, {}},
  };
  for (const Case& c : cases) {
    fs::remove_all(out_);
    fs::create_directories(out_);
    const RunResult r = extract(archive("s.rar", c.entries), {}, cap);
    EXPECT_EQ(r.exit_code, c.exit_code) << r.err;
    EXPECT_EQ(extracted(), c.left) << "no partial file, no temporary file";
  }
}

TEST_F(RarCli, PathsWithBlanks) {
  fs::create_directories(work_ / "my files");
  write_file(work_ / "my files" / "rev5_t", "t");
  ASSERT_EQ(run_rar({"a", "my files/pack age.rar", "my files/rev5_t"}, work_).exit_code, 0);
  const fs::path dest = work_ / "out dir";
  fs::create_directories(dest);
  const RunResult r = run_rar({"e", "-y", "my files/pack age.rar", "REV5_T", dest.string()}, work_);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(read_file(dest / "rev5_t"), "t");
}

TEST_F(RarCli, CreateRefusesWhatItCannotStore) {
  write_file(work_ / "ok", "ok");
  write_file(work_ / "huge", "");
  fs::resize_file(work_ / "huge", (1ull << 32) + 1);  // sparse: nothing is written to disk
  fs::create_directories(work_ / "folder");
  const std::vector<std::pair<std::vector<std::string>, int>> cases{
      {{"a", "x.rar", "ok", "huge"}, 7},     {{"a", "x.rar", "ok", "missing"}, 1},      {{"a", "x.rar", "folder"}, 1},
      {{"a", "no/such/dir/x.rar", "ok"}, 6}, {{"e", "-y", "x.rar", "no-such-dest"}, 6},
  };
  for (const auto& [args, exit_code] : cases) {
    EXPECT_EQ(run_rar(args, work_).exit_code, exit_code) << ::testing::PrintToString(args);
    EXPECT_FALSE(fs::exists(work_ / "x.rar"));
  }
}

// SIGINT ignored at the start (a background job) stays ignored; otherwise it
// ends the run, which removes its temporary file first. The run waits in
// `a`, opening a FIFO to read it, after it has made its temporary file.
TEST_F(RarCli, SigintIgnoredAtTheStartStaysIgnored) {
  for (const bool ignored : {true, false}) {
    TempDir dir;
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::signal(SIGINT, ignored ? SIG_IGN : SIG_DFL);
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      ::dup2(null, 2);
      ::execl(ZENTROX_RAR_PROGRAM, "Rar", "a", (dir / "x.rar").c_str(), fifo.c_str(), static_cast<char*>(nullptr));
      ::_exit(120);
    }
    auto temporary = [&] {
      return std::any_of(fs::directory_iterator(dir.dir()), fs::directory_iterator(), [](const fs::directory_entry& e) {
        return e.path().filename().string().rfind(".zentrox-rar-", 0) == 0;
      });
    };
    for (int i = 0; i < 3000 && !temporary(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(temporary());
    ::kill(pid, SIGINT);
    if (ignored) ::close(::open(fifo.c_str(), O_WRONLY));  // lets the run go on
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (ignored) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;  // a FIFO is no file to store
    } else {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    }
    EXPECT_FALSE(temporary());
  }
}

}  // namespace
}  // namespace zentrox::rar::test
