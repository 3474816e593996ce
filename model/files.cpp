#include "model/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "engine/text.h"

namespace zentrox {

std::string DirectoryPart(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string FileNamePart(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string WithTrailingSlash(std::string_view dir) {
  std::string d(dir);
  while (d.size() > 1 && d.back() == '/') d.pop_back();
  if (d != "/") d.push_back('/');
  return d;
}

namespace {

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> MatchingNames(const std::string& path) {
  std::vector<std::string> found;
  std::string dir = DirectoryPart(path);
  std::string name = FileNamePart(path);
  if (name.empty()) return found;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return found;
  while (dirent* e = ::readdir(d)) {
    if (EqualsIgnoreAsciiCase(e->d_name, name)) found.push_back(dir + e->d_name);
  }
  ::closedir(d);
  return found;
}

}  // namespace

std::optional<std::string> FindFileNoCase(const std::string& path) {
  if (IsRegularFile(path)) return path;
  for (const std::string& candidate : MatchingNames(path)) {
    if (IsRegularFile(candidate)) return candidate;
  }
  return std::nullopt;
}

bool FileExistsNoCase(const std::string& path) { return FindFileNoCase(path).has_value(); }

void RemoveFileNoCase(const std::string& path) {
  for (const std::string& candidate : MatchingNames(path)) {
    struct stat st {};
    if (::lstat(candidate.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) ::unlink(candidate.c_str());
  }
}

std::string ReadWholeFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw FileReadError{path};
  std::string data;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > 0) data.reserve(static_cast<std::size_t>(st.st_size));
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      throw FileReadError{path};
    }
    if (n == 0) break;
    data.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return data;
}

}  // namespace zentrox
