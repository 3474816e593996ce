// The "Rezumat" page of a checker window: the fault lines of its protocol
// grouped by package file and rule, each group with its count, its rule's
// sentence (in the language chosen in the start menu; the protocol's message
// and the rule id in its tooltip) and its first records. Choosing a group shows only its lines in the
// protocol pane; "Toate erorile" shows the whole protocol again.
#pragma once

#include <cstddef>
#include <vector>

#include <QWidget>

#include "report/findings_summary.h"
#include "report/protocol.h"
#include "report/rule_catalogue.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace zentrox::ui {

class OverviewPage : public QWidget {
  Q_OBJECT
 public:
  explicit OverviewPage(QWidget* parent = nullptr);

  // Shows the groups of `protocol` (not while a run writes it).
  void ShowProtocol(const Protocol& protocol);
  void ClearOverview();
  // The language of the groups' sentences; the groups shown follow it.
  void SetLanguage(SentenceLanguage language);
  const FindingsSummary& summary() const { return summary_; }
  QTreeWidget& tree() { return *tree_; }
  QString headline() const;

  // The item of group `group` (an index into summary().groups), of package
  // file `file` ("" for the lines without a record), of "Toate erorile".
  QTreeWidgetItem* GroupItem(std::size_t group) const;
  QTreeWidgetItem* FileItem(const QString& file) const;
  QTreeWidgetItem* AllItem() const;

  // What choosing `item` does: a group or a file filters, "Toate erorile"
  // clears the filter.
  void Choose(QTreeWidgetItem* item);

 signals:
  // `title` names the group; `lines` are protocol line indices, ascending.
  void groupChosen(const QString& title, const std::vector<int>& lines);
  void allChosen();

 private:
  void LabelGroups();

  FindingsSummary summary_;
  SentenceLanguage language_ = SentenceLanguage::Romanian;
  QLabel* headline_ = nullptr;
  QTreeWidget* tree_ = nullptr;
};

}  // namespace zentrox::ui
