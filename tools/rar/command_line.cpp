#include "command_line.h"

#include <langinfo.h>

#include <fmt/core.h>

#include <algorithm>
#include <clocale>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "commands.h"
#include "exit_codes.h"

namespace zentrox::rar_tool {
namespace {

constexpr const char* kUsageText =
    "usage: Rar l ARCHIVE                          list the entries\n"
    "       Rar e [-y] ARCHIVE [NAME...] DESTDIR   extract regular files (only NAMEs, if given,\n"
    "                                              matched against base names ignoring case and\n"
    "                                              written under their lower-case names)\n"
    "                                              into DESTDIR, overwriting existing files\n"
    "       Rar a ARCHIVE FILE...                  create a stored archive of FILEs\n"
    "environment: ZENTROX_RAR_MAX_BYTES caps the total bytes `e` writes (default 1 GiB)\n";

[[noreturn]] void usage_error(const std::string& message) {
  std::fputs(fmt::format("Rar: {}\n{}", message, kUsageText).c_str(), stderr);
  std::exit(kUsage);
}

}  // namespace

void use_utf8_locale() {
  std::setlocale(LC_ALL, "");
  const char* codeset = nl_langinfo(CODESET);
  if (codeset == nullptr || std::strcmp(codeset, "UTF-8") != 0) std::setlocale(LC_ALL, "C.UTF-8");
}

int run(const std::vector<std::string>& args) {
  if (args.empty()) usage_error("no command given");
  const std::string& command = args[0];
  if (command == "l") {
    if (args.size() != 2) usage_error("l takes exactly one ARCHIVE");
    return list(args[1]);
  }
  if (command == "e") {
    std::size_t i = 1;
    for (; i < args.size() && args[i].size() > 1 && args[i][0] == '-'; ++i) {
      if (args[i] == "--") {
        ++i;
        break;
      }
      if (args[i] != "-y") usage_error(fmt::format("unknown option {}", args[i]));
    }
    if (args.size() - i < 2) usage_error("e needs ARCHIVE and DESTDIR");
    std::vector<std::string> names(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end() - 1);
    if (std::any_of(names.begin(), names.end(), [](const std::string& n) { return n.empty(); }))
      usage_error("empty NAME");
    return extract(args[i], std::move(names), args.back());
  }
  if (command == "a") {
    if (args.size() < 3) usage_error("a needs ARCHIVE and at least one FILE");
    return create(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
  }
  usage_error(fmt::format("unknown command {}", command));
}

}  // namespace zentrox::rar_tool
