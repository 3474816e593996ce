// REV5_PL: the packs of an old-format annual package.

#include <optional>
#include <string>
#include <vector>

#include "data/text.h"
#include "rules/annual_old/annual_old_sections.h"

namespace zentrox::annual_old {
namespace {

constexpr std::string_view kNumber = "1.Номер пачки у ЭА";
constexpr std::string_view kTkss = "2.Код ТКСС";
constexpr std::string_view kNkss = "3.Код НКСС ЭА";
constexpr std::string_view kKdt = "4.Тип документа";
constexpr std::string_view kFormed = "5.Дата формирования пачки";
constexpr std::string_view kResponsible = "6.ФИО ответствен.ЭА";
constexpr std::string_view kSheets = "7.Документов в пачке";
constexpr std::string_view kPages = "8.Всего листов в пачке";
constexpr std::string_view kYear = "9.Отчетный год";
constexpr std::string_view kTotalExpenses = "16.Всего расходов";

// What the rules of one pack row read: the tables and the indexes built once
// for the walk.
struct PackScope {
  Checks& checks;
  const TDM1& dm;
  std::string_view archive_path;
  Lookup districts;     // raion by ID_RAION
  Lookup total_rows;    // saldo_data by SD_PL, SD_MONTH
  Lookup expense_rows;  // money_util by MU_PL, MU_CODE

  const Table& packs() const { return dm.pack_label; }
};

using PackRule = void (*)(PackScope&, RowId);

void CheckPackNumber(PackScope& s, RowId r) {
  s.checks.CheckFilled("annual-old.pl.number-filled", s.packs(), r, opl::PL_NUM_IN_EA, kNumber);
}

void CheckTerritorialCode(PackScope& s, RowId r) {
  s.checks.CheckFilled("annual-old.pl.tkss-filled", s.packs(), r, opl::PL_TKSS, kTkss);
  Linked district(s.dm.raion, s.districts.First(s.packs(), r, {opl::PL_TKSS}));
  s.checks.CheckDictionaryCode("annual-old.pl.tkss-dictionary", s.packs(), r, opl::PL_TKSS, district, dict::ID,
                               kTkss);
}

void CheckRegistrationCode(PackScope& s, RowId r) {
  Checks& c = s.checks;
  c.CheckFilled("annual-old.pl.nkss-filled", s.packs(), r, opl::PL_NKSS, kNkss);
  std::string nkss = s.packs().Text(r, opl::PL_NKSS);
  if (!nkss.empty() && Utf8Length(nkss) != 7) {
    c.ReportFieldError("annual-old.pl.nkss-length", kNkss, "не содержит 7 знаков.");
  }
  if (!nkss.empty() && Utf8Prefix(nkss, 2) != s.packs().Text(r, opl::PL_TKSS)) {
    c.ReportFieldError("annual-old.pl.nkss-tkss-prefix", kNkss, "первые две цифры не равны коду ТКСС");
  }
  // The archive's name carries the employer's code; the whole path is
  // searched, as the window keeps only the path. An empty code occurs in any
  // text and is reported as not filled instead.
  if (!s.archive_path.empty() && s.archive_path.find(nkss) == std::string_view::npos) {
    c.ReportFieldError("annual-old.pl.nkss-archive-name", kNkss,
                       "не совпадает с кодом из наименования файла-архива пакета");
  }
}

void CheckDocumentType(PackScope& s, RowId r) {
  s.checks.CheckFilled("annual-old.pl.kdt-filled", s.packs(), r, opl::PL_KDT, kKdt);
  int kdt = s.packs().Int(r, opl::PL_KDT);
  if (kdt != 5 && kdt != 6) s.checks.ReportFieldError("annual-old.pl.kdt-value", kKdt, "должно быть 5 или 6");
}

void CheckFormationDate(PackScope& s, RowId r) {
  s.checks.CheckFilled("annual-old.pl.formed-filled", s.packs(), r, opl::PL_FORM_COMPL_DT, kFormed);
  s.checks.CheckNotFuture("annual-old.pl.formed-future", s.packs(), r, opl::PL_FORM_COMPL_DT, kFormed);
  s.checks.CheckDateRange("annual-old.pl.formed-range", s.packs(), r, opl::PL_FORM_COMPL_DT, kFormed);
}

void CheckResponsibleName(PackScope& s, RowId r) {
  s.checks.CheckFilled("annual-old.pl.responsible-filled", s.packs(), r, opl::PL_RESP_NAME_IN_EA, kResponsible);
  s.checks.CheckNameCharacters("annual-old.pl.responsible-characters", s.packs(), r, opl::PL_RESP_NAME_IN_EA,
                               kResponsible);
}

void CheckSheetAmount(PackScope& s, RowId r) {
  s.checks.CheckFilled("annual-old.pl.sheets-filled", s.packs(), r, opl::PL_SHEET_AMOUNT, kSheets);
  if (s.packs().Int(r, opl::PL_SHEET_AMOUNT) > 50) {
    s.checks.ReportFieldError("annual-old.pl.sheets-max", kSheets, "должно быть <= 50");
  }
}

void CheckPages(PackScope& s, RowId r) {
  s.checks.CheckFilled("annual-old.pl.pages-filled", s.packs(), r, opl::PL_PAGES, kPages);
  if (s.packs().Int(r, opl::PL_PAGES) < s.packs().Int(r, opl::PL_SHEET_AMOUNT)) {
    s.checks.ReportFieldError("annual-old.pl.pages-min", kPages,
                              "должно быть >= знач.поля \"7.Документов в пачке\"");
  }
}

void CheckYear(PackScope& s, RowId r) {
  s.checks.CheckFilled("annual-old.pl.year-filled", s.packs(), r, opl::PL_YEAR, kYear);
  if (s.packs().Int(r, opl::PL_YEAR) < 1999) {
    s.checks.ReportFieldError("annual-old.pl.year-min", kYear, "должно быть >= 1999");
  }
}

// The pack's sums equal the sums of its declarations' total rows (month 13).
void CheckSumsAgainstTotalRows(PackScope& s, RowId r) {
  struct Pair {
    int pack_field;
    int row_field;
    std::string_view caption;
  };
  static constexpr Pair kPairs[] = {
      {opl::PL_PAYM_FOND, osd::SD_PAYM_FOND, "10.Фонд оплаты"},
      {opl::PL_ILL, osd::SD_ILL, "11.Больничные"},
      {opl::PL_SUM_REAL_EA, osd::SD_SUM_REAL_EA, "12.Сумма, перечисленная ЭА"},
      {opl::PL_SUM_ADD_EA, osd::SD_SUM_ADD_EA, "13.Сумма, начисленная ЭА"},
      {opl::PL_SUM_REAL_AP, osd::SD_SUM_REAL_AP, "14.Сумма, перечисленная ЗЛ"},
      {opl::PL_SUM_ADD_AP, osd::SD_SUM_ADD_AP, "15.Сумма, начисленная ЗЛ"},
  };
  KeyValue key[] = {KeyValue::Of(s.packs(), r, opl::PL_NUM_IN_EA), CodeKey(13)};
  Lookup::Range totals = s.total_rows.Find(key);
  for (const Pair& p : kPairs) {
    s.checks.CheckSumEquals("annual-old.pl.sd-totals", s.packs(), r, p.pack_field, p.caption,
                            SumOf(s.dm.saldo_data, totals, p.row_field));
  }
}

// The pack's expenses equal the sum of its code-99 expense totals.
void CheckExpensesAgainstTotalRows(PackScope& s, RowId r) {
  KeyValue key[] = {KeyValue::Of(s.packs(), r, opl::PL_NUM_IN_EA), CodeKey(99)};
  s.checks.CheckSumEquals("annual-old.pl.expense-total", s.packs(), r, opl::PL_SUM_TOTAL, kTotalExpenses,
                          SumOf(s.dm.money_util, s.expense_rows.Find(key), mu::MU_13));
}

constexpr PackRule kPackRules[] = {
    CheckPackNumber,    CheckTerritorialCode, CheckRegistrationCode,     CheckDocumentType,
    CheckFormationDate, CheckResponsibleName, CheckSheetAmount,          CheckPages,
    CheckYear,          CheckSumsAgainstTotalRows, CheckExpensesAgainstTotalRows,
};

// Walks the packs in the order of their numbers and reports a number equal
// (as written) to the one before. Returns the row the walk ended on.
RowId CheckDuplicatePacks(Checks& c, const Table& packs) {
  c.row = 0;
  std::vector<RowId> order = packs.Order({opl::PL_NUM_IN_EA});
  std::optional<std::string> previous;
  for (RowId r : order) {
    ++c.row;
    c.context.At(packs, r);  // the later of two equal numbers
    std::string number = packs.Text(r, opl::PL_NUM_IN_EA);
    if (previous && *previous == number) {
      c.context.pack = *previous;
      c.ReportFieldError("annual-old.pl.duplicate-pack", kNumber, "ВНИМАНИЕ! Дублирование номера пачки");
    }
    previous = std::move(number);
  }
  return order.empty() ? kNoRow : order.back();
}

}  // namespace

void RunPackSection(RuleRun& run) {
  Checks& c = run.checks;
  const TDM1& dm = *run.dm1;
  c.BeginSection("REV5_PL");
  PackScope scope{c,
                  dm,
                  run.archive_path,
                  Lookup(dm.raion, {dict::ID}),
                  Lookup(dm.saldo_data, {osd::SD_PL, osd::SD_MONTH}),
                  Lookup(dm.money_util, {mu::MU_PL, mu::MU_CODE})};
  const Table& packs = dm.pack_label;
  for (RowId r = 0; r < packs.size(); ++r) {
    ++c.row;
    c.context.pack = packs.Text(r, opl::PL_NUM_IN_EA);
    c.context.At(packs, r);
    for (PackRule rule : kPackRules) rule(scope, r);
  }
  run.pack_count = c.row;
  if (c.row == 0) c.ReportPlain("annual-old.pl.empty-file", kEmptyFile);

  RowId last = CheckDuplicatePacks(c, packs);
  // The closing line names the pack row the last walk over the packs ended
  // on: with several packs, the one with the highest number (the last of
  // equal numbers in file order); with none, nothing.
  run.agent = Linked(packs, last).Text(opl::PL_NKSS);
}

}  // namespace zentrox::annual_old
