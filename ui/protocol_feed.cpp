#include "ui/protocol_feed.h"

namespace zentrox::ui {

void ProtocolFeed::Push(ProtocolLine line, bool first_line) {
  bool was_idle;
  {
    std::lock_guard lock(mutex_);
    was_idle = pending_.empty() && !reset_;
    if (first_line) {
      pending_.clear();
      reset_ = true;
    }
    pending_.push_back(std::move(line));
  }
  WakeUpIfIdle(was_idle);
}

void ProtocolFeed::Reset() {
  bool was_idle;
  {
    std::lock_guard lock(mutex_);
    was_idle = pending_.empty() && !reset_;
    pending_.clear();
    reset_ = true;
  }
  WakeUpIfIdle(was_idle);
}

ProtocolFeed::Batch ProtocolFeed::Take(std::size_t max) {
  Batch batch;
  std::lock_guard lock(mutex_);
  batch.reset = reset_;
  reset_ = false;
  std::size_t n = std::min(max, pending_.size());
  batch.lines.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    batch.lines.push_back(std::move(pending_.front()));
    pending_.pop_front();
  }
  return batch;
}

bool ProtocolFeed::HasPending() const {
  std::lock_guard lock(mutex_);
  return reset_ || !pending_.empty();
}

void ProtocolFeed::Follow(Protocol& protocol) {
  // The pane needs a line's text and emphasis; the finding behind it stays
  // in the protocol.
  protocol.SetListener([this, &protocol](const ProtocolLine& line) {
    Push(ProtocolLine{line.text, line.style, line.kind, std::nullopt}, protocol.lines().size() == 1);
  });
}

void ProtocolFeed::WakeUpIfIdle(bool was_idle) {
  if (was_idle && wake_up_) wake_up_();
}

}  // namespace zentrox::ui
