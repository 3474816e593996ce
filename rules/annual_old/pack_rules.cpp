// REV5_PL: the packs of an old-format annual package.

#include <optional>
#include <string>
#include <vector>

#include "engine/text.h"
#include "rules/annual_old/annual_old_sections.h"
#include "rules/common/duplicates.h"

namespace zentrox::annual_old {
namespace {

// What the rules of one pack row read: the tables and the indexes built once
// for the walk.
struct PackScope {
  FindingWriter& checks;
  const OldFormatTables& dm;
  std::string_view archive_path;
  Lookup districts;     // raion by ID_RAION
  Lookup total_rows;    // saldo_data by SD_PL, SD_MONTH
  Lookup expense_rows;  // money_util by MU_PL, MU_CODE

  const Table& packs() const { return dm.pack_label; }
};

using PackRule = void (*)(PackScope&, RowId);

void CheckPackNumber(PackScope& s, RowId r) { s.checks.CheckFilled(rule::kAnnualOldPlNumberFilled, s.packs(), r); }

void CheckTerritorialCode(PackScope& s, RowId r) {
  s.checks.CheckFilled(rule::kAnnualOldPlTkssFilled, s.packs(), r);
  Linked district(s.dm.raion, s.districts.First(s.packs(), r, {old_pl::PL_TKSS}));
  s.checks.CheckDictionaryCode(rule::kAnnualOldPlTkssInDictionary, s.packs(), r, district, dict::ID);
}

void CheckRegistrationCode(PackScope& s, RowId r) {
  FindingWriter& c = s.checks;
  c.CheckFilled(rule::kAnnualOldPlNkssFilled, s.packs(), r);
  std::string nkss = s.packs().Text(r, old_pl::PL_NKSS);
  if (!nkss.empty() && Utf8Length(nkss) != 7) {
    c.Report(rule::kAnnualOldPlNkssLength);
  }
  if (!nkss.empty() && Utf8Prefix(nkss, 2) != s.packs().Text(r, old_pl::PL_TKSS)) {
    c.Report(rule::kAnnualOldPlNkssTkssPrefix);
  }
  // The archive's name carries the employer's code; the whole path is
  // searched, as the window keeps only the path. An empty code occurs in any
  // text and is reported as not filled instead.
  if (!s.archive_path.empty() && s.archive_path.find(nkss) == std::string_view::npos) {
    c.Report(rule::kAnnualOldPlNkssMatchesArchiveName);
  }
}

void CheckDocumentType(PackScope& s, RowId r) {
  s.checks.CheckFilled(rule::kAnnualOldPlKdtFilled, s.packs(), r);
  int kdt = s.packs().Int(r, old_pl::PL_KDT);
  if (kdt != 5 && kdt != 6) s.checks.Report(rule::kAnnualOldPlKdt5Or6);
}

void CheckFormationDate(PackScope& s, RowId r) {
  s.checks.CheckFilled(rule::kAnnualOldPlFormedFilled, s.packs(), r);
  s.checks.CheckNotFuture(rule::kAnnualOldPlFormedNotFuture, s.packs(), r);
  s.checks.CheckDateRange(rule::kAnnualOldPlFormedInRange, s.packs(), r);
}

void CheckResponsibleName(PackScope& s, RowId r) {
  s.checks.CheckFilled(rule::kAnnualOldPlResponsibleFilled, s.packs(), r);
  s.checks.CheckNameCharacters(rule::kAnnualOldPlResponsibleCharacters, s.packs(), r);
}

void CheckSheetAmount(PackScope& s, RowId r) {
  s.checks.CheckFilled(rule::kAnnualOldPlSheetsFilled, s.packs(), r);
  if (s.packs().Int(r, old_pl::PL_SHEET_AMOUNT) > 50) {
    s.checks.Report(rule::kAnnualOldPlSheetsAtMost50);
  }
}

void CheckPages(PackScope& s, RowId r) {
  s.checks.CheckFilled(rule::kAnnualOldPlPagesFilled, s.packs(), r);
  if (s.packs().Int(r, old_pl::PL_PAGES) < s.packs().Int(r, old_pl::PL_SHEET_AMOUNT)) {
    s.checks.Report(rule::kAnnualOldPlPagesAtLeastSheets);
  }
}

void CheckYear(PackScope& s, RowId r) {
  s.checks.CheckFilled(rule::kAnnualOldPlYearFilled, s.packs(), r);
  if (s.packs().Int(r, old_pl::PL_YEAR) < 1999) {
    s.checks.Report(rule::kAnnualOldPlYearFrom1999);
  }
}

// The pack's sums equal the sums of its declarations' total rows (month 13).
void CheckSumsAgainstTotalRows(PackScope& s, RowId r) {
  struct Pair {
    int pack_field;
    int row_field;
  };
  static constexpr Pair kPairs[] = {
      {old_pl::PL_PAYM_FOND, old_sd::SD_PAYM_FOND},     {old_pl::PL_ILL, old_sd::SD_ILL},
      {old_pl::PL_SUM_REAL_EA, old_sd::SD_SUM_REAL_EA}, {old_pl::PL_SUM_ADD_EA, old_sd::SD_SUM_ADD_EA},
      {old_pl::PL_SUM_REAL_AP, old_sd::SD_SUM_REAL_AP}, {old_pl::PL_SUM_ADD_AP, old_sd::SD_SUM_ADD_AP},
  };
  KeyValue key[] = {KeyValue::Of(s.packs(), r, old_pl::PL_NUM_IN_EA), CodeKey(kTotalMonth)};
  Lookup::Range totals = s.total_rows.Find(key);
  for (const Pair& p : kPairs) {
    s.checks.CheckSumEquals(rule::kAnnualOldPlSumsMatchDeclarations, s.packs(), r, p.pack_field,
                            SumOf(s.dm.saldo_data, totals, p.row_field));
  }
}

// The pack's expenses equal the sum of its code-99 expense totals.
void CheckExpensesAgainstTotalRows(PackScope& s, RowId r) {
  KeyValue key[] = {KeyValue::Of(s.packs(), r, old_pl::PL_NUM_IN_EA), CodeKey(kTotalExpenseCode)};
  s.checks.CheckSumEquals(rule::kAnnualOldPlExpenseTotalMatchesDeclarations, s.packs(), r,
                          SumOf(s.dm.money_util, s.expense_rows.Find(key), old_mu::MU_13));
}

constexpr PackRule kPackRules[] = {
    CheckPackNumber,
    CheckTerritorialCode,
    CheckRegistrationCode,
    CheckDocumentType,
    CheckFormationDate,
    CheckResponsibleName,
    CheckSheetAmount,
    CheckPages,
    CheckYear,
    CheckSumsAgainstTotalRows,
    CheckExpensesAgainstTotalRows,
};

}  // namespace

PassResult RunPackSection(const RuleRun& run) {
  FindingWriter& c = run.checks;
  const OldFormatTables& dm = *run.dm1;
  PackScope scope{c,
                  dm,
                  run.archive_path,
                  Lookup(run.indexes, dm.raion, {dict::ID}),
                  Lookup(run.indexes, dm.saldo_data, {old_sd::SD_PL, old_sd::SD_MONTH}),
                  Lookup(run.indexes, dm.money_util, {old_mu::MU_PL, old_mu::MU_CODE})};
  const Table& packs = dm.pack_label;
  c.WalkFile(packs, [&](RowId r) {
    c.context.pack = packs.Text(r, old_pl::PL_NUM_IN_EA);
    c.context.At(packs, r);
    for (PackRule rule : kPackRules) rule(scope, r);
  });
  PassResult result;
  result.pack_count = c.row;
  if (c.row == 0) c.ReportPlain(rule::kAnnualOldPlFileNotEmpty);

  RowId last = common::RunDuplicatePackPass(c, run.indexes, rule::kAnnualOldPlPackUnique, packs);
  // The closing line names the pack row the last walk over the packs ended
  // on: with several packs, the one with the highest number (the last of
  // equal numbers in file order); with none, nothing.
  result.agent = Linked(packs, last).Text(old_pl::PL_NKSS);
  return result;
}

}  // namespace zentrox::annual_old
