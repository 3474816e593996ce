#include "data/variant.h"

namespace zentrox {
namespace {

const std::vector<FileKind> kNewFiles = {FileKind::T, FileKind::IP, FileKind::NA, FileKind::SD};
const std::vector<FileKind> kOldFiles = {FileKind::PL, FileKind::NA_OLD, FileKind::SD_OLD,
                                         FileKind::DI, FileKind::MU};
const std::vector<std::string> kNewNames = {"rev5_t", "rev5_ip", "rev5_na", "rev5_sd"};
const std::vector<std::string> kOldNames = {"rev5_pl", "rev5_na", "rev5_sd", "rev5_di", "rev5_mu"};

const VariantProfile kProfiles[] = {
    {Variant::Monthly, "monthly", "TFmain_MES",
     "Zentrox            LUNAR        МЕСЯЧНЫЙ       Н О В Ы Е   Ф О Р М А Т Ы", false, true,
     kNewFiles, kNewNames, "Protocol tiparit", "Protocol scris in fisier "},
    {Variant::Quarterly, "quarterly", "TFmain_KV",
     "Zentrox            TRIMESTRIAL        КВАРТАЛЬНЫЙ       Н О В Ы Е   Ф О Р М А Т Ы", false,
     false, kNewFiles, kNewNames, "Protocol tiparit", "Protocol scris in fisier "},
    {Variant::Annual, "annual", "TFmain",
     "Zentrox            ANUAL         ГОДОВЫЕ       Н О В Ы Е   Ф О Р М А Т Ы", false, false,
     kNewFiles, kNewNames, "Протокол распечатан", "Протокол сохранён в файл "},
    {Variant::AnnualOld, "annual-old", "TFmainrev",
     "Zentrox    ANUAL         ГОДОВЫЕ          С Т А Р Ы Е   Ф О Р М А Т Ы", true, false,
     kOldFiles, kOldNames, "Протокол распечатан", "Протокол сохранён в файл "},
};

}  // namespace

bool VariantProfile::HasPrimitive(Primitive p) const {
  switch (p) {
    case Primitive::NotNegative:
      return variant == Variant::Annual || variant == Variant::AnnualOld;
    case Primitive::DateOrder:
    case Primitive::DateRange:
    case Primitive::YesNo:
      return variant == Variant::AnnualOld;
  }
  return false;
}

const VariantProfile& Profile(Variant v) {
  for (const VariantProfile& p : kProfiles) {
    if (p.variant == v) return p;
  }
  return kProfiles[0];
}

const std::vector<std::string>& DictionaryFiles(Variant v) {
  static const std::vector<std::string> kMonthly = {"sps_newkateg.txt", "sps_new_prof.txt", "sps_kateg.txt",
                                                    "months.txt",       "sps_prof.txt",     "raion.txt",
                                                    "sps_typeform.txt", "sps_viddoc.txt"};
  static const std::vector<std::string> kNew = {"sps_newkateg.txt", "sps_kateg.txt",    "months.txt",
                                                "sps_prof.txt",     "raion.txt",        "sps_typeform.txt",
                                                "sps_viddoc.txt"};
  static const std::vector<std::string> kOld = {"kategor.txt", "months.txt", "prof.txt",     "raion.txt", "rang.txt",
                                                "rashod.txt",  "tarif.txt",  "typeform.txt", "viddoc.txt"};
  switch (v) {
    case Variant::Monthly: return kMonthly;
    case Variant::AnnualOld: return kOld;
    default: return kNew;
  }
}

const VariantProfile* FindProfile(std::string_view id) {
  for (const VariantProfile& p : kProfiles) {
    if (p.id == id) return &p;
  }
  return nullptr;
}

const std::vector<Variant>& AllVariants() {
  static const std::vector<Variant> kAll = {Variant::Monthly, Variant::Quarterly, Variant::Annual,
                                            Variant::AnnualOld};
  return kAll;
}

}  // namespace zentrox
