// The characters of a field's text that its field does not expect, and their
// names in plain Romanian words, for whatever shows a faulty text beside its
// finding (the record page, the service's records, a finding's right value).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zentrox {

struct OddCharacter {
  int index = 0;           // 0-based index of the code point in the text
  std::size_t offset = 0;  // its first byte in the UTF-8 text
  char32_t code = 0;
};

// The control characters (C0, C1, DEL) of UTF-8 `text`, and in a name field
// also every character the name check refuses on its own.
std::vector<OddCharacter> OddCharactersOf(std::string_view text, bool name_field);

// A character in words: "litera chirilică А în loc de A latin", "litera mică
// a", "cifra 5", "caracterul de control tab", ...
std::string CharacterWords(char32_t code);

// The odd characters of a name field's text in words, joined by "; ",
// each named once; "" when there are none.
std::string OddCharactersInWords(std::string_view text);

}  // namespace zentrox
