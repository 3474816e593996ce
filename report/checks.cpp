#include "report/checks.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace zentrox {

bool CentsEqual(double a, double b, double c) { return Cents(a + b) == Cents(c); }

double Cents(double x) { return std::nearbyint(x * 100.0); }

std::string FormatAmount(double value) { return fmt::format("{:.2f}", value); }

std::string FormatLimit(double value) { return fmt::format("{:>10.2f}", value); }

std::optional<RecordRef> FindingContext::Record() const {
  if (table == nullptr || row == kNoRow) return std::nullopt;
  const std::uint32_t line = table->SourceLine(row);
  if (line == 0 || table->source_file().empty()) return std::nullopt;
  return RecordRef{table->source_file(), static_cast<int>(line)};
}

void FindingWriter::BeginSection(FileKind file) {
  section = FileName(file);
  deferred_ = nullptr;
  context.Clear();
  row = 0;
  TextStyle heading = protocol_.current();
  heading.color = kRed;
  heading.bold = true;
  heading.italic = false;
  protocol_.AddStyled("fisierul " + section, heading);
}

namespace {

// The file text of the field a line names by its caption, in the record the
// context points at.
std::string ValueOf(const FindingContext& who, std::string_view caption) {
  if (!who.table || who.row == kNoRow || who.row >= who.table->size()) return {};
  const int f = who.table->CaptionIndex(caption);
  return f < 0 ? std::string() : who.table->FileText(who.row, f);
}

}  // namespace

Finding FindingWriter::MakeFinding(std::string_view rule, std::string_view caption, std::string_view text,
                                   FindingFormat format) const {
  Finding f;
  f.rule = std::string(rule);
  f.section = section;
  f.pack = context.pack;
  f.declaration = context.declaration;
  f.name = context.name;
  f.caption = std::string(caption);
  f.value = ValueOf(context, caption);
  f.message = std::string(text);
  if (format == FindingFormat::Field || format == FindingFormat::Sum) f.row = row;
  f.record = context.Record();
  f.format = format;
  return f;
}

// Once the protocol keeps no more fault lines a finding is only counted:
// composing its line and its record would cost more than the check itself
// on a file of millions of faulty rows. Every line writer starts here, so a
// deferred context is set here, before the line reads it.
bool FindingWriter::Skipped(std::string_view rule) {
  if (!protocol_.FaultsFull()) {
    SetDeferredContext();
    return false;
  }
  protocol_.CountFault(rule);
  return true;
}

int FindingWriter::FieldOf(const RuleEntry& rule) {
  if (rule.field.shape != RuleField::Shape::One) {
    throw std::logic_error(fmt::format("{} names no one field to test", rule.id));
  }
  return rule.field.first;
}

std::string FindingWriter::LineCaption(const RuleEntry& rule, int f) const {
  const RuleField& field = rule.field;
  if (!field.file || field.shape == RuleField::Shape::None) return {};
  const std::vector<std::string>& captions = profile_.captions(*field.file);
  auto caption = [&](int k) { return captions.at(static_cast<std::size_t>(k)); };
  switch (field.shape) {
    case RuleField::Shape::Pair: return caption(field.first) + "," + caption(field.last);
    case RuleField::Shape::Range:
      if (!field.Names(f)) throw std::logic_error(fmt::format("{} names no field {}", rule.id, f));
      return caption(f);
    default: return caption(field.first);
  }
}

void FindingWriter::WriteField(const RuleEntry& rule, std::string message, FindingFormat format) {
  const std::string caption = LineCaption(rule);
  std::string line = format == FindingFormat::Field
                         ? fmt::format("Пачка {} Декл {} {}  поле <{}> {}, строка {}", context.pack,
                                       context.declaration, context.name, caption, message, row)
                         : fmt::format("Пачка {} Декл {} {}  поле <{}> {}", context.pack, context.declaration,
                                       context.name, caption, message);
  protocol_.AddFinding(std::move(line), MakeFinding(rule.id, caption, message, format));
}

void FindingWriter::WriteDuplicate(const RuleEntry& rule, const FindingContext& who, std::string message) {
  const std::string caption = LineCaption(rule);
  Finding f = MakeFinding(rule.id, caption, message, FindingFormat::DuplicateValue);
  f.pack = who.pack;
  f.declaration = who.declaration;
  f.name = who.name;
  f.record = who.Record();
  f.value = ValueOf(who, caption);
  protocol_.AddFinding(
      fmt::format("Пачка {} Декл {} {}  поле <{}> {}", who.pack, who.declaration, who.name, caption, message),
      std::move(f));
}

void FindingWriter::WritePack(const RuleEntry& rule, std::string_view pack, const FindingContext& record,
                              std::string message) {
  Finding f = MakeFinding(rule.id, "", message, FindingFormat::Pack);
  f.pack = std::string(pack);
  f.declaration.clear();
  f.name.clear();
  f.record = record.Record();
  protocol_.AddFinding(fmt::format("Пачка {}  {} ", pack, message), std::move(f));
}

void FindingWriter::WritePlain(const RuleEntry& rule, std::string message) {
  Finding f = MakeFinding(rule.id, "", message, FindingFormat::Plain);
  protocol_.AddFinding(std::move(message), std::move(f));
}

void FindingWriter::CheckFilled(const RuleEntry& rule, const Table& t, RowId r) {
  if (t.IsEmpty(r, FieldOf(rule))) Report(rule);
}

void FindingWriter::CheckNotNegative(const RuleEntry& rule, const Table& t, RowId r) {
  Require(Primitive::NotNegative, "CheckNotNegative");
  const int f = FieldOf(rule);
  // A float below zero has a "-" before its digits: most amounts are told
  // apart by their first character without reading their number.
  if (t.field(f).type == FieldType::Float) {
    const std::string_view text = t.View(r, f);
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos || text[first] != '-') return;
  }
  if (t.Number(r, f) < 0) Report(rule);
}

void FindingWriter::CheckDictionaryCode(const RuleEntry& rule, const Table& t, RowId r, const Linked& dict, int key) {
  const int f = FieldOf(rule);
  // Text codes compare as text, amounts (tariffs) as amounts, the rest as integers.
  bool differs = false;
  switch (t.field(f).type) {
    case FieldType::String: differs = t.Text(r, f) != dict.Text(key); break;
    case FieldType::Float: differs = t.Number(r, f) != dict.Number(key); break;
    default: differs = t.Int(r, f) != dict.Int(key); break;
  }
  if (differs) Report(rule);
}

void FindingWriter::CheckPresentIn(const RuleEntry& rule, const Table& t, RowId r, const Linked& other,
                                   int other_field) {
  if (t.Number(r, FieldOf(rule)) != other.Number(other_field)) Report(rule);
}

void FindingWriter::CheckSumEquals(const RuleEntry& rule, const Table& t, RowId r, double expected, SumLine line) {
  CheckSumEquals(rule, t, r, FieldOf(rule), expected, line);
}

void FindingWriter::CheckSumEquals(const RuleEntry& rule, const Table& t, RowId r, int f, double expected,
                                   SumLine line) {
  const double d = std::fabs(t.Number(r, f) - expected);
  if (d <= 0.005 || Skipped(rule.id)) return;
  const std::string caption = LineCaption(rule, f);
  const std::string amount = FormatAmount(d);
  std::string message = FormatMessage(rule.message, amount);
  if (line == SumLine::MonthSum) {
    std::string text = fmt::format("Пачка {} Декл {} {}  поле <{}> {} ", context.pack, context.declaration,
                                   context.name, caption, message);
    protocol_.AddFinding(std::move(text), MakeFinding(rule.id, caption, message, FindingFormat::SumMonthly));
  } else {
    std::string text = fmt::format("Пачка {} Декл {} {}  поле <{}> {} ,cтрока {}", context.pack, context.declaration,
                                   context.name, caption, message, row);
    protocol_.AddFinding(std::move(text), MakeFinding(rule.id, caption, message, FindingFormat::Sum));
  }
}

void FindingWriter::CheckNotFuture(const RuleEntry& rule, const Table& t, RowId r) {
  if (t.DateValue(r, FieldOf(rule)) > today_) Report(rule);
}

void FindingWriter::CheckDigitsOnly(const RuleEntry& rule, const Table& t, RowId r) {
  for (char c : t.Text(r, FieldOf(rule))) {
    if (c < '0' || c > '9') {
      Report(rule);
      return;
    }
  }
}

void FindingWriter::CheckNameCharacters(const RuleEntry& rule, const Table& t, RowId r) {
  if (rule.field.kind != FieldKind::Name) {
    throw std::logic_error(fmt::format("{} names no name field", rule.id));
  }
  switch (NameCharactersFault(t.Text(r, FieldOf(rule)))) {
    case NameFault::ForbiddenCharacter: Report(rule); break;
    case NameFault::TwoSignsInARow:
      if (!Skipped(rule.id)) WriteField(rule, std::string(rule.second_message), FindingFormat::Field);
      break;
    case NameFault::None: break;
  }
}

void FindingWriter::CheckDateOrder(const RuleEntry& rule, const Table& t, RowId r, int end) {
  Require(Primitive::DateOrder, "CheckDateOrder");
  if (t.DateValue(r, FieldOf(rule)) > t.DateValue(r, end)) Report(rule);
}

void FindingWriter::CheckDateRange(const RuleEntry& rule, const Table& t, RowId r) {
  Require(Primitive::DateRange, "CheckDateRange");
  static const Date kLow = *Date::FromYmd(1900, 1, 1);
  static const Date kHigh = *Date::FromYmd(2200, 1, 1);
  const Date d = t.DateValue(r, FieldOf(rule));
  if (d < kLow || d > kHigh) Report(rule);
}

void FindingWriter::CheckYesNo(const RuleEntry& rule, const Table& t, RowId r) {
  Require(Primitive::YesNo, "CheckYesNo");
  const std::string v = t.Text(r, FieldOf(rule));
  if (v != "Y" && v != "N") Report(rule);
}

void FindingWriter::Require(Primitive p, const char* name) const {
  if (!profile_.HasPrimitive(p)) {
    throw std::logic_error(fmt::format("{} is not a check of the {} variant", name, profile_.id));
  }
}

NameFault NameCharactersFault(std::string_view text) {
  bool after_sign = false;
  for (char c : text) {
    bool sign = c == '-' || c == '.';
    if (c != ' ' && !sign) {
      bool allowed = (c >= 'A' && c <= 'Z') || c == '{' || c == '|' || c == '}' || c == '"' || c == ':';
      if (!allowed) return NameFault::ForbiddenCharacter;
    }
    if (sign && after_sign) return NameFault::TwoSignsInARow;
    after_sign = sign;
  }
  return NameFault::None;
}

}  // namespace zentrox
