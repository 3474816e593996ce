// TFormBla, the about dialog: a note, the program's version, the office's
// web address as a link and an "ОК" button. The start menu opens it from its
// "?" button or with F1.
#pragma once

#include <functional>

#include <QDialog>
#include <QLabel>
#include <QUrl>

namespace zentrox::app {

inline constexpr const char* kOfficeAddress = "https://example.org/zentrox";

// The program's version, as its installation package names it ("1.0.0").
QString ProgramVersion();

// A label that shows an address in blue, underlined while the mouse is over
// it, and opens the address on a click.
class LinkLabel : public QLabel {
  Q_OBJECT
 public:
  LinkLabel(const QUrl& url, QWidget* parent = nullptr);
  const QUrl& url() const { return url_; }

 signals:
  void activated(const QUrl& url);

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void SetUnderlined(bool underlined);
  QUrl url_;
};

class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  // `open_url` asks the desktop to open an address in the default browser.
  explicit AboutDialog(std::function<void(const QUrl&)> open_url, QWidget* parent = nullptr);

  LinkLabel& link() { return *link_; }

 private:
  LinkLabel* link_ = nullptr;
};

}  // namespace zentrox::app
