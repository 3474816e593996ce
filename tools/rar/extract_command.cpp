// `Rar e`: regular files written into a directory, each through a temporary
// file, under a cap on the total unpacked size.
#include <archive_entry.h>
#include <fcntl.h>
#include <unistd.h>

#include <fmt/core.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive_reader.h"
#include "base/env_count.h"
#include "commands.h"
#include "crc32.h"
#include "entry_names.h"
#include "exit_codes.h"
#include "output_file.h"
#include "rar_headers.h"

namespace zentrox::rar_tool {
namespace {

std::uint64_t max_unpacked_bytes() {
  // Digits only; the setting can lower the cap, never raise it.
  const char* text = std::getenv("ZENTROX_RAR_MAX_BYTES");
  const zentrox::EnvCount count = zentrox::ParseEnvCount(text, kRarMaxBytes, kRarMaxBytes);
  if (count.state == zentrox::EnvCount::State::Invalid)
    fail(kUsage, fmt::format("invalid ZENTROX_RAR_MAX_BYTES: {}", text));
  if (count.state == zentrox::EnvCount::State::Clamped)
    std::fputs(
        fmt::format("Rar: {}\n", zentrox::EnvCountComplaint("ZENTROX_RAR_MAX_BYTES", text, count, "bytes")).c_str(),
        stderr);
  return count.value;
}

class Extractor {
 public:
  Extractor(std::string archive_path, std::vector<std::string> names, int dirfd)
      : path_(std::move(archive_path)),
        names_(std::move(names)),
        found_(names_.size(), false),
        dirfd_(dirfd),
        cap_(max_unpacked_bytes()) {}

  // Entries are written in archive order, each over what an earlier one of
  // the same output name left, so the last of them is what stays: the copy
  // any overwriting extractor leaves. Any failure ends the run at once.
  int run() {
    const rar::HeaderScan scan = scan_checked(path_);
    rar::HeaderMatcher headers(scan.entries);
    ArchivePtr a = open_archive(path_);
    while (archive_entry* entry = next_entry(a.get(), path_)) {
      std::string name = entry_name(entry);
      const rar::HeaderEntry* header = nullptr;
      const rar::HeaderEntry* repeated = name.empty() ? headers.repeated() : nullptr;
      if (repeated != nullptr) {
        header = repeated;
        name = repeated->name;
      } else {
        header = headers.match(name);
      }
      const std::string base = rar::base_name(name);
      // An encrypted entry makes the archive unreadable as a whole, even
      // where it is not one that was asked for.
      const bool encrypted = repeated != nullptr
                                 ? repeated->encrypted
                                 : archive_entry_is_encrypted(entry) || (header != nullptr && header->encrypted);
      if (encrypted) fail(kEncrypted, fmt::format("encrypted entry {}", rar::printable(name)));
      // With NAMEs, an entry is written under the lower-case form of the
      // first NAME it matches, whatever case the archive gives it.
      std::string output = base;
      if (!names_.empty()) {
        const auto named = std::find_if(names_.begin(), names_.end(),
                                        [&](const std::string& n) { return rar::same_name_ignoring_case(base, n); });
        if (named == names_.end()) continue;  // libarchive skips the data
        output = rar::lower_name(*named);
        found_[static_cast<std::size_t>(named - names_.begin())] = true;
      }

      if (repeated != nullptr) {
        if (header->directory) {
          if (!names_.empty()) fail(kRefused, fmt::format("refusing to extract folder entry {}", rar::printable(name)));
          continue;
        }
        check_entry(name, base);
        extract_repeated(name, output, *header);
        continue;
      }
      // Type 0 comes from hosts libarchive does not know: their entries are plain files.
      const auto type = archive_entry_filetype(entry);
      const bool directory = type == AE_IFDIR || (header != nullptr && header->directory);
      const bool regular = !directory && (type == AE_IFREG || type == 0);
      if (is_link(entry) || (!regular && !directory)) {
        if (!names_.empty())
          fail(kRefused, fmt::format("refusing to extract link or special entry {}", rar::printable(name)));
        continue;
      }
      if (directory) {
        // Left out, a folder named like a requested file would let an
        // earlier file of that name stand.
        if (!names_.empty()) fail(kRefused, fmt::format("refusing to extract folder entry {}", rar::printable(name)));
        continue;  // reading a directory's data is an error in libarchive
      }
      check_entry(name, base);
      extract_one(a.get(), name, output, header);
    }
    // A requested name the archive does not hold is no failure: the
    // caller finds the file missing and says so in its own terms. Unless
    // the archive also lacks its end block: then it was most likely cut
    // short, and the missing files with it.
    const auto missing = std::find(found_.begin(), found_.end(), false);
    if (missing != found_.end() && !scan.end_block)
      fail(kArchiveError, fmt::format("damaged archive {}: no end block, and no file {} (the archive may be cut short)",
                                      path_, names_[static_cast<std::size_t>(missing - found_.begin())]));
    return kOk;
  }

 private:
  void check_entry(const std::string& name, const std::string& base) {
    if (!rar::is_safe_base_name(base)) fail(kRefused, fmt::format("unusable entry name \"{}\"", rar::printable(name)));
  }

  void count(std::uint64_t bytes, const std::string& shown) {
    if (bytes > cap_ - written_)
      fail(kSizeCap, fmt::format("unpacked size exceeds the limit of {} bytes at {}", cap_, shown));
    written_ += bytes;
  }

  void check_crc(const rar::HeaderEntry* header, const rar::Crc32& crc, const std::string& shown) {
    if (header != nullptr && header->data_crc && *header->data_crc != crc.value())
      fail(kCrcError, fmt::format("CRC error in {}: archive says {:08X}, data gives {:08X}", shown, *header->data_crc,
                                  crc.value()));
  }

  void extract_one(archive* a, const std::string& name, const std::string& output, const rar::HeaderEntry* header) {
    const std::string shown = rar::printable(name);
    TempFile out(dirfd_);
    rar::Crc32 crc;
    std::vector<char> buffer(kBufferSize);
    for (;;) {
      const la_ssize_t n = archive_read_data(a, buffer.data(), buffer.size());
      if (n == 0) break;
      if (n < 0) {
        const std::string message = archive_error(a);
        fail(code_for_read_error(message), fmt::format("cannot extract {}: {}", shown, message));
      }
      count(static_cast<std::uint64_t>(n), shown);
      out.write(buffer.data(), static_cast<std::size_t>(n));
      crc.update(buffer.data(), static_cast<std::size_t>(n));
    }
    check_crc(header, crc, shown);
    out.commit(output);
  }

  // An entry the archive library folded into the one before it: its data
  // is read straight from the file when it is stored. A compressed one
  // cannot be read apart from that library, and is refused rather than left out.
  void extract_repeated(const std::string& name, const std::string& output, const rar::HeaderEntry& header) {
    const std::string shown = rar::printable(name);
    if (!header.stored || header.packed_size != header.unpacked_size)
      fail(kArchiveError, fmt::format("cannot extract {}: a compressed entry that repeats the name before it", shown));
    count(header.unpacked_size, shown);
    const Fd in(open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) fail(kArchiveError, fmt::format("cannot open {}: {}", path_, errno_text()));
    TempFile out(dirfd_);
    rar::Crc32 crc;
    std::vector<char> buffer(kBufferSize);
    std::uint64_t offset = header.data_offset;
    std::uint64_t left = header.packed_size;
    while (left > 0) {
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
      const ssize_t n = pread(in.get(), buffer.data(), want, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) fail(kArchiveError, fmt::format("cannot extract {}: the archive ends inside its data", shown));
      out.write(buffer.data(), static_cast<std::size_t>(n));
      crc.update(buffer.data(), static_cast<std::size_t>(n));
      offset += static_cast<std::uint64_t>(n);
      left -= static_cast<std::uint64_t>(n);
    }
    check_crc(&header, crc, shown);
    out.commit(output);
  }

  std::string path_;
  std::vector<std::string> names_;
  std::vector<bool> found_;  // per NAME: an entry matched it
  int dirfd_;
  std::uint64_t cap_;
  std::uint64_t written_ = 0;
};

}  // namespace

int extract(const std::string& path, std::vector<std::string> names, const std::string& dest) {
  const Fd dir(open(dest.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) fail(kDestination, fmt::format("cannot open destination {}: {}", dest, errno_text()));
  return Extractor(path, std::move(names), dir.get()).run();
}

}  // namespace zentrox::rar_tool
