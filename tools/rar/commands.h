// The archiver's commands. Each returns its exit status or ends with a
// Failure (exit_codes.h).
#pragma once

#include <string>
#include <vector>

namespace zentrox::rar_tool {

// `l`: lists the entries of the archive on standard output.
int list(const std::string& path);

// `e`: extracts the regular files (only those matching `names`, when given)
// into the directory `dest`.
int extract(const std::string& path, std::vector<std::string> names, const std::string& dest);

// `a`: creates a stored archive of `files` at `archive_path`.
int create(const std::string& archive_path, const std::vector<std::string>& files);

}  // namespace zentrox::rar_tool
