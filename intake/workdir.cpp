#include "intake/workdir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <system_error>
#include <utility>

#include <fmt/format.h>

#include "intake/workdir_files.h"
#include "intake/workdir_lock.h"
#include "model/files.h"
#include "model/variant.h"

namespace zentrox {

namespace fs = std::filesystem;
using namespace workdir_files;

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? std::string(v) : std::string();
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

Manifest ParseManifest(const std::string& text) {
  Manifest m;
  std::istringstream in(text);
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

// The manifest of the directory `dirfd` (shown as `dir`), or none when there
// is none or it can't be taken for one: that is said in `warnings`. Neither a
// link, a FIFO, a device nor a huge file is read.
std::optional<Manifest> ReadManifest(int dirfd, const std::string& dir, std::vector<std::string>& warnings) {
  auto pass_over = [&](const std::string& why) {
    warnings.push_back("the dictionary manifest " + dir + kDictionaryManifest + " is ignored: " + why);
    return std::nullopt;
  };
  Fd fd(OpenRegular(dirfd, kDictionaryManifest, /*follow=*/false));
  if (fd.get() < 0) {
    if (errno == ENOENT) return std::nullopt;
    return pass_over(errno == EINVAL ? "not a regular file" : ErrnoText(errno));
  }
  std::string text;
  if (!ReadUpTo(fd.get(), kMaxManifestBytes + 1, text)) return pass_over(ErrnoText(errno));
  if (text.size() > kMaxManifestBytes) return pass_over("larger than 1 MB");
  return ParseManifest(text);
}

bool WriteManifest(int dirfd, const std::string& dir, const Manifest& m, std::string& error) {
  std::string text = kManifestHeader;
  for (const auto& [name, e] : m) text += name + "\t" + e.copied + "\t" + e.told + "\n";
  const auto write = [&](int fd) { return WriteAll(fd, text.data(), text.size()); };
  return ReplaceFile(dirfd, dir, kDictionaryManifest, 0666 & ~ProcessUmask(), write, error);
}

// Copies an installed dictionary over `name` in `dirfd` atomically; the copy
// is the user's to edit whatever the installed file's mode.
bool CopyDictionary(const std::string& from, int dirfd, const std::string& dir, const std::string& name,
                    std::string& error) {
  Fd in(OpenRegular(AT_FDCWD, from, /*follow=*/true));
  struct stat st {};
  if (in.get() < 0 || ::fstat(in.get(), &st) != 0) {
    error = from + ": can't be read: " + ErrnoText(errno);
    return false;
  }
  const mode_t mode = ((st.st_mode & 0777) & ~ProcessUmask()) | 0600;
  const auto copy = [&](int fd) { return CopyAll(in.get(), fd); };
  return ReplaceFile(dirfd, dir, name, mode, copy, error);
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

// What stands under `name` in `dirfd`, links not followed; none when nothing
// does (or it can't be told).
std::optional<mode_t> EntryType(int dirfd, const std::string& name) {
  struct stat st {};
  if (::fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
  return st.st_mode & S_IFMT;
}

// The working directory's own checks beyond being a directory one can write:
// the per-user directory must be this user's alone, since a directory that
// someone else owns or can write may hold dictionaries they planted.
std::string PerUserFault(const std::string& dir) {
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0) return "can't be used: " + ErrnoText(errno);
  const std::string advice = "; name a working directory with --workdir DIR or ZENTROX_WORKDIR";
  if (st.st_uid != ::geteuid()) return "belongs to another user" + advice;
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) return "others can write it" + advice;
  return "";
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
  if (base.empty() && !Env("HOME").empty()) base = Env("HOME") + "/.local/share";
  // No home: no directory is this user's alone (a shared one such as /tmp's
  // would let others plant dictionaries).
  if (base.empty()) return {std::string(), WorkdirOrigin::PerUser};
  return {WithTrailingSlash(base) + "zentrox/", WorkdirOrigin::PerUser};
}

DictionarySync SyncDictionaries(const std::string& installed_dir, const std::string& workdir, bool adopt,
                                std::chrono::milliseconds lock_wait) {
  DictionarySync result;
  const std::vector<std::string> installed = InstalledDictionaries(installed_dir);
  if (installed.empty()) return result;
  std::error_code ec;
  // The portable build: the working directory is the installed set itself.
  if (fs::equivalent(installed_dir, workdir, ec)) return result;

  const std::string dir = WithTrailingSlash(workdir);
  const Fd dirfd(Retried([&] { return ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
  if (dirfd.get() < 0) {
    result.error = "working directory " + dir + ": can't be used: " + ErrnoText(errno);
    return result;
  }
  // The manifest, or none (then whether the folder is an office's own set).
  // Read once before the lock, so that an office's own set is left without a
  // lock file, and once more under it, for what the lock holder before us
  // may have changed.
  std::optional<Manifest> read;
  auto own_set = [&] {
    result.warnings.clear();
    read = ReadManifest(dirfd.get(), dir, result.warnings);
    if (read || adopt) return false;
    return std::any_of(installed.begin(), installed.end(),
                       [&](const std::string& name) { return EntryType(dirfd.get(), name).has_value(); });
  };
  if (own_set()) return result;
  const WorkdirLock lock(dir, lock_wait);
  if (!lock.acquired()) {
    result.busy = true;
    return result;
  }
  if (own_set()) return result;
  const std::string from = WithTrailingSlash(installed_dir);
  const bool has_manifest = read.has_value();
  result.managed = true;
  Manifest manifest = has_manifest ? std::move(*read) : Manifest{};
  bool changed = !has_manifest;

  for (const std::string& name : installed) {
    const std::optional<std::string> current_install = Checksum(OpenRegular(AT_FDCWD, from + name, true));
    if (!current_install) continue;
    const auto known = manifest.find(name);
    const std::optional<mode_t> type = EntryType(dirfd.get(), name);
    if (!type && errno == ENOENT) {  // new here, or deleted by the user: (re)store it
      if (!CopyDictionary(from + name, dirfd.get(), dir, name, result.error)) break;
      manifest[name] = {*current_install, ""};
      result.copied.push_back(name);
      changed = true;
      continue;
    }
    // A link, a folder or anything else the user put there stays as it is.
    if (type != S_IFREG) continue;
    const std::optional<std::string> here = Checksum(OpenRegular(dirfd.get(), name, false));
    if (!here) continue;
    if (*here == *current_install) {
      if (known == manifest.end() || known->second.copied != *here || !known->second.told.empty()) {
        manifest[name] = {*here, ""};
        changed = true;
      }
      continue;
    }
    if (known != manifest.end() && known->second.copied == *here) {  // untouched since copied: upgrade
      if (!CopyDictionary(from + name, dirfd.get(), dir, name, result.error)) break;
      manifest[name] = {*current_install, ""};
      result.copied.push_back(name);
      changed = true;
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
  // What was copied before a failure is recorded all the same, so that a
  // later start takes it for the program's copy.
  std::string manifest_error;
  if (changed && !WriteManifest(dirfd.get(), dir, manifest, manifest_error) && result.error.empty()) {
    result.error = manifest_error;
  }
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
  auto unusable = [&setup](const std::string& error) {
    setup.fault = WorkdirFault::Unusable;
    setup.error = error;
    return setup;
  };
  const WorkdirChoice choice = ChooseWorkdir(option, program_dir);
  if (choice.dir.empty() && choice.origin == WorkdirOrigin::PerUser) {
    return unusable(
        "no working directory: the program's own can't be written and neither HOME nor XDG_DATA_HOME is set "
        "for a per-user one; name one with --workdir DIR or ZENTROX_WORKDIR");
  }
  if (choice.dir.empty()) return unusable("the working directory can't be an empty path");
  fs::path p(choice.dir);
  std::error_code ec;
  if (p.is_relative()) p = fs::current_path(ec) / p;
  const std::string dir = WithTrailingSlash(p.lexically_normal().string());

  // Without the trailing "/", a regular file reads as itself, not as missing.
  const std::string plain = dir.size() > 1 ? dir.substr(0, dir.size() - 1) : dir;
  const fs::file_status st = fs::status(plain, ec);
  if (fs::exists(st) && !fs::is_directory(st)) return unusable("working directory " + dir + ": not a directory");
  if (!fs::exists(st)) {
    fs::create_directories(fs::path(plain).parent_path(), ec);
    // The per-user directory is the user's alone from the start.
    const mode_t mode = choice.origin == WorkdirOrigin::PerUser ? 0700 : 0777;
    if (!ec && ::mkdir(plain.c_str(), mode) != 0 && errno != EEXIST) ec.assign(errno, std::generic_category());
    if (ec) return unusable("working directory " + dir + ": can't be created: " + ec.message());
  }
  if (::access(dir.c_str(), R_OK | W_OK | X_OK) != 0) {
    return unusable("working directory " + dir + ": can't be used: " + std::strerror(errno));
  }
  if (choice.origin == WorkdirOrigin::PerUser) {
    const std::string fault = PerUserFault(dir);
    if (!fault.empty()) return unusable("working directory " + dir + ": " + fault);
  }
  // Without waiting: another run holding the lock synced before it took it.
  DictionarySync sync = SyncDictionaries(program_dir, dir, choice.origin == WorkdirOrigin::PerUser);
  setup.warnings = std::move(sync.warnings);
  if (!sync.error.empty()) {
    setup.fault = WorkdirFault::NotReady;
    setup.error = sync.error;
    return setup;
  }
  setup.dir = dir;
  setup.notice = KeptDictionariesNotice(sync.to_tell, dir, program_dir);
  setup.kept = sync.to_tell;
  return setup;
}

bool CopyWorkdirDictionaries(const std::string& workdir, const std::string& dir, std::string& error) {
  std::vector<std::string> names;
  for (Variant v : AllVariants()) {
    for (const DictionaryFile& d : Profile(v).dictionaries) names.push_back(d.name);
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  const std::string to = WithTrailingSlash(dir);
  const Fd dirfd(Retried([&] { return ::open(to.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
  if (dirfd.get() < 0) {
    error = to + ": " + ErrnoText(errno);
    return false;
  }
  for (const std::string& name : names) {
    // The run finds its dictionaries without regard to case: so is the copy found.
    const std::optional<std::string> found = FindFileNoCase(WithTrailingSlash(workdir) + name);
    if (!found) continue;
    const std::string target = FileNamePart(*found);
    Fd in(OpenRegular(AT_FDCWD, *found, /*follow=*/true));
    struct stat st {};
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0) {
      error = *found + ": " + ErrnoText(errno);
      return false;
    }
    const auto copy = [&](int fd) { return CopyAll(in.get(), fd); };
    const int out = CreateNew(dirfd.get(), target);
    if (out < 0 || !Fill(out, copy, st.st_mode & 0777)) {
      error = to + target + ": " + ErrnoText(errno);
      return false;
    }
  }
  return true;
}

}  // namespace zentrox
