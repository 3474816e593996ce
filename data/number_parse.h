// Number parsing without the C library's locale: package files write amounts
// with "." whatever the machine's locale says.
#pragma once

#include <cstdint>
#include <string_view>

namespace zentrox {

// Number parsing without the C library's locale: a decimal integer with an
// optional sign (32-bit), and a decimal number with "." and optional exponent.
bool ParseInt32(std::string_view text, std::int32_t& value);
bool ParseDouble(std::string_view text, double& value);

}  // namespace zentrox
