#include "entry_names.h"

#include <algorithm>
#include <climits>
#include <cwchar>
#include <cwctype>
#include <optional>
#include <vector>

namespace zentrox::rar {
namespace {

std::optional<std::vector<std::wint_t>> lowered(std::string_view s) {
  std::vector<std::wint_t> out;
  std::mbstate_t state{};
  std::size_t at = 0;
  while (at < s.size()) {
    wchar_t wc = 0;
    const std::size_t n = std::mbrtowc(&wc, s.data() + at, s.size() - at, &state);
    if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) return std::nullopt;
    out.push_back(std::towlower(static_cast<std::wint_t>(wc)));
    at += n == 0 ? 1 : n;
  }
  return out;
}

}  // namespace

std::string base_name(std::string_view stored) {
  const std::size_t slash = stored.find_last_of("/\\");
  std::string_view base = slash == std::string_view::npos ? stored : stored.substr(slash + 1);
  while (!base.empty() && base.back() == '.') base.remove_suffix(1);
  return std::string(base);
}

namespace {
bool is_control(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }
}  // namespace

bool is_safe_base_name(std::string_view base) {
  return !base.empty() && base != "." && base != ".." && base.find_first_of("/\\") == std::string_view::npos &&
         std::none_of(base.begin(), base.end(), is_control);
}

std::string printable(std::string_view name) {
  std::string out(name);
  std::replace_if(out.begin(), out.end(), is_control, '?');
  return out;
}

bool same_name_ignoring_case(std::string_view a, std::string_view b) {
  const auto la = lowered(a);
  const auto lb = lowered(b);
  if (la && lb) return *la == *lb;
  return a == b;
}

std::string lower_name(std::string_view name) {
  std::string ascii(name);
  std::transform(ascii.begin(), ascii.end(), ascii.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  const auto wide = lowered(name);
  if (!wide) return ascii;
  std::string out;
  std::mbstate_t state{};
  char bytes[MB_LEN_MAX];
  for (const std::wint_t wc : *wide) {
    const std::size_t n = std::wcrtomb(bytes, static_cast<wchar_t>(wc), &state);
    if (n == static_cast<std::size_t>(-1)) return ascii;
    out.append(bytes, n);
  }
  return out;
}

std::size_t display_width(std::string_view utf8) {
  std::size_t width = 0;
  for (const char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++width;
  return width;
}

}  // namespace zentrox::rar
