#include "crc32.h"

#include <array>

namespace zentrox::rar {
namespace {

constexpr std::array<std::uint32_t, 256> make_table() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit) c = (c & 1u) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr auto kTable = make_table();

}  // namespace

void Crc32::update(const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    std::uint32_t c = state_;
    for (std::size_t i = 0; i < size; ++i) c = kTable[(c ^ p[i]) & 0xFFu] ^ (c >> 8);
    state_ = c;
}

std::uint32_t crc32(std::string_view bytes) {
    Crc32 crc;
    crc.update(bytes);
    return crc.value();
}

}  // namespace zentrox::rar
