// Passes of a rule set run side by side on the cores, with a protocol that
// reads exactly as if they had run one after another.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/schemas.h"
#include "report/checks.h"

namespace zentrox {

// What a pass computes for the closing summary; unset: the pass leaves it.
struct PassResult {
  std::optional<int> pack_count;
  std::optional<int> declaration_count;
  // The code the closing line names (the old format's pack rules name it).
  std::optional<std::string> agent;
};

// A pass that reads the loaded tables (const) and values settled before the
// passes start, writes nothing another pass reads and returns what it
// computes; it sets the finding context and the row counter before every
// line it writes: so it writes the same lines whichever pass ran before it.
struct SideBySidePass {
  // The file whose section its lines belong to. The first of the passes of a
  // file opens the section (FindingWriter::BeginSection) before it runs.
  FileKind file;
  std::function<PassResult(FindingWriter&)> run;
};

// How many threads the rule passes use: two where the machine has two cores
// or more (the passes of a rule set are few, and each thread holds a pass's
// working memory at once), one otherwise. ZENTROX_THREADS=N, N from 1 to
// kMaxRuleThreads, sets it; 1 runs every pass in turn on the calling thread,
// exactly as before.
inline constexpr std::size_t kMaxRuleThreads = 64;
std::size_t RuleThreads();

struct ThreadSetting {
  std::size_t threads = 1;
  // For the user when ZENTROX_THREADS was not taken as written (not a plain
  // number, 0, or above kMaxRuleThreads); empty otherwise.
  std::string complaint;
};
ThreadSetting ReadThreadSetting();

// Runs `passes` as if in turn with `checks`, each opening its file's section
// or going on in the section the pass before it opened. On more than one thread each
// pass writes with a finding writer of its own into a buffer of the protocol;
// the buffers are appended in the passes' order, so the lines, the line of the
// fault-line limit and the counts are those of the passes run in turn, and
// `checks` is left as the last pass left its writer. A pass that throws ends
// the passes there as it would have in turn: the lines before it and its own
// stand, the passes after it leave none, and the exception goes on from here.
// Returns what each pass computed, in the passes' order, once all are over.
std::vector<PassResult> RunSideBySide(FindingWriter& checks, std::span<const SideBySidePass> passes,
                                      std::size_t threads = RuleThreads());

// The results of passes in their order, as they would stand had each pass
// written its own into one place in turn: a later pass's value wins.
PassResult MergeResults(std::span<const PassResult> results);

}  // namespace zentrox
