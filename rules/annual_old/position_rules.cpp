// REV5_DI: the positions the insured persons held.

#include "rules/annual_old/annual_old_sections.h"

namespace zentrox::annual_old {
namespace {

// What the rules of one position row read: the tables and the indexes built
// once for the walk.
struct PositionScope {
  FindingWriter& checks;
  const OldFormatTables& dm;
  Lookup packs;         // pack_label by PL_NUM_IN_EA
  Lookup declarations;  // name_account by NA_ID alone
  Lookup professions;   // prof by ID_PROF
  Lookup ranks;         // rang by ID_RANG

  const Table& rows() const { return dm.stage_info; }
};

// One position row with what it links to. A position names its declaration
// by number only, so it links to the first declaration of that number.
struct PositionRow {
  RowId row;
  Linked pack;
  Linked declaration;
};

using PositionRule = void (*)(PositionScope&, const PositionRow&);

void CheckDeclaration(PositionScope& s, const PositionRow& p) {
  s.checks.CheckFilled(rule::kAnnualOldDiDeclarationFilled, s.rows(), p.row);
  s.checks.CheckPresentIn(rule::kAnnualOldDiDeclarationInNa, s.rows(), p.row, p.declaration, old_na::NA_ID);
}

void CheckPack(PositionScope& s, const PositionRow& p) {
  s.checks.CheckFilled(rule::kAnnualOldDiPackFilled, s.rows(), p.row);
  s.checks.CheckPresentIn(rule::kAnnualOldDiPackInPl, s.rows(), p.row, p.pack, old_pl::PL_NUM_IN_EA);
}

void CheckDate(PositionScope& s, const PositionRow& p) {
  s.checks.CheckFilled(rule::kAnnualOldDiDateFilled, s.rows(), p.row);
  s.checks.CheckNotFuture(rule::kAnnualOldDiDateNotFuture, s.rows(), p.row);
  s.checks.CheckDateRange(rule::kAnnualOldDiDateInRange, s.rows(), p.row);
}

void CheckPosition(PositionScope& s, const PositionRow& p) {
  s.checks.CheckFilled(rule::kAnnualOldDiPositionFilled, s.rows(), p.row);
  Linked profession(s.dm.prof, s.professions.First(s.rows(), p.row, {old_di::SI_POSITION}));
  s.checks.CheckDictionaryCode(rule::kAnnualOldDiPositionInDictionary, s.rows(), p.row, profession, dict::ID);
}

void CheckRank(PositionScope& s, const PositionRow& p) {
  if (s.rows().IsEmpty(p.row, old_di::SI_RANGE)) return;
  Linked rank(s.dm.rang, s.ranks.First(s.rows(), p.row, {old_di::SI_RANGE}));
  s.checks.CheckDictionaryCode(rule::kAnnualOldDiRankInDictionary, s.rows(), p.row, rank, dict::ID);
}

constexpr PositionRule kPositionRules[] = {CheckDeclaration, CheckPack, CheckDate, CheckPosition, CheckRank};

}  // namespace

PassResult RunPositionSection(const RuleRun& run) {
  FindingWriter& c = run.checks;
  const OldFormatTables& dm = *run.dm1;
  PositionScope scope{c,
                      dm,
                      Lookup(run.indexes, dm.pack_label, {old_pl::PL_NUM_IN_EA}),
                      Lookup(run.indexes, dm.name_account, {old_na::NA_ID}),
                      Lookup(run.indexes, dm.prof, {dict::ID}),
                      Lookup(run.indexes, dm.rang, {dict::ID})};
  const Table& rows = dm.stage_info;
  // Positions are optional: an empty file is not reported.
  c.WalkFile(rows, [&](RowId r) {
    PositionRow p{r, Linked(dm.pack_label, scope.packs.First(rows, r, {old_di::SI_PL})),
                  Linked(dm.name_account, scope.declarations.First(rows, r, {old_di::SI_NA}))};
    SetRowContext(c, rows, r, old_di::SI_NA, old_di::SI_PL, p.declaration);
    for (PositionRule rule : kPositionRules) rule(scope, p);
  });
  return {};
}

}  // namespace zentrox::annual_old
