// How the record page's grid draws a cell: the characters the package file
// should not hold white on red, as visible pictures, and the cell of the
// finding shown framed.
#pragma once

#include <QStyledItemDelegate>
#include <QVariantList>

namespace zentrox::ui {

// Paints the odd characters of a cell white on red and frames the marked cell.
class RecordDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  void PaintOdd(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                const QVariantList& spans) const;
};

}  // namespace zentrox::ui
