// The old-format annual rule set, one section per package file.
//
// Every section walks its file in file order and applies its rules to each
// row in a fixed order; the passes that need another order (duplicates,
// totals) follow the walk. Each rule is a small function named after what it
// checks and names its catalogue entry (report/rule_entries.h).
#pragma once

#include <string>
#include <string_view>

#include "engine/table.h"
#include "model/schemas.h"
#include "report/checks.h"
#include "report/rule_entries.h"
#include "rules/common/common.h"
#include "rules/common/duplicates.h"
#include "rules/rule_set.h"

namespace zentrox::annual_old {

// REV5_PL: pack fields, the pack sums against the declarations' total rows
// and code-99 expense rows, duplicate pack numbers. Returns the pack count
// and the agent code of the closing line.
PassResult RunPackSection(const RuleRun& run);
// REV5_NA: declaration fields, the contributions against the monthly rows and
// expenses, duplicate CPAS and IDNP. Returns the declaration count.
PassResult RunDeclarationSection(const RuleRun& run);
// REV5_SD: monthly row fields, tariffs, contribution caps, the total rows.
PassResult RunMonthlySection(const RuleRun& run);
// REV5_DI: position rows.
PassResult RunPositionSection(const RuleRun& run);
// REV5_MU: expense rows and their code-99 totals.
PassResult RunExpenseSection(const RuleRun& run);

// ----- shared by the sections ---------------------------------------------------

using common::CodeKey;
using common::FormatCpas;
using common::kTotalExpenseCode;
using common::kTotalMonth;
using common::SumOf;

// The finding context of a row that names its declaration and pack: the two
// numbers as they stood in the file and the last name of the declaration;
// the row is the record its lines name.
void SetRowContext(FindingWriter& checks, const Table& t, RowId r, int declaration_field, int pack_field,
                   const Linked& declaration);

}  // namespace zentrox::annual_old
