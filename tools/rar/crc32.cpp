#include "crc32.h"

#include <zlib.h>

namespace zentrox::rar {

// zlib's CRC-32 is the same function; it takes and gives the finished value
// (and restarts when given no data pointer, hence nothing for no bytes).
void Crc32::update(const void* data, std::size_t size) {
  if (size == 0) return;
  state_ = ~static_cast<std::uint32_t>(
      crc32_z(~state_, static_cast<const unsigned char*>(data), static_cast<z_size_t>(size)));
}

std::uint32_t crc32(std::string_view bytes) {
  Crc32 crc;
  crc.update(bytes);
  return crc.value();
}

}  // namespace zentrox::rar
