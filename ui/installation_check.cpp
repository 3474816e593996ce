#include "ui/installation_check.h"

#include "intake/command_runner.h"
#include "model/files.h"
#include "report/rule_entries.h"

namespace zentrox::ui {

std::vector<MissingPart> FindMissingParts(Variant variant, const std::string& workdir, const std::string& program_dir) {
  std::vector<MissingPart> missing;
  const std::string dir = WithTrailingSlash(program_dir);
  if (ResolveProgram("Rar", program_dir).empty()) {
    missing.push_back({"Rar", dir + "Rar (или в каталогах PATH)"});
  }
  const std::string work = WithTrailingSlash(workdir);
  for (const std::string& name : DictionaryFiles(variant)) {
    // The loaders find their files without regard to case; so does the check.
    if (!FileExistsNoCase(work + name)) missing.push_back({name, work + name});
  }
  return missing;
}

void WriteMissingParts(const std::vector<MissingPart>& missing, Protocol& protocol) {
  if (missing.empty()) return;
  const TextStyle saved = protocol.current();
  protocol.SetColor(kRed);
  AddFault(protocol, rule::kSetupComplete);
  for (const MissingPart& part : missing) AddFault(protocol, rule::kSetupPartPresent, part.what, part.where);
  protocol.SetColor(saved.color);
  protocol.SetBold(saved.bold);
  protocol.SetItalic(saved.italic);
  protocol.SetHeight(saved.height);
}

}  // namespace zentrox::ui
