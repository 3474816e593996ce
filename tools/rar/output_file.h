// Output files of the archiver. Every output is written to a fresh temporary
// file beside its final name and renamed into place only when complete, so a
// failed or killed run never leaves a partial file under a real name. A fatal
// signal (libarchive can crash on damaged input) removes the temporary file
// before the process dies.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zentrox::rar_tool {

// Removes the temporary file being written on a fatal or ending signal.
// A signal the run was started with ignored stays ignored: a background job
// must not die of a Ctrl+C in its terminal, nor a run under nohup of a hangup.
void install_signal_cleanup();

class TempFile {
 public:
  explicit TempFile(int dirfd);
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile();

  void write(const void* data, std::size_t size);
  void write(std::string_view bytes) { write(bytes.data(), bytes.size()); }

  // Replaces whatever is at final_name (a symlink there is replaced, not followed).
  void commit(const std::string& final_name);

 private:
  int dirfd_;
  int fd_ = -1;
  std::string name_;
  bool committed_ = false;
};

// A descriptor closed at the end of its scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd();
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace zentrox::rar_tool
