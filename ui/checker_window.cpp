#include "ui/checker_window.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include "model/files.h"
#include "session/session.h"
#include "ui/checker_controller.h"
#include "ui/find_bar.h"
#include "ui/findings_overview.h"
#include "ui/protocol_pane.h"
#include "ui/record_page.h"
#include "ui/run_gate.h"
#include "ui/run_verdict.h"
#include "ui/sentence_language.h"
#include "ui/table_model.h"
#include "ui/variant_look.h"

namespace zentrox::ui {
namespace {

constexpr int kPanelHeight = 53;
constexpr int kButtonHeight = 25;
const QString kUnRarFolderKey = QStringLiteral("UnRar/folder");

QFont TimesNewRoman16() {
  QFont font(QStringLiteral("Times New Roman"));
  font.setStyleHint(QFont::Serif);
  font.setPixelSize(16);
  return font;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  button->setFixedHeight(kButtonHeight);
  button->setMinimumWidth(75);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

WindowProfile WindowProfileFor(Variant variant) {
  const VariantProfile& p = Profile(variant);
  const VariantLook& look = LookOf(variant);
  return {variant, QString::fromStdString(p.window), QString::fromStdString(p.caption), QSize(look.window_width, 439),
          look.highlight_background};
}

OpenDialogOptions UnRarDialogOptions() {
  return {QStringLiteral("odUnRar"),
          QStringLiteral("Alegeți arhiva RAR de dezarhivat în directorul de lucru"),
          {QStringLiteral("arhive rar (*.rar)"), QStringLiteral("toate fișierele (*)")},
          UnRarFolder()};
}

QString UnRarFolder() {
  const QString remembered = QSettings().value(kUnRarFolderKey).toString();
  if (!remembered.isEmpty() && QFileInfo(remembered).isDir()) return remembered;
  return QDir::homePath();
}

void RememberUnRarFolder(const QString& archive) {
  QSettings().setValue(kUnRarFolderKey, QFileInfo(archive).absolutePath());
}

SaveDialogOptions SaveDialogOptionsFor() { return {QStringLiteral("sdToFile"), QStringLiteral("doc")}; }

SaveDialogOptions FindingsCsvDialogOptions() { return {QStringLiteral("sdFindingsCsv"), QStringLiteral("csv")}; }

SaveDialogOptions FindingsXlsxDialogOptions() { return {QStringLiteral("sdFindingsXlsx"), QStringLiteral("xlsx")}; }

bool DebugRequested(const QStringList& arguments) { return arguments.indexOf(QLatin1String("debug"), 1) > 0; }

QPoint CascadePosition(const QRect& area, const QSize& size, int index, int count, int step) {
  const int spread = step * std::max(count - 1, 0);
  const QPoint first = area.center() - QPoint((size.width() + spread) / 2, (size.height() + spread) / 2);
  const QPoint at = first + QPoint(step * index, step * index);
  // Inside the area; a window larger than it keeps its top left corner in.
  const int x = std::max(area.left(), std::min(at.x(), area.right() + 1 - size.width()));
  const int y = std::max(area.top(), std::min(at.y(), area.bottom() + 1 - size.height()));
  return {x, y};
}

CheckerWindow::CheckerWindow(AppContext& context, Variant variant, QWidget* parent)
    : QWidget(parent), context_(context), profile_(WindowProfileFor(variant)) {
  setObjectName(profile_.object_name);
  setWindowTitle(profile_.caption);
  controller_ = new CheckerController(context_, variant, this);
  controller_->SetDialogParent(this);
  BuildLayout();
  pane_->Attach(controller_->feed());
  record_ = new RecordPage(context_, *controller_, *pages_, *pane_, pages_);

  connect(unrar_, &QPushButton::clicked, this, &CheckerWindow::ChooseAndUnpackArchive);
  connect(control_, &QPushButton::clicked, this, &CheckerWindow::ControlPackage);
  connect(print_, &QPushButton::clicked, this, &CheckerWindow::PrintProtocol);
  connect(save_, &QPushButton::clicked, this, &CheckerWindow::SaveProtocol);
  connect(setup_, &QPushButton::clicked, this, &CheckerWindow::CheckInstallation);
  connect(controller_, &CheckerController::started, this, &CheckerWindow::OnStarted);
  connect(controller_, &CheckerController::finished, this, &CheckerWindow::OnFinished);
  connect(controller_, &CheckerController::beforeMessage, pane_, &ProtocolPane::FlushAll);
  connect(controller_, &CheckerController::archiverMessage, this, &CheckerWindow::ShowArchiverMessage);
  connect(pane_, &ProtocolPane::saveFindingsRequested, this, &CheckerWindow::SaveFindingsCsv);
  connect(pane_, &ProtocolPane::saveWorkbookRequested, this, &CheckerWindow::SaveFindingsXlsx);
  connect(pane_, &ProtocolPane::filterChanged, this, [this](bool filtered) {
    if (!filtered) filter_bar_->hide();
  });
  connect(overview_, &OverviewPage::groupChosen, this, &CheckerWindow::ShowGroup);
  overview_->SetLanguage(LanguageOf(context_.sentences));
  if (context_.sentences != nullptr) {
    connect(context_.sentences, &SentenceLanguageChoice::changed, this,
            [this] { overview_->SetLanguage(LanguageOf(context_.sentences)); });
  }
  connect(overview_, &OverviewPage::allChosen, this, [this] {
    ShowWholeProtocol();
    pages_->setCurrentWidget(protocol_page_);
  });
  // The find bar belongs to the protocol page: the record page has its own Ctrl+F.
  auto on_page = [this](QKeySequence keys, auto slot) {
    auto* shortcut = new QShortcut(keys, protocol_page_);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this, slot);
  };
  on_page(QKeySequence::Find, [this] { find_->Open(); });
  on_page(QKeySequence(Qt::Key_F3), [this] { find_->FindNext(false); });
  on_page(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { find_->FindNext(true); });
  auto* save_csv = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this);
  save_csv->setContext(Qt::WindowShortcut);
  connect(save_csv, &QShortcut::activated, this, &CheckerWindow::SaveFindingsCsv);
  if (context_.gate != nullptr) {
    connect(context_.gate, &RunGate::busyChanged, this, [this](bool busy) {
      // Every grid over a data module stops reading while a run fills it.
      model_->SetFrozen(busy);
      UpdateButtons();
    });
  }
  ShowDebugPageIfAsked();
  UpdateButtons();
}

CheckerWindow::~CheckerWindow() {
  if (cursor_overridden_) QApplication::restoreOverrideCursor();
}

void CheckerWindow::BuildLayout() {
  setFont(TimesNewRoman16());
  resize(profile_.size);
  // Centred on the desktop.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    move(area.center() - QPoint(profile_.size.width() / 2, profile_.size.height() / 2));
  }
  QPalette pal = palette();
  pal.setColor(QPalette::Window, profile_.highlight_background ? QApplication::palette().color(QPalette::Highlight)
                                                               : QApplication::palette().color(QPalette::Button));
  setPalette(pal);
  setAutoFillBackground(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("PageControl1"));
  QFont page_font = TimesNewRoman16();
  pages_->setFont(page_font);
  QPalette page_pal = pages_->palette();
  page_pal.setColor(QPalette::WindowText, Qt::black);
  page_pal.setColor(QPalette::ButtonText, Qt::black);
  pages_->setPalette(page_pal);

  protocol_page_ = BuildProtocolPage(page_font);
  pages_->addTab(protocol_page_, QStringLiteral("Protocol"));

  auto* debug_page = new QWidget(pages_);
  debug_page_ = debug_page;
  debug_page->setObjectName(QStringLiteral("TabSheet3"));
  auto* debug_layout = new QVBoxLayout(debug_page);
  debug_layout->setContentsMargins(0, 0, 0, 0);
  grid_ = new QTableView(debug_page);
  grid_->setObjectName(QStringLiteral("DBGrid1"));
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->horizontalHeader()->setFont(page_font);
  AppContext* ctx = &context_;
  const TableOf packs = Profile(profile_.variant).pack_file.table;
  model_ = new TableModel(
      [ctx, packs]() -> const Table* {
        if (ctx->session == nullptr) return nullptr;
        return &packs(ctx->session->dm(), ctx->session->dm1());
      },
      this);
  model_->setObjectName(QStringLiteral("DataSource1"));
  grid_->setModel(model_);
  debug_layout->addWidget(grid_);
  pages_->addTab(debug_page, QStringLiteral("DEBUG"));
  // After DEBUG, which keeps its place; beside "Protocol" unless DEBUG is shown.
  overview_ = new OverviewPage(pages_);
  pages_->addTab(overview_, QStringLiteral("Rezumat"));
  pages_->setCurrentIndex(0);
  layout->addWidget(pages_, 1);

  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setFixedHeight(kPanelHeight);
  auto* buttons = new QHBoxLayout(panel);
  buttons->setContentsMargins(8, 0, 8, 0);
  buttons->setSpacing(12);
  unrar_ = MakeButton(panel, "Button3", QStringLiteral("UnRar"));
  control_ = MakeButton(panel, "BitBtn1", QStringLiteral("Control"));
  print_ = MakeButton(panel, "Button1", QStringLiteral("Tiparul"));
  save_ = MakeButton(panel, "Button2", QStringLiteral("Scrie in fisierul"));
  setup_ = MakeButton(panel, "BitBtn2", QStringLiteral("Inregistrare"));
  setup_->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
  for (QPushButton* b : {unrar_, control_, print_, save_, setup_}) buttons->addWidget(b);
  buttons->addStretch(1);
  busy_ = new QProgressBar(panel);
  busy_->setObjectName(QStringLiteral("BusyIndicator"));
  busy_->setRange(0, 0);  // indeterminate
  busy_->setFixedSize(120, kButtonHeight - 9);
  busy_->setTextVisible(false);
  busy_->hide();
  buttons->addWidget(busy_);
  layout->addWidget(panel);

  status_ = new QStatusBar(this);
  status_->setObjectName(QStringLiteral("StatusBar"));
  status_->setSizeGripEnabled(false);
  // The desktop's own font, as status bars have it: the archiver's reason
  // needs the room.
  status_->setFont(QApplication::font());
  verdict_ = new QLabel(status_);
  verdict_->setObjectName(QStringLiteral("Verdict"));
  // As large as the protocol's text and bold: the run's outcome at a glance.
  QFont verdict_font = TimesNewRoman16();
  verdict_font.setBold(true);
  verdict_->setFont(verdict_font);
  status_->addWidget(verdict_);
  reason_ = new ElidedLabel(status_);
  reason_->setObjectName(QStringLiteral("ArchiverReason"));
  status_->addWidget(reason_, 1);
  layout->addWidget(status_);
}

QWidget* CheckerWindow::BuildProtocolPage(const QFont& font) {
  auto* page = new QWidget(pages_);
  page->setObjectName(QStringLiteral("TabSheet2"));
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  // Shown while the pane shows one group of findings only.
  filter_bar_ = new QWidget(page);
  filter_bar_->setObjectName(QStringLiteral("FilterBar"));
  auto* filter_row = new QHBoxLayout(filter_bar_);
  filter_row->setContentsMargins(4, 2, 4, 2);
  filter_label_ = new QLabel(filter_bar_);
  filter_label_->setObjectName(QStringLiteral("FilterText"));
  filter_row->addWidget(filter_label_, 1);
  auto* show_all = new QPushButton(QStringLiteral("Arată tot protocolul"), filter_bar_);
  show_all->setObjectName(QStringLiteral("ShowWholeProtocol"));
  show_all->setAutoDefault(false);
  connect(show_all, &QPushButton::clicked, this, &CheckerWindow::ShowWholeProtocol);
  filter_row->addWidget(show_all);
  filter_bar_->hide();
  column->addWidget(filter_bar_);

  pane_ = new ProtocolPane(page);
  pane_->setFont(font);
  column->addWidget(pane_, 1);
  find_ = new FindBar(*pane_, page);
  column->addWidget(find_);
  return page;
}

QString CheckerWindow::SettingsKey(const char* what) const {
  return QStringLiteral("CheckerWindow/%1/%2").arg(objectName(), QLatin1String(what));
}

void CheckerWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // The size the user gave the window, not the maximised one.
  if (frame_fitted_ && isVisible() && !(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
    QSettings().setValue(SettingsKey("size"), size());
  }
}

void CheckerWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && frame_fitted_) {
    QSettings().setValue(SettingsKey("maximized"), bool(windowState() & Qt::WindowMaximized));
  }
}

void CheckerWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (frame_fitted_) return;
  // A size remembered from an earlier run wins over the defined one.
  const QSize remembered = QSettings().value(SettingsKey("size")).toSize();
  if (remembered.isValid() && !remembered.isEmpty()) {
    frame_fitted_ = true;
    resize(remembered);
    if (QSettings().value(SettingsKey("maximized")).toBool()) setWindowState(windowState() | Qt::WindowMaximized);
    return;
  }
  // The frame is known once the window is on screen; a window manager may
  // report it a little later.
  QTimer::singleShot(0, this, [this] { FitFrame(false); });
}

void CheckerWindow::FitFrame(bool last_try) {
  if (frame_fitted_ || !isVisible()) return;
  const QSize frame = frameGeometry().size() - size();
  if (frame.width() <= 0 && frame.height() <= 0) {
    // No frame reported (yet): ask once more, then take the window as it is.
    if (last_try) {
      frame_fitted_ = true;
    } else {
      QTimer::singleShot(300, this, [this] { FitFrame(true); });
    }
    return;
  }
  frame_fitted_ = true;
  resize(profile_.size - frame);
}

void CheckerWindow::ShowDebugPageIfAsked() {
  const bool debug = DebugRequested(context_.arguments);
  const int at = pages_->indexOf(debug_page_);
  pages_->setTabVisible(at, debug);
  pages_->setTabEnabled(at, debug);
}

bool CheckerWindow::debugPageShown() const {
  const int at = pages_->indexOf(debug_page_);
  return pages_->isTabVisible(at) && pages_->isTabEnabled(at);
}

void CheckerWindow::ClearProtocol() {
  if (controller_->running()) return;
  controller_->ClearProtocol();
  record_->Reset();
  overview_->ClearOverview();
  ShowVerdict();
  ShowArchiverMessage(ArchiverFault::None, QString());
}

void CheckerWindow::UpdateButtons() {
  const bool any_run = context_.gate != nullptr && context_.gate->busy();
  const bool mine = controller_->running();
  unrar_->setEnabled(!any_run);
  control_->setEnabled(!any_run);
  // This window's protocol is being written: nothing else may read or add to it.
  print_->setEnabled(!mine);
  save_->setEnabled(!mine);
  setup_->setEnabled(!mine);
}

void CheckerWindow::OnStarted() {
  busy_->show();
  // The groups point into the protocol the run now rewrites.
  overview_->ClearOverview();
  verdict_->clear();
  if (!cursor_overridden_) {
    QApplication::setOverrideCursor(Qt::BusyCursor);
    cursor_overridden_ = true;
  }
  UpdateButtons();
}

void CheckerWindow::OnFinished() {
  busy_->hide();
  if (cursor_overridden_) {
    QApplication::restoreOverrideCursor();
    cursor_overridden_ = false;
  }
  UpdateButtons();
  overview_->ShowProtocol(controller_->protocol());
  ShowVerdict();
  if (control_after_unrar_) {
    control_after_unrar_ = false;
    // As a user would: Control only on a package that was unpacked.
    if (controller_->lastUnRarOutcome() == UnrarOutcome::Unpacked) controller_->StartControl();
  }
  emit commandFinished();
}

void CheckerWindow::ShowVerdict() {
  const RunReport& run = controller_->lastRun();
  verdict_->setText(VerdictText(run, controller_->protocol(), !reason_->fullText().isEmpty()));
  // A checked package's verdict in colour: green without findings, red with.
  QColor colour = QApplication::palette().color(QPalette::WindowText);
  if (!run.failed && run.command == RunReport::Command::Control && run.control.outcome == RunOutcome::Completed) {
    colour = controller_->protocol().FaultCount() == 0 ? QColor(0, 128, 0) : QColor(192, 0, 0);
  }
  QPalette p = verdict_->palette();
  p.setColor(QPalette::WindowText, colour);
  verdict_->setPalette(p);
}

QString CheckerWindow::verdictText() const { return verdict_->text(); }

QString CheckerWindow::archiverReason() const { return archiver_text_; }

void CheckerWindow::ShowGroup(const QString& title, const std::vector<int>& lines) {
  if (controller_->running()) return;
  pane_->ShowOnly(controller_->protocol(), lines);
  filter_label_->setText(QStringLiteral("Filtru: %1 — %2 din %3")
                             .arg(title, CountedNoun(lines.size(), "linie", "linii"))
                             .arg(controller_->protocol().lines().size()));
  filter_bar_->show();
  pages_->setCurrentWidget(protocol_page_);
  pane_->setFocus(Qt::OtherFocusReason);
}

void CheckerWindow::ShowWholeProtocol() {
  if (controller_->running()) return;
  pane_->ShowAll(controller_->protocol());
  filter_bar_->hide();
}

void CheckerWindow::ShowArchiverMessage(ArchiverFault fault, const QString& text) {
  // The bar tells the failure in Romanian, from the kind the session hands
  // over; the archiver's own words (one line, paths cut to file names) are
  // in the tooltip.
  archiver_text_ = text.simplified();
  if (fault == ArchiverFault::None && archiver_text_.isEmpty()) {
    reason_->setFullText(QString());
    return;
  }
  reason_->setFullText(ArchiverFaultText(fault == ArchiverFault::None ? ArchiverFault::Other : fault));
  if (!archiver_text_.isEmpty()) {
    reason_->setToolTip(reason_->fullText() + QStringLiteral("\nMesajul arhivatorului: ") +
                        ShortArchiverReason(archiver_text_));
  }
}

void CheckerWindow::ChooseAndUnpackArchive() {
  if (context_.dialogs == nullptr || controller_->running()) return;
  if (context_.gate != nullptr && context_.gate->busy()) return;
  std::optional<QString> chosen = context_.dialogs->Open(this, UnRarDialogOptions());
  if (!chosen) return;
  ShowWholeProtocol();
  if (controller_->StartUnRar(*chosen)) RememberUnRarFolder(*chosen);
}

bool CheckerWindow::OpenArchive(const QString& archive) {
  if (controller_->running() || (context_.gate != nullptr && context_.gate->busy())) return false;
  ShowWholeProtocol();
  if (!controller_->StartUnRar(archive)) return false;
  RememberUnRarFolder(archive);
  control_after_unrar_ = true;
  return true;
}

void CheckerWindow::ControlPackage() {
  if (controller_->running() || (context_.gate != nullptr && context_.gate->busy())) return;
  ShowWholeProtocol();
  controller_->StartControl();
}

void CheckerWindow::PrintProtocol() {
  if (controller_->running() || context_.printers == nullptr || context_.messages == nullptr) return;
  pane_->FlushAll();
  const QString printer = context_.printers->DefaultPrinter();
  if (printer.isEmpty()) {
    context_.messages->Error(
        this, QStringLiteral("Nu este configurată o imprimantă implicită: protocolul nu a fost tipărit."));
    return;
  }
  QString error;
  // The whole protocol, whatever group the pane shows.
  std::unique_ptr<QTextDocument> whole;
  if (pane_->filtered()) whole = pane_->WholeDocument(controller_->protocol());
  if (!context_.printers->Print(whole ? *whole : *pane_->document(), PrintFrameNow(), printer,
                                QStringLiteral("zentrox"), error)) {
    context_.messages->Error(this, error);
    return;
  }
  context_.messages->Information(this, QString::fromStdString(controller_->profile().print_message));
}

PrintFrame CheckerWindow::PrintFrameNow() const {
  QStringList parts;
  if (context_.session != nullptr) {
    const QString archive =
        QFileInfo(QString::fromStdString(context_.session->window(variant()).archive_path)).fileName();
    if (!archive.isEmpty()) parts << archive;
  }
  parts << tr("varianta %1").arg(QString::fromUtf8(LookOf(variant()).name));
  if (const std::optional<LocalDateTime>& at = controller_->lastRun().checked_at) {
    parts << tr("verificat la %1").arg(QString::fromStdString(at->ToString()).left(16));
  }
  return {parts.join(QStringLiteral("  ·  ")), verdictText()};
}

void CheckerWindow::SaveProtocol() {
  if (controller_->running() || context_.dialogs == nullptr || context_.messages == nullptr) return;
  std::optional<QString> path = context_.dialogs->Save(this, SaveDialogOptionsFor(), controller_->SavePreset());
  if (!path) return;
  QString confirmation;
  try {
    confirmation = controller_->Save(*path);
  } catch (const std::exception& e) {
    context_.messages->Error(this, QString::fromStdString(e.what()));
    return;
  }
  context_.messages->Information(this, confirmation);
}

void CheckerWindow::CheckInstallation() {
  ShowWholeProtocol();
  controller_->CheckInstallation();
  pane_->FlushAll();
  if (!controller_->running()) overview_->ShowProtocol(controller_->protocol());
}

void CheckerWindow::SaveFindingsCsv() {
  SaveFindingsAs(FindingsCsvDialogOptions(), [this](const QString& path) { controller_->SaveFindings(path); });
}

void CheckerWindow::SaveFindingsXlsx() {
  SaveFindingsAs(FindingsXlsxDialogOptions(), [this](const QString& path) { controller_->SaveWorkbook(path); });
}

void CheckerWindow::SaveFindingsAs(const SaveDialogOptions& options, const std::function<void(const QString&)>& write) {
  if (controller_->running() || context_.dialogs == nullptr || context_.messages == nullptr) return;
  const QString preset =
      QString::fromStdString(DirectoryPart(
          context_.session == nullptr ? std::string() : context_.session->window(variant()).last_chosen)) +
      QStringLiteral("ERROR_REV.") + options.default_suffix;
  std::optional<QString> path = context_.dialogs->Save(this, options, preset);
  if (!path) return;
  try {
    write(*path);
  } catch (const std::exception& e) {
    context_.messages->Error(this, QString::fromStdString(e.what()));
    return;
  }
  context_.messages->Information(this,
                                 QStringLiteral("Erorile au fost salvate în ") + QFileInfo(*path).absoluteFilePath());
}

}  // namespace zentrox::ui
