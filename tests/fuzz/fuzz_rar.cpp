// `Rar l` and `Rar e` over arbitrary archive bytes, in-process: the archiver's
// code is linked into this target without its main(), whose signal handlers
// would hide a crash from the sanitizers. Extraction goes into a scratch
// directory that is emptied after every input; the unpacked size is capped
// low so that inflating input costs little time.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "command_line.h"
#include "entry_names.h"
#include "exit_codes.h"
#include "fuzz_support.h"

using namespace zentrox;
using namespace zentrox::rar_tool;

namespace {

void EmptyDirectory(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return;
  std::vector<std::string> names;
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(d);
  for (const std::string& name : names) unlink((dir + name).c_str());
}

int RunRar(const std::vector<std::string>& args) {
  try {
    return run(args);
  } catch (const Failure& f) {
    return f.code;
  } catch (const std::exception&) {
    return kArchiveError;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  use_utf8_locale();
  setenv("ZENTROX_RAR_MAX_BYTES", "1048576", 1);
  // The listing goes to standard output; libFuzzer reports on standard error.
  const int null = open("/dev/null", O_WRONLY);
  if (null >= 0) dup2(null, STDOUT_FILENO);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& scratch = zentrox::fuzz::ScratchDir();
  const std::string archive = scratch + "in.rar";
  const std::string out = scratch + "out/";
  mkdir(out.c_str(), 0700);
  zentrox::fuzz::WriteFile(archive, zentrox::fuzz::AsView(data, size));

  const int listed = RunRar({"l", archive});
  const int all = RunRar({"e", "-y", archive, out});
  // Whatever was extracted is a plain file with a safe name.
  if (DIR* d = opendir(out.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      if (e->d_type != DT_REG || !rar::is_safe_base_name(name)) __builtin_trap();
    }
    closedir(d);
  }
  EmptyDirectory(out);
  const int named = RunRar({"e", "-y", archive, "rev5_t", "rev5_ip", "rev5_na", "rev5_sd", out});
  EmptyDirectory(out);
  // A listing that failed means an extraction that failed too.
  if (listed != kOk && (all == kOk || named == kOk)) __builtin_trap();
  return 0;
}
