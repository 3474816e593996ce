#include "data/protocol_writers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <fmt/format.h>

namespace zentrox {

std::string ProtocolToText(const Protocol& protocol) {
  std::string out;
  for (const ProtocolLine& line : protocol.lines()) {
    for (char c : line.text) out.push_back(c == '\r' ? '\n' : c);
    out.push_back('\n');
  }
  return out;
}

namespace {

// Decodes one UTF-8 code point at `i`, advancing it; malformed bytes give '?'.
char32_t Next(const std::string& s, std::size_t& i) {
  auto c = static_cast<unsigned char>(s[i++]);
  if (c < 0x80) return c;
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
  if (extra < 0) return U'?';
  char32_t cp = c & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return U'?';
    cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  }
  return cp;
}

void AppendUnicode(std::string& out, char32_t unit) {
  // \uN takes a signed 16-bit number; '?' is the fallback for old readers.
  out += fmt::format("\\u{}?", static_cast<int>(static_cast<std::int16_t>(static_cast<std::uint16_t>(unit))));
}

void AppendRtfText(std::string& out, const std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t cp = Next(text, i);
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

void WriteFileAtomically(const std::string& path, const std::string& content) {
  std::string tmp = path + ".tmpXXXXXX";
  std::vector<char> name(tmp.begin(), tmp.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) throw std::runtime_error(fmt::format("Cannot write {}: {}", path, std::strerror(errno)));
  std::size_t done = 0;
  while (done < content.size()) {
    ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      ::unlink(name.data());
      throw std::runtime_error(fmt::format("Cannot write {}: {}", path, std::strerror(err)));
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    int err = errno;
    ::unlink(name.data());
    throw std::runtime_error(fmt::format("Cannot write {}: {}", path, std::strerror(err)));
  }
  ::chmod(name.data(), 0644);
  if (::rename(name.data(), path.c_str()) != 0) {
    int err = errno;
    ::unlink(name.data());
    throw std::runtime_error(fmt::format("Cannot write {}: {}", path, std::strerror(err)));
  }
}

}  // namespace zentrox
