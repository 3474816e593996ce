// The first columns of a grid kept in view while it scrolls sideways: a
// second view over the same model and selection, laid over the grid's left
// edge, showing only those columns and following the grid's rows.
#pragma once

#include <QTableView>

namespace zentrox::ui {

class FrozenColumns : public QTableView {
  Q_OBJECT
 public:
  // Lies over `grid` (its child) and shows none of its columns until SetCount.
  explicit FrozenColumns(QTableView& grid);

  // Keeps columns 0 to `count` - 1 in view; 0 shows nothing.
  void SetCount(int count);
  int count() const { return count_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowColumns();
  void Place();

  QTableView& grid_;
  int count_ = 0;
};

}  // namespace zentrox::ui
