// Text helpers: code page 1251 <-> UTF-8, character counting and cutting.
//
// Package and dictionary files are single-byte code page 1251 text. They are
// decoded to UTF-8 once, when a line is read; everything after that (lengths,
// cutting to a field's size, character checks) counts characters, not bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/utf8.h"

namespace zentrox {

// Appends the UTF-8 form of cp1251 `bytes` to `out`. The one byte that code
// page 1251 leaves undefined (0x98) becomes U+FFFD so that it still counts as
// one character and fails every character check.
void AppendCp1251AsUtf8(std::string_view bytes, std::string& out);
std::string Cp1251ToUtf8(std::string_view bytes);

// Converts UTF-8 to cp1251; characters without a cp1251 form become '?'.
std::string Utf8ToCp1251(std::string_view utf8);

// Decodes the code point at byte `i` of a UTF-8 text and advances `i`;
// a malformed sequence (an overlong form, a surrogate or a code point above
// U+10FFFF among them) yields U+FFFD.
char32_t NextCodePoint(std::string_view utf8, std::size_t& i);
// AppendCodePoint, the UTF-8 form of a code point, comes from base/utf8.h.

// The text with every malformed sequence as U+FFFD, as NextCodePoint reads it.
std::string ValidUtf8(std::string_view text);

// A path as protocol lines and messages show it: each control character (a
// byte below 0x20, or 0x7F) escaped as \n, \r, \t or \xHH, so that a name
// can't end a line or start one; everything else as it stands.
std::string ShownPath(std::string_view path);

// Number of characters (code points) in a UTF-8 text.
std::size_t Utf8Length(std::string_view utf8);

// The first `count` characters of a UTF-8 text.
std::string_view Utf8Prefix(std::string_view utf8, std::size_t count);

// The last `count` characters of a UTF-8 text (the whole text when shorter).
std::string_view Utf8Suffix(std::string_view utf8, std::size_t count);

// Characters [first, first + count) of a UTF-8 text, 0-based; clipped.
std::string_view Utf8Mid(std::string_view utf8, std::size_t first, std::size_t count);

// ASCII-only case mapping: the names compared this way are Latin.
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

}  // namespace zentrox
