// The archive format library: writer, header scanner, name rules.
#include "crc32.h"
#include "entry_names.h"
#include "rar4_writer.h"
#include "rar_headers.h"
#include "rar_test_support.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <clocale>

namespace zentrox::rar::test {
namespace {

using rar4::Entry;
using rar4::EntryKind;

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// The four package files of the probe archives, as the fixture README gives them.
std::vector<Entry> probe_entries() {
  const std::uint32_t probe_time = 0x5D8804C6;  // as stored in the probe archive
  return {{"rev5_t", cp1251("Заголовок;1;2;3\r\n"), EntryKind::File, 0, probe_time, {}, {}},
          {"rev5_ip", cp1251(repeat("Иванов;Иван;100.50\r\n", 50)), EntryKind::File, 0, probe_time, {}, {}},
          {"rev5_na", "NA;1\r\n", EntryKind::File, 0, probe_time, {}, {}},
          {"rev5_sd", "SD;2\r\n", EntryKind::File, 0, probe_time, {}, {}}};
}

HeaderScan scan_bytes(const std::string& bytes) {
  TempDir dir;
  write_file(dir / "a.rar", bytes);
  return scan_headers(dir / "a.rar");
}

TEST(Rar4Writer, ReproducesTheProbeArchiveByteForByte) {
  if (fixtures().empty()) GTEST_SKIP() << "no fixtures";
  const std::vector<Entry> entries = probe_entries();
  const std::vector<std::uint32_t> readme_crcs{0x94F75B41, 0xFB6F1388, 0xB6FBDC12, 0xC315FC7E};
  for (std::size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(crc32(entries[i].data), readme_crcs[i]) << i;
  EXPECT_EQ(rar4::build_archive(entries), read_file(fixtures() / "probe_stored4_pkgnames.rar"));
}

TEST(HeaderScan, ReadsBackWhatTheWriterWrote) {
  // "Жa" as a RAR 4 Unicode name: legacy "?a", NUL, high byte 0x04, flags 01 00, bytes 0x16 'a'.
  const std::string unicode_name(
      "?a\0\x04\x40\x16"
      "a",
      7);
  const std::vector<Entry> entries{
      {"dir\\plain.txt", "plain data"},
      {"folder", "", EntryKind::Directory},
      {"secret", "xx", EntryKind::File, rar4::kPassword},
      {"part", "yy", EntryKind::File, rar4::kSplitAfter},
      {unicode_name, "u", EntryKind::File, rar4::kUnicodeName},
  };
  const HeaderScan scan = scan_bytes(rar4::build_archive(entries));
  ASSERT_EQ(scan.format, ArchiveFormat::Rar4);
  EXPECT_TRUE(scan.complete);
  ASSERT_EQ(scan.entries.size(), 5u);
  EXPECT_EQ(scan.entries[0].name, "dir\\plain.txt");
  EXPECT_EQ(scan.entries[0].data_crc, crc32("plain data"));
  EXPECT_EQ(scan.entries[0].unpacked_size, 10u);
  EXPECT_TRUE(scan.entries[1].directory);
  EXPECT_FALSE(scan.entries[1].data_crc);
  EXPECT_TRUE(scan.entries[2].encrypted);
  EXPECT_FALSE(scan.entries[3].data_crc) << "a split part's CRC covers only that part";
  EXPECT_EQ(scan.entries[4].name, "Жa");

  HeaderMatcher matcher(scan.entries);
  EXPECT_EQ(matcher.match("dir/plain.txt"), &scan.entries[0]);
  EXPECT_EQ(matcher.match("folder/"), &scan.entries[1]);
  EXPECT_EQ(matcher.match("dir/plain.txt"), nullptr) << "matches move forward only";
  EXPECT_THROW(rar4::encode_file_header({std::string(70000, 'n')}), std::length_error);
}

TEST(HeaderScan, DecodesRar4UnicodeNames) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"plain-utf8-Ж", "plain-utf8-Ж"},                                      // no NUL: UTF-8 as is
      {std::string("abcdef\0\x00\xC0\x02", 10), "abcd"},                     // run of 4 copied from legacy
      {std::string("ab\0\x04\x80\x16\x04", 7), "Ж"},                         // full 16-bit unit
      {std::string("\xB6\0\x04\xC0\x80\x60", 6), "Ж"},                       // shifted run: 0xB6+0x60
      {std::string("x\0\x00\xA0\x3D\xD8\xDE\xDE", 8), "\xF0\x9F\x9B\x9E"}};  // surrogate pair
  for (const auto& [raw, expected] : cases) EXPECT_EQ(decode_rar4_unicode_name(raw), expected);
}

TEST(HeaderScan, DamageStopsTheScan) {
  const std::string good = rar4::build_archive({{"a.txt", std::string(100, 'a')}, {"b.txt", "bb"}});
  const std::size_t second_header = 7 + 13 + 32 + 5 + 100;
  const std::size_t end_block = good.size() - 7;
  std::string flipped = good;
  flipped[7 + 13 + 20] ^= 1;  // inside the first file header
  const std::vector<std::pair<std::string, bool>> cases{
      {good, true},
      {good.substr(0, end_block), true},  // no end block is fine
      {good.substr(0, second_header), true},
      {good.substr(0, 15), false},                  // inside the main header
      {good.substr(0, second_header - 50), false},  // inside data
      {good.substr(0, second_header + 10), false},  // inside a file header
      {flipped, false},
  };
  for (std::size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(scan_bytes(cases[i].first).complete, cases[i].second) << "case " << i;
}

TEST(HeaderScan, AgreesWithLibarchiveOnFixtureNames) {
  if (fixtures().empty()) GTEST_SKIP() << "no fixtures";
  std::setlocale(LC_ALL, "C.UTF-8");
  int compared = 0;
  for (const auto& file : fs::directory_iterator(fixtures())) {
    if (file.path().extension() != ".rar") continue;
    const HeaderScan scan = scan_headers(file.path().string());
    if (!scan.complete) continue;
    HeaderMatcher matcher(scan.entries);
    archive* a = archive_read_new();
    archive_read_support_format_rar(a);
    archive_read_support_format_rar5(a);
    ASSERT_EQ(archive_read_open_filename(a, file.path().c_str(), 65536), ARCHIVE_OK);
    archive_entry* e = nullptr;
    while (archive_read_next_header(a, &e) == ARCHIVE_OK) {
      const std::string name = archive_entry_pathname_utf8(e);
      const HeaderEntry* h = matcher.match(name);
      ASSERT_NE(h, nullptr) << file.path() << ": " << name;
      EXPECT_EQ(h->directory, archive_entry_filetype(e) == AE_IFDIR) << name;
      ++compared;
    }
    archive_read_free(a);
  }
  EXPECT_GT(compared, 80);
}

TEST(EntryNames, BaseNameAndSafety) {
  const std::vector<std::tuple<std::string, std::string, bool>> cases{
      {"rev5_t", "rev5_t", true},
      {"rev5_t.", "rev5_t", true},
      {"a/b\\rev5_ip..", "rev5_ip", true},
      {"../../etc/passwd", "passwd", true},
      {"C:\\x\\..", "", false},
      {"dir/", "", false},
      {".", "", false},
      {"a/.rc", ".rc", true},
      {"new\nline", "new\nline", false},
  };
  for (const auto& [stored, base, safe] : cases) {
    EXPECT_EQ(base_name(stored), base) << stored;
    EXPECT_EQ(is_safe_base_name(base_name(stored)), safe) << stored;
  }
  EXPECT_EQ(printable("a\nb\x7F"), "a?b?");
}

// The eight-byte steps of the CRC agree with the plain bitwise definition for
// every length and every split of the data into two updates.
TEST(Crc32, AgreesWithBitwiseDefinitionAtEverySplit) {
  EXPECT_EQ(crc32("123456789"), 0xCBF43926u);
  std::string data(300, '\0');
  std::uint32_t x = 12345;
  for (char& c : data) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  auto bitwise = [](std::string_view s) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (char ch : s) {
      c ^= static_cast<unsigned char>(ch);
      for (int bit = 0; bit < 8; ++bit) c = (c & 1u) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    }
    return ~c;
  };
  const std::string_view all(data);
  for (std::size_t length = 0; length <= all.size(); length += 7) {
    const std::uint32_t expected = bitwise(all.substr(0, length));
    for (std::size_t split = 0; split <= length; ++split) {
      Crc32 crc;
      crc.update(all.substr(0, split));
      crc.update(all.substr(split, length - split));
      ASSERT_EQ(crc.value(), expected) << "length " << length << " split " << split;
    }
  }
}

}  // namespace
}  // namespace zentrox::rar::test
