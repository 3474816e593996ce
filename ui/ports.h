// What the windows ask of the desktop: file dialogs, message boxes and the
// printer. Each is an interface so the tests drive every handler with fakes
// instead of a person; the Qt* classes are the real ones.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QSizeF>
#include <QString>
#include <QStringList>

class QPrinter;
class QTextDocument;
class QWidget;

namespace zentrox::ui {

// The settings of an open dialog such as `odUnRar`.
struct OpenDialogOptions {
  QString object_name;
  QString title;
  QStringList filters;  // Qt filter strings, first one selected
  QString directory;    // the folder the dialog opens in; empty: its own choice
};

// The settings of a save dialog such as `sdToFile`.
struct SaveDialogOptions {
  QString object_name;
  QString default_suffix;
};

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // The chosen file's full path, nothing when the user cancels.
  virtual std::optional<QString> Open(QWidget* parent, const OpenDialogOptions& setup) = 0;
  // `preset`: the file name the dialog proposes (a bare name means the
  // dialog's current directory).
  virtual std::optional<QString> Save(QWidget* parent, const SaveDialogOptions& setup, const QString& preset) = 0;
};

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // A message box with an OK button.
  virtual void Information(QWidget* parent, const QString& text) = 0;
  // The standard error box: stop icon, OK button.
  virtual void Error(QWidget* parent, const QString& text) = 0;
};

// What a printout carries around the protocol's lines.
struct PrintFrame {
  QString heading;  // at the top of every page: the archive, the variant, the date of the check
  QString verdict;  // after the protocol's last line; none when empty
};

class Printers {
 public:
  virtual ~Printers() = default;
  // The system's default printer, "" when there is none.
  virtual QString DefaultPrinter() = 0;
  // Prints `document` on `printer` as one job titled `job_title`, laid out
  // for the paper (LayOutForPaper) with `frame` around it. On failure
  // returns false and says why in `error`.
  virtual bool Print(const QTextDocument& document, const PrintFrame& frame, const QString& printer,
                     const QString& job_title, QString& error) = 0;
};

class QtFileDialogs : public FileDialogs {
 public:
  std::optional<QString> Open(QWidget* parent, const OpenDialogOptions& setup) override;
  std::optional<QString> Save(QWidget* parent, const SaveDialogOptions& setup, const QString& preset) override;
};

class QtMessageBoxes : public MessageBoxes {
 public:
  void Information(QWidget* parent, const QString& text) override;
  void Error(QWidget* parent, const QString& text) override;
};

class QtPrinters : public Printers {
 public:
  QString DefaultPrinter() override;
  bool Print(const QTextDocument& document, const PrintFrame& frame, const QString& printer, const QString& job_title,
             QString& error) override;
};

// One page of a printout: the part of the laid-out document from `top` to
// `bottom` (pane pixels), under the heading and above the footer.
struct PaperPage {
  qreal top = 0;
  qreal bottom = 0;
  QString heading;
  QString footer;  // "Pagina N din M"
};

struct PaperLayout {
  // The protocol laid out for the paper, the verdict as its last line. A
  // line too long for the paper wraps, its continuation indented so that
  // each line's start stands out.
  std::unique_ptr<QTextDocument> document;
  QSizeF body;  // what the lines may fill on a page, in pane pixels
  std::vector<PaperPage> pages;
};

// Lays `source` out on pages whose printable area is `page` pane pixels (a
// pane pixel is 1/96 inch), each with a heading band and a footer band; a
// line that does not fit whole on a page begins the next one.
PaperLayout LayOutForPaper(const QTextDocument& source, const PrintFrame& frame, const QSizeF& page);

// Lays `document` out for the paper of `printer` (2 cm margins) and prints
// it page by page with `frame`. False when the printer refused a page.
bool PrintOnPaper(const QTextDocument& document, QPrinter& printer, const PrintFrame& frame = {});

// The program's texts keep the carriage returns they were written with; a
// message box breaks lines only on "\n".
QString ForDisplay(const QString& text);

}  // namespace zentrox::ui
