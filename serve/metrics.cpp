#include "metrics.h"

#include <fmt/format.h>

namespace zentrox::serve {

void Metrics::CountRequest(int status) {
  std::lock_guard lock(mutex_);
  ++requests_[status];
}

void Metrics::CountCheck(double seconds) {
  std::lock_guard lock(mutex_);
  std::size_t b = 0;
  while (b < kDurationBuckets.size() && seconds > kDurationBuckets[b]) ++b;
  ++duration_buckets_[b];
  duration_sum_ += seconds;
  ++duration_count_;
}

void Metrics::CountRejected(const char* reason) {
  std::lock_guard lock(mutex_);
  ++rejected_[reason];
}

std::string Metrics::Text(unsigned running, unsigned waiting, std::uint64_t workers_started) {
  std::string out;
  std::lock_guard lock(mutex_);
  out += "# HELP zentrox_serve_requests_total Requests answered, by HTTP status.\n";
  out += "# TYPE zentrox_serve_requests_total counter\n";
  for (const auto& [status, n] : requests_) {
    out += fmt::format("zentrox_serve_requests_total{{status=\"{}\"}} {}\n", status, n);
  }
  out += "# HELP zentrox_serve_check_duration_seconds Time a check took, from its start to its answer.\n";
  out += "# TYPE zentrox_serve_check_duration_seconds histogram\n";
  std::uint64_t cumulative = 0;
  for (std::size_t b = 0; b < kDurationBuckets.size(); ++b) {
    cumulative += duration_buckets_[b];
    out +=
        fmt::format("zentrox_serve_check_duration_seconds_bucket{{le=\"{}\"}} {}\n", kDurationBuckets[b], cumulative);
  }
  cumulative += duration_buckets_.back();
  out += fmt::format("zentrox_serve_check_duration_seconds_bucket{{le=\"+Inf\"}} {}\n", cumulative);
  out += fmt::format("zentrox_serve_check_duration_seconds_sum {}\n", duration_sum_);
  out += fmt::format("zentrox_serve_check_duration_seconds_count {}\n", duration_count_);
  out += "# HELP zentrox_serve_checks_in_flight Checks running now.\n";
  out += "# TYPE zentrox_serve_checks_in_flight gauge\n";
  out += fmt::format("zentrox_serve_checks_in_flight {}\n", running);
  out += "# HELP zentrox_serve_queue_length Checks waiting for a worker.\n";
  out += "# TYPE zentrox_serve_queue_length gauge\n";
  out += fmt::format("zentrox_serve_queue_length {}\n", waiting);
  out += "# HELP zentrox_serve_rejected_total Requests refused: queue full, body too large or too slow.\n";
  out += "# TYPE zentrox_serve_rejected_total counter\n";
  for (const char* reason : {"queue-full", "too-large", "too-slow"}) {
    const auto it = rejected_.find(reason);
    out += fmt::format("zentrox_serve_rejected_total{{reason=\"{}\"}} {}\n", reason,
                       it == rejected_.end() ? 0 : it->second);
  }
  out += "# HELP zentrox_serve_received_bytes_total Bytes of request bodies received.\n";
  out += "# TYPE zentrox_serve_received_bytes_total counter\n";
  out += fmt::format("zentrox_serve_received_bytes_total {}\n", bytes_received_.load());
  out += "# HELP zentrox_serve_check_workers_started_total Check worker processes started (each serves many checks).\n";
  out += "# TYPE zentrox_serve_check_workers_started_total counter\n";
  out += fmt::format("zentrox_serve_check_workers_started_total {}\n", workers_started);
  return out;
}

}  // namespace zentrox::serve
