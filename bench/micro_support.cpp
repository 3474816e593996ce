#include "bench/micro_support.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "data/loader.h"
#include "intake/command_runner.h"

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

void BenchPackage::Load(Checks& checks, TDM& dm) const {
  const std::string& wd = workdir_;
  LoadDictionaryRecords(checks, wd + "sps_newkateg.txt", dm.new_kategor);
  if (variant_ == Variant::Monthly) LoadDictionaryRecords(checks, wd + "sps_new_prof.txt", dm.new_prof);
  const std::pair<const char*, Table*> dicts[] = {{"sps_kateg.txt", &dm.kategor},   {"months.txt", &dm.months},
                                                  {"sps_prof.txt", &dm.prof},       {"raion.txt", &dm.raion},
                                                  {"sps_typeform.txt", &dm.typeform}, {"sps_viddoc.txt", &dm.viddoc}};
  for (const auto& [file, table] : dicts) LoadDictionary(checks, wd, wd + file, *table);
  PadDistrictCodes(dm.raion);
  const std::pair<const char*, Table*> files[] = {
      {"REV5_T", &dm.svod_info}, {"REV5_IP", &dm.pack_label}, {"REV5_NA", &dm.name_account}, {"REV5_SD", &dm.saldo_data}};
  for (const auto& [name, table] : files) LoadPackageFile(checks, wd, wd + name, *table);
}

void BenchPackage::Load(Checks& checks, TDM1& dm) const {
  const std::string& wd = workdir_;
  const std::pair<const char*, Table*> dicts[] = {
      {"kategor.txt", &dm.kategor}, {"months.txt", &dm.months}, {"prof.txt", &dm.prof},
      {"raion.txt", &dm.raion},     {"rang.txt", &dm.rang},     {"rashod.txt", &dm.rashod},
      {"tarif.txt", &dm.tarif},     {"tarif.txt", &dm.tarif_ap}, {"typeform.txt", &dm.typeform},
      {"viddoc.txt", &dm.viddoc}};
  for (const auto& [file, table] : dicts) LoadDictionary(checks, wd, wd + file, *table);
  PadDistrictCodes(dm.raion);
  const std::pair<const char*, Table*> files[] = {{"REV5_PL", &dm.pack_label},
                                                  {"REV5_NA", &dm.name_account},
                                                  {"REV5_SD", &dm.saldo_data},
                                                  {"REV5_DI", &dm.stage_info},
                                                  {"REV5_MU", &dm.money_util}};
  for (const auto& [name, table] : files) LoadPackageFile(checks, wd, wd + name, *table);
}

}  // namespace zentrox::bench
