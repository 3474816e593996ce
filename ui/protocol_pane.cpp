#include "ui/protocol_pane.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <algorithm>
#include <iterator>

namespace zentrox::ui {
namespace {

// Lines taken from the feed per step; the time budget decides how many
// steps one batch makes.
constexpr std::size_t kChunk = 256;

quint64 StyleKey(const TextStyle& s) {
  return (quint64(s.color.r) << 40) | (quint64(s.color.g) << 32) | (quint64(s.color.b) << 24) |
         (quint64(s.bold) << 23) | (quint64(s.italic) << 22) | quint64(s.height & 0x3FFFFF);
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

ProtocolPane::ProtocolPane(QWidget* parent) : QTextEdit(parent) {
  setObjectName(QStringLiteral("RichEdit2"));
  setReadOnly(true);
  setUndoRedoEnabled(false);
  setAcceptRichText(false);
  setLineWrapMode(QTextEdit::NoWrap);
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
  shown_.clear();
  blocks_ = 0;
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
  QElapsedTimer clock;
  clock.start();
  do {
    ProtocolFeed::Batch batch = feed_->Take(kChunk);
    if (!batch.reset && batch.lines.empty()) break;
    Apply(batch);
  } while (clock.elapsed() < budget_ms_);
  if (feed_->HasPending()) {
    Schedule();
  } else {
    emit caughtUp();
  }
}

void ProtocolPane::FlushAll() {
  if (feed_ == nullptr) return;
  for (;;) {
    ProtocolFeed::Batch batch = feed_->Take(static_cast<std::size_t>(-1));
    if (!batch.reset && batch.lines.empty()) break;
    Apply(batch);
  }
  emit caughtUp();
}

void ProtocolPane::Apply(ProtocolFeed::Batch& batch) {
  if (batch.reset) ClearPane();
  if (batch.lines.empty()) return;
  // Follow the end only when the reader is already there.
  QScrollBar* bar = verticalScrollBar();
  const bool at_end = bar->value() == bar->maximum();
  QTextCursor cursor(document());
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
  for (const ProtocolLine& line : batch.lines) {
    const quint64 key = StyleKey(line.style);
    if (!in_run || key != run_key) {
      flush();
      run_format = CachedFormat(line.style);
      run_key = key;
      in_run = true;
    }
    // A carriage return inside a line starts a new visual line.
    QString text = QString::fromStdString(line.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    text.replace(QLatin1Char('\r'), QChar::ParagraphSeparator);
    if (lines_ > 0) {
      run.append(QChar::ParagraphSeparator);
    } else {
      // The document's first block exists already; it takes the first line.
      cursor.setBlockCharFormat(run_format);
    }
    run.append(text);
    shown_.push_back({blocks_, static_cast<int>(lines_)});
    blocks_ += 1 + static_cast<int>(text.count(QChar::ParagraphSeparator));
    ++lines_;
  }
  flush();
  cursor.endEditBlock();
  if (at_end) bar->setValue(bar->maximum());
}

const QTextCharFormat& ProtocolPane::CachedFormat(const TextStyle& style) {
  quint64 key = StyleKey(style);
  auto it = formats_.find(key);
  if (it == formats_.end()) it = formats_.insert(key, FormatFor(style, font()));
  return it.value();
}

}  // namespace zentrox::ui
