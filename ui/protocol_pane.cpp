#include "ui/protocol_pane.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPlainTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <iterator>

namespace zentrox::ui {
namespace {

// Lines taken from the feed per step; the time budget decides how many
// steps one batch makes.
constexpr std::size_t kChunk = 1024;

quint64 StyleKey(const TextStyle& s) {
  return (quint64(s.color.r) << 40) | (quint64(s.color.g) << 32) | (quint64(s.color.b) << 24) |
         (quint64(s.bold) << 23) | (quint64(s.italic) << 22) | quint64(s.height & 0x3FFFFF);
}

// A line's text as the document takes it: a carriage return inside a line
// starts a new visual line.
QString PaneText(const std::string& utf8) {
  QString text = QString::fromStdString(utf8);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
  text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
  text.replace(QLatin1Char('\r'), QChar::ParagraphSeparator);
  return text;
}

}  // namespace

QTextCharFormat FormatFor(const TextStyle& style, const QFont& base) {
  QTextCharFormat format;
  format.setFontFamilies(base.families().isEmpty() ? QStringList{base.family()} : base.families());
  format.setForeground(QColor(style.color.r, style.color.g, style.color.b));
  format.setFontWeight(style.bold ? QFont::Bold : QFont::Normal);
  format.setFontItalic(style.italic);
  format.setProperty(QTextFormat::FontPixelSize, style.height);
  return format;
}

ProtocolPane::ProtocolPane(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("RichEdit2"));
  setReadOnly(true);
  setUndoRedoEnabled(false);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QPalette p = palette();
  p.setColor(QPalette::Base, Qt::white);
  p.setColor(QPalette::Text, Qt::black);
  setPalette(p);
  document()->setUndoRedoEnabled(false);
}

void ProtocolPane::Attach(ProtocolFeed& feed) {
  feed_ = &feed;
  // The feed may be fed from a worker thread: the wake-up is queued to ours.
  feed.SetWakeUp([this] {
    QMetaObject::invokeMethod(
        this, [this] { Schedule(); }, Qt::QueuedConnection);
  });
  if (feed.HasPending()) Schedule();
}

void ProtocolPane::ClearPane() {
  document()->clear();
  lines_ = 0;
  received_ = 0;
  shown_.clear();
  blocks_ = 0;
  SetFiltered(false);
}

int ProtocolPane::ProtocolLineAtBlock(int block) const {
  auto after =
      std::upper_bound(shown_.begin(), shown_.end(), block, [](int b, const Shown& s) { return b < s.first_block; });
  if (after == shown_.begin() || block >= blocks_) return -1;
  return std::prev(after)->index;
}

int ProtocolPane::FirstBlockOfLine(int index) const {
  // Shown lines ascend by index, whatever subset is shown.
  auto at = std::lower_bound(shown_.begin(), shown_.end(), index, [](const Shown& s, int i) { return s.index < i; });
  return at != shown_.end() && at->index == index ? at->first_block : -1;
}

void ProtocolPane::Schedule() {
  if (scheduled_) return;
  scheduled_ = true;
  QTimer::singleShot(0, this, &ProtocolPane::Pump);
}

void ProtocolPane::Pump() {
  scheduled_ = false;
  if (feed_ == nullptr) return;
  // Follow the end only when the reader is already there.
  QScrollBar* bar = verticalScrollBar();
  const bool at_end = bar->value() == bar->maximum();
  QElapsedTimer clock;
  clock.start();
  while (TakeAndApply(kChunk) && clock.elapsed() < budget_ms_) {
  }
  if (at_end) bar->setValue(bar->maximum());
  if (feed_->HasPending()) {
    Schedule();
  } else {
    emit caughtUp();
  }
}

void ProtocolPane::FlushAll() {
  if (feed_ == nullptr) return;
  QScrollBar* bar = verticalScrollBar();
  const bool at_end = bar->value() == bar->maximum();
  DrainFeed();
  if (at_end) bar->setValue(bar->maximum());
  emit caughtUp();
}

void ProtocolPane::DrainFeed() {
  while (TakeAndApply(static_cast<std::size_t>(-1))) {
  }
}

bool ProtocolPane::TakeAndApply(std::size_t max) {
  ProtocolFeed::Batch batch = feed_->Take(max);
  if (!batch.reset && batch.lines.empty()) return false;
  Apply(batch);
  return true;
}

void ProtocolPane::Apply(ProtocolFeed::Batch& batch) {
  if (batch.reset) ClearPane();
  if (batch.lines.empty()) return;
  std::vector<Item> items;
  items.reserve(batch.lines.size());
  for (const ProtocolLine& line : batch.lines) items.push_back({&line, received_++});
  // A subset stays as it is; the whole protocol comes back with ShowAll.
  if (filtered_) return;
  Append(*document(), items, blocks_, &shown_);
  lines_ += static_cast<qsizetype>(items.size());
}

void ProtocolPane::Append(QTextDocument& doc, const std::vector<Item>& items, int& blocks,
                          std::vector<Shown>* shown) const {
  QTextCursor cursor(&doc);
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();
  // Lines of one style go in as one text with paragraph separators: one
  // insertion per run instead of one per line keeps large protocols fast.
  QString run;
  QTextCharFormat run_format;
  quint64 run_key = 0;
  bool in_run = false;
  auto flush = [&] {
    if (in_run && !run.isEmpty()) cursor.insertText(run, run_format);
    run.clear();
  };
  for (const Item& item : items) {
    const ProtocolLine& line = *item.line;
    const quint64 key = StyleKey(line.style);
    if (!in_run || key != run_key) {
      flush();
      run_format = CachedFormat(line.style);
      run_key = key;
      in_run = true;
    }
    const QString text = PaneText(line.text);
    if (blocks > 0) {
      run.append(QChar::ParagraphSeparator);
    } else {
      // The document's first block exists already; it takes the first line.
      cursor.setBlockCharFormat(run_format);
    }
    run.append(text);
    if (shown != nullptr) shown->push_back({blocks, item.index});
    blocks += 1 + static_cast<int>(text.count(QChar::ParagraphSeparator));
  }
  flush();
  cursor.endEditBlock();
}

void ProtocolPane::ShowOnly(const Protocol& protocol, const std::vector<int>& indices) {
  Rebuild(protocol, &indices);
  SetFiltered(true);
}

void ProtocolPane::ShowAll(const Protocol& protocol) {
  if (!filtered_) return;
  Rebuild(protocol, nullptr);
  SetFiltered(false);
}

void ProtocolPane::Rebuild(const Protocol& protocol, const std::vector<int>* indices) {
  // Lines still waiting in the feed are in the protocol already.
  if (feed_ != nullptr) DrainFeed();
  const std::vector<ProtocolLine>& all = protocol.lines();
  received_ = static_cast<int>(all.size());
  std::vector<Item> items;
  if (indices == nullptr) {
    items.reserve(all.size());
    for (std::size_t i = 0; i < all.size(); ++i) items.push_back({&all[i], static_cast<int>(i)});
  } else {
    items.reserve(indices->size());
    for (int i : *indices) {
      if (i >= 0 && static_cast<std::size_t>(i) < all.size()) items.push_back({&all[i], i});
    }
  }
  document()->clear();
  shown_.clear();
  blocks_ = 0;
  Append(*document(), items, blocks_, &shown_);
  lines_ = static_cast<qsizetype>(items.size());
  moveCursor(QTextCursor::Start);
}

void ProtocolPane::SetFiltered(bool filtered) {
  if (filtered_ == filtered) return;
  filtered_ = filtered;
  emit filterChanged(filtered);
}

std::unique_ptr<QTextDocument> ProtocolPane::WholeDocument(const Protocol& protocol) const {
  auto doc = std::make_unique<QTextDocument>();
  doc->setUndoRedoEnabled(false);
  doc->setDefaultFont(document()->defaultFont());
  doc->setDocumentMargin(document()->documentMargin());
  std::vector<Item> items;
  items.reserve(protocol.lines().size());
  for (std::size_t i = 0; i < protocol.lines().size(); ++i) {
    items.push_back({&protocol.lines()[i], static_cast<int>(i)});
  }
  int blocks = 0;
  Append(*doc, items, blocks, nullptr);
  return doc;
}

QMenu* ProtocolPane::CreateContextMenu() {
  QMenu* menu = createStandardContextMenu();
  menu->addSeparator();
  QAction* save = menu->addAction(QStringLiteral("Salvează erorile (CSV)…"));
  save->setObjectName(QStringLiteral("SaveFindingsCsv"));
  save->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  connect(save, &QAction::triggered, this, &ProtocolPane::saveFindingsRequested);
  QAction* workbook = menu->addAction(tr("Salvează erorile (Excel)…"));
  workbook->setObjectName(QStringLiteral("SaveFindingsXlsx"));
  connect(workbook, &QAction::triggered, this, &ProtocolPane::saveWorkbookRequested);
  return menu;
}

void ProtocolPane::contextMenuEvent(QContextMenuEvent* event) {
  std::unique_ptr<QMenu> menu(CreateContextMenu());
  menu->exec(event->globalPos());
}

QTextCharFormat ProtocolPane::CachedFormat(const TextStyle& style) const {
  quint64 key = StyleKey(style);
  auto it = formats_.find(key);
  if (it == formats_.end()) it = formats_.insert(key, FormatFor(style, font()));
  return it.value();
}

}  // namespace zentrox::ui
