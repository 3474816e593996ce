// The memory of a table's columns: zero-filled buffers, mapped of their own
// from 1 MiB on, and the column that grows, narrows or leaves its palette.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "engine/table.h"

namespace zentrox {

namespace {

// From this size on a buffer is an anonymous mapping of its own.
constexpr std::size_t kMappedBytes = std::size_t{1} << 20;

std::size_t PageSize() {
  static const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  return page;
}

}  // namespace

void Table::ZeroBuffer::Free() {
  if (data_ == nullptr) return;
  if (mapped_) {
    ::munmap(data_, capacity_);
  } else {
    std::free(data_);
  }
  data_ = nullptr;
  capacity_ = 0;
  mapped_ = false;
}

void Table::ZeroBuffer::Grow(std::size_t bytes, std::size_t used) {
  if (bytes <= capacity_) return;
  if (bytes < kMappedBytes) {
    void* p = std::calloc(bytes, 1);
    if (p == nullptr) throw std::bad_alloc();
    if (used > 0) std::memcpy(p, data_, used);
    Free();
    data_ = static_cast<char*>(p);
    capacity_ = bytes;
    return;
  }
  const std::size_t page = PageSize();
  bytes = (bytes + page - 1) / page * page;
  if (mapped_) {
    // The pages move with their contents; the part added reads as zero.
    void* p = ::mremap(data_, capacity_, bytes, MREMAP_MAYMOVE);
    if (p == MAP_FAILED) throw std::bad_alloc();
    data_ = static_cast<char*>(p);
    capacity_ = bytes;
    return;
  }
  void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  if (used > 0) std::memcpy(p, data_, used);
  Free();
  data_ = static_cast<char*>(p);
  capacity_ = bytes;
  mapped_ = true;
}

void Table::ZeroBuffer::Prefault(std::size_t from, std::size_t to) const {
  if (!mapped_) return;
  to = std::min(to, capacity_);
  const std::size_t page = PageSize();
  from = from / page * page;
  to = (to + page - 1) / page * page;
  // Kernels before 5.14 lack the advice: the pages then come as written.
  if (to > from) ::madvise(data_ + from, to - from, MADV_POPULATE_WRITE);
}

void Table::ZeroBuffer::CopyFrom(const ZeroBuffer& other, std::size_t used) {
  Free();
  if (used == 0) return;
  Grow(used, 0);
  std::memcpy(data_, other.data_, used);
}

Table::Column::Column(const Column& other)
    : type(other.type),
      length(other.length),
      capacity(other.length),
      pick_width(other.pick_width),
      palette(other.palette),
      values(other.values),
      value_slots(other.value_slots),
      small(other.small) {
  bits.buffer.CopyFrom(other.bits.buffer, BitBytes(length));
  if (other.pick.buffer.data() != nullptr) pick.buffer.CopyFrom(other.pick.buffer, length * pick_width);
  if (other.ints.buffer.data() != nullptr) ints.buffer.CopyFrom(other.ints.buffer, length * sizeof(std::int32_t));
  if (other.texts.buffer.data() != nullptr) texts.buffer.CopyFrom(other.texts.buffer, length * sizeof(TextRef));
}

Table::Column& Table::Column::operator=(const Column& other) {
  if (this != &other) *this = Column(other);
  return *this;
}

void Table::Column::Grow(std::size_t rows) {
  if (rows <= capacity) return;
  rows = std::max({rows, capacity * 2, std::size_t{16}});
  bits.buffer.Grow(BitBytes(rows), BitBytes(length));
  if (InPalette() || SmallInts()) pick.buffer.Grow(rows * pick_width, length * pick_width);
  switch (type) {
    case FieldType::Integer:
      if (small) break;
      [[fallthrough]];
    case FieldType::Date: ints.buffer.Grow(rows * sizeof(std::int32_t), length * sizeof(std::int32_t)); break;
    case FieldType::Float:
      if (palette) break;
      texts.buffer.Grow(rows * sizeof(TextRef), length * sizeof(TextRef));
      break;
    case FieldType::String: texts.buffer.Grow(rows * sizeof(TextRef), length * sizeof(TextRef)); break;
  }
  capacity = rows;
}

void Table::Column::MakeReady(std::size_t row) {
  // Rows a stretch holds; a stretch of 8-byte texts is 32 pages.
  constexpr std::size_t kStretch = 16384;
  const std::size_t from = ready;
  ready = std::min(row / kStretch * kStretch + kStretch, capacity);
  if (row < kStretch) return;  // small columns fill as they go
  // Most of the rows before the stretch hold a value.
  std::size_t set = 0;
  const std::size_t first_word = (row - kStretch) / 64;
  for (std::size_t w = first_word; w < row / 64; ++w) set += static_cast<std::size_t>(std::popcount(bits[w]));
  if (set * 2 < kStretch) return;
  Prefault(std::max(from, row), ready);
}

void Table::Column::Prefault(std::size_t from, std::size_t to) const {
  if (to <= from) return;
  bits.buffer.Prefault(from / 8, (to + 7) / 8);
  if (pick.buffer.data() != nullptr) pick.buffer.Prefault(from * pick_width, to * pick_width);
  if (ints.buffer.data() != nullptr) ints.buffer.Prefault(from * sizeof(std::int32_t), to * sizeof(std::int32_t));
  if (texts.buffer.data() != nullptr) texts.buffer.Prefault(from * sizeof(TextRef), to * sizeof(TextRef));
}

void Table::Column::LeavePalette() {
  if (!palette) return;
  palette = false;
  if (capacity > 0) texts.buffer.Grow(capacity * sizeof(TextRef), 0);
  // A row with no pick yet (one a table being appended has just reserved)
  // gets its text from the caller.
  for (std::size_t r = 0; r < length; ++r) {
    if (Has(r) && PickAt(r) != 0) texts[r] = values[PickAt(r) - 1u].text;
  }
  values = {};
  value_slots = {};
  pick.buffer = ZeroBuffer();
  pick_width = 1;
}

void Table::Column::WidenInts() {
  if (!SmallInts()) return;
  small = false;
  if (capacity > 0) ints.buffer.Grow(capacity * sizeof(std::int32_t), 0);
  for (std::size_t r = 0; r < length; ++r) ints[r] = pick[r];
  pick.buffer = ZeroBuffer();
}

void Table::Column::WidenPicks() {
  if (pick_width == 2) return;
  ZeroArray<std::uint8_t> wide;
  if (capacity > 0) wide.buffer.Grow(capacity * 2, 0);
  for (std::size_t r = 0; r < length; ++r) {
    const auto v = static_cast<std::uint16_t>(pick[r]);
    std::memcpy(&wide[r * 2], &v, 2);
  }
  pick = std::move(wide);
  pick_width = 2;
}

void Table::Column::Truncate(std::size_t rows) {
  if (rows >= length) return;
  // Only set rows carry values (an empty field's value is zero); pages of
  // rows never set are left untouched.
  for (std::size_t r = rows; r < length; ++r) {
    if (!Has(r)) continue;
    MarkEmpty(r);
    if (pick.buffer.data() != nullptr) SetPick(r, 0);
    if (ints.buffer.data() != nullptr) ints[r] = 0;
    if (texts.buffer.data() != nullptr) texts[r] = TextRef();
  }
  length = rows;
}

std::size_t Table::Column::Bytes() const {
  std::size_t per_row = 0;
  switch (type) {
    case FieldType::Integer: per_row += small ? 1 : sizeof(std::int32_t); break;
    case FieldType::Date: per_row += sizeof(std::int32_t); break;
    case FieldType::Float: per_row += palette ? pick_width : sizeof(TextRef); break;
    case FieldType::String: per_row += sizeof(TextRef); break;
  }
  return capacity * per_row + BitBytes(capacity);
}

}  // namespace zentrox
