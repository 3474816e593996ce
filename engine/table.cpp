// A table's rows: appending and dropping them, the text arena, repeated rows,
// and storing, reading and comparing fields. The columns' memory is in
// table_columns.cpp, value ranks in table_ranks.cpp, orders in
// table_order.cpp, lookups in lookup.cpp.
#include "engine/table.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include "engine/number_parse.h"
#include "engine/table_internal.h"
#include "engine/text.h"

namespace zentrox {

using table_internal::CompareNumbers;
using table_internal::CompareTexts;

namespace {

bool IsNumeric(FieldType t) { return t != FieldType::String; }

// The pick of `text` in the palette of column `c` (1 + the index of its
// value), 0 when it holds no such text; `view` reads a value's text. A few
// values are compared in turn, more are found by the hash of their text;
// `slot` is where a new one goes.
template <typename Column, typename View>
std::size_t FindPick(const Column& c, std::string_view text, View view, std::size_t& slot) {
  slot = 0;
  if (c.value_slots.empty()) {
    for (std::size_t i = 0; i < c.values.size(); ++i) {
      if (view(c.values[i].text) == text) return i + 1;
    }
    return 0;
  }
  const std::size_t mask = c.value_slots.size() - 1;
  for (slot = table_internal::HashText(text) & mask; c.value_slots[slot] != 0; slot = (slot + 1) & mask) {
    const std::size_t pick = c.value_slots[slot];
    if (view(c.values[pick - 1].text) == text) return pick;
  }
  return 0;
}

}  // namespace

std::string_view CutToFieldSize(const FieldDef& field, std::string_view text) {
  // Only a text longer in bytes can be longer in characters.
  if (field.type != FieldType::String || field.size <= 0 || text.size() <= static_cast<std::size_t>(field.size)) {
    return text;
  }
  return Utf8Prefix(text, static_cast<std::size_t>(field.size));
}

Table::Table(std::string name, std::vector<FieldDef> fields)
    : name_(std::move(name)), fields_(std::move(fields)), columns_(fields_.size()) {
  for (std::size_t f = 0; f < fields_.size(); ++f) columns_[f].type = fields_[f].type;
}

int Table::FieldIndex(std::string_view name) const {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

void Table::Clear() {
  Changed();
  for (std::size_t f = 0; f < columns_.size(); ++f) {
    columns_[f] = Column{};
    columns_[f].type = fields_[f].type;
  }
  chars_.clear();
  chars_.shrink_to_fit();
  long_texts_ = {};
  source_file_.clear();
  line_runs_ = {};
  line_rows_ = 0;
  rows_ = 0;
  captions_ = nullptr;
  kept_texts_ = {};
  repeats_ = {};
  copies_ = {};
  repeat_row_ = kNoRow;
}

void Table::Reserve(std::size_t rows) {
  for (Column& c : columns_) c.Grow(rows);
}

std::size_t Table::ColumnBytes() const {
  std::size_t bytes = 0;
  for (const Column& c : columns_) bytes += c.Bytes();
  return bytes;
}

// A row is only counted: each column extends to it when a value is stored.
RowId Table::AppendRow() {
  if (rows_ >= kNoRow - 1) throw std::length_error("table " + name_ + " is full");
  Changed();
  return static_cast<RowId>(rows_++);
}

void Table::DropLastRow() {
  if (rows_ == 0) return;
  Changed(static_cast<RowId>(rows_ - 1));
  --rows_;
  for (Column& c : columns_) c.Truncate(rows_);
  while (!kept_texts_.empty() && (kept_texts_.back().cell >> 16) >= rows_) kept_texts_.pop_back();
}

RowId Table::RowAtLine(std::uint32_t line) const {
  if (line == 0) return kNoRow;
  // Runs from a file ascend by line; a run of rows from no file has none.
  for (std::size_t i = line_runs_.size(); i-- > 0;) {
    const LineRun& run = line_runs_[i];
    if (run.line == 0 || run.line > line) continue;
    const std::size_t end = i + 1 < line_runs_.size() ? line_runs_[i + 1].row : line_rows_;
    const std::size_t row = run.row + (line - run.line);
    return row < end && row < rows_ ? static_cast<RowId>(row) : kNoRow;
  }
  return kNoRow;
}

std::string_view Table::Caption(int f) const {
  if (!captions_ || f < 0 || static_cast<std::size_t>(f) >= captions_->size()) return {};
  return (*captions_)[static_cast<std::size_t>(f)];
}

int Table::CaptionIndex(std::string_view caption) const {
  if (!captions_ || caption.empty()) return -1;
  for (std::size_t i = 0; i < captions_->size() && i < fields_.size(); ++i) {
    if ((*captions_)[i] == caption) return static_cast<int>(i);
  }
  return -1;
}

void Table::KeepFileText(RowId row, int f, std::string_view utf8_text) {
  if (kept_texts_.size() >= kMaxKeptFileTexts) return;
  const std::uint64_t cell = std::uint64_t{row} << 16 | static_cast<std::uint16_t>(f);
  std::string text(Utf8Prefix(utf8_text, kKeptFileTextChars));
  if (kept_texts_.empty() || kept_texts_.back().cell < cell) {
    kept_texts_.push_back({cell, std::move(text)});
    return;
  }
  auto at = std::lower_bound(kept_texts_.begin(), kept_texts_.end(), cell,
                             [](const KeptText& k, std::uint64_t c) { return k.cell < c; });
  if (at != kept_texts_.end() && at->cell == cell)
    at->text = std::move(text);
  else
    kept_texts_.insert(at, {cell, std::move(text)});
}

const Table::KeptText* Table::FindKept(RowId row, int f) const {
  const std::uint64_t cell = std::uint64_t{row} << 16 | static_cast<std::uint16_t>(f);
  auto at = std::lower_bound(kept_texts_.begin(), kept_texts_.end(), cell,
                             [](const KeptText& k, std::uint64_t c) { return k.cell < c; });
  return at != kept_texts_.end() && at->cell == cell ? &*at : nullptr;
}

bool Table::HasKeptFileText(RowId row, int f) const { return FindKept(row, f) != nullptr; }

std::string Table::FileText(RowId row, int f) const {
  if (const KeptText* kept = FindKept(row, f)) return kept->text;
  return Text(row, f);
}

namespace {

// Sets bits [first, end) of a bit array.
void SetBits(std::uint64_t* words, std::size_t first, std::size_t end) {
  while (first < end && first % 64 != 0) {
    words[first / 64] |= std::uint64_t{1} << (first % 64);
    ++first;
  }
  for (; first + 64 <= end; first += 64) words[first / 64] = ~std::uint64_t{0};
  for (; first < end; ++first) words[first / 64] |= std::uint64_t{1} << (first % 64);
}

}  // namespace

RowId Table::AppendRepeats(std::size_t count) {
  if (count == 0) return kNoRow;
  RowId first = static_cast<RowId>(rows_);
  if (rows_ == 0) {
    AppendRow();  // repeats nothing
    if (--count == 0) return first;
  }
  if (count >= kNoRow - 1 - rows_) throw std::length_error("table " + name_ + " is full");
  const RowId prev = static_cast<RowId>(rows_ - 1);
  const std::size_t begin = rows_;
  const std::size_t end = rows_ + count;
  Changed();
  rows_ = end;
  // The fields set in a row and in the rows repeating it are listed once.
  if (repeat_row_ != prev) {
    repeat_fields_.clear();
    for (std::size_t f = 0; f < columns_.size(); ++f) {
      if (columns_[f].Has(prev)) repeat_fields_.push_back(static_cast<int>(f));
    }
  }
  repeat_row_ = static_cast<RowId>(end - 1);
  for (int f : repeat_fields_) {
    Column& c = col(f);
    c.Hold(end - 1);
    SetBits(&c.bits[0], begin, end);
    if (c.InPalette() || c.SmallInts()) {
      const std::size_t p = c.PickAt(prev);
      if (c.pick_width == 1) {
        std::fill(&c.pick[begin], &c.pick[begin] + count, static_cast<std::uint8_t>(p));
      } else {
        for (std::size_t r = begin; r < end; ++r) c.SetPick(r, p);
      }
    }
    switch (c.type) {
      case FieldType::Integer:
        if (c.small) break;
        [[fallthrough]];
      case FieldType::Date: std::fill(&c.ints[begin], &c.ints[begin] + count, c.ints[prev]); break;
      case FieldType::Float:
        if (c.palette) break;
        std::fill(&c.texts[begin], &c.texts[begin] + count, c.texts[prev]);
        break;
      case FieldType::String: std::fill(&c.texts[begin], &c.texts[begin] + count, c.texts[prev]); break;
    }
  }
  // The file texts of cells that did not convert repeat too.
  std::size_t kept = kept_texts_.size();
  while (kept > 0 && (kept_texts_[kept - 1].cell >> 16) == prev) --kept;
  const std::size_t kept_end = kept_texts_.size();
  for (std::size_t row = begin; row < end && kept < kept_end; ++row) {
    for (std::size_t i = kept; i < kept_end; ++i) {
      KeepFileText(static_cast<RowId>(row), static_cast<int>(kept_texts_[i].cell & 0xFFFF),
                   std::string(kept_texts_[i].text));
    }
  }
  const std::size_t words = (end + 63) / 64;
  if (words > repeats_.size()) repeats_.resize(std::max(words, repeats_.size() * 2), 0);
  SetBits(repeats_.data(), begin, end);
  return first;
}

RowId Table::AppendCopy(RowId of) {
  if (of >= rows_) throw std::out_of_range("table " + name_ + " has no row to copy");
  const RowId row = AppendRow();
  for (Column& c : columns_) {
    if (!c.Has(of)) continue;
    c.Hold(row);
    c.MarkSet(row);
    if (c.InPalette() || c.SmallInts()) {
      c.SetPick(row, c.PickAt(of));
      continue;
    }
    if (c.type == FieldType::Integer || c.type == FieldType::Date) {
      c.ints[row] = c.ints[of];
    } else {
      c.texts[row] = c.texts[of];  // a reference: the text is shared
    }
  }
  const std::uint64_t first = std::uint64_t{of} << 16;
  auto kept = std::lower_bound(kept_texts_.begin(), kept_texts_.end(), first,
                               [](const KeptText& k, std::uint64_t c) { return k.cell < c; });
  std::vector<std::pair<int, std::string>> texts;
  for (; kept != kept_texts_.end() && (kept->cell >> 16) == of; ++kept) {
    texts.emplace_back(static_cast<int>(kept->cell & 0xFFFF), kept->text);
  }
  for (auto& [f, text] : texts) KeepFileText(row, f, text);
  const std::size_t distance = row - of;
  if (distance <= kMaxCopyDistance) {
    if (row >= copies_.size()) copies_.resize(std::max<std::size_t>(row + 1, copies_.size() * 2), 0);
    copies_[row] = static_cast<std::uint8_t>(distance);
  }
  return row;
}

void Table::ForgetCopies(RowId row) {
  // The row's own mark, and the marks of the rows that copy it.
  // Rows are mostly changed as they are appended: the last row has no copy.
  const std::size_t end = std::min({copies_.size(), rows_, static_cast<std::size_t>(row) + kMaxCopyDistance + 1});
  if (row < copies_.size()) copies_[row] = 0;
  for (std::size_t r = static_cast<std::size_t>(row) + 1; r < end; ++r) {
    if (copies_[r] != 0 && r - copies_[r] == row) copies_[r] = 0;
  }
}

void Table::MarkRepeat(RowId row) {
  if (row == 0 || row >= rows_) return;
  const std::size_t word = row / 64;
  if (word >= repeats_.size()) repeats_.resize(std::max(word + 1, repeats_.size() * 2), 0);
  repeats_[word] |= std::uint64_t{1} << (row % 64);
}

std::size_t Table::NextUnrepeated(RowId row) const {
  std::size_t word = row / 64;
  if (word >= repeats_.size()) return row;
  // The marks from `row` on, inverted: the lowest set bit is the answer.
  std::uint64_t open = ~repeats_[word] >> (row % 64);
  if (open != 0) return std::min(rows_, static_cast<std::size_t>(row) + std::countr_zero(open));
  while (++word < repeats_.size() && repeats_[word] == ~std::uint64_t{0}) {
  }
  if (word >= repeats_.size()) return std::min(rows_, word * 64);
  return std::min(rows_, word * 64 + static_cast<std::size_t>(std::countr_zero(~repeats_[word])));
}

void Table::ForgetRepeats(RowId row) {
  for (std::size_t r = row; r <= static_cast<std::size_t>(row) + 1; ++r) {
    if (r / 64 < repeats_.size()) repeats_[r / 64] &= ~(std::uint64_t{1} << (r % 64));
  }
}

void Table::SetSourceLine(RowId row, std::uint32_t line) {
  if (row < line_rows_) {
    while (!line_runs_.empty() && line_runs_.back().row >= row) line_runs_.pop_back();
    line_rows_ = row;
  }
  // Rows skipped read as from no file.
  if (row > line_rows_) line_runs_.push_back({static_cast<RowId>(line_rows_), 0});
  const bool continues = !line_runs_.empty() && line_runs_.back().line != 0 &&
                         line_runs_.back().line + (row - line_runs_.back().row) == line;
  if (!continues) line_runs_.push_back({row, line});
  line_rows_ = static_cast<std::size_t>(row) + 1;
}

void Table::SetSourceLines(RowId row, std::uint32_t line, std::size_t count) {
  if (count == 0) return;
  SetSourceLine(row, line);
  line_rows_ = static_cast<std::size_t>(row) + count;
}

std::uint32_t Table::SourceLine(RowId row) const {
  if (row >= line_rows_) return 0;
  auto next = std::upper_bound(line_runs_.begin(), line_runs_.end(), row,
                               [](RowId r, const LineRun& run) { return r < run.row; });
  const LineRun& run = *(next - 1);
  return run.line == 0 ? 0 : run.line + (row - run.row);
}

bool Table::AnySet(RowId row) const {
  for (const Column& c : columns_) {
    if (c.Has(row)) return true;
  }
  return false;
}

// The inline marks are in the top byte of an arena reference's length.
static_assert(std::endian::native == std::endian::little);

Table::TextRef Table::Intern(std::string_view text) {
  TextRef ref;
  if (text.empty()) return ref;
  if (text.size() <= 7) {
    std::memcpy(ref.bytes, text.data(), text.size());
    ref.bytes[7] = static_cast<char>(0x80 | text.size());
    return ref;
  }
  if (text.size() == 8 && text[7] >= '0' && text[7] <= '9') {
    std::memcpy(ref.bytes, text.data(), 8);
    return ref;
  }
  if (chars_.size() + text.size() > 0xFFFFFFFFu || text.size() >= 0x80000000u) {
    throw std::length_error("table " + name_ + " text is too large");
  }
  ref.arena.offset = static_cast<std::uint32_t>(chars_.size());
  ref.arena.length = static_cast<std::uint32_t>(text.size());
  if (text.size() >= kMaxArenaText) {
    long_texts_.emplace_back(ref.arena.offset, ref.arena.length);
    ref.arena.offset = static_cast<std::uint32_t>(long_texts_.size() - 1);
    ref.arena.length = kLongText;
  }
  chars_.append(text);
  return ref;
}

StoreResult Table::Store(RowId row, int f, std::string_view text) {
  if (text.empty()) {
    SetEmpty(row, f);
    return StoreResult::Empty;
  }
  switch (col(f).type) {
    case FieldType::Integer: {
      std::int32_t v = 0;
      if (!ParseInt32(text, v)) {
        SetEmpty(row, f);
        return StoreResult::Failed;
      }
      SetInt(row, f, v);
      return StoreResult::Stored;
    }
    case FieldType::Float: {
      Column& c = col(f);
      if (c.palette) {
        // A text the palette holds converted when it was first stored.
        std::size_t slot = 0;
        if (const std::size_t pick = FindPick(
                c, text, [&](const TextRef& r) { return ViewOf(r); }, slot)) {
          Changed(row);
          c.Hold(row);
          c.SetPick(row, pick);
          c.MarkSet(row);
          return StoreResult::Stored;
        }
      }
      // Most amounts take the short path; it reads what ParseDouble reads.
      double v = 0;
      std::uint64_t word = 0;
      if (text.size() <= sizeof word) std::memcpy(&word, text.data(), text.size());
      if (!ReadShortDecimal(word, text.size(), v) && !ParseDouble(text, v)) {
        SetEmpty(row, f);
        return StoreResult::Failed;
      }
      SetFloat(row, f, v, text);
      return StoreResult::Stored;
    }
    case FieldType::Date: {
      auto d = ParseDate(text);
      if (!d) {
        SetEmpty(row, f);
        return StoreResult::Failed;
      }
      SetDate(row, f, *d);
      return StoreResult::Stored;
    }
    case FieldType::String: SetText(row, f, text); return StoreResult::Stored;
  }
  return StoreResult::Failed;
}

void Table::SetText(RowId row, int f, std::string_view text) {
  Changed(row);
  Column& c = col(f);
  text = CutToFieldSize(field(f), text);
  if (text.empty()) {
    SetEmpty(row, f);
    return;
  }
  c.Hold(row);
  c.texts[row] = Intern(text);
  c.MarkSet(row);
}

void Table::SetInt(RowId row, int f, std::int32_t value) {
  Changed(row);
  Column& c = col(f);
  c.Hold(row);
  if (c.SmallInts() && !Column::FitsSmall(value)) c.WidenInts();
  c.SetIntAt(row, value);
  c.MarkSet(row);
}

void Table::SetFloat(RowId row, int f, double value, std::string_view text) {
  Changed(row);
  Column& c = col(f);
  c.Hold(row);
  if (c.palette) {
    if (const std::size_t pick = PalettePick(c, value, text)) {
      c.SetPick(row, pick);
      c.MarkSet(row);
      return;
    }
    c.LeavePalette();
  }
  c.texts[row] = Intern(text);
  c.MarkSet(row);
}

std::size_t Table::PalettePick(Column& c, double value, std::string_view text) {
  // One text reads as one number.
  constexpr std::size_t kInTurn = 16;
  std::size_t slot = 0;
  if (const std::size_t pick = FindPick(
          c, text, [&](const TextRef& r) { return ViewOf(r); }, slot))
    return pick;
  if (c.values.size() >= kPaletteSize || (c.values.size() >= kPaletteOfAny && c.values.size() * 8 > c.length)) return 0;
  c.values.push_back(FloatValue{value, Intern(text)});
  const std::size_t pick = c.values.size();
  if (pick == 0x100) c.WidenPicks();
  if (!c.value_slots.empty() && c.values.size() * 2 <= c.value_slots.size()) {
    c.value_slots[slot] = static_cast<std::uint16_t>(pick);
  } else if (c.values.size() >= kInTurn) {
    // (Re)built at twice the values at least: at most half full.
    c.value_slots.assign(std::max<std::size_t>(64, std::bit_ceil(c.values.size() * 2)), 0);
    const std::size_t mask = c.value_slots.size() - 1;
    for (std::size_t i = 0; i < c.values.size(); ++i) {
      std::size_t s = table_internal::HashText(ViewOf(c.values[i].text)) & mask;
      while (c.value_slots[s] != 0) s = (s + 1) & mask;
      c.value_slots[s] = static_cast<std::uint16_t>(i + 1);
    }
  }
  return pick;
}

void Table::SetDate(RowId row, int f, Date value) {
  Changed(row);
  Column& c = col(f);
  c.Hold(row);
  c.ints[row] = value.serial();
  c.MarkSet(row);
}

void Table::SetEmpty(RowId row, int f) {
  Changed(row);
  Column& c = col(f);
  if (!c.Has(row)) return;  // empty already; a row the column does not hold stays so
  c.MarkEmpty(row);
  switch (c.type) {
    case FieldType::Integer:
    case FieldType::Date: c.SetIntAt(row, 0); break;
    case FieldType::Float:
      if (c.palette) {
        c.SetPick(row, 0);
        break;
      }
      c.texts[row] = {};
      break;
    case FieldType::String: c.texts[row] = {}; break;
  }
}

std::int32_t Table::IntOfOther(RowId row, int f) const {
  const Column& c = col(f);
  if (c.type == FieldType::Float) {
    const double v = Number(row, f);
    if (!(v > -2147483648.0 && v < 2147483648.0)) return 0;
    return static_cast<std::int32_t>(std::nearbyint(v));
  }
  std::int32_t v = 0;
  return ParseInt32(View(row, f), v) ? v : 0;
}

double Table::NumberOfText(RowId row, int f) const {
  double v = 0;
  return ParseDouble(View(row, f), v) ? v : 0;
}

std::string Table::Text(RowId row, int f) const {
  const Column& c = col(f);
  if (!c.Has(row)) return {};
  switch (c.type) {
    case FieldType::Integer: return std::to_string(c.IntAt(row));
    case FieldType::Date: return Date::FromSerial(c.ints[row]).ToString();
    case FieldType::Float:
    case FieldType::String: return std::string(View(row, f));
  }
  return {};
}

int Table::CompareCells(RowId a, int fa, const Table& other, RowId b, int fb) const {
  bool ea = IsEmpty(a, fa);
  bool eb = other.IsEmpty(b, fb);
  if (ea || eb) return ea == eb ? 0 : (ea ? -1 : 1);
  if (IsNumeric(field(fa).type) && IsNumeric(other.field(fb).type)) {
    return CompareNumbers(Number(a, fa), other.Number(b, fb));
  }
  if (field(fa).type == FieldType::String && other.field(fb).type == FieldType::String) {
    return CompareTexts(View(a, fa), other.View(b, fb));
  }
  return CompareTexts(Text(a, fa), other.Text(b, fb));
}

}  // namespace zentrox
