#include "app/zentrox_app.h"

#include <cassert>

#include "app/about_dialog.h"
#include "session/session.h"
#include "ui/checker_window.h"
#include "ui/run_gate.h"

namespace zentrox::app {
namespace {
ZentroxApp* g_instance = nullptr;

// The start-up order of the first windows.
const Variant kWindowsBeforeSession[] = {Variant::Annual, Variant::Quarterly, Variant::Monthly};
}  // namespace

ZentroxApp* ZentroxApp::instance() { return g_instance; }

void ZentroxApp::CreateWindow(Variant variant) {
  auto& slot = windows_[static_cast<std::size_t>(variant)];
  slot = std::make_unique<ui::CheckerWindow>(context_, variant);
  window_order_.push_back(variant);
  created_.push_back(Profile(variant).window);
}

ZentroxApp::ZentroxApp(const AppOptions& options) : gate_(std::make_unique<ui::RunGate>()) {
  assert(g_instance == nullptr && "the program's objects exist once");
  assert(options.clock != nullptr);
  g_instance = this;
  context_.gate = gate_.get();
  context_.dialogs = options.dialogs;
  context_.messages = options.messages;
  context_.printers = options.printers;
  context_.arguments = options.arguments;

  // The start-up order: the menu first (it is the main window), then the
  // windows and data modules; all but the menu stay hidden.
  start_menu_ = std::make_unique<StartMenu>(
      context_, [this](Variant v) { return WindowOf(v); }, options.settings_check,
      [this] {
        about_->show();
        about_->raise();
        about_->activateWindow();
      });
  created_.push_back("TForm1");
  // The windows of the new formats come before the data modules; the rest after.
  for (Variant v : kWindowsBeforeSession) CreateWindow(v);
  // The session holds both data modules, DM before DM1.
  session_ = std::make_unique<Session>(options.workdir, options.program_dir, *options.clock);
  context_.session = session_.get();
  created_.push_back("DM");
  created_.push_back("DM1");
  for (Variant v : AllVariants()) {
    if (WindowOf(v) == nullptr) CreateWindow(v);
  }
  about_ = std::make_unique<AboutDialog>(options.open_url);
  created_.push_back("TFormBla");
}

ZentroxApp::~ZentroxApp() {
  // Windows go before the session their handlers reach.
  about_.reset();
  for (auto v = window_order_.rbegin(); v != window_order_.rend(); ++v) {
    windows_[static_cast<std::size_t>(*v)].reset();
  }
  start_menu_.reset();
  context_.session = nullptr;
  session_.reset();
  g_instance = nullptr;
}

NewFormatTables& ZentroxApp::DM() { return session_->dm(); }
OldFormatTables& ZentroxApp::DM1() { return session_->dm1(); }

ui::CheckerWindow* ZentroxApp::WindowOf(Variant variant) const {
  return windows_[static_cast<std::size_t>(variant)].get();
}

void ZentroxApp::Show() { start_menu_->show(); }

}  // namespace zentrox::app
