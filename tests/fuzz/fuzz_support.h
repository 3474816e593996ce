// Helpers of the fuzz targets: a private scratch directory per fuzzing
// process (in memory when /dev/shm exists) and writing an input into it.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zentrox::fuzz {

// The scratch directory, ending in "/"; created on first use and left for the
// system to clear (a fuzzing process ends by being stopped).
inline const std::string& ScratchDir() {
  static const std::string dir = [] {
    std::string base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string tmpl = base + "/zentrox-fuzz-XXXXXX";
    if (::mkdtemp(tmpl.data()) == nullptr) ::abort();
    return tmpl + "/";
  }();
  return dir;
}

inline void WriteFile(const std::string& path, std::string_view bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) ::abort();
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n <= 0) ::abort();
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  ::close(fd);
}

inline std::string_view AsView(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace zentrox::fuzz
