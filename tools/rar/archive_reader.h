// Reading archives through libarchive, with the archive's own headers read
// first where libarchive cannot be trusted with them.
#pragma once

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <string>

#include "rar_headers.h"

namespace zentrox::rar_tool {

using ArchivePtr = std::unique_ptr<archive, decltype(&archive_read_free)>;

std::string archive_error(archive* a);

// The exit status for a libarchive read error of this message.
int code_for_read_error(const std::string& message);

void require_regular_file(const std::string& path);

// The archive at `path` opened with the RAR readers alone.
ArchivePtr open_archive(const std::string& path);

// The next entry, or nullptr at the end of the archive.
archive_entry* next_entry(archive* a, const std::string& path);

std::string entry_name(archive_entry* entry);

bool is_link(archive_entry* entry);

// Reads the archive's own headers before libarchive does: encrypted headers
// and headers that fail their CRC or run past the end of the file make the
// archive unusable (libarchive would otherwise return garbage entries or crash).
rar::HeaderScan scan_checked(const std::string& path);

}  // namespace zentrox::rar_tool
