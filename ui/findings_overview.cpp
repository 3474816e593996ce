#include "ui/findings_overview.h"

#include <algorithm>
#include <string>

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/run_verdict.h"

namespace zentrox::ui {
namespace {

enum ItemKind { kAll = 1, kFile, kGroup, kLeftOut };
constexpr int kKindRole = Qt::UserRole;
constexpr int kKeyRole = Qt::UserRole + 1;

// A group's row leads with its rule's sentence: what the accountant reads first.
enum Column { kName, kCount, kRecords, kColumns };

QString RecordsText(const FindingGroup& g) {
  QStringList numbers;
  for (int line : g.first_records) numbers << QString::number(line);
  if (numbers.isEmpty()) return {};
  QString text = numbers.join(QStringLiteral(", "));
  if (g.lines.size() > g.first_records.size()) text += QStringLiteral(", …");
  return text;
}

QString FromUtf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// What a group's row says: its rule's sentence, or for a line without a rule
// in the catalogue its message.
QString GroupText(const FindingGroup& g, SentenceLanguage language) {
  const RuleEntry* rule = FindRule(g.rule);
  const std::string_view sentence = rule != nullptr ? rule->Requirement(language) : std::string_view();
  return sentence.empty() ? FromUtf8(g.message).trimmed() : FromUtf8(sentence);
}

QString GroupTip(const FindingGroup& g, SentenceLanguage language) {
  QString tip = GroupText(g, language);
  tip += QStringLiteral("\nMesajul din protocol: ") + FromUtf8(g.message).trimmed();
  tip += QStringLiteral("\nRegula: ") + (g.rule.empty() ? QStringLiteral("(fără regulă)") : FromUtf8(g.rule));
  return tip;
}

QString FileTitle(const std::string& file) {
  return file.empty() ? QStringLiteral("Fără fișier / înregistrare") : FromUtf8(file);
}

}  // namespace

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
  tree_->setHeaderLabels({QStringLiteral("Fișier / regulă"), QStringLiteral("Erori"), QStringLiteral("Primele linii")});
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
                     .arg(s.counts.findings)
                     .arg(s.kept)
                     .arg(s.counts.left_out)
                     .arg(s.counts.declarations)
                     .arg(s.counts.packs);
  if (!s.groups.empty()) head += QStringLiteral(" Dublu clic pe un grup: protocolul arată doar liniile lui.");
  headline_->setText(head);

  auto* all = new QTreeWidgetItem(tree_);
  all->setText(kName, QStringLiteral("Toate erorile (tot protocolul)"));
  all->setText(kCount, QString::number(s.counts.findings));
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
    item->setText(kCount, QString::number(g.lines.size()));
    item->setText(kRecords, RecordsText(g));
    item->setData(kName, kKindRole, kGroup);
    item->setData(kName, kKeyRole, static_cast<qulonglong>(i));
  }
  if (file_item != nullptr) file_item->setText(kCount, QString::number(file_count));
  if (s.counts.left_out > 0) {
    auto* left = new QTreeWidgetItem(tree_);
    left->setText(kName, QStringLiteral("Peste limită (neafișate)"));
    left->setText(kCount, QString::number(s.counts.left_out));
    left->setToolTip(kName, QStringLiteral("Erori numărate, dar ale căror linii nu au fost păstrate în protocol."));
    left->setData(kName, kKindRole, kLeftOut);
  }
  LabelGroups();
  tree_->expandAll();
}

void OverviewPage::SetLanguage(SentenceLanguage language) {
  language_ = language;
  LabelGroups();
}

void OverviewPage::LabelGroups() {
  for (std::size_t i = 0; i < summary_.groups.size(); ++i) {
    QTreeWidgetItem* item = GroupItem(i);
    if (item == nullptr) continue;
    item->setText(kName, GroupText(summary_.groups[i], language_));
    item->setToolTip(kName, GroupTip(summary_.groups[i], language_));
  }
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
      emit groupChosen(FileTitle(g.file) + QStringLiteral(" · ") + item->text(kName), g.lines);
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
