#include "ui/frozen_columns.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>

namespace zentrox::ui {

FrozenColumns::FrozenColumns(QTableView& grid) : QTableView(&grid), grid_(grid) {
  setObjectName(QStringLiteral("RecordFrozenColumns"));
  setModel(grid.model());
  setSelectionModel(grid.selectionModel());
  setItemDelegate(grid.itemDelegate());
  setFocusPolicy(Qt::NoFocus);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(grid.selectionMode());
  setSelectionBehavior(grid.selectionBehavior());
  setWordWrap(false);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollMode(grid.verticalScrollMode());
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(grid.verticalHeader()->defaultSectionSize());
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setDefaultAlignment(grid.horizontalHeader()->defaultAlignment());
  horizontalHeader()->setFont(grid.horizontalHeader()->font());
  // Whatever scrolls one scrolls the other.
  connect(verticalScrollBar(), &QScrollBar::valueChanged, grid.verticalScrollBar(), &QScrollBar::setValue);
  connect(grid.verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(), &QScrollBar::setValue);
  connect(grid.horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
    if (column < count_) {
      setColumnWidth(column, size);
      Place();
    }
  });
  connect(grid.model(), &QAbstractItemModel::modelReset, this, [this] { ShowColumns(); });
  connect(grid.model(), &QAbstractItemModel::layoutChanged, this, [this] { ShowColumns(); });
  grid.viewport()->stackUnder(this);
  grid.installEventFilter(this);
  hide();
}

void FrozenColumns::SetCount(int count) {
  count_ = std::max(0, count);
  ShowColumns();
}

void FrozenColumns::ShowColumns() {
  const int columns = model() == nullptr ? 0 : model()->columnCount();
  for (int c = 0; c < columns; ++c) {
    setColumnHidden(c, c >= count_);
    if (c < count_) setColumnWidth(c, grid_.columnWidth(c));
  }
  setVisible(count_ > 0 && columns > 0);
  verticalScrollBar()->setValue(grid_.verticalScrollBar()->value());
  Place();
}

void FrozenColumns::Place() {
  int width = 0;
  for (int c = 0; c < count_ && c < grid_.model()->columnCount(); ++c) width += grid_.columnWidth(c);
  const QRect view = grid_.viewport()->geometry();
  setGeometry(view.left(), grid_.frameWidth(), width, view.bottom() + 1 - grid_.frameWidth());
  // Its header as high as the grid's.
  horizontalHeader()->setFixedHeight(grid_.horizontalHeader()->height());
}

bool FrozenColumns::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &grid_ && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest)) Place();
  return QTableView::eventFilter(watched, event);
}

}  // namespace zentrox::ui
