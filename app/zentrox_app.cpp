#include "app/zentrox_app.h"

#include <cassert>

#include "app/about_dialog.h"
#include "session/session.h"
#include "ui/checker_window.h"
#include "ui/run_gate.h"

namespace zentrox::app {
namespace {
ZentroxApp* g_instance = nullptr;
}

ZentroxApp* ZentroxApp::instance() { return g_instance; }

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
  form1_ = std::make_unique<StartMenu>(
      context_, [this](Variant v) { return WindowOf(v); }, options.settings_check,
      [this] {
        form_bla_->show();
        form_bla_->raise();
        form_bla_->activateWindow();
      });
  created_.push_back("TForm1");
  fmain_ = std::make_unique<ui::CheckerWindow>(context_, Variant::Annual);
  created_.push_back("TFmain");
  fmain_kv_ = std::make_unique<ui::CheckerWindow>(context_, Variant::Quarterly);
  created_.push_back("TFmain_KV");
  fmain_mes_ = std::make_unique<ui::CheckerWindow>(context_, Variant::Monthly);
  created_.push_back("TFmain_MES");
  // The session holds both data modules, DM before DM1.
  session_ = std::make_unique<Session>(options.workdir, options.program_dir, *options.clock);
  context_.session = session_.get();
  created_.push_back("DM");
  created_.push_back("DM1");
  fmainrev_ = std::make_unique<ui::CheckerWindow>(context_, Variant::AnnualOld);
  created_.push_back("TFmainrev");
  form_bla_ = std::make_unique<AboutDialog>(options.open_url);
  created_.push_back("TFormBla");
}

ZentroxApp::~ZentroxApp() {
  // Windows go before the session their handlers reach.
  form_bla_.reset();
  fmainrev_.reset();
  fmain_mes_.reset();
  fmain_kv_.reset();
  fmain_.reset();
  form1_.reset();
  context_.session = nullptr;
  session_.reset();
  g_instance = nullptr;
}

TDM& ZentroxApp::DM() { return session_->dm(); }
TDM1& ZentroxApp::DM1() { return session_->dm1(); }

ui::CheckerWindow* ZentroxApp::WindowOf(Variant variant) const {
  switch (variant) {
    case Variant::Monthly:
      return fmain_mes_.get();
    case Variant::Quarterly:
      return fmain_kv_.get();
    case Variant::Annual:
      return fmain_.get();
    case Variant::AnnualOld:
      return fmainrev_.get();
  }
  return nullptr;
}

void ZentroxApp::Show() { form1_->show(); }

}  // namespace zentrox::app
