#include "ui/table_model.h"

namespace zentrox::ui {

TableModel::TableModel(std::function<const Table*()> source, QObject* parent)
    : QAbstractTableModel(parent), source_(std::move(source)) {}

const Table* TableModel::table() const { return source_ ? source_() : nullptr; }

int TableModel::rowCount(const QModelIndex& parent) const {
  const Table* t = table();
  if (parent.isValid() || frozen_ || t == nullptr) return 0;
  return static_cast<int>(t->size());
}

int TableModel::columnCount(const QModelIndex& parent) const {
  const Table* t = table();
  if (parent.isValid() || t == nullptr) return 0;
  return t->FieldCount();
}

QVariant TableModel::data(const QModelIndex& index, int role) const {
  const Table* t = table();
  if (role != Qt::DisplayRole || frozen_ || t == nullptr || !index.isValid()) return {};
  if (static_cast<std::size_t>(index.row()) >= t->size() || index.column() >= t->FieldCount()) return {};
  return QString::fromStdString(t->Text(static_cast<RowId>(index.row()), index.column()));
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  const Table* t = table();
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  if (t == nullptr || section < 0 || section >= t->FieldCount()) return {};
  return QString::fromStdString(t->field(section).name);
}

void TableModel::SetFrozen(bool frozen) {
  if (frozen == frozen_) return;
  beginResetModel();
  frozen_ = frozen;
  endResetModel();
}

void TableModel::Refresh() {
  beginResetModel();
  endResetModel();
}

}  // namespace zentrox::ui
