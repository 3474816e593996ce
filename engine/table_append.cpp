// Appending one table's rows to another: the parts of a large file read on
// several threads become one table, as if read in one piece.
#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

#include "engine/table.h"

namespace zentrox {

namespace {

// ORs the `bits` of rows [0, rows) into `to` from row `offset` on.
void OrBitsAt(std::uint64_t* to, std::size_t to_words, const std::uint64_t* bits, std::size_t rows,
              std::size_t offset) {
  const std::size_t shift = offset % 64;
  for (std::size_t w = 0; w < (rows + 63) / 64; ++w) {
    const std::uint64_t b = bits[w];
    if (b == 0) continue;
    const std::size_t at = offset / 64 + w;
    to[at] |= b << shift;
    if (shift != 0 && at + 1 < to_words) to[at + 1] |= b >> (64 - shift);
  }
}

}  // namespace

void Table::Append(Table&& other) {
  if (other.rows_ == 0) {
    other.Clear();
    return;
  }
  if (other.rows_ >= kNoRow - 1 - rows_) throw std::length_error("table " + name_ + " is full");
  if (chars_.size() + other.chars_.size() > 0xFFFFFFFFu) {
    throw std::length_error("table " + name_ + " text is too large");
  }
  Changed();
  repeat_row_ = kNoRow;
  const std::size_t offset = rows_;
  rows_ += other.rows_;
  // The other arena follows this one: its references move by its start.
  const auto base = static_cast<std::uint32_t>(chars_.size());
  const auto long_base = static_cast<std::uint32_t>(long_texts_.size());
  chars_.append(other.chars_);
  for (const auto& [at, length] : other.long_texts_) long_texts_.emplace_back(at + base, length);
  const auto moved = [&](TextRef r) {
    if (r.IsInline() || r.IsInlineEight()) return r;
    r.arena.offset += r.arena.length == kLongText ? long_base : base;
    return r;
  };

  for (std::size_t f = 0; f < columns_.size(); ++f) {
    Column& c = columns_[f];
    Column& o = other.columns_[f];
    if (o.length == 0) continue;
    c.Hold(offset + o.length - 1);
    // The rows arrive all at once: where most hold a value, their memory
    // is handed out in one call rather than a page at a time.
    std::size_t set = 0;
    for (std::size_t w = 0; w < (o.length + 63) / 64; ++w) set += static_cast<std::size_t>(std::popcount(o.bits[w]));
    if (set * 2 >= o.length) c.Prefault(offset, offset + o.length);
    OrBitsAt(&c.bits[0], (c.capacity + 63) / 64, &o.bits[0], o.length, offset);
    switch (c.type) {
      case FieldType::Integer:
        if (c.small && o.small) {
          std::memcpy(&c.pick[offset], &o.pick[0], o.length);
          break;
        }
        c.WidenInts();
        for (std::size_t r = 0; r < o.length; ++r) c.ints[offset + r] = o.IntAt(r);
        break;
      case FieldType::Date: std::memcpy(&c.ints[offset], &o.ints[0], o.length * sizeof(std::int32_t)); break;
      case FieldType::String:
        for (std::size_t r = 0; r < o.length; ++r) {
          if (o.Has(r)) c.texts[offset + r] = moved(o.texts[r]);
        }
        break;
      case FieldType::Float: {
        if (c.palette && o.palette) {
          // The other palette's values join this one in their order, as
          // they would have been met reading on.
          std::vector<std::size_t> picks(o.values.size() + 1, 0);
          bool fits = true;
          for (std::size_t i = 0; i < o.values.size() && fits; ++i) {
            picks[i + 1] = PalettePick(c, o.values[i].real, other.ViewOf(o.values[i].text));
            fits = picks[i + 1] != 0;
          }
          if (fits) {
            for (std::size_t r = 0; r < o.length; ++r) {
              if (o.Has(r)) c.SetPick(offset + r, picks[o.PickAt(r)]);
            }
            break;
          }
        }
        c.LeavePalette();
        for (std::size_t r = 0; r < o.length; ++r) {
          if (o.Has(r)) c.texts[offset + r] = moved(o.palette ? o.values[o.PickAt(r) - 1].text : o.texts[r]);
        }
        break;
      }
    }
    o = Column{};  // its memory goes now, before the next column grows
    o.type = c.type;
  }

  if (!other.repeats_.empty()) {
    repeats_.resize(std::max(repeats_.size(), (rows_ + 63) / 64), 0);
    OrBitsAt(repeats_.data(), repeats_.size(), other.repeats_.data(), std::min(other.rows_, other.repeats_.size() * 64),
             offset);
  }
  if (!other.copies_.empty()) {
    // Copies stand within their part, at the same distance here.
    const std::size_t marked = std::min(other.rows_, other.copies_.size());
    copies_.resize(std::max(copies_.size(), offset + marked), 0);
    std::copy(other.copies_.begin(), other.copies_.begin() + static_cast<std::ptrdiff_t>(marked),
              copies_.begin() + static_cast<std::ptrdiff_t>(offset));
  }
  for (std::size_t i = 0; i < other.line_runs_.size(); ++i) {
    const LineRun& run = other.line_runs_[i];
    const std::size_t end = i + 1 < other.line_runs_.size() ? other.line_runs_[i + 1].row : other.line_rows_;
    if (end > run.row) SetSourceLines(static_cast<RowId>(offset + run.row), run.line, end - run.row);
  }
  for (KeptText& k : other.kept_texts_) {
    if (kept_texts_.size() >= kMaxKeptFileTexts) break;
    kept_texts_.push_back({k.cell + (std::uint64_t{offset} << 16), std::move(k.text)});
  }
  other.Clear();
}

}  // namespace zentrox
