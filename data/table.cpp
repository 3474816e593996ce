#include "data/table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include "data/text.h"

namespace zentrox {

namespace {

bool IsNumeric(FieldType t) { return t != FieldType::String; }

int CompareNumbers(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }

int CompareTexts(std::string_view a, std::string_view b) {
  int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

bool ParseInt32(std::string_view text, std::int32_t& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
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

Table::Table(std::string name, std::vector<FieldDef> fields)
    : name_(std::move(name)), fields_(std::move(fields)), columns_(fields_.size()) {}

int Table::FieldIndex(std::string_view name) const {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

void Table::Clear() {
  for (Column& c : columns_) c = Column{};
  chars_.clear();
  rows_ = 0;
}

void Table::Reserve(std::size_t rows) {
  for (std::size_t f = 0; f < fields_.size(); ++f) {
    Column& c = columns_[f];
    c.set.reserve(rows);
    switch (fields_[f].type) {
      case FieldType::Integer:
      case FieldType::Date:
        c.ints.reserve(rows);
        break;
      case FieldType::Float:
        c.reals.reserve(rows);
        c.texts.reserve(rows);
        break;
      case FieldType::String:
        c.texts.reserve(rows);
        break;
    }
  }
}

RowId Table::AppendRow() {
  if (rows_ >= kNoRow - 1) throw std::length_error("table " + name_ + " is full");
  for (std::size_t f = 0; f < fields_.size(); ++f) {
    Column& c = columns_[f];
    c.set.push_back(0);
    switch (fields_[f].type) {
      case FieldType::Integer:
      case FieldType::Date:
        c.ints.push_back(0);
        break;
      case FieldType::Float:
        c.reals.push_back(0);
        c.texts.push_back({});
        break;
      case FieldType::String:
        c.texts.push_back({});
        break;
    }
  }
  return static_cast<RowId>(rows_++);
}

void Table::DropLastRow() {
  if (rows_ == 0) return;
  for (Column& c : columns_) {
    c.set.pop_back();
    if (!c.ints.empty()) c.ints.pop_back();
    if (!c.reals.empty()) c.reals.pop_back();
    if (!c.texts.empty()) c.texts.pop_back();
  }
  --rows_;
}

bool Table::AnySet(RowId row) const {
  for (const Column& c : columns_) {
    if (c.set[row]) return true;
  }
  return false;
}

Table::TextRef Table::Intern(std::string_view text) {
  if (text.empty()) return {};
  if (chars_.size() + text.size() > 0xFFFFFFFFu) throw std::length_error("table " + name_ + " text is too large");
  TextRef ref{static_cast<std::uint32_t>(chars_.size()), static_cast<std::uint32_t>(text.size())};
  chars_.append(text);
  return ref;
}

StoreResult Table::Store(RowId row, int f, std::string_view text) {
  if (text.empty()) {
    SetEmpty(row, f);
    return StoreResult::Empty;
  }
  switch (field(f).type) {
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
  Column& c = col(f);
  int size = field(f).size;
  if (size > 0 && text.size() > static_cast<std::size_t>(size)) {
    // Only a text longer in bytes can be longer in characters.
    text = Utf8Prefix(text, static_cast<std::size_t>(size));
  }
  c.texts[row] = Intern(text);
  c.set[row] = text.empty() ? 0 : 1;
}

void Table::SetInt(RowId row, int f, std::int32_t value) {
  Column& c = col(f);
  c.ints[row] = value;
  c.set[row] = 1;
}

void Table::SetFloat(RowId row, int f, double value, std::string_view text) {
  Column& c = col(f);
  c.reals[row] = value;
  c.texts[row] = Intern(text);
  c.set[row] = 1;
}

void Table::SetDate(RowId row, int f, Date value) {
  Column& c = col(f);
  c.ints[row] = value.serial();
  c.set[row] = 1;
}

void Table::SetEmpty(RowId row, int f) {
  Column& c = col(f);
  c.set[row] = 0;
  switch (field(f).type) {
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

std::int32_t Table::Int(RowId row, int f) const {
  const Column& c = col(f);
  if (!c.set[row]) return 0;
  switch (field(f).type) {
    case FieldType::Integer:
    case FieldType::Date:
      return c.ints[row];
    case FieldType::Float: {
      double v = c.reals[row];
      if (!(v > -2147483648.0 && v < 2147483648.0)) return 0;
      return static_cast<std::int32_t>(std::nearbyint(v));
    }
    case FieldType::String: {
      std::int32_t v = 0;
      return ParseInt32(View(row, f), v) ? v : 0;
    }
  }
  return 0;
}

double Table::Number(RowId row, int f) const {
  const Column& c = col(f);
  if (!c.set[row]) return 0;
  switch (field(f).type) {
    case FieldType::Integer:
    case FieldType::Date:
      return c.ints[row];
    case FieldType::Float:
      return c.reals[row];
    case FieldType::String: {
      double v = 0;
      return ParseDouble(View(row, f), v) ? v : 0;
    }
  }
  return 0;
}

Date Table::DateValue(RowId row, int f) const {
  const Column& c = col(f);
  if (!c.set[row] || field(f).type != FieldType::Date) return Date();
  return Date::FromSerial(c.ints[row]);
}

std::string_view Table::View(RowId row, int f) const {
  const Column& c = col(f);
  if (!c.set[row] || c.texts.empty()) return {};
  TextRef r = c.texts[row];
  return std::string_view(chars_).substr(r.offset, r.length);
}

std::string Table::Text(RowId row, int f) const {
  const Column& c = col(f);
  if (!c.set[row]) return {};
  switch (field(f).type) {
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

std::vector<RowId> Table::Order(std::span<const int> keys) const {
  std::vector<RowId> rows(rows_);
  for (std::size_t i = 0; i < rows_; ++i) rows[i] = static_cast<RowId>(i);
  if (keys.empty()) return rows;
  // Fast path for the common single numeric key: sort (value, row) pairs.
  std::stable_sort(rows.begin(), rows.end(), [&](RowId a, RowId b) {
    for (int f : keys) {
      int c = CompareCells(a, f, *this, b, f);
      if (c != 0) return c < 0;
    }
    return false;
  });
  return rows;
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
  rows_ = table.Order(all);
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

Lookup::Range Lookup::Find(std::span<const KeyValue> values) const {
  if (table_ == nullptr || rows_.empty()) return {};
  const RowId* begin = rows_.data();
  const RowId* end = rows_.data() + rows_.size();
  const RowId* lo = std::lower_bound(begin, end, 0, [&](RowId r, int) { return CompareKey(r, values) < 0; });
  const RowId* hi = std::upper_bound(lo, end, 0, [&](int, RowId r) { return CompareKey(r, values) > 0; });
  return Range{lo, hi};
}

Lookup::Range Lookup::Find(const Table& master, RowId row, std::span<const int> master_fields) const {
  KeyValue values[8];
  std::size_t n = std::min<std::size_t>(master_fields.size(), 8);
  for (std::size_t i = 0; i < n; ++i) values[i] = KeyValue::Of(master, row, master_fields[i]);
  return Find(std::span<const KeyValue>(values, n));
}

}  // namespace zentrox
