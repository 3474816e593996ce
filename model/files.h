// File names on this platform: package files are found without regard to
// case (the control run asks for "REV5_T", the archive holds "rev5_t").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zentrox {

// The path of an existing regular file whose name equals the last component
// of `path` without regard to case (the exact name is preferred).
std::optional<std::string> FindFileNoCase(const std::string& path);
bool FileExistsNoCase(const std::string& path);

// Deletes every file in the directory of `path` whose name matches without
// regard to case. Absent or undeletable files are passed over silently.
void RemoveFileNoCase(const std::string& path);

// The directory part of a path including its trailing "/" ("" when none).
std::string DirectoryPart(std::string_view path);
// The part after the last "/".
std::string FileNamePart(std::string_view path);
// `dir` with exactly one trailing "/".
std::string WithTrailingSlash(std::string_view dir);

// Thrown by the loaders when an existing file cannot be read.
struct FileReadError {
  std::string path;
};

// The whole content of a file; throws FileReadError.
std::string ReadWholeFile(const std::string& path);

}  // namespace zentrox
