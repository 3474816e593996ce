// How many checks run at once and how many wait: a bounded pool of workers
// with a bounded queue in front of it, served in arrival order.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace zentrox::serve {

// Checks at once (workers) and waiting ones (the queue), with room for no more.
class Gate {
 public:
  Gate(unsigned workers, unsigned queue) : workers_(workers), queue_(queue) {}

  // False at once when every worker is busy and the queue full; false later
  // when `gone` says the client left while waiting.
  enum class Entry { Entered, Full, Gone };
  template <typename Gone>
  Entry Enter(Gone gone) {
    std::unique_lock lock(mutex_);
    if (running_ < workers_ && waiting_ == 0) {
      ++running_;
      return Entry::Entered;
    }
    if (waiting_ >= queue_) return Entry::Full;
    ++waiting_;
    const std::uint64_t ticket = next_ticket_++;
    for (;;) {
      if (running_ < workers_ && ticket == serving_) break;
      cv_.wait_for(lock, std::chrono::milliseconds(200));
      if (ticket != serving_ && gone()) {
        abandoned_.push_back(ticket);
        --waiting_;
        return Entry::Gone;
      }
      if (ticket == serving_ && gone()) {
        --waiting_;
        Advance();
        return Entry::Gone;
      }
    }
    --waiting_;
    ++running_;
    Advance();
    return Entry::Entered;
  }
  void Leave() {
    std::lock_guard lock(mutex_);
    --running_;
    cv_.notify_all();
  }
  unsigned running() const {
    std::lock_guard lock(mutex_);
    return running_;
  }
  unsigned waiting() const {
    std::lock_guard lock(mutex_);
    return waiting_;
  }

 private:
  // The next ticket still waiting gets its turn.
  void Advance() {
    ++serving_;
    for (bool skipped = true; skipped;) {
      skipped = false;
      for (auto it = abandoned_.begin(); it != abandoned_.end(); ++it) {
        if (*it == serving_) {
          abandoned_.erase(it);
          ++serving_;
          skipped = true;
          break;
        }
      }
    }
    cv_.notify_all();
  }

  const unsigned workers_;
  const unsigned queue_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  unsigned running_ = 0;
  unsigned waiting_ = 0;
  std::uint64_t next_ticket_ = 0;
  std::uint64_t serving_ = 0;
  std::vector<std::uint64_t> abandoned_;
};

}  // namespace zentrox::serve
