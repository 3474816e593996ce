// The directory a parallel batch works in, under the working directory.
//
// A batch makes ".zentrox-jobs-PID-XXXXXX" (PID its own process id), keeps a
// file in it locked while it lives, and removes it when it ends. Whoever can
// write the working directory could swap a link in for it meanwhile, so it is
// removed through the descriptor kept since it was made, never following a
// link, and the directory itself only while its name still stands for that
// same directory (device and inode).
//
// A batch killed with SIGKILL leaves its directory, which may hold a partly
// unpacked package: a later run in the working directory, holding its lock,
// removes those whose batch is gone.
#pragma once

#include <sys/types.h>

#include <string>

namespace zentrox {

class JobDirectory {
 public:
  // Makes the directory under `workdir` (ends in "/"); ok() says whether it could.
  explicit JobDirectory(const std::string& workdir);
  ~JobDirectory();
  JobDirectory(const JobDirectory&) = delete;
  JobDirectory& operator=(const JobDirectory&) = delete;

  bool ok() const { return fd_ >= 0; }
  // Its path, ending in "/".
  const std::string& path() const { return path_; }
  // A descriptor of the directory made, for names inside it.
  int fd() const { return fd_; }

 private:
  std::string workdir_;
  std::string name_;
  std::string path_;
  int fd_ = -1;
  int owner_ = -1;  // the file locked while the batch lives
  dev_t dev_ = 0;
  ino_t ino_ = 0;
};

// Removes from `workdir`, which the caller holds locked, the directories
// batches left there whose process is gone (and whose lock nobody holds):
// only directories of this user named as a batch names them.
void RemoveStaleJobDirectories(const std::string& workdir);

}  // namespace zentrox
