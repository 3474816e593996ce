// Zentrox: the desktop program. Starts the objects in their order and runs
// the message loop until the start menu closes.
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QTimer>

#include "app/formatting_settings.h"
#include "app/qt_texts.h"
#include "app/zentrox_app.h"
#include "engine/heap.h"
#include "intake/command_runner.h"
#include "intake/workdir.h"
#include "model/clock.h"
#include "ui/ports.h"

int main(int argc, char* argv[]) {
  zentrox::ReturnLargeBlocksWhenFreed();
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zentrox"));
  // The user's settings (the UnRar dialog's folder) live under these names.
  QApplication::setOrganizationName(QStringLiteral("Zentrox"));
  // Checker windows stay open (hidden or not) after the menu closes; the
  // menu's own close ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  // Menus, buttons and dialogs of the toolkit speak Romanian as the program does.
  zentrox::app::InstallRomanianQtTexts();
  // QApplication has just set the C library's locale from the environment:
  // force the formatting the loaders and checks rely on before any window.
  zentrox::app::ApplyFormattingSettings();

  // The archiver lies beside the program. The working directory, where the
  // dictionaries are read and packages unpacked, is the program's own
  // directory, or a per-user one when an installed program can't write there.
  // One that can't be used ends the program before any window opens.
  zentrox::ui::QtMessageBoxes messages;
  const std::string dir = zentrox::ExecutableDirectory();
  const zentrox::WorkdirSetup setup = zentrox::PrepareWorkdir(std::nullopt, dir);
  // What the start has to say: a passed-over manifest, then an error or the
  // edited dictionaries kept back from an upgrade.
  std::string told;
  auto tell = [&told](const std::string& text) { told += (told.empty() ? "" : "\n\n") + text; };
  // Said in Romanian from what the setup hands over; its own words (they
  // name the file) follow as the detail.
  for (const std::string& warning : setup.warnings) {
    tell("Lista nomenclatoarelor din directorul de lucru a fost ignorată.\nDetalii: " + warning);
  }
  if (!setup.error.empty()) {
    tell(std::string(setup.fault == zentrox::WorkdirFault::NotReady
                         ? "Nomenclatoarele nu au putut fi puse în directorul de lucru; programul se închide."
                         : "Directorul de lucru nu poate fi folosit; programul se închide.") +
         "\nDetalii: " + setup.error);
    messages.Error(nullptr, QString::fromStdString(told));
    // As zentrox-check ends: 3 when the dictionaries could not be put in
    // place (a full disk), 2 when there is no directory to use.
    return setup.fault == zentrox::WorkdirFault::NotReady ? 3 : 2;
  }
  const std::string& workdir = setup.dir;
  // A relative archive path names a file in the directory the program was
  // started in, which is left here.
  const QString archive = zentrox::app::ArchiveArgument(QApplication::arguments());
  QDir::setCurrent(QString::fromStdString(workdir));

  zentrox::SystemClock clock;
  zentrox::ui::QtFileDialogs dialogs;
  zentrox::ui::QtPrinters printers;
  zentrox::app::AppOptions options;
  options.arguments = QApplication::arguments();
  options.archive = archive;
  options.workdir = workdir;
  options.program_dir = dir;
  options.clock = &clock;
  options.dialogs = &dialogs;
  options.messages = &messages;
  options.printers = &printers;
  options.settings_check = [] { return zentrox::app::CheckRegionalSettings(); };
  options.open_url = [](const QUrl& url) { QDesktopServices::openUrl(url); };

  zentrox::app::ZentroxApp app(options);
  QObject::connect(app.startMenu(), &zentrox::app::StartMenu::closed, &application, &QApplication::quit);
  app.Show();
  // Said once over the start menu.
  if (!setup.kept.empty()) {
    std::string names;
    for (const std::string& n : setup.kept) names += (names.empty() ? "" : ", ") + n;
    tell("Nomenclatoarele directorului de lucru " + workdir + " diferă de cele instalate (" + dir +
         ") și au fost lăsate așa cum sunt: " + names +
         ". Pentru a primi versiunea instalată a unui nomenclator, ștergeți fișierul lui: la următoarea pornire "
         "va fi restabilit.");
  }
  if (!told.empty()) {
    QTimer::singleShot(0, app.startMenu(),
                       [&] { messages.Information(app.startMenu(), QString::fromStdString(told)); });
  }
  return application.exec();
}
