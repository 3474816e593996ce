// zentrox-check's command line: its options, how they are read, and the exit
// statuses the program ends with.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/date.h"
#include "model/variant.h"
#include "parallel_batch.h"

namespace zentrox::cli {

// Exit statuses; over several archives the highest one is returned.
inline constexpr int kExitClean = 0;
inline constexpr int kExitFindings = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNotChecked = 3;

enum class OutputFormat { Text, Json, Csv };

struct Options {
  const VariantProfile* profile = nullptr;  // none: told from each archive
  std::optional<std::string> workdir;
  std::optional<Date> today;
  std::string rtf;
  std::string xlsx;
  OutputFormat format = OutputFormat::Text;
  bool cp1251 = false;
  bool list_rules = false;
  unsigned jobs = DefaultJobCount();
  std::vector<std::string> archives;
};

// The usage text, the variants' ids filled in.
std::string Usage();

// Says `message` and the usage on standard error; returns kExitUsage.
int UsageError(const std::string& message);

// The options, or the status to exit with at once (help, a usage error).
struct ParsedArgs {
  Options options;
  std::optional<int> exit;
};

ParsedArgs ParseArgs(const std::vector<std::string>& args);

}  // namespace zentrox::cli
