// `Rar a`: a stored archive of whole files, in the RAR 2.9 layout.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/core.h>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "crc32.h"
#include "exit_codes.h"
#include "output_file.h"
#include "rar4_writer.h"

namespace zentrox::rar_tool {
namespace {

// CRC32 and length of everything readable from fd, starting at its beginning.
std::pair<std::uint32_t, std::uint64_t> checksum_file(int fd, const std::string& path, TempFile* copy_to) {
  if (lseek(fd, 0, SEEK_SET) != 0) fail(kArchiveError, fmt::format("cannot read {}: {}", path, errno_text()));
  rar::Crc32 crc;
  std::uint64_t length = 0;
  std::vector<char> buffer(kBufferSize);
  for (;;) {
    const ssize_t n = read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail(kArchiveError, fmt::format("cannot read {}: {}", path, errno_text()));
    if (n == 0) break;
    crc.update(buffer.data(), static_cast<std::size_t>(n));
    length += static_cast<std::uint64_t>(n);
    if (copy_to != nullptr) copy_to->write(buffer.data(), static_cast<std::size_t>(n));
  }
  return {crc.value(), length};
}

void add_file(TempFile& out, const std::string& path) {
  const Fd in(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) fail(kArchiveError, fmt::format("cannot open {}: {}", path, errno_text()));
  struct stat st {};
  if (fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode))
    fail(kArchiveError, fmt::format("{} is not a regular file", path));
  if (static_cast<std::uint64_t>(st.st_size) > std::numeric_limits<std::uint32_t>::max())
    fail(kRefused, fmt::format("{} is larger than 4 GiB", path));

  // Two passes: the header, which carries the CRC, precedes the data.
  const auto [crc, length] = checksum_file(in.get(), path, nullptr);
  if (length != static_cast<std::uint64_t>(st.st_size))
    fail(kArchiveError, fmt::format("{} changed while being read", path));
  rar4::FileHeaderFields fields;
  const std::size_t slash = path.find_last_of('/');
  fields.name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (fields.name.empty()) fail(kRefused, fmt::format("no file name in {}", path));
  fields.pack_size = fields.unpacked_size = static_cast<std::uint32_t>(length);
  fields.data_crc = crc;
  fields.dos_time = rar4::dos_time_from_unix(st.st_mtime);
  try {
    out.write(rar4::encode_file_header(fields));
  } catch (const std::length_error&) {
    fail(kRefused, fmt::format("file name too long: {}", path));
  }
  const auto [copied_crc, copied_length] = checksum_file(in.get(), path, &out);
  if (copied_crc != crc || copied_length != length)
    fail(kArchiveError, fmt::format("{} changed while being read", path));
}

}  // namespace

int create(const std::string& archive_path, const std::vector<std::string>& files) {
  const std::size_t slash = archive_path.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : archive_path.substr(0, slash + 1);
  const std::string final_name = slash == std::string::npos ? archive_path : archive_path.substr(slash + 1);
  if (final_name.empty()) fail(kUsage, fmt::format("no archive file name in {}", archive_path));
  const Fd dirfd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirfd.get() < 0) fail(kDestination, fmt::format("cannot open directory {}: {}", dir, errno_text()));

  TempFile out(dirfd.get());
  out.write(rar4::encode_archive_start());
  for (const std::string& file : files) add_file(out, file);
  out.write(rar4::encode_end_block());
  out.commit(final_name);
  return kOk;
}

}  // namespace zentrox::rar_tool
