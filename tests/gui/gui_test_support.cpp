#include "gui_test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTextDocument>

#include "app/about_dialog.h"
#include "engine/date.h"
#include "ui/checker_controller.h"
#include "ui/checker_window.h"
#include "ui/protocol_pane.h"

namespace zentrox::test {

TempInstall::TempInstall() {
  if (!temp_.isValid()) return;
  dir_ = QDir(temp_.path()).absolutePath().toStdString() + "/";
  QDir source(QStringLiteral(ZENTROX_DICTIONARY_DIR));
  bool copied = true;
  for (const QString& name : source.entryList({QStringLiteral("*.txt")}, QDir::Files)) {
    copied = QFile::copy(source.filePath(name), path(name)) && copied;
  }
  const QString rar = path(QStringLiteral("Rar"));
  copied = QFile::copy(QStringLiteral(ZENTROX_RAR_PROGRAM), rar) && copied;
  QFile::setPermissions(rar, QFile::permissions(rar) | QFile::ExeOwner | QFile::ExeUser);
  ok_ = copied;
}

QStringList NewFormatMembers() {
  return {QStringLiteral("rev5_t"), QStringLiteral("rev5_ip"), QStringLiteral("rev5_na"), QStringLiteral("rev5_sd")};
}

bool PackExample(const QString& folder, const QString& archive, const QStringList& members) {
  QProcess rar;
  rar.setWorkingDirectory(QStringLiteral(ZENTROX_EXAMPLES_DIR) + QLatin1Char('/') + folder);
  rar.start(QStringLiteral(ZENTROX_RAR_PROGRAM), QStringList{QStringLiteral("a"), archive} + members);
  return rar.waitForFinished(30000) && rar.exitStatus() == QProcess::NormalExit && rar.exitCode() == 0;
}

void FakeMessages::Information(QWidget*, const QString& text) {
  shown.push_back({.error = false, .text = text});
  if (while_open) while_open(shown.back());
}

void FakeMessages::Error(QWidget*, const QString& text) {
  shown.push_back({.error = true, .text = text});
  if (while_open) while_open(shown.back());
}

std::optional<QString> FakeDialogs::Open(QWidget*, const ui::OpenDialogOptions& setup) {
  open_specs.push_back(setup);
  if (open_answers.empty()) return std::nullopt;
  const QString answer = open_answers.front();
  open_answers.pop_front();
  if (answer.isNull()) return std::nullopt;
  return answer;
}

std::optional<QString> FakeDialogs::Save(QWidget*, const ui::SaveDialogOptions& setup, const QString& preset) {
  save_specs.push_back(setup);
  save_presets.push_back(preset);
  if (save_answers.empty()) return std::nullopt;
  const QString answer = save_answers.front();
  save_answers.pop_front();
  if (answer.isNull()) return std::nullopt;
  return answer;
}

bool FakePrinters::Print(const QTextDocument& document, const ui::PrintFrame& frame, const QString& printer,
                         const QString& job_title, QString& error) {
  if (fail) {
    error = QStringLiteral("printer on fire");
    return false;
  }
  jobs.push_back({printer, job_title, document.toPlainText(), frame});
  return true;
}

// The valid example packages give no finding when checked on this day.
TestProgram::TestProgram(QStringList arguments, ui::Printers* real_printers) : clock(*Date::FromYmd(2026, 12, 8)) {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  app::AppOptions options;
  options.arguments = std::move(arguments);
  options.archive = app::ArchiveArgument(options.arguments);
  options.workdir = install.dir();
  options.program_dir = install.dir();
  options.clock = &clock;
  options.dialogs = &dialogs;
  options.messages = &messages;
  options.printers = real_printers != nullptr ? real_printers : &printers;
  options.settings_check = [this] {
    ++settings_checks;
    return settings_error;
  };
  options.open_url = [this](const QUrl& url) { opened_urls.push_back(url); };
  app = std::make_unique<app::ZentroxApp>(options);
}

TestProgram::~TestProgram() { app.reset(); }

bool WaitForCommand(ui::CheckerWindow& window, int timeout_ms) {
  if (window.controller().running()) {
    QSignalSpy finished(&window, &ui::CheckerWindow::commandFinished);
    if (!finished.wait(timeout_ms)) return false;
  }
  window.pane().FlushAll();
  return true;
}

QStringList ProtocolTexts(const Protocol& protocol) {
  QStringList out;
  for (const ProtocolLine& line : protocol.lines()) out << QString::fromStdString(line.text);
  return out;
}

}  // namespace zentrox::test
