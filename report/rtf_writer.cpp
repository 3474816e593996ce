#include "report/rtf_writer.h"

#include <fmt/format.h>

#include "engine/text.h"

namespace zentrox {

namespace {

void AppendUnicode(std::string& out, char32_t unit) {
  // \uN takes a signed 16-bit number; '?' is the fallback for old readers.
  out += fmt::format("\\u{}?", static_cast<int>(static_cast<std::int16_t>(static_cast<std::uint16_t>(unit))));
}

void AppendRtfText(std::string& out, const std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t cp = NextCodePoint(text, i);
    if (cp == U'\r') {
      out += "\\par\n";
    } else if (cp == U'\\' || cp == U'{' || cp == U'}') {
      out.push_back('\\');
      out.push_back(static_cast<char>(cp));
    } else if (cp == U'\t') {
      out += "\\tab ";
    } else if (cp < 0x20) {
      // Other control characters have no place in a document.
    } else if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x10000) {
      AppendUnicode(out, cp);
    } else {
      char32_t v = cp - 0x10000;
      AppendUnicode(out, 0xD800 + (v >> 10));
      AppendUnicode(out, 0xDC00 + (v & 0x3FF));
    }
  }
}

}  // namespace

std::string ProtocolToRtf(const Protocol& protocol) {
  std::vector<Rgb> colors;
  auto color_index = [&](Rgb c) {
    for (std::size_t k = 0; k < colors.size(); ++k) {
      if (colors[k] == c) return k + 1;
    }
    colors.push_back(c);
    return colors.size();
  };
  std::string body;
  for (const ProtocolLine& line : protocol.lines()) {
    const TextStyle& s = line.style;
    // Pixels at 96 dpi to half-points: px * 72 / 96 * 2.
    int half_points = s.height * 3 / 2;
    body += fmt::format("{{\\cf{}\\fs{}{}{} ", color_index(s.color), half_points, s.bold ? "\\b" : "",
                        s.italic ? "\\i" : "");
    AppendRtfText(body, line.text);
    body += "}\\par\n";
  }
  std::string out = "{\\rtf1\\ansi\\ansicpg1251\\deff0\\uc1\n";
  out += "{\\fonttbl{\\f0\\froman\\fcharset204 Times New Roman;}}\n";
  out += "{\\colortbl ;";
  for (Rgb c : colors) out += fmt::format("\\red{}\\green{}\\blue{};", c.r, c.g, c.b);
  out += "}\n\\pard\\plain\\f0\n";
  out += body;
  out += "}\n";
  return out;
}

}  // namespace zentrox
