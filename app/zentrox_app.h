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
#include "data/schemas.h"
#include "data/variant.h"
#include "ui/app_context.h"

namespace zentrox {
class Clock;
class Session;
}  // namespace zentrox

namespace zentrox::ui {
class CheckerWindow;
class RunGate;
}  // namespace zentrox::ui

namespace zentrox::app {

class AboutDialog;

struct AppOptions {
  QStringList arguments;
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

  ui::CheckerWindow* WindowOf(Variant variant) const;
  // The names of the objects in the order they were created.
  const std::vector<std::string>& creation_order() const { return created_; }

  // Shows the start menu (the only window visible at start-up).
  void Show();

 private:
  ui::AppContext context_;
  std::unique_ptr<ui::RunGate> gate_;
  std::vector<std::string> created_;
  void CreateWindow(Variant variant);

  std::unique_ptr<StartMenu> start_menu_;
  std::array<std::unique_ptr<ui::CheckerWindow>, kVariantCount> windows_;
  std::vector<Variant> window_order_;  // as created
  std::unique_ptr<Session> session_;
  std::unique_ptr<AboutDialog> about_;
};

}  // namespace zentrox::app
