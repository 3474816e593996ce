// The checker window: one class for the four variants, each window set up
// by its variant's profile (caption, size, background, data module, texts).
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

#include "model/variant.h"
#include "session/session.h"
#include "ui/app_context.h"
#include "ui/ports.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTableView;

namespace zentrox::ui {

class CheckerController;
class ElidedLabel;
class FindBar;
class OverviewPage;
class ProtocolPane;
class RecordPage;
class TableModel;

struct WindowProfile {
  Variant variant;
  QString object_name;  // "TFmain_KV", ...
  QString caption;      // blanks significant
  QSize size;
  bool highlight_background;
};

WindowProfile WindowProfileFor(Variant variant);

// `odUnRar` and `sdToFile`. The UnRar dialog opens in UnRarFolder().
OpenDialogOptions UnRarDialogOptions();
SaveDialogOptions SaveDialogOptionsFor();
// "Salvează erorile (CSV)…".
SaveDialogOptions FindingsCsvDialogOptions();
// "Salvează erorile (Excel)…".
SaveDialogOptions FindingsXlsxDialogOptions();

// The folder the UnRar dialog opens in: the one that held the archive last
// unpacked (remembered across runs in the user's settings of the
// application's organisation and name), the home folder when none is
// remembered or it is gone.
QString UnRarFolder();
void RememberUnRarFolder(const QString& archive);

// "debug" exactly, as any argument after the program name.
bool DebugRequested(const QStringList& arguments);

// Where window `index` of `count` cascaded windows of `size` goes: each
// `step` pixels right of and below the one before, the cascade centred in
// `area` and every window kept inside it as far as its size allows.
QPoint CascadePosition(const QRect& area, const QSize& size, int index, int count, int step = 32);

class CheckerWindow : public QWidget {
  Q_OBJECT
 public:
  CheckerWindow(AppContext& context, Variant variant, QWidget* parent = nullptr);
  ~CheckerWindow() override;

  Variant variant() const { return profile_.variant; }
  CheckerController& controller() { return *controller_; }
  ProtocolPane& pane() { return *pane_; }
  TableModel& packModel() { return *model_; }
  RecordPage& recordPage() { return *record_; }
  bool debugPageShown() const;
  // The one-line bar under the buttons: the verdict of the last run and the
  // archiver's reason for a failed UnRar.
  QStatusBar& statusBar() { return *status_; }
  QString verdictText() const;
  // What a printout carries around the protocol: the archive's name, the
  // variant and the date of the check on every page, the verdict at the end.
  PrintFrame PrintFrameNow() const;
  // The archiver's reason as it came, on one line (the bar says it in
  // Romanian, this text in its tooltip).
  QString archiverReason() const;
  // The "Rezumat" page and the protocol page's find bar.
  OverviewPage& overview() { return *overview_; }
  FindBar& findBar() { return *find_; }

  // What the start menu does before showing the window.
  void ClearProtocol();

  // UnRar of `archive` as if the UnRar dialog had returned it, then Control
  // once the package is unpacked: what pressing the two buttons does. False,
  // and nothing done, while a run is going on.
  bool OpenArchive(const QString& archive);

 public slots:
  // The five buttons (object names Button3, BitBtn1, Button1, Button2, BitBtn2).
  void ChooseAndUnpackArchive();  // UnRar
  void ControlPackage();          // Control
  void PrintProtocol();           // Tiparul
  void SaveProtocol();            // Scrie in fisierul
  void CheckInstallation();       // Inregistrare
  // "Salvează erorile (CSV)…" (the pane's context menu, Ctrl+Shift+S).
  void SaveFindingsCsv();
  // "Salvează erorile (Excel)…" (the pane's context menu).
  void SaveFindingsXlsx();
  // The protocol pane shows the whole protocol again.
  void ShowWholeProtocol();

 signals:
  // An UnRar or Control of this window has ended.
  void commandFinished();

 protected:
  // The window opens at its defined size the first time, then at the size
  // (and maximised state) the user last gave it, kept in the user's settings.
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // The window's size counts its frame: once the platform reports the
  // frame, the client area gives way so the whole window has that size.
  void FitFrame(bool last_try);
  QString SettingsKey(const char* what) const;
  void ShowDebugPageIfAsked();
  void BuildLayout();
  void UpdateButtons();
  void OnStarted();
  void OnFinished();
  void ShowArchiverMessage(ArchiverFault fault, const QString& text);
  void ShowVerdict();
  void ShowGroup(const QString& title, const std::vector<int>& lines);
  QWidget* BuildProtocolPage(const QFont& font);
  // The findings saved where the save dialog of `options` says, by `write`.
  void SaveFindingsAs(const SaveDialogOptions& options, const std::function<void(const QString&)>& write);

  AppContext& context_;
  WindowProfile profile_;
  CheckerController* controller_ = nullptr;
  ProtocolPane* pane_ = nullptr;
  TableModel* model_ = nullptr;
  RecordPage* record_ = nullptr;
  QTabWidget* pages_ = nullptr;
  QWidget* protocol_page_ = nullptr;
  QWidget* debug_page_ = nullptr;
  OverviewPage* overview_ = nullptr;
  FindBar* find_ = nullptr;
  QWidget* filter_bar_ = nullptr;
  QLabel* filter_label_ = nullptr;
  QLabel* verdict_ = nullptr;
  ElidedLabel* reason_ = nullptr;
  QString archiver_text_;  // the archiver's own reason, one line
  QTableView* grid_ = nullptr;
  QProgressBar* busy_ = nullptr;
  QStatusBar* status_ = nullptr;
  QPushButton* unrar_ = nullptr;
  QPushButton* control_ = nullptr;
  QPushButton* print_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* setup_ = nullptr;
  bool cursor_overridden_ = false;
  bool control_after_unrar_ = false;
  bool frame_fitted_ = false;
};

}  // namespace zentrox::ui
