// CRC-32 (IEEE 802.3, reflected polynomial 0xEDB88320) as used by both RAR
// layouts for file data and, truncated to 16 bits, for RAR 1.5-4.x headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zentrox::rar {

class Crc32 {
 public:
  void update(const void* data, std::size_t size);
  void update(std::string_view bytes) { update(bytes.data(), bytes.size()); }
  std::uint32_t value() const { return ~state_; }

 private:
  std::uint32_t state_ = 0xFFFFFFFFu;
};

std::uint32_t crc32(std::string_view bytes);

}  // namespace zentrox::rar
