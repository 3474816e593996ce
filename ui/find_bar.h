// A one-line find bar under a text view: Enter or F3 finds the next match,
// Shift+Enter or Shift+F3 the previous one, going round at the ends; Escape
// closes the bar and gives the focus back to the view.
#pragma once

#include <QPalette>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace zentrox::ui {

class FindBar : public QWidget {
  Q_OBJECT
 public:
  FindBar(QPlainTextEdit& view, QWidget* parent = nullptr);

  QLineEdit& field() { return *field_; }
  // Shows the bar with the field focused and its text selected.
  void Open();
  // Finds the field's text after (or before) the view's cursor and selects
  // it; false when the text is nowhere in the view. Opens the bar when its
  // field is empty.
  bool FindNext(bool backward = false);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Close();
  void ShowFound(bool found);

  QPlainTextEdit& view_;
  QLineEdit* field_ = nullptr;
  QLabel* state_ = nullptr;
  QPalette normal_;
};

}  // namespace zentrox::ui
