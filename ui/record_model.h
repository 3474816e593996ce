// The record page's grid: a read-only model over a loaded package table that
// shows every cell as it stood in the file, marks the cell a finding names,
// the cells whose text did not convert and the characters outside a field's
// alphabet.
//
// The model reads the table for the cells a view asks for and keeps nothing
// per row, so a table of a million rows opens as fast as one of ten. While a
// run fills the tables it is frozen (shows no rows).
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <vector>

#include "engine/table.h"
#include "report/name_fields.h"

namespace zentrox::ui {

// A character of a cell's text that its field does not expect: outside a
// name field's alphabet, or a control character in any field.
struct OddSpan {
  int position = 0;  // in UTF-16 units of the text
  int length = 1;    // 2 for a character outside the basic plane
  char32_t code = 0;
};

// The odd characters of `text` (report/odd_characters.h); `name_field` adds
// the alphabet the name checks of the rules allow.
std::vector<OddSpan> OddCharacters(const QString& text, bool name_field);

// "U+0410 CYRILLIC CAPITAL LETTER A"; a control character by its alias or
// as "<control-0009>".
QString CharacterName(char32_t code);

class RecordModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Role {
    // QVariantList of [position, length] pairs of the cell's odd characters.
    OddCharactersRole = Qt::UserRole + 1,
    // True for the cell the current finding names (every cell of its row
    // when the finding names no field).
    MarkedRole,
    // True when the file text did not convert into the field's type.
    UnconvertedRole,
    // True for the rows the current finding refers to besides its own (the
    // rows a sum was taken from, the other record of a duplicate).
    RelatedRole,
  };

  explicit RecordModel(QObject* parent = nullptr);

  // The table shown; nullptr shows none. A table stays owned by its data module.
  void SetTable(const Table* table);
  const Table* table() const { return table_; }
  // While frozen the model shows no rows and reads nothing.
  void SetFrozen(bool frozen);
  bool frozen() const { return frozen_; }
  // The marked cell; column -1 marks the whole row, row kNoRow nothing.
  void SetMarked(RowId row, int column);
  RowId markedRow() const { return marked_row_; }
  int markedColumn() const { return marked_column_; }
  // The rows the current finding refers to besides its own.
  void SetRelated(std::vector<RowId> rows);
  bool IsRelated(RowId row) const;

  // What is odd about a cell: its file text that did not convert, the
  // characters outside its alphabet by name; "" when nothing is.
  QString Describe(RowId row, int column) const;

  // The row of 1-based file line `line`, or the nearest row after it (the
  // last row when none follows); kNoRow for an empty table.
  RowId NearestRow(std::uint32_t line) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  bool Readable() const { return table_ != nullptr && !frozen_; }
  QString CellText(int row, int column) const;

  const Table* table_ = nullptr;
  bool frozen_ = false;
  std::vector<bool> name_fields_;
  RowId marked_row_ = kNoRow;
  int marked_column_ = -1;
  std::vector<RowId> related_;  // sorted
};

}  // namespace zentrox::ui
