#include "report/checks.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "report/odd_characters.h"

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

void FindingWriter::Expect(ExpectedKind kind, std::string_view expected) {
  if (protocol_.FaultsFull()) return;
  next_kind_ = kind;
  next_expected_.assign(expected);
}

void FindingWriter::Relate(const Table& t, RowId r) {
  FindingContext other;
  other.At(t, r);
  Relate(other);
}

void FindingWriter::Relate(const FindingContext& other) {
  if (protocol_.FaultsFull()) return;
  if (std::optional<RecordRef> ref = other.Record()) {
    next_links_.records.push_back(std::move(*ref));
    if (next_kind_ == ExpectedKind::None) {
      next_kind_ = ExpectedKind::Duplicate;
      next_expected_.assign("o valoare pe care nu o are nicio altă înregistrare");
    }
  }
}

void FindingWriter::ExpectIn(const Table& dict, int year) {
  if (protocol_.FaultsFull()) return;
  if (next_kind_ == ExpectedKind::None) next_kind_ = ExpectedKind::Code;
  next_links_.dictionary = dict.source_file();
  next_links_.year = year;
}

void FindingWriter::ForgetExpected() {
  next_kind_ = ExpectedKind::None;
  next_expected_.clear();
  next_links_ = {};
}

std::shared_ptr<const FindingLinks> FindingWriter::SummedLinks(const Table& t, std::span<const RowId> from) {
  if (summed_links_ && summed_table_ == &t &&
      std::equal(from.begin(), from.end(), summed_rows_.begin(), summed_rows_.end())) {
    return summed_links_;
  }
  auto links = std::make_shared<FindingLinks>();
  FindingContext row;
  for (RowId r : from) {
    row.At(t, r);
    if (std::optional<RecordRef> ref = row.Record()) links->records.push_back(std::move(*ref));
  }
  summed_table_ = &t;
  summed_rows_.assign(from.begin(), from.end());
  summed_links_ = links->records.empty() ? nullptr : std::move(links);
  return summed_links_;
}

Finding FindingWriter::MakeFinding(std::string_view rule, std::string_view caption, std::string_view text,
                                   FindingFormat format) {
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
  if (next_kind_ != ExpectedKind::None) {
    f.expected_kind = next_kind_;
    f.expected = next_expected_;
    if (next_links_ != FindingLinks{}) f.links = std::make_shared<const FindingLinks>(std::move(next_links_));
    ForgetExpected();
  }
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
  if (next_kind_ != ExpectedKind::None) ForgetExpected();
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
  if (!t.IsEmpty(r, FieldOf(rule))) return;
  Expect(ExpectedKind::Sentence, "o valoare: câmpul nu poate rămâne gol");
  Report(rule);
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
  if (t.Number(r, f) >= 0) return;
  Expect(ExpectedKind::Sentence, "un număr de cel puțin 0");
  Report(rule);
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
  if (!differs) return;
  if (!protocol_.FaultsFull()) {
    const std::string dictionary = dict.table() != nullptr ? dict.table()->source_file() : std::string();
    Expect(ExpectedKind::Code, dictionary.empty() ? std::string("un cod din dicționar")
                                                  : fmt::format("un cod din dicționarul {}", dictionary));
    if (dict.table() != nullptr) ExpectIn(*dict.table());
  }
  Report(rule);
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
  CheckSumEquals(rule, t, r, f, expected, line, {});
}

void FindingWriter::CheckSumEquals(const RuleEntry& rule, const Table& t, RowId r, int f, double expected, SumLine line,
                                   std::span<const RowId> from) {
  const double d = std::fabs(t.Number(r, f) - expected);
  if (d <= 0.005 || Skipped(rule.id)) return;
  Expect(ExpectedKind::Sum, FormatAmount(expected));
  const std::string caption = LineCaption(rule, f);
  const std::string amount = FormatAmount(d);
  std::string message = FormatMessage(rule.message, amount);
  if (line == SumLine::MonthSum) {
    std::string text = fmt::format("Пачка {} Декл {} {}  поле <{}> {} ", context.pack, context.declaration,
                                   context.name, caption, message);
    Finding finding = MakeFinding(rule.id, caption, message, FindingFormat::SumMonthly);
    if (!from.empty()) finding.links = SummedLinks(t, from);
    protocol_.AddFinding(std::move(text), std::move(finding));
  } else {
    std::string text = fmt::format("Пачка {} Декл {} {}  поле <{}> {} ,cтрока {}", context.pack, context.declaration,
                                   context.name, caption, message, row);
    Finding finding = MakeFinding(rule.id, caption, message, FindingFormat::Sum);
    if (!from.empty()) finding.links = SummedLinks(t, from);
    protocol_.AddFinding(std::move(text), std::move(finding));
  }
}

void FindingWriter::CheckNotFuture(const RuleEntry& rule, const Table& t, RowId r) {
  if (t.DateValue(r, FieldOf(rule)) <= today_) return;
  ExpectWith(ExpectedKind::Date, [&] { return fmt::format("o dată până la {} (nu în viitor)", today_.ToString()); });
  Report(rule);
}

void FindingWriter::CheckDigitsOnly(const RuleEntry& rule, const Table& t, RowId r) {
  for (char c : t.Text(r, FieldOf(rule))) {
    if (c < '0' || c > '9') {
      Expect(ExpectedKind::Sentence, "numai cifre de la 0 la 9");
      Report(rule);
      return;
    }
  }
}

void FindingWriter::CheckNameCharacters(const RuleEntry& rule, const Table& t, RowId r) {
  if (rule.field.kind != FieldKind::Name) {
    throw std::logic_error(fmt::format("{} names no name field", rule.id));
  }
  const std::string text = t.Text(r, FieldOf(rule));
  switch (NameCharactersFault(text)) {
    case NameFault::ForbiddenCharacter:
      if (Skipped(rule.id)) break;
      Expect(ExpectedKind::Characters,
             "majuscule latine A-Z, spațiu și - . { | } \" :, nu " + OddCharactersInWords(text));
      WriteField(rule, FormatMessage(rule.message), FindingFormat::Field);
      break;
    case NameFault::TwoSignsInARow:
      if (Skipped(rule.id)) break;
      Expect(ExpectedKind::Characters, "fără două semne „-” sau „.” la rând");
      WriteField(rule, std::string(rule.second_message), FindingFormat::Field);
      break;
    case NameFault::None: break;
  }
}

void FindingWriter::CheckDateOrder(const RuleEntry& rule, const Table& t, RowId r, int end) {
  Require(Primitive::DateOrder, "CheckDateOrder");
  if (t.DateValue(r, FieldOf(rule)) <= t.DateValue(r, end)) return;
  ExpectWith(ExpectedKind::Date, [&] { return "o dată până la " + t.FileText(r, end); });
  Report(rule);
}

void FindingWriter::CheckDateRange(const RuleEntry& rule, const Table& t, RowId r) {
  Require(Primitive::DateRange, "CheckDateRange");
  static const Date kLow = *Date::FromYmd(1900, 1, 1);
  static const Date kHigh = *Date::FromYmd(2200, 1, 1);
  const Date d = t.DateValue(r, FieldOf(rule));
  if (d >= kLow && d <= kHigh) return;
  ExpectWith(ExpectedKind::Date, [&] {
    const std::optional<std::string> last_day = LastDayInstead(t.FileText(r, FieldOf(rule)));
    return last_day ? *last_day : std::string("o dată între 01.01.1900 și 01.01.2200");
  });
  Report(rule);
}

void FindingWriter::CheckYesNo(const RuleEntry& rule, const Table& t, RowId r) {
  Require(Primitive::YesNo, "CheckYesNo");
  const std::string v = t.Text(r, FieldOf(rule));
  if (v == "Y" || v == "N") return;
  Expect(ExpectedKind::Value, "Y sau N");
  Report(rule);
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

std::optional<std::string> LastDayInstead(std::string_view text) {
  const std::size_t first = text.find('.');
  const std::size_t second = first == std::string_view::npos ? first : text.find('.', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  auto number = [](std::string_view part) -> std::optional<int> {
    if (part.empty() || part.size() > 4) return std::nullopt;
    int n = 0;
    for (char c : part) {
      if (c < '0' || c > '9') return std::nullopt;
      n = n * 10 + (c - '0');
    }
    return n;
  };
  const std::optional<int> day = number(text.substr(0, first));
  const std::optional<int> month = number(text.substr(first + 1, second - first - 1));
  const std::optional<int> year = number(text.substr(second + 1));
  if (!day || !month || !year || text.size() - second - 1 != 4 || *year < 1) return std::nullopt;
  if (*month < 1 || *month > 12 || *day <= DaysInMonth(*year, *month)) return std::nullopt;
  return fmt::format("{:02}.{:02}.{:04}", DaysInMonth(*year, *month), *month, *year);
}

}  // namespace zentrox
