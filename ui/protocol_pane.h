// The protocol pane `RichEdit2`: a read-only view of a protocol, each line
// with its emphasis.
//
// Lines arrive through a ProtocolFeed and are appended in batches bounded by
// time, so a run that writes a hundred thousand lines never holds the event
// loop for long: between batches the window repaints and takes input. The
// pane lays out only the lines in view (a plain-text layout), so appending
// costs little more than storing the text.
//
// The pane may show a subset of the protocol (the lines of one group of
// findings); block and line numbers then still map to the whole protocol.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QPlainTextEdit>
#include <QTextCharFormat>

#include <memory>
#include <vector>

#include "report/protocol.h"
#include "ui/protocol_feed.h"

class QMenu;
class QTextDocument;

namespace zentrox::ui {

// The character format a protocol line is shown with.
QTextCharFormat FormatFor(const TextStyle& style, const QFont& base);

class ProtocolPane : public QPlainTextEdit {
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

  // Shows only the lines `indices` (ascending indices into `protocol`, the
  // protocol the feed follows). Not while a run writes the protocol.
  void ShowOnly(const Protocol& protocol, const std::vector<int>& indices);
  // Shows the whole protocol again.
  void ShowAll(const Protocol& protocol);
  bool filtered() const { return filtered_; }

  // The whole protocol as a document with the pane's formats, whatever
  // the pane shows (what printing takes while a filter is on).
  std::unique_ptr<QTextDocument> WholeDocument(const Protocol& protocol) const;

  // The pane's context menu: the editor's own actions, "Salvează erorile
  // (CSV)…" and "Salvează erorile (Excel)…". The caller owns it.
  QMenu* CreateContextMenu();

  // Time one batch may take before the event loop gets its turn.
  void setBatchBudgetMs(int ms) { budget_ms_ = ms; }

 signals:
  // Everything the feed held has been appended.
  void caughtUp();
  // The pane went from a subset back to the whole protocol, or the other way.
  void filterChanged(bool filtered);
  // "Salvează erorile (CSV)…" was chosen.
  void saveFindingsRequested();
  // "Salvează erorile (Excel)…" was chosen.
  void saveWorkbookRequested();

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private slots:
  void Pump();

 private:
  // For each line shown, in pane order: its first block and its index in the
  // protocol.
  struct Shown {
    int first_block;
    int index;
  };
  // A line to append, with its index in the protocol.
  struct Item {
    const ProtocolLine* line;
    int index;
  };

  void Schedule();
  // Takes what the feed holds (up to `max` lines) and appends it; false when
  // it held nothing.
  bool TakeAndApply(std::size_t max);
  void DrainFeed();
  void Apply(ProtocolFeed::Batch& batch);
  // Appends `items` at the end of `document`, which holds `blocks` blocks
  // of lines already (0: empty); records each line's first block in `shown`.
  void Append(QTextDocument& document, const std::vector<Item>& items, int& blocks, std::vector<Shown>* shown) const;
  void Rebuild(const Protocol& protocol, const std::vector<int>* indices);
  void SetFiltered(bool filtered);
  QTextCharFormat CachedFormat(const TextStyle& style) const;

  ProtocolFeed* feed_ = nullptr;
  qsizetype lines_ = 0;
  int received_ = 0;  // protocol lines taken from the feed since the last reset
  std::vector<Shown> shown_;
  int blocks_ = 0;  // blocks the shown lines take
  bool filtered_ = false;
  bool scheduled_ = false;
  int budget_ms_ = 30;
  mutable QHash<quint64, QTextCharFormat> formats_;
};

}  // namespace zentrox::ui
