#include "rar4_writer.h"

#include "crc32.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace zentrox::rar4 {
namespace {

void put16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void put32(std::string& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

// Fills in HEAD_CRC (the first two bytes) once the rest of the header is final.
std::string finish_header(std::string header) {
  const std::uint16_t crc = header_crc(std::string_view(header).substr(2));
  header[0] = static_cast<char>(crc & 0xFF);
  header[1] = static_cast<char>(crc >> 8);
  return header;
}

}  // namespace

std::uint16_t header_crc(std::string_view header_from_type) {
  return static_cast<std::uint16_t>(rar::crc32(header_from_type) & 0xFFFF);
}

std::string encode_archive_start() {
  std::string out(kMarker.begin(), kMarker.end());
  std::string main;
  put16(main, 0);
  main.push_back(static_cast<char>(kMainHeader));
  put16(main, 0);
  put16(main, static_cast<std::uint16_t>(kMainHeaderSize));
  main.append(6, '\0');  // HighPosAV (2) and PosAV (4), unused
  return out + finish_header(std::move(main));
}

std::string encode_file_header(const FileHeaderFields& f) {
  const std::size_t size = kFileHeaderFixedSize + f.name.size();
  if (size > std::numeric_limits<std::uint16_t>::max()) throw std::length_error("entry name too long for a RAR header");
  std::string h;
  h.reserve(size);
  put16(h, 0);
  h.push_back(static_cast<char>(kFileHeader));
  put16(h, static_cast<std::uint16_t>(f.flags | kLongBlock));
  put16(h, static_cast<std::uint16_t>(size));
  put32(h, f.pack_size);
  put32(h, f.unpacked_size);
  h.push_back(static_cast<char>(f.host_os));
  put32(h, f.data_crc);
  put32(h, f.dos_time);
  h.push_back(static_cast<char>(f.unpack_version));
  h.push_back(static_cast<char>(f.method));
  put16(h, static_cast<std::uint16_t>(f.name.size()));
  put32(h, f.attributes);
  h += f.name;
  return finish_header(std::move(h));
}

std::string encode_end_block() {
  std::string h;
  put16(h, 0);
  h.push_back(static_cast<char>(kEndBlock));
  put16(h, kEndBlockFlags);
  put16(h, static_cast<std::uint16_t>(kEndBlockSize));
  return finish_header(std::move(h));
}

FileHeaderFields header_fields_for(const Entry& e) {
  if (e.data.size() > std::numeric_limits<std::uint32_t>::max())
    throw std::length_error("entry data larger than 4 GiB");
  FileHeaderFields f;
  f.name = e.name;
  f.pack_size = static_cast<std::uint32_t>(e.data.size());
  f.unpacked_size = e.unpacked_size.value_or(f.pack_size);
  f.data_crc = e.data_crc.value_or(rar::crc32(e.data));
  f.dos_time = e.dos_time;
  f.flags = static_cast<std::uint16_t>(kLongBlock | e.extra_flags);
  switch (e.kind) {
    case EntryKind::File: break;
    case EntryKind::Directory:
      f.flags |= kDirectoryMask;
      f.attributes = kAttrDirectory;
      break;
    case EntryKind::Symlink:
      // Links only exist for Unix hosts: the attributes are a Unix st_mode.
      f.host_os = kHostUnix;
      f.attributes = 0120777;
      break;
  }
  return f;
}

std::string build_archive(const std::vector<Entry>& entries) {
  std::string out = encode_archive_start();
  for (const Entry& e : entries) {
    out += encode_file_header(header_fields_for(e));
    out += e.data;
  }
  out += encode_end_block();
  return out;
}

std::uint32_t dos_time_from_unix(std::time_t when) {
  std::tm tm{};
  if (localtime_r(&when, &tm) == nullptr || tm.tm_year < 80) return (1u << 21) | (1u << 16);
  const auto year = static_cast<std::uint32_t>(std::min(tm.tm_year - 80, 127));
  return (year << 25) | (static_cast<std::uint32_t>(tm.tm_mon + 1) << 21) |
         (static_cast<std::uint32_t>(tm.tm_mday) << 16) | (static_cast<std::uint32_t>(tm.tm_hour) << 11) |
         (static_cast<std::uint32_t>(tm.tm_min) << 5) | (static_cast<std::uint32_t>(tm.tm_sec / 2));
}

}  // namespace zentrox::rar4
