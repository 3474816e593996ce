#include "ui/installation_check.h"

#include "data/files.h"
#include "intake/command_runner.h"

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
  protocol.AddFault("Программа установлена не полностью, не найдено:", "setup.complete");
  for (const MissingPart& part : missing) {
    protocol.AddFault("   " + part.what + "  -  ожидается: " + part.where, "setup.part-present");
  }
  protocol.SetColor(saved.color);
  protocol.SetBold(saved.bold);
  protocol.SetItalic(saved.italic);
  protocol.SetHeight(saved.height);
}

}  // namespace zentrox::ui
