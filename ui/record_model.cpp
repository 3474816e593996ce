#include "ui/record_model.h"

#include <unicode/uchar.h>

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QVariantList>
#include <string>

#include <algorithm>

#include "report/odd_characters.h"

namespace zentrox::ui {
namespace {

const QColor kMarkedBackground(255, 236, 140);
const QColor kUnconvertedBackground(255, 205, 195);
const QColor kUnconvertedText(170, 0, 0);
const QColor kRelatedBackground(205, 228, 255);

QString TypeWord(FieldType type) {
  switch (type) {
    case FieldType::Date: return QStringLiteral("o dată (zz.ll.aaaa)");
    case FieldType::Integer: return QStringLiteral("un număr întreg");
    case FieldType::Float: return QStringLiteral("un număr");
    case FieldType::String: break;
  }
  return QStringLiteral("un text");
}

}  // namespace

std::vector<OddSpan> OddCharacters(const QString& text, bool name_field) {
  std::vector<OddSpan> odd;
  const QByteArray utf8 = text.toUtf8();
  // Code point indices in the order they come; walk the UTF-16 text beside them.
  int position = 0;
  int index = 0;
  for (const OddCharacter& c :
       OddCharactersOf(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), name_field)) {
    while (index < c.index && position < text.size()) {
      position += text.at(position).isHighSurrogate() && position + 1 < text.size() ? 2 : 1;
      ++index;
    }
    const int length = text.at(position).isHighSurrogate() && position + 1 < text.size() ? 2 : 1;
    odd.push_back({position, length, c.code});
  }
  return odd;
}

QString CharacterName(char32_t code) {
  char name[160];
  // The character's own name; a control character has none, only an alias
  // ("CHARACTER TABULATION") or the generic "<control-0009>".
  for (UCharNameChoice choice : {U_UNICODE_CHAR_NAME, U_CHAR_NAME_ALIAS, U_EXTENDED_CHAR_NAME}) {
    UErrorCode error = U_ZERO_ERROR;
    const int32_t length = u_charName(static_cast<UChar32>(code), choice, name, sizeof name, &error);
    if (U_SUCCESS(error) && length > 0) {
      return QStringLiteral("U+%1 %2")
          .arg(static_cast<uint>(code), 4, 16, QLatin1Char('0'))
          .toUpper()
          .arg(QString::fromLatin1(name, length));
    }
  }
  return QStringLiteral("U+%1").arg(static_cast<uint>(code), 4, 16, QLatin1Char('0')).toUpper();
}

RecordModel::RecordModel(QObject* parent) : QAbstractTableModel(parent) {}

void RecordModel::SetTable(const Table* table) {
  beginResetModel();
  table_ = table;
  name_fields_ = table != nullptr ? NameFieldsOf(*table) : std::vector<bool>();
  marked_row_ = kNoRow;
  marked_column_ = -1;
  related_.clear();
  endResetModel();
}

void RecordModel::SetRelated(std::vector<RowId> rows) {
  std::sort(rows.begin(), rows.end());
  std::swap(related_, rows);
  if (!Readable()) return;
  const int last = columnCount() - 1;
  for (const std::vector<RowId>* list : {&rows, &related_}) {
    for (RowId r : *list) {
      if (r < table_->size() && last >= 0)
        emit dataChanged(index(static_cast<int>(r), 0), index(static_cast<int>(r), last));
    }
  }
}

bool RecordModel::IsRelated(RowId row) const { return std::binary_search(related_.begin(), related_.end(), row); }

void RecordModel::SetFrozen(bool frozen) {
  if (frozen == frozen_) return;
  beginResetModel();
  frozen_ = frozen;
  endResetModel();
}

void RecordModel::SetMarked(RowId row, int column) {
  const RowId old_row = marked_row_;
  const int old_column = marked_column_;
  marked_row_ = row;
  marked_column_ = column;
  if (!Readable()) return;
  const int last = columnCount() - 1;
  auto changed = [&](RowId r, int c) {
    if (r == kNoRow || r >= table_->size() || last < 0) return;
    const int row_index = static_cast<int>(r);
    emit dataChanged(index(row_index, c < 0 ? 0 : c), index(row_index, c < 0 ? last : c));
  };
  changed(old_row, old_column);
  changed(row, column);
}

RowId RecordModel::NearestRow(std::uint32_t line) const {
  if (table_ == nullptr || table_->empty()) return kNoRow;
  const RowId exact = table_->RowAtLine(line);
  if (exact != kNoRow) return exact;
  // Rows keep file order: the first row from a later line.
  RowId low = 0;
  RowId high = static_cast<RowId>(table_->size());
  while (low < high) {
    const RowId mid = low + (high - low) / 2;
    if (table_->SourceLine(mid) < line) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return low < table_->size() ? low : static_cast<RowId>(table_->size() - 1);
}

int RecordModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !Readable()) return 0;
  return static_cast<int>(table_->size());
}

int RecordModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid() || table_ == nullptr) return 0;
  return table_->FieldCount();
}

QString RecordModel::CellText(int row, int column) const {
  return QString::fromStdString(table_->FileText(static_cast<RowId>(row), column));
}

QString RecordModel::Describe(RowId r, int column) const {
  if (!Readable() || r >= table_->size() || column < 0 || column >= table_->FieldCount()) return {};
  const int row = static_cast<int>(r);
  QStringList parts;
  if (table_->HasKeptFileText(r, column)) {
    parts << QStringLiteral("Textul din fișier nu este %1: câmpul a rămas gol în tabel.")
                 .arg(TypeWord(table_->field(column).type));
  }
  const QString text = CellText(row, column);
  const std::vector<OddSpan> odd = OddCharacters(text, name_fields_[static_cast<std::size_t>(column)]);
  if (!odd.empty()) {
    parts << QStringLiteral("Caractere în afara alfabetului câmpului:");
    for (const OddSpan& c : odd) {
      parts << QStringLiteral("  %1 (poziția %2, %3)")
                   .arg(QString::fromStdString(CharacterWords(c.code)))
                   .arg(c.position + 1)
                   .arg(CharacterName(c.code));
    }
  }
  return parts.join(QLatin1Char('\n'));
}

QVariant RecordModel::data(const QModelIndex& index, int role) const {
  if (!Readable() || !index.isValid()) return {};
  const int row = index.row();
  const int column = index.column();
  if (static_cast<std::size_t>(row) >= table_->size() || column >= table_->FieldCount()) return {};
  const RowId r = static_cast<RowId>(row);
  const bool marked = r == marked_row_ && (marked_column_ < 0 || marked_column_ == column);
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return CellText(row, column);
    case Qt::ToolTipRole: {
      const QString tip = Describe(r, column);
      return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    case Qt::BackgroundRole:
      if (marked) return QBrush(kMarkedBackground);
      if (table_->HasKeptFileText(r, column)) return QBrush(kUnconvertedBackground);
      if (IsRelated(r)) return QBrush(kRelatedBackground);
      return {};
    case OddCharactersRole: {
      QVariantList spans;
      for (const OddSpan& c : OddCharacters(CellText(row, column), name_fields_[static_cast<std::size_t>(column)])) {
        spans << c.position << c.length;
      }
      return spans;
    }
    case Qt::ForegroundRole:
      if (table_->HasKeptFileText(r, column)) return QBrush(kUnconvertedText);
      return {};
    case Qt::FontRole:
      if (table_->HasKeptFileText(r, column)) {
        QFont italic;
        italic.setItalic(true);
        return italic;
      }
      return {};
    case MarkedRole: return marked;
    case UnconvertedRole: return table_->HasKeptFileText(r, column);
    case RelatedRole: return IsRelated(r);
    default: return {};
  }
}

QVariant RecordModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (table_ == nullptr || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
  if (orientation == Qt::Vertical) {
    if (!Readable() || section < 0 || static_cast<std::size_t>(section) >= table_->size()) return {};
    const std::uint32_t line = table_->SourceLine(static_cast<RowId>(section));
    if (role == Qt::ToolTipRole) return QStringLiteral("linia %1 din fișier").arg(line);
    return line > 0 ? QVariant(line) : QVariant(section + 1);
  }
  if (section < 0 || section >= table_->FieldCount()) return {};
  const QString caption =
      QString::fromUtf8(table_->Caption(section).data(), static_cast<qsizetype>(table_->Caption(section).size()));
  const QString name = QString::fromStdString(table_->field(section).name);
  if (role == Qt::ToolTipRole) return caption.isEmpty() ? name : caption + QStringLiteral(" (") + name + u')';
  return caption.isEmpty() ? name : caption;
}

}  // namespace zentrox::ui
