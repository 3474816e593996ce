// Writing a whole output file so that a failure never destroys the old one.
#pragma once

#include <string>

namespace zentrox {

// Writes `content` to `path`. A regular file (or a new one) is written through
// a temporary file in its directory and a rename, so a failed write never
// destroys an existing file; through a symbolic link that is the link's final
// target, in the target's directory, and the link stays. A character device
// or FIFO is written directly. Throws std::runtime_error with a readable
// message on failure and for any other kind of file (a directory, socket or
// block device), which is left as it was.
void WriteFileAtomically(const std::string& path, const std::string& content);

}  // namespace zentrox
