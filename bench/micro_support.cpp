#include "bench/micro_support.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "intake/command_runner.h"
#include "report/loader.h"

namespace zentrox::bench {

namespace fs = std::filesystem;

BenchPackage::BenchPackage(Variant variant, std::size_t declarations) : variant_(variant) {
  GenOptions o;
  o.variant = variant;
  o.declarations = declarations;
  package_ = GeneratePackage(o);
  std::string pattern = (fs::temp_directory_path() / "zentrox-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary directory");
  workdir_ = pattern + "/";
  WritePackageFiles(package_, pattern);
  for (const fs::directory_entry& e : fs::directory_iterator(ExecutableDirectory())) {
    if (e.path().extension() == ".txt") fs::copy_file(e.path(), fs::path(workdir_) / e.path().filename());
  }
}

BenchPackage::~BenchPackage() {
  std::error_code ec;
  fs::remove_all(workdir_, ec);
}

int BenchPackage::period() const {
  switch (variant_) {
    case Variant::Quarterly: return 3;
    case Variant::Monthly: return 11;
    default: return 0;
  }
}

namespace {

// Part 1 of a control run over the variant's profile: dictionaries, then
// package files.
void LoadAsProfiled(FindingWriter& checks, const std::string& wd, NewFormatTables& dm, OldFormatTables& dm1) {
  const VariantProfile& profile = checks.profile();
  for (const DictionaryFile& d : profile.dictionaries) {
    for (TableOf table_of : d.tables) {
      if (d.shape == DictionaryShape::Records) {
        LoadDictionaryRecords(checks, wd + d.name, table_of(dm, dm1));
      } else {
        LoadDictionary(checks, wd + d.name, table_of(dm, dm1), d.closing_row);
      }
    }
  }
  PadDistrictCodes(profile.districts(dm, dm1));
  for (const PackageFile& f : profile.files) LoadPackageFile(checks, wd + FileName(f.kind), f.kind, f.table(dm, dm1));
}

}  // namespace

void BenchPackage::Load(FindingWriter& checks, NewFormatTables& dm) const {
  OldFormatTables unused;
  LoadAsProfiled(checks, workdir_, dm, unused);
}

void BenchPackage::Load(FindingWriter& checks, OldFormatTables& dm) const {
  NewFormatTables unused;
  LoadAsProfiled(checks, workdir_, unused, dm);
}

}  // namespace zentrox::bench
