// Typed in-memory tables.
//
// A table is an ordered set of rows of typed fields, stored by column. Every
// field has an explicit empty state: an empty field reads as "" (text), 0
// (number) or the empty date (day 0). Rows keep file order; passes that need
// another order ask for a sorted row vector (`Table::Order`) and links to
// other tables go through a `Lookup`, a sorted index whose groups of equal
// keys are found through a hash table, so no pass ever scans a table once
// per row. The orders passes share, the value ranks they are sorted by and
// the lookups' indexes are kept apart from the table, in a TableIndexes
// (engine/table_indexes.h): a table holds its rows and nothing derived from
// them, so a const table is read alike by any number of threads.
//
// A column holds only the rows up to the last one that set it, and its
// storage grows with zero-filled memory that is never written until a value
// lands there: rows without values (a file of empty lines, of lines that end
// after their first field) cost no memory in the columns they leave empty.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/date.h"
#include "engine/number_parse.h"

namespace zentrox {

enum class FieldType : std::uint8_t { Integer, Float, Date, String };

struct FieldDef {
  std::string name;
  FieldType type = FieldType::String;
  int size = 0;  // maximum characters of a string field
};

// The part of a UTF-8 text that a field keeps: a string field with a size
// keeps its first `size` characters, any other field the whole text.
std::string_view CutToFieldSize(const FieldDef& field, std::string_view utf8_text);

using RowId = std::uint32_t;
inline constexpr RowId kNoRow = 0xFFFFFFFFu;

// How a text converts into a field; see Table::Store.
enum class StoreResult { Stored, Empty, Failed };

class Table {
 public:
  Table(std::string name, std::vector<FieldDef> fields);

  const std::string& name() const { return name_; }
  const std::vector<FieldDef>& fields() const { return fields_; }
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  int FieldIndex(std::string_view name) const;  // -1 when unknown
  const FieldDef& field(int f) const { return fields_[static_cast<std::size_t>(f)]; }

  std::size_t size() const { return rows_; }
  bool empty() const { return rows_ == 0; }
  void Clear();
  // Room for `rows` rows in every column, claimed as address space only:
  // memory is taken when values are stored.
  void Reserve(std::size_t rows);
  // Bytes the columns have room for: address space, of which only the pages
  // where values were stored take memory. Rows without values add nothing.
  std::size_t ColumnBytes() const;

  // Appends a row with every field empty and returns its id.
  RowId AppendRow();
  // Appends the rows of `other`, a table of the same fields (the later part
  // of a file read on its own), after this table's rows, as if each had
  // been appended and stored here: values, source lines, repeat marks and
  // kept file texts (up to kMaxKeptFileTexts in all). Leaves `other` empty.
  void Append(Table&& other);
  // Removes the last row (a row of a faulty line none of whose fields converted).
  void DropLastRow();

  // Converts `text` by the field's type and stores it in the row. An empty
  // text leaves the field empty (StoreResult::Empty); a text that does not
  // convert leaves it empty too (StoreResult::Failed). A string longer than
  // the field's size is cut to the size. A float keeps only its file text,
  // which the finding lines and the rules' text comparisons use; its number
  // is read from that text again (see Number).
  StoreResult Store(RowId row, int f, std::string_view utf8_text);

  // Direct setters, used by the dictionary normalisation and by tests.
  void SetText(RowId row, int f, std::string_view utf8_text);
  void SetInt(RowId row, int f, std::int32_t value);
  void SetDate(RowId row, int f, Date value);
  void SetEmpty(RowId row, int f);

  bool IsEmpty(RowId row, int f) const { return !col(f).Has(row); }

  // Rows known to hold the same values as the row before them (the loader
  // marks a row read from a line equal to the line before it). A pass whose
  // findings are only counted may count such a row's as its predecessor's.
  // Any change of a row forgets the marks it touches.
  void MarkRepeat(RowId row);
  // Appends `count` rows holding the values of the last row, each marked as
  // repeating the row before it, and returns the first.
  RowId AppendRepeats(std::size_t count);
  RowId AppendRepeat() { return AppendRepeats(1); }
  bool Repeats(RowId row) const {
    const std::size_t word = row / 64;
    return word < repeats_.size() && (repeats_[word] >> (row % 64) & 1) != 0;
  }
  // Appends a row holding the values of row `of`, an earlier row, with its
  // kept file texts, and returns it. Up to kMaxCopyDistance rows back the
  // new row is marked as its copy (see CopyOf), not as a repeat.
  static constexpr std::size_t kMaxCopyDistance = 255;
  RowId AppendCopy(RowId of);
  // The earlier row known to hold the same values as `row`: the row before
  // it when `row` repeats it, else the row it was appended as a copy of;
  // kNoRow when none is known. As with repeats, a pass whose findings are
  // only counted may count the row's as that row's, and any change of
  // either row forgets the mark.
  RowId CopyOf(RowId row) const {
    if (Repeats(row)) return row - 1;
    if (row >= copies_.size() || copies_[row] == 0) return kNoRow;
    return row - copies_[row];
  }
  // The first row from `row` on that is not marked as a repeat (size() when
  // there is none), found a word of marks at a time.
  std::size_t NextUnrepeated(RowId row) const;
  bool AnySet(RowId row) const;
  // Whether every row holds the same value in field `f`, empty included,
  // read from the rows (TableIndexes reads it from the ranks it keeps).
  bool OneValueThroughout(int f) const { return ScanOneValue(f); }

  // Readers. `Int` of a float field truncates toward zero; `Number` of a date
  // is its serial day. `Number` of a float reads its text as ParseDouble does
  // (most amounts take the short path there: digits, a "." and digits), so
  // a float costs no more memory per row than a text.
  std::int32_t Int(RowId row, int f) const {
    const Column& c = col(f);
    if (!c.Has(row)) return 0;
    if (c.type == FieldType::Integer || c.type == FieldType::Date) return c.IntAt(row);
    return IntOfOther(row, f);
  }
  double Number(RowId row, int f) const {
    const Column& c = col(f);
    if (!c.Has(row)) return 0;
    if (c.type == FieldType::Float) return c.palette ? c.values[c.PickAt(row) - 1].real : NumberOfFloat(c.texts[row]);
    if (c.type != FieldType::String) return c.IntAt(row);
    return NumberOfText(row, f);
  }
  Date DateValue(RowId row, int f) const {
    const Column& c = col(f);
    if (!c.Has(row) || c.type != FieldType::Date) return Date();
    return Date::FromSerial(c.ints[row]);
  }
  // The field's text: a string as stored, a float as it stood in the file, an
  // integer in decimal ("0" for a stored 0), a date as dd.mm.yyyy; "" when empty.
  std::string Text(RowId row, int f) const;
  // The stored text of a string or float field without a copy.
  std::string_view View(RowId row, int f) const {
    const Column& c = col(f);
    if (!c.Has(row) || (c.type != FieldType::String && c.type != FieldType::Float)) return {};
    return ViewOf(c.type == FieldType::Float && c.palette ? c.values[c.PickAt(row) - 1].text : c.texts[row]);
  }

  // Row ids in ascending order of the key fields, stable: rows with equal keys
  // keep file order. Numeric fields compare as numbers, strings as texts;
  // empty keys sort first. Nothing is kept: orders and ranks shared between
  // passes come from a TableIndexes.
  std::vector<RowId> Order(std::span<const int> keys) const;
  std::vector<RowId> Order(std::initializer_list<int> keys) const {
    return Order(std::span<const int>(keys.begin(), keys.size()));
  }

  // Compares one cell with another table's cell for ordering: <0, 0, >0.
  int CompareCells(RowId a, int fa, const Table& other, RowId b, int fb) const;

  // Reserves room for the text of string and float fields, in bytes.
  void ReserveText(std::size_t bytes) { chars_.reserve(bytes); }

  // Where the rows came from, for findings that name a record: the package
  // file's name and each row's 1-based line in it (0: not from a file).
  // Lines left out of the table (dropped rows) leave no gap in the rows.
  void SetSourceFile(std::string file) { source_file_ = std::move(file); }
  const std::string& source_file() const { return source_file_; }
  // Rows are given their lines in ascending order; setting a row's line
  // again (a dropped row's id appended anew) forgets the lines of the rows
  // after it.
  void SetSourceLine(RowId row, std::uint32_t line);
  // Rows [row, row + count) come from lines [line, line + count).
  void SetSourceLines(RowId row, std::uint32_t line, std::size_t count);
  std::uint32_t SourceLine(RowId row) const;
  // The row that came from 1-based line `line`, or kNoRow (a line left out
  // of the table, or past its end).
  RowId RowAtLine(std::uint32_t line) const;

  // The captions a finding names the fields by ("7.Дата рождения"), in field
  // order; the table does not own them. None: Caption gives "".
  void SetCaptions(const std::vector<std::string>* captions) { captions_ = captions; }
  std::string_view Caption(int f) const;
  int CaptionIndex(std::string_view caption) const;  // -1 when none matches

  // The file text of a cell that did not convert (a date "31.02.1990", an
  // amount "12100,00"): the table keeps the field empty, yet a finding and
  // the record view show what stood in the file. Texts are cut to
  // kKeptFileTextChars characters; past kMaxKeptFileTexts cells none is
  // kept, so a file of nothing but faulty cells costs bounded memory.
  static constexpr std::size_t kKeptFileTextChars = 64;
  static constexpr std::size_t kMaxKeptFileTexts = 100000;
  void KeepFileText(RowId row, int f, std::string_view utf8_text);
  // The cell as it stood in the file: the kept text of a cell that did not
  // convert, else Text().
  std::string FileText(RowId row, int f) const;
  // True when the cell's file text was kept because it did not convert.
  bool HasKeptFileText(RowId row, int f) const;
  // Bytes that keep the source lines.
  std::size_t SourceLineBytes() const { return line_runs_.capacity() * sizeof(LineRun); }

 private:
  friend class Lookup;
  friend class TableIndexes;
  // What a TableIndexes derives from one table's rows (engine/table_order.cpp).
  struct Cache;
  // A text of up to 7 bytes is kept in the reference itself (its last byte
  // holds 0x80 and the length), and so is a text of 8 bytes whose last byte
  // is a digit (a number or amount of eight characters); a longer one is in
  // the arena. Most keys, codes and amounts are that short, so reading them
  // touches no arena, and a file of numbers costs no arena at all.
  union TextRef {
    struct {
      std::uint32_t offset;
      std::uint32_t length;  // below kMaxArenaText: its top byte is no digit, nor has its top bit
    } arena;
    char bytes[8];
    TextRef() : arena{0, 0} {}
    bool IsInline() const { return (static_cast<unsigned char>(bytes[7]) & 0x80) != 0; }
    bool IsInlineEight() const { return bytes[7] >= '0' && bytes[7] <= '9'; }
  };
  static_assert(sizeof(TextRef) == 8);
  // An arena text this long or longer (hundreds of megabytes) would read as
  // inline: its reference names its place in long_texts_ instead.
  static constexpr std::uint32_t kMaxArenaText = 0x30000000;
  static constexpr std::uint32_t kLongText = 0x7FFFFFFF;
  std::string_view ViewOf(const TextRef& r) const {
    if (r.IsInline()) return std::string_view(r.bytes, r.bytes[7] & 0x7F);
    if (r.IsInlineEight()) return std::string_view(r.bytes, sizeof r.bytes);
    if (r.arena.length == kLongText) {
      const auto& [offset, length] = long_texts_[r.arena.offset];
      return std::string_view(chars_.data() + offset, length);
    }
    return std::string_view(chars_.data() + r.arena.offset, r.arena.length);
  }
  // Bytes that read as zero until written. Small buffers live on the heap;
  // large ones are anonymous mappings that grow in place or move without a
  // copy, so growing never writes the new part: the system hands out a page
  // only when a value is stored in it. Bytes a caller stops using must be
  // zeroed again by the caller.
  class ZeroBuffer {
   public:
    ZeroBuffer() = default;
    ZeroBuffer(const ZeroBuffer&) = delete;
    ZeroBuffer& operator=(const ZeroBuffer&) = delete;
    ZeroBuffer(ZeroBuffer&& other) noexcept { Swap(other); }
    ZeroBuffer& operator=(ZeroBuffer&& other) noexcept {
      ZeroBuffer gone;
      gone.Swap(other);
      Swap(gone);
      return *this;
    }
    ~ZeroBuffer() { Free(); }
    // Makes at least `bytes` bytes usable, keeping the first `used` ones.
    void Grow(std::size_t bytes, std::size_t used);
    // A copy of the first `used` bytes of `other`.
    void CopyFrom(const ZeroBuffer& other, std::size_t used);
    // Hands out the memory of bytes [from, to) now, in one call, for bytes
    // about to be written: a page written first takes a fault of its own,
    // which costs several times more.
    void Prefault(std::size_t from, std::size_t to) const;
    char* data() const { return data_; }
    std::size_t capacity() const { return capacity_; }

   private:
    void Free();
    void Swap(ZeroBuffer& other) noexcept {
      std::swap(data_, other.data_);
      std::swap(capacity_, other.capacity_);
      std::swap(mapped_, other.mapped_);
    }
    char* data_ = nullptr;
    std::size_t capacity_ = 0;
    bool mapped_ = false;
  };
  template <typename T>
  struct ZeroArray {
    ZeroBuffer buffer;
    T& operator[](std::size_t i) { return reinterpret_cast<T*>(buffer.data())[i]; }
    const T& operator[](std::size_t i) const { return reinterpret_cast<const T*>(buffer.data())[i]; }
  };
  // A float field's number and file text, kept once for the rows that share them.
  struct FloatValue {
    double real = 0;
    TextRef text;
  };
  // A float column holds its distinct values (number and text) in a palette
  // while no more than kPaletteSize have been stored: a row keeps 1 + the
  // index of its value, in one byte while there are at most 255 values and
  // in two beyond, and nothing else is written per row, so a column of few
  // values repeated (a file of lines that end after their first field)
  // costs one or two bytes per row instead of eight; so do a large package's
  // pack numbers (6,000 packs). The first value beyond the palette moves the
  // column to a text per row: a palette larger than the caches would make
  // storing an amount slower than keeping its text. Past kPaletteOfAny
  // values, the palette grows only while the rows repeat its values eight
  // times over: a column of amounts, a new value on most rows, leaves it
  // there rather than filling it first.
  static constexpr std::size_t kPaletteSize = 16384;
  static constexpr std::size_t kPaletteOfAny = 4096;
  struct Column {
    FieldType type = FieldType::String;
    // Rows held: [0, length); a later row is empty in this column.
    std::size_t length = 0;
    std::size_t capacity = 0;
    // A bit per row: set when the row holds a value. A bit, not a byte: most
    // columns need nothing else to tell an empty field.
    ZeroArray<std::uint64_t> bits;
    // Float, while in the palette: 1 + the index of the row's value, in
    // `pick_width` bytes.
    ZeroArray<std::uint8_t> pick;
    std::size_t pick_width = 1;
    ZeroArray<std::int32_t> ints;  // Integer and Date
    ZeroArray<TextRef> texts;      // String, and Float once out of the palette
    // Float: the rows' values are in `values` (read only for float columns).
    bool palette = true;
    std::vector<FloatValue> values;
    // Beyond a few values, the palette's values by the hash of their texts:
    // 1 + the index, 0 for a free slot.
    std::vector<std::uint16_t> value_slots;

    Column() = default;
    Column(const Column& other);
    Column& operator=(const Column& other);
    Column(Column&&) noexcept = default;
    Column& operator=(Column&&) noexcept = default;

    bool Has(std::size_t row) const { return row < length && (bits[row / 64] >> (row % 64) & 1) != 0; }
    void MarkSet(std::size_t row) { bits[row / 64] |= std::uint64_t{1} << (row % 64); }
    void MarkEmpty(std::size_t row) { bits[row / 64] &= ~(std::uint64_t{1} << (row % 64)); }
    bool InPalette() const { return type == FieldType::Float && palette; }
    // An integer column keeps its values a byte a row, in `pick`, while
    // every one is from 0 to 255 (a month, a count of days, a code): the
    // first value beyond moves the column to `ints`.
    bool small = true;
    bool SmallInts() const { return type == FieldType::Integer && small; }
    // The row's value, of an integer or date column.
    std::int32_t IntAt(std::size_t row) const { return SmallInts() ? std::int32_t{pick[row]} : ints[row]; }
    void SetIntAt(std::size_t row, std::int32_t value) {
      if (SmallInts()) {
        pick[row] = static_cast<std::uint8_t>(value);
      } else {
        ints[row] = value;
      }
    }
    static bool FitsSmall(std::int32_t value) { return value >= 0 && value <= 255; }
    // Moves an integer column of small values to four bytes a row.
    void WidenInts();
    // The row's pick, in its palette: 1 + the index of its value, 0 when empty.
    std::size_t PickAt(std::size_t row) const {
      if (pick_width == 1) return pick[row];
      std::uint16_t v;
      std::memcpy(&v, &pick[row * 2], 2);
      return v;
    }
    void SetPick(std::size_t row, std::size_t value) {
      if (pick_width == 1) {
        pick[row] = static_cast<std::uint8_t>(value);
      } else {
        const auto v = static_cast<std::uint16_t>(value);
        std::memcpy(&pick[row * 2], &v, 2);
      }
    }
    // Two bytes per pick from the 256th value on.
    void WidenPicks();
    static std::size_t BitBytes(std::size_t rows) { return (rows + 63) / 64 * sizeof(std::uint64_t); }
    // Makes room for rows up to `rows` (capacity only).
    void Grow(std::size_t rows);
    // Extends the column to hold `row`; the rows added are empty.
    void Hold(std::size_t row) {
      if (row < length) return;
      if (row >= capacity) Grow(row + 1);
      length = row + 1;
      if (row >= ready) MakeReady(row);
    }
    // Rows [0, ready) have their memory handed out already, or are not to be
    // handed out ahead: see MakeReady.
    std::size_t ready = 0;
    // Rows are stored one after another: once a column holds a value in most
    // rows, the memory of the rows ahead is handed out a stretch at a time
    // rather than a page at a time as values land (ZeroBuffer::Prefault).
    // A column of few values takes nothing ahead.
    void MakeReady(std::size_t row);
    // The memory of rows [from, to) now, in every buffer of the column.
    void Prefault(std::size_t from, std::size_t to) const;
    // Empties the rows from `rows` on and stops holding them.
    void Truncate(std::size_t rows);
    // Moves a float column out of its palette: a text per row.
    void LeavePalette();
    std::size_t Bytes() const;
  };

  const Column& col(int f) const { return columns_[static_cast<std::size_t>(f)]; }
  Column& col(int f) { return columns_[static_cast<std::size_t>(f)]; }
  TextRef Intern(std::string_view text);
  std::int32_t IntOfOther(RowId row, int f) const;
  double NumberOfText(RowId row, int f) const;
  // The number of a float text that converted when it was stored: an
  // amount of up to 8 bytes is read from the reference or the arena as one
  // word (see ReadShortDecimal); any other text by ParseDouble.
  double NumberOfFloat(const TextRef& ref) const {
    std::uint64_t word = 0;
    std::size_t size = 0;
    if (ref.IsInline()) {
      std::memcpy(&word, ref.bytes, sizeof word);
      size = static_cast<std::size_t>(ref.bytes[7] & 0x7F);
    } else if (ref.IsInlineEight()) {
      std::memcpy(&word, ref.bytes, sizeof word);
      size = sizeof word;
    } else if (ref.arena.length == sizeof word) {  // shorter texts are inline
      size = sizeof word;
      std::memcpy(&word, chars_.data() + ref.arena.offset, sizeof word);
    }
    double v = 0;
    if (!ReadShortDecimal(word, size, v)) ParseDouble(ViewOf(ref), v);
    return v;
  }

  // Stores a float from Store: `value` is what ParseDouble read from `text`.
  void SetFloat(RowId row, int f, double value, std::string_view text);
  // The pick of `text` in the palette of `c`, added when new; 0 when the
  // palette is full and holds no such text.
  std::size_t PalettePick(Column& c, double value, std::string_view text);
  // Every change of a row makes what was derived from the rows stale: a
  // TableIndexes derives the table anew when its generation moved.
  void Changed() { ++generation_; }
  void Changed(RowId row) {
    Changed();
    if (!repeats_.empty()) ForgetRepeats(row);
    if (!copies_.empty()) ForgetCopies(row);
    if (row == repeat_row_) repeat_row_ = kNoRow;
  }
  void ForgetRepeats(RowId row);
  // The functions below derive from the rows into `cache`, which the caller
  // (a TableIndexes, or Order for itself) owns.
  // Dense ranks of a field's values: 0 for empty, then 1.. in ascending order
  // of the values; `distinct` receives the number of ranks in use.
  // Computed once per field, under the field's own lock in the cache.
  struct RankArray;
  std::shared_ptr<const RankArray> Ranks(Cache& cache, int f, std::uint32_t& distinct) const;
  // The ranks of field `f` when they are computed already; null otherwise,
  // and while another reader computes them.
  std::shared_ptr<const RankArray> KnownRanks(Cache& cache, int f) const;
  // OneValueThroughout, from the known ranks when there are.
  bool OneValueThroughout(Cache& cache, int f) const;
  // Whether every row holds the same value in field `f` (all empty
  // included), read from the rows: a field that holds more stops the scan
  // at the first row that differs.
  bool ScanOneValue(int f) const;
  std::vector<std::shared_ptr<const RankArray>> RanksOf(Cache& cache, std::span<const int> keys) const;
  // The order by `keys`, kept in the cache when `keep`.
  std::shared_ptr<const std::vector<RowId>> MakeOrder(Cache& cache, std::span<const int> keys, bool keep) const;
  // The rows by the values of float field `f` alone; null when in file order.
  std::shared_ptr<const std::vector<RowId>> OrderByValues(int f) const;
  // Computes the order by `keys`: from a kept order whose keys lead them, or
  // by a sort of the whole table.
  std::shared_ptr<const std::vector<RowId>> SortedOrder(Cache& cache, std::span<const int> keys) const;
  // The strategies SortedOrder chooses from (engine/table_order.cpp).
  std::shared_ptr<const std::vector<RowId>> RefinedOrder(const std::shared_ptr<const std::vector<RowId>>& base,
                                                         const std::vector<std::shared_ptr<const RankArray>>& ordering,
                                                         std::size_t base_keys) const;
  std::shared_ptr<const std::vector<RowId>> OrderByRanks(Cache& cache, std::span<const int> keys) const;
  // The file order, written once into the cache.
  std::shared_ptr<const std::vector<RowId>> FileOrder(Cache& cache) const;

  std::string name_;
  std::vector<FieldDef> fields_;
  std::vector<Column> columns_;
  std::string chars_;                                                // text arena of string and float fields
  std::vector<std::pair<std::uint32_t, std::uint32_t>> long_texts_;  // offset and length
  std::string source_file_;
  // Source lines by runs: rows from `row` on (up to the next run) come from
  // consecutive lines from `line` on (0: from no file). Rows usually follow
  // the lines one to one, so a file is a few runs, not a line per row.
  struct LineRun {
    RowId row;
    std::uint32_t line;
  };
  std::vector<LineRun> line_runs_;
  std::size_t line_rows_ = 0;  // rows [0, line_rows_) have their line set
  const std::vector<std::string>* captions_ = nullptr;
  // Kept file texts in ascending order of (row, field).
  struct KeptText {
    std::uint64_t cell;  // row << 16 | field
    std::string text;
  };
  std::vector<KeptText> kept_texts_;
  const KeptText* FindKept(RowId row, int f) const;
  std::size_t rows_ = 0;
  std::vector<std::uint64_t> repeats_;  // a bit per row: see Repeats
  // A byte per row: how many rows back the row it copies stands, 0 for none
  // (see CopyOf). Empty until a row is marked.
  std::vector<std::uint8_t> copies_;
  void ForgetCopies(RowId row);
  // The fields set in row repeat_row_, the last row AppendRepeat appended.
  RowId repeat_row_ = kNoRow;
  std::vector<int> repeat_fields_;
  // Counts the changes of the rows: what was derived from them holds while
  // it stands still.
  std::uint64_t generation_ = 0;
};

}  // namespace zentrox

// Lookups over tables, and what they and the orders derive, come with them.
#include "engine/lookup.h"
#include "engine/table_indexes.h"
