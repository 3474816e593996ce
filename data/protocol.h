// The protocol: the ordered lines a run writes, with their emphasis, and the
// structured finding behind every line that reports a fault.
//
// Writers only append whole lines. A line carries the attributes current when
// it was appended (colour, bold, italic, character height), so the pane, the
// text writer and the RTF writer render the same thing. A carriage return
// inside a line's text starts a new visual line.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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
  SumMonthly,      // "... поле <%s> с ошибкой. Сумма по месяцам не равна итоговой. Разность=%f "
  Plain,           // the message alone
  Loader,          // a format fault of a package file or a dictionary
};

struct Finding {
  std::string rule;     // stable id such as "quarterly.sd.days-week"
  std::string section;  // the file section ("REV5_SD"), or "load" in part 1
  std::string pack;
  std::string declaration;
  std::string name;
  std::string caption;
  std::string message;
  int row = 0;
  FindingFormat format = FindingFormat::Plain;
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

// At most this many fault lines are kept; every further fault is counted but
// its line is dropped, and one line says so. A damaged package (a megabyte of
// empty lines is a fault per field on every line) would otherwise grow the
// protocol by hundreds of bytes per byte read, until memory runs out.
inline constexpr std::size_t kMaxFaultLines = 100000;

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

  const std::vector<ProtocolLine>& lines() const { return lines_; }
  // Every fault written, the dropped ones included.
  std::size_t FaultCount() const { return faults_; }
  // True once no more fault lines are kept: a writer may then skip composing
  // a fault line and only count it.
  bool FaultsFull() const { return faults_ >= max_fault_lines_; }
  void CountFault();
  // For tests: another limit than kMaxFaultLines.
  void SetMaxFaultLines(std::size_t max) { max_fault_lines_ = max; }
  bool empty() const { return lines_.empty(); }

  // Called after every appended line (the GUI streams the lines into its pane).
  using Listener = std::function<void(const ProtocolLine&)>;
  void SetListener(Listener listener) { listener_ = std::move(listener); }

 private:
  void Push(ProtocolLine line);

  std::vector<ProtocolLine> lines_;
  TextStyle default_;
  TextStyle current_;
  std::size_t faults_ = 0;
  std::size_t max_fault_lines_ = kMaxFaultLines;
  Listener listener_;
};

}  // namespace zentrox
