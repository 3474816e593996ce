// The quarterly pieces the annual rule set reuses.
#pragma once

#include "rules/new_format/new_format.h"

namespace zentrox::quarterly {

// The quarter (1 to 4) a month 1 to 12 belongs to.
int QuarterOf(int month);

new_format::SummaryOptions SummaryOptions();
new_format::DeclarationOptions DeclarationOptions();

}  // namespace zentrox::quarterly
