#include "ui/record_delegate.h"

#include <QApplication>
#include <QPainter>

#include "ui/record_model.h"

namespace zentrox::ui {
namespace {

const QColor kFrame(200, 0, 0);
const QColor kOddBackground(210, 0, 0);

// A control character drawn as its visible picture.
QString Visible(const QString& part) {
  QString shown;
  for (QChar c : part) {
    const char16_t u = c.unicode();
    if (u < 0x20) {
      shown += QChar(char16_t(0x2400 + u));
    } else if (u == 0x7F) {
      shown += QChar(char16_t(0x2421));
    } else if (c.category() == QChar::Other_Control) {
      shown += QChar(char16_t(0xFFFD));
    } else {
      shown += c;
    }
  }
  return shown;
}

}  // namespace

void RecordDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  // A cell with marks of its own keeps them when selected: a frame in
  // the selection's colour shows the selection instead.
  const bool marked = index.data(RecordModel::MarkedRole).toBool();
  const bool own_colours = marked || index.data(RecordModel::UnconvertedRole).toBool();
  const bool selected = option.state & QStyle::State_Selected;
  QStyleOptionViewItem opt(option);
  if (own_colours) opt.state &= ~QStyle::State_Selected;
  const QVariantList spans = index.data(RecordModel::OddCharactersRole).toList();
  if (spans.isEmpty()) {
    QStyledItemDelegate::paint(painter, opt, index);
  } else {
    PaintOdd(painter, opt, index, spans);
  }
  if (marked || (own_colours && selected)) {
    painter->save();
    painter->setPen(QPen(marked ? kFrame : option.palette.color(QPalette::Highlight), 2));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
    painter->restore();
  }
}

void RecordDelegate::PaintOdd(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                              const QVariantList& spans) const {
  QStyleOptionViewItem opt(option);
  initStyleOption(&opt, index);
  const QString text = opt.text;
  opt.text.clear();
  const QWidget* widget = opt.widget;
  QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
  QRect r = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
  r.adjust(margin, 0, -margin, 0);
  const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                     : (opt.state & QStyle::State_Active) ? QPalette::Active
                                                                          : QPalette::Inactive;
  const QColor normal =
      opt.palette.color(group, (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text);
  painter->save();
  painter->setClipRect(r);
  painter->setFont(opt.font);
  const QFontMetrics fm(opt.font);
  const int baseline = r.top() + (r.height() - fm.height()) / 2 + fm.ascent();
  int x = r.left();
  auto draw = [&](const QString& part, bool odd) {
    const int width = fm.horizontalAdvance(part);
    if (odd) {
      painter->fillRect(QRect(x, r.top() + 2, width, r.height() - 4), kOddBackground);
      painter->setPen(Qt::white);
    } else {
      painter->setPen(normal);
    }
    painter->drawText(x, baseline, part);
    x += width;
  };
  int at = 0;
  for (qsizetype i = 0; i + 1 < spans.size(); i += 2) {
    const int position = spans[i].toInt();
    const int length = spans[i + 1].toInt();
    if (position > at) draw(text.mid(at, position - at), false);
    draw(Visible(text.mid(position, length)), true);
    at = position + length;
  }
  if (at < text.size()) draw(text.mid(at), false);
  painter->restore();
}

}  // namespace zentrox::ui
