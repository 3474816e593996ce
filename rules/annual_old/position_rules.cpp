// REV5_DI: the positions the insured persons held.

#include "rules/annual_old/annual_old_sections.h"

namespace zentrox::annual_old {
namespace {

constexpr std::string_view kDeclaration = "1.Номер декларации";
constexpr std::string_view kPack = "2.Номер пачки";
constexpr std::string_view kDate = "3.Дата";
constexpr std::string_view kPosition = "4.Должность";
constexpr std::string_view kRank = "5.Чин_и_класс";

// What the rules of one position row read: the tables and the indexes built
// once for the walk.
struct PositionScope {
  Checks& checks;
  const TDM1& dm;
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
  s.checks.CheckFilled("annual-old.di.declaration-filled", s.rows(), p.row, si::SI_NA, kDeclaration);
  s.checks.CheckPresentIn("annual-old.di.declaration-present", s.rows(), p.row, si::SI_NA, p.declaration,
                          ona::NA_ID, kDeclaration, "REV5_NA");
}

void CheckPack(PositionScope& s, const PositionRow& p) {
  s.checks.CheckFilled("annual-old.di.pack-filled", s.rows(), p.row, si::SI_PL, kPack);
  s.checks.CheckPresentIn("annual-old.di.pack-present", s.rows(), p.row, si::SI_PL, p.pack, opl::PL_NUM_IN_EA, kPack,
                          "REV5_PL");
}

void CheckDate(PositionScope& s, const PositionRow& p) {
  s.checks.CheckFilled("annual-old.di.date-filled", s.rows(), p.row, si::SI_DATE, kDate);
  s.checks.CheckNotFuture("annual-old.di.date-future", s.rows(), p.row, si::SI_DATE, kDate);
  s.checks.CheckDateRange("annual-old.di.date-range", s.rows(), p.row, si::SI_DATE, kDate);
}

void CheckPosition(PositionScope& s, const PositionRow& p) {
  s.checks.CheckFilled("annual-old.di.position-filled", s.rows(), p.row, si::SI_POSITION, kPosition);
  Linked profession(s.dm.prof, s.professions.First(s.rows(), p.row, {si::SI_POSITION}));
  s.checks.CheckDictionaryCode("annual-old.di.position-dictionary", s.rows(), p.row, si::SI_POSITION, profession,
                               dict::ID, kPosition);
}

void CheckRank(PositionScope& s, const PositionRow& p) {
  if (s.rows().IsEmpty(p.row, si::SI_RANGE)) return;
  Linked rank(s.dm.rang, s.ranks.First(s.rows(), p.row, {si::SI_RANGE}));
  s.checks.CheckDictionaryCode("annual-old.di.rank-dictionary", s.rows(), p.row, si::SI_RANGE, rank, dict::ID, kRank);
}

constexpr PositionRule kPositionRules[] = {CheckDeclaration, CheckPack, CheckDate, CheckPosition, CheckRank};

}  // namespace

void RunPositionSection(RuleRun& run) {
  Checks& c = run.checks;
  const TDM1& dm = *run.dm1;
  c.BeginSection("REV5_DI");
  PositionScope scope{c,
                      dm,
                      Lookup(dm.pack_label, {opl::PL_NUM_IN_EA}),
                      Lookup(dm.name_account, {ona::NA_ID}),
                      Lookup(dm.prof, {dict::ID}),
                      Lookup(dm.rang, {dict::ID})};
  const Table& rows = dm.stage_info;
  // Positions are optional: an empty file is not reported.
  for (RowId r = 0; r < rows.size(); ++r) {
    ++c.row;
    PositionRow p{r, Linked(dm.pack_label, scope.packs.First(rows, r, {si::SI_PL})),
                  Linked(dm.name_account, scope.declarations.First(rows, r, {si::SI_NA}))};
    SetRowContext(c, rows, r, si::SI_NA, si::SI_PL, p.declaration);
    for (PositionRule rule : kPositionRules) rule(scope, p);
  }
}

}  // namespace zentrox::annual_old
