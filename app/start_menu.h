// The start menu (object name TForm1) and main window: one button per variant,
// each opening its checker window after the formatting settings check.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QSize>
#include <QString>
#include <QWidget>

#include "model/variant.h"
#include "ui/app_context.h"

class QComboBox;
class QPushButton;

namespace zentrox::ui {
class CheckerWindow;
}

namespace zentrox::app {

class StartMenu : public QWidget {
  Q_OBJECT
 public:
  using WindowOf = std::function<ui::CheckerWindow*(Variant)>;
  using SettingsCheck = std::function<std::optional<QString>()>;

  // The windows are created after the menu; `window_of` finds them when a
  // button is pressed. `about` shows TFormBla.
  StartMenu(ui::AppContext& context, WindowOf window_of, SettingsCheck settings_check, std::function<void()> about,
            QWidget* parent = nullptr);

  // The menu's fixed size for buttons of these heights, stacked with a gap
  // above each and the help button below them.
  static QSize SizeFor(const std::vector<int>& button_heights);

 public slots:
  // What each variant's button does: the formatting settings check, then
  // the variant's checker window, its protocol cleared, and the pending
  // archive unpacked and checked there. The window shown, or nullptr when
  // none was (a run is going on, the check failed).
  ui::CheckerWindow* OpenCheckerWindow(Variant variant);

 public:
  // An archive given to the program: the next checker window opened from
  // the menu unpacks and checks it. Until then no button is preselected, so
  // a stray Enter chooses no variant for it.
  void SetPendingArchive(const QString& archive);
  const QString& pendingArchive() const { return pending_archive_; }

  // The language of rule sentences (Romanian or Russian), remembered in the
  // user's settings; the protocol's own lines stay Russian.
  QComboBox& languageBox() { return *language_; }

 signals:
  // The user closed the menu: the program ends.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void UpdateButtons();

  ui::AppContext& context_;
  WindowOf window_of_;
  SettingsCheck settings_check_;
  std::function<void()> about_;
  std::vector<QPushButton*> buttons_;  // one per variant
  QComboBox* language_ = nullptr;
  QString pending_archive_;
};

}  // namespace zentrox::app
