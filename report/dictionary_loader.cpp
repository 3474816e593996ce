#include "report/loader.h"

#include <fmt/format.h>

#include <optional>
#include <string>

#include "engine/text.h"
#include "model/files.h"
#include "report/load_lines.h"
#include "report/rule_entries.h"

namespace zentrox {

using load::BaseName;
using load::Fault;
using load::ForEachLine;
using load::KeepIfAnySet;

namespace {

// Empties `table` and reads the dictionary at `path` into `data`; a missing
// dictionary is a fault, and nothing is loaded.
bool OpenDictionary(FindingWriter& checks, const std::string& path, Table& table, std::string& data) {
  table.Clear();
  std::optional<std::string> actual = FindFileNoCase(path);
  if (!actual) {
    Fault(checks, fmt::format("{} {}", rule::kDictionaryFilePresent.message, ShownPath(path)),
          rule::kDictionaryFilePresent, "", BaseName(path), 0);
    return false;
  }
  data = ReadWholeFile(*actual);
  return true;
}

}  // namespace

void LoadDictionary(FindingWriter& checks, const std::string& path, Table& table, std::string_view closing_row) {
  std::string data;
  if (!OpenDictionary(checks, path, table, data)) return;
  const std::string file_name = BaseName(path);
  int line_no = 0;
  ForEachLine(data, [&](std::string_view line, std::size_t) {
    ++line_no;
    std::size_t bar = line.find('|');
    if (bar == std::string_view::npos) {
      Fault(checks, fmt::format("{}{}строка {}", rule::kDictionaryLineIntact.message, ShownPath(path), line_no),
            rule::kDictionaryLineIntact, "", file_name, line_no);
      return;
    }
    RowId row = table.AppendRow();
    if (table.Store(row, 0, Cp1251ToUtf8(line.substr(0, bar))) == StoreResult::Failed) {
      table.DropLastRow();
      const std::string_view message = rule::kDictionaryDataTypeValid.message;
      std::string text = checks.profile().numbered_dictionary_faults
                             ? fmt::format("{} N {}, Строка {}", message, 1, line_no)
                             : fmt::format("{}, Строка {}", message, line_no);
      Fault(checks, std::move(text), rule::kDictionaryDataTypeValid, "", file_name, line_no);
    }
  });
  if (!closing_row.empty()) table.Store(table.AppendRow(), 0, closing_row);
}

void LoadDictionaryRecords(FindingWriter& checks, const std::string& path, Table& table) {
  std::string data;
  if (!OpenDictionary(checks, path, table, data)) return;
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
        Fault(checks, fmt::format("{} строка {}", rule::kDictionaryDateFormatValid.message, line_no),
              rule::kDictionaryDateFormatValid, table.field(f).name, file_name, line_no);
        fault = true;
      }
      if (table.Store(row, f, text) == StoreResult::Failed) {
        // A dictionary of records words the fault as a package file does.
        const std::string_view message = rule::kDictionaryDataTypeValid.second_message;
        Fault(checks, fmt::format("{}строка {}", message, line_no), rule::kDictionaryDataTypeValid, table.field(f).name,
              file_name, line_no, {}, message);
        fault = true;
      }
    }
    if (fault) {
      KeepIfAnySet(table, row);
      return;
    }
    if (!rest.empty()) {
      Fault(checks, fmt::format("{} Строка {}", rule::kDictionaryLineEnded.message, line_no),
            rule::kDictionaryLineEnded, "", file_name, line_no);
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
