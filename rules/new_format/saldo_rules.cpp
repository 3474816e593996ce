// Section "fisierul REV5_SD": the frame of the monthly-row pass and the
// checks of one monthly row that the new-format sets share.
#include <array>

#include "rules/new_format/new_format.h"

namespace zentrox::new_format {

SaldoLinks::SaldoLinks(TableIndexes& indexes, const NewFormatTables& dm)
    : declaration(DeclarationLookup(indexes, dm.name_account)),
      pack(indexes, dm.pack_label, {pl::PL_ID}),
      month(indexes, dm.months, {dict::ID}),
      category(indexes, dm.new_kategor, {dict::ID_KATEG}),
      prof(indexes, dm.prof, {dict::ID}),
      new_prof(indexes, dm.new_prof, {dict::ID_PROF}),
      pack_of(pack.LinkColumn(dm.saldo_data, sd::SD_PL)),
      month_of(month.LinkColumn(dm.saldo_data, sd::SD_MONTH)),
      category_of(category.LinkColumn(dm.saldo_data, sd::SD_CATEGORY)),
      prof_of(prof.LinkColumn(dm.saldo_data, sd::SD_JOB_CODE)),
      new_prof_of(new_prof.LinkColumn(dm.saldo_data, sd::SD_JOB_CODE)) {}

SaldoRow::SaldoRow(Run& run_, SaldoLinks& links_, RowId r_)
    : SaldoRow(run_, links_, r_, FindDeclaration(links_.declaration, run_.dm.saldo_data, r_)) {}

SaldoRow::SaldoRow(Run& run_, SaldoLinks& links_, RowId r_, RowId declaration_)
    : run(run_),
      checks(run_.checks),
      sd(run_.dm.saldo_data),
      links(links_),
      r(r_),
      declaration(declaration_),
      month(sd.Int(r_, sd::SD_MONTH)),
      total(month == common::kTotalMonth),
      category(sd.Text(r_, sd::SD_CATEGORY)) {}

const Ymd& SaldoRow::YmdOf(int f) const {
  const std::size_t k = f == sd::SD_BEGIN_DT ? 0 : 1;
  if (ymd_field_[k] != f) {
    ymd_[k] = DateOf(f).ymd();
    ymd_field_[k] = f;
  }
  return ymd_[k];
}

void SetSaldoContext(Run& run, Lookup& declarations, RowId r) {
  SaldoContext(run, declarations).SetContext(r);
  run.checks.context.At(run.dm.saldo_data, r);
}

void SaldoContext::SetContext(RowId r) {
  const Table& sd = run_.dm.saldo_data;
  FindingContext& context = run_.checks.context;
  common::AssignText(context.pack, sd, r, sd::SD_PL);
  common::AssignText(context.declaration, sd, r, sd::SD_NA);
  common::AssignText(context.name, Linked(run_.dm.name_account, FindDeclaration(declarations_, sd, r)),
                     run_.dm.name_account, na::NA_LAST_NAME);
}

SaldoContext::~SaldoContext() { run_.checks.DropDeferredContext(*this); }

void SaldoContext::Defer(RowId r) {
  run_.checks.DeferContext(*this, r);
  run_.checks.context.At(run_.dm.saldo_data, r);
}

SaldoRowOptions::SaldoRowOptions()
    : job_code(sd_rules::JobCodeKnown), dates(sd_rules::Dates), amounts(sd_rules::Amounts) {}

void ApplySaldoRowRules(SaldoRow& row, const SaldoRowOptions& o) {
  sd_rules::DeclarationFilled(row);
  sd_rules::DeclarationExists(row, o.declaration_link);
  sd_rules::PackFilledAndKnown(row);
  sd_rules::MonthFilledAndKnown(row);
  if (o.period) o.period(row);
  o.job_code(row);
  sd_rules::CategoryFilledAndKnown(row);
  sd_rules::DaysWeek(row);
  o.dates(row);
  sd_rules::ExemptCategoryContributions(row);
  sd_rules::Category150Fund(row);
  o.amounts(row);
}

void RunSaldoRowPass(Run& run, const SaldoRowOptions& options) {
  FindingWriter& c = run.checks;
  const Table& sd = run.dm.saldo_data;
  SaldoLinks links(run.indexes, run.dm);
  Protocol& protocol = c.protocol();
  // The faults of the last row checked in full. The rules read nothing but
  // the row and its links, so a row with the same values as the row before
  // it has the same faults: once they are only counted, such a row is
  // counted without checking it again (a file of millions of equal lines).
  std::size_t last_faults = 0;
  bool last_checked = false;
  // The faults of the last rows, by row: a row the loader appended as a
  // copy of an earlier one (Table::CopyOf, at most 255 rows back) has that
  // row's, and is counted alike once they are only counted.
  std::array<std::size_t, Table::kMaxCopyDistance + 1> recent_faults{};
  const auto recent = [&](RowId r) -> std::size_t& { return recent_faults[r % recent_faults.size()]; };
  // The rows of one declaration follow one another: while the declaration
  // and pack texts stay those of the row before, so do its link to REV5_NA
  // and the context's texts (equal texts are equal numbers).
  std::string_view last_declaration_text, last_pack_text;
  RowId last_declaration = kNoRow;
  c.WalkFile(sd, [&](RowId r) {
    if (last_checked && sd.Repeats(r) && protocol.FaultsFull()) {
      protocol.CountFaults(last_faults);
      recent(r) = last_faults;
      c.context.At(sd, r);
      return;
    }
    if (const RowId copy = sd.CopyOf(r); copy != kNoRow && protocol.FaultsFull()) {
      last_faults = recent(copy);
      protocol.CountFaults(last_faults);
      recent(r) = last_faults;
      c.context.At(sd, r);
      return;
    }
    const std::size_t before = protocol.FaultCount();
    const std::string_view declaration_text = sd.View(r, sd::SD_NA);
    const std::string_view pack_text = sd.View(r, sd::SD_PL);
    const bool same_declaration =
        last_checked && declaration_text == last_declaration_text && pack_text == last_pack_text;
    if (!same_declaration) {
      last_declaration = FindDeclaration(links.declaration, sd, r);
      last_declaration_text = declaration_text;
      last_pack_text = pack_text;
      c.context.pack.assign(pack_text);
      c.context.declaration.assign(declaration_text);
      common::AssignText(c.context.name, Linked(run.dm.name_account, last_declaration), run.dm.name_account,
                         na::NA_LAST_NAME);
    }
    last_checked = true;
    SaldoRow row(run, links, r, last_declaration);
    c.context.At(sd, r);
    ApplySaldoRowRules(row, options);
    last_faults = protocol.FaultCount() - before;
    recent(r) = last_faults;
  });
  if (sd.empty()) c.ReportPlain(rule::kNewSdFileNotEmpty);
}

namespace sd_rules {

void DeclarationFilled(SaldoRow& row) { row.checks.CheckFilled(rule::kNewSdDeclarationFilled, row.sd, row.r); }

void DeclarationExists(SaldoRow& row, LinkTest test) {
  Linked declaration(row.run.dm.name_account, row.declaration);
  bool missing = test == LinkTest::RowExists ? !declaration.found()
                                             : declaration.Number(na::NA_ID) != row.Amount(sd::SD_NA) ||
                                                   declaration.Number(na::NA_PL) != row.Amount(sd::SD_PL);
  if (missing) row.checks.Report(rule::kNewSdDeclarationInNa);
}

void PackFilledAndKnown(SaldoRow& row) {
  row.checks.CheckFilled(rule::kNewSdPackFilled, row.sd, row.r);
  row.checks.CheckPresentIn(rule::kNewSdPackInIp, row.sd, row.r,
                            Linked(row.run.dm.pack_label, row.links.pack_of(row.r)), pl::PL_ID);
}

void MonthFilledAndKnown(SaldoRow& row) {
  row.checks.CheckFilled(rule::kNewSdMonthFilled, row.sd, row.r);
  row.checks.CheckDictionaryCode(rule::kNewSdMonthInDictionary, row.sd, row.r,
                                 Linked(row.run.dm.months, row.links.month_of(row.r)), dict::ID);
  if (row.sd.Text(row.r, sd::SD_MONTH) == "0") row.checks.Report(rule::kNewSdMonthNotZero);
}

void JobCodeKnown(SaldoRow& row) {
  if (row.total || row.sd.IsEmpty(row.r, sd::SD_JOB_CODE) || row.sd.Int(row.r, sd::SD_JOB_CODE) == 0) return;
  row.checks.CheckDictionaryCode(rule::kNewSdJobCodeInDictionary, row.sd, row.r,
                                 Linked(row.run.dm.prof, row.links.prof_of(row.r)), dict::ID);
}

// Total rows carry no category.
void CategoryFilledAndKnown(SaldoRow& row) {
  if (row.total) return;
  row.checks.CheckFilled(rule::kNewSdCategoryFilled, row.sd, row.r);
  row.checks.CheckDictionaryCode(rule::kNewSdCategoryInDictionary, row.sd, row.r,
                                 Linked(row.run.dm.new_kategor, row.links.category_of(row.r)), dict::ID_KATEG);
  if (row.category == "0") row.checks.Report(rule::kNewSdCategoryNotZero);
}

void DaysWeek(SaldoRow& row) {
  if (row.total) return;
  row.checks.CheckFilled(rule::kNewSdDaysWeekFilled, row.sd, row.r);
  int days = row.sd.Int(row.r, sd::SD_DAYS_WEEK);
  if (days == 5 || days == 6) return;
  row.checks.Expect(ExpectedKind::Value, "5 sau 6");
  row.checks.Report(rule::kNewSdDaysWeek5Or6);
}

// A date that is missing: the month's last day where the file's text is a
// day that month lacks, else a sentence.
void ExpectDate(SaldoRow& row, int field) {
  row.checks.ExpectWith(ExpectedKind::Date, [&] {
    return LastDayInstead(row.sd.FileText(row.r, field)).value_or("o dată zz.ll.aaaa din luna rândului");
  });
}

void BeginRequired(SaldoRow& row) {
  if (row.total || row.HasDate(sd::SD_BEGIN_DT)) return;
  ExpectDate(row, sd::SD_BEGIN_DT);
  row.checks.Report(rule::kNewSdBeginRequired);
}

void EndRequired(SaldoRow& row) {
  if (row.total || row.HasDate(sd::SD_END_DT)) return;
  ExpectDate(row, sd::SD_END_DT);
  row.checks.Report(rule::kNewSdEndRequired);
}

void EndNotBeforeBegin(SaldoRow& row) {
  if (row.total || !row.HasDate(sd::SD_BEGIN_DT) || !row.HasDate(sd::SD_END_DT)) return;
  if (row.DateOf(sd::SD_END_DT) < row.DateOf(sd::SD_BEGIN_DT)) {
    row.checks.ReportWith(rule::kNewSdBeginBeforeEnd, [&] {
      return std::tuple(row.sd.Text(row.r, sd::SD_BEGIN_DT), row.sd.Text(row.r, sd::SD_END_DT));
    });
  }
}

void DateMonthsAgree(SaldoRow& row) {
  if (row.total || !row.HasDate(sd::SD_BEGIN_DT) || !row.HasDate(sd::SD_END_DT)) return;
  if (row.YmdOf(sd::SD_BEGIN_DT).month != row.YmdOf(sd::SD_END_DT).month) {
    row.checks.ReportWith(rule::kNewSdDateMonthsAgree, [&] {
      return std::tuple(row.sd.Text(row.r, sd::SD_BEGIN_DT), row.sd.Text(row.r, sd::SD_END_DT));
    });
  }
}

namespace {
// YEAR comes from the file and may be any 32-bit number: the window is
// computed in 64 bits so that its ends never overflow.
void YearNearYear(SaldoRow& row, const RuleEntry& rule) {
  const int f = rule.field.first;
  if (!row.HasDate(f)) return;
  int y = row.YmdOf(f).year;
  const long long year = row.run.year;
  if (y < year - 1 || y > year + 1) row.checks.Report(rule, y);
}
}  // namespace

void BeginYearNearYear(SaldoRow& row) { YearNearYear(row, rule::kNewSdBeginYear); }

void EndYearNearYear(SaldoRow& row) { YearNearYear(row, rule::kNewSdEndYear); }

void DateYearsAgree(SaldoRow& row) {
  if (!row.HasDate(sd::SD_BEGIN_DT) || !row.HasDate(sd::SD_END_DT)) return;
  int begin = row.YmdOf(sd::SD_BEGIN_DT).year;
  int end = row.YmdOf(sd::SD_END_DT).year;
  if (begin != end) row.checks.Report(rule::kNewSdDateYearsAgree, begin, end);
}

// Categories 150, 153 and 154 pay no contributions on a fund.
void ExemptCategoryContributions(SaldoRow& row) {
  if (row.total) return;
  if (!row.CategoryIs("150") && !row.CategoryIs("153") && !row.CategoryIs("154")) return;
  if (row.Amount(sd::SD_PAYM_FOND) > 0 && (row.Amount(sd::SD_SUM_AP) != 0 || row.Amount(sd::SD_SUM_EA) != 0)) {
    row.checks.Report(rule::kNewSdExemptCategoryContributions, row.category);
  }
}

void Category150Fund(SaldoRow& row) {
  if (row.CategoryIs("150") && row.Amount(sd::SD_PAYM_FOND) == 0) row.checks.Report(rule::kNewSdCategory150Fund);
}

// From 2003 a fund made only of sick leave carries no contributions.
void SickLeaveIndividual(SaldoRow& row) {
  if (row.run.year >= 2003 && row.Amount(sd::SD_ILL) == row.Amount(sd::SD_PAYM_FOND) &&
      row.Amount(sd::SD_SUM_AP) != 0) {
    row.checks.Report(rule::kNewSdSickLeaveIndividual);
  }
}

void SickLeaveEmployer(SaldoRow& row) {
  if (row.run.year >= 2003 && row.Amount(sd::SD_PAYM_FOND) > 0 &&
      row.Amount(sd::SD_ILL) == row.Amount(sd::SD_PAYM_FOND) && row.Amount(sd::SD_SUM_EA) != 0) {
    row.checks.Report(rule::kNewSdSickLeaveEmployer);
  }
}

void TotalIsSum(SaldoRow& row) { CheckTotalIsSum(row.checks, rule::kNewSdTotalIsSum, row.sd, row.r, kSaldoAmounts); }

void Dates(SaldoRow& row) {
  BeginRequired(row);
  EndNotBeforeBegin(row);
  DateMonthsAgree(row);
  BeginYearNearYear(row);
  EndRequired(row);
  EndYearNearYear(row);
  DateYearsAgree(row);
}

void Amounts(SaldoRow& row) {
  SickLeaveIndividual(row);
  SickLeaveEmployer(row);
  TotalIsSum(row);
}

}  // namespace sd_rules
}  // namespace zentrox::new_format
