#include "rules/side_by_side.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <exception>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "base/env_count.h"

namespace zentrox {

ThreadSetting ReadThreadSetting() {
  const std::uint64_t fallback = std::thread::hardware_concurrency() >= 2 ? 2 : 1;
  const char* text = std::getenv("ZENTROX_THREADS");
  EnvCount count = ParseEnvCount(text, fallback, kMaxRuleThreads);
  if (count.state == EnvCount::State::Valid && count.value == 0) count = {EnvCount::State::Invalid, fallback};
  const std::string unit =
      count.state == EnvCount::State::Clamped ? "threads" : "threads from 1 to " + std::to_string(kMaxRuleThreads);
  return {static_cast<std::size_t>(count.value), EnvCountComplaint("ZENTROX_THREADS", text, count, unit.c_str())};
}

std::size_t RuleThreads() { return ReadThreadSetting().threads; }

namespace {

struct Part {
  Protocol buffer;
  std::optional<FindingWriter> writer;
  std::exception_ptr error;
  PassResult result;
};

// Opens the section of pass `i` when the pass before it read another file;
// otherwise the writer goes on in that file's section.
void EnterSection(FindingWriter& writer, std::span<const SideBySidePass> passes, std::size_t i) {
  if (i == 0 || passes[i - 1].file != passes[i].file) {
    writer.BeginSection(passes[i].file);
  } else {
    writer.section = FileName(passes[i].file);
  }
}

}  // namespace

PassResult MergeResults(std::span<const PassResult> results) {
  PassResult merged;
  for (const PassResult& r : results) {
    if (r.pack_count) merged.pack_count = r.pack_count;
    if (r.declaration_count) merged.declaration_count = r.declaration_count;
    if (r.agent) merged.agent = r.agent;
  }
  return merged;
}

std::vector<PassResult> RunSideBySide(FindingWriter& checks, std::span<const SideBySidePass> passes,
                                      std::size_t threads) {
  std::vector<PassResult> results;
  results.reserve(passes.size());
  if (threads <= 1 || passes.size() <= 1) {
    for (std::size_t i = 0; i < passes.size(); ++i) {
      EnterSection(checks, passes, i);
      results.push_back(passes[i].run(checks));
    }
    return results;
  }
  Protocol& protocol = checks.protocol();
  std::vector<Part> parts(passes.size());
  // A buffer counts as full once it and the buffers before it keep as many
  // fault lines as the protocol still takes: what it kept beyond that would
  // be dropped when appended.
  std::vector<std::atomic<std::size_t>> kept(passes.size());
  // Which passes are over: a pass that keeps many fault lines waits for the
  // passes before it, so that the buffers never hold many more lines than
  // the protocol keeps.
  std::vector<std::atomic<bool>> done(passes.size());
  for (std::size_t i = 0; i < parts.size(); ++i) {
    parts[i].buffer = protocol.Buffer();
    parts[i].buffer.ShareKeptCount(&kept[i], kept.data(), i, done.data());
  }
  const auto finish = [&](std::size_t i) {
    done[i].store(true, std::memory_order_release);
    done[i].notify_all();
  };
  // The passes are taken in their order, so a pass never waits for one that
  // no thread has started.
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> failed{passes.size()};  // the first pass that threw
  auto work = [&]() noexcept {
    for (std::size_t i = next++; i < passes.size(); i = next++) {
      if (i > failed.load()) {  // its lines would be dropped
        finish(i);
        continue;
      }
      Part& part = parts[i];
      try {
        FindingWriter& writer = part.writer.emplace(part.buffer, checks.profile(), checks.today());
        EnterSection(writer, passes, i);
        part.result = passes[i].run(writer);
      } catch (...) {
        part.error = std::current_exception();
        std::size_t first = failed.load();
        while (i < first && !failed.compare_exchange_weak(first, i)) {
        }
      }
      finish(i);
    }
  };
  // Room for every thread before the first starts: a list that grew while
  // threads ran could fail to and drop a thread that is still joinable.
  std::vector<std::thread> pool;
  pool.reserve(std::min(threads, passes.size()) - 1);
  for (std::size_t t = 1; t < std::min(threads, passes.size()); ++t) {
    try {
      pool.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // no thread to be had: this one runs the rest
    }
  }
  work();
  for (std::thread& t : pool) t.join();

  for (Part& part : parts) {
    protocol.Append(std::move(part.buffer));
    if (part.error || &part == &parts.back()) {
      // The writer goes on as the last pass that ran left its own.
      checks.section = part.writer->section;
      checks.context = part.writer->context;
      checks.row = part.writer->row;
    }
    if (part.error) std::rethrow_exception(part.error);
    results.push_back(std::move(part.result));
  }
  return results;
}

}  // namespace zentrox
