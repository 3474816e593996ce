// The archives of one zentrox-check invocation checked several at a time.
//
// Up to N worker processes each check the archives they are handed, one
// after another, in a private working directory under the chosen one that
// holds a copy of its dictionaries; the outputs are written in the order of
// the archives, as a serial run writes them.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace zentrox {

// The most workers --jobs takes.
inline constexpr unsigned kMaxJobs = 256;

// --jobs N: N a whole number from 1 to kMaxJobs, in plain digits.
std::optional<unsigned> ParseJobCount(const std::string& text);

// The number of cores (at least 1, at most kMaxJobs).
unsigned DefaultJobCount();

struct ParallelBatch {
  std::size_t count = 0;  // archives
  unsigned jobs = 1;      // workers at once
  std::string workdir;    // the chosen working directory: absolute, ends in "/"
  // In a worker: checks archive `k` in `private_workdir`, puts what the
  // serial run prints for it on standard output into `out` and returns its
  // exit status (0 to 3). What it writes on standard error is collected and
  // passed on in order. A worker's archives come one after another in one
  // process, so what this keeps between calls (a session) lives on.
  std::function<int(std::size_t k, const std::string& private_workdir, std::string& out)> check;
  // Here, for an archive whose worker ended without a result (killed,
  // crashed): puts its output as not checked into `out` and says why on
  // standard error; its status is 3.
  std::function<void(std::size_t k, const std::string& why, std::string& out)> lost;
  // Writes one archive's output to standard output; called once per
  // archive, in their order.
  std::function<void(const std::string& out)> emit;
};

// Runs the batch and returns the highest exit status over its archives, or
// nothing, having printed nothing, when the private working directories could
// not be made ready (the chosen one busy or its lock unusable, a dictionary
// that could not be copied): the caller then runs the batch serially, which
// reports such a directory as it always has. A signal that ends the program
// (SIGINT, SIGTERM, SIGHUP, SIGPIPE) first stops the workers and removes the
// private directories.
std::optional<int> RunParallelBatch(const ParallelBatch& batch);

}  // namespace zentrox
