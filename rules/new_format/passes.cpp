// The frame that runs a new-format rule set's passes.
#include <vector>

#include "rules/new_format/new_format.h"
#include "rules/side_by_side.h"

namespace zentrox::new_format {

Run::Run(const Run& run, FindingWriter& checks_)
    : rule_run(run.rule_run),
      checks(checks_),
      dm(run.dm),
      indexes(run.indexes),
      year(run.year),
      trimestr(run.trimestr),
      declared_packs(run.declared_packs) {}

std::vector<PassResult> RunPasses(Run& run, std::initializer_list<Pass> passes) {
  std::vector<SideBySidePass> side_by_side;
  side_by_side.reserve(passes.size());
  for (const Pass& pass : passes) {
    side_by_side.push_back({pass.file, [&run, &pass](FindingWriter& checks) {
                              Run own(run, checks);
                              pass.run(own);
                              return own.result;
                            }});
  }
  return RunSideBySide(run.checks, side_by_side);
}

}  // namespace zentrox::new_format
