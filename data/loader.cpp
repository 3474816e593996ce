#include "data/loader.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "data/files.h"
#include "data/schemas.h"
#include "data/text.h"

namespace zentrox {
namespace {

constexpr char kTerminator = '\xB0';

// Calls `fn` with each line of `data` and the offset where it starts: a line
// ends at LF or CR LF, which are not part of it, and a CR that is not
// followed by LF is dropped.
template <typename Fn>
void ForEachLine(std::string_view data, Fn&& fn) {
  std::string line;
  std::size_t i = 0;
  const std::size_t n = data.size();
  while (i < n) {
    const char* lf = static_cast<const char*>(std::memchr(data.data() + i, '\n', n - i));
    std::size_t end = lf == nullptr ? n : static_cast<std::size_t>(lf - data.data());
    std::string_view raw(data.data() + i, end - i);
    std::size_t cr = raw.find('\r');
    if (cr == std::string_view::npos) {
      fn(raw, i);
    } else if (cr + 1 == raw.size()) {
      fn(raw.substr(0, cr), i);  // CR LF
    } else {
      line.clear();
      for (char c : raw) {
        if (c != '\r') line.push_back(c);
      }
      fn(std::string_view(line), i);
    }
    i = end + 1;
  }
}

// A package file's bytes, mapped rather than copied. The pages already
// parsed can be given back while loading, so a large file never sits in
// memory beside the table it fills.
class FileBytes {
 public:
  explicit FileBytes(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw FileReadError{path};
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
      size_ = static_cast<std::size_t>(st.st_size);
      void* p = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
      if (p != MAP_FAILED) {
        map_ = static_cast<char*>(p);
        ::madvise(p, size_, MADV_SEQUENTIAL);
      }
    }
    ::close(fd);
    if (map_ == nullptr) {
      size_ = 0;
      copy_ = ReadWholeFile(path);
    }
  }
  ~FileBytes() {
    if (map_ != nullptr) ::munmap(map_, size_);
  }
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;

  std::string_view view() const { return map_ != nullptr ? std::string_view(map_, size_) : std::string_view(copy_); }

  // Gives back the whole pages before byte `offset`, which the caller reads
  // no more.
  void Release(std::size_t offset) {
    if (map_ == nullptr) return;
    static const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::size_t upto = offset / page * page;
    if (upto <= released_ + (std::size_t{8} << 20)) return;  // in steps of 8 MiB
    ::madvise(map_ + released_, upto - released_, MADV_DONTNEED);
    released_ = upto;
  }

 private:
  char* map_ = nullptr;
  std::size_t size_ = 0;
  std::size_t released_ = 0;
  std::string copy_;
};

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Which fields of a file feed the finding context while loading.
struct ContextFields {
  int pack = -1;
  int declaration = -1;
  int name = -1;
};

ContextFields ContextOf(FileKind kind) {
  switch (kind) {
    case FileKind::IP:
    case FileKind::PL: return {0, -1, -1};
    case FileKind::NA: return {1, 0, 3};
    case FileKind::NA_OLD: return {1, 0, 5};
    case FileKind::SD:
    case FileKind::SD_OLD:
    case FileKind::DI:
    case FileKind::MU: return {1, 0, -1};
    case FileKind::T: return {};
  }
  return {};
}

// A number field has no size of its own: the finding context quotes at most
// this many characters of its text, more than any number the field can tell
// apart needs, so that a huge field costs no more than a normal one in each
// line that quotes it.
constexpr std::size_t kQuotedNumberChars = 32;

// The text of a field as the finding context quotes it: cut as the table cuts
// what it stores.
std::string_view QuotedText(const FieldDef& field, std::string_view text) {
  if (field.type == FieldType::String) return CutToFieldSize(field, text);
  return text.size() <= kQuotedNumberChars ? text : Utf8Prefix(text, kQuotedNumberChars);
}

// The file part of a path.
std::string BaseName(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A loader's fault names line `line` of `file` (0: the file as a whole),
// which is also the number its text shows.
void Fault(Checks& c, std::string text, std::string rule, std::string caption, std::string message,
           const std::string& file, int line) {
  Finding f;
  f.rule = std::move(rule);
  f.section = "load";
  f.pack = c.context.pack;
  f.declaration = c.context.declaration;
  f.name = c.context.name;
  f.caption = std::move(caption);
  f.message = std::move(message);
  if (line > 0) {
    f.row = line;
    f.record = RecordRef{file, line};
  }
  f.format = FindingFormat::Loader;
  c.protocol().AddFinding(std::move(text), std::move(f));
}

// Keeps a faulty line's row when at least one of its fields converted.
void KeepIfAnySet(Table& table, RowId row) {
  if (!table.AnySet(row)) table.DropLastRow();
}

}  // namespace

void LoadPackageFile(Checks& checks, const std::string& workdir, const std::string& path, Table& table) {
  table.Clear();
  std::optional<std::string> actual = FindFileNoCase(path);
  if (!actual) {
    Fault(checks, "NU ESTE fisierul " + path, "load.missing-file", "", "NU ESTE fisierul", BaseName(path), 0);
    return;
  }
  FileBytes file(*actual);
  const std::string_view data = file.view();
  checks.protocol().Add("fisierul " + path);

  std::optional<FileKind> kind;
  for (FileKind k : checks.profile().files) {
    if (path == workdir + FileName(k)) kind = k;
  }
  const std::string file_name = kind ? std::string(FileName(*kind)) : BaseName(path);
  table.SetSourceFile(file_name);
  const std::vector<std::string>* captions = kind ? &checks.profile().captions(*kind) : nullptr;
  ContextFields ctx = kind ? ContextOf(*kind) : ContextFields{};
  auto caption_of = [&](int f) -> std::string {
    if (captions != nullptr && f < static_cast<int>(captions->size())) return (*captions)[static_cast<std::size_t>(f)];
    return table.field(f).name;
  };
  // The columns grow with the rows that hold values: sizing them from the
  // line count would cost every empty or short line a whole row.
  table.ReserveText(data.size());

  // The finding context of the line being read. It is written into
  // `checks.context` only when a fault is reported and after the last line,
  // since most lines report nothing. A text that lies in the file is kept as
  // a view; any other (decoded, or from a line that had to be copied) as a
  // copy of its own.
  struct ContextText {
    std::string_view text;
    std::string copy;
    void Set(std::string_view t, std::string_view file) {
      if (t.data() >= file.data() && t.data() + t.size() <= file.data() + file.size()) {
        text = t;
      } else {
        copy.assign(t);
        text = copy;
      }
    }
  };
  ContextText pack, declaration, name;
  auto publish_context = [&] {
    checks.context.pack.assign(pack.text);
    checks.context.declaration.assign(declaration.text);
    checks.context.name.assign(name.text);
  };

  const int n = table.FieldCount();
  int line_no = 0;
  // Writes one fault of field `f` (-1: of the line). Once the protocol keeps
  // no more fault lines the fault is only counted, without composing its
  // line, so a file of millions of faulty lines costs little more than
  // reading it.
  auto report = [&](int f, const char* rule, const char* message, auto&& text) {
    if (checks.protocol().FaultsFull()) {
      checks.protocol().CountFault();
      return;
    }
    std::string cap = f < 0 ? std::string() : caption_of(f);
    publish_context();
    Fault(checks, text(cap), rule, cap, message, file_name, line_no);
  };
  std::string decoded;
  ForEachLine(data, [&](std::string_view line, std::size_t line_start) {
    ++line_no;
    file.Release(line_start);
    // The terminator after the last field may be left out.
    bool implicit_end = !line.empty() && line.back() != kTerminator;
    RowId row = table.AppendRow();
    table.SetSourceLine(row, static_cast<std::uint32_t>(line_no));
    pack.text = {};
    declaration.text = {};
    name.text = {};
    bool fault = false;
    std::string_view rest = line;
    for (int f = 0; f < n; ++f) {
      std::string_view raw;
      std::size_t pos = rest.find(kTerminator);
      if (pos != std::string_view::npos) {
        raw = rest.substr(0, pos);
        rest.remove_prefix(pos + 1);
      } else if (implicit_end) {
        raw = rest;
        rest = {};
        implicit_end = false;
      } else {
        report(f, "load.missing-field", "отсутствует поле",
               [&](const std::string& cap) { return fmt::format("отсутствует поле <{}>, строка {}", cap, line_no); });
        fault = true;
        continue;
      }
      const bool ascii = IsAscii(raw);
      std::string_view text = raw;
      if (!ascii) {
        decoded.clear();
        AppendCp1251AsUtf8(raw, decoded);
        text = decoded;
      }
      if (f == ctx.pack) pack.Set(QuotedText(table.field(f), text), data);
      if (f == ctx.declaration) declaration.Set(QuotedText(table.field(f), text), data);
      if (f == ctx.name) name.Set(QuotedText(table.field(f), text), data);
      if (table.field(f).type == FieldType::Date && !text.empty() &&
          (ascii ? text.size() : Utf8Length(text)) != 10) {
        report(f, "load.date-format", "Ошибка: неверный формат даты.", [&](const std::string& cap) {
          return fmt::format("Пачка {}, Декл.N {} {}. Ошибка: неверный формат даты. Поле <{}>,строка {}",
                             checks.context.pack, checks.context.declaration, checks.context.name, cap, line_no);
        });
        fault = true;
      }
      if (table.Store(row, f, text) == StoreResult::Failed) {
        report(f, "load.data-type", "Ошибка: неверный тип данных.", [&](const std::string& cap) {
          return fmt::format("Пачка {}, Декл.N {} {}. Ошибка: неверный тип данных. Поле <{}>,строка {}",
                             checks.context.pack, checks.context.declaration, checks.context.name, cap, line_no);
        });
        fault = true;
      }
    }
    if (fault) {
      KeepIfAnySet(table, row);
      return;
    }
    if (!rest.empty()) {
      report(-1, "load.end-of-line", "Ошибка. Отсутствует признак конца строки", [&](const std::string&) {
        return fmt::format("Ошибка. Отсутствует признак конца строки Строка {}", line_no);
      });
      KeepIfAnySet(table, row);
    }
  });
  // The context is left as the last line set it.
  if (line_no > 0) publish_context();
}

void LoadDictionary(Checks& checks, const std::string& workdir, const std::string& path, Table& table) {
  table.Clear();
  std::optional<std::string> actual = FindFileNoCase(path);
  if (!actual) {
    Fault(checks, "NU ESTE fisierul " + path, "dictionary.missing-file", "", "NU ESTE fisierul", BaseName(path), 0);
    return;
  }
  std::string data = ReadWholeFile(*actual);
  const std::string file_name = BaseName(path);
  int line_no = 0;
  ForEachLine(data, [&](std::string_view line, std::size_t) {
    ++line_no;
    std::size_t bar = line.find('|');
    if (bar == std::string_view::npos) {
      Fault(checks, fmt::format("запорчен файл{}строка {}", path, line_no), "dictionary.damaged-line", "",
            "запорчен файл", file_name, line_no);
      return;
    }
    RowId row = table.AppendRow();
    if (table.Store(row, 0, Cp1251ToUtf8(line.substr(0, bar))) == StoreResult::Failed) {
      table.DropLastRow();
      std::string text = checks.profile().old_format
                             ? fmt::format("Неверный тип параметра N {}, Строка {}", 1, line_no)
                             : fmt::format("Неверный тип параметра, Строка {}", line_no);
      Fault(checks, std::move(text), "dictionary.data-type", "", "Неверный тип параметра", file_name, line_no);
    }
  });
  if (path == workdir + "months.txt") table.Store(table.AppendRow(), 0, "13");
  if (path == workdir + "rashod.txt") table.Store(table.AppendRow(), 0, "99");
}

void LoadDictionaryRecords(Checks& checks, const std::string& path, Table& table) {
  table.Clear();
  std::optional<std::string> actual = FindFileNoCase(path);
  if (!actual) {
    Fault(checks, "NU ESTE fisierul " + path, "dictionary.missing-file", "", "NU ESTE fisierul", BaseName(path), 0);
    return;
  }
  std::string data = ReadWholeFile(*actual);
  const std::string file_name = BaseName(path);
  const int n = table.FieldCount();
  int line_no = 0;
  std::string terminated;
  ForEachLine(data, [&](std::string_view line, std::size_t) {
    ++line_no;
    if (!line.empty() && line.back() != '|') {
      terminated.assign(line);
      terminated.push_back('|');
      line = terminated;
    }
    RowId row = table.AppendRow();
    bool fault = false;
    std::string_view rest = line;
    for (int f = 0; f < n; ++f) {
      std::string_view raw;
      std::size_t bar = rest.find('|');
      if (bar != std::string_view::npos) {
        raw = rest.substr(0, bar);
        rest.remove_prefix(bar + 1);
      }
      std::string text = Cp1251ToUtf8(raw);
      if (table.field(f).type == FieldType::Date && !text.empty() && Utf8Length(text) != 10) {
        Fault(checks, fmt::format("Ошибка: неверный формат даты. строка {}", line_no), "dictionary.date-format",
              table.field(f).name, "Ошибка: неверный формат даты.", file_name, line_no);
        fault = true;
      }
      if (table.Store(row, f, text) == StoreResult::Failed) {
        Fault(checks, fmt::format("Ошибка: неверный тип данных.строка {}", line_no), "dictionary.data-type",
              table.field(f).name, "Ошибка: неверный тип данных.", file_name, line_no);
        fault = true;
      }
    }
    if (fault) {
      KeepIfAnySet(table, row);
      return;
    }
    if (!rest.empty()) {
      Fault(checks, fmt::format("Ошибка. Отсутствует признак конца строки Строка {}", line_no),
            "dictionary.end-of-line", "", "Ошибка. Отсутствует признак конца строки", file_name, line_no);
      KeepIfAnySet(table, row);
    }
  });
}

void PadDistrictCodes(Table& raion) {
  for (RowId r = 0; r < raion.size(); ++r) {
    std::string code = raion.Text(r, 0);
    if (Utf8Length(code) != 2) raion.SetText(r, 0, "0" + code);
  }
}

}  // namespace zentrox
