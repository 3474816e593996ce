#include "data/table.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "data/text.h"

namespace zentrox {

namespace {

bool IsNumeric(FieldType t) { return t != FieldType::String; }

int CompareNumbers(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }

int CompareTexts(std::string_view a, std::string_view b) {
  int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// 64-bit mixing (the splitmix64 finaliser).
std::uint64_t Mix(std::uint64_t x) {
  x ^= x >> 30;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 27;
  x *= 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// Numbers that compare equal hash equally: -0 is 0.
std::uint64_t HashNumber(double v) {
  if (v == 0) v = 0;
  return Mix(std::bit_cast<std::uint64_t>(v) ^ 0x5851F42D4C957F2Dull);
}

std::uint64_t HashText(std::string_view s) {
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    h = Mix(h ^ w);
  }
  std::uint64_t tail = 0;
  std::memcpy(&tail, s.data() + i, s.size() - i);
  return Mix(h ^ tail ^ 0x2545F4914F6CDD1Dull);
}

constexpr std::uint64_t kEmptyHash = 0x7A5F0D1E3C2B4A69ull;

std::size_t PowerOfTwoAtLeast(std::size_t n) {
  std::size_t c = 16;
  while (c < n) c <<= 1;
  return c;
}

// Stable LSD radix sort of `rows` by `keys` (keys[i] belongs to rows[i]);
// `bits` is the number of significant low bits of the keys.
template <typename Key>
void RadixSort(std::vector<Key>& keys, std::vector<RowId>& rows, int bits) {
  constexpr int kDigit = 11;
  constexpr std::size_t kBuckets = std::size_t{1} << kDigit;
  const std::size_t n = rows.size();
  if (n < 2 || bits == 0) return;
  if (n < 256) {
    std::vector<std::pair<Key, RowId>> pairs(n);
    for (std::size_t i = 0; i < n; ++i) pairs[i] = {keys[i], rows[i]};
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < n; ++i) rows[i] = pairs[i].second;
    return;
  }
  std::vector<Key> keys2;
  std::vector<RowId> rows2;
  std::vector<std::size_t> count(kBuckets);
  for (int shift = 0; shift < bits; shift += kDigit) {
    std::fill(count.begin(), count.end(), 0);
    for (std::size_t i = 0; i < n; ++i) ++count[(keys[i] >> shift) & (kBuckets - 1)];
    // A digit every key shares moves nothing.
    if (count[(keys[0] >> shift) & (kBuckets - 1)] == n) continue;
    if (keys2.empty()) {
      keys2.resize(n);
      rows2.resize(n);
    }
    std::size_t sum = 0;
    for (std::size_t& c : count) {
      std::size_t k = c;
      c = sum;
      sum += k;
    }
    for (std::size_t i = 0; i < n; ++i) {
      std::size_t d = (keys[i] >> shift) & (kBuckets - 1);
      std::size_t to = count[d]++;
      keys2[to] = keys[i];
      rows2[to] = rows[i];
    }
    keys.swap(keys2);
    rows.swap(rows2);
  }
}

// Open-addressing set of the distinct values of one field, giving each a
// provisional id in order of first occurrence.
class DistinctValues {
 public:
  explicit DistinctValues(std::size_t expected) { Grow(PowerOfTwoAtLeast(expected < 1024 ? 64 : 1024)); }

  // Returns the id of the value whose hash is `hash`; `same(row)` tells
  // whether the value of the representative row equals it.
  template <typename Same>
  std::uint32_t IdOf(std::uint64_t hash, RowId row, Same&& same) {
    if ((representatives_.size() + 1) * 2 > slots_.size()) Grow(slots_.size() * 2);
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      Slot& s = slots_[i];
      if (s.id == kFree) {
        s.hash = hash;
        s.id = static_cast<std::uint32_t>(representatives_.size());
        representatives_.push_back(row);
        return s.id;
      }
      if (s.hash == hash && same(representatives_[s.id])) return s.id;
    }
  }
  const std::vector<RowId>& representatives() const { return representatives_; }

 private:
  static constexpr std::uint32_t kFree = 0xFFFFFFFFu;
  struct Slot {
    std::uint64_t hash = 0;
    std::uint32_t id = kFree;
  };
  void Grow(std::size_t size) {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(size, Slot{});
    std::size_t mask = size - 1;
    for (const Slot& s : old) {
      if (s.id == kFree) continue;
      std::size_t i = s.hash & mask;
      while (slots_[i].id != kFree) i = (i + 1) & mask;
      slots_[i] = s;
    }
  }
  std::vector<Slot> slots_;
  std::vector<RowId> representatives_;
};

}  // namespace

// The value ranks of one field, stored in as few bytes per row as the
// number of distinct values allows (most key fields need one or two).
struct Table::RankArray {
  RankArray(const std::vector<std::uint32_t>& ranks, std::uint32_t distinct)
      : width(distinct <= 0x100u ? 1 : distinct <= 0x10000u ? 2 : 4) {
    constant = std::all_of(ranks.begin(), ranks.end(), [&](std::uint32_t r) { return r == ranks.front(); });
    if (constant) {
      // One rank for every row (a field left empty throughout): nothing to store.
      width = 0;
      rank = ranks.empty() ? 0 : ranks.front();
      return;
    }
    bytes.resize(ranks.size() * width);
    for (std::size_t i = 0; i < ranks.size(); ++i) {
      switch (width) {
        case 1: bytes[i] = static_cast<std::uint8_t>(ranks[i]); break;
        case 2: {
          auto v = static_cast<std::uint16_t>(ranks[i]);
          std::memcpy(&bytes[i * 2], &v, 2);
          break;
        }
        default: std::memcpy(&bytes[i * 4], &ranks[i], 4); break;
      }
    }
  }
  std::uint32_t operator[](std::size_t i) const {
    switch (width) {
      case 0: return rank;
      case 1: return bytes[i];
      case 2: {
        std::uint16_t v;
        std::memcpy(&v, &bytes[i * 2], 2);
        return v;
      }
      default: {
        std::uint32_t v;
        std::memcpy(&v, &bytes[i * 4], 4);
        return v;
      }
    }
  }
  std::uint32_t rank = 0;  // of every row, when constant
  std::size_t width;
  // Every row has the same rank: the field orders nothing.
  bool constant = false;
  std::vector<std::uint8_t> bytes;
};

// What a table derived from its rows: value ranks per field and orders per
// key list. Guarded by a mutex, since const readers on several threads may
// fill it.
struct Table::Cache {
  std::mutex mutex;
  struct FieldRanks {
    std::shared_ptr<const RankArray> ranks;
    std::uint32_t distinct = 0;
  };
  std::vector<FieldRanks> ranks;  // by field
  std::vector<std::pair<std::vector<int>, std::shared_ptr<const std::vector<RowId>>>> orders;
  // File order, shared by every order whose keys are the same on all rows.
  std::shared_ptr<const std::vector<RowId>> file_order;
  struct LookupIndex {
    std::vector<int> keys, all;
    std::shared_ptr<const void> index;
  };
  std::vector<LookupIndex> indexes;
};


bool ParseInt32(std::string_view text, std::int32_t& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  const bool plus = !text.empty() && text.front() == '+';
  if (plus) text.remove_prefix(1);
  // One sign at most: from_chars would still read the "-" of "+-5".
  if (text.empty() || (plus && text.front() == '-')) return false;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && ptr == last;
}

bool ParseDouble(std::string_view text, double& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // One sign at most: from_chars would still read the second sign of "--5".
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) return false;
  // Most amounts are digits, a "." and digits, 15 digits at most: such a
  // number is an exact integer divided by an exact power of ten, and that one
  // division rounds to the same double as reading the text with from_chars.
  {
    static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::uint64_t n = 0;
    int digit_count = 0;
    int decimals = -1;
    bool plain = true;
    for (char c : text) {
      if (c >= '0' && c <= '9') {
        n = n * 10 + static_cast<std::uint64_t>(c - '0');
        ++digit_count;
        if (decimals >= 0) ++decimals;
      } else if (c == '.' && decimals < 0 && digit_count > 0) {
        decimals = 0;
      } else {
        plain = false;
        break;
      }
    }
    if (plain && digit_count > 0 && digit_count <= 15 && decimals != 0) {
      double v = static_cast<double>(n);
      if (decimals > 0) v /= kPow10[decimals];
      value = negative ? -v : v;
      return true;
    }
  }
  // Only digits, one ".", and an exponent: from_chars would also take "inf"
  // and "nan", which no amount in a package may be.
  bool digits = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c != '.' && c != 'e' && c != 'E' && c != '+' && c != '-') {
      return false;
    }
  }
  if (!digits) return false;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  double v = 0;
  auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
  if (ec != std::errc() || ptr != last || !std::isfinite(v)) return false;
  value = negative ? -v : v;
  return true;
}

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

void Table::ZeroBuffer::CopyFrom(const ZeroBuffer& other, std::size_t used) {
  Free();
  if (used == 0) return;
  Grow(used, 0);
  std::memcpy(data_, other.data_, used);
}

Table::Column::Column(const Column& other) : type(other.type), length(other.length), capacity(other.length) {
  set.buffer.CopyFrom(other.set.buffer, length);
  if (other.ints.buffer.data() != nullptr) ints.buffer.CopyFrom(other.ints.buffer, length * sizeof(std::int32_t));
  if (other.reals.buffer.data() != nullptr) reals.buffer.CopyFrom(other.reals.buffer, length * sizeof(double));
  if (other.texts.buffer.data() != nullptr) texts.buffer.CopyFrom(other.texts.buffer, length * sizeof(TextRef));
}

Table::Column& Table::Column::operator=(const Column& other) {
  if (this != &other) *this = Column(other);
  return *this;
}

void Table::Column::Grow(std::size_t rows) {
  if (rows <= capacity) return;
  rows = std::max({rows, capacity * 2, std::size_t{16}});
  set.buffer.Grow(rows, length);
  switch (type) {
    case FieldType::Integer:
    case FieldType::Date:
      ints.buffer.Grow(rows * sizeof(std::int32_t), length * sizeof(std::int32_t));
      break;
    case FieldType::Float:
      reals.buffer.Grow(rows * sizeof(double), length * sizeof(double));
      texts.buffer.Grow(rows * sizeof(TextRef), length * sizeof(TextRef));
      break;
    case FieldType::String:
      texts.buffer.Grow(rows * sizeof(TextRef), length * sizeof(TextRef));
      break;
  }
  capacity = rows;
}

void Table::Column::Truncate(std::size_t rows) {
  if (rows >= length) return;
  // Only set rows carry values (an empty field's value is zero); pages of
  // rows never set are left untouched.
  for (std::size_t r = rows; r < length; ++r) {
    if (set[r] == 0) continue;
    set[r] = 0;
    if (ints.buffer.data() != nullptr) ints[r] = 0;
    if (reals.buffer.data() != nullptr) reals[r] = 0;
    if (texts.buffer.data() != nullptr) texts[r] = TextRef();
  }
  length = rows;
}

std::size_t Table::Column::Bytes() const {
  std::size_t per_row = 1;
  switch (type) {
    case FieldType::Integer:
    case FieldType::Date: per_row += sizeof(std::int32_t); break;
    case FieldType::Float: per_row += sizeof(double) + sizeof(TextRef); break;
    case FieldType::String: per_row += sizeof(TextRef); break;
  }
  return capacity * per_row;
}

void Table::Clear() {
  Changed();
  for (std::size_t f = 0; f < columns_.size(); ++f) {
    columns_[f] = Column{};
    columns_[f].type = fields_[f].type;
  }
  chars_.clear();
  chars_.shrink_to_fit();
  source_file_.clear();
  source_lines_ = {};
  rows_ = 0;
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
  Changed();
  --rows_;
  for (Column& c : columns_) c.Truncate(rows_);
}

bool Table::AnySet(RowId row) const {
  for (const Column& c : columns_) {
    if (c.Has(row)) return true;
  }
  return false;
}

// The inline mark is the top bit of an arena reference's length.
static_assert(std::endian::native == std::endian::little);

Table::TextRef Table::Intern(std::string_view text) {
  TextRef ref;
  if (text.empty()) return ref;
  if (text.size() <= 7) {
    std::memcpy(ref.bytes, text.data(), text.size());
    ref.bytes[7] = static_cast<char>(0x80 | text.size());
    return ref;
  }
  if (chars_.size() + text.size() > 0xFFFFFFFFu || text.size() >= 0x80000000u) {
    throw std::length_error("table " + name_ + " text is too large");
  }
  ref.arena.offset = static_cast<std::uint32_t>(chars_.size());
  ref.arena.length = static_cast<std::uint32_t>(text.size());
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
      double v = 0;
      if (!ParseDouble(text, v)) {
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
    case FieldType::String:
      SetText(row, f, text);
      return StoreResult::Stored;
  }
  return StoreResult::Failed;
}

void Table::SetText(RowId row, int f, std::string_view text) {
  Changed();
  Column& c = col(f);
  text = CutToFieldSize(field(f), text);
  if (text.empty()) {
    SetEmpty(row, f);
    return;
  }
  c.Hold(row);
  c.texts[row] = Intern(text);
  c.set[row] = 1;
}

void Table::SetInt(RowId row, int f, std::int32_t value) {
  Changed();
  Column& c = col(f);
  c.Hold(row);
  c.ints[row] = value;
  c.set[row] = 1;
}

void Table::SetFloat(RowId row, int f, double value, std::string_view text) {
  Changed();
  Column& c = col(f);
  c.Hold(row);
  c.reals[row] = value;
  c.texts[row] = Intern(text);
  c.set[row] = 1;
}

void Table::SetDate(RowId row, int f, Date value) {
  Changed();
  Column& c = col(f);
  c.Hold(row);
  c.ints[row] = value.serial();
  c.set[row] = 1;
}

void Table::SetEmpty(RowId row, int f) {
  Changed();
  Column& c = col(f);
  if (!c.Has(row)) return;  // empty already; a row the column does not hold stays so
  c.set[row] = 0;
  switch (c.type) {
    case FieldType::Integer:
    case FieldType::Date:
      c.ints[row] = 0;
      break;
    case FieldType::Float:
      c.reals[row] = 0;
      c.texts[row] = {};
      break;
    case FieldType::String:
      c.texts[row] = {};
      break;
  }
}

std::int32_t Table::IntOfOther(RowId row, int f) const {
  const Column& c = col(f);
  if (c.type == FieldType::Float) {
    double v = c.reals[row];
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
    case FieldType::Integer:
      return std::to_string(c.ints[row]);
    case FieldType::Date:
      return Date::FromSerial(c.ints[row]).ToString();
    case FieldType::Float:
    case FieldType::String:
      return std::string(View(row, f));
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

// Ranks come from the distinct values: each value is hashed once, only the
// distinct values are sorted, so a field of few values costs one pass.
std::shared_ptr<const Table::RankArray> Table::Ranks(int f, std::uint32_t& distinct) const {
  Cache& cache = *cache_;
  auto& slot = cache.ranks[static_cast<std::size_t>(f)];
  if (slot.ranks) {
    distinct = slot.distinct;
    return slot.ranks;
  }
  const Column& c = col(f);
  const bool text = c.type == FieldType::String;
  DistinctValues values(rows_);
  std::vector<std::uint32_t> ids(rows_);
  for (RowId r = 0; r < rows_; ++r) {
    if (!c.Has(r)) {
      ids[r] = 0xFFFFFFFFu;
      continue;
    }
    if (text) {
      std::string_view v = View(r, f);
      ids[r] = values.IdOf(HashText(v), r, [&](RowId k) { return View(k, f) == v; });
    } else {
      double v = Number(r, f);
      ids[r] = values.IdOf(HashNumber(v), r, [&](RowId k) { return Number(k, f) == v; });
    }
  }
  const std::vector<RowId>& reps = values.representatives();
  std::vector<std::uint32_t> by_value(reps.size());
  for (std::uint32_t i = 0; i < by_value.size(); ++i) by_value[i] = i;
  if (text) {
    std::sort(by_value.begin(), by_value.end(),
              [&](std::uint32_t a, std::uint32_t b) { return View(reps[a], f) < View(reps[b], f); });
  } else {
    std::sort(by_value.begin(), by_value.end(),
              [&](std::uint32_t a, std::uint32_t b) { return Number(reps[a], f) < Number(reps[b], f); });
  }
  std::vector<std::uint32_t> rank_of_id(reps.size());
  for (std::uint32_t k = 0; k < by_value.size(); ++k) rank_of_id[by_value[k]] = k + 1;
  for (std::uint32_t& id : ids) id = id == 0xFFFFFFFFu ? 0 : rank_of_id[id];
  slot.distinct = static_cast<std::uint32_t>(reps.size() + 1);
  slot.ranks = std::make_shared<const RankArray>(ids, slot.distinct);
  distinct = slot.distinct;
  return slot.ranks;
}

// The keys are replaced by their value ranks and packed, from the last key
// on, into as few 64-bit words as hold them; a stable radix sort by each word,
// least significant first, orders the rows, and the starting order (file
// order) breaks ties.
std::shared_ptr<const std::vector<RowId>> Table::SharedOrder(std::span<const int> keys) const {
  if (!cache_) cache_ = std::make_shared<Cache>();
  Cache& cache = *cache_;
  std::lock_guard<std::mutex> lock(cache.mutex);
  for (const auto& [k, order] : cache.orders) {
    if (std::equal(k.begin(), k.end(), keys.begin(), keys.end())) return order;
  }
  if (cache.ranks.size() != fields_.size()) cache.ranks.resize(fields_.size());

  std::vector<RowId> rows;
  bool sorted = false;
  // Packs the ranks of `parts` for each row in the current order and sorts
  // by them; 32-bit words where the ranks fit, which halves the buffers.
  auto sort_by = [&](const auto& parts, auto word) {
    std::vector<decltype(word)> packed(rows_);
    for (std::size_t i = 0; i < rows_; ++i) {
      RowId r = rows[i];
      decltype(word) v = 0;
      for (const auto& [ranks, distinct] : parts) v = v * distinct + (*ranks)[r];
      packed[i] = v;
    }
    return packed;
  };
  std::size_t end = keys.size();
  while (end > 0) {
    // Keys [begin, end) share one word; a field whose rows all have the same
    // rank orders nothing and takes no place in it.
    std::size_t begin = end;
    unsigned __int128 span = 1;
    std::vector<std::pair<std::shared_ptr<const RankArray>, std::uint32_t>> parts;
    while (begin > 0) {
      std::uint32_t distinct = 0;
      auto ranks = Ranks(keys[begin - 1], distinct);
      if (ranks->constant) {
        --begin;
        continue;
      }
      if (span * distinct > std::numeric_limits<std::uint64_t>::max() && !parts.empty()) break;
      span *= distinct;
      parts.insert(parts.begin(), {std::move(ranks), distinct});
      --begin;
    }
    end = begin;
    if (parts.empty()) continue;
    if (!sorted) {
      rows.resize(rows_);
      for (std::size_t i = 0; i < rows_; ++i) rows[i] = static_cast<RowId>(i);
      sorted = true;
    }
    const auto max_value = static_cast<std::uint64_t>(span - 1);
    const int bits = max_value == 0 ? 0 : 64 - std::countl_zero(max_value);
    if (max_value <= std::numeric_limits<std::uint32_t>::max()) {
      std::vector<std::uint32_t> packed = sort_by(parts, std::uint32_t{0});
      RadixSort(packed, rows, bits);
    } else {
      std::vector<std::uint64_t> packed = sort_by(parts, std::uint64_t{0});
      RadixSort(packed, rows, bits);
    }
  }
  std::shared_ptr<const std::vector<RowId>> order;
  if (sorted) {
    order = std::make_shared<const std::vector<RowId>>(std::move(rows));
  } else {
    if (!cache.file_order) {
      std::vector<RowId> identity(rows_);
      for (std::size_t i = 0; i < rows_; ++i) identity[i] = static_cast<RowId>(i);
      cache.file_order = std::make_shared<const std::vector<RowId>>(std::move(identity));
    }
    order = cache.file_order;
  }
  cache.orders.emplace_back(std::vector<int>(keys.begin(), keys.end()), order);
  return order;
}

std::vector<std::shared_ptr<const Table::RankArray>> Table::RanksOf(std::span<const int> keys) const {
  if (!cache_) cache_ = std::make_shared<Cache>();
  Cache& cache = *cache_;
  std::lock_guard<std::mutex> lock(cache.mutex);
  if (cache.ranks.size() != fields_.size()) cache.ranks.resize(fields_.size());
  std::vector<std::shared_ptr<const RankArray>> out;
  for (int f : keys) {
    std::uint32_t distinct = 0;
    out.push_back(Ranks(f, distinct));
  }
  return out;
}

std::shared_ptr<const void> Table::CachedIndex(const std::vector<int>& keys, const std::vector<int>& all) const {
  if (!cache_) return nullptr;
  std::lock_guard<std::mutex> lock(cache_->mutex);
  for (const Cache::LookupIndex& i : cache_->indexes) {
    if (i.keys == keys && i.all == all) return i.index;
  }
  return nullptr;
}

void Table::KeepIndex(const std::vector<int>& keys, const std::vector<int>& all,
                      std::shared_ptr<const void> index) const {
  if (!cache_) cache_ = std::make_shared<Cache>();
  std::lock_guard<std::mutex> lock(cache_->mutex);
  cache_->indexes.push_back({keys, all, std::move(index)});
}

std::vector<RowId> Table::Order(std::span<const int> keys) const {
  if (keys.empty()) {
    std::vector<RowId> rows(rows_);
    for (std::size_t i = 0; i < rows_; ++i) rows[i] = static_cast<RowId>(i);
    return rows;
  }
  return *SharedOrder(keys);
}
KeyValue KeyValue::Of(const Table& t, RowId row, int f) {
  KeyValue k;
  k.empty = t.IsEmpty(row, f);
  if (k.empty) return k;
  if (t.field(f).type == FieldType::String) {
    k.text = std::string(t.View(row, f));
    double v = 0;
    if (ParseDouble(k.text, v)) k.number = v;
  } else {
    k.number = t.Number(row, f);
    k.text = t.Text(row, f);
  }
  return k;
}

Lookup::Lookup(const Table& table, std::vector<int> keys, std::vector<int> then_by)
    : table_(&table), keys_(std::move(keys)) {
  std::vector<int> all = keys_;
  all.insert(all.end(), then_by.begin(), then_by.end());
  index_ = std::static_pointer_cast<const Index>(table.CachedIndex(keys_, all));
  if (!index_) {
    index_ = BuildIndex(table.SharedOrder(all));
    table.KeepIndex(keys_, all, index_);
  }
}

const std::vector<RowId>& Lookup::rows() const {
  static const std::vector<RowId> kNone;
  return index_ ? *index_->rows : kNone;
}

std::uint64_t Lookup::HashOf(const Atom* atoms) const {
  std::uint64_t h = 0x3C6EF372FE94F82Bull;
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    const Atom& a = atoms[i];
    std::uint64_t v = a.empty ? kEmptyHash
                              : (table_->field(keys_[i]).type == FieldType::String ? HashText(a.text)
                                                                                    : HashNumber(a.number));
    h = Mix(h + v + i);
  }
  return h;
}

std::uint64_t Lookup::HashOfRow(RowId row) const {
  Atom atoms[8];
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    int f = keys_[i];
    atoms[i].empty = table_->IsEmpty(row, f);
    if (atoms[i].empty) continue;
    if (table_->field(f).type == FieldType::String) {
      atoms[i].text = table_->View(row, f);
    } else {
      atoms[i].number = table_->Number(row, f);
    }
  }
  return HashOf(atoms);
}

bool Lookup::RowMatches(RowId row, const Atom* atoms) const {
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    int f = keys_[i];
    bool e = table_->IsEmpty(row, f);
    if (e || atoms[i].empty) {
      if (e != atoms[i].empty) return false;
      continue;
    }
    if (table_->field(f).type == FieldType::String ? table_->View(row, f) != atoms[i].text
                                                    : table_->Number(row, f) != atoms[i].number) {
      return false;
    }
  }
  return true;
}

// Rows with equal keys stand together in the sorted order: each such group
// gets one slot, found by the hash of its keys.
std::shared_ptr<const Lookup::Index> Lookup::BuildIndex(std::shared_ptr<const std::vector<RowId>> sorted) const {
  auto index = std::make_shared<Index>();
  index->rows = std::move(sorted);
  const std::vector<RowId>& rows = *index->rows;
  if (rows.empty() || keys_.size() > 8) return index;
  // Equal ranks are equal values.
  const auto ranks = table_->RanksOf(keys_);
  std::vector<std::pair<std::uint32_t, std::uint32_t>> groups;
  std::uint32_t first = 0;
  for (std::uint32_t i = 1; i <= rows.size(); ++i) {
    if (i < rows.size()) {
      bool same = true;
      for (const auto& r : ranks) {
        if ((*r)[rows[i]] != (*r)[rows[first]]) {
          same = false;
          break;
        }
      }
      if (same) continue;
    }
    groups.emplace_back(first, i);
    first = i;
  }
  std::vector<Slot>& buckets = index->buckets;
  buckets.assign(PowerOfTwoAtLeast(groups.size() + groups.size() / 2), Slot{});
  const std::size_t mask = buckets.size() - 1;
  for (const auto& [from, to] : groups) {
    std::uint64_t h = HashOfRow(rows[from]);
    std::size_t i = h & mask;
    while (buckets[i].last != 0) i = (i + 1) & mask;
    buckets[i] = Slot{h, from, to};
  }
  return index;
}

Lookup::Range Lookup::FindAtoms(const Atom* atoms) const {
  const std::vector<Slot>& buckets = index_->buckets;
  if (buckets.empty()) return {};
  const std::vector<RowId>& rows = *index_->rows;
  // The group found last is tried first, before any hashing.
  if (last_slot_ != nullptr && RowMatches(rows[last_slot_->first], atoms)) {
    return Range{rows.data() + last_slot_->first, rows.data() + last_slot_->last};
  }
  const std::uint64_t h = HashOf(atoms);
  const std::size_t mask = buckets.size() - 1;
  for (std::size_t i = h & mask;; i = (i + 1) & mask) {
    const Slot& s = buckets[i];
    if (s.last == 0) return {};
    if (s.hash == h && RowMatches(rows[s.first], atoms)) {
      last_slot_ = &s;
      return Range{rows.data() + s.first, rows.data() + s.last};
    }
  }
}

int Lookup::CompareKey(RowId row, std::span<const KeyValue> values) const {
  for (std::size_t i = 0; i < keys_.size() && i < values.size(); ++i) {
    int f = keys_[i];
    const KeyValue& v = values[i];
    bool e = table_->IsEmpty(row, f);
    if (e || v.empty) {
      if (e != v.empty) return e ? -1 : 1;
      continue;
    }
    int c = table_->field(f).type == FieldType::String ? CompareTexts(table_->View(row, f), v.text)
                                                        : CompareNumbers(table_->Number(row, f), v.number);
    if (c != 0) return c;
  }
  return 0;
}

// A search with fewer values than keys matches the leading keys only: such
// a range is found by binary search.
Lookup::Range Lookup::BinarySearch(std::span<const KeyValue> values) const {
  const std::vector<RowId>& rows = *index_->rows;
  const RowId* begin = rows.data();
  const RowId* end = rows.data() + rows.size();
  const RowId* lo = std::lower_bound(begin, end, 0, [&](RowId r, int) { return CompareKey(r, values) < 0; });
  const RowId* hi = std::upper_bound(lo, end, 0, [&](int, RowId r) { return CompareKey(r, values) > 0; });
  return Range{lo, hi};
}

Lookup::Range Lookup::Find(std::span<const KeyValue> values) const {
  if (table_ == nullptr || !index_ || index_->rows->empty()) return {};
  if (values.size() < keys_.size() || keys_.size() > 8) return BinarySearch(values);
  Atom atoms[8];
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    const KeyValue& v = values[i];
    atoms[i].empty = v.empty;
    if (table_->field(keys_[i]).type == FieldType::String) {
      atoms[i].text = v.text;
    } else {
      atoms[i].number = v.number;
    }
  }
  return FindAtoms(atoms);
}

Lookup::Range Lookup::Find(const Table& master, RowId row, std::span<const int> master_fields) const {
  if (table_ == nullptr || !index_ || index_->rows->empty()) return {};
  const std::size_t n = std::min<std::size_t>(master_fields.size(), 8);
  if (n < keys_.size() || keys_.size() > 8) {
    KeyValue values[8];
    for (std::size_t i = 0; i < n; ++i) values[i] = KeyValue::Of(master, row, master_fields[i]);
    return BinarySearch(std::span<const KeyValue>(values, n));
  }
  // The values a KeyValue would carry, without copying texts: a text key
  // takes the master's text, a numeric key its number (a text that reads as
  // no number counts as 0).
  Atom atoms[8];
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    const int mf = master_fields[i];
    Atom& a = atoms[i];
    a.empty = master.IsEmpty(row, mf);
    if (a.empty) continue;
    const bool master_text = master.field(mf).type == FieldType::String;
    if (table_->field(keys_[i]).type == FieldType::String) {
      if (master_text || master.field(mf).type == FieldType::Float) {
        a.text = master.View(row, mf);
      } else {
        // Rare (a date or an integer searched in a text key): use the
        // binary search, which owns its texts.
        KeyValue values[8];
        for (std::size_t k = 0; k < n; ++k) values[k] = KeyValue::Of(master, row, master_fields[k]);
        return BinarySearch(std::span<const KeyValue>(values, n));
      }
    } else if (master_text) {
      double v = 0;
      a.number = ParseDouble(master.View(row, mf), v) ? v : 0;
    } else {
      a.number = master.Number(row, mf);
    }
  }
  return FindAtoms(atoms);
}

}  // namespace zentrox
