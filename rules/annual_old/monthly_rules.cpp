// REV5_SD: the monthly rows of the declarations, with their tariffs, and
// their total rows (month 13).

#include <array>
#include <optional>
#include <string>

#include "rules/annual_old/annual_old_sections.h"

namespace zentrox::annual_old {
namespace {

constexpr std::string_view kDeclaration = "1.Номер декларации";
constexpr std::string_view kPack = "2.Номер пачки";
constexpr std::string_view kMonth = "3.Месяц";
constexpr std::string_view kFund = "4.Фонд оплаты";
constexpr std::string_view kIll = "5.Больничные";
constexpr std::string_view kTariffEmployer = "6.Тариф ЭА";
constexpr std::string_view kTariffPerson = "9.Тариф ЗЛ";
// Both caps are reported on the transferred sum, also the one that tests the
// accrued sum.
constexpr std::string_view kPersonTransferred = "10.Сумма, перечисленная ЗЛ";

constexpr std::string_view kTariffZero = " = 0. Должно быть заполнено из классификатора.";
constexpr int kTotalMonth = 13;

// What the rules of one monthly row read: the tables and the indexes built
// once for the walk.
struct MonthlyScope {
  Checks& checks;
  const TDM1& dm;
  Lookup packs;           // pack_label by PL_NUM_IN_EA
  Lookup declarations;    // name_account by NA_ID, NA_PL
  Lookup months;          // months by ID_MONTH
  Lookup tariffs;         // tarif by ID_TARIF
  Lookup person_tariffs;  // tarif_ap by ID_TARIF_AP

  const Table& rows() const { return dm.saldo_data; }
};

// One monthly row with what it links to.
struct MonthlyRow {
  RowId row;
  Linked pack;
  Linked declaration;
  bool total;  // month 13
};

using MonthlyRule = void (*)(MonthlyScope&, const MonthlyRow&);

void CheckDeclaration(MonthlyScope& s, const MonthlyRow& m) {
  s.checks.CheckFilled("annual-old.sd.declaration-filled", s.rows(), m.row, osd::SD_NA, kDeclaration);
  if (!m.declaration.found()) {
    s.checks.ReportFieldError("annual-old.sd.declaration-present", kDeclarationAndPack, kNotInDeclarations);
  }
}

void CheckPack(MonthlyScope& s, const MonthlyRow& m) {
  s.checks.CheckFilled("annual-old.sd.pack-filled", s.rows(), m.row, osd::SD_PL, kPack);
  s.checks.CheckPresentIn("annual-old.sd.pack-present", s.rows(), m.row, osd::SD_PL, m.pack, opl::PL_NUM_IN_EA,
                          kPack, "REV5_PL");
}

void CheckMonth(MonthlyScope& s, const MonthlyRow& m) {
  s.checks.CheckFilled("annual-old.sd.month-filled", s.rows(), m.row, osd::SD_MONTH, kMonth);
  Linked month(s.dm.months, s.months.First(s.rows(), m.row, {osd::SD_MONTH}));
  s.checks.CheckDictionaryCode("annual-old.sd.month-dictionary", s.rows(), m.row, osd::SD_MONTH, month, dict::ID,
                               kMonth);
}

// A tariff of an ordinary row comes from the tariff dictionary (compared as
// numbers) and is never 0. Total rows carry no tariff.
void CheckTariff(MonthlyScope& s, const MonthlyRow& m, int field, const Table& dictionary, const Lookup& index,
                 std::string_view caption, std::string_view filled_rule, std::string_view dictionary_rule,
                 std::string_view zero_rule) {
  if (m.total) return;
  s.checks.CheckFilled(filled_rule, s.rows(), m.row, field, caption);
  Linked tariff(dictionary, index.First(s.rows(), m.row, {field}));
  s.checks.CheckDictionaryCode(dictionary_rule, s.rows(), m.row, field, tariff, dict::ID, caption);
  if (s.rows().Number(m.row, field) == 0) s.checks.ReportFieldError(zero_rule, caption, kTariffZero);
}

void CheckEmployerTariff(MonthlyScope& s, const MonthlyRow& m) {
  CheckTariff(s, m, osd::SD_TARIF_EA, s.dm.tarif, s.tariffs, kTariffEmployer, "annual-old.sd.tariff-ea-filled",
              "annual-old.sd.tariff-ea-dictionary", "annual-old.sd.tariff-ea-zero");
}

void CheckSickPayWithinFund(MonthlyScope& s, const MonthlyRow& m) {
  if (s.rows().Number(m.row, osd::SD_ILL) > s.rows().Number(m.row, osd::SD_PAYM_FOND)) {
    s.checks.ReportFieldError("annual-old.sd.ill-above-fund", kIll, "больше, чем поле <Фонд оплаты> ");
  }
}

void CheckAmountsNotNegative(MonthlyScope& s, const MonthlyRow& m) {
  s.checks.CheckNotNegative("annual-old.sd.fund-negative", s.rows(), m.row, osd::SD_PAYM_FOND, kFund);
  s.checks.CheckNotNegative("annual-old.sd.ill-negative", s.rows(), m.row, osd::SD_ILL, kIll);
}

void CheckPersonTariff(MonthlyScope& s, const MonthlyRow& m) {
  CheckTariff(s, m, osd::SD_TARIF_AP, s.dm.tarif_ap, s.person_tariffs, kTariffPerson,
              "annual-old.sd.tariff-ap-filled", "annual-old.sd.tariff-ap-dictionary", "annual-old.sd.tariff-ap-zero");
}

// 2006 limited what an insured person transferred per month to 153.
void CheckTransferCap2006(MonthlyScope& s, const MonthlyRow& m) {
  if (m.total || m.declaration.Int(ona::NA_YEAR) != 2006) return;
  if (s.rows().Number(m.row, osd::SD_SUM_REAL_AP) > 153) {
    s.checks.ReportFieldError("annual-old.sd.transfer-cap-2006", kPersonTransferred,
                              "превышение лимита взносов (>153.00).");
  }
}

// The yearly cap on an insured person's accrued contributions per month,
// compared in cents. Years without a cap return nothing.
std::optional<double> AccrualCap(int year) {
  switch (year) {
    case 2003: return 24.54;
    case 2004: return 54.90;
    case 2005: return 83.10;
    case 2006: return 153.00;
    case 2007: return 241.80;
    default: return std::nullopt;
  }
}

void CheckAccrualCap(MonthlyScope& s, const MonthlyRow& m) {
  if (m.total) return;
  std::optional<double> cap = AccrualCap(m.pack.Int(opl::PL_YEAR));
  if (cap && Cents(s.rows().Number(m.row, osd::SD_SUM_ADD_AP)) > Cents(*cap)) {
    // The text ends with the cap; it has no closing parenthesis.
    s.checks.ReportFieldError("annual-old.sd.accrual-cap", kPersonTransferred,
                              "превышение лимита взносов (>" + FormatLimit(*cap));
  }
}

constexpr MonthlyRule kMonthlyRules[] = {
    CheckDeclaration,  CheckPack,            CheckMonth,      CheckEmployerTariff, CheckSickPayWithinFund,
    CheckAmountsNotNegative, CheckPersonTariff, CheckTransferCap2006, CheckAccrualCap,
};

// The six sums a total row carries, with their captions.
struct TotalColumn {
  int field;
  std::string_view caption;
};
constexpr std::array<TotalColumn, 6> kTotalColumns = {{
    {osd::SD_PAYM_FOND, "4.Фонд оплаты"},
    {osd::SD_ILL, "5.Больничные"},
    {osd::SD_SUM_REAL_EA, "7.Сумма, перечисленная ЭА"},
    {osd::SD_SUM_ADD_EA, "8.Сумма, начисленная ЭА"},
    {osd::SD_SUM_REAL_AP, "10.Сумма, перечисленная ЗЛ"},
    {osd::SD_SUM_ADD_AP, "11.Сумма, начисленная ЗЛ"},
}};

// Each declaration's rows in month order: exactly one total row, equal to
// the sums of the ordinary rows before it. Groups are consecutive rows whose
// declaration and pack numbers read the same as written. The row counter
// stays where the walk left it. A line names the total row it compares; a
// declaration without one is named by its first row, whose fields the line
// quotes.
void CheckTotalRows(Checks& c, const Table& rows, const Table& declarations) {
  Lookup by_declaration(declarations, {ona::NA_ID, ona::NA_PL});
  std::vector<RowId> order = rows.Order({osd::SD_NA, osd::SD_PL, osd::SD_MONTH});
  std::size_t i = 0;
  while (i < order.size()) {
    RowId first = order[i];
    std::string declaration = rows.Text(first, osd::SD_NA);
    std::string pack = rows.Text(first, osd::SD_PL);
    SetRowContext(c, rows, first, osd::SD_NA, osd::SD_PL,
                  Linked(declarations, by_declaration.First(rows, first, {osd::SD_NA, osd::SD_PL})));
    std::array<double, kTotalColumns.size()> sums{};
    bool seen_total = false;
    for (; i < order.size() && rows.Text(order[i], osd::SD_NA) == declaration &&
           rows.Text(order[i], osd::SD_PL) == pack;
         ++i) {
      RowId r = order[i];
      if (rows.Int(r, osd::SD_MONTH) != kTotalMonth) {
        for (std::size_t k = 0; k < kTotalColumns.size(); ++k) sums[k] += rows.Number(r, kTotalColumns[k].field);
        continue;
      }
      c.context.At(rows, r);
      if (seen_total) c.ReportFieldError("annual-old.sd.total-twice", "", "итог (13) два раза");
      seen_total = true;
      for (std::size_t k = 0; k < kTotalColumns.size(); ++k) {
        c.CheckSumEquals("annual-old.sd.total-sums", rows, r, kTotalColumns[k].field, kTotalColumns[k].caption,
                         sums[k]);
      }
    }
    if (!seen_total) {
      c.ReportFieldError("annual-old.sd.total-missing", "", "пропущена итоговая строка с кодом месяца \"13\".");
    }
  }
}

}  // namespace

void RunMonthlySection(RuleRun& run) {
  Checks& c = run.checks;
  const TDM1& dm = *run.dm1;
  c.BeginSection("REV5_SD");
  MonthlyScope scope{c,
                     dm,
                     Lookup(dm.pack_label, {opl::PL_NUM_IN_EA}),
                     Lookup(dm.name_account, {ona::NA_ID, ona::NA_PL}),
                     Lookup(dm.months, {dict::ID}),
                     Lookup(dm.tarif, {dict::ID}),
                     Lookup(dm.tarif_ap, {dict::ID})};
  const Table& rows = dm.saldo_data;
  for (RowId r = 0; r < rows.size(); ++r) {
    ++c.row;
    MonthlyRow m{r, Linked(dm.pack_label, scope.packs.First(rows, r, {osd::SD_PL})),
                 Linked(dm.name_account, scope.declarations.First(rows, r, {osd::SD_NA, osd::SD_PL})),
                 rows.Int(r, osd::SD_MONTH) == kTotalMonth};
    SetRowContext(c, rows, r, osd::SD_NA, osd::SD_PL, m.declaration);
    for (MonthlyRule rule : kMonthlyRules) rule(scope, m);
  }
  if (c.row == 0) c.ReportPlain("annual-old.sd.empty-file", kEmptyFile);

  CheckTotalRows(c, rows, dm.name_account);
}

}  // namespace zentrox::annual_old
