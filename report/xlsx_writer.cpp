#include "report/xlsx_writer.h"

#include <unistd.h>
#include <xlsxwriter.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "engine/text.h"
#include "report/atomic_write.h"
#include "report/finding_columns.h"

namespace zentrox {

namespace {

namespace fs = std::filesystem;

// A cell holds at most this many characters; a longer text is cut at a
// character boundary.
constexpr std::size_t kMaxCellBytes = 32767;

std::string CellText(std::string_view text) {
  std::string out = ValidUtf8(text);
  if (out.size() <= kMaxCellBytes) return out;
  std::size_t cut = kMaxCellBytes;
  while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
  out.resize(cut);
  return out;
}

// A scratch file beside `path`, removed when it goes out of scope.
class ScratchFile {
 public:
  explicit ScratchFile(const std::string& path) {
    const fs::path dir = fs::absolute(path).parent_path();
    std::string name = (dir / ".zentrox-xlsx-XXXXXX").string();
    const int fd = mkstemp(name.data());
    if (fd < 0) throw std::runtime_error("cannot create a scratch file in " + dir.string());
    close(fd);
    path_ = name;
    dir_ = dir.string();
  }
  ~ScratchFile() {
    std::error_code ignored;
    fs::remove(path_, ignored);
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  const std::string& path() const { return path_; }
  const std::string& dir() const { return dir_; }

 private:
  std::string path_;
  std::string dir_;
};

void Check(lxw_error error, const std::string& path) {
  if (error != LXW_NO_ERROR) throw std::runtime_error(path + ": " + lxw_strerror(error));
}

}  // namespace

void WriteFindingsXlsx(const std::string& path, const Protocol& protocol, std::string_view archive) {
  ScratchFile scratch(path);
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;  // rows go out as they are written
  std::vector<char> tmpdir(scratch.dir().begin(), scratch.dir().end());
  tmpdir.push_back('\0');
  options.tmpdir = tmpdir.data();
  lxw_workbook* book = workbook_new_opt(scratch.path().c_str(), &options);
  if (book == nullptr) throw std::runtime_error("cannot write the workbook " + path);
  lxw_worksheet* sheet = workbook_add_worksheet(book, "Erori");
  lxw_format* bold = workbook_add_format(book);
  format_set_bold(bold);
  lxw_format* text = workbook_add_format(book);
  format_set_num_format(text, "@");
  lxw_format* heading = workbook_add_format(book);
  format_set_bold(heading);
  format_set_bottom(heading, LXW_BORDER_THIN);
  format_set_bg_color(heading, 0xE8E8E8);

  // The archive once, then the columns after it.
  const auto columns = FindingColumns().subspan(1);
  lxw_error error = LXW_NO_ERROR;
  for (lxw_col_t c = 0; c < columns.size() && error == LXW_NO_ERROR; ++c) {
    error = worksheet_set_column(sheet, c, c, columns[c].width, columns[c].number ? nullptr : text);
  }
  worksheet_freeze_panes(sheet, 2, 0);
  if (error == LXW_NO_ERROR) error = worksheet_write_string(sheet, 0, 0, CellText(archive).c_str(), bold);
  for (lxw_col_t c = 0; c < columns.size() && error == LXW_NO_ERROR; ++c) {
    error = worksheet_write_string(sheet, 1, c, std::string(columns[c].name).c_str(), heading);
  }
  lxw_row_t row = 2;
  ForEachFindingRow(protocol, archive, [&](const FindingRow& finding) {
    if (row >= LXW_ROW_MAX) return;
    for (lxw_col_t c = 0; c < columns.size() && error == LXW_NO_ERROR; ++c) {
      const std::string_view value = columns[c].cell(finding);
      if (value.empty()) continue;
      if (columns[c].number) {
        long long number = 0;
        std::from_chars(value.data(), value.data() + value.size(), number);
        error = worksheet_write_number(sheet, row, c, static_cast<double>(number), nullptr);
      } else {
        error = worksheet_write_string(sheet, row, c, CellText(value).c_str(), text);
      }
    }
    ++row;
  });
  if (error == LXW_NO_ERROR && row > 2) {
    error = worksheet_autofilter(sheet, 1, 0, row - 1, static_cast<lxw_col_t>(columns.size() - 1));
  }
  const lxw_error closed = workbook_close(book);  // frees the workbook either way
  Check(error, path);
  Check(closed, path);

  std::ifstream in(scratch.path(), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) throw std::runtime_error("cannot read back the workbook for " + path);
  WriteFileAtomically(path, bytes);
}

}  // namespace zentrox
