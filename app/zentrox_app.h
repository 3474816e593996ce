// The program's objects, created once each in the start-up order and reached
// through the one ZentroxApp: the start menu TForm1, the checker windows
// TFmain, TFmain_KV, TFmain_MES, the data modules DM and DM1 (held by the
// session), TFmainrev and the about dialog TFormBla.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QStringList>
#include <QUrl>

#include "app/start_menu.h"
#include "data/schemas.h"
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

  StartMenu* Form1() const { return form1_.get(); }
  ui::CheckerWindow* Fmain() const { return fmain_.get(); }
  ui::CheckerWindow* FmainKV() const { return fmain_kv_.get(); }
  ui::CheckerWindow* FmainMES() const { return fmain_mes_.get(); }
  ui::CheckerWindow* Fmainrev() const { return fmainrev_.get(); }
  AboutDialog* FormBla() const { return form_bla_.get(); }
  TDM& DM();
  TDM1& DM1();
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
  std::unique_ptr<StartMenu> form1_;
  std::unique_ptr<ui::CheckerWindow> fmain_;
  std::unique_ptr<ui::CheckerWindow> fmain_kv_;
  std::unique_ptr<ui::CheckerWindow> fmain_mes_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<ui::CheckerWindow> fmainrev_;
  std::unique_ptr<AboutDialog> form_bla_;
};

}  // namespace zentrox::app
