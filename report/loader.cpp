#include "report/loader.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <exception>
#include <functional>
#include <optional>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>

#include "engine/text.h"
#include "model/files.h"
#include "model/schemas.h"
#include "report/load_lines.h"
#include "report/rule_entries.h"

namespace zentrox {

using load::BaseName;
using load::Fault;
using load::ForEachLine;
using load::KeepIfAnySet;

namespace {

constexpr char kTerminator = '\xB0';

// A package file's bytes, mapped rather than copied. The pages already
// parsed can be given back while loading, so a large file never sits in
// memory beside the table it fills.
class FileBytes {
 public:
  explicit FileBytes(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw FileReadError{path};
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
      size_ = static_cast<std::size_t>(st.st_size);
      void* p = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
      if (p != MAP_FAILED) {
        map_ = static_cast<char*>(p);
        ::madvise(p, size_, MADV_SEQUENTIAL);
      }
    }
    ::close(fd);
    if (map_ == nullptr) {
      size_ = 0;
      copy_ = ReadWholeFile(path);
    }
  }
  ~FileBytes() {
    if (map_ != nullptr) ::munmap(map_, size_);
  }
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;

  std::string_view view() const { return map_ != nullptr ? std::string_view(map_, size_) : std::string_view(copy_); }

  // Gives back the whole pages from `released` up to byte `offset`, which
  // the caller reads no more, and moves `released` there. A reader of part
  // of the file keeps its own `released`, from the first page that lies
  // wholly in its part (see FirstPageFrom).
  void Release(std::size_t& released, std::size_t offset) const {
    if (map_ == nullptr) return;
    std::size_t upto = offset / Page() * Page();
    if (upto <= released + (std::size_t{8} << 20)) return;  // in steps of 8 MiB
    ::madvise(map_ + released, upto - released, MADV_DONTNEED);
    released = upto;
  }
  static std::size_t FirstPageFrom(std::size_t offset) { return (offset + Page() - 1) / Page() * Page(); }

 private:
  char* map_ = nullptr;
  std::size_t size_ = 0;
  std::string copy_;
  static std::size_t Page() {
    static const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return page;
  }
};

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Which fields of a file feed the finding context while loading.
struct ContextFields {
  int pack = -1;
  int declaration = -1;
  int name = -1;
};

ContextFields ContextOf(FileKind kind) {
  switch (kind) {
    case FileKind::IP:
    case FileKind::PL: return {0, -1, -1};
    case FileKind::NA: return {1, 0, 3};
    case FileKind::NA_OLD: return {1, 0, 5};
    case FileKind::SD:
    case FileKind::SD_OLD:
    case FileKind::DI:
    case FileKind::MU: return {1, 0, -1};
    case FileKind::T: return {};
  }
  return {};
}

// A number field has no size of its own: the finding context quotes at most
// this many characters of its text, more than any number the field can tell
// apart needs, so that a huge field costs no more than a normal one in each
// line that quotes it.
constexpr std::size_t kQuotedNumberChars = 32;

// The text of a field as the finding context quotes it: cut as the table cuts
// what it stores.
std::string_view QuotedText(const FieldDef& field, std::string_view text) {
  if (field.type == FieldType::String) return CutToFieldSize(field, text);
  return text.size() <= kQuotedNumberChars ? text : Utf8Prefix(text, kQuotedNumberChars);
}

}  // namespace

namespace load {

std::string BaseName(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void Fault(FindingWriter& c, std::string text, const RuleEntry& rule, std::string caption, const std::string& file,
           int line, std::string_view value, std::string_view message) {
  Finding f;
  f.rule = rule.id;
  f.section = "load";
  f.pack = c.context.pack;
  f.declaration = c.context.declaration;
  f.name = c.context.name;
  f.caption = std::move(caption);
  f.value = Utf8Prefix(value, Table::kKeptFileTextChars);
  f.message = message.empty() ? rule.message : message;
  if (line > 0) {
    f.row = line;
    f.record = RecordRef{file, line};
  }
  f.format = FindingFormat::Loader;
  // A date whose day its month lacks: the month's last day would convert.
  if (std::optional<std::string> last_day = LastDayInstead(value)) {
    f.expected_kind = ExpectedKind::Date;
    f.expected = *last_day;
  }
  c.protocol().AddFinding(std::move(text), std::move(f));
}

void KeepIfAnySet(Table& table, RowId row) {
  if (!table.AnySet(row)) table.DropLastRow();
}

}  // namespace load

namespace {

// The finding context of the line being read. It is written into
// `checks.context` only when a fault is reported and after the last line,
// since most lines report nothing. A text that lies in the file is kept as a
// view; any other (decoded, or from a line that had to be copied) as a copy
// of its own.
struct ContextText {
  std::string_view text;
  std::string copy;
  void Set(std::string_view t, std::string_view file) {
    if (t.data() >= file.data() && t.data() + t.size() <= file.data() + file.size()) {
      text = t;
    } else {
      copy.assign(t);
      text = copy;
    }
  }
};

// Reads one package file, or the part of it from byte `begin` to `end`
// whose first line is line `lines_before` + 1, into its table, line by line
// and field by field.
class PackageFileReader {
 public:
  PackageFileReader(FindingWriter& checks, FileKind kind, Table& table, const FileBytes& file, std::size_t begin = 0,
                    std::size_t end = std::string_view::npos, int lines_before = 0)
      : checks_(checks),
        table_(table),
        file_(file),
        data_(file.view().substr(begin, end - begin)),
        begin_(begin),
        released_(FileBytes::FirstPageFrom(begin)),
        file_name_(FileName(kind)),
        captions_(checks.profile().captions(kind)),
        ctx_(ContextOf(kind)),
        field_count_(table.FieldCount()),
        lines_before_(lines_before),
        line_no_(lines_before) {}

  // Whether the last line read kept its row.
  bool LastKept() const { return last_kept_; }
  // Whether the first line read kept its row and equals `line_before`, the
  // line before the part.
  bool StartsWithRepeat(std::string_view line_before) const {
    return first_kept_ && first_known_ && line_before.size() <= kRepeatLineMax && first_line_ == line_before;
  }

  void Read() {
    table_.SetSourceFile(file_name_);
    table_.SetCaptions(&captions_);
    // The columns grow with the rows that hold values: sizing them from the
    // line count would cost every empty or short line a whole row.
    table_.ReserveText(data_.size());
    ForEachLine(data_, [&](std::string_view line, std::size_t line_start, std::size_t next) {
      ReadLine(line, line_start);
      return SkipRepeats(line_start, next);
    });
    // The context is left as the last line set it.
    if (line_no_ > lines_before_) PublishContext();
  }

 private:
  std::string CaptionOf(int f) const {
    if (f < static_cast<int>(captions_.size())) return captions_[static_cast<std::size_t>(f)];
    return table_.field(f).name;
  }

  void PublishContext() {
    checks_.context.pack.assign(pack_.text);
    checks_.context.declaration.assign(declaration_.text);
    checks_.context.name.assign(name_.text);
  }

  // Writes one fault of field `f` (-1: of the line). Once the protocol keeps
  // no more fault lines the fault is only counted, without composing its
  // line, so a file of millions of faulty lines costs little more than
  // reading it.
  template <typename TextFn>
  void Report(int f, const RuleEntry& rule, TextFn&& text, std::string_view value = {}) {
    if (checks_.protocol().FaultsFull()) {
      checks_.protocol().CountFault(rule.id);
      return;
    }
    std::string cap = f < 0 ? std::string() : CaptionOf(f);
    PublishContext();
    Fault(checks_, text(cap), rule, cap, file_name_, line_no_, value);
  }

  // "Пачка %s, Декл.N %s %s. <message> Поле <%s>,строка %d"
  std::string FieldFaultText(const RuleEntry& rule, const std::string& caption) const {
    return fmt::format("Пачка {}, Декл.N {} {}. {} Поле <{}>,строка {}", checks_.context.pack,
                       checks_.context.declaration, checks_.context.name, rule.message, caption, line_no_);
  }

  // A line equal to the line before it reads the same: its row is marked as
  // repeating the row before it, so that passes whose findings are only
  // counted can count it in one step, and once the protocol keeps no more
  // fault lines it is not parsed again. Lines are compared up to this size.
  static constexpr std::size_t kRepeatLineMax = 4096;

  // Equal bytes, sizes known equal; short lines without a call.
  static bool SameBytes(std::string_view a, std::string_view b) {
    if (a.size() > 16) return a == b;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (a[i] != b[i]) return false;
    }
    return true;
  }

  void ReadLine(std::string_view line, std::size_t line_start) {
    const bool repeat = last_line_known_ && line.size() == last_line_.size() && SameBytes(line, last_line_);
    Protocol& protocol = checks_.protocol();
    if (repeat && protocol.FaultsFull()) {
      // Its faults are the line before's, only counted now; its row, if that
      // line kept one, is a copy of that line's.
      ++line_no_;
      file_.Release(released_, begin_ + line_start);
      if (last_kept_) {
        last_row_ = table_.AppendRepeat();
        table_.SetSourceLine(last_row_, static_cast<std::uint32_t>(line_no_));
      }
      protocol.CountFaults(last_faults_);
      return;
    }
    RecentLine* recent = nullptr;
    if (!repeat && line.size() <= kRecentLineMax && protocol.FaultsFull()) {
      // Each line has two places; a new one takes the place used longer ago.
      const std::size_t hash = std::hash<std::string_view>{}(line);
      RecentLine& a = recent_[hash % recent_.size()];
      RecentLine& b = recent_[hash / recent_.size() % recent_.size()];
      for (RecentLine* place : {&a, &b}) {
        if (place->known && place->line == line) {
          ReadAsRecent(*place, line, line_start);
          return;
        }
      }
      recent = a.used <= b.used ? &a : &b;
    }
    const std::size_t faults = protocol.FaultCount();
    const RowId row = ReadRow(line, line_start);
    last_faults_ = protocol.FaultCount() - faults;
    const bool kept = table_.size() > row;
    if (recent != nullptr) Remember(*recent, line, kept, row);
    if (line_no_ == lines_before_ + 1) {
      // The part's first line: whether it repeats the line before the part
      // is told when the parts are joined.
      first_kept_ = kept;
      first_known_ = line.size() <= kRepeatLineMax;
      if (first_known_) first_line_.assign(line);
    }
    if (kept && repeat && last_kept_ && row == last_row_ + 1) table_.MarkRepeat(row);
    last_kept_ = kept;
    last_row_ = row;
    last_line_known_ = line.size() <= kRepeatLineMax;
    if (last_line_known_) last_line_.assign(line);
  }

  // Once the protocol keeps no more fault lines, a short line equal to one
  // of the last distinct short lines read, not only to the line before it
  // (a file cycling through a few values), reads as that line did: its
  // faults are counted as that line's, its row is a copy of that line's row
  // (Table::AppendCopy) and its context is that line's.
  static constexpr std::size_t kRecentLineMax = 48;
  struct RecentLine {
    bool known = false;
    bool kept = false;  // the line kept its row
    int used = 0;       // the line last read as this one
    RowId row = kNoRow;
    std::size_t faults = 0;
    std::string line, pack, declaration, name;
  };
  std::array<RecentLine, 64> recent_{};

  void Remember(RecentLine& recent, std::string_view line, bool kept, RowId row) {
    recent.known = true;
    recent.used = line_no_;
    recent.kept = kept;
    recent.row = row;
    recent.faults = last_faults_;
    recent.line.assign(line);
    recent.pack.assign(pack_.text);
    recent.declaration.assign(declaration_.text);
    recent.name.assign(name_.text);
  }

  void ReadAsRecent(RecentLine& recent, std::string_view line, std::size_t line_start) {
    ++line_no_;
    recent.used = line_no_;
    file_.Release(released_, begin_ + line_start);
    if (recent.kept) {
      last_row_ = table_.AppendCopy(recent.row);
      table_.SetSourceLine(last_row_, static_cast<std::uint32_t>(line_no_));
      // The next copy copies this row, the nearest: near enough to be marked.
      recent.row = last_row_;
    }
    checks_.protocol().CountFaults(recent.faults);
    pack_.Set(recent.pack, data_);
    declaration_.Set(recent.declaration, data_);
    name_.Set(recent.name, data_);
    last_faults_ = recent.faults;
    last_kept_ = recent.kept;
    last_line_known_ = true;
    last_line_.assign(line);
  }

  // Once the protocol keeps no more fault lines, a line equal to the line
  // before it is only counted (see ReadLine). The line just read, from
  // `start` to `next`, may be followed by copies of itself, byte for byte
  // (a file padded with one line over and over): those are taken in one
  // step. Returns where the first line that is not such a copy starts.
  std::size_t SkipRepeats(std::size_t start, std::size_t next) {
    if (!checks_.protocol().FaultsFull() || !last_line_known_ || next >= data_.size()) return next;
    const std::size_t period = next - start;
    const std::size_t copies = CopiesAhead(next, period);
    if (copies == 0) return next;
    if (last_kept_) {
      const RowId first = table_.AppendRepeats(copies);
      table_.SetSourceLines(first, static_cast<std::uint32_t>(line_no_ + 1), copies);
      last_row_ = static_cast<RowId>(first + copies - 1);
    }
    line_no_ += static_cast<int>(copies);
    checks_.protocol().CountFaults(last_faults_ * copies);
    const std::size_t after = next + copies * period;
    file_.Release(released_, begin_ + after);
    return after;
  }

  // How many whole copies of the `period` bytes before `at` follow from
  // `at` on.
  std::size_t CopiesAhead(std::size_t at, std::size_t period) const {
    const char* p = data_.data() + at;
    // A few MiB at a time, so that the pages read are given back as the
    // lines are (see FileBytes::Release).
    constexpr std::size_t kMaxScan = std::size_t{4} << 20;
    const std::size_t avail = std::min(data_.size() - at, kMaxScan);
    if (avail < period || std::memcmp(p, p - period, period) != 0) return 0;
    // Each byte equals the byte a period before it: compared a block at a
    // time, the last block byte by byte.
    constexpr std::size_t kBlock = 4096;
    std::size_t same = period;
    while (same < avail) {
      const std::size_t block = std::min(kBlock, avail - same);
      if (std::memcmp(p + same, p + same - period, block) != 0) break;
      same += block;
    }
    while (same < avail && p[same] == p[same - period]) ++same;
    return same / period;
  }

  // Reads one line into a new row and returns its id; the row is dropped
  // again when no field of a faulty line converted.
  RowId ReadRow(std::string_view line, std::size_t line_start) {
    ++line_no_;
    file_.Release(released_, begin_ + line_start);
    // The terminator after the last field may be left out.
    bool implicit_end = !line.empty() && line.back() != kTerminator;
    const RowId row = table_.AppendRow();
    table_.SetSourceLine(row, static_cast<std::uint32_t>(line_no_));
    pack_.text = {};
    declaration_.text = {};
    name_.text = {};
    bool fault = false;
    std::string_view rest = line;
    for (int f = 0; f < field_count_; ++f) {
      std::string_view raw;
      std::size_t pos = rest.find(kTerminator);
      if (pos != std::string_view::npos) {
        raw = rest.substr(0, pos);
        rest.remove_prefix(pos + 1);
      } else if (implicit_end) {
        raw = rest;
        rest = {};
        implicit_end = false;
      } else {
        // No terminator is left: this field and every later one are missing,
        // each with a line of its own while the protocol keeps them, counted
        // at once when it keeps no more.
        for (int g = f; g < field_count_; ++g) {
          if (checks_.protocol().FaultsFull()) {
            checks_.protocol().CountFaults(static_cast<std::size_t>(field_count_ - g), rule::kLoadFieldsComplete.id);
            break;
          }
          Report(g, rule::kLoadFieldsComplete, [&](const std::string& cap) {
            return fmt::format("{} <{}>, строка {}", rule::kLoadFieldsComplete.message, cap, line_no_);
          });
        }
        fault = true;
        break;
      }
      if (!ReadField(row, f, raw)) fault = true;
    }
    if (fault) {
      KeepIfAnySet(table_, row);
      return row;
    }
    if (!rest.empty()) {
      Report(-1, rule::kLoadLineEnded,
             [&](const std::string&) { return fmt::format("{} Строка {}", rule::kLoadLineEnded.message, line_no_); });
      KeepIfAnySet(table_, row);
    }
    return row;
  }

  // Decodes and stores field `f`; false when it was faulty.
  bool ReadField(RowId row, int f, std::string_view raw) {
    const bool ascii = IsAscii(raw);
    std::string_view text = raw;
    if (!ascii) {
      decoded_.clear();
      AppendCp1251AsUtf8(raw, decoded_);
      text = decoded_;
    }
    const FieldDef& field = table_.field(f);
    if (f == ctx_.pack) pack_.Set(QuotedText(field, text), data_);
    if (f == ctx_.declaration) declaration_.Set(QuotedText(field, text), data_);
    if (f == ctx_.name) name_.Set(QuotedText(field, text), data_);
    bool ok = true;
    if (field.type == FieldType::Date && !text.empty() && (ascii ? text.size() : Utf8Length(text)) != 10) {
      Report(
          f, rule::kLoadDateFormatValid,
          [&](const std::string& cap) { return FieldFaultText(rule::kLoadDateFormatValid, cap); }, text);
      ok = false;
    }
    if (table_.Store(row, f, text) == StoreResult::Failed) {
      Report(
          f, rule::kLoadDataTypeValid,
          [&](const std::string& cap) { return FieldFaultText(rule::kLoadDataTypeValid, cap); }, text);
      ok = false;
    }
    // What the table could not keep stays visible as it stood in the file.
    if (!ok) table_.KeepFileText(row, f, text);
    return ok;
  }

  FindingWriter& checks_;
  Table& table_;
  const FileBytes& file_;
  const std::string_view data_;
  const std::size_t begin_;  // where data_ starts in the file
  std::size_t released_;     // the file's pages given back: see FileBytes::Release
  const std::string file_name_;
  const std::vector<std::string>& captions_;
  const ContextFields ctx_;
  const int field_count_;
  const int lines_before_;
  int line_no_;
  bool first_kept_ = false;   // the first line kept its row
  bool first_known_ = false;  // first_line_ holds the first line
  std::string first_line_;
  ContextText pack_, declaration_, name_;
  std::string decoded_;
  std::string last_line_;
  RowId last_row_ = kNoRow;
  std::size_t last_faults_ = 0;   // faults of the last line read in full
  bool last_kept_ = false;        // the last line read kept its row
  bool last_line_known_ = false;  // last_line_ holds the last line read
};

}  // namespace

namespace {

// Where the parts of `data` start, each at a line's start, and its end: at
// most `split.threads` parts of `split.min_part_bytes` or more.
std::vector<std::size_t> PartBounds(std::string_view data, const LoadSplit& split) {
  std::vector<std::size_t> bounds{0};
  const std::size_t min_part = std::max<std::size_t>(split.min_part_bytes, 1);
  const std::size_t parts = std::min(split.threads, data.size() / min_part);
  for (std::size_t i = 1; i < parts; ++i) {
    const std::size_t target = std::max(data.size() / parts * i, bounds.back() + min_part);
    if (target >= data.size()) break;
    const std::size_t lf = data.find('\n', target - 1);
    if (lf == std::string_view::npos || lf + 1 >= data.size()) break;
    bounds.push_back(lf + 1);
  }
  bounds.push_back(data.size());
  return bounds;
}

// The last line before byte `at`, a line's start after a line feed, as
// ForEachLine gives it.
std::string LineBefore(std::string_view data, std::size_t at) {
  const std::size_t end = at - 1;  // the line feed
  const std::size_t lf = end == 0 ? std::string_view::npos : data.rfind('\n', end - 1);
  const std::size_t start = lf == std::string_view::npos ? 0 : lf + 1;
  std::string line;
  ForEachLine(data.substr(start, end - start), [&](std::string_view text, std::size_t) { line.assign(text); });
  return line;
}

// One part of a file read on a thread of its own, into a table and a
// protocol buffer of its own.
struct FilePart {
  std::size_t begin = 0;
  std::size_t end = 0;
  Protocol buffer;
  std::optional<FindingWriter> writer;
  std::optional<Table> table;
  std::optional<PackageFileReader> reader;
  std::exception_ptr error;
};

// Reads the parts of `file` between `bounds` side by side, then joins them
// in file order: the rows into `table`, the lines into the protocol, so
// that both read exactly as if the file had been read in one piece.
void ReadInParts(FindingWriter& checks, FileKind kind, Table& table, const FileBytes& file,
                 const std::vector<std::size_t>& bounds) {
  const std::string_view data = file.view();
  Protocol& protocol = checks.protocol();
  const std::size_t n = bounds.size() - 1;
  std::vector<FilePart> parts(n);
  // As for passes side by side: a buffer counts as full once it and those
  // before it keep what the protocol still takes.
  std::vector<std::atomic<std::size_t>> kept(n);
  std::vector<std::atomic<bool>> done(n);
  for (std::size_t i = 0; i < n; ++i) {
    FilePart& part = parts[i];
    part.begin = bounds[i];
    part.end = bounds[i + 1];
    part.buffer = protocol.Buffer();
    part.buffer.ShareKeptCount(&kept[i], kept.data(), i, done.data());
  }
  // The whole file's text fits in the first table without moving.
  table.ReserveText(data.size());
  const auto read = [&](std::size_t i) noexcept {
    FilePart& part = parts[i];
    try {
      FindingWriter& writer = part.writer.emplace(part.buffer, checks.profile(), checks.today());
      Table& into = i == 0 ? table : part.table.emplace(table.name(), table.fields());
      const auto lines_before = static_cast<int>(std::count(data.data(), data.data() + part.begin, '\n'));
      part.reader.emplace(writer, kind, into, file, part.begin, part.end, lines_before).Read();
    } catch (...) {
      part.error = std::current_exception();
    }
    done[i].store(true, std::memory_order_release);
    done[i].notify_all();
  };
  std::vector<std::thread> pool;
  pool.reserve(n - 1);
  std::size_t started = 1;
  for (; started < n; ++started) {
    try {
      pool.emplace_back(read, started);
    } catch (const std::system_error&) {
      break;  // no thread to be had: this one reads the rest
    }
  }
  read(0);
  for (std::size_t i = started; i < n; ++i) read(i);
  for (std::thread& t : pool) t.join();

  for (std::size_t i = 0; i < n; ++i) {
    FilePart& part = parts[i];
    protocol.Append(std::move(part.buffer));
    if (part.writer) checks.context = part.writer->context;
    if (part.error) std::rethrow_exception(part.error);
    if (i == 0) continue;
    const std::size_t first = table.size();
    const bool repeat = parts[i - 1].reader->LastKept() && part.reader->StartsWithRepeat(LineBefore(data, part.begin));
    table.Append(std::move(*part.table));
    if (repeat) table.MarkRepeat(static_cast<RowId>(first));
    part.table.reset();
  }
}

}  // namespace

void LoadPackageFile(FindingWriter& checks, const std::string& path, FileKind kind, Table& table,
                     const LoadSplit& split) {
  table.Clear();
  std::optional<std::string> actual = FindFileNoCase(path);
  if (!actual) {
    Fault(checks, fmt::format("{} {}", rule::kLoadFilePresent.message, ShownPath(path)), rule::kLoadFilePresent, "",
          BaseName(path), 0);
    return;
  }
  FileBytes file(*actual);
  checks.protocol().Add("fisierul " + ShownPath(path));
  const std::vector<std::size_t> bounds = PartBounds(file.view(), split);
  if (bounds.size() <= 2) {
    PackageFileReader(checks, kind, table, file).Read();
    return;
  }
  ReadInParts(checks, kind, table, file, bounds);
}

}  // namespace zentrox
