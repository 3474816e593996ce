#include "data/loader.h"

#include <fmt/format.h>

#include <optional>

#include "data/files.h"
#include "data/schemas.h"
#include "data/text.h"

namespace zentrox {
namespace {

constexpr char kTerminator = '\xB0';

// Calls `fn` with each line of `data`: a line ends at LF or CR LF, which are
// not part of it, and a CR that is not followed by LF is dropped.
template <typename Fn>
void ForEachLine(const std::string& data, Fn&& fn) {
  std::string line;
  std::size_t i = 0;
  const std::size_t n = data.size();
  while (i < n) {
    std::size_t lf = data.find('\n', i);
    std::size_t end = lf == std::string::npos ? n : lf;
    std::string_view raw(data.data() + i, end - i);
    if (raw.find('\r') == std::string_view::npos) {
      fn(raw);
    } else {
      line.clear();
      for (char c : raw) {
        if (c != '\r') line.push_back(c);
      }
      fn(std::string_view(line));
    }
    i = end + 1;
  }
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

Finding LoaderFinding(const Checks& c, std::string rule, std::string caption, std::string message, int line) {
  Finding f;
  f.rule = std::move(rule);
  f.section = "load";
  f.pack = c.context.pack;
  f.declaration = c.context.declaration;
  f.name = c.context.name;
  f.caption = std::move(caption);
  f.message = std::move(message);
  f.row = line;
  f.format = FindingFormat::Loader;
  return f;
}

void Fault(Checks& c, std::string text, std::string rule, std::string caption, std::string message, int line) {
  Finding f = LoaderFinding(c, std::move(rule), std::move(caption), std::move(message), line);
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
    Fault(checks, "NU ESTE fisierul " + path, "load.missing-file", "", "NU ESTE fisierul", 0);
    return;
  }
  std::string data = ReadWholeFile(*actual);
  checks.protocol().Add("fisierul " + path);

  std::optional<FileKind> kind;
  for (FileKind k : checks.profile().files) {
    if (path == workdir + FileName(k)) kind = k;
  }
  const std::vector<std::string>* captions = kind ? &checks.profile().captions(*kind) : nullptr;
  ContextFields ctx = kind ? ContextOf(*kind) : ContextFields{};
  auto caption_of = [&](int f) -> std::string {
    if (captions != nullptr && f < static_cast<int>(captions->size())) return (*captions)[static_cast<std::size_t>(f)];
    return table.field(f).name;
  };

  const int n = table.FieldCount();
  int line_no = 0;
  std::string text;
  std::string terminated;
  ForEachLine(data, [&](std::string_view line) {
    ++line_no;
    if (!line.empty() && line.back() != kTerminator) {
      terminated.assign(line);
      terminated.push_back(kTerminator);
      line = terminated;
    }
    RowId row = table.AppendRow();
    checks.context.Clear();
    bool fault = false;
    std::string_view rest = line;
    for (int f = 0; f < n; ++f) {
      std::size_t pos = rest.find(kTerminator);
      if (pos == std::string_view::npos) {
        std::string cap = caption_of(f);
        Fault(checks, fmt::format("отсутствует поле <{}>, строка {}", cap, line_no), "load.missing-field", cap,
              "отсутствует поле", line_no);
        fault = true;
        continue;
      }
      text.clear();
      AppendCp1251AsUtf8(rest.substr(0, pos), text);
      rest.remove_prefix(pos + 1);
      if (f == ctx.pack) checks.context.pack = text;
      if (f == ctx.declaration) checks.context.declaration = text;
      if (f == ctx.name) checks.context.name = text;
      if (table.field(f).type == FieldType::Date && !text.empty() && Utf8Length(text) != 10) {
        std::string cap = caption_of(f);
        Fault(checks,
              fmt::format("Пачка {}, Декл.N {} {}. Ошибка: неверный формат даты. Поле <{}>,строка {}",
                          checks.context.pack, checks.context.declaration, checks.context.name, cap, line_no),
              "load.date-format", cap, "Ошибка: неверный формат даты.", line_no);
        fault = true;
      }
      if (table.Store(row, f, text) == StoreResult::Failed) {
        std::string cap = caption_of(f);
        Fault(checks,
              fmt::format("Пачка {}, Декл.N {} {}. Ошибка: неверный тип данных. Поле <{}>,строка {}",
                          checks.context.pack, checks.context.declaration, checks.context.name, cap, line_no),
              "load.data-type", cap, "Ошибка: неверный тип данных.", line_no);
        fault = true;
      }
    }
    if (fault) {
      KeepIfAnySet(table, row);
      return;
    }
    if (!rest.empty()) {
      Fault(checks, fmt::format("Ошибка. Отсутствует признак конца строки Строка {}", line_no), "load.end-of-line",
            "", "Ошибка. Отсутствует признак конца строки", line_no);
      KeepIfAnySet(table, row);
    }
  });
}

void LoadDictionary(Checks& checks, const std::string& workdir, const std::string& path, Table& table) {
  table.Clear();
  std::optional<std::string> actual = FindFileNoCase(path);
  if (!actual) {
    Fault(checks, "NU ESTE fisierul " + path, "dictionary.missing-file", "", "NU ESTE fisierul", 0);
    return;
  }
  std::string data = ReadWholeFile(*actual);
  int line_no = 0;
  ForEachLine(data, [&](std::string_view line) {
    ++line_no;
    std::size_t bar = line.find('|');
    if (bar == std::string_view::npos) {
      Fault(checks, fmt::format("запорчен файл{}строка {}", path, line_no), "dictionary.damaged-line", "",
            "запорчен файл", line_no);
      return;
    }
    RowId row = table.AppendRow();
    if (table.Store(row, 0, Cp1251ToUtf8(line.substr(0, bar))) == StoreResult::Failed) {
      table.DropLastRow();
      std::string text = checks.profile().old_format
                             ? fmt::format("Неверный тип параметра N {}, Строка {}", 1, line_no)
                             : fmt::format("Неверный тип параметра, Строка {}", line_no);
      Fault(checks, std::move(text), "dictionary.data-type", "", "Неверный тип параметра", line_no);
    }
  });
  if (path == workdir + "months.txt") table.Store(table.AppendRow(), 0, "13");
  if (path == workdir + "rashod.txt") table.Store(table.AppendRow(), 0, "99");
}

void LoadDictionaryRecords(Checks& checks, const std::string& path, Table& table) {
  table.Clear();
  std::optional<std::string> actual = FindFileNoCase(path);
  if (!actual) {
    Fault(checks, "NU ESTE fisierul " + path, "dictionary.missing-file", "", "NU ESTE fisierul", 0);
    return;
  }
  std::string data = ReadWholeFile(*actual);
  const int n = table.FieldCount();
  int line_no = 0;
  std::string terminated;
  ForEachLine(data, [&](std::string_view line) {
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
              table.field(f).name, "Ошибка: неверный формат даты.", line_no);
        fault = true;
      }
      if (table.Store(row, f, text) == StoreResult::Failed) {
        Fault(checks, fmt::format("Ошибка: неверный тип данных.строка {}", line_no), "dictionary.data-type",
              table.field(f).name, "Ошибка: неверный тип данных.", line_no);
        fault = true;
      }
    }
    if (fault) {
      KeepIfAnySet(table, row);
      return;
    }
    if (!rest.empty()) {
      Fault(checks, fmt::format("Ошибка. Отсутствует признак конца строки Строка {}", line_no),
            "dictionary.end-of-line", "", "Ошибка. Отсутствует признак конца строки", line_no);
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
