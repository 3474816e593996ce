#include "output.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iostream>

#include "engine/text.h"

namespace zentrox::cli {
namespace {

// Standard output is written unbuffered, each write checked: what can't be
// written is lost, so the first failure is kept and nothing more is tried.
int g_output_error = 0;

}  // namespace

// "permission denied" rather than "Permission denied": the text follows a colon.
std::string ErrnoText(int error) {
  std::string text = std::strerror(error);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

void WriteOutput(std::string_view data) {
  while (!data.empty() && g_output_error == 0) {
    const ssize_t n = ::write(STDOUT_FILENO, data.data(), data.size());
    if (n > 0) {
      data.remove_prefix(static_cast<std::size_t>(n));
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // Standard output left non-blocking by whoever opened it: wait until it takes more.
      pollfd ready{STDOUT_FILENO, POLLOUT, 0};
      ::poll(&ready, 1, -1);
    } else if (n < 0 && errno != EINTR) {
      g_output_error = errno;
    }
  }
}

// The end of the program: standard output closed (a file system may report
// a failed write only then) and `status`, or exit status 3 after saying on
// standard error that the output could not be written.
int FinishOutput(int status) {
  if (::close(STDOUT_FILENO) != 0 && errno != EINTR && g_output_error == 0) g_output_error = errno;
  if (g_output_error == 0) return status;
  std::cerr << "zentrox-check: cannot write the output: " << ErrnoText(g_output_error) << '\n';
  return std::max(status, kExitNotChecked);
}

// A standard stream the program was started without gets a stand-in, so
// that no file opened later takes its number and receives what is meant for
// the stream. Standard output's stand-in refuses writes, as the closed
// stream would.
void StandInForClosedStreams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    const int opened = ::open("/dev/null", fd == STDERR_FILENO ? O_WRONLY : O_RDONLY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

// Writes what the program prints on standard output, in the encoding asked for.
void Print(const Options& opt, const std::string& out) {
  // JSON and CSV are UTF-8 whatever the encoding asked for.
  // Written as it stands otherwise, not copied: a protocol of 100,000 lines is 15 MB.
  if (opt.cp1251 && opt.format == OutputFormat::Text) {
    WriteOutput(Utf8ToCp1251(out));
  } else {
    WriteOutput(out);
  }
}

}  // namespace zentrox::cli
