// `Rar l`: the entries in a table of name, size and date.
#include <archive_entry.h>

#include <fmt/core.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "archive_reader.h"
#include "commands.h"
#include "entry_names.h"
#include "exit_codes.h"
#include "rar_headers.h"

namespace zentrox::rar_tool {
namespace {

struct ListRow {
  std::string name;
  std::string size;
  std::string date;
  std::string note;
};

std::string format_time(archive_entry* entry) {
  if (!archive_entry_mtime_is_set(entry)) return "---------- -----";
  const std::time_t t = archive_entry_mtime(entry);
  std::tm tm{};
  char text[32];
  if (localtime_r(&t, &tm) == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &tm) == 0)
    return "---------- -----";
  return text;
}

}  // namespace

int list(const std::string& path) {
  const rar::HeaderScan scan = scan_checked(path);
  rar::HeaderMatcher headers(scan.entries);
  ArchivePtr a = open_archive(path);
  std::vector<ListRow> rows;
  std::uint64_t total = 0;
  while (archive_entry* entry = next_entry(a.get(), path)) {
    std::string name = entry_name(entry);
    const rar::HeaderEntry* repeated = name.empty() ? headers.repeated() : nullptr;
    const rar::HeaderEntry* header = repeated != nullptr ? repeated : headers.match(name);
    if (repeated != nullptr) name = repeated->name;
    ListRow row;
    row.name = rar::printable(rar::base_name(name));
    const bool sized = repeated != nullptr || archive_entry_size_is_set(entry) != 0;
    const auto size = repeated != nullptr ? repeated->unpacked_size
                      : sized             ? static_cast<std::uint64_t>(archive_entry_size(entry))
                                          : 0;
    row.size = sized ? std::to_string(size) : "?";
    total += size;
    row.date = repeated != nullptr ? "---------- -----" : format_time(entry);
    const bool directory = archive_entry_filetype(entry) == AE_IFDIR || (repeated != nullptr && repeated->directory);
    if (directory)
      row.note = " <dir>";
    else if (const char* target = archive_entry_symlink(entry))
      row.note = fmt::format(" -> {}", target);
    else if (const char* target = archive_entry_hardlink(entry))
      row.note = fmt::format(" => {}", target);
    if (archive_entry_is_encrypted(entry) || (header != nullptr && header->encrypted)) row.note += " encrypted";
    rows.push_back(std::move(row));
  }

  std::size_t name_width = 8;  // the checker reads names from columns 2-9
  std::size_t size_width = 4;
  for (const ListRow& r : rows) {
    name_width = std::max(name_width, rar::display_width(r.name));
    size_width = std::max(size_width, r.size.size());
  }
  const std::string dashes(std::max<std::size_t>(40, name_width + size_width + 21), '-');
  std::string out = fmt::format("Archive: {}\n {}{} {:>{}} {}\n{}\n", path, "Name", std::string(name_width - 4, ' '),
                                "Size", size_width, "Modified", dashes);
  for (const ListRow& r : rows) {
    out += fmt::format(" {}{} {:>{}} {}{}\n", r.name, std::string(name_width - rar::display_width(r.name), ' '), r.size,
                       size_width, r.date, r.note);
  }
  out += fmt::format("{}\n {} entries, {} bytes\n", dashes, rows.size(), total);
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) fail(kDestination, "cannot write the listing: " + errno_text());
  return kOk;
}

}  // namespace zentrox::rar_tool
