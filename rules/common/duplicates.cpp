#include "rules/common/duplicates.h"

#include <fmt/format.h>

#include "rules/common/common.h"

namespace zentrox::common {

void SetDeclarationContext(FindingWriter& c, const Table& t, RowId r, const DeclarationFields& fields) {
  AssignText(c.context.pack, t, r, fields.pack);
  AssignText(c.context.declaration, t, r, fields.declaration);
  AssignText(c.context.name, t, r, fields.last_name);
  c.context.At(t, r);
}

std::string FormatCpas(double cpas) {
  // {fmt}'s "g" drops trailing zeros like printf's and never consults the
  // process locale.
  return fmt::format("{:.15g}", cpas);
}

RowId RunDuplicatePackPass(FindingWriter& c, TableIndexes& indexes, const RuleEntry& rule, const Table& packs) {
  const int number_field = rule.field.first;
  const std::vector<RowId> order = indexes.Order(packs, {number_field});
  c.context.pack = kNoTextYet;  // the remembered number
  RowId remembered = kNoRow;
  c.WalkRows(order, [&](RowId r) {
    c.context.At(packs, r);  // the later of two equal numbers
    std::string number = packs.Text(r, number_field);
    if (number == c.context.pack) {
      c.Relate(packs, remembered);
      c.Report(rule);
    }
    c.context.pack = std::move(number);
    remembered = r;
  });
  return order.empty() ? kNoRow : order.back();
}

void RunDuplicateCpasPass(FindingWriter& c, TableIndexes& indexes, const Table& t, const DuplicateCpasOptions& o) {
  const int cpas_field = o.rule->field.first;
  std::string remembered_text(kNoCodeYet);
  double remembered_number = kNoNumberYet;
  FindingContext remembered_row;  // empty texts until a row takes part
  c.WalkRows(indexes.Order(t, {cpas_field}), [&](RowId r) {
    SetDeclarationContext(c, t, r, o.context);
    std::string text = t.Text(r, cpas_field);
    const bool empty = o.compare == CompareAs::Text ? text.empty() : t.IsEmpty(r, cpas_field);
    if (empty || text == "0") return;
    const double number = t.Number(r, cpas_field);
    const bool repeats = o.compare == CompareAs::Text ? text == remembered_text : number == remembered_number;
    if (repeats) {
      const bool as_text = o.compare == CompareAs::Text;
      c.Relate(c.context);
      c.ReportDuplicate(*o.rule, remembered_row, as_text ? text : FormatCpas(remembered_number));
      c.Relate(remembered_row);
      c.ReportDuplicate(*o.rule, c.context, as_text ? text : FormatCpas(number));
    }
    remembered_text = std::move(text);
    remembered_number = number;
    remembered_row = c.context;
  });
}

void RunDuplicateIdnpPass(FindingWriter& c, TableIndexes& indexes, const RuleEntry& rule, const Table& t,
                          const DeclarationFields& context) {
  const int idnp_field = rule.field.first;
  std::string remembered(kNoTextYet);
  RowId remembered_row = kNoRow;
  c.WalkRows(indexes.Order(t, {idnp_field}), [&](RowId r) {
    SetDeclarationContext(c, t, r, context);
    std::string idnp = t.Text(r, idnp_field);
    if (idnp.empty()) return;
    if (idnp == remembered) {
      c.Relate(t, remembered_row);
      c.ReportNoRow(rule);
    }
    remembered = std::move(idnp);
    remembered_row = r;
  });
}

}  // namespace zentrox::common
