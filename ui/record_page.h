// The record page of a checker window: the package file a finding names, as
// a grid over its loaded table, scrolled to the finding's record with its
// field's cell marked, and beside it every finding of that record with its
// rule's requirement.
//
// The header shows beside the field's value what would satisfy the rule;
// the rows a sum was taken from and the other record of a duplicate are
// marked, F7 goes to that other record, and for a code missing from its
// dictionary the valid codes are listed with their names, searchable.
//
// Double-click or Enter on a fault line of the protocol opens it; F8 and
// Shift+F8 step to the next and previous finding that names a record, Escape
// returns to the protocol line, Ctrl+F searches the grid (F3 the next match).
// The page reads the tables the window's last Control left loaded, also after
// the run deleted the package files; while any run goes on it is frozen, and
// once a Control of another window has reloaded the shared tables it says so
// instead of showing another package's rows.
#pragma once

#include <cstdint>
#include <optional>

#include <QString>
#include <QWidget>

#include "engine/table.h"
#include "report/protocol.h"
#include "ui/app_context.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QModelIndex;
class QTabWidget;
class QSplitter;
class QTableView;

namespace zentrox::ui {

class CheckerController;
class FrozenColumns;
class ProtocolPane;
class RecordModel;

// How many columns of `table`, from the first, name whose record a row is
// (its number, pack, declaration, month, name): they stay in view while the
// grid scrolls sideways.
int IdentifyingColumns(const Table& table);

class RecordPage : public QWidget {
  Q_OBJECT
 public:
  // Adds itself to `pages` as a tab after those there, and listens to the
  // pane for double-clicks and Enter.
  RecordPage(AppContext& context, CheckerController& controller, QTabWidget& pages, ProtocolPane& pane,
             QWidget* parent = nullptr);

  // Shows the finding of protocol line `index` and brings the page to the
  // front. False, with nothing changed, when the line names no record of a
  // package file of the window's variant or a run is going on.
  bool OpenLine(int index);
  // The next (`direction` 1) or previous (-1) finding that names a record,
  // in protocol order from the current one. False when there is none.
  bool Step(int direction);
  // Back to the protocol page with the current finding's line selected.
  void ReturnToProtocol();
  // Forgets the finding shown (the protocol was cleared or is rewritten).
  void Reset();

  // The protocol line of the finding shown; -1 when none.
  int currentLine() const { return current_line_; }
  // Whether protocol line `index` opens a record here.
  bool Opens(int index) const;

  // Goes to the next record the current finding refers to besides its own
  // (the other record of a duplicate): to its own finding's line when the
  // protocol has one, else to its row. False when there is none.
  bool GoToRelated();

  // Searches the grid's cells for `text` (ignoring case) from the current
  // cell on, wrapping at the end; the match becomes the current cell.
  bool Find(const QString& text, int direction = 1);

  RecordModel& model() { return *model_; }
  QTableView& grid() { return *grid_; }
  QListWidget& findings() { return *findings_; }
  QLabel& header() { return *header_; }
  QLineEdit& searchEdit() { return *search_edit_; }
  QListWidget& validCodes() { return *codes_; }
  QLineEdit& codesFilter() { return *codes_filter_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  const Finding* RecordFinding(int index) const;
  bool StepFrom(int from, int direction);
  const Table* TableOfFile(const std::string& file) const;
  // The data module's key: its pack table, which any Control refills.
  bool Stale() const;
  bool Busy() const;
  void OnBusyChanged(bool busy);
  void Show(int index);
  void FillFindings();
  void Mark(const Finding& finding);
  // The right value's line of the header; "" when the finding has none.
  QString ExpectedText(const Finding& finding, const QString& value) const;
  void ShowRelated(const Finding& finding);
  void ShowValidCodes(const Finding& finding);
  void FilterCodes(const QString& text);
  // Makes `cell` current and scrolls it into the middle of the grid.
  void ShowCell(const QModelIndex& cell);
  void SizeColumns();
  // Gives the findings list the height its items take, as far as the grid
  // keeps three rows in view.
  void FitFindings();
  void ShowHint(const QString& text);
  void ShowSearch();
  void HideSearch();
  int PaneLine() const;

  AppContext& context_;
  CheckerController& controller_;
  QTabWidget& pages_;
  ProtocolPane& pane_;
  const QObject* pane_viewport_ = nullptr;  // the pane's viewport, whose double-clicks open a record
  RecordModel* model_ = nullptr;
  QLabel* header_ = nullptr;
  QTableView* grid_ = nullptr;
  QListWidget* findings_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QWidget* side_ = nullptr;
  FrozenColumns* frozen_ = nullptr;
  QWidget* search_bar_ = nullptr;
  QLineEdit* search_edit_ = nullptr;
  QLabel* search_result_ = nullptr;
  QWidget* codes_box_ = nullptr;
  QLabel* codes_title_ = nullptr;
  QLineEdit* codes_filter_ = nullptr;
  QListWidget* codes_ = nullptr;
  int related_next_ = 0;  // which related record F7 goes to next
  int current_line_ = -1;
  std::optional<RecordRef> record_;
  // The generation of the tables this window's last Control loaded; 0: none.
  std::uint64_t own_generation_ = 0;
};

}  // namespace zentrox::ui
