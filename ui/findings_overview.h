// The "Rezumat" page of a checker window: the fault lines of its protocol
// grouped by package file and rule, each group with its count, its message
// and its first records. Choosing a group shows only its lines in the
// protocol pane; "Toate erorile" shows the whole protocol again.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <QWidget>

#include "data/protocol.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace zentrox::ui {

// The fault lines of one rule in one package file.
struct FindingGroup {
  std::string file;                // the package file of the records; empty: no record
  std::string rule;                // empty: a fault line without a finding
  std::string message;             // the findings' message when they share one, else the rule's
  bool mixed = false;              // the findings' messages differ
  std::vector<int> lines;          // indices into the protocol, ascending
  std::vector<int> first_records;  // record lines of the first few, in protocol order
};

struct FindingsSummary {
  std::size_t findings = 0;  // every fault, as the JSON summary's "findings"
  std::size_t left_out = 0;  // counted past the limit, no line kept
  std::size_t kept = 0;      // fault lines in the protocol
  int declarations = 0;      // distinct declarations the kept findings name
  int packs = 0;
  // Package files in the order the protocol first names them, the lines
  // without a record last; within a file, rules in the same order.
  std::vector<FindingGroup> groups;
};

// How many record lines a group quotes.
inline constexpr std::size_t kFirstRecords = 5;

FindingsSummary SummariseFindings(const Protocol& protocol);

class OverviewPage : public QWidget {
  Q_OBJECT
 public:
  explicit OverviewPage(QWidget* parent = nullptr);

  // Shows the groups of `protocol` (not while a run writes it).
  void ShowProtocol(const Protocol& protocol);
  void ClearOverview();
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
  FindingsSummary summary_;
  QLabel* headline_ = nullptr;
  QTreeWidget* tree_ = nullptr;
};

}  // namespace zentrox::ui
