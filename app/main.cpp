// Zentrox: the desktop program. Starts the objects in their order and runs
// the message loop until the start menu closes.
#include <QApplication>
#include <QDesktopServices>
#include <QDir>

#include "app/formatting_settings.h"
#include "app/zentrox_app.h"
#include "intake/command_runner.h"
#include "rules/control_run.h"
#include "ui/ports.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zentrox"));
  // Checker windows stay open (hidden or not) after the menu closes; the
  // menu's own close ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  // QApplication has just set the C library's locale from the environment:
  // force the formatting the loaders and checks rely on before any window.
  zentrox::app::ApplyFormattingSettings();

  // The working directory is the program's own directory: the dictionaries
  // and the archiver lie there and packages are unpacked there.
  const std::string dir = zentrox::ExecutableDirectory();
  QDir::setCurrent(QString::fromStdString(dir));

  zentrox::SystemClock clock;
  zentrox::ui::QtFileDialogs dialogs;
  zentrox::ui::QtMessageBoxes messages;
  zentrox::ui::QtPrinters printers;
  zentrox::app::AppOptions options;
  options.arguments = QApplication::arguments();
  options.workdir = dir;
  options.program_dir = dir;
  options.clock = &clock;
  options.dialogs = &dialogs;
  options.messages = &messages;
  options.printers = &printers;
  options.settings_check = [] { return zentrox::app::CheckRegionalSettings(); };
  options.open_url = [](const QUrl& url) { QDesktopServices::openUrl(url); };

  zentrox::app::ZentroxApp app(options);
  QObject::connect(app.Form1(), &zentrox::app::StartMenu::closed, &application, &QApplication::quit);
  app.Show();
  return application.exec();
}
