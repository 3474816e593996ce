#include "app/zentrox_app.h"

#include <cassert>
#include <optional>
#include <string>
#include <utility>

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include "app/about_dialog.h"
#include "session/session.h"
#include "ui/checker_window.h"
#include "ui/ports.h"
#include "ui/run_gate.h"
#include "ui/run_verdict.h"
#include "ui/sentence_language.h"

namespace zentrox::app {
namespace {
ZentroxApp* g_instance = nullptr;

// The start-up order of the first windows.
const Variant kWindowsBeforeSession[] = {Variant::Annual, Variant::Quarterly, Variant::Monthly};
}  // namespace

QString ArchiveArgument(const QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments.at(i);
    if (a == QLatin1String("debug") || a.isEmpty()) continue;
    if (a.startsWith(QLatin1String("file:"))) return QUrl(a).toLocalFile();
    return QFileInfo(a).absoluteFilePath();
  }
  return {};
}

ZentroxApp* ZentroxApp::instance() { return g_instance; }

void ZentroxApp::CreateWindow(Variant variant) {
  auto& slot = windows_[static_cast<std::size_t>(variant)];
  slot = std::make_unique<ui::CheckerWindow>(context_, variant);
  window_order_.push_back(variant);
  created_.push_back(Profile(variant).window);
}

ZentroxApp::ZentroxApp(const AppOptions& options)
    : gate_(std::make_unique<ui::RunGate>()), sentences_(std::make_unique<ui::SentenceLanguageChoice>()) {
  assert(g_instance == nullptr && "the program's objects exist once");
  assert(options.clock != nullptr);
  g_instance = this;
  context_.gate = gate_.get();
  context_.sentences = sentences_.get();
  context_.dialogs = options.dialogs;
  context_.messages = options.messages;
  context_.printers = options.printers;
  context_.arguments = options.arguments;
  archive_ = options.archive;

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
  CascadeWindows();
}

void ZentroxApp::CascadeWindows() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  QSize largest;
  for (Variant v : AllVariants()) largest = largest.expandedTo(WindowOf(v)->size());
  int index = 0;
  for (Variant v : AllVariants()) {
    WindowOf(v)->move(ui::CascadePosition(area, largest, index++, kVariantCount));
  }
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

void ZentroxApp::Show() {
  start_menu_->show();
  if (!archive_.isEmpty()) {
    QTimer::singleShot(0, start_menu_.get(), [this] { OpenArchive(std::exchange(archive_, QString())); });
  }
}

void ZentroxApp::OpenArchive(const QString& archive) {
  // Only a file goes to the archiver: a FIFO would hang its listing.
  const QFileInfo info(archive);
  if (!info.isFile()) {
    if (context_.messages != nullptr) {
      context_.messages->Error(start_menu_.get(),
                               QStringLiteral("Arhiva %1 nu poate fi deschisă: %2.")
                                   .arg(archive, info.exists() ? QStringLiteral("nu este un fișier obișnuit")
                                                               : QStringLiteral("fișierul nu există")));
    }
    return;
  }
  const VariantDetection told = session_->DetectVariant(archive.toStdString());
  start_menu_->SetPendingArchive(archive);
  if (told.variant) {
    start_menu_->OpenCheckerWindow(*told.variant);
    return;
  }
  if (context_.messages != nullptr) {
    context_.messages->Information(
        start_menu_.get(), QStringLiteral("Varianta arhivei %1 nu poate fi stabilită: %2.\nAlegeți-o în meniu: arhiva "
                                          "este apoi dezarhivată și controlată în fereastra ei.")
                               .arg(info.fileName(), ui::UntoldVariantText(told)));
  }
}

}  // namespace zentrox::app
