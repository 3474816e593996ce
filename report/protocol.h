// The protocol: the ordered lines a run writes, with their emphasis, and the
// structured finding behind every line that reports a fault.
//
// Writers only append whole lines. A line carries the attributes current when
// it was appended (colour, bold, italic, character height), so the pane, the
// text writer and the RTF writer render the same thing. A carriage return
// inside a line's text starts a new visual line.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/finding_text.h"

namespace zentrox {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(Rgb, Rgb) = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kRed{255, 0, 0};

// Character height of the pane's font, in pixels.
inline constexpr int kDefaultHeight = 16;

struct TextStyle {
  Rgb color = kBlack;
  bool bold = false;
  bool italic = false;
  int height = kDefaultHeight;
  friend bool operator==(const TextStyle&, const TextStyle&) = default;
};

// Which line format a finding was written with.
enum class FindingFormat {
  Field,           // "Пачка %s Декл %s %s  поле <%s> %s, строка %d"
  FieldNoRow,      // "Пачка %s Декл %s %s  поле <%s> %s"
  DuplicateValue,  // "Пачка %s Декл %s %s  поле <%s> %s %s %s"
  Pack,            // "Пачка %s  %s "
  Sum,             // "... поле <%s> с ошибкой. Разность=%f ,cтрока %d"
  SumMonthly,  // "... поле <%s> с ошибкой. Сумма по месяцам не равна итоговой. Разность=%f "
  Plain,       // the message alone
  Loader,      // a format fault of a package file or a dictionary
};

// One record of a package file (or a dictionary): the file's name as the
// package names it ("REV5_SD") and the record's 1-based line in it.
struct RecordRef {
  std::string file;
  int line = 0;
  friend bool operator==(const RecordRef&, const RecordRef&) = default;
};

// What kind of right value a finding carries beside the value as it stood.
enum class ExpectedKind : std::uint8_t {
  None,        // the rule implies no right value
  Value,       // `expected` is the value to write
  Sum,         // `expected` is the computed sum; `links` the rows summed, if other rows
  Code,        // a code of `links->dictionary` (valid in `links->year` when set)
  Duplicate,   // `links` names the other record(s) holding the same value
  Date,        // `expected` is the allowed range, or the date to write instead
  Characters,  // `expected` names the characters not allowed, in words
  Sentence,    // no single right value: `expected` says what would satisfy the rule
};

// What a finding refers to beside its record; shared by the findings that
// refer to the same, and absent (null) on most.
struct FindingLinks {
  // The rows a sum was taken from; the other record(s) holding a duplicate value.
  std::vector<RecordRef> records;
  std::string dictionary;  // the dictionary file a valid code comes from ("sps_kateg.txt")
  int year = 0;            // the year a code must be valid in; 0: any
  friend bool operator==(const FindingLinks&, const FindingLinks&) = default;
};

// Its texts are FindingTexts: a protocol keeps up to 100,000 findings, most
// of whose texts repeat from line to line.
struct Finding {
  FindingText rule;     // stable id such as "new.sd.days-week-5-or-6" (report/rule_catalogue.h)
  FindingText section;  // the file section ("REV5_SD"), or "load" in part 1
  FindingText pack;
  FindingText declaration;
  FindingText name;
  FindingText caption;
  // The field's text as it stood in the file, when the line names a field
  // of a record; empty otherwise.
  FindingText value;
  FindingText message;
  // The number the line shows as its row ("строка N"); none when it shows none.
  std::optional<int> row;
  // The record the line names, whatever order its pass walked in; none when
  // the line names no single record.
  std::optional<RecordRef> record;
  FindingFormat format = FindingFormat::Plain;
  ExpectedKind expected_kind = ExpectedKind::None;
  // What would satisfy the rule, in Romanian words or as the value to write
  // ("68250.00", "30.09.2026", "5 sau 6"); empty when the rule implies none.
  FindingText expected;
  std::shared_ptr<const FindingLinks> links;
};

enum class LineKind {
  Frame,  // headings, file lines, summary: not a fault
  Fault,  // a finding, a loader or dictionary message, a plain fault line
};

struct ProtocolLine {
  std::string text;  // UTF-8
  TextStyle style;
  LineKind kind = LineKind::Frame;
  std::optional<Finding> finding;
};

// At most this many fault lines, and at most this much of their text, are
// kept; every further fault is counted but its line is dropped, and one line
// says so where the first was dropped. A damaged package (a megabyte of empty
// lines is a fault per field on every line; a line of megabytes quoted in
// every fault of its row) would otherwise grow the protocol by hundreds of
// bytes per byte read, until memory runs out.
inline constexpr std::size_t kMaxFaultLines = 100000;
inline constexpr std::size_t kMaxFaultBytes = std::size_t{64} << 20;

class Protocol {
 public:
  // Removes every line and sets the current attributes back to the defaults;
  // the default colour itself stays.
  void Clear();

  // The default colour is what lines take when no attribute was set.
  void SetDefaultColor(Rgb color);
  void SetColor(Rgb color) { current_.color = color; }
  void SetBold(bool bold) { current_.bold = bold; }
  void SetItalic(bool italic) { current_.italic = italic; }
  void SetHeight(int height) { current_.height = height; }
  // Back to the default colour, regular style and default height.
  void ResetAttributes();
  const TextStyle& current() const { return current_; }

  void Add(std::string text, LineKind kind = LineKind::Frame);
  // Appends one line with `style`, leaving the current attributes unchanged.
  void AddStyled(std::string text, const TextStyle& style, LineKind kind = LineKind::Frame);
  void AddFinding(std::string text, Finding finding);
  // A fault line that is its message alone, under a stable rule id (the
  // unpacking block, the name check, the control run's own faults).
  void AddFault(std::string text, std::string_view rule);
  void AddStyledFault(std::string text, const TextStyle& style, std::string_view rule);

  // Ends a run's protocol: when fault lines were left out, one closing line
  // repeats the limit's line with the number left out. Does nothing more when
  // called again before the protocol is cleared.
  void Finish();

  const std::vector<ProtocolLine>& lines() const { return lines_; }
  // Every fault written, the dropped ones included.
  std::size_t FaultCount() const { return faults_; }
  // Fault lines counted but not kept.
  std::size_t FaultsLeftOut() const { return faults_ - kept_; }
  // True once no more fault lines are kept: a writer may then skip composing
  // a fault line and only count it.
  bool FaultsFull() const {
    return full_ || kept_ >= max_fault_lines_ || (ahead_count_ > 0 && KeptAhead() >= max_fault_lines_);
  }
  // Counts one fault of `rule` whose line is not kept.
  void CountFault(std::string_view rule = {}) { CountFaults(1, rule); }
  // Counts `n` faults of `rule` whose lines are not kept, in one step; the
  // rule's id is logged as for a kept line.
  void CountFaults(std::size_t n, std::string_view rule = {});
  // For tests: other limits than kMaxFaultLines and kMaxFaultBytes.
  void SetMaxFaultLines(std::size_t max) { max_fault_lines_ = max; }
  void SetMaxFaultBytes(std::size_t max) { max_fault_bytes_ = max; }
  bool empty() const { return lines_.empty(); }

  // An empty protocol to write part of this one's lines into elsewhere (a
  // package file loaded on another thread), to be appended later with
  // Append. It starts with this protocol's attributes, and keeps at most the
  // fault lines and bytes this protocol can still keep: what it holds beyond
  // that would be dropped when appended anyway.
  Protocol Buffer() const;
  // Appends the lines of `other`, a Buffer() of this protocol, as if they had
  // been written here: fault lines past this protocol's limits are counted,
  // not kept, and its limit line stands where the first was dropped; `other`'s
  // own limit line is not copied. Lines keep the attributes they were
  // written with; this protocol's current ones stay.
  void Append(Protocol&& other);
  // For buffers filled at the same time: this buffer publishes how many fault
  // lines it keeps in `mine`, and counts as full once it and the buffers to
  // be appended before it (their counts in `ahead`, growing while they are
  // written) keep as many as it may: what it kept beyond that would be
  // dropped when appended. The counters must outlive the writing.
  // `ahead_done`, when given, tells which buffers ahead are written in full:
  // once this buffer keeps an eighth of the limit, it waits for them before it
  // keeps another line, so buffers filled at once hold little more than the
  // protocol keeps, whatever the package.
  void ShareKeptCount(std::atomic<std::size_t>* mine, const std::atomic<std::size_t>* ahead, std::size_t ahead_count,
                      const std::atomic<bool>* ahead_done = nullptr) {
    mine_ = mine;
    ahead_ = ahead;
    ahead_count_ = ahead_count;
    ahead_done_ = ahead_done;
  }

  // Called after every appended line (the GUI streams the lines into its pane).
  using Listener = std::function<void(const ProtocolLine&)>;
  void SetListener(Listener listener) { listener_ = std::move(listener); }

 private:
  void Push(ProtocolLine line);
  // Push without logging the rule's id.
  void Keep(ProtocolLine line);
  // Counts a fault line and tells whether it is kept. The first one not
  // kept marks where the limit's line stands: after `lines_before` lines.
  bool AdmitFault(const ProtocolLine& line, std::size_t lines_before);
  // Append's way when `other` holds more lines than this protocol and room
  // for all: this protocol's lines move into `other`'s storage, not the
  // other way round.
  void AppendInto(Protocol&& other);
  std::size_t KeptAhead() const {
    std::size_t n = kept_;
    for (std::size_t i = 0; i < ahead_count_; ++i) n += ahead_[i].load(std::memory_order_relaxed);
    return n;
  }

  std::vector<ProtocolLine> lines_;
  TextStyle default_;
  TextStyle current_;
  void AddLimitLine(std::string text);

  std::size_t faults_ = 0;      // every fault, kept or not
  std::size_t kept_ = 0;        // fault lines kept
  std::size_t kept_bytes_ = 0;  // their text
  bool full_ = false;           // the limit's line is written: no more are kept
  std::size_t limit_line_ = 0;  // when full_, the index of the limit's line
  bool finished_ = false;
  std::size_t max_fault_lines_ = kMaxFaultLines;
  std::size_t max_fault_bytes_ = kMaxFaultBytes;
  Listener listener_;
  std::atomic<std::size_t>* mine_ = nullptr;
  const std::atomic<std::size_t>* ahead_ = nullptr;
  std::size_t ahead_count_ = 0;
  const std::atomic<bool>* ahead_done_ = nullptr;  // null once they are all done
  void WaitForAhead();
};

}  // namespace zentrox
