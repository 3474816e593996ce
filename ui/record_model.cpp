#include "ui/record_model.h"

#include <unicode/uchar.h>

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QVariantList>
#include <string>

#include "report/checks.h"
#include "report/rule_catalogue.h"

namespace zentrox::ui {
namespace {

const QColor kMarkedBackground(255, 236, 140);
const QColor kUnconvertedBackground(255, 205, 195);
const QColor kUnconvertedText(170, 0, 0);

bool IsControl(char32_t code) { return QChar::category(code) == QChar::Other_Control; }

// Whether the name check of the rules refuses `code` on its own.
bool OutsideNameAlphabet(char32_t code) {
  const QByteArray utf8 = QString::fromUcs4(&code, 1).toUtf8();
  return NameCharactersFault(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))) ==
         NameFault::ForbiddenCharacter;
}

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

std::vector<OddCharacter> OddCharacters(const QString& text, bool name_field) {
  std::vector<OddCharacter> odd;
  for (int i = 0; i < text.size();) {
    char32_t code = text.at(i).unicode();
    int length = 1;
    if (QChar::isHighSurrogate(code) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      code = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
      length = 2;
    }
    if (IsControl(code) || (name_field && OutsideNameAlphabet(code))) odd.push_back({i, length, code});
    i += length;
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
  endResetModel();
}

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
  const std::vector<OddCharacter> odd = OddCharacters(text, name_fields_[static_cast<std::size_t>(column)]);
  if (!odd.empty()) {
    parts << QStringLiteral("Caractere în afara alfabetului câmpului:");
    for (const OddCharacter& c : odd)
      parts << QStringLiteral("  %1 (poziția %2)").arg(CharacterName(c.code)).arg(c.position + 1);
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
      return {};
    case OddCharactersRole: {
      QVariantList spans;
      for (const OddCharacter& c :
           OddCharacters(CellText(row, column), name_fields_[static_cast<std::size_t>(column)])) {
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
