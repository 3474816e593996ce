#include "intake/workdir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "data/files.h"

namespace zentrox {

namespace fs = std::filesystem;

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? std::string(v) : std::string();
}

}  // namespace

void CopyMissingDictionaries(const std::string& from, const std::string& to) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(from, ec)) {
    if (entry.path().extension() != ".txt" || !entry.is_regular_file(ec)) continue;
    fs::path target = fs::path(to) / entry.path().filename();
    if (fs::exists(target, ec)) continue;
    fs::copy_file(entry.path(), target, fs::copy_options::skip_existing, ec);
  }
}

std::string ChooseWorkdir(const std::string& explicit_dir, const std::string& program_dir) {
  if (!explicit_dir.empty()) return WithTrailingSlash(explicit_dir);
  std::string env = Env("ZENTROX_WORKDIR");
  if (!env.empty()) return WithTrailingSlash(env);
  if (::access(program_dir.c_str(), W_OK) == 0) return WithTrailingSlash(program_dir);

  std::string base = Env("XDG_DATA_HOME");
  if (base.empty()) base = Env("HOME").empty() ? std::string("/tmp") : Env("HOME") + "/.local/share";
  std::string dir = WithTrailingSlash(base) + "zentrox/";
  std::error_code ec;
  fs::create_directories(dir, ec);
  CopyMissingDictionaries(program_dir, dir);
  return dir;
}

}  // namespace zentrox
