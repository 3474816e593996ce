// The archives of one zentrox-check invocation checked and printed: one
// after another in one session, or by several workers at once.
#pragma once

#include <optional>
#include <string>

#include "model/clock.h"
#include "options.h"

namespace zentrox::cli {

// Checks the archives one after another in one session in `workdir` and
// prints their output; returns the highest exit status over them.
int RunSerially(const Options& opt, const std::string& workdir, const std::string& program_dir, const Clock& clock);

// The batch checked by up to --jobs workers at once (see parallel_batch.h),
// printing what the serial run prints; nothing when it could not start.
std::optional<int> RunInParallel(const Options& opt, const std::string& workdir, const std::string& program_dir,
                                 const Clock& clock);

}  // namespace zentrox::cli
