// Block layout of the RAR 1.5-4.x archive format (the one RAR 2.9 writes) and a
// writer for stored (uncompressed) archives.
//
// The writer takes entry names as raw bytes and lets a caller override header
// fields, so tests can build hostile archives (odd names, lying sizes, wrong
// CRCs, link or encrypted flags) next to ordinary ones.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zentrox::rar4 {

inline constexpr std::array<unsigned char, 7> kMarker{0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};

// HEAD_TYPE values.
inline constexpr std::uint8_t kMarkerBlock = 0x72;
inline constexpr std::uint8_t kMainHeader = 0x73;
inline constexpr std::uint8_t kFileHeader = 0x74;
inline constexpr std::uint8_t kServiceHeader = 0x7A;
inline constexpr std::uint8_t kEndBlock = 0x7B;

// HEAD_FLAGS bits. kLongBlock is valid on every block; the others on file headers
// unless noted.
inline constexpr std::uint16_t kLongBlock = 0x8000;      // ADD_SIZE / PACK_SIZE follows
inline constexpr std::uint16_t kSplitBefore = 0x0001;    // continued from previous volume
inline constexpr std::uint16_t kSplitAfter = 0x0002;     // continued in next volume
inline constexpr std::uint16_t kPassword = 0x0004;       // data is encrypted
inline constexpr std::uint16_t kDirectoryMask = 0x00E0;  // all three bits set: directory
inline constexpr std::uint16_t kLargeFile = 0x0100;      // HIGH_PACK_SIZE, HIGH_UNP_SIZE follow
inline constexpr std::uint16_t kUnicodeName = 0x0200;
inline constexpr std::uint16_t kSalt = 0x0400;
inline constexpr std::uint16_t kMainHeadersEncrypted = 0x0080;  // main header flag
inline constexpr std::uint16_t kEndBlockFlags = 0x4000;

inline constexpr std::size_t kMainHeaderSize = 13;
inline constexpr std::size_t kFileHeaderFixedSize = 32;  // up to and including ATTR
inline constexpr std::size_t kEndBlockSize = 7;

inline constexpr std::uint8_t kHostMsDos = 0;
inline constexpr std::uint8_t kHostUnix = 3;
inline constexpr std::uint8_t kUnpackVersion = 29;
inline constexpr std::uint8_t kMethodStore = 0x30;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kAttrDirectory = 0x10;

// 2024-01-01 00:00:00 in DOS format: a fixed default keeps crafted archives reproducible.
inline constexpr std::uint32_t kDefaultDosTime = (44u << 25) | (1u << 21) | (1u << 16);

struct FileHeaderFields {
  std::string name;  // stored as given, no encoding applied
  std::uint32_t pack_size = 0;
  std::uint32_t unpacked_size = 0;
  std::uint8_t host_os = kHostMsDos;
  std::uint32_t data_crc = 0;
  std::uint32_t dos_time = kDefaultDosTime;
  std::uint8_t unpack_version = kUnpackVersion;
  std::uint8_t method = kMethodStore;
  std::uint32_t attributes = kAttrArchive;
  std::uint16_t flags = kLongBlock;  // kLongBlock is always added
};

enum class EntryKind { File, Directory, Symlink };

struct Entry {
  std::string name;  // raw bytes, may hold anything (slashes, "..", cp1251 ...)
  std::string data;  // file content, or the link target of a symlink
  EntryKind kind = EntryKind::File;
  std::uint16_t extra_flags = 0;  // OR-ed into the header flags
  std::uint32_t dos_time = kDefaultDosTime;
  std::optional<std::uint32_t> unpacked_size = std::nullopt;  // default: data size
  std::optional<std::uint32_t> data_crc = std::nullopt;       // default: CRC32 of data
};

// The 7-byte marker plus the 13-byte main header.
std::string encode_archive_start();
// One file header without the data that follows it. Throws std::length_error
// when the name does not fit the 16-bit NAME_SIZE.
std::string encode_file_header(const FileHeaderFields& fields);
std::string encode_end_block();

// Header fields for an entry (data CRC, sizes, attributes that depend on the kind).
FileHeaderFields header_fields_for(const Entry& entry);

// A complete archive: marker, main header, every entry with its data, end block.
std::string build_archive(const std::vector<Entry>& entries);

// Local time as a DOS date/time (years before 1980 are clamped to 1980).
std::uint32_t dos_time_from_unix(std::time_t when);

// HEAD_CRC: low 16 bits of the CRC32 of the header from HEAD_TYPE on.
std::uint16_t header_crc(std::string_view header_from_type);

}  // namespace zentrox::rar4
