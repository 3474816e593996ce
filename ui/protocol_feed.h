// Carries protocol lines from the thread that writes them (a control run
// off the GUI thread) to the pane on the GUI thread.
//
// The protocol has no "cleared" event: a writer clears it and appends its
// first line. So a line that arrives as the protocol's first line tells the
// pane to start from an empty page, and whatever was still waiting for the
// old page is dropped.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "report/protocol.h"

namespace zentrox::ui {

class ProtocolFeed {
 public:
  struct Batch {
    bool reset = false;  // clear the pane before appending `lines`
    std::vector<ProtocolLine> lines;
  };

  // Any thread. `first_line`: the protocol held no other line.
  void Push(ProtocolLine line, bool first_line);
  // Any thread: the pane must show an empty page.
  void Reset();
  // Takes up to `max` lines (and a pending reset).
  Batch Take(std::size_t max);
  bool HasPending() const;

  // Called (on the pushing thread) when work arrives for an idle feed.
  void SetWakeUp(std::function<void()> wake_up) { wake_up_ = std::move(wake_up); }

  // Streams every line appended to `protocol` into this feed.
  void Follow(Protocol& protocol);

 private:
  void WakeUpIfIdle(bool was_idle);

  mutable std::mutex mutex_;
  std::deque<ProtocolLine> pending_;
  bool reset_ = false;
  std::function<void()> wake_up_;
};

}  // namespace zentrox::ui
