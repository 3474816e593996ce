#include "options.h"

#include <iostream>

#include "output.h"

namespace zentrox::cli {
namespace {

// "@VARIANTS@" stands for the variants' ids, taken from their profiles.
const char* const kUsageText =
    "usage: zentrox-check [--variant auto|@VARIANTS@] [--workdir DIR]\n"
    "                     [--today DD.MM.YYYY] [--rtf FILE] [--xlsx FILE]\n"
    "                     [--format text|json|csv] [--encoding utf-8|cp1251]\n"
    "                     [--jobs N] [--] ARCHIVE...\n"
    "       zentrox-check --list-rules [--format text|json] [--encoding utf-8|cp1251]\n"
    "\n"
    "Unpacks each package ARCHIVE into the working directory and checks it as the\n"
    "variant's checker window does; prints the protocol to standard output.\n"
    "\n"
    "  --variant V     the variant: @VARIANTS@;\n"
    "                  or auto (the default): told from each archive, by an\n"
    "                  entry named rev5_pl (the old format) or else by the\n"
    "                  period code of a 30-character name (T01-T04 quarterly,\n"
    "                  L01-L12 monthly, L00 annual) or a 22-character name\n"
    "                  (annual)\n"
    "  --workdir DIR   working directory with the dictionaries (default:\n"
    "                  $ZENTROX_WORKDIR, else this program's directory when it\n"
    "                  is writable, else ~/.local/share/zentrox)\n"
    "  --today DATE    the date the checks take as today\n"
    "  --rtf FILE      also save the protocol as rich text (one archive only)\n"
    "  --xlsx FILE     also save the findings as a spreadsheet workbook, the\n"
    "                  columns of csv below, every value as text as it stood in\n"
    "                  the file (one archive only)\n"
    "  --format F      text (default); json: one object per archive with the\n"
    "                  summary, the findings and the protocol lines (an array of\n"
    "                  objects for several archives); csv: one row per finding\n"
    "                  (archive, rule, file, record, pack, declaration, name,\n"
    "                  field, value, message, text) under one header line, the\n"
    "                  archives in the order given, UTF-8 with a byte-order mark\n"
    "                  and CR LF line ends\n"
    "  --encoding E    utf-8 (default) or cp1251, for the text output\n"
    "  --jobs N        check up to N archives at once (default: the number of\n"
    "                  cores; 1 checks them one after another), each in a\n"
    "                  private directory under the working directory\n"
    "  --              ends the options: what follows are archives, even when\n"
    "                  their names begin with -\n"
    "  --list-rules    print the rule catalogue instead: one line per rule (id,\n"
    "                  package file, field, what it requires; tab-separated) or,\n"
    "                  with --format json, an array of objects\n"
    "\n"
    "Several archives are printed in the order given, whatever --jobs is, each\n"
    "text protocol under a heading line. Exit status (the highest over the archives): 0 no findings,\n"
    "1 findings, 2 usage error or the variant of an archive could not be told,\n"
    "3 the archive could not be read or listed, not unpacked, the run ended early\n"
    "or the working directory was busy with another run, could not be locked or\n"
    "its dictionaries not put in place, or the output could not be written (said\n"
    "on standard error). An archive\n"
    "that could not be read or listed, or whose variant could not be told, is\n"
    "named on standard error with the reason and not checked (no protocol lines,\n"
    "no CSV rows); the batch goes on with the next archive.\n";

}  // namespace

std::string Usage() {
  std::string ids;
  for (Variant v : AllVariants()) ids += (ids.empty() ? "" : "|") + Profile(v).id;
  std::string usage = kUsageText;
  for (std::size_t at; (at = usage.find("@VARIANTS@")) != std::string::npos;) usage.replace(at, 10, ids);
  return usage;
}

int UsageError(const std::string& message) {
  std::cerr << "zentrox-check: " << message << "\n" << Usage();
  return kExitUsage;
}

ParsedArgs ParseArgs(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  Options& opt = parsed.options;
  auto stop = [&parsed](int status) {
    parsed.exit = status;
    return parsed;
  };
  bool options_ended = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options_ended) {
      opt.archives.push_back(a);
      continue;
    }
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    if (a == "--") {
      options_ended = true;
    } else if (a == "--help" || a == "-h") {
      WriteOutput(Usage());
      return stop(kExitClean);
    } else if (a == "--variant") {
      if (!value(v)) return stop(UsageError("--variant needs a value"));
      opt.profile = v == "auto" ? nullptr : FindProfile(v);
      if (opt.profile == nullptr && v != "auto") return stop(UsageError("unknown variant '" + v + "'"));
    } else if (a == "--workdir") {
      if (!value(v)) return stop(UsageError("--workdir needs a value"));
      opt.workdir = v;
    } else if (a == "--today") {
      if (!value(v)) return stop(UsageError("--today needs a value"));
      opt.today = v.size() == 10 ? ParseDate(v) : std::nullopt;
      if (!opt.today) return stop(UsageError("--today takes a date DD.MM.YYYY"));
    } else if (a == "--rtf") {
      if (!value(opt.rtf)) return stop(UsageError("--rtf needs a value"));
    } else if (a == "--xlsx") {
      if (!value(opt.xlsx)) return stop(UsageError("--xlsx needs a value"));
    } else if (a == "--format") {
      if (!value(v) || (v != "text" && v != "json" && v != "csv")) {
        return stop(UsageError("--format takes text, json or csv"));
      }
      opt.format = v == "json" ? OutputFormat::Json : v == "csv" ? OutputFormat::Csv : OutputFormat::Text;
    } else if (a == "--encoding") {
      if (!value(v) || (v != "utf-8" && v != "cp1251")) return stop(UsageError("--encoding takes utf-8 or cp1251"));
      opt.cp1251 = v == "cp1251";
    } else if (a == "--jobs") {
      if (!value(v)) return stop(UsageError("--jobs needs a value"));
      const std::optional<unsigned> jobs = ParseJobCount(v);
      if (!jobs) return stop(UsageError("--jobs takes a whole number from 1 to " + std::to_string(kMaxJobs)));
      opt.jobs = *jobs;
    } else if (a == "--list-rules") {
      opt.list_rules = true;
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      return stop(UsageError("unknown option '" + a + "'"));
    } else {
      opt.archives.push_back(a);
    }
  }
  if (opt.list_rules) {
    if (!opt.archives.empty()) return stop(UsageError("--list-rules takes no archive"));
    if (opt.format == OutputFormat::Csv) return stop(UsageError("--list-rules prints text or json"));
    return parsed;
  }
  if (opt.archives.empty()) return stop(UsageError("no archive given"));
  if (!opt.rtf.empty() && opt.archives.size() > 1) return stop(UsageError("--rtf takes one archive"));
  if (!opt.xlsx.empty() && opt.archives.size() > 1) return stop(UsageError("--xlsx takes one archive"));
  return parsed;
}

}  // namespace zentrox::cli
