#include "ui/record_page.h"

#include <algorithm>

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMouseEvent>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTextBlock>
#include <QVBoxLayout>

#include "model/variant.h"
#include "report/name_fields.h"
#include "report/rule_catalogue.h"
#include "session/session.h"
#include "session/valid_codes.h"
#include "ui/checker_controller.h"
#include "ui/frozen_columns.h"
#include "ui/protocol_pane.h"
#include "ui/record_delegate.h"
#include "ui/record_model.h"
#include "ui/run_gate.h"
#include "ui/sentence_language.h"

namespace zentrox::ui {
namespace {

const QString kHint = QStringLiteral(
    "Dublu clic sau Enter pe o linie de eroare din protocol arată aici înregistrarea din fișierul pachetului. "
    "F8 / Shift+F8: eroarea următoare / precedentă; F7: înregistrarea cu aceeași valoare; Escape: înapoi la "
    "protocol; Ctrl+F: caută în tabel.");

QString Quoted(const QString& text) { return QStringLiteral("«") + text + QStringLiteral("»"); }

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The widest an identifying column may be.
constexpr int kIdentifyingWidth = 110;

}  // namespace

RecordPage::RecordPage(AppContext& context, CheckerController& controller, QTabWidget& pages, ProtocolPane& pane,
                       QWidget* parent)
    : QWidget(parent), context_(context), controller_(controller), pages_(pages), pane_(pane) {
  setObjectName(QStringLiteral("RecordPage"));
  model_ = new RecordModel(this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  header_ = new QLabel(this);
  header_->setObjectName(QStringLiteral("RecordHeader"));
  header_->setWordWrap(true);
  header_->setTextFormat(Qt::PlainText);
  header_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(header_);

  // The grid over the record's findings, which get the room they need.
  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter_ = splitter;
  grid_ = new QTableView(splitter);
  grid_->setObjectName(QStringLiteral("RecordGrid"));
  grid_->setModel(model_);
  grid_->setItemDelegate(new RecordDelegate(grid_));
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
  grid_->setWordWrap(false);
  // Every row as high as the next and columns sized once from the field
  // types: the view never measures a row, whatever the table's length.
  QHeaderView* rows = grid_->verticalHeader();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  grid_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  grid_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

  auto* side = new QWidget(splitter);
  auto* side_layout = new QVBoxLayout(side);
  side_layout->setContentsMargins(0, 0, 0, 0);
  side_layout->addWidget(new QLabel(QStringLiteral("Erorile înregistrării"), side));
  findings_ = new QListWidget(side);
  findings_->setObjectName(QStringLiteral("RecordFindings"));
  findings_->setWordWrap(true);
  findings_->setTextElideMode(Qt::ElideNone);
  findings_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  findings_->setResizeMode(QListView::Adjust);
  findings_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  // The valid codes of a dictionary fault beside the findings, not below
  // them: the list under the grid keeps its height for the findings.
  auto* side_row = new QHBoxLayout;
  side_row->addWidget(findings_, 3);
  side_layout->addLayout(side_row, 1);
  side_ = side;
  codes_box_ = new QWidget(side);
  auto* codes_layout = new QVBoxLayout(codes_box_);
  codes_layout->setContentsMargins(0, 0, 0, 0);
  codes_title_ = new QLabel(codes_box_);
  codes_title_->setWordWrap(true);
  codes_layout->addWidget(codes_title_);
  codes_filter_ = new QLineEdit(codes_box_);
  codes_filter_->setObjectName(QStringLiteral("ValidCodesFilter"));
  codes_filter_->setPlaceholderText(QStringLiteral("caută un cod sau o denumire"));
  codes_filter_->setClearButtonEnabled(true);
  codes_layout->addWidget(codes_filter_);
  codes_ = new QListWidget(codes_box_);
  codes_->setObjectName(QStringLiteral("ValidCodes"));
  codes_->setWordWrap(true);
  codes_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  codes_layout->addWidget(codes_);
  codes_box_->hide();
  side_row->addWidget(codes_box_, 1);
  connect(codes_filter_, &QLineEdit::textChanged, this, &RecordPage::FilterCodes);
  splitter->addWidget(grid_);
  splitter->addWidget(side);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 0);
  splitter->setCollapsible(0, false);
  frozen_ = new FrozenColumns(*grid_);
  layout->addWidget(splitter, 1);

  search_bar_ = new QWidget(this);
  auto* search_layout = new QHBoxLayout(search_bar_);
  search_layout->setContentsMargins(0, 0, 0, 0);
  search_layout->addWidget(new QLabel(QStringLiteral("Caută:"), search_bar_));
  search_edit_ = new QLineEdit(search_bar_);
  search_edit_->setObjectName(QStringLiteral("RecordSearch"));
  search_edit_->setPlaceholderText(QStringLiteral("text din celule; Enter sau F3: următorul, Shift+F3: precedentul"));
  search_layout->addWidget(search_edit_, 1);
  search_result_ = new QLabel(search_bar_);
  search_layout->addWidget(search_result_);
  search_bar_->hide();
  layout->addWidget(search_bar_);

  pages_.addTab(this, QStringLiteral("Rând"));

  auto shortcut = [this](const QKeySequence& keys, QWidget* scope, auto&& run) {
    auto* s = new QShortcut(keys, scope);
    s->setContext(Qt::WidgetWithChildrenShortcut);
    connect(s, &QShortcut::activated, this, std::forward<decltype(run)>(run));
  };
  shortcut(QKeySequence(Qt::Key_F8), this, [this] { Step(1); });
  shortcut(QKeySequence(Qt::SHIFT | Qt::Key_F8), this, [this] { Step(-1); });
  shortcut(QKeySequence(Qt::Key_Escape), this, [this] {
    if (search_bar_->isVisible() && search_edit_->hasFocus()) {
      HideSearch();
    } else {
      ReturnToProtocol();
    }
  });
  shortcut(QKeySequence(Qt::Key_F7), this, [this] { GoToRelated(); });
  shortcut(QKeySequence::Find, this, [this] { ShowSearch(); });
  shortcut(QKeySequence::FindNext, this, [this] { Find(search_edit_->text(), 1); });
  shortcut(QKeySequence::FindPrevious, this, [this] { Find(search_edit_->text(), -1); });
  connect(search_edit_, &QLineEdit::returnPressed, this, [this] { Find(search_edit_->text(), 1); });
  // From the protocol, F8 opens the next finding after the line the cursor is in.
  if (QWidget* protocol_page = pane_.parentWidget()) {
    shortcut(QKeySequence(Qt::Key_F8), protocol_page, [this] { StepFrom(PaneLine(), 1); });
    shortcut(QKeySequence(Qt::SHIFT | Qt::Key_F8), protocol_page, [this] { StepFrom(PaneLine(), -1); });
  }

  connect(findings_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item == nullptr) return;
    const int index = item->data(Qt::UserRole).toInt();
    const Finding* finding = RecordFinding(index);
    if (finding == nullptr || Busy()) return;
    current_line_ = index;
    Mark(*finding);
  });

  // The pane's lines open here; the keyboard may move its cursor to a line.
  pane_.setTextInteractionFlags(pane_.textInteractionFlags() | Qt::TextSelectableByKeyboard);
  pane_.installEventFilter(this);
  pane_.viewport()->installEventFilter(this);
  pane_viewport_ = pane_.viewport();

  // This window's protocol is rewritten by each of its runs.
  connect(&controller_, &CheckerController::started, this, &RecordPage::Reset);
  if (context_.sentences != nullptr) {
    connect(context_.sentences, &SentenceLanguageChoice::changed, this, [this] {
      if (record_) FillFindings();
    });
  }
  connect(&controller_, &CheckerController::controlStarted, this, [this] { own_generation_ = 0; });
  connect(&controller_, &CheckerController::finished, this, [this] {
    const RunReport& run = controller_.lastRun();
    if (run.command == RunReport::Command::Control && !run.failed) own_generation_ = run.control.tables_generation;
  });
  if (context_.gate != nullptr) connect(context_.gate, &RunGate::busyChanged, this, &RecordPage::OnBusyChanged);
  ShowHint(kHint);
}

bool RecordPage::Stale() const {
  return own_generation_ == 0 || context_.session == nullptr ||
         context_.session->TablesGeneration(controller_.variant()) != own_generation_;
}

bool RecordPage::Busy() const { return controller_.running() || (context_.gate != nullptr && context_.gate->busy()); }

const Finding* RecordPage::RecordFinding(int index) const {
  const std::vector<ProtocolLine>& lines = controller_.protocol().lines();
  if (index < 0 || static_cast<std::size_t>(index) >= lines.size()) return nullptr;
  const ProtocolLine& line = lines[static_cast<std::size_t>(index)];
  if (!line.finding || !line.finding->record || line.finding->record->line <= 0) return nullptr;
  return &*line.finding;
}

const Table* RecordPage::TableOfFile(const std::string& file) const {
  if (context_.session == nullptr) return nullptr;
  const QString wanted = QString::fromStdString(file);
  for (const PackageFile& pf : controller_.profile().files) {
    if (wanted.compare(QLatin1String(FileName(pf.kind)), Qt::CaseInsensitive) == 0) {
      return &pf.table(context_.session->dm(), context_.session->dm1());
    }
  }
  return nullptr;
}

bool RecordPage::Opens(int index) const {
  if (Busy()) return false;
  const Finding* finding = RecordFinding(index);
  return finding != nullptr && TableOfFile(finding->record->file) != nullptr;
}

bool RecordPage::OpenLine(int index) {
  if (!Opens(index)) return false;
  // In front first: the grid scrolls by its size on screen.
  pages_.setCurrentWidget(this);
  Show(index);
  grid_->setFocus();
  return true;
}

bool RecordPage::Step(int direction) { return StepFrom(current_line_, direction); }

bool RecordPage::StepFrom(int from, int direction) {
  if (Busy()) return false;
  const int count = static_cast<int>(controller_.protocol().lines().size());
  if (from < 0 && direction < 0) from = count;
  for (int i = from + direction; i >= 0 && i < count; i += direction) {
    if (OpenLine(i)) return true;
  }
  QApplication::beep();
  return false;
}

void RecordPage::ReturnToProtocol() {
  QWidget* protocol_page = pane_.parentWidget();
  if (protocol_page != nullptr) pages_.setCurrentWidget(protocol_page);
  if (current_line_ >= 0) {
    // The pane may still be appending the run's last lines.
    if (pane_.FirstBlockOfLine(current_line_) < 0) pane_.FlushAll();
    const int first = pane_.FirstBlockOfLine(current_line_);
    if (first >= 0) {
      int last = first;
      while (pane_.ProtocolLineAtBlock(last + 1) == current_line_) ++last;
      const QTextBlock end = pane_.document()->findBlockByNumber(last);
      QTextCursor cursor(pane_.document()->findBlockByNumber(first));
      cursor.setPosition(end.position() + end.length() - 1, QTextCursor::KeepAnchor);
      pane_.setTextCursor(cursor);
      pane_.ensureCursorVisible();
      // The line from its start: the selection's end may lie far right.
      pane_.horizontalScrollBar()->setValue(0);
    }
  }
  pane_.setFocus();
}

void RecordPage::Reset() {
  current_line_ = -1;
  record_.reset();
  model_->SetTable(nullptr);
  codes_box_->hide();
  frozen_->SetCount(0);
  ShowHint(kHint);
}

void RecordPage::ShowHint(const QString& text) {
  findings_->clear();
  header_->setText(text);
}

void RecordPage::OnBusyChanged(bool busy) {
  // A run fills the tables: nothing reads them meanwhile.
  model_->SetFrozen(busy);
  setEnabled(!busy);
  if (busy) {
    header_->setText(QStringLiteral("Se execută o comandă; înregistrarea se arată din nou după ea."));
    return;
  }
  const Finding* finding = RecordFinding(current_line_);
  if (finding != nullptr && record_ && *finding->record == *record_) {
    Show(current_line_);
  } else {
    Reset();
  }
}

void RecordPage::Show(int index) {
  const Finding& finding = *RecordFinding(index);
  const Table* table = TableOfFile(finding.record->file);
  current_line_ = index;
  record_ = *finding.record;
  if (Stale()) {
    model_->SetTable(nullptr);
    ShowHint(QStringLiteral("Linia %1 din %2: tabelele acestei ferestre nu mai sunt încărcate (un Control din altă "
                            "fereastră le-a înlocuit). Apăsați Control din nou pentru a vedea înregistrarea.")
                 .arg(finding.record->line)
                 .arg(QString::fromStdString(finding.record->file)));
    return;
  }
  if (model_->table() != table) {
    model_->SetTable(table);
    SizeColumns();
    const int identifying = IdentifyingColumns(*table);
    // Kept narrow, so the other fields keep the room to scroll through (the
    // captions are cut; the header's tooltip has them whole).
    for (int c = 0; c < identifying; ++c) grid_->setColumnWidth(c, std::min(grid_->columnWidth(c), kIdentifyingWidth));
    frozen_->SetCount(identifying);
  }
  FillFindings();
  Mark(finding);
  FitFindings();
}

void RecordPage::FillFindings() {
  const QSignalBlocker block(findings_);
  findings_->clear();
  const std::vector<ProtocolLine>& lines = controller_.protocol().lines();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::optional<Finding>& finding = lines[i].finding;
    if (!finding || finding->record != record_) continue;
    // The record, pack and declaration stand above the grid: the list says
    // what is wrong (the whole protocol line is in the tooltip), with the
    // rule's sentence in the language chosen in the start menu; its id only
    // in the tooltip.
    QString tip = QString::fromStdString(lines[i].text);
    QString text = QString::fromStdString(std::string(finding->message)).trimmed();
    if (text.isEmpty()) text = tip;
    if (!finding->caption.empty()) text = QString::fromStdString(std::string(finding->caption)) + u' ' + text;
    if (const RuleEntry* rule = FindRule(finding->rule); rule != nullptr) {
      const std::string_view sentence = rule->Requirement(LanguageOf(context_.sentences));
      if (!sentence.empty()) {
        text += QStringLiteral("\n— ") + FromUtf8(sentence);
        tip += QStringLiteral("\n") + FromUtf8(sentence);
      }
    }
    if (!finding->value.empty())
      tip += QStringLiteral("\nValoarea din fișier: ") + Quoted(QString::fromStdString(finding->value));
    tip += QStringLiteral("\nRegula: ") + QString::fromStdString(finding->rule);
    auto* item = new QListWidgetItem(text, findings_);
    item->setToolTip(tip);
    item->setData(Qt::UserRole, static_cast<int>(i));
    if (static_cast<int>(i) == current_line_) findings_->setCurrentItem(item);
  }
}

void RecordPage::Mark(const Finding& finding) {
  const Table& table = *model_->table();
  const auto line = static_cast<std::uint32_t>(finding.record->line);
  const QString file = QString::fromStdString(finding.record->file);
  const RowId row = table.RowAtLine(line);
  const int column = table.CaptionIndex(finding.caption);
  QString context;
  if (!finding.pack.empty() || !finding.declaration.empty() || !finding.name.empty()) {
    context = QStringLiteral("Pachet %1, declarația %2 %3")
                  .arg(QString::fromStdString(finding.pack), QString::fromStdString(finding.declaration),
                       QString::fromStdString(finding.name))
                  .trimmed();
  }
  {
    const QSignalBlocker block(findings_);
    for (int i = 0; i < findings_->count(); ++i) {
      if (findings_->item(i)->data(Qt::UserRole).toInt() == current_line_) findings_->setCurrentRow(i);
    }
  }
  RowId shown = row;
  if (row != kNoRow) {
    model_->SetMarked(row, column);
    QString text = QStringLiteral("%1, linia %2").arg(file).arg(line);
    if (column >= 0) {
      text += QStringLiteral(" — câmpul %1: %2")
                  .arg(QString::fromStdString(finding.caption),
                       Quoted(QString::fromStdString(table.FileText(row, column))));
      const QString odd = model_->Describe(row, column);
      if (!odd.isEmpty()) text += QStringLiteral("\n") + odd.simplified();
    }
    const QString expected =
        ExpectedText(finding, column >= 0 ? QString::fromStdString(table.FileText(row, column)) : QString());
    if (!expected.isEmpty()) text += QStringLiteral("\n") + expected;
    if (!context.isEmpty()) text += QStringLiteral("\n") + context;
    header_->setText(text);
  } else {
    // The loader left the line out: none of its fields could be kept.
    model_->SetMarked(kNoRow, -1);
    shown = model_->NearestRow(line);
    QString text = QStringLiteral("Linia %1 din %2 nu a fost încărcată în tabel.").arg(line).arg(file);
    if (!finding.value.empty()) {
      text += QStringLiteral(" Valoarea din fișier%1: %2")
                  .arg(finding.caption.empty() ? QString()
                                               : QStringLiteral(" (") + QString::fromStdString(finding.caption) + u')',
                       Quoted(QString::fromStdString(finding.value)));
    }
    if (shown != kNoRow) {
      text += QStringLiteral(" Mai jos, rândul cel mai apropiat: linia %1.").arg(table.SourceLine(shown));
    } else {
      text += QStringLiteral(" Tabelul nu are niciun rând.");
    }
    const QString expected = ExpectedText(finding, QString::fromStdString(finding.value));
    if (!expected.isEmpty()) text += QStringLiteral("\n") + expected;
    if (!context.isEmpty()) text += QStringLiteral("\n") + context;
    header_->setText(text);
  }
  ShowRelated(finding);
  ShowValidCodes(finding);
  if (shown == kNoRow) return;
  ShowCell(model_->index(static_cast<int>(shown), std::max(column, 0)));
}

QString RecordPage::ExpectedText(const Finding& finding, const QString& value) const {
  const QString expected = QString::fromStdString(finding.expected);
  const int related = finding.links ? static_cast<int>(finding.links->records.size()) : 0;
  switch (finding.expected_kind) {
    case ExpectedKind::None: return {};
    case ExpectedKind::Sum: {
      QString text = QStringLiteral("Ar trebui: %1 (suma calculată)").arg(Quoted(expected));
      bool written_ok = false;
      bool expected_ok = false;
      const double written = QLocale::c().toDouble(value.trimmed(), &written_ok);
      const double sum = QLocale::c().toDouble(expected, &expected_ok);
      if (written_ok && expected_ok) {
        text += QStringLiteral(", scris %1, diferența %2").arg(Quoted(value), QString::number(written - sum, 'f', 2));
      }
      if (related > 0) text += QStringLiteral("; rândurile adunate sunt marcate cu albastru (%1)").arg(related);
      return text;
    }
    case ExpectedKind::Duplicate:
      return QStringLiteral("Aceeași valoare o are și %1; este marcată cu albastru, F7 duce la ea.")
          .arg(related == 1 ? QStringLiteral("înregistrarea de la linia %1").arg(finding.links->records[0].line)
                            : QStringLiteral("%1 alte înregistrări").arg(related));
    case ExpectedKind::Code:
      return QStringLiteral("Ar trebui: %1; codurile valabile sunt în lista din dreapta.").arg(expected);
    case ExpectedKind::Characters: return QStringLiteral("Ar trebui: %1").arg(expected);
    case ExpectedKind::Sentence: return QStringLiteral("Ce se cere: %1").arg(expected);
    case ExpectedKind::Value:
    case ExpectedKind::Date: break;
  }
  return QStringLiteral("Ar trebui: %1").arg(Quoted(expected));
}

void RecordPage::ShowRelated(const Finding& finding) {
  related_next_ = 0;
  std::vector<RowId> rows;
  if (finding.links) {
    for (const RecordRef& ref : finding.links->records) {
      if (QString::fromStdString(ref.file).compare(QString::fromStdString(finding.record->file), Qt::CaseInsensitive) !=
          0) {
        continue;
      }
      const RowId r = model_->table()->RowAtLine(static_cast<std::uint32_t>(ref.line));
      if (r != kNoRow) rows.push_back(r);
    }
  }
  model_->SetRelated(std::move(rows));
}

void RecordPage::ShowValidCodes(const Finding& finding) {
  if (finding.expected_kind != ExpectedKind::Code || !finding.links || finding.links->dictionary.empty() ||
      context_.session == nullptr) {
    codes_box_->hide();
    return;
  }
  const FindingLinks& links = *finding.links;
  const std::vector<ValidCode> codes =
      ValidCodes(*context_.session, controller_.variant(), links.dictionary, links.year);
  QString title = QStringLiteral("Coduri valabile din %1").arg(QString::fromStdString(links.dictionary));
  if (links.year > 0) title += QStringLiteral(" în anul %1").arg(links.year);
  codes_title_->setText(title + QStringLiteral(" (%1):").arg(codes.size()));
  codes_->clear();
  for (const ValidCode& code : codes) {
    const QString name = QString::fromStdString(code.name);
    auto* item = new QListWidgetItem(name.isEmpty() ? QString::fromStdString(code.code)
                                                    : QString::fromStdString(code.code) + QStringLiteral(" — ") + name,
                                     codes_);
    item->setToolTip(item->text());
  }
  if (codes.empty()) new QListWidgetItem(QStringLiteral("(dicționarul nu poate fi citit)"), codes_);
  FilterCodes(codes_filter_->text());
  codes_box_->show();
}

void RecordPage::FilterCodes(const QString& text) {
  for (int i = 0; i < codes_->count(); ++i) {
    QListWidgetItem* item = codes_->item(i);
    item->setHidden(!text.isEmpty() && !item->text().contains(text, Qt::CaseInsensitive));
  }
}

bool RecordPage::GoToRelated() {
  const Finding* finding = RecordFinding(current_line_);
  if (finding == nullptr || !finding->links || finding->links->records.empty() || Busy()) {
    QApplication::beep();
    return false;
  }
  const std::vector<RecordRef>& records = finding->links->records;
  const RecordRef target = records[static_cast<std::size_t>(related_next_) % records.size()];
  const int after = related_next_ + 1;
  // Its own line of the same rule, when the protocol has one.
  const std::vector<ProtocolLine>& lines = controller_.protocol().lines();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::optional<Finding>& other = lines[i].finding;
    if (other && other->record == target && other->rule == finding->rule && OpenLine(static_cast<int>(i))) return true;
  }
  const Table* table = TableOfFile(target.file);
  const RowId row =
      table != nullptr && table == model_->table() ? table->RowAtLine(static_cast<std::uint32_t>(target.line)) : kNoRow;
  if (row == kNoRow) {
    QApplication::beep();
    return false;
  }
  related_next_ = after;
  ShowCell(model_->index(static_cast<int>(row), std::max(grid_->currentIndex().column(), 0)));
  return true;
}

void RecordPage::ShowCell(const QModelIndex& cell) {
  grid_->setCurrentIndex(cell);
  grid_->scrollTo(cell, QAbstractItemView::PositionAtCenter);
  // As many of the columns before the cell as fit stay in sight: they say
  // whose record it is.
  const QHeaderView* columns = grid_->horizontalHeader();
  const int end = columns->sectionPosition(cell.column()) + columns->sectionSize(cell.column());
  grid_->horizontalScrollBar()->setValue(std::max(0, end - grid_->viewport()->width()));
}

void RecordPage::SizeColumns() {
  const Table* table = model_->table();
  if (table == nullptr) return;
  const QFontMetrics cells(grid_->font());
  // The current column's caption is drawn bold.
  QFont bold = grid_->horizontalHeader()->font();
  bold.setBold(true);
  const QFontMetrics captions(bold);
  for (int f = 0; f < table->FieldCount(); ++f) {
    const FieldDef& field = table->field(f);
    int content = 0;
    switch (field.type) {
      case FieldType::Date: content = cells.horizontalAdvance(QStringLiteral("00.00.0000")); break;
      case FieldType::Integer: content = cells.horizontalAdvance(QStringLiteral("000000")); break;
      case FieldType::Float: content = cells.horizontalAdvance(QStringLiteral("000000.00")); break;
      case FieldType::String: content = cells.averageCharWidth() * std::clamp(field.size, 3, 18); break;
    }
    const int caption = std::min(captions.horizontalAdvance(model_->headerData(f, Qt::Horizontal).toString()), 200);
    grid_->setColumnWidth(f, std::clamp(std::max(content, caption) + 16, 40, 320));
  }
}

void RecordPage::FitFindings() {
  // Every finding whole as far as the grid leaves room; beyond that the list
  // scrolls. Measured at the width the list has now (the valid codes beside
  // it may just have been shown).
  side_->layout()->activate();
  findings_->doItemsLayout();
  int list_needed = 2 * findings_->frameWidth() + 4;
  if (findings_->count() > 0) {
    list_needed += findings_->visualItemRect(findings_->item(findings_->count() - 1)).bottom() + 1;
  }
  const int needed = list_needed + side_->sizeHint().height() - findings_->sizeHint().height();
  const int total = splitter_->height() - splitter_->handleWidth();
  // The grid keeps its header and three rows: the marked one and its neighbours.
  const int grid_least =
      grid_->horizontalHeader()->height() + 3 * grid_->verticalHeader()->defaultSectionSize() + 2 * grid_->frameWidth();
  const int side = std::clamp(needed, 60, std::max(60, total - grid_least));
  splitter_->setSizes({std::max(total - side, 0), side});
  findings_->doItemsLayout();
}

int IdentifyingColumns(const Table& table) {
  // The first field (the record's own number), the pack and declaration it
  // belongs to, its month and the first name field: those that follow one
  // another from the first column on stay in view, at most six.
  constexpr int kMost = 6;
  const std::vector<bool> names = NameFieldsOf(table);
  int count = table.FieldCount() > 0 ? 1 : 0;
  bool name_seen = false;
  for (int f = 1; f < std::min(table.FieldCount(), kMost); ++f) {
    const std::string& name = table.field(f).name;
    const bool is_name = !name_seen && f < static_cast<int>(names.size()) && names[static_cast<std::size_t>(f)];
    name_seen = name_seen || is_name;
    if (is_name || name.ends_with("_PL") || name.ends_with("_NA") || name.ends_with("_MONTH")) count = f + 1;
  }
  return count;
}

int RecordPage::PaneLine() const { return pane_.ProtocolLineAtBlock(pane_.textCursor().blockNumber()); }

void RecordPage::ShowSearch() {
  search_bar_->show();
  search_edit_->setFocus();
  search_edit_->selectAll();
}

void RecordPage::HideSearch() {
  search_bar_->hide();
  search_result_->clear();
  grid_->setFocus();
}

bool RecordPage::Find(const QString& text, int direction) {
  const Table* table = model_->table();
  const qint64 rows = model_->rowCount();
  const qint64 columns = model_->columnCount();
  if (text.isEmpty() || table == nullptr || rows == 0 || columns == 0) return false;
  const qint64 total = rows * columns;
  const QModelIndex current = grid_->currentIndex();
  const qint64 start = current.isValid() ? current.row() * columns + current.column() : (direction > 0 ? -1 : total);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  qint64 found = -1;
  for (qint64 k = 1; k <= total; ++k) {
    const qint64 at = ((start + direction * k) % total + total) % total;
    const auto row = static_cast<RowId>(at / columns);
    const int column = static_cast<int>(at % columns);
    if (QString::fromStdString(table->FileText(row, column)).contains(text, Qt::CaseInsensitive)) {
      found = at;
      break;
    }
  }
  QApplication::restoreOverrideCursor();
  if (found < 0) {
    search_result_->setText(QStringLiteral("Nu s-a găsit %1.").arg(Quoted(text)));
    return false;
  }
  search_result_->clear();
  ShowCell(model_->index(static_cast<int>(found / columns), static_cast<int>(found % columns)));
  return true;
}

bool RecordPage::eventFilter(QObject* watched, QEvent* event) {
  // The viewport is compared as it was when the filter was installed: the
  // pane may be half destroyed when its last events pass through here.
  if (watched == pane_viewport_ && event->type() == QEvent::MouseButtonDblClick) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton) {
      const int line = pane_.ProtocolLineAtBlock(pane_.cursorForPosition(mouse->position().toPoint()).blockNumber());
      if (OpenLine(line)) return true;
    }
  } else if (watched == &pane_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && OpenLine(PaneLine())) return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace zentrox::ui
