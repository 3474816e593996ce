#include "rar_test_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace zentrox::rar::test {

RunResult run_rar(const std::vector<std::string>& args, const fs::path& cwd,
                  const std::map<std::string, std::string>& env) {
  TempDir scratch;
  const std::string out_path = scratch / "stdout";
  const std::string err_path = scratch / "stderr";

  std::vector<std::string> argv_store{ZENTROX_RAR_PROGRAM};
  argv_store.insert(argv_store.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_store) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::vector<std::string> env_store;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string key = entry.substr(0, entry.find('='));
    if (env.count(key) == 0 && key != "ZENTROX_RAR_MAX_BYTES") env_store.push_back(entry);
  }
  for (const auto& [key, value] : env) env_store.push_back(key + "=" + value);
  std::vector<char*> envp;
  for (std::string& e : env_store) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error(std::string("posix_spawn: ") + std::strerror(rc));

  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  }
  RunResult r;
  if (WIFEXITED(status)) r.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  r.out = read_file(out_path);
  r.err = read_file(err_path);
  return r;
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::string> tree(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(dir)) names.push_back(fs::relative(e.path(), dir).string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> listing_rows(const std::string& listing) {
  std::vector<std::string> rows;
  std::istringstream in(listing);
  std::string line;
  int dashes = 0;
  while (std::getline(in, line)) {
    if (line.rfind("-----", 0) == 0) {
      ++dashes;
      continue;
    }
    if (dashes == 1) rows.push_back(line);
  }
  return dashes == 2 ? rows : std::vector<std::string>{};
}

fs::path fixtures() {
  const fs::path dir = fs::path(ZENTROX_FIXTURES_DIR) / "rar";
  return fs::is_directory(dir) ? dir : fs::path();
}

std::string cp1251(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    // Two-byte sequences U+0410..U+044F map to 0xC0..0xFF.
    const unsigned cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3Fu);
    if (cp < 0x410 || cp > 0x44F) throw std::invalid_argument("outside the test's cp1251 range");
    out.push_back(static_cast<char>(cp - 0x410 + 0xC0));
  }
  return out;
}

}  // namespace zentrox::rar::test
