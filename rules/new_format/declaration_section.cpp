// Section "fisierul REV5_NA": the declarations, their identity documents,
// their links to the packs and the monthly rows, and the whole-file passes
// for duplicate CPAS codes, declarations per pack and duplicate IDNP codes.
#include <algorithm>
#include <array>

#include "engine/text.h"
#include "rules/common/duplicates.h"
#include "rules/new_format/new_format.h"

namespace zentrox::new_format {
namespace {

void SetDeclarationContext(FindingWriter& c, const Table& na, RowId r) {
  common::SetDeclarationContext(c, na, r, {na::NA_PL, na::NA_ID, na::NA_LAST_NAME});
}

// The date in the field `rule` names lies in [lowest, today], both ends
// included; an empty date passes.
void CheckDateWindow(Run& run, const RuleEntry& rule, RowId r, Date lowest) {
  const Table& na = run.dm.name_account;
  const int f = rule.field.first;
  if (na.IsEmpty(r, f)) return;
  Date d = na.DateValue(r, f);
  if (d < lowest || d > run.checks.today()) run.checks.Report(rule);
}

struct DeclarationLinks {
  DeclarationLinks(TableIndexes& indexes, const NewFormatTables& dm)
      : viddoc(indexes, dm.viddoc, {dict::ID}),
        pack(indexes, dm.pack_label, {pl::PL_ID}),
        // By pack first, as DeclarationLookup and for the same reason.
        monthly_rows(indexes, dm.saldo_data, {sd::SD_PL, sd::SD_NA}, {sd::SD_MONTH}),
        viddoc_of(viddoc.LinkColumn(dm.name_account, na::NA_DOC_TYPE)),
        pack_of(pack.LinkColumn(dm.name_account, na::NA_PL)) {}
  DeclarationLinks(const DeclarationLinks&) = delete;  // the column links point into it
  DeclarationLinks& operator=(const DeclarationLinks&) = delete;
  Lookup viddoc;
  Lookup pack;
  Lookup monthly_rows;
  // The same links of each REV5_NA row, found once per value.
  Lookup::ColumnLink viddoc_of;  // by NA_DOC_TYPE
  Lookup::ColumnLink pack_of;    // by NA_PL
};

void CheckPack(Run& run, DeclarationLinks& links, RowId r) {
  const Table& na = run.dm.name_account;
  run.checks.CheckFilled(rule::kNewNaPackFilled, na, r);
  run.checks.CheckPresentIn(rule::kNewNaPackInIp, na, r, Linked(run.dm.pack_label, links.pack_of(r)), pl::PL_ID);
}

void CheckMonthlyRowsExist(Run& run, DeclarationLinks& links, const DeclarationOptions& o, RowId r) {
  const Table& na = run.dm.name_account;
  Linked first(run.dm.saldo_data, links.monthly_rows.First(na, r, {na::NA_PL, na::NA_ID}));
  bool missing = o.monthly_rows == LinkTest::RowExists ? !first.found()
                                                       : first.Number(sd::SD_NA) != na.Number(r, na::NA_ID) ||
                                                             first.Number(sd::SD_PL) != na.Number(r, na::NA_PL);
  if (missing) run.checks.Report(rule::kNewNaMonthlyRowsExist);
}

void CheckCpas(Run& run, const DeclarationOptions& o, RowId r) {
  const Table& na = run.dm.name_account;
  std::string_view cpas = na.View(r, na::NA_CPAS);
  if (cpas.empty()) {
    if (o.cpas_missing_rule != nullptr) run.checks.Report(*o.cpas_missing_rule);
    return;
  }
  if (Utf8Length(cpas) != 11) run.checks.Report(rule::kNewNaCpasLength);
  run.checks.CheckDigitsOnly(rule::kNewNaCpasDigits, na, r);
}

void CheckNames(Run& run, RowId r) {
  const Table& na = run.dm.name_account;
  FindingWriter& c = run.checks;
  c.CheckFilled(rule::kNewNaLastNameFilled, na, r);
  c.CheckNameCharacters(rule::kNewNaLastNameCharacters, na, r);
  c.CheckFilled(rule::kNewNaFirstNameFilled, na, r);
  c.CheckNameCharacters(rule::kNewNaFirstNameCharacters, na, r);
  if (!na.IsEmpty(r, na::NA_MIDDLE_NAME)) c.CheckNameCharacters(rule::kNewNaMiddleNameCharacters, na, r);
}

void CheckIdnp(Run& run, RowId r) {
  const Table& na = run.dm.name_account;
  std::string_view idnp = na.View(r, na::NA_IDNP);
  if (idnp.empty()) return;
  if (Utf8Length(idnp) != 13) run.checks.Report(rule::kNewNaIdnpLength);
  run.checks.CheckDigitsOnly(rule::kNewNaIdnpDigits, na, r);
}

// The rules that tie the document type to the personal code and the
// document's series and number. A type of 0 means no document and is never
// accepted, so it always draws at least one of its two lines.
void CheckDocumentType(Run& run, DeclarationLinks& links, RowId r) {
  const Table& na = run.dm.name_account;
  FindingWriter& c = run.checks;
  if (!na.IsEmpty(r, na::NA_DOC_TYPE)) {
    c.CheckDictionaryCode(rule::kNewNaDocTypeInDictionary, na, r, Linked(run.dm.viddoc, links.viddoc_of(r)), dict::ID);
  }
  const bool type_empty = na.IsEmpty(r, na::NA_DOC_TYPE);
  const bool type_zero = !type_empty && na.Int(r, na::NA_DOC_TYPE) == 0;  // reads "0"
  const int type = na.Int(r, na::NA_DOC_TYPE);
  const bool idnp = !na.IsEmpty(r, na::NA_IDNP);
  const bool seria = !na.IsEmpty(r, na::NA_DOC_SERIA);
  const bool number = !na.IsEmpty(r, na::NA_DOC_NUMBER);

  if (type_zero && (idnp || seria || number)) c.Report(rule::kNewNaDocTypeZeroWithoutDocument);
  if (type_empty && !idnp && (seria || number)) c.Report(rule::kNewNaDocTypeGiven);
  if (type_zero && (!idnp || !seria || !number)) c.Report(rule::kNewNaDocTypeNotZero);
  static constexpr std::array kIdnpTypes = {1, 12, 13, 14, 22, 23, 24, 25, 26};
  if (std::find(kIdnpTypes.begin(), kIdnpTypes.end(), type) != kIdnpTypes.end() && !idnp) {
    c.Report(rule::kNewNaDocTypeNeedsIdnp);
  }
  if ((type == 2 || type == 3) && idnp) c.Report(rule::kNewNaDocTypeForbidsIdnp);
  if ((type == 2 || type == 3) && (!seria || !number)) c.Report(rule::kNewNaDocTypeNeedsSeries);
  if (type == 4 && !number) c.Report(rule::kNewNaDocTypeNeedsNumber);
}

void CheckIdentityPresent(Run& run, RowId r) {
  const Table& na = run.dm.name_account;
  if (na.IsEmpty(r, na::NA_CPAS) && na.IsEmpty(r, na::NA_IDNP) && na.IsEmpty(r, na::NA_DOC_SERIA) &&
      na.IsEmpty(r, na::NA_DOC_NUMBER)) {
    run.checks.Report(rule::kNewNaIdentityGiven);
  }
}

void CheckDocumentNumber(Run& run, RowId r) {
  const Table& na = run.dm.name_account;
  if (Utf8Length(na.View(r, na::NA_DOC_NUMBER)) > 8) run.checks.Report(rule::kNewNaDocNumberLength);
  run.checks.CheckDigitsOnly(rule::kNewNaDocNumberDigits, na, r);
}

// Groups the declarations by the text of NA_PL (in NA_PL;NA_ID order) and
// compares each group's size with PL_DOC_NUMBER of its pack (0 when the pack
// is missing). A pack without declarations is not reported here. A line
// names the pack's record in REV5_IP, or the group's first declaration when
// the pack is not there.
void RunDeclarationsPerPackPass(Run& run) {
  FindingWriter& c = run.checks;
  const Table& na = run.dm.name_account;
  Lookup packs(run.indexes, run.dm.pack_label, {pl::PL_ID});
  std::string group(common::kNoCodeYet);
  int count = 0;
  int declared = 0;
  FindingContext group_record;
  auto close = [&] {
    if (group != common::kNoCodeYet && declared != count) {
      c.ExpectWith(ExpectedKind::Value, [&] { return fmt::format("{}", count); });
      c.ReportPack(rule::kNewNaDeclarationsPerPack, group, group_record);
    }
  };
  c.WalkRows(*run.indexes.SharedOrder(na, {na::NA_PL, na::NA_ID}), [&](RowId r) {
    const std::string_view pack = na.View(r, na::NA_PL);
    if (pack != group) {
      close();
      group.assign(pack);
      count = 0;
      const Linked pack(run.dm.pack_label, packs.First(na, r, {na::NA_PL}));
      declared = pack.Int(pl::PL_DOC_NUMBER);
      if (pack.found()) {
        group_record.At(run.dm.pack_label, pack.row());
      } else {
        group_record.At(na, r);
      }
    }
    ++count;
  });
  close();
}

}  // namespace

void RunDeclarationSection(Run& run, const DeclarationOptions& options) {
  FindingWriter& c = run.checks;
  const Table& na = run.dm.name_account;
  static const Date kBirthLowest = *Date::FromYmd(1900, 1, 1);
  static const Date kIssueLowest = *Date::FromYmd(1950, 1, 1);
  {
    DeclarationLinks links(run.indexes, run.dm);
    c.WalkFile(na, [&](RowId r) {
      SetDeclarationContext(c, na, r);
      c.CheckFilled(rule::kNewNaIdFilled, na, r);
      CheckPack(run, links, r);
      CheckMonthlyRowsExist(run, links, options, r);
      CheckCpas(run, options, r);
      CheckNames(run, r);
      CheckDateWindow(run, rule::kNewNaBirthDateInWindow, r, kBirthLowest);
      CheckIdnp(run, r);
      CheckDocumentType(run, links, r);
      CheckIdentityPresent(run, r);
      CheckDocumentNumber(run, r);
      CheckDateWindow(run, rule::kNewNaIssueDateInWindow, r, kIssueLowest);
    });
  }
  run.result.declaration_count = static_cast<int>(na.size());
  if (na.empty()) c.ReportPlain(rule::kNewNaFileNotEmpty);
  const common::DeclarationFields who{na::NA_PL, na::NA_ID, na::NA_LAST_NAME};
  common::RunDuplicateCpasPass(c, run.indexes, na,
                               {.rule = &rule::kNewNaCpasUnique, .context = who, .compare = common::CompareAs::Text});
  RunDeclarationsPerPackPass(run);
  common::RunDuplicateIdnpPass(c, run.indexes, rule::kNewNaIdnpUnique, na, who);
}

}  // namespace zentrox::new_format
