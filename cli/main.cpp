// zentrox-check: the headless checker.
//
// Does what a checker window does on UnRar and then Control, for one package
// archive, and prints the protocol as UTF-8 text.
//
// Exit status: 0 the control run completed without a finding, 1 it completed
// with findings, 2 usage error, 3 the package was not unpacked or the run
// ended early.

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "data/date.h"
#include "data/files.h"
#include "data/protocol_writers.h"
#include "data/variant.h"
#include "intake/command_runner.h"
#include "intake/session.h"
#include "rules/control_run.h"

namespace {

using namespace zentrox;

constexpr int kExitClean = 0;
constexpr int kExitFindings = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNotChecked = 3;

const char* const kUsage =
    "usage: zentrox-check --variant monthly|quarterly|annual|annual-old [--workdir DIR]\n"
    "                     [--today DD.MM.YYYY] [--rtf FILE] ARCHIVE\n"
    "\n"
    "Unpacks the package ARCHIVE into the working directory and checks it as the\n"
    "variant's checker window does; prints the protocol to standard output.\n"
    "\n"
    "  --variant V     monthly, quarterly, annual (new formats) or annual-old\n"
    "  --workdir DIR   working directory with the dictionaries (default: the\n"
    "                  directory of this program)\n"
    "  --today DATE    the date the checks take as today\n"
    "  --rtf FILE      also save the protocol as rich text\n"
    "\n"
    "Exit status: 0 no findings, 1 findings, 2 usage error, 3 not unpacked or\n"
    "the run ended early.\n";

struct Options {
  const VariantProfile* profile = nullptr;
  std::string workdir;
  std::optional<Date> today;
  std::string rtf;
  std::string archive;
};

class StderrPort : public UserPort {
 public:
  void ShowMessage(const std::string& text) override { std::cerr << text << '\n'; }
  void ShowError(const std::string& text) override { std::cerr << "error: " << text << '\n'; }
};

// Absolute and lexically normal, without resolving links.
std::string Absolute(const std::string& path) {
  std::filesystem::path p(path);
  if (p.is_relative()) p = std::filesystem::current_path() / p;
  return p.lexically_normal().string();
}

int UsageError(const std::string& message) {
  std::cerr << "zentrox-check: " << message << "\n" << kUsage;
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  Options opt;
  std::vector<std::string> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return kExitClean;
    } else if (a == "--variant") {
      if (!value(v)) return UsageError("--variant needs a value");
      opt.profile = FindProfile(v);
      if (opt.profile == nullptr) return UsageError("unknown variant '" + v + "'");
    } else if (a == "--workdir") {
      if (!value(opt.workdir)) return UsageError("--workdir needs a value");
    } else if (a == "--today") {
      if (!value(v)) return UsageError("--today needs a value");
      opt.today = v.size() == 10 ? ParseDate(v) : std::nullopt;
      if (!opt.today) return UsageError("--today takes a date DD.MM.YYYY");
    } else if (a == "--rtf") {
      if (!value(opt.rtf)) return UsageError("--rtf needs a value");
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      return UsageError("unknown option '" + a + "'");
    } else if (opt.archive.empty()) {
      opt.archive = a;
    } else {
      return UsageError("only one archive may be given");
    }
  }
  if (opt.profile == nullptr) return UsageError("--variant is required");
  if (opt.archive.empty()) return UsageError("no archive given");

  const std::string program_dir = ExecutableDirectory();
  const std::string workdir = WithTrailingSlash(Absolute(opt.workdir.empty() ? program_dir : opt.workdir));
  const std::string archive = Absolute(opt.archive);

  SystemClock system_clock;
  std::optional<FixedDateClock> fixed_clock;
  if (opt.today) fixed_clock.emplace(*opt.today);
  const Clock& clock = fixed_clock ? static_cast<const Clock&>(*fixed_clock) : system_clock;

  Session session(workdir, program_dir, clock);
  StderrPort port;
  Protocol protocol;
  const Variant variant = opt.profile->variant;
  int status = kExitNotChecked;
  if (session.UnRar(variant, archive, protocol, port) == UnrarOutcome::Unpacked) {
    ControlResult r = session.Control(variant, protocol);
    if (r.outcome == RunOutcome::Completed) status = protocol.FaultCount() > 0 ? kExitFindings : kExitClean;
  }

  std::cout << ProtocolToText(protocol) << std::flush;
  if (!opt.rtf.empty()) {
    try {
      WriteFileAtomically(Absolute(opt.rtf), ProtocolToRtf(protocol));
    } catch (const std::exception& e) {
      std::cerr << "zentrox-check: " << e.what() << '\n';
      return kExitNotChecked;
    }
  }
  return status;
}
