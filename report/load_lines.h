// What the package file loader and the dictionary loaders share: reading
// lines and writing a load fault.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

#include "engine/table.h"
#include "report/checks.h"

namespace zentrox::load {

// Calls `fn` with each line of `data` and the offset where it starts: a line
// ends at LF or CR LF, which are not part of it, and a CR that is not
// followed by LF is dropped. An `fn` that returns an offset is also given
// the offset after the line's end and returns where the next line starts:
// there, or further on past lines it took in itself.
template <typename Fn>
void ForEachLine(std::string_view data, Fn&& fn) {
  std::string line;
  std::size_t i = 0;
  const std::size_t n = data.size();
  // The line `fn` is given and where the next line starts.
  auto call = [&](std::string_view text, std::size_t start, std::size_t next) {
    if constexpr (std::is_invocable_v<Fn&, std::string_view, std::size_t, std::size_t>) {
      return std::max(next, std::size_t{fn(text, start, next)});
    } else {
      fn(text, start);
      return next;
    }
  };
  while (i < n) {
    const char* lf = static_cast<const char*>(std::memchr(data.data() + i, '\n', n - i));
    std::size_t end = lf == nullptr ? n : static_cast<std::size_t>(lf - data.data());
    std::string_view raw(data.data() + i, end - i);
    std::size_t cr = raw.find('\r');
    if (cr == std::string_view::npos) {
      i = call(raw, i, end + 1);
    } else if (cr + 1 == raw.size()) {
      i = call(raw.substr(0, cr), i, end + 1);  // CR LF
    } else {
      line.clear();
      for (char c : raw) {
        if (c != '\r') line.push_back(c);
      }
      i = call(std::string_view(line), i, end + 1);
    }
  }
}

// The file part of a path.
std::string BaseName(const std::string& path);

// A loader's fault of `rule` names line `line` of `file` (0: the file as a
// whole), which is also the number its text shows; its message is the
// rule's, or `message`.
void Fault(FindingWriter& c, std::string text, const RuleEntry& rule, std::string caption, const std::string& file,
           int line, std::string_view value = {}, std::string_view message = {});

// Keeps a faulty line's row when at least one of its fields converted.
void KeepIfAnySet(Table& table, RowId row);

}  // namespace zentrox::load
