// REV5_PL: the packs of an old-format annual package.

#include <optional>
#include <string>
#include <vector>

#include "data/text.h"
#include "rules/annual_old/annual_old_sections.h"
#include "rules/common/duplicates.h"

namespace zentrox::annual_old {
namespace {

const std::string& PlCaption(int f) { return Caption(FileKind::PL, f); }

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

void CheckPackNumber(PackScope& s, RowId r) {
  s.checks.CheckFilled("annual-old.pl.number-filled", s.packs(), r, old_pl::PL_NUM_IN_EA,
                       PlCaption(old_pl::PL_NUM_IN_EA));
}

void CheckTerritorialCode(PackScope& s, RowId r) {
  s.checks.CheckFilled("annual-old.pl.tkss-filled", s.packs(), r, old_pl::PL_TKSS, PlCaption(old_pl::PL_TKSS));
  Linked district(s.dm.raion, s.districts.First(s.packs(), r, {old_pl::PL_TKSS}));
  s.checks.CheckDictionaryCode("annual-old.pl.tkss-in-dictionary", s.packs(), r, old_pl::PL_TKSS, district, dict::ID,
                               PlCaption(old_pl::PL_TKSS));
}

void CheckRegistrationCode(PackScope& s, RowId r) {
  FindingWriter& c = s.checks;
  c.CheckFilled("annual-old.pl.nkss-filled", s.packs(), r, old_pl::PL_NKSS, PlCaption(old_pl::PL_NKSS));
  std::string nkss = s.packs().Text(r, old_pl::PL_NKSS);
  if (!nkss.empty() && Utf8Length(nkss) != 7) {
    c.ReportFieldError("annual-old.pl.nkss-length", PlCaption(old_pl::PL_NKSS), "не содержит 7 знаков.");
  }
  if (!nkss.empty() && Utf8Prefix(nkss, 2) != s.packs().Text(r, old_pl::PL_TKSS)) {
    c.ReportFieldError("annual-old.pl.nkss-tkss-prefix", PlCaption(old_pl::PL_NKSS),
                       "первые две цифры не равны коду ТКСС");
  }
  // The archive's name carries the employer's code; the whole path is
  // searched, as the window keeps only the path. An empty code occurs in any
  // text and is reported as not filled instead.
  if (!s.archive_path.empty() && s.archive_path.find(nkss) == std::string_view::npos) {
    c.ReportFieldError("annual-old.pl.nkss-matches-archive-name", PlCaption(old_pl::PL_NKSS),
                       "не совпадает с кодом из наименования файла-архива пакета");
  }
}

void CheckDocumentType(PackScope& s, RowId r) {
  s.checks.CheckFilled("annual-old.pl.kdt-filled", s.packs(), r, old_pl::PL_KDT, PlCaption(old_pl::PL_KDT));
  int kdt = s.packs().Int(r, old_pl::PL_KDT);
  if (kdt != 5 && kdt != 6)
    s.checks.ReportFieldError("annual-old.pl.kdt-5-or-6", PlCaption(old_pl::PL_KDT), "должно быть 5 или 6");
}

void CheckFormationDate(PackScope& s, RowId r) {
  s.checks.CheckFilled("annual-old.pl.formed-filled", s.packs(), r, old_pl::PL_FORM_COMPL_DT,
                       PlCaption(old_pl::PL_FORM_COMPL_DT));
  s.checks.CheckNotFuture("annual-old.pl.formed-not-future", s.packs(), r, old_pl::PL_FORM_COMPL_DT,
                          PlCaption(old_pl::PL_FORM_COMPL_DT));
  s.checks.CheckDateRange("annual-old.pl.formed-in-range", s.packs(), r, old_pl::PL_FORM_COMPL_DT,
                          PlCaption(old_pl::PL_FORM_COMPL_DT));
}

void CheckResponsibleName(PackScope& s, RowId r) {
  s.checks.CheckFilled("annual-old.pl.responsible-filled", s.packs(), r, old_pl::PL_RESP_NAME_IN_EA,
                       PlCaption(old_pl::PL_RESP_NAME_IN_EA));
  s.checks.CheckNameCharacters("annual-old.pl.responsible-characters", s.packs(), r, old_pl::PL_RESP_NAME_IN_EA,
                               PlCaption(old_pl::PL_RESP_NAME_IN_EA));
}

void CheckSheetAmount(PackScope& s, RowId r) {
  s.checks.CheckFilled("annual-old.pl.sheets-filled", s.packs(), r, old_pl::PL_SHEET_AMOUNT,
                       PlCaption(old_pl::PL_SHEET_AMOUNT));
  if (s.packs().Int(r, old_pl::PL_SHEET_AMOUNT) > 50) {
    s.checks.ReportFieldError("annual-old.pl.sheets-at-most-50", PlCaption(old_pl::PL_SHEET_AMOUNT),
                              "должно быть <= 50");
  }
}

void CheckPages(PackScope& s, RowId r) {
  s.checks.CheckFilled("annual-old.pl.pages-filled", s.packs(), r, old_pl::PL_PAGES, PlCaption(old_pl::PL_PAGES));
  if (s.packs().Int(r, old_pl::PL_PAGES) < s.packs().Int(r, old_pl::PL_SHEET_AMOUNT)) {
    s.checks.ReportFieldError("annual-old.pl.pages-at-least-sheets", PlCaption(old_pl::PL_PAGES),
                              "должно быть >= знач.поля \"7.Документов в пачке\"");
  }
}

void CheckYear(PackScope& s, RowId r) {
  s.checks.CheckFilled("annual-old.pl.year-filled", s.packs(), r, old_pl::PL_YEAR, PlCaption(old_pl::PL_YEAR));
  if (s.packs().Int(r, old_pl::PL_YEAR) < 1999) {
    s.checks.ReportFieldError("annual-old.pl.year-from-1999", PlCaption(old_pl::PL_YEAR), "должно быть >= 1999");
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
    s.checks.CheckSumEquals("annual-old.pl.sums-match-declarations", s.packs(), r, p.pack_field,
                            PlCaption(p.pack_field), SumOf(s.dm.saldo_data, totals, p.row_field));
  }
}

// The pack's expenses equal the sum of its code-99 expense totals.
void CheckExpensesAgainstTotalRows(PackScope& s, RowId r) {
  KeyValue key[] = {KeyValue::Of(s.packs(), r, old_pl::PL_NUM_IN_EA), CodeKey(kTotalExpenseCode)};
  s.checks.CheckSumEquals("annual-old.pl.expense-total-matches-declarations", s.packs(), r, old_pl::PL_SUM_TOTAL,
                          PlCaption(old_pl::PL_SUM_TOTAL),
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

void RunPackSection(RuleRun& run) {
  FindingWriter& c = run.checks;
  const OldFormatTables& dm = *run.dm1;
  c.BeginSection("REV5_PL");
  PackScope scope{c,
                  dm,
                  run.archive_path,
                  Lookup(dm.raion, {dict::ID}),
                  Lookup(dm.saldo_data, {old_sd::SD_PL, old_sd::SD_MONTH}),
                  Lookup(dm.money_util, {old_mu::MU_PL, old_mu::MU_CODE})};
  const Table& packs = dm.pack_label;
  c.WalkFile(packs, [&](RowId r) {
    c.context.pack = packs.Text(r, old_pl::PL_NUM_IN_EA);
    c.context.At(packs, r);
    for (PackRule rule : kPackRules) rule(scope, r);
  });
  run.pack_count = c.row;
  if (c.row == 0) c.ReportPlain("annual-old.pl.file-not-empty", kEmptyFile);

  RowId last = common::RunDuplicatePackPass(c, "annual-old.pl.pack-unique", packs, old_pl::PL_NUM_IN_EA,
                                            PlCaption(old_pl::PL_NUM_IN_EA));
  // The closing line names the pack row the last walk over the packs ended
  // on: with several packs, the one with the highest number (the last of
  // equal numbers in file order); with none, nothing.
  run.agent = Linked(packs, last).Text(old_pl::PL_NKSS);
}

}  // namespace zentrox::annual_old
