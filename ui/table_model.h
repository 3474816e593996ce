// A read-only Qt model over a core table, for the DEBUG grid `DBGrid1`.
//
// The table belongs to a data module that a control run fills on a worker
// thread; while a run goes on the model is frozen (shows no rows) so the
// grid never reads a table that is being written.
#pragma once

#include <functional>

#include <QAbstractTableModel>

#include "engine/table.h"

namespace zentrox::ui {

class TableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // `source` may return nullptr while the data module does not exist yet.
  explicit TableModel(std::function<const Table*()> source, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  void SetFrozen(bool frozen);
  // The table's content changed: the views read it again.
  void Refresh();

 private:
  const Table* table() const;

  std::function<const Table*()> source_;
  bool frozen_ = false;
};

}  // namespace zentrox::ui
