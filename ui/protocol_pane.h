// The protocol pane `RichEdit2`: a read-only rich-text view of a protocol.
//
// Lines arrive through a ProtocolFeed and are appended in batches bounded by
// time, so a run that writes a hundred thousand lines never holds the event
// loop for long: between batches the window repaints and takes input.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QTextCharFormat>
#include <QTextEdit>

#include <vector>

#include "data/protocol.h"
#include "ui/protocol_feed.h"

namespace zentrox::ui {

// The character format a protocol line is shown with.
QTextCharFormat FormatFor(const TextStyle& style, const QFont& base);

class ProtocolPane : public QTextEdit {
  Q_OBJECT
 public:
  explicit ProtocolPane(QWidget* parent = nullptr);

  // Lines of `feed` appear in this pane; the feed must outlive the pane.
  void Attach(ProtocolFeed& feed);

  // Appends everything the feed holds now, without yielding.
  void FlushAll();
  // Protocol lines shown (a line with carriage returns counts once).
  qsizetype lineCount() const { return lines_; }
  void ClearPane();

  // The protocol line (its index in the protocol) that block `block` of the
  // document shows, or -1; and the first block of protocol line `index`, or
  // -1 when the pane does not show it. A line with carriage returns takes
  // several blocks.
  int ProtocolLineAtBlock(int block) const;
  int FirstBlockOfLine(int index) const;

  // Time one batch may take before the event loop gets its turn.
  void setBatchBudgetMs(int ms) { budget_ms_ = ms; }

 signals:
  // Everything the feed held has been appended.
  void caughtUp();

 private slots:
  void Pump();

 private:
  void Schedule();
  void Apply(ProtocolFeed::Batch& batch);
  const QTextCharFormat& CachedFormat(const TextStyle& style);

  ProtocolFeed* feed_ = nullptr;
  qsizetype lines_ = 0;
  // For each line shown, in pane order: its first block and its index in the
  // protocol.
  struct Shown {
    int first_block;
    int index;
  };
  std::vector<Shown> shown_;
  int blocks_ = 0;  // blocks the shown lines take
  bool scheduled_ = false;
  int budget_ms_ = 30;
  QHash<quint64, QTextCharFormat> formats_;
};

}  // namespace zentrox::ui
