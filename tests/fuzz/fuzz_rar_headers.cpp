// The archive header scanner and the entry name rules over arbitrary bytes.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "entry_names.h"
#include "fuzz_support.h"
#include "rar_headers.h"

using namespace zentrox;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const int fd = memfd_create("archive", MFD_CLOEXEC);
  if (fd < 0) __builtin_trap();
  if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) __builtin_trap();
  const rar::HeaderScan scan = rar::scan_headers_fd(fd);
  if (scan.format == rar::ArchiveFormat::Unknown && !scan.entries.empty()) __builtin_trap();
  if (scan.stopped_at > size) __builtin_trap();

  rar::HeaderMatcher matcher(scan.entries);
  for (const rar::HeaderEntry& e : scan.entries) {
    const std::string base = rar::base_name(e.name);
    // A safe base name never leads out of the destination directory.
    if (rar::is_safe_base_name(base) &&
        (base.find('/') != std::string::npos || base.find('\\') != std::string::npos || base == "." || base == ".."))
      __builtin_trap();
    if (rar::printable(e.name).find('\n') != std::string::npos) __builtin_trap();
    (void)rar::display_width(e.name);
    (void)matcher.match(e.name);
  }

  const std::string_view text = fuzz::AsView(data, size);
  const std::string decoded = rar::decode_rar4_unicode_name(text);
  const std::size_t half = size / 2;
  (void)rar::same_name_ignoring_case(text.substr(0, half), text.substr(half));
  (void)rar::same_name_ignoring_case(decoded, rar::base_name(decoded));
  return 0;
}
