#include "ui/find_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QToolButton>

namespace zentrox::ui {

FindBar::FindBar(QPlainTextEdit& view, QWidget* parent) : QWidget(parent), view_(view) {
  setObjectName(QStringLiteral("FindBar"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->setSpacing(4);
  layout->addWidget(new QLabel(QStringLiteral("Caută:"), this));
  field_ = new QLineEdit(this);
  field_->setObjectName(QStringLiteral("FindText"));
  field_->setClearButtonEnabled(true);
  field_->installEventFilter(this);
  normal_ = field_->palette();
  layout->addWidget(field_, 1);
  auto* previous = new QToolButton(this);
  previous->setObjectName(QStringLiteral("FindPrevious"));
  previous->setArrowType(Qt::UpArrow);
  previous->setToolTip(QStringLiteral("Precedenta (Shift+F3)"));
  layout->addWidget(previous);
  auto* next = new QToolButton(this);
  next->setObjectName(QStringLiteral("FindNext"));
  next->setArrowType(Qt::DownArrow);
  next->setToolTip(QStringLiteral("Următoarea (F3)"));
  layout->addWidget(next);
  state_ = new QLabel(this);
  state_->setObjectName(QStringLiteral("FindState"));
  layout->addWidget(state_);
  auto* close = new QToolButton(this);
  close->setText(QStringLiteral("✕"));
  close->setToolTip(QStringLiteral("Închide (Esc)"));
  close->setAutoRaise(true);
  layout->addWidget(close);

  connect(previous, &QToolButton::clicked, this, [this] { FindNext(true); });
  connect(next, &QToolButton::clicked, this, [this] { FindNext(false); });
  connect(close, &QToolButton::clicked, this, &FindBar::Close);
  connect(field_, &QLineEdit::returnPressed, this, [this] { FindNext(false); });
  // Typing searches from where the last match began.
  connect(field_, &QLineEdit::textEdited, this, [this] {
    QTextCursor cursor = view_.textCursor();
    cursor.setPosition(cursor.selectionStart());
    view_.setTextCursor(cursor);
    if (field_->text().isEmpty()) {
      ShowFound(true);
    } else {
      FindNext(false);
    }
  });
  hide();
}

void FindBar::Open() {
  show();
  field_->setFocus(Qt::ShortcutFocusReason);
  field_->selectAll();
}

bool FindBar::FindNext(bool backward) {
  if (field_->text().isEmpty()) {
    Open();
    return false;
  }
  const QString text = field_->text();
  const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
  bool found = view_.find(text, flags);
  if (!found) {
    // Round the end (or the beginning) and try once more.
    const QTextCursor kept = view_.textCursor();
    view_.moveCursor(backward ? QTextCursor::End : QTextCursor::Start);
    found = view_.find(text, flags);
    if (!found) view_.setTextCursor(kept);
  }
  ShowFound(found);
  return found;
}

void FindBar::ShowFound(bool found) {
  state_->setText(found ? QString() : QStringLiteral("negăsit"));
  QPalette p = normal_;
  if (!found) p.setColor(QPalette::Base, QColor(255, 200, 200));
  field_->setPalette(p);
}

void FindBar::Close() {
  hide();
  view_.setFocus(Qt::OtherFocusReason);
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == field_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
      Close();
      return true;
    }
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && (key->modifiers() & Qt::ShiftModifier)) {
      FindNext(true);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace zentrox::ui
