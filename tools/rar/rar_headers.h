// Reads the file headers of RAR 1.5-4.x and RAR 5 archives without touching
// the data: names, the CRC32 each header records for the unpacked data, and
// whether data or headers are encrypted.
//
// The extractor needs this because the archive library does not compare the
// CRC of stored entries, and it does not flag every encrypted RAR 5 entry.
// The scan never fails on a damaged archive: it stops at the first header it
// cannot trust and returns what it read so far.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zentrox::rar {

struct HeaderEntry {
  std::string name;                       // UTF-8 when the archive says so; legacy RAR 4 names as raw bytes
  std::optional<std::uint32_t> data_crc;  // absent when the header gives no whole-file CRC32
  std::uint64_t unpacked_size = 0;
  bool encrypted = false;
  bool directory = false;
  bool stored = false;            // data kept as it is, without compression
  std::uint64_t data_offset = 0;  // where the entry's packed data starts in the file
  std::uint64_t packed_size = 0;
};

enum class ArchiveFormat { Unknown, Rar4, Rar5 };

struct HeaderScan {
  ArchiveFormat format = ArchiveFormat::Unknown;
  bool headers_encrypted = false;
  bool complete = false;         // reached the end block or a clean end of file
  bool end_block = false;        // the archive's own end-of-archive block was there
  std::uint64_t stopped_at = 0;  // offset of the untrusted header when not complete
  std::vector<HeaderEntry> entries;
};

HeaderScan scan_headers(const std::string& path);
HeaderScan scan_headers_fd(int fd);

// Decodes the RAR 4 two-part name (legacy bytes, NUL, compressed UTF-16) into UTF-8.
std::string decode_rar4_unicode_name(std::string_view raw);

// Pairs the entries an archive reader returns, in order, with scanned headers
// by name. Names are compared with '\' read as '/' and trailing '/' removed.
class HeaderMatcher {
 public:
  explicit HeaderMatcher(const std::vector<HeaderEntry>& entries) : entries_(entries) {}
  // The next scanned entry with this name at or after the previous match,
  // or nullptr when there is none (the caller then has no CRC to compare).
  const HeaderEntry* match(std::string_view name);
  // The scanned entry right after the last match when it carries the same
  // name, or nullptr. The RAR 4 reader of the archive library takes such an
  // entry for the continuation of the one before and returns it without a
  // name, size or data; this is its header.
  const HeaderEntry* repeated();

 private:
  const std::vector<HeaderEntry>& entries_;
  std::size_t next_ = 0;
};

}  // namespace zentrox::rar
