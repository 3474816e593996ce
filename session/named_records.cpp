#include "named_records.h"

#include <strings.h>
#include <set>
#include <utility>

#include "data/schemas.h"
#include "data/table.h"
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
    for (int f = 0; f < table->FieldCount(); ++f) {
      NamedRecordField field{std::string(table->Caption(f)), table->FileText(row, f)};
      bytes += field.caption.size() + field.text.size();
      record.fields.push_back(std::move(field));
    }
    records.push_back(std::move(record));
  }
  return records;
}

}  // namespace zentrox
