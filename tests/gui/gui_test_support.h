// Fakes of the desktop services and a throw-away installation for the GUI
// tests: every test works in its own temporary directory.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "app/zentrox_app.h"
#include "model/clock.h"
#include "report/protocol.h"
#include "ui/ports.h"

namespace zentrox::test {

// A working directory holding the dictionaries and the archiver.
class TempInstall {
 public:
  TempInstall();
  bool ok() const { return ok_; }
  // With a trailing "/".
  std::string dir() const { return dir_; }
  QString path(const QString& name) const { return QString::fromStdString(dir_) + name; }

 private:
  QTemporaryDir temp_;
  std::string dir_;
  bool ok_ = false;
};

// Packs the files of examples/<folder> into `archive` with our archiver;
// the entries are stored under their plain names.
bool PackExample(const QString& folder, const QString& archive, const QStringList& members);
QStringList NewFormatMembers();

struct ShownMessage {
  bool error = false;
  QString text;
};

class FakeMessages : public ui::MessageBoxes {
 public:
  void Information(QWidget*, const QString& text) override;
  void Error(QWidget*, const QString& text) override;
  std::vector<ShownMessage> shown;
  // Runs while a box is "open" (the user has not closed it yet).
  std::function<void(const ShownMessage&)> while_open;
};

class FakeDialogs : public ui::FileDialogs {
 public:
  std::optional<QString> Open(QWidget*, const ui::OpenDialogOptions& setup) override;
  std::optional<QString> Save(QWidget*, const ui::SaveDialogOptions& setup, const QString& preset) override;
  // What the user picks, in turn; a null QString cancels the dialog.
  std::deque<QString> open_answers;
  std::deque<QString> save_answers;
  std::vector<ui::OpenDialogOptions> open_specs;
  std::vector<ui::SaveDialogOptions> save_specs;
  std::vector<QString> save_presets;
};

class FakePrinters : public ui::Printers {
 public:
  QString DefaultPrinter() override { return default_printer; }
  bool Print(const QTextDocument& document, const ui::PrintFrame& frame, const QString& printer,
             const QString& job_title, QString& error) override;
  QString default_printer;
  bool fail = false;
  struct Job {
    QString printer;
    QString title;
    QString text;
    ui::PrintFrame frame;
  };
  std::vector<Job> jobs;
};

// The program as main() composes it, with fakes for the desktop services,
// a fixed date, its own installation and its own user settings folder.
struct TestProgram {
  // `printers`: a real printer service instead of the fake.
  explicit TestProgram(QStringList arguments = {QStringLiteral("zentrox")}, ui::Printers* printers = nullptr);
  ~TestProgram();

  TempInstall install;
  // Where QSettings keeps the user's settings while the program lives.
  QTemporaryDir settings;
  FixedDateClock clock;
  FakeDialogs dialogs;
  FakeMessages messages;
  FakePrinters printers;
  std::optional<QString> settings_error;
  int settings_checks = 0;
  std::vector<QUrl> opened_urls;
  std::unique_ptr<app::ZentroxApp> app;
};

// Waits until the window's UnRar or Control has ended and its pane shows
// every line. False on time-out.
bool WaitForCommand(ui::CheckerWindow& window, int timeout_ms = 60000);

// Protocol texts, one per line.
QStringList ProtocolTexts(const Protocol& protocol);

}  // namespace zentrox::test
