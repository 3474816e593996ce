#include "report/protocol.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <string>
#include <unordered_set>

namespace zentrox {
namespace {

std::string LimitText(std::size_t kept) {
  return "Слишком много ошибок: выведены первые " + std::to_string(kept) + ", остальные не выводятся";
}

Finding PlainFault(const std::string& text, std::string_view rule) {
  Finding f;
  f.rule = std::string(rule);
  f.message = text;
  f.format = FindingFormat::Plain;
  return f;
}

// When ZENTROX_RULE_ID_LOG names a file, the id of every rule that reports a
// fault is appended to it, once per process: the test suite gathers the ids
// of all its processes to show that each catalogued rule is exercised. One
// O_APPEND write per id, so processes writing at once never mix their lines.
// Nothing here may disturb a run, so every failure is ignored.
// Read once before main: a run without the setting pays one test per fault.
const char* const rule_id_log = std::getenv("ZENTROX_RULE_ID_LOG");

[[gnu::noinline]] void WriteRuleId(std::string_view rule) {
  const char* const path = rule_id_log;
  if (*path == '\0' || rule.empty()) return;
  try {
    static std::mutex mutex;
    static std::unordered_set<std::string> logged;
    const std::lock_guard lock(mutex);
    if (!logged.emplace(rule).second) return;
    const std::string line = std::string(rule) + "\n";
    const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    if (::write(fd, line.data(), line.size()) < 0) {
      // ignored, as above
    }
    ::close(fd);
  } catch (...) {
  }
}

inline void LogRuleId(std::string_view rule) {
  if (rule_id_log != nullptr) WriteRuleId(rule);
}

// Lines move from a buffer to the protocol this many at a time.
constexpr std::size_t kPieceLines = 4096;

// Hands the whole pages of `lines`' storage past its last line back to the
// system: they hold no line, and read as zeros if ever used again.
void ReleaseSpareRoom(std::vector<ProtocolLine>& lines) {
  const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const auto from = (reinterpret_cast<std::uintptr_t>(lines.data() + lines.size()) + page - 1) / page * page;
  const auto to = reinterpret_cast<std::uintptr_t>(lines.data() + lines.capacity()) / page * page;
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
}

// Takes the lines of `lines` in pieces of kPieceLines, the last piece
// first, leaving it empty. The pages of the lines taken go back at each
// piece, so the lines are never held twice: a buffer of a pass that wrote
// 50,000 fault lines holds 10 MB, which would otherwise be held again while
// the lines move to the protocol.
std::vector<std::vector<ProtocolLine>> TakeInPieces(std::vector<ProtocolLine>& lines) {
  std::vector<std::vector<ProtocolLine>> pieces;
  pieces.reserve(lines.size() / kPieceLines + 1);
  while (lines.size() > kPieceLines) {
    const auto start = lines.end() - static_cast<std::ptrdiff_t>(kPieceLines);
    pieces.emplace_back(std::make_move_iterator(start), std::make_move_iterator(lines.end()));
    lines.erase(start, lines.end());
    ReleaseSpareRoom(lines);
  }
  pieces.push_back(std::move(lines));  // the first piece stays where it is
  lines.clear();
  return pieces;
}

}  // namespace

void Protocol::Clear() {
  // The default colour survives clearing, as a pane's default font does.
  lines_.clear();
  faults_ = 0;
  kept_ = 0;
  kept_bytes_ = 0;
  full_ = false;
  finished_ = false;
  current_ = default_;
}

void Protocol::SetDefaultColor(Rgb color) {
  default_.color = color;
  current_.color = color;
}

void Protocol::ResetAttributes() { current_ = default_; }

void Protocol::AddLimitLine(std::string text) {
  TextStyle style = current_;
  style.color = kRed;
  lines_.push_back(ProtocolLine{std::move(text), style, LineKind::Frame, std::nullopt});
  if (listener_) listener_(lines_.back());
}

void Protocol::CountFaults(std::size_t n, std::string_view rule) {
  if (n == 0) return;
  LogRuleId(rule);
  faults_ += n;
  if (!full_) {
    full_ = true;
    limit_line_ = lines_.size();
    AddLimitLine(LimitText(kept_));
  }
}

void Protocol::Finish() {
  if (finished_) return;
  finished_ = true;
  // The count is known only now; the line where the first fault was dropped
  // has been shown already, so the count closes the protocol instead.
  if (FaultsLeftOut() > 0) AddLimitLine(LimitText(kept_) + " (не выведено: " + std::to_string(FaultsLeftOut()) + ")");
}

void Protocol::Push(ProtocolLine line) {
  if (line.finding) LogRuleId(line.finding->rule);
  Keep(std::move(line));
}

void Protocol::WaitForAhead() {
  for (std::size_t i = 0; i < ahead_count_; ++i) {
    while (!ahead_done_[i].load(std::memory_order_acquire)) ahead_done_[i].wait(false, std::memory_order_acquire);
  }
  ahead_done_ = nullptr;
}

namespace {
// A protocol of this many lines reserves room for all it may still keep.
constexpr std::size_t kReserveFrom = 4096;
}  // namespace

bool Protocol::AdmitFault(const ProtocolLine& line, std::size_t lines_before) {
  ++faults_;
  if (FaultsFull() || kept_bytes_ + line.text.size() > max_fault_bytes_) {
    if (!full_) {
      full_ = true;
      limit_line_ = lines_before;
    }
    return false;
  }
  ++kept_;
  kept_bytes_ += line.text.size();
  if (mine_ != nullptr) mine_->store(kept_, std::memory_order_relaxed);
  return true;
}

void Protocol::Keep(ProtocolLine line) {
  if (line.kind == LineKind::Fault) {
    if (ahead_done_ != nullptr && kept_ >= max_fault_lines_ / 8) WaitForAhead();
    const bool was_full = full_;
    if (!AdmitFault(line, lines_.size())) {
      if (!was_full) AddLimitLine(LimitText(kept_));
      return;
    }
  }
  if (lines_.size() == lines_.capacity() && lines_.size() >= kReserveFrom) {
    // Room for every fault line still to be kept, at once: a block this
    // large is mapped, and its pages are touched only as lines fill them,
    // whereas growing by doubling would copy the lines and touch fresh
    // pages each time.
    const std::size_t to_keep = FaultsFull() ? 0 : max_fault_lines_ - kept_;
    lines_.reserve(lines_.size() + std::max(to_keep, lines_.size() / 2) + kReserveFrom);
  }
  lines_.push_back(std::move(line));
  if (listener_) listener_(lines_.back());
}

Protocol Protocol::Buffer() const {
  Protocol buffer;
  buffer.default_ = default_;
  buffer.current_ = current_;
  buffer.max_fault_lines_ = FaultsFull() ? 0 : max_fault_lines_ - kept_;
  buffer.max_fault_bytes_ = full_ ? 0 : max_fault_bytes_ - kept_bytes_;
  return buffer;
}

// Every fault line `other` kept would be kept or dropped here in the same
// order, and here at least as many lines and bytes are kept before each, so
// this protocol is full at the latest where `other` became full: from there
// on every fault of `other` is only counted, and where they are counted does
// not matter.
void Protocol::Append(Protocol&& other) {
  if (other.lines_.size() > lines_.size() && other.lines_.capacity() > other.lines_.size() + lines_.size() &&
      ahead_done_ == nullptr) {
    AppendInto(std::move(other));
    return;
  }
  // No room is reserved for `other`'s lines here: most may be dropped, and
  // growing a full protocol would move all its lines. Keep makes room.
  std::vector<std::vector<ProtocolLine>> pieces = TakeInPieces(other.lines_);
  std::size_t i = 0;  // the line's place in `other`
  for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
    for (ProtocolLine& line : *piece) {
      if (other.full_ && i == other.limit_line_) {
        CountFaults(other.FaultsLeftOut());
      } else {
        Keep(std::move(line));
      }
      ++i;
    }
    piece->clear();
    ReleaseSpareRoom(*piece);  // back at once, wherever the allocator keeps it
    std::vector<ProtocolLine>().swap(*piece);
  }
  other.Clear();
  std::vector<ProtocolLine>().swap(other.lines_);  // its memory goes now, not with the buffer
  other.ShareKeptCount(nullptr, nullptr, 0);
}

// The same lines, counts, limit line and listener calls as Append's way
// line by line: `other`'s kept lines close up in place, the limit's line goes
// where the first was dropped, this protocol's lines move in ahead of them,
// and only then does the listener see the new lines, in their order.
void Protocol::AppendInto(Protocol&& other) {
  std::vector<ProtocolLine>& in = other.lines_;
  const std::size_t before = lines_.size();
  const bool was_full = full_;
  std::size_t kept = 0;  // lines of `other` kept so far, closed up at its front
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (other.full_ && i == other.limit_line_) {
      const std::size_t left_out = other.FaultsLeftOut();
      faults_ += left_out;
      if (left_out > 0 && !full_) {
        full_ = true;
        limit_line_ = before + kept;
      }
      continue;
    }
    if (in[i].kind == LineKind::Fault && !AdmitFault(in[i], before + kept)) continue;
    if (kept != i) in[kept] = std::move(in[i]);
    ++kept;
  }
  in.erase(in.begin() + static_cast<std::ptrdiff_t>(kept), in.end());
  if (full_ && !was_full) {
    TextStyle style = current_;
    style.color = kRed;
    in.insert(in.begin() + static_cast<std::ptrdiff_t>(limit_line_ - before),
              ProtocolLine{LimitText(kept_), style, LineKind::Frame, std::nullopt});
  }
  in.insert(in.begin(), std::make_move_iterator(lines_.begin()), std::make_move_iterator(lines_.end()));
  lines_.swap(in);
  if (listener_) {
    for (std::size_t i = before; i < lines_.size(); ++i) listener_(lines_[i]);
  }
  other.Clear();
  std::vector<ProtocolLine>().swap(other.lines_);
  other.ShareKeptCount(nullptr, nullptr, 0);
}

void Protocol::Add(std::string text, LineKind kind) {
  Push(ProtocolLine{std::move(text), current_, kind, std::nullopt});
}

void Protocol::AddStyled(std::string text, const TextStyle& style, LineKind kind) {
  Push(ProtocolLine{std::move(text), style, kind, std::nullopt});
}

void Protocol::AddFinding(std::string text, Finding finding) {
  Push(ProtocolLine{std::move(text), current_, LineKind::Fault, std::move(finding)});
}

void Protocol::AddFault(std::string text, std::string_view rule) { AddStyledFault(std::move(text), current_, rule); }

void Protocol::AddStyledFault(std::string text, const TextStyle& style, std::string_view rule) {
  Finding f = PlainFault(text, rule);
  Push(ProtocolLine{std::move(text), style, LineKind::Fault, std::move(f)});
}

}  // namespace zentrox
