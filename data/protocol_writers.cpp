#include "data/protocol_writers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <fmt/format.h>

#include "data/findings_summary.h"
#include "data/rule_catalogue.h"
#include "data/text.h"

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

namespace {

[[noreturn]] void ThrowCannotWrite(const std::string& path, const std::string& reason) {
  throw std::runtime_error(fmt::format("Cannot write {}: {}", path, reason));
}

void WriteAll(int fd, const std::string& content, const std::string& path) {
  std::size_t done = 0;
  while (done < content.size()) {
    ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowCannotWrite(path, std::strerror(errno));
    }
    done += static_cast<std::size_t>(n);
  }
}

// The name a chain of symbolic links ends in, whether or not that exists: a
// save through a link writes its target, in the target's folder.
std::string FinalLinkTarget(const std::string& path) {
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::string link(256, '\0');
    for (;;) {
      ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
      if (n < 0) ThrowCannotWrite(path, std::strerror(errno));
      if (static_cast<std::size_t>(n) < link.size()) {
        link.resize(static_cast<std::size_t>(n));
        break;
      }
      link.resize(link.size() * 2);
    }
    if (link.empty() || link[0] != '/') {
      std::size_t slash = current.rfind('/');
      link = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) + link;
    }
    current = link;
  }
  ThrowCannotWrite(path, std::strerror(ELOOP));
}

// A terminal, /dev/null or a pipe's reader takes the bytes as they come.
void WriteStream(const std::string& path, const std::string& content) {
  int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) ThrowCannotWrite(path, std::strerror(errno));
  try {
    WriteAll(fd, content, path);
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (::close(fd) != 0 && errno != EINTR) ThrowCannotWrite(path, std::strerror(errno));
}

}  // namespace

void WriteFileAtomically(const std::string& path, const std::string& content) {
  // What the name stands for decides how it is written: a regular file (or
  // none yet) is replaced whole, a character device or FIFO written to, any
  // other kind left alone.
  mode_t mode = 0644;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) return WriteStream(path, content);
    if (S_ISDIR(st.st_mode)) ThrowCannotWrite(path, "it is a directory");
    if (S_ISSOCK(st.st_mode)) ThrowCannotWrite(path, "it is a socket");
    if (S_ISBLK(st.st_mode)) ThrowCannotWrite(path, "it is a block device");
    if (!S_ISREG(st.st_mode)) ThrowCannotWrite(path, "it is not a regular file");
    mode = st.st_mode & 07777;
  } else if (errno != ENOENT) {
    ThrowCannotWrite(path, std::strerror(errno));
  }
  const std::string target = FinalLinkTarget(path);

  std::string tmp = target + ".tmpXXXXXX";
  std::vector<char> name(tmp.begin(), tmp.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) ThrowCannotWrite(path, std::strerror(errno));
  try {
    WriteAll(fd, content, path);
  } catch (...) {
    ::close(fd);
    ::unlink(name.data());
    throw;
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    int err = errno;
    ::unlink(name.data());
    ThrowCannotWrite(path, std::strerror(err));
  }
  ::chmod(name.data(), mode);
  if (::rename(name.data(), target.c_str()) != 0) {
    int err = errno;
    ::unlink(name.data());
    ThrowCannotWrite(path, std::strerror(err));
  }
}

}  // namespace zentrox

namespace zentrox {

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  std::string text(s);
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t cp = NextCodePoint(text, i);
    switch (cp) {
      case U'"': out += "\\\""; break;
      case U'\\': out += "\\\\"; break;
      case U'\n': out += "\\n"; break;
      case U'\r': out += "\\r"; break;
      case U'\t': out += "\\t"; break;
      default:
        if (cp < 0x20) {
          out += fmt::format("\\u{:04x}", static_cast<unsigned>(cp));
        } else {
          AppendCodePoint(cp, out);
        }
    }
  }
  return out + "\"";
}

namespace {

const char* FormatName(FindingFormat f) {
  switch (f) {
    case FindingFormat::Field: return "field";
    case FindingFormat::FieldNoRow: return "field-no-row";
    case FindingFormat::DuplicateValue: return "duplicate-value";
    case FindingFormat::Pack: return "pack";
    case FindingFormat::Sum: return "sum";
    case FindingFormat::SumMonthly: return "sum-monthly";
    case FindingFormat::Plain: return "plain";
    case FindingFormat::Loader: return "loader";
  }
  return "plain";
}

std::string JsonRow(const std::optional<int>& row) { return row ? fmt::format("{}", *row) : "null"; }

std::string JsonRecord(const std::optional<RecordRef>& record) {
  if (!record) return "null";
  return fmt::format("{{\"file\": {}, \"line\": {}}}", JsonString(record->file), record->line);
}

// The rule's sentence from the catalogue, or null for a rule it lacks.
std::string JsonExplanation(std::string_view rule) {
  const RuleEntry* entry = FindRule(rule);
  return entry ? JsonString(entry->requirement) : "null";
}

// "-12.50", "-3", "7": an optional minus, digits, and a point with digits
// after it or none.
bool PlainNumber(std::string_view text) {
  std::size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
  const auto digits = [&] {
    const std::size_t from = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    return i > from;
  };
  if (!digits()) return false;
  if (i < text.size() && text[i] == '.') {
    ++i;
    if (!digits()) return false;
  }
  return i == text.size();
}

// A CSV field (RFC 4180): quoted when it holds a comma, a quote, a line end
// or a leading blank. A text that a spreadsheet program would take for a
// formula gets a leading apostrophe, so a value from a package never runs as
// one; only a whole plain number is left as it is, so that negative amounts
// stay numbers.
void AppendCsvField(std::string& out, std::string_view text) {
  const bool formula =
      !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos && !PlainNumber(text);
  const bool quote =
      formula || text.find_first_of(",\"\r\n") != std::string_view::npos || (!text.empty() && text[0] == ' ');
  if (!quote) {
    out += text;
    return;
  }
  out += '"';
  if (formula) out += '\'';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace

std::string FindingsCsvHeader() {
  return "\xEF\xBB\xBF"
         "archive,rule,file,record,pack,declaration,name,field,value,message,text\r\n";
}

std::string FindingsToCsvRows(const Protocol& protocol, std::string_view archive) {
  std::string out;
  for (const ProtocolLine& line : protocol.lines()) {
    if (line.kind != LineKind::Fault) continue;
    const Finding empty;
    const Finding& f = line.finding ? *line.finding : empty;
    std::string file = f.record ? f.record->file : (f.section == "load" ? std::string() : f.section);
    std::string record = f.record ? fmt::format("{}", f.record->line) : std::string();
    const std::string_view message = line.finding ? std::string_view(f.message) : std::string_view(line.text);
    const std::string_view fields[] = {archive, f.rule,    file,    record,  f.pack,   f.declaration,
                                       f.name,  f.caption, f.value, message, line.text};
    bool first = true;
    for (std::string_view field : fields) {
      if (!first) out += ',';
      first = false;
      AppendCsvField(out, ValidUtf8(field));
    }
    out += "\r\n";
  }
  return out;
}

std::string FindingsToCsv(const Protocol& protocol, std::string_view archive) {
  return FindingsCsvHeader() + FindingsToCsvRows(protocol, archive);
}

const char* ReportStatus(const Protocol& protocol, const ReportSummary& s) {
  if (!s.completed) return "not-checked";
  return protocol.FaultCount() > 0 ? "findings" : "clean";
}

std::string ProtocolToJson(const Protocol& protocol, const ReportSummary& s) {
  const FindingCounts counts = CountFindings(protocol);
  std::string out = "{\n";
  out += "  \"variant\": " + JsonString(s.variant) + ",\n";
  out += "  \"archive\": " + JsonString(s.archive) + ",\n";
  out += "  \"workdir\": " + JsonString(s.workdir) + ",\n";
  out += fmt::format(
      "  \"summary\": {{\"status\": \"{}\", \"completed\": {}, \"packs\": {}, \"declarations\": {}, "
      "\"findings\": {}, \"left_out\": {}}},\n",
      ReportStatus(protocol, s), s.completed ? "true" : "false", s.packs, s.declarations, counts.findings,
      counts.left_out);
  out += "  \"findings\": [";
  bool first = true;
  for (const ProtocolLine& line : protocol.lines()) {
    if (line.kind != LineKind::Fault) continue;
    out += first ? "\n" : ",\n";
    first = false;
    if (line.finding) {
      const Finding& f = *line.finding;
      out += fmt::format(
          "    {{\"rule\": {}, \"section\": {}, \"pack\": {}, \"declaration\": {}, \"name\": {}, \"caption\": {}, "
          "\"value\": {}, \"message\": {}, \"explanation\": {}, \"row\": {}, \"record\": {}, \"format\": \"{}\", "
          "\"text\": {}}}",
          JsonString(f.rule), JsonString(f.section), JsonString(f.pack), JsonString(f.declaration), JsonString(f.name),
          JsonString(f.caption), f.value.empty() ? "null" : JsonString(f.value), JsonString(f.message),
          JsonExplanation(f.rule), JsonRow(f.row), JsonRecord(f.record), FormatName(f.format), JsonString(line.text));
    } else {
      out +=
          "    {\"rule\": \"\", \"section\": \"\", \"pack\": \"\", \"declaration\": \"\", \"name\": \"\", "
          "\"caption\": \"\", \"value\": null, \"message\": " +
          JsonString(line.text) +
          ", \"explanation\": null, \"row\": null, \"record\": null, \"format\": \"plain\", \"text\": " +
          JsonString(line.text) + "}";
    }
  }
  out += first ? "],\n" : "\n  ],\n";
  out += "  \"lines\": [";
  first = true;
  for (const ProtocolLine& line : protocol.lines()) {
    out += first ? "\n    " : ",\n    ";
    first = false;
    out += JsonString(line.text);
  }
  out += first ? "]\n}" : "\n  ]\n}";
  return out;
}

}  // namespace zentrox
