// How entry names are shown and matched. Listing and extraction share these
// rules so that whatever name a listing shows is the file extraction writes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zentrox::rar {

// Last component of a stored name split on both '/' and '\', with trailing
// full stops removed ("dir\rev5_t." -> "rev5_t"), as a Windows file system would.
std::string base_name(std::string_view stored);

// A base name that may become a file in the destination: not "", ".", "..",
// and free of control characters (a newline would forge lines in a listing).
bool is_safe_base_name(std::string_view base);

// Case-insensitive comparison of UTF-8 names using the current C locale's case
// mapping (covers Cyrillic under a UTF-8 locale). Invalid UTF-8 compares bytewise.
bool same_name_ignoring_case(std::string_view a, std::string_view b);

// The name in lower case by the same mapping (invalid UTF-8: ASCII letters only).
std::string lower_name(std::string_view name);

// The name with control characters shown as '?', for one-line output.
std::string printable(std::string_view name);

// Number of code points, used for column alignment in listings.
std::size_t display_width(std::string_view utf8);

}  // namespace zentrox::rar
