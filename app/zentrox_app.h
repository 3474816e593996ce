// The program's objects, created once each in the start-up order and reached
// through the one ZentroxApp: the start menu TForm1, the checker windows
// TFmain, TFmain_KV, TFmain_MES, the data modules DM and DM1 (held by the
// session), TFmainrev and the about dialog TFormBla.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QStringList>
#include <QUrl>

#include "app/start_menu.h"
#include "model/schemas.h"
#include "model/variant.h"
#include "ui/app_context.h"

namespace zentrox {
class Clock;
class Session;
}  // namespace zentrox

namespace zentrox::ui {
class CheckerWindow;
class RunGate;
class SentenceLanguageChoice;
}  // namespace zentrox::ui

namespace zentrox::app {

class AboutDialog;

// The archive the program was started with (the desktop entry's "Open with"):
// the first argument after the program name other than "debug", as an
// absolute path (taken against the current directory at the call) or a
// file URL's local path; empty when there is none.
QString ArchiveArgument(const QStringList& arguments);

struct AppOptions {
  QStringList arguments;
  QString archive;          // ArchiveArgument(arguments), taken before the current directory changes
  std::string workdir;      // where dictionaries lie and packages are unpacked
  std::string program_dir;  // where the archiver is looked for first
  const Clock* clock = nullptr;
  ui::FileDialogs* dialogs = nullptr;
  ui::MessageBoxes* messages = nullptr;
  ui::Printers* printers = nullptr;
  StartMenu::SettingsCheck settings_check;
  std::function<void(const QUrl&)> open_url;
};

class ZentroxApp {
 public:
  explicit ZentroxApp(const AppOptions& options);
  ~ZentroxApp();
  ZentroxApp(const ZentroxApp&) = delete;
  ZentroxApp& operator=(const ZentroxApp&) = delete;

  // The one running program, nullptr when none.
  static ZentroxApp* instance();

  // TForm1, TFmain, TFmain_KV, TFmain_MES, TFmainrev and TFormBla.
  StartMenu* startMenu() const { return start_menu_.get(); }
  ui::CheckerWindow* annualWindow() const { return WindowOf(Variant::Annual); }
  ui::CheckerWindow* quarterlyWindow() const { return WindowOf(Variant::Quarterly); }
  ui::CheckerWindow* monthlyWindow() const { return WindowOf(Variant::Monthly); }
  ui::CheckerWindow* annualOldWindow() const { return WindowOf(Variant::AnnualOld); }
  AboutDialog* aboutDialog() const { return about_.get(); }
  NewFormatTables& DM();
  OldFormatTables& DM1();
  Session& session() const { return *session_; }
  ui::RunGate& gate() const { return *gate_; }
  ui::SentenceLanguageChoice& sentences() const { return *sentences_; }

  ui::CheckerWindow* WindowOf(Variant variant) const;
  // The names of the objects in the order they were created.
  const std::vector<std::string>& creation_order() const { return created_; }

  // Shows the start menu (the only window visible at start-up), then, from
  // the event loop, opens the archive the program was started with.
  void Show();

  // Opens `archive` in the checker window of its variant (told by
  // Session::DetectVariant): UnRar and Control run as the two buttons run
  // them. When the variant can't be told the menu stays, says why, and the
  // window the user opens next takes the archive.
  void OpenArchive(const QString& archive);

 private:
  ui::AppContext context_;
  std::unique_ptr<ui::RunGate> gate_;
  std::unique_ptr<ui::SentenceLanguageChoice> sentences_;
  std::vector<std::string> created_;
  QString archive_;
  void CreateWindow(Variant variant);
  // Each checker window a step right of and below the one before.
  void CascadeWindows();

  std::unique_ptr<StartMenu> start_menu_;
  std::array<std::unique_ptr<ui::CheckerWindow>, kVariantCount> windows_;
  std::vector<Variant> window_order_;  // as created
  std::unique_ptr<Session> session_;
  std::unique_ptr<AboutDialog> about_;
};

}  // namespace zentrox::app
