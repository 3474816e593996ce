// What zentrox-serve counts, and its rendering in the Prometheus text format.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace zentrox::serve {

class Metrics {
 public:
  void CountRequest(int status);
  void CountCheck(double seconds);
  void CountRejected(const char* reason);
  void CountReceived(std::uint64_t bytes) { bytes_received_ += bytes; }
  // The text /metrics answers, with the checks running and waiting now and
  // the check workers started so far.
  std::string Text(unsigned running, unsigned waiting, std::uint64_t workers_started);

 private:
  static constexpr std::array<double, 11> kDurationBuckets = {0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10, 30, 60, 120};
  std::mutex mutex_;
  std::map<int, std::uint64_t> requests_;  // by status
  std::array<std::uint64_t, kDurationBuckets.size() + 1> duration_buckets_{};
  double duration_sum_ = 0;
  std::uint64_t duration_count_ = 0;
  std::map<std::string, std::uint64_t> rejected_;  // by reason
  std::atomic<std::uint64_t> bytes_received_{0};
};

}  // namespace zentrox::serve
