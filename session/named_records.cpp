#include "named_records.h"

#include <strings.h>
#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "engine/table.h"
#include "model/schemas.h"
#include "report/checks.h"
#include "report/name_fields.h"
#include "report/odd_characters.h"
#include "report/rule_catalogue.h"
#include "session/session.h"

namespace zentrox {

namespace {

const Table* TableOfFile(Session& session, Variant variant, const std::string& file) {
  for (const PackageFile& pf : Profile(variant).files) {
    if (::strcasecmp(FileName(pf.kind), file.c_str()) == 0) return &pf.table(session.dm(), session.dm1());
  }
  return nullptr;
}

}  // namespace

std::vector<NamedRecord> RecordsNamedByFindings(Session& session, Variant variant, const Protocol& protocol,
                                                std::size_t max_records, std::size_t max_bytes) {
  std::vector<NamedRecord> records;
  std::set<std::pair<std::string, int>> seen;
  std::map<const Table*, std::vector<bool>> name_fields;
  std::size_t bytes = 0;
  for (const ProtocolLine& line : protocol.lines()) {
    if (records.size() >= max_records || bytes >= max_bytes) break;
    if (!line.finding || !line.finding->record || line.finding->record->line <= 0) continue;
    const RecordRef& ref = *line.finding->record;
    if (!seen.emplace(ref.file, ref.line).second) continue;
    const Table* table = TableOfFile(session, variant, ref.file);
    if (table == nullptr) continue;
    const RowId row = table->RowAtLine(static_cast<std::uint32_t>(ref.line));
    if (row == kNoRow) continue;
    NamedRecord record{ref.file, ref.line, {}};
    auto known = name_fields.find(table);
    if (known == name_fields.end()) known = name_fields.emplace(table, NameFieldsOf(*table)).first;
    const std::vector<bool>& names = known->second;
    for (int f = 0; f < table->FieldCount(); ++f) {
      NamedRecordField field;
      field.caption = std::string(table->Caption(f));
      field.text = table->FileText(row, f);
      field.unconverted = table->HasKeptFileText(row, f);
      for (const OddCharacter& c : OddCharactersOf(field.text, names[static_cast<std::size_t>(f)])) {
        field.odd.push_back(c.index);
      }
      bytes += field.caption.size() + field.text.size();
      record.fields.push_back(std::move(field));
    }
    records.push_back(std::move(record));
  }
  return records;
}

}  // namespace zentrox
