// The archiver's exit statuses and the failure that ends a command with one
// (see main.cpp for what each status means).
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

namespace zentrox::rar_tool {

enum Exit : int {
  kOk = 0,
  kArchiveError = 1,
  kUsage = 2,
  kCrcError = 3,
  kSizeCap = 4,
  kEncrypted = 5,
  kDestination = 6,
  kRefused = 7,
};

// Read and write buffers.
inline constexpr std::size_t kBufferSize = 64 * 1024;

struct Failure {
  int code;
  std::string message;
};

[[noreturn]] inline void fail(int code, std::string message) { throw Failure{code, std::move(message)}; }

inline std::string errno_text() { return std::strerror(errno); }

}  // namespace zentrox::rar_tool
