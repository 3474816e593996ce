#include "archive_reader.h"

#include <sys/stat.h>

#include <fmt/core.h>

#include "exit_codes.h"

namespace zentrox::rar_tool {

std::string archive_error(archive* a) {
  const char* text = archive_error_string(a);
  return text != nullptr ? text : "unknown error";
}

// libarchive reports CRC failures of compressed data only through its message.
int code_for_read_error(const std::string& message) {
  if (message.find("CRC") != std::string::npos) return kCrcError;
  if (message.find("ncrypt") != std::string::npos || message.find("assword") != std::string::npos) return kEncrypted;
  return kArchiveError;
}

void require_regular_file(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) fail(kArchiveError, fmt::format("cannot open {}: {}", path, errno_text()));
  if (!S_ISREG(st.st_mode)) fail(kArchiveError, fmt::format("{} is not a regular file", path));
}

ArchivePtr open_archive(const std::string& path) {
  require_regular_file(path);
  ArchivePtr a(archive_read_new(), &archive_read_free);
  if (!a) fail(kArchiveError, "out of memory");
  // Only the RAR readers: with every format enabled a RAR may be read as a ZIP.
  archive_read_support_format_rar(a.get());
  archive_read_support_format_rar5(a.get());
  if (archive_read_open_filename(a.get(), path.c_str(), kBufferSize) != ARCHIVE_OK)
    fail(kArchiveError, fmt::format("cannot read {}: {}", path, archive_error(a.get())));
  return a;
}

archive_entry* next_entry(archive* a, const std::string& path) {
  archive_entry* entry = nullptr;
  const int r = archive_read_next_header(a, &entry);
  if (r == ARCHIVE_EOF) return nullptr;
  if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
    const std::string message = archive_error(a);
    fail(code_for_read_error(message), fmt::format("cannot read {}: {}", path, message));
  }
  return entry;
}

std::string entry_name(archive_entry* entry) {
  const char* name = archive_entry_pathname_utf8(entry);
  if (name == nullptr) name = archive_entry_pathname(entry);
  return name != nullptr ? name : "";
}

bool is_link(archive_entry* entry) {
  return archive_entry_hardlink(entry) != nullptr || archive_entry_symlink(entry) != nullptr ||
         archive_entry_filetype(entry) == AE_IFLNK;
}

rar::HeaderScan scan_checked(const std::string& path) {
  require_regular_file(path);
  rar::HeaderScan scan = rar::scan_headers(path);
  if (scan.headers_encrypted) fail(kEncrypted, fmt::format("{} has encrypted headers", path));
  if (scan.format != rar::ArchiveFormat::Unknown && !scan.complete)
    fail(kArchiveError,
         fmt::format("damaged archive {}: corrupt or truncated header at offset {}", path, scan.stopped_at));
  return scan;
}

}  // namespace zentrox::rar_tool
