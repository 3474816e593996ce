#include "rules/control_run.h"

#include <fmt/format.h>

#include <ctime>
#include <exception>
#include <new>

#include "engine/text.h"
#include "model/files.h"
#include "report/checks.h"
#include "report/loader.h"
#include "report/rule_entries.h"
#include "rules/rule_set.h"
#include "rules/side_by_side.h"

namespace zentrox {

namespace {

enum class Weight { Regular, Bold };
enum class Slant { Upright, Italic };

TextStyle Emphasis(const Protocol& p, Rgb color, Weight weight, Slant slant) {
  TextStyle s = p.current();
  s.color = color;
  s.bold = weight == Weight::Bold;
  s.italic = slant == Slant::Italic;
  return s;
}

// The headings of the two parts of the control.
TextStyle PartHeadingStyle(const Protocol& p) { return Emphasis(p, kRed, Weight::Bold, Slant::Italic); }
TextStyle ReadErrorStyle(const Protocol& p) { return Emphasis(p, kRed, Weight::Regular, Slant::Upright); }
TextStyle InternalErrorStyle(const Protocol& p) { return Emphasis(p, kRed, Weight::Bold, Slant::Upright); }
// "к о н т р о л ь  з а в е р ш е н." keeps the colour the rules left.
TextStyle ClosingStyle(const Protocol& p) { return Emphasis(p, p.current().color, Weight::Bold, Slant::Upright); }

void ReadError(Protocol& p, const std::string& path) {
  p.AddStyledFault(FormatMessage(rule::kControlFilesReadable.message, ShownPath(path)), ReadErrorStyle(p),
                   rule::kControlFilesReadable.id);
}

// Runs a loader, turning a read error of an existing file into one red line.
template <typename Fn>
void Guarded(Protocol& p, const std::string& path, Fn&& load) {
  try {
    load();
  } catch (const FileReadError&) {
    ReadError(p, path);
  }
}

void LoadDictionaries(FindingWriter& checks, NewFormatTables& dm, OldFormatTables& dm1, const std::string& wd) {
  Protocol& p = checks.protocol();
  const VariantProfile& profile = checks.profile();
  for (const DictionaryFile& dictionary : profile.dictionaries) {
    const std::string path = wd + dictionary.name;
    for (TableOf table_of : dictionary.tables) {
      Table& table = table_of(dm, dm1);
      Guarded(p, path, [&] {
        if (dictionary.shape == DictionaryShape::Records) {
          LoadDictionaryRecords(checks, path, table);
        } else {
          LoadDictionary(checks, path, table, dictionary.closing_row);
        }
        // Names the dictionary a finding's valid codes come from.
        table.SetSourceFile(dictionary.name);
      });
    }
  }
  PadDistrictCodes(profile.districts(dm, dm1));
}

void LoadPackageFiles(FindingWriter& checks, NewFormatTables& dm, OldFormatTables& dm1, const std::string& wd) {
  Protocol& p = checks.protocol();
  // A large file is read in parts on the threads the passes use.
  const LoadSplit split{RuleThreads()};
  for (const PackageFile& file : checks.profile().files) {
    const std::string path = wd + FileName(file.kind);
    Table& table = file.table(dm, dm1);
    const FileKind kind = file.kind;
    Guarded(p, path, [&] { LoadPackageFile(checks, path, kind, table, split); });
  }
}

// The date, the title and whether a package is unpacked. False when the run
// ends here.
bool WriteHeading(Protocol& protocol, const VariantProfile& profile, const ControlInput& input,
                  const LocalDateTime& now) {
  protocol.Clear();
  protocol.SetDefaultColor(kBlue);
  protocol.Add(now.ToString());
  protocol.Add("ПРОТОКОЛ КОНТРОЛЯ ЭЛЕКТРОННОГО ПАКЕТА.");
  if (!input.marker.empty()) {
    protocol.Add("Распакован пакет " + ShownPath(input.marker));
    return true;
  }
  protocol.Add("Пакет НЕ распакован.");
  return profile.runs_without_marker;
}

bool RequiredFilesPresent(const VariantProfile& profile, const std::string& wd) {
  for (const std::string& file : profile.required_files) {
    if (!FileExistsNoCase(wd + file)) return false;
  }
  return true;
}

// Part 2: the passes run, then what they computed is merged in their order
// into `results`. False when a fault of the program itself ended the run:
// one red line names it, and the package files stay.
bool RunRuleSet(Protocol& protocol, const RuleRun& run, Variant variant, PassResult& results) {
  try {
    results = MergeResults(RuleSetFor(variant)(run));
  } catch (const std::bad_alloc&) {
    throw;  // ends the whole run, in RunControl
  } catch (const std::exception& e) {
    protocol.AddStyledFault(FormatMessage(rule::kControlNoInternalError.message, e.what()),
                            InternalErrorStyle(protocol), rule::kControlNoInternalError.id);
    protocol.Finish();
    return false;
  }
  return true;
}

// The closing summary. The old format's rules name the agent themselves;
// the new formats close with the last summary row's agent number.
void WriteSummary(Protocol& protocol, const PassResult& run, const NewFormatTables& dm) {
  std::string agent;
  if (run.agent) {
    agent = *run.agent;
  } else if (!dm.svod_info.empty()) {
    agent = dm.svod_info.Text(static_cast<RowId>(dm.svod_info.size() - 1), svod::REGNOM_EA);
  }
  protocol.Finish();
  protocol.AddStyled("к о н т р о л ь  з а в е р ш е н.", ClosingStyle(protocol));
  protocol.Add("Экономический Агент  " + agent);
  protocol.Add(fmt::format("Количество пачек в пакете: {}", run.pack_count.value_or(0)));
  protocol.Add(fmt::format("Проверено электронных деклараций : {}", run.declaration_count.value_or(0)));
}

ControlResult ControlSteps(Protocol& protocol, NewFormatTables& dm, OldFormatTables& dm1, const ControlInput& input,
                           const Clock& clock) {
  const VariantProfile& profile = Profile(input.variant);
  const std::string& wd = input.workdir;
  ControlResult result;
  LocalDateTime now = clock.Now();

  if (!WriteHeading(protocol, profile, input, now)) {
    result.outcome = RunOutcome::NotUnpacked;
    return result;
  }
  if (!RequiredFilesPresent(profile, wd)) {
    protocol.Add("отсутствуют нужные файлы из пакета ");
    result.outcome = RunOutcome::FilesMissing;
    return result;
  }
  if (!input.period_ok) {
    for (const std::string& line : input.period_refusal) protocol.Add(line);
    result.outcome = RunOutcome::PeriodRefused;
    return result;
  }

  FindingWriter checks(protocol, profile, now.date);
  protocol.AddStyled("Контроль, часть 1 - проверка соответствия форматам данных:", PartHeadingStyle(protocol));
  LoadDictionaries(checks, dm, dm1, wd);
  LoadPackageFiles(checks, dm, dm1, wd);
  protocol.AddStyled("Контроль, часть 2 - проверка информационных данных:", PartHeadingStyle(protocol));

  // The tables stand still from here on: the passes read them as const and
  // share what is derived from them, which goes with this run.
  TableIndexes indexes;
  RuleRun run{checks, indexes};
  run.dm = &dm;
  run.dm1 = &dm1;
  run.period = input.period;
  run.archive_path = input.archive_path;
  PassResult results;
  if (!RunRuleSet(protocol, run, input.variant, results)) {
    result.outcome = RunOutcome::InternalError;
    return result;
  }

  WriteSummary(protocol, results, dm);
  for (const std::string& file : profile.removed_after_control) RemoveFileNoCase(wd + file);

  result.outcome = RunOutcome::Completed;
  result.pack_count = results.pack_count.value_or(0);
  result.declaration_count = results.declaration_count.value_or(0);
  return result;
}

}  // namespace

const char* const kOutOfMemory = "Недостаточно памяти для контроля пакета";

void ReportOutOfMemory(Protocol& protocol, const std::string& workdir) {
  TextStyle style = protocol.current();
  style.color = kRed;
  style.bold = true;
  style.italic = false;
  try {
    // Not a fault line: it must show even when the fault lines are full.
    protocol.AddStyled(kOutOfMemory, style);
  } catch (const std::bad_alloc&) {
    // Not even one line fits beside what the protocol holds: it gives way.
    protocol.Clear();
    protocol.AddStyled(kOutOfMemory, style);
  }
  // Every variant's package files: which package was being read is no matter.
  for (Variant v : AllVariants()) {
    for (const std::string& file : Profile(v).removed_after_control) RemoveFileNoCase(workdir + file);
  }
}

void ClearPackageTables(NewFormatTables& dm, OldFormatTables& dm1) {
  // Emptying a table allocates nothing.
  for (Variant v : AllVariants()) {
    for (const PackageFile& file : Profile(v).files) file.table(dm, dm1).Clear();
  }
  dm.money_util.Clear();
}

// A package too large for the memory at hand ends the run wherever the
// allocation failed (loading, rules, summary): the tables give their memory
// back, one red line says why, and the package files go as after every run.
ControlResult RunControl(Protocol& protocol, NewFormatTables& dm, OldFormatTables& dm1, const ControlInput& input,
                         const Clock& clock) {
  try {
    return ControlSteps(protocol, dm, dm1, input, clock);
  } catch (const std::bad_alloc&) {
    ClearPackageTables(dm, dm1);
    ReportOutOfMemory(protocol, input.workdir);
    ControlResult ended;
    ended.outcome = RunOutcome::OutOfMemory;
    return ended;
  }
}

}  // namespace zentrox
