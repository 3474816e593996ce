#include "support/test_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "engine/text.h"

namespace zentrox::test {

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

void WriteCp1251(const std::string& path, std::string_view utf8) { WriteBytes(path, Utf8ToCp1251(utf8)); }

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Record(const std::vector<std::string>& fields) {
  std::string out;
  for (const std::string& f : fields) out += f + "°";
  return out;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> v;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t nl = text.find('\n', pos);
    if (nl == std::string::npos) nl = text.size();
    v.push_back(text.substr(pos, nl - pos));
    pos = nl + 1;
  }
  return v;
}

std::vector<std::string> Texts(const Protocol& protocol) {
  std::vector<std::string> out;
  for (const ProtocolLine& l : protocol.lines()) out.push_back(l.text);
  return out;
}

std::vector<std::string> FaultTexts(const Protocol& protocol) {
  std::vector<std::string> out;
  for (const ProtocolLine& l : protocol.lines()) {
    if (l.kind == LineKind::Fault) out.push_back(l.text);
  }
  return out;
}

Date D(int day, int month, int year) { return *Date::FromYmd(year, month, day); }

CommaLocale::CommaLocale() {
  for (const char* l : {"de_DE.UTF-8", "ru_RU.UTF-8"}) {
    if (std::setlocale(LC_ALL, l) != nullptr) return;
  }
  std::string cmd = "localedef -i de_DE -f UTF-8 " + dir_.path() + "de_DE.UTF-8 >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return;
  ::setenv("LOCPATH", dir_.path().c_str(), 1);
  std::setlocale(LC_ALL, "de_DE.UTF-8");
}

CommaLocale::~CommaLocale() {
  std::setlocale(LC_ALL, "C");
  ::unsetenv("LOCPATH");
}

bool CommaLocale::active() const { return std::string(std::localeconv()->decimal_point) == ","; }

void CopyDictionaries(const std::string& dir) {
  namespace fs = std::filesystem;
  for (const auto& e : fs::directory_iterator(ZENTROX_SOURCE_DIR "/share/dictionaries")) {
    if (e.path().extension() == ".txt")
      fs::copy_file(e.path(), fs::path(dir) / e.path().filename(), fs::copy_options::overwrite_existing);
  }
}

}  // namespace zentrox::test
