// zentrox-check: the headless checker.
//
// Does what a checker window does on UnRar and then Control, for each package
// archive given, and prints the protocols as text (UTF-8 or code page 1251) or
// as JSON for other programs.
//
// Exit status: 0 the control run completed without a finding, 1 it completed
// with findings, 2 usage error, 3 the package was not unpacked, the run
// ended early or another run held the working directory.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "data/date.h"
#include "data/files.h"
#include "data/protocol_writers.h"
#include "data/text.h"
#include "data/variant.h"
#include "intake/command_runner.h"
#include "intake/session.h"
#include "intake/workdir.h"
#include "rules/control_run.h"

namespace {

using namespace zentrox;

constexpr int kExitClean = 0;
constexpr int kExitFindings = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNotChecked = 3;

const char* const kUsage =
    "usage: zentrox-check --variant monthly|quarterly|annual|annual-old [--workdir DIR]\n"
    "                     [--today DD.MM.YYYY] [--rtf FILE] [--format text|json]\n"
    "                     [--encoding utf-8|cp1251] ARCHIVE...\n"
    "\n"
    "Unpacks each package ARCHIVE into the working directory and checks it as the\n"
    "variant's checker window does; prints the protocol to standard output.\n"
    "\n"
    "  --variant V     monthly, quarterly, annual (new formats) or annual-old\n"
    "  --workdir DIR   working directory with the dictionaries (default:\n"
    "                  $ZENTROX_WORKDIR, else this program's directory when it\n"
    "                  is writable, else ~/.local/share/zentrox)\n"
    "  --today DATE    the date the checks take as today\n"
    "  --rtf FILE      also save the protocol as rich text (one archive only)\n"
    "  --format F      text (default) or json: one object per archive with the\n"
    "                  summary, the findings and the protocol lines (an array of\n"
    "                  objects for several archives)\n"
    "  --encoding E    utf-8 (default) or cp1251, for the text output\n"
    "\n"
    "Several archives are checked one after another, each text protocol under a\n"
    "heading line. Exit status (the highest over the archives): 0 no findings,\n"
    "1 findings, 2 usage error, 3 not unpacked, the run ended early or the\n"
    "working directory was busy with another run.\n";

struct Options {
  const VariantProfile* profile = nullptr;
  std::string workdir;
  std::optional<Date> today;
  std::string rtf;
  bool json = false;
  bool cp1251 = false;
  std::vector<std::string> archives;
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
    } else if (a == "--format") {
      if (!value(v) || (v != "text" && v != "json")) return UsageError("--format takes text or json");
      opt.json = v == "json";
    } else if (a == "--encoding") {
      if (!value(v) || (v != "utf-8" && v != "cp1251")) return UsageError("--encoding takes utf-8 or cp1251");
      opt.cp1251 = v == "cp1251";
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      return UsageError("unknown option '" + a + "'");
    } else {
      opt.archives.push_back(a);
    }
  }
  if (opt.profile == nullptr) return UsageError("--variant is required");
  if (opt.archives.empty()) return UsageError("no archive given");
  if (!opt.rtf.empty() && opt.archives.size() > 1) return UsageError("--rtf takes one archive");

  const std::string program_dir = ExecutableDirectory();
  const std::string workdir = WithTrailingSlash(Absolute(ChooseWorkdir(opt.workdir, program_dir)));

  SystemClock system_clock;
  std::optional<FixedDateClock> fixed_clock;
  if (opt.today) fixed_clock.emplace(*opt.today);
  const Clock& clock = fixed_clock ? static_cast<const Clock&>(*fixed_clock) : system_clock;

  Session session(workdir, program_dir, clock);
  StderrPort port;
  const Variant variant = opt.profile->variant;
  const bool several = opt.archives.size() > 1;
  int status = kExitClean;
  std::string out;
  if (opt.json && several) out += "[\n";
  for (std::size_t k = 0; k < opt.archives.size(); ++k) {
    const std::string archive = Absolute(opt.archives[k]);
    Protocol protocol;
    ReportSummary summary{opt.profile->id, archive, workdir};
    int run_status = kExitNotChecked;
    // UnRar and Control under one lock: another run in the same working
    // directory could otherwise replace the files between the two.
    try {
      if (session.HoldWorkdir(protocol, port) &&
          session.UnRar(variant, archive, protocol, port) == UnrarOutcome::Unpacked) {
        ControlResult r = session.Control(variant, protocol, port);
        if (r.outcome == RunOutcome::Completed) {
          run_status = protocol.FaultCount() > 0 ? kExitFindings : kExitClean;
          summary.completed = true;
          summary.packs = r.pack_count;
          summary.declarations = r.declaration_count;
        }
      }
      if (opt.json) {
        out += ProtocolToJson(protocol, summary);
        out += several && k + 1 < opt.archives.size() ? ",\n" : "\n";
      } else {
        if (several) out += "===== " + archive + " =====\n";
        out += ProtocolToText(protocol);
      }
    } catch (const std::bad_alloc&) {
      // Out of memory outside the control run (unpacking, writing the
      // output): the run ends as the control run ends it, with the protocol
      // given up for its one line.
      protocol = Protocol();
      ReportOutOfMemory(protocol, workdir);
      summary = ReportSummary{opt.profile->id, archive, workdir};
      run_status = kExitNotChecked;
      out += opt.json ? ProtocolToJson(protocol, summary) + (several && k + 1 < opt.archives.size() ? ",\n" : "\n")
                      : (several ? "===== " + archive + " =====\n" : "") + ProtocolToText(protocol);
    }
    session.ReleaseWorkdir();
    status = std::max(status, run_status);
    if (!opt.rtf.empty()) {
      try {
        WriteFileAtomically(Absolute(opt.rtf), ProtocolToRtf(protocol));
      } catch (const std::exception& e) {
        std::cerr << "zentrox-check: " << e.what() << '\n';
        status = std::max(status, kExitNotChecked);
      }
    }
  }
  if (opt.json && several) out += "]\n";
  std::cout << (opt.cp1251 && !opt.json ? Utf8ToCp1251(out) : out) << std::flush;
  return status;
}
