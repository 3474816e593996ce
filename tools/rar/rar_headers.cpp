#include "rar_headers.h"

#include "base/utf8.h"
#include "crc32.h"
#include "rar4_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace zentrox::rar {
namespace {

constexpr std::string_view kSignatureStem{"Rar!\x1A\x07", 6};
constexpr std::size_t kSignatureSearchLimit = 1u << 20;  // self-extracting stubs are smaller
constexpr std::uint64_t kMaxRar5HeaderSize = 2u << 20;   // the format's own limit

// Positional reads from a descriptor; a short read means end of file.
class Source {
 public:
  explicit Source(int fd) : fd_(fd) {
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) size_ = static_cast<std::uint64_t>(st.st_size);
  }
  std::uint64_t size() const { return size_; }
  bool read(std::uint64_t offset, std::size_t count, std::string& out) const {
    out.assign(count, '\0');
    std::size_t done = 0;
    while (done < count) {
      const ssize_t n = pread(fd_, out.data() + done, count - done, static_cast<off_t>(offset + done));
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    out.resize(done);
    return done == count;
  }

 private:
  int fd_;
  std::uint64_t size_ = 0;
};

std::uint16_t le16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}

std::uint32_t le32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(le16(b, at)) | (static_cast<std::uint32_t>(le16(b, at + 2)) << 16);
}

// RAR 5 variable-length integer: 7 bits per byte, low bits first, at most 10 bytes.
std::optional<std::uint64_t> read_vint(std::string_view b, std::size_t& at) {
  std::uint64_t value = 0;
  for (int i = 0; i < 10 && at < b.size(); ++i) {
    const auto byte = static_cast<unsigned char>(b[at++]);
    value |= static_cast<std::uint64_t>(byte & 0x7F) << (7 * i);
    if ((byte & 0x80) == 0) return value;
  }
  return std::nullopt;
}

std::string utf16_to_utf8(const std::vector<std::uint16_t>& units) {
  std::string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    std::uint32_t cp = units[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    zentrox::AppendCodePoint(static_cast<char32_t>(cp), out);
  }
  return out;
}

std::string normalized(std::string_view name) {
  std::string out(name);
  std::replace(out.begin(), out.end(), '\\', '/');
  while (!out.empty() && out.back() == '/') out.pop_back();
  return out;
}

void scan_rar4(const Source& src, std::uint64_t pos, HeaderScan& scan) {
  using namespace rar4;
  std::string head;
  std::string block;
  for (;;) {
    scan.stopped_at = pos;
    if (pos == src.size()) {  // a missing end block is not an error
      scan.complete = true;
      return;
    }
    if (!src.read(pos, 7, head)) return;
    const std::uint8_t type = static_cast<unsigned char>(head[2]);
    const std::uint16_t flags = le16(head, 3);
    const std::uint16_t head_size = le16(head, 5);
    if (head_size < 7 || !src.read(pos, head_size, block)) return;
    std::uint64_t add_size = 0;
    if ((flags & kLongBlock) != 0) {
      if (head_size < 11) return;
      add_size = le32(block, 7);
    }
    if (type == kMainHeader && (flags & kMainHeadersEncrypted) != 0) {
      scan.headers_encrypted = true;
      return;
    }
    if (type == kEndBlock) {
      scan.complete = true;
      scan.end_block = true;
      return;
    }
    if (type == kFileHeader) {
      if (head_size < kFileHeaderFixedSize || header_crc(std::string_view(block).substr(2)) != le16(block, 0)) return;
      std::size_t name_at = kFileHeaderFixedSize;
      if ((flags & kLargeFile) != 0) {
        if (head_size < kFileHeaderFixedSize + 8) return;
        add_size |= static_cast<std::uint64_t>(le32(block, name_at)) << 32;
        name_at += 8;
      }
      const std::size_t name_size = le16(block, 26);
      if (name_at + name_size > head_size) return;
      HeaderEntry e;
      const std::string_view raw = std::string_view(block).substr(name_at, name_size);
      e.name = (flags & kUnicodeName) != 0 ? decode_rar4_unicode_name(raw) : std::string(raw);
      e.unpacked_size = le32(block, 11);
      if ((flags & kLargeFile) != 0) e.unpacked_size |= static_cast<std::uint64_t>(le32(block, 36)) << 32;
      e.encrypted = (flags & kPassword) != 0;
      e.directory = (flags & kDirectoryMask) == kDirectoryMask;
      e.stored = static_cast<unsigned char>(block[25]) == kMethodStore;
      e.data_offset = pos + head_size;
      e.packed_size = add_size;
      // A part of a file split over volumes records the CRC of that part only.
      if ((flags & (kSplitBefore | kSplitAfter)) == 0 && !e.directory) e.data_crc = le32(block, 16);
      scan.entries.push_back(std::move(e));
    }
    const std::uint64_t next = pos + head_size + add_size;
    if (next > src.size()) return;  // truncated data
    pos = next;
  }
}

void parse_rar5_file(std::string_view h, std::size_t at, std::uint64_t header_flags, std::uint64_t extra_size,
                     std::uint64_t data_offset, std::uint64_t data_size, HeaderScan& scan) {
  const auto file_flags = read_vint(h, at);
  const auto unpacked = read_vint(h, at);
  const auto attributes = read_vint(h, at);
  if (!file_flags || !unpacked || !attributes) return;
  if ((*file_flags & 0x0002) != 0) at += 4;  // mtime
  std::optional<std::uint32_t> crc;
  if ((*file_flags & 0x0004) != 0) {
    if (at + 4 > h.size()) return;
    crc = le32(h, at);
    at += 4;
  }
  const auto compression = read_vint(h, at);
  const auto host = read_vint(h, at);
  const auto name_size = read_vint(h, at);
  if (!compression || !host || !name_size || *name_size > h.size() - std::min(at, h.size())) return;
  HeaderEntry e;
  e.name.assign(h.substr(at, static_cast<std::size_t>(*name_size)));
  e.unpacked_size = *unpacked;
  e.directory = (*file_flags & 0x0001) != 0;
  e.stored = ((*compression >> 7) & 0x7) == 0;  // method 0: stored
  e.data_offset = data_offset;
  e.packed_size = data_size;
  // 0x0008 / 0x0010: data continues from / in another volume.
  if ((header_flags & 0x0018) == 0 && !e.directory) e.data_crc = crc;
  if (extra_size > 0 && extra_size <= h.size()) {
    std::size_t x = h.size() - static_cast<std::size_t>(extra_size);
    while (x < h.size()) {
      const auto record_size = read_vint(h, x);
      if (!record_size || *record_size == 0 || *record_size > h.size() - x) break;
      const std::size_t record_end = x + static_cast<std::size_t>(*record_size);
      const auto record_type = read_vint(h, x);
      if (record_type && *record_type == 0x01) e.encrypted = true;
      x = record_end;
    }
  }
  scan.entries.push_back(std::move(e));
}

void scan_rar5(const Source& src, std::uint64_t pos, HeaderScan& scan) {
  std::string head;
  std::string block;
  for (;;) {
    scan.stopped_at = pos;
    if (pos == src.size()) {
      scan.complete = true;
      return;
    }
    src.read(pos, 14, head);  // CRC32 plus the longest size field
    std::size_t at = 4;
    const auto header_size = read_vint(head, at);
    if (!header_size || *header_size == 0 || *header_size > kMaxRar5HeaderSize) return;
    const std::size_t size_field = at - 4;
    if (!src.read(pos + 4, size_field + static_cast<std::size_t>(*header_size), block)) return;
    if (crc32(block) != le32(head, 0)) return;
    const std::string_view h = std::string_view(block).substr(size_field);
    at = 0;
    const auto type = read_vint(h, at);
    const auto flags = read_vint(h, at);
    if (!type || !flags) return;
    std::uint64_t extra_size = 0;
    std::uint64_t data_size = 0;
    if ((*flags & 0x0001) != 0) {
      const auto v = read_vint(h, at);
      if (!v) return;
      extra_size = *v;
    }
    if ((*flags & 0x0002) != 0) {
      const auto v = read_vint(h, at);
      if (!v) return;
      data_size = *v;
    }
    const std::uint64_t header_end = pos + 4 + size_field + *header_size;
    switch (*type) {
      case 2: parse_rar5_file(h, at, *flags, extra_size, header_end, data_size, scan); break;
      case 4:  // archive encryption header: everything after it is encrypted
        scan.headers_encrypted = true;
        return;
      case 5:
        scan.complete = true;
        scan.end_block = true;
        return;
      default:  // main archive header, service headers
        break;
    }
    if (data_size > src.size() || header_end + data_size > src.size()) return;
    pos = header_end + data_size;
  }
}

}  // namespace

std::string decode_rar4_unicode_name(std::string_view raw) {
  const std::size_t nul = raw.find('\0');
  if (nul == std::string_view::npos) return std::string(raw);  // already UTF-8
  const std::string_view legacy = raw.substr(0, nul);
  const std::string_view enc = raw.substr(nul + 1);
  auto byte = [&](std::size_t i) { return static_cast<std::uint16_t>(static_cast<unsigned char>(enc[i])); };
  std::vector<std::uint16_t> out;
  const std::size_t limit = raw.size();
  std::size_t pos = 0;
  if (enc.empty()) return std::string(legacy);
  const std::uint16_t high = static_cast<std::uint16_t>(byte(pos++) << 8);
  unsigned flags = 0;
  int flag_bits = 0;
  while (pos < enc.size() && out.size() < limit) {
    if (flag_bits == 0) {
      flags = byte(pos++);
      flag_bits = 8;
    }
    switch (flags >> 6) {
      case 0:  // low byte, high byte zero
        if (pos >= enc.size()) return utf16_to_utf8(out);
        out.push_back(byte(pos++));
        break;
      case 1:  // low byte, shared high byte
        if (pos >= enc.size()) return utf16_to_utf8(out);
        out.push_back(static_cast<std::uint16_t>(byte(pos++) | high));
        break;
      case 2:  // full 16-bit unit
        if (pos + 1 >= enc.size()) return utf16_to_utf8(out);
        out.push_back(static_cast<std::uint16_t>(byte(pos) | (byte(pos + 1) << 8)));
        pos += 2;
        break;
      default: {  // a run copied from the legacy name, optionally shifted
        if (pos >= enc.size()) return utf16_to_utf8(out);
        const unsigned length = byte(pos++);
        unsigned count = (length & 0x7F) + 2;
        std::uint16_t correction = 0;
        const bool shifted = (length & 0x80) != 0;
        if (shifted) {
          if (pos >= enc.size()) return utf16_to_utf8(out);
          correction = byte(pos++);
        } else {
          count = length + 2;
        }
        for (; count > 0 && out.size() < legacy.size(); --count) {
          const auto c = static_cast<std::uint16_t>(static_cast<unsigned char>(legacy[out.size()]));
          out.push_back(shifted ? static_cast<std::uint16_t>(((c + correction) & 0xFF) | high) : c);
        }
        break;
      }
    }
    flags = (flags << 2) & 0xFF;
    flag_bits -= 2;
  }
  return utf16_to_utf8(out);
}

HeaderScan scan_headers_fd(int fd) {
  Source src(fd);
  std::string start;
  src.read(0, static_cast<std::size_t>(std::min<std::uint64_t>(src.size(), kSignatureSearchLimit)), start);
  // A self-extracting stub may contain the signature bytes itself: the first
  // candidate whose headers read through to the end wins.
  HeaderScan first;
  for (std::size_t at = start.find(kSignatureStem); at != std::string::npos && at + 8 <= start.size();
       at = start.find(kSignatureStem, at + 1)) {
    HeaderScan scan;
    if (start[at + 6] == '\0') {
      scan.format = ArchiveFormat::Rar4;
      scan_rar4(src, at + 7, scan);
    } else if (start[at + 6] == '\x01' && start[at + 7] == '\0') {
      scan.format = ArchiveFormat::Rar5;
      scan_rar5(src, at + 8, scan);
    } else {
      continue;
    }
    if (scan.complete || scan.headers_encrypted) return scan;
    if (first.format == ArchiveFormat::Unknown) first = std::move(scan);
  }
  return first;
}

HeaderScan scan_headers(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  HeaderScan scan = scan_headers_fd(fd);
  close(fd);
  return scan;
}

const HeaderEntry* HeaderMatcher::match(std::string_view name) {
  const std::string wanted = normalized(name);
  for (std::size_t i = next_; i < entries_.size(); ++i) {
    if (normalized(entries_[i].name) == wanted) {
      next_ = i + 1;
      return &entries_[i];
    }
  }
  return nullptr;
}

const HeaderEntry* HeaderMatcher::repeated() {
  if (next_ == 0 || next_ >= entries_.size()) return nullptr;
  if (normalized(entries_[next_].name) != normalized(entries_[next_ - 1].name)) return nullptr;
  return &entries_[next_++];
}

}  // namespace zentrox::rar
