// The finding context and the field-check primitives every rule set uses.
//
// A primitive tests one field of one row and, when the test fails, appends
// one finding line to the protocol, quoting the finding context (pack,
// declaration, last name) and the row counter of the running pass. Every
// call names the catalogue entry of the rule it serves (report/rule_entries.h):
// the entry gives the field tested, the caption the line names and its
// message, and the finding carries its stable id.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "engine/date.h"
#include "engine/table.h"
#include "model/variant.h"
#include "report/protocol.h"
#include "report/rule_catalogue.h"

namespace zentrox {

struct FindingContext {
  std::string pack;
  std::string declaration;
  std::string name;
  // The record the lines name: a row of a loaded table, or none. A pass sets
  // it for every row it visits, whatever order it walks in.
  const Table* table = nullptr;
  RowId row = kNoRow;

  void At(const Table& t, RowId r) {
    table = &t;
    row = r;
  }
  void NoRecord() {
    table = nullptr;
    row = kNoRow;
  }
  void Clear() {
    pack.clear();
    declaration.clear();
    name.clear();
    NoRecord();
  }
  // The file and line of the record, or none (no record, or a row that came
  // from no file).
  std::optional<RecordRef> Record() const;
};

// Cents equality: (a + b) and c, each times 100 and rounded half to even,
// compare equal. Adding first and then multiplying is what makes 100.10 +
// 50.20 equal 150.30.
bool CentsEqual(double a, double b, double c);
// x times 100, rounded half to even.
double Cents(double x);

// "%f" of the protocol: two decimals and a full stop, whatever the locale.
std::string FormatAmount(double value);
// An amount with two decimals right-aligned in a field of 10 characters.
std::string FormatLimit(double value);

// Writes findings: the finding context, the row counter of the running pass
// (the cursor every line quotes) and the primitives that test one field and
// write its line.
class FindingWriter {
 public:
  FindingWriter(Protocol& protocol, const VariantProfile& profile, Date today)
      : protocol_(protocol), profile_(profile), today_(today) {}

  Protocol& protocol() { return protocol_; }
  const VariantProfile& profile() const { return profile_; }
  Date today() const { return today_; }

  FindingContext context;
  int row = 0;  // the row counter of the running pass

  // Sets the context's pack, declaration and name for a row, where that
  // costs a search (the name of a linked declaration).
  class ContextSource {
   public:
    virtual void SetContext(RowId r) = 0;

   protected:
    ~ContextSource() = default;
  };
  // Leaves those texts to be set from `source` for row `r` before the next
  // line is written (or by SetDeferredContext): a pass that sets them for
  // each group of rows searches only for groups that draw a line.
  void DeferContext(ContextSource& source, RowId r) {
    deferred_ = &source;
    deferred_row_ = r;
  }
  // Sets the deferred texts now, if any; a pass that defers calls it before
  // reading the context itself and when it ends.
  void SetDeferredContext() {
    if (deferred_ == nullptr) return;
    ContextSource* source = deferred_;
    deferred_ = nullptr;
    source->SetContext(deferred_row_);
  }
  // Forgets what `source` deferred (a source that goes away).
  void DropDeferredContext(const ContextSource& source) {
    if (deferred_ == &source) deferred_ = nullptr;
  }
  // Visits `rows` (row ids in the order of a walk) with the row counter
  // restarted and advanced before each visit, so a line shows its row's
  // place in the walk, counted from 1.
  template <class Rows, class Visit>
  void WalkRows(const Rows& rows, Visit&& visit) {
    row = 0;
    for (RowId r : rows) {
      ++row;
      visit(r);
    }
  }
  // The same over every row of `t` in file order.
  template <class Visit>
  void WalkFile(const Table& t, Visit&& visit) {
    row = 0;
    for (RowId r = 0; r < t.size(); ++r) {
      ++row;
      visit(r);
    }
  }
  std::string section;  // the file section findings belong to

  // ----- the right value -----------------------------------------------------
  // What the next line written carries as the value that would satisfy its
  // rule; that line takes it, or drops it when its fault is only counted.
  // The primitives set it themselves; a rule's own test calls it just
  // before its Report. Nothing is kept once the protocol keeps no more
  // fault lines; ExpectWith computes the text (`expected()`) only while it does.
  void Expect(ExpectedKind kind, std::string_view expected);
  template <class Compute>
  void ExpectWith(ExpectedKind kind, Compute&& expected) {
    if (!protocol_.FaultsFull()) Expect(kind, expected());
  }
  // The next line also refers to row `r` of `t` (the other record of a
  // duplicate); nothing when the row came from no file.
  void Relate(const Table& t, RowId r);
  void Relate(const FindingContext& other);
  // The next line's valid codes are those of dictionary `dict` (valid in
  // `year`, 0 any).
  void ExpectIn(const Table& dict, int year = 0);

  // Starts the section of a package file: its bold red heading, a cleared
  // context and row counter.
  void BeginSection(FileKind file);

  // ----- line writers ------------------------------------------------------
  // Each writes one line of `rule`: the caption of the field its entry names
  // and its message, whose "{}" take `values` in turn. Past the fault-line
  // limit the fault is only counted, and nothing is formatted.

  // "Пачка %s Декл %s %s  поле <%s> %s, строка %d"
  template <class... Values>
  void Report(const RuleEntry& rule, const Values&... values) {
    if (!Skipped(rule.id)) WriteField(rule, FormatMessage(rule.message, values...), FindingFormat::Field);
  }
  // The same, with the values computed only for a line that is kept:
  // `values()` returns them as a tuple.
  template <class Compute>
  void ReportWith(const RuleEntry& rule, Compute&& values) {
    if (!Skipped(rule.id)) WriteField(rule, FormatTuple(rule.message, values()), FindingFormat::Field);
  }
  // "Пачка %s Декл %s %s  поле <%s> %s"
  template <class... Values>
  void ReportNoRow(const RuleEntry& rule, const Values&... values) {
    if (!Skipped(rule.id)) WriteField(rule, FormatMessage(rule.message, values...), FindingFormat::FieldNoRow);
  }
  // The same line with the pack, declaration and name of `who` (the earlier
  // row of two that repeat a value).
  template <class... Values>
  void ReportDuplicate(const RuleEntry& rule, const FindingContext& who, const Values&... values) {
    if (!Skipped(rule.id)) WriteDuplicate(rule, who, FormatMessage(rule.message, values...));
  }
  // "Пачка %s  %s "; `record` is the record the line names (the pack's).
  template <class... Values>
  void ReportPack(const RuleEntry& rule, std::string_view pack, const FindingContext& record, const Values&... values) {
    if (!Skipped(rule.id)) WritePack(rule, pack, record, FormatMessage(rule.message, values...));
  }
  // A line that is the message alone; it names the context's record.
  template <class... Values>
  void ReportPlain(const RuleEntry& rule, const Values&... values) {
    if (!Skipped(rule.id)) WritePlain(rule, FormatMessage(rule.message, values...));
  }

  // ----- primitives ------------------------------------------------------------
  // Each tests the field that its rule's entry names in row `r` of `t` (a
  // table of the entry's file) and writes the rule's line when the test fails.
  void CheckFilled(const RuleEntry& rule, const Table& t, RowId r);
  void CheckNotNegative(const RuleEntry& rule, const Table& t, RowId r);
  // Compares the field with `key` of the dictionary row `dict` (none: empty):
  // as texts for category and district fields, as floating-point numbers for
  // the tariffs, as integers otherwise.
  void CheckDictionaryCode(const RuleEntry& rule, const Table& t, RowId r, const Linked& dict, int key);
  // The field's number equals field `other_field` of the linked row.
  void CheckPresentIn(const RuleEntry& rule, const Table& t, RowId r, const Linked& other, int other_field);
  // Which line a wrong sum gets: the row's ("… Разность=%f ,cтрока %d") or,
  // for a total row compared with its months, the month-sum line.
  enum class SumLine { Row, MonthSum };
  void CheckSumEquals(const RuleEntry& rule, const Table& t, RowId r, double expected, SumLine line = SumLine::Row);
  // The same for field `f`, one of the fields the rule names.
  void CheckSumEquals(const RuleEntry& rule, const Table& t, RowId r, int f, double expected,
                      SumLine line = SumLine::Row);
  // The same for a sum taken over rows `from` of `t`, which the line names.
  void CheckSumEquals(const RuleEntry& rule, const Table& t, RowId r, int f, double expected, SumLine line,
                      std::span<const RowId> from);
  void CheckNotFuture(const RuleEntry& rule, const Table& t, RowId r);
  void CheckDigitsOnly(const RuleEntry& rule, const Table& t, RowId r);
  // The rule's message for a forbidden character, its second message for two
  // signs in a row; the rule names a field of kind FieldKind::Name.
  void CheckNameCharacters(const RuleEntry& rule, const Table& t, RowId r);
  // The rule's field is a start date no later than the date in field `end`.
  void CheckDateOrder(const RuleEntry& rule, const Table& t, RowId r, int end);
  void CheckDateRange(const RuleEntry& rule, const Table& t, RowId r);
  void CheckYesNo(const RuleEntry& rule, const Table& t, RowId r);

 private:
  void Require(Primitive p, const char* name) const;
  // True, with the fault counted, when the protocol keeps no more fault lines.
  bool Skipped(std::string_view rule);
  ContextSource* deferred_ = nullptr;
  RowId deferred_row_ = kNoRow;
  Finding MakeFinding(std::string_view rule, std::string_view caption, std::string_view text, FindingFormat format);
  void ForgetExpected();
  // The records of rows `from` of `t`, shared with the lines before that
  // named the same rows.
  std::shared_ptr<const FindingLinks> SummedLinks(const Table& t, std::span<const RowId> from);
  // The field a primitive tests: the one field the rule's entry names.
  static int FieldOf(const RuleEntry& rule);
  // The caption of the field a line of `rule` names, in this variant's
  // words; `f` is the field of a rule over a range of fields.
  std::string LineCaption(const RuleEntry& rule, int f = -1) const;
  template <class Tuple>
  static std::string FormatTuple(std::string_view message, const Tuple& values) {
    return std::apply([message](const auto&... v) { return FormatMessage(message, v...); }, values);
  }
  void WriteField(const RuleEntry& rule, std::string message, FindingFormat format);
  void WriteDuplicate(const RuleEntry& rule, const FindingContext& who, std::string message);
  void WritePack(const RuleEntry& rule, std::string_view pack, const FindingContext& record, std::string message);
  void WritePlain(const RuleEntry& rule, std::string message);
  void WriteSum(const RuleEntry& rule, int f, double difference, SumLine line);

  Protocol& protocol_;
  const VariantProfile& profile_;
  Date today_;
  // What the next line carries (Expect, Relate).
  ExpectedKind next_kind_ = ExpectedKind::None;
  std::string next_expected_;
  FindingLinks next_links_;
  // The last rows a sum line named, and their records.
  const Table* summed_table_ = nullptr;
  std::vector<RowId> summed_rows_;
  std::shared_ptr<const FindingLinks> summed_links_;
};

enum class NameFault {
  None,
  ForbiddenCharacter,  // not a capital, a blank, "-", ".", or one of {|}":
  TwoSignsInARow,      // "-" or "." right after "-" or "."
};

// The name check of `CheckNameCharacters` on a bare text.
NameFault NameCharactersFault(std::string_view text);

// The last day of the month of a date written "DD.MM.YYYY" whose day that
// month does not have ("31.09.2026" gives "30.09.2026"); none for any other text.
std::optional<std::string> LastDayInstead(std::string_view text);

}  // namespace zentrox
