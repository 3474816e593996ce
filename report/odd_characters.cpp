#include "report/odd_characters.h"

#include <fmt/format.h>

#include <algorithm>

#include "engine/text.h"
#include "report/checks.h"

namespace zentrox {

namespace {

std::string Utf8Of(char32_t code) {
  std::string out;
  AppendCodePoint(code, out);
  return out;
}

bool Control(char32_t code) { return code < 0x20 || (code >= 0x7F && code < 0xA0); }

// The Latin capital a Cyrillic letter is mistaken for, or 0.
char LatinTwin(char32_t code) {
  switch (code) {
    case U'А': return 'A';
    case U'В': return 'B';
    case U'Е': return 'E';
    case U'К': return 'K';
    case U'М': return 'M';
    case U'Н': return 'H';
    case U'О': return 'O';
    case U'Р': return 'P';
    case U'С': return 'C';
    case U'Т': return 'T';
    case U'Х': return 'X';
    case U'У': return 'Y';
    case U'І': return 'I';
    case U'Ј': return 'J';
    case U'Ѕ': return 'S';
    default: return 0;
  }
}

// The Latin letter a Romanian letter with a diacritic is written as in a name.
char Undotted(char32_t code) {
  switch (code) {
    case U'Ă':
    case U'Â':
    case U'ă':
    case U'â': return 'A';
    case U'Î':
    case U'î': return 'I';
    case U'Ș':
    case U'Ş':
    case U'ș':
    case U'ş': return 'S';
    case U'Ț':
    case U'Ţ':
    case U'ț':
    case U'ţ': return 'T';
    default: return 0;
  }
}

}  // namespace

std::vector<OddCharacter> OddCharactersOf(std::string_view text, bool name_field) {
  std::vector<OddCharacter> odd;
  int index = 0;
  for (std::size_t at = 0; at < text.size(); ++index) {
    const std::size_t start = at;
    const char32_t code = NextCodePoint(text, at);
    if (at == start) break;
    const std::string_view one = text.substr(start, at - start);
    if (Control(code) || (name_field && NameCharactersFault(one) == NameFault::ForbiddenCharacter)) {
      odd.push_back({index, start, code});
    }
  }
  return odd;
}

std::string CharacterWords(char32_t code) {
  if (const char latin = LatinTwin(code)) {
    return fmt::format("litera chirilică {} în loc de {} latin", Utf8Of(code), latin);
  }
  if (const char latin = Undotted(code)) {
    return fmt::format("litera cu diacritic {} (se scrie {})", Utf8Of(code), latin);
  }
  if ((code >= U'А' && code <= U'Я') || code == U'Ё') return fmt::format("litera chirilică {}", Utf8Of(code));
  if ((code >= U'а' && code <= U'я') || code == U'ё') return fmt::format("litera chirilică mică {}", Utf8Of(code));
  if (code >= U'a' && code <= U'z') {
    return fmt::format("litera mică {} (se scrie {})", static_cast<char>(code), static_cast<char>(code - 32));
  }
  if (code >= U'0' && code <= U'9') return fmt::format("cifra {}", static_cast<char>(code));
  switch (code) {
    case U'\t': return "caracterul de control tab";
    case U'\r':
    case U'\n': return "un sfârșit de rând";
    case 0xA0: return "un spațiu de nedespărțire (în loc de spațiu obișnuit)";
    case U'\'': return "apostroful";
    case U',': return "virgula";
    case U'/': return "bara oblică";
    case U'_': return "linia de subliniere";
    default: break;
  }
  if (Control(code)) return fmt::format("un caracter de control (U+{:04X})", static_cast<unsigned>(code));
  return fmt::format("caracterul „{}” (U+{:04X})", Utf8Of(code), static_cast<unsigned>(code));
}

std::string OddCharactersInWords(std::string_view text) {
  std::vector<char32_t> seen;
  std::string out;
  for (const OddCharacter& c : OddCharactersOf(text, true)) {
    if (std::find(seen.begin(), seen.end(), c.code) != seen.end()) continue;
    seen.push_back(c.code);
    if (!out.empty()) out += "; ";
    out += CharacterWords(c.code);
  }
  return out;
}

}  // namespace zentrox
