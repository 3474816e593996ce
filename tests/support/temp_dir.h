// A private temporary directory per test, shared by every test binary.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zentrox::test {

// Creates a fresh directory under $TMPDIR (or /tmp) and removes it with its
// content on destruction. `path()` ends in "/", so a name can be appended.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // The directory without the final "/".
  std::filesystem::path dir() const { return std::filesystem::path(path_).parent_path(); }
  std::string operator/(std::string_view name) const { return path_ + std::string(name); }

 private:
  std::string path_;
};

}  // namespace zentrox::test
