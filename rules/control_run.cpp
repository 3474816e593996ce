#include "rules/control_run.h"

#include <fmt/format.h>

#include <ctime>
#include <exception>
#include <new>

#include "data/checks.h"
#include "data/files.h"
#include "data/loader.h"
#include "rules/rule_set.h"

namespace zentrox {

namespace {

TextStyle Emphasis(const Protocol& p, Rgb color, bool bold, bool italic) {
  TextStyle s = p.current();
  s.color = color;
  s.bold = bold;
  s.italic = italic;
  return s;
}

void ReadError(Protocol& p, const std::string& path) {
  p.AddStyledFault("Ошибка чтения файла " + path, Emphasis(p, kRed, false, false), "control.read-error");
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

// The table each dictionary file fills; the old format reads tarif.txt twice.
std::vector<Table*> DictionaryTables(const std::string& file, TDM& dm, TDM1& dm1, bool old_format) {
  if (old_format) {
    if (file == "kategor.txt") return {&dm1.kategor};
    if (file == "months.txt") return {&dm1.months};
    if (file == "prof.txt") return {&dm1.prof};
    if (file == "raion.txt") return {&dm1.raion};
    if (file == "rang.txt") return {&dm1.rang};
    if (file == "rashod.txt") return {&dm1.rashod};
    if (file == "tarif.txt") return {&dm1.tarif, &dm1.tarif_ap};
    if (file == "typeform.txt") return {&dm1.typeform};
    if (file == "viddoc.txt") return {&dm1.viddoc};
    return {};
  }
  if (file == "sps_newkateg.txt") return {&dm.new_kategor};
  if (file == "sps_new_prof.txt") return {&dm.new_prof};
  if (file == "sps_kateg.txt") return {&dm.kategor};
  if (file == "months.txt") return {&dm.months};
  if (file == "sps_prof.txt") return {&dm.prof};
  if (file == "raion.txt") return {&dm.raion};
  if (file == "sps_typeform.txt") return {&dm.typeform};
  if (file == "sps_viddoc.txt") return {&dm.viddoc};
  return {};
}

void LoadDictionaries(Checks& checks, TDM& dm, TDM1& dm1, const std::string& wd) {
  Protocol& p = checks.protocol();
  const bool old_format = checks.profile().old_format;
  for (const std::string& file : DictionaryFiles(checks.profile().variant)) {
    const std::string path = wd + file;
    for (Table* table : DictionaryTables(file, dm, dm1, old_format)) {
      Guarded(p, path, [&] {
        // The validity periods and the job-code statuses have several columns.
        if (table == &dm.new_kategor || table == &dm.new_prof) {
          LoadDictionaryRecords(checks, path, *table);
        } else {
          LoadDictionary(checks, wd, path, *table);
        }
      });
    }
  }
  PadDistrictCodes(old_format ? dm1.raion : dm.raion);
}

void LoadPackageFiles(Checks& checks, TDM& dm, TDM1& dm1, const std::string& wd) {
  Protocol& p = checks.protocol();
  std::vector<std::pair<const char*, Table*>> files;
  if (checks.profile().old_format) {
    files = {{"REV5_PL", &dm1.pack_label}, {"REV5_NA", &dm1.name_account}, {"REV5_SD", &dm1.saldo_data},
             {"REV5_DI", &dm1.stage_info}, {"REV5_MU", &dm1.money_util}};
  } else {
    files = {{"REV5_T", &dm.svod_info}, {"REV5_IP", &dm.pack_label}, {"REV5_NA", &dm.name_account},
             {"REV5_SD", &dm.saldo_data}};
  }
  // Plain loop variables: clang 14 (sanitizer and fuzz builds) cannot capture
  // structured bindings in a lambda.
  for (const auto& file : files) {
    std::string path = wd + file.first;
    Table* table = file.second;
    Guarded(p, path, [&] { LoadPackageFile(checks, wd, path, *table); });
  }
}

ControlResult ControlSteps(Protocol& protocol, TDM& dm, TDM1& dm1, const ControlInput& input, const Clock& clock) {
  const VariantProfile& profile = Profile(input.variant);
  const std::string& wd = input.workdir;
  ControlResult result;
  LocalDateTime now = clock.Now();

  protocol.Clear();
  protocol.SetDefaultColor(kBlue);
  protocol.Add(now.ToString());
  protocol.Add("ПРОТОКОЛ КОНТРОЛЯ ЭЛЕКТРОННОГО ПАКЕТА.");
  if (input.marker.empty()) {
    protocol.Add("Пакет НЕ распакован.");
    if (!profile.old_format) {
      result.outcome = RunOutcome::NotUnpacked;
      return result;
    }
  } else {
    protocol.Add("Распакован пакет " + input.marker);
  }

  const std::vector<const char*> required =
      profile.old_format ? std::vector<const char*>{"rev5_pl"} : std::vector<const char*>{"rev5_t", "rev5_ip"};
  for (const char* file : required) {
    if (!FileExistsNoCase(wd + file)) {
      protocol.Add("отсутствуют нужные файлы из пакета ");
      return result;
    }
  }

  if (!input.period_ok) {
    for (const std::string& line : input.period_refusal) protocol.Add(line);
    return result;
  }
  const int period = input.period;

  Checks checks(protocol, profile, now.date);
  const TextStyle part_heading = Emphasis(protocol, kRed, true, true);
  protocol.AddStyled("Контроль, часть 1 - проверка соответствия форматам данных:", part_heading);
  LoadDictionaries(checks, dm, dm1, wd);
  LoadPackageFiles(checks, dm, dm1, wd);
  protocol.AddStyled("Контроль, часть 2 - проверка информационных данных:", part_heading);

  RuleRun run{checks};
  run.dm = &dm;
  run.dm1 = &dm1;
  run.period = period;
  run.archive_path = input.archive_path;
  try {
    switch (input.variant) {
      case Variant::Quarterly: RunQuarterlyRules(run); break;
      case Variant::Annual: RunAnnualRules(run); break;
      case Variant::Monthly: RunMonthlyRules(run); break;
      case Variant::AnnualOld: RunAnnualOldRules(run); break;
    }
  } catch (const std::bad_alloc&) {
    throw;  // ends the whole run, below
  } catch (const std::exception& e) {
    // A fault of the program itself must not take the window down: the run
    // ends with one red line naming it, and the package files stay.
    protocol.AddStyledFault(std::string("Внутренняя ошибка контроля: ") + e.what(),
                            Emphasis(protocol, kRed, true, false), "control.internal-error");
    protocol.Finish();
    return result;
  }

  // The old format's rules name the agent themselves; the new formats close
  // with the last summary row's agent number.
  std::string agent;
  if (run.agent) {
    agent = *run.agent;
  } else if (!dm.svod_info.empty()) {
    agent = dm.svod_info.Text(static_cast<RowId>(dm.svod_info.size() - 1), svod::REGNOM_EA);
  }
  protocol.Finish();
  protocol.AddStyled("к о н т р о л ь  з а в е р ш е н.", Emphasis(protocol, protocol.current().color, true, false));
  protocol.Add("Экономический Агент  " + agent);
  protocol.Add(fmt::format("Количество пачек в пакете: {}", run.pack_count));
  protocol.Add(fmt::format("Проверено электронных деклараций : {}", run.declaration_count));

  const std::vector<const char*> remove =
      profile.old_format
          ? std::vector<const char*>{"REV5_DI", "REV5_MU", "REV5_PL", "REV5_NA", "REV5_SD", "REV5_IP", "REV5_T"}
          : std::vector<const char*>{"REV5_NA", "REV5_SD", "REV5_IP", "REV5_T"};
  for (const char* file : remove) RemoveFileNoCase(wd + file);

  result.outcome = RunOutcome::Completed;
  result.pack_count = run.pack_count;
  result.declaration_count = run.declaration_count;
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
  for (const char* file : {"REV5_T", "REV5_IP", "REV5_NA", "REV5_SD", "REV5_PL", "REV5_DI", "REV5_MU"}) {
    RemoveFileNoCase(workdir + file);
  }
}

// A package too large for the memory at hand ends the run wherever the
// allocation failed (loading, rules, summary): the tables give their memory
// back, one red line says why, and the package files go as after every run.
ControlResult RunControl(Protocol& protocol, TDM& dm, TDM1& dm1, const ControlInput& input, const Clock& clock) {
  try {
    return ControlSteps(protocol, dm, dm1, input, clock);
  } catch (const std::bad_alloc&) {
    // Emptying a table allocates nothing.
    for (Table* t : {&dm.svod_info, &dm.pack_label, &dm.name_account, &dm.saldo_data, &dm.money_util}) t->Clear();
    for (Table* t : {&dm1.pack_label, &dm1.name_account, &dm1.saldo_data, &dm1.stage_info, &dm1.money_util}) {
      t->Clear();
    }
    ReportOutOfMemory(protocol, input.workdir);
    return ControlResult{};
  }
}

}  // namespace zentrox
