#include "intake/workdir.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

#include <fmt/format.h>

#include "data/files.h"
#include "data/variant.h"

namespace zentrox {

namespace fs = std::filesystem;

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? std::string(v) : std::string();
}

// FNV-1a over the file's bytes: enough to tell an edited dictionary from the
// copy the program made. Nothing when the file can't be read.
std::optional<std::string> Checksum(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::uint64_t h = 14695981039346656037ull;
  char buf[8192];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) {
    for (std::streamsize i = 0; i < in.gcount(); ++i) {
      h ^= static_cast<unsigned char>(buf[i]);
      h *= 1099511628211ull;
    }
  }
  if (in.bad()) return std::nullopt;
  return fmt::format("{:016x}", h);
}

// What the manifest keeps of one dictionary: its checksum as copied ("-" for
// a user's own file the program never wrote) and, once the user was told
// that the file differs from the installed one, "<file>:<installed>"
// checksums of that moment.
struct ManifestEntry {
  std::string copied;
  std::string told;
};
using Manifest = std::map<std::string, ManifestEntry>;

constexpr const char* kManifestHeader =
    "# Reference dictionaries as the program copied them here: name, checksum as copied,\n"
    "# and the versions the user was told about. A dictionary whose checksum differs was\n"
    "# edited and is kept; delete it to get the installed version back.\n";

Manifest ReadManifest(const fs::path& path) {
  Manifest m;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::size_t a = line.find('\t');
    if (a == std::string::npos || a == 0) continue;
    std::size_t b = line.find('\t', a + 1);
    ManifestEntry e;
    e.copied = line.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
    if (b != std::string::npos) e.told = line.substr(b + 1);
    m[line.substr(0, a)] = e;
  }
  return m;
}

// Writes through a temporary file and a rename, so a reader never sees half
// a file. False when that failed.
bool ReplaceFile(const fs::path& target, const std::string& content) {
  fs::path tmp = target;
  tmp += ".zentrox-new";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out << content;
    out.close();
    if (!out) {
      std::error_code ec;
      fs::remove(tmp, ec);
      return false;
    }
  }
  std::error_code ec;
  fs::rename(tmp, target, ec);
  if (ec) fs::remove(tmp, ec);
  return !ec;
}

bool WriteManifest(const fs::path& path, const Manifest& m) {
  std::string text = kManifestHeader;
  for (const auto& [name, e] : m) text += name + "\t" + e.copied + "\t" + e.told + "\n";
  return ReplaceFile(path, text);
}

// Copies an installed dictionary over `target` atomically; the copy is the
// user's to edit whatever the installed file's mode.
bool CopyDictionary(const fs::path& from, const fs::path& target) {
  fs::path tmp = target;
  tmp += ".zentrox-new";
  std::error_code ec;
  fs::copy_file(from, tmp, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::permissions(tmp, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
  if (!ec) fs::rename(tmp, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(tmp, ignored);
  }
  return !ec;
}

std::vector<std::string> InstalledDictionaries(const fs::path& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    std::error_code type_ec;
    if (entry.path().extension() == ".txt" && entry.is_regular_file(type_ec)) {
      names.push_back(entry.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

WorkdirChoice ChooseWorkdir(const std::optional<std::string>& option, const std::string& program_dir) {
  // An empty option stays empty: "/" is never a working directory by mistake.
  if (option) return {option->empty() ? std::string() : WithTrailingSlash(*option), WorkdirOrigin::Option};
  std::string env = Env("ZENTROX_WORKDIR");
  if (!env.empty()) return {WithTrailingSlash(env), WorkdirOrigin::Environment};
  if (::access(program_dir.c_str(), W_OK) == 0)
    return {WithTrailingSlash(program_dir), WorkdirOrigin::ProgramDirectory};

  std::string base = Env("XDG_DATA_HOME");
  if (base.empty()) base = Env("HOME").empty() ? std::string("/tmp") : Env("HOME") + "/.local/share";
  return {WithTrailingSlash(base) + "zentrox/", WorkdirOrigin::PerUser};
}

DictionarySync SyncDictionaries(const std::string& installed_dir, const std::string& workdir, bool adopt) {
  DictionarySync result;
  const std::vector<std::string> installed = InstalledDictionaries(installed_dir);
  if (installed.empty()) return result;
  std::error_code ec;
  // The portable build: the working directory is the installed set itself.
  if (fs::equivalent(installed_dir, workdir, ec)) return result;

  const fs::path from(installed_dir);
  const fs::path to(workdir);
  const fs::path manifest_path = to / kDictionaryManifest;
  const bool has_manifest = fs::exists(manifest_path, ec);
  if (!has_manifest && !adopt) {
    for (const std::string& name : installed) {
      if (fs::exists(to / name, ec)) return result;  // a folder with its own dictionaries
    }
  }
  result.managed = true;
  Manifest manifest = has_manifest ? ReadManifest(manifest_path) : Manifest{};
  bool changed = !has_manifest;

  for (const std::string& name : installed) {
    const std::optional<std::string> current_install = Checksum(from / name);
    if (!current_install) continue;
    const fs::path target = to / name;
    const auto known = manifest.find(name);
    const fs::file_status st = fs::status(target, ec);
    if (!fs::exists(st)) {  // new here, or deleted by the user: (re)store it
      if (CopyDictionary(from / name, target)) {
        manifest[name] = {*current_install, ""};
        result.copied.push_back(name);
        changed = true;
      }
      continue;
    }
    if (!fs::is_regular_file(st)) continue;
    const std::optional<std::string> here = Checksum(target);
    if (!here) continue;
    if (*here == *current_install) {
      if (known == manifest.end() || known->second.copied != *here || !known->second.told.empty()) {
        manifest[name] = {*here, ""};
        changed = true;
      }
      continue;
    }
    if (known != manifest.end() && known->second.copied == *here) {  // untouched since copied: upgrade
      if (CopyDictionary(from / name, target)) {
        manifest[name] = {*current_install, ""};
        result.copied.push_back(name);
        changed = true;
      }
      continue;
    }
    // The user's version: kept. Told once per pair of versions, so a later
    // installed version that this file holds back is news again.
    ManifestEntry& entry = manifest[name];
    if (entry.copied.empty()) entry.copied = "-";
    const std::string told = *here + ":" + *current_install;
    if (entry.told != told) {
      entry.told = told;
      result.to_tell.push_back(name);
      changed = true;
    }
  }
  if (changed) WriteManifest(manifest_path, manifest);
  return result;
}

std::string KeptDictionariesNotice(const std::vector<std::string>& names, const std::string& workdir,
                                   const std::string& installed_dir) {
  if (names.empty()) return std::string();
  std::string list;
  for (const std::string& n : names) list += (list.empty() ? "" : ", ") + n;
  return "Словари рабочего каталога " + WithTrailingSlash(workdir) + " отличаются от установленных (" +
         WithTrailingSlash(installed_dir) + ") и оставлены как есть: " + list +
         ". Чтобы получить установленную версию словаря, удалите его файл: при следующем запуске он будет "
         "восстановлен.";
}

WorkdirSetup PrepareWorkdir(const std::optional<std::string>& option, const std::string& program_dir) {
  WorkdirSetup setup;
  const WorkdirChoice choice = ChooseWorkdir(option, program_dir);
  if (choice.dir.empty()) {
    setup.error = "the working directory can't be an empty path";
    return setup;
  }
  fs::path p(choice.dir);
  std::error_code ec;
  if (p.is_relative()) p = fs::current_path(ec) / p;
  const std::string dir = WithTrailingSlash(p.lexically_normal().string());

  // Without the trailing "/", a regular file reads as itself, not as missing.
  const std::string plain = dir.size() > 1 ? dir.substr(0, dir.size() - 1) : dir;
  const fs::file_status st = fs::status(plain, ec);
  if (fs::exists(st) && !fs::is_directory(st)) {
    setup.error = "working directory " + dir + ": not a directory";
    return setup;
  }
  if (!fs::exists(st)) {
    fs::create_directories(plain, ec);
    if (ec) {
      setup.error = "working directory " + dir + ": can't be created: " + ec.message();
      return setup;
    }
  }
  if (::access(dir.c_str(), R_OK | W_OK | X_OK) != 0) {
    setup.error = "working directory " + dir + ": can't be used: " + std::strerror(errno);
    return setup;
  }
  setup.dir = dir;
  const DictionarySync sync = SyncDictionaries(program_dir, dir, choice.origin == WorkdirOrigin::PerUser);
  setup.notice = KeptDictionariesNotice(sync.to_tell, dir, program_dir);
  return setup;
}

bool CopyWorkdirDictionaries(const std::string& workdir, const std::string& dir, std::string& error) {
  std::vector<std::string> names;
  for (Variant v : AllVariants()) {
    for (const DictionaryFile& d : Profile(v).dictionaries) names.push_back(d.name);
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  for (const std::string& name : names) {
    // The run finds its dictionaries without regard to case: so is the copy found.
    const std::optional<std::string> found = FindFileNoCase(WithTrailingSlash(workdir) + name);
    if (!found) continue;
    const fs::path from(*found);
    std::error_code ec;
    fs::copy_file(from, fs::path(dir) / from.filename(), ec);
    if (ec) {
      error = *found + ": " + ec.message();
      return false;
    }
  }
  return true;
}

}  // namespace zentrox
