#include "ui/findings_overview.h"

#include <algorithm>
#include <map>
#include <utility>

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "data/rule_catalogue.h"
#include "ui/run_verdict.h"

namespace zentrox::ui {
namespace {

enum ItemKind { kAll = 1, kFile, kGroup, kLeftOut };
constexpr int kKindRole = Qt::UserRole;
constexpr int kKeyRole = Qt::UserRole + 1;

// A group's row leads with its message: what the accountant reads first.
enum Column { kName, kCount, kRecords, kRule, kColumns };

QString FromUtf8(const std::string& s) { return QString::fromStdString(s); }

QString RecordsText(const FindingGroup& g) {
  QStringList numbers;
  for (int line : g.first_records) numbers << QString::number(line);
  if (numbers.isEmpty()) return {};
  QString text = numbers.join(QStringLiteral(", "));
  if (g.lines.size() > g.first_records.size()) text += QStringLiteral(", …");
  return text;
}

QString FileTitle(const std::string& file) {
  return file.empty() ? QStringLiteral("Fără fișier / înregistrare") : FromUtf8(file);
}

}  // namespace

FindingsSummary SummariseFindings(const Protocol& protocol) {
  FindingsSummary s;
  const FindingCounts counts = CountFindings(protocol);
  s.findings = counts.findings;
  s.left_out = counts.left_out;
  s.declarations = counts.declarations;
  s.packs = counts.packs;

  // Files in order of first appearance; the lines without a record last.
  std::vector<std::string> file_order;
  std::map<std::string, std::vector<std::size_t>> groups_of_file;
  std::map<std::pair<std::string, std::string>, std::size_t> group_at;
  const std::vector<ProtocolLine>& lines = protocol.lines();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const ProtocolLine& line = lines[i];
    if (line.kind != LineKind::Fault) continue;
    ++s.kept;
    const Finding* f = line.finding ? &*line.finding : nullptr;
    std::string file = f != nullptr && f->record ? f->record->file : std::string();
    std::string rule = f != nullptr ? f->rule : std::string();
    auto [at, added] = group_at.try_emplace({file, rule}, s.groups.size());
    if (added) {
      FindingGroup g;
      g.file = file;
      g.rule = rule;
      g.message = f != nullptr && !f->message.empty() ? f->message : line.text;
      s.groups.push_back(std::move(g));
      if (!groups_of_file.count(file)) file_order.push_back(file);
      groups_of_file[file].push_back(at->second);
    }
    FindingGroup& g = s.groups[at->second];
    // One message shared by every finding of the group is shown as written,
    // values and all; else the rule's message stands for them.
    if (!added && f != nullptr && !g.lines.empty()) {
      const ProtocolLine& first = lines[static_cast<std::size_t>(g.lines.front())];
      if (first.finding && first.finding->message != f->message) g.mixed = true;
    }
    g.lines.push_back(static_cast<int>(i));
    if (f != nullptr && f->record && g.first_records.size() < kFirstRecords) g.first_records.push_back(f->record->line);
  }
  for (FindingGroup& g : s.groups) {
    const RuleEntry* entry = g.mixed && !g.rule.empty() ? FindRule(g.rule) : nullptr;
    if (entry != nullptr && !entry->message.empty()) g.message = ShownMessage(entry->message);
  }
  // Grouped by file in that order.
  std::stable_partition(file_order.begin(), file_order.end(), [](const std::string& f) { return !f.empty(); });
  std::vector<FindingGroup> ordered;
  ordered.reserve(s.groups.size());
  for (const std::string& file : file_order) {
    for (std::size_t g : groups_of_file[file]) ordered.push_back(std::move(s.groups[g]));
  }
  s.groups = std::move(ordered);
  return s;
}

OverviewPage::OverviewPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("OverviewPage"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 0);
  layout->setSpacing(4);
  headline_ = new QLabel(this);
  headline_->setObjectName(QStringLiteral("OverviewHeadline"));
  headline_->setWordWrap(true);
  layout->addWidget(headline_);
  tree_ = new QTreeWidget(this);
  tree_->setObjectName(QStringLiteral("OverviewTree"));
  tree_->setColumnCount(kColumns);
  tree_->setHeaderLabels({QStringLiteral("Fișier / mesaj"), QStringLiteral("Erori"), QStringLiteral("Primele linii"),
                          QStringLiteral("Regula")});
  tree_->headerItem()->setToolTip(kRecords,
                                  QStringLiteral("Liniile din fișierul pachetului ale primelor înregistrări"));
  tree_->setRootIsDecorated(true);
  tree_->setUniformRowHeights(true);
  tree_->setAlternatingRowColors(true);
  // The message takes the room the other columns leave; its tooltip has it whole.
  tree_->header()->setStretchLastSection(false);
  tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  tree_->header()->setSectionResizeMode(kName, QHeaderView::Stretch);
  tree_->setToolTip(QStringLiteral("Dublu clic sau Enter pe un grup: protocolul arată doar liniile lui."));
  layout->addWidget(tree_, 1);
  connect(tree_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { Choose(item); });
  ClearOverview();
}

QString OverviewPage::headline() const { return headline_->text(); }

void OverviewPage::ClearOverview() {
  summary_ = FindingsSummary{};
  tree_->clear();
  headline_->setText(QStringLiteral("Niciun protocol de control."));
}

void OverviewPage::ShowProtocol(const Protocol& protocol) {
  summary_ = SummariseFindings(protocol);
  tree_->clear();
  const FindingsSummary& s = summary_;
  QString head = QStringLiteral("Erori: %1 (în protocol %2, peste limită neafișate %3); declarații: %4; pachete: %5.")
                     .arg(s.findings)
                     .arg(s.kept)
                     .arg(s.left_out)
                     .arg(s.declarations)
                     .arg(s.packs);
  if (!s.groups.empty()) head += QStringLiteral(" Dublu clic pe un grup: protocolul arată doar liniile lui.");
  headline_->setText(head);

  auto* all = new QTreeWidgetItem(tree_);
  all->setText(kName, QStringLiteral("Toate erorile (tot protocolul)"));
  all->setText(kCount, QString::number(s.findings));
  all->setData(kName, kKindRole, kAll);
  QFont bold = all->font(kName);
  bold.setBold(true);
  all->setFont(kName, bold);

  QTreeWidgetItem* file_item = nullptr;
  std::string file;
  std::size_t file_count = 0;
  for (std::size_t i = 0; i < s.groups.size(); ++i) {
    const FindingGroup& g = s.groups[i];
    if (file_item == nullptr || g.file != file) {
      if (file_item != nullptr) file_item->setText(kCount, QString::number(file_count));
      file_item = new QTreeWidgetItem(tree_);
      file = g.file;
      file_count = 0;
      file_item->setText(kName, FileTitle(file));
      file_item->setData(kName, kKindRole, kFile);
      file_item->setData(kName, kKeyRole, FromUtf8(file));
      file_item->setFont(kName, bold);
      file_item->setExpanded(true);
    }
    file_count += g.lines.size();
    auto* item = new QTreeWidgetItem(file_item);
    item->setText(kName, FromUtf8(g.message).trimmed());
    item->setToolTip(kName, FromUtf8(g.message));
    item->setText(kCount, QString::number(g.lines.size()));
    item->setText(kRule, g.rule.empty() ? QStringLiteral("(fără regulă)") : FromUtf8(g.rule));
    item->setText(kRecords, RecordsText(g));
    item->setData(kName, kKindRole, kGroup);
    item->setData(kName, kKeyRole, static_cast<qulonglong>(i));
  }
  if (file_item != nullptr) file_item->setText(kCount, QString::number(file_count));
  if (s.left_out > 0) {
    auto* left = new QTreeWidgetItem(tree_);
    left->setText(kName, QStringLiteral("Peste limită (neafișate)"));
    left->setText(kCount, QString::number(s.left_out));
    left->setToolTip(kName, QStringLiteral("Erori numărate, dar ale căror linii nu au fost păstrate în protocol."));
    left->setData(kName, kKindRole, kLeftOut);
  }
  tree_->expandAll();
}

QTreeWidgetItem* OverviewPage::GroupItem(std::size_t group) const {
  for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
    if ((*it)->data(kName, kKindRole).toInt() == kGroup && (*it)->data(kName, kKeyRole).toULongLong() == group) {
      return *it;
    }
  }
  return nullptr;
}

QTreeWidgetItem* OverviewPage::FileItem(const QString& file) const {
  for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
    if ((*it)->data(kName, kKindRole).toInt() == kFile && (*it)->data(kName, kKeyRole).toString() == file) return *it;
  }
  return nullptr;
}

QTreeWidgetItem* OverviewPage::AllItem() const {
  for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
    if ((*it)->data(kName, kKindRole).toInt() == kAll) return *it;
  }
  return nullptr;
}

void OverviewPage::Choose(QTreeWidgetItem* item) {
  if (item == nullptr) return;
  switch (item->data(kName, kKindRole).toInt()) {
    case kAll: emit allChosen(); return;
    case kGroup: {
      const auto i = static_cast<std::size_t>(item->data(kName, kKeyRole).toULongLong());
      if (i >= summary_.groups.size()) return;
      const FindingGroup& g = summary_.groups[i];
      emit groupChosen(FileTitle(g.file) + QStringLiteral(" · ") + item->text(kRule), g.lines);
      return;
    }
    case kFile: {
      const std::string file = item->data(kName, kKeyRole).toString().toStdString();
      std::vector<int> lines;
      for (const FindingGroup& g : summary_.groups) {
        if (g.file == file) lines.insert(lines.end(), g.lines.begin(), g.lines.end());
      }
      std::sort(lines.begin(), lines.end());
      emit groupChosen(FileTitle(file), lines);
      return;
    }
    default: return;
  }
}

}  // namespace zentrox::ui
