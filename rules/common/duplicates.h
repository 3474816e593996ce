// The duplicate-value passes of both formats: pack numbers, CPAS and IDNP.
// Each walks its file in the order of the value (sorted by the value ranks
// `indexes` keeps for the passes) and compares every row's value with the
// one remembered from the row before that took part.
#pragma once

#include <string>
#include <string_view>

#include "engine/table.h"
#include "report/checks.h"

namespace zentrox::common {

// The fields of a declaration row that make its finding context.
struct DeclarationFields {
  int pack;
  int declaration;
  int last_name;
};

// Sets the finding context to a declaration row: its pack, number and last
// name, and the row as the record its lines name.
void SetDeclarationContext(FindingWriter& c, const Table& t, RowId r, const DeclarationFields& fields);

// A CPAS as the old format's duplicate lines print it: general format with
// 15 significant digits in its shortest form, so an 11-digit code prints whole.
std::string FormatCpas(double cpas);

// Packs in the order of the pack number, the field `rule` names; every
// further copy of a number (compared as written) gives one line naming that
// number as the pack. Returns the row the walk ended on, kNoRow without packs.
RowId RunDuplicatePackPass(FindingWriter& c, TableIndexes& indexes, const RuleEntry& rule, const Table& packs);

// How the CPAS pass compares codes.
enum class CompareAs {
  Text,    // as the file's texts; a line prints the text
  Number,  // as numbers; a line prints FormatCpas of the number
};

struct DuplicateCpasOptions {
  const RuleEntry* rule;  // names the CPAS field
  DeclarationFields context;
  CompareAs compare;
};

// Declarations in CPAS order; each pair of neighbours with one code gives two
// lines, the earlier row first. Empty codes and "0" take no part. The first
// remembered code is kNoCodeYet with an empty context, so a declaration that
// carries that very code is reported against an empty first line.
void RunDuplicateCpasPass(FindingWriter& c, TableIndexes& indexes, const Table& declarations,
                          const DuplicateCpasOptions& options);

// Declarations in the order of the IDNP, the field `rule` names; a
// declaration whose IDNP equals its predecessor's gets one line. Empty IDNPs
// take no part.
void RunDuplicateIdnpPass(FindingWriter& c, TableIndexes& indexes, const RuleEntry& rule, const Table& declarations,
                          const DeclarationFields& context);

}  // namespace zentrox::common
