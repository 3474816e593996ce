#include "model/variant.h"

#include <algorithm>

namespace zentrox {
namespace {

// The tables of the two data modules.
template <Table NewFormatTables::*kTable>
Table& NewTable(NewFormatTables& dm, OldFormatTables&) {
  return dm.*kTable;
}
template <Table OldFormatTables::*kTable>
Table& OldTable(NewFormatTables&, OldFormatTables& dm1) {
  return dm1.*kTable;
}

const PackageFile kNewPacks{FileKind::IP, NewTable<&NewFormatTables::pack_label>};
const PackageFile kOldPacks{FileKind::PL, OldTable<&OldFormatTables::pack_label>};
const std::vector<PackageFile> kNewFiles = {{FileKind::T, NewTable<&NewFormatTables::svod_info>},
                                            kNewPacks,
                                            {FileKind::NA, NewTable<&NewFormatTables::name_account>},
                                            {FileKind::SD, NewTable<&NewFormatTables::saldo_data>}};
const std::vector<PackageFile> kOldFiles = {kOldPacks,
                                            {FileKind::NA_OLD, OldTable<&OldFormatTables::name_account>},
                                            {FileKind::SD_OLD, OldTable<&OldFormatTables::saldo_data>},
                                            {FileKind::DI, OldTable<&OldFormatTables::stage_info>},
                                            {FileKind::MU, OldTable<&OldFormatTables::money_util>}};
const std::vector<std::string> kNewNames = {"rev5_t", "rev5_ip", "rev5_na", "rev5_sd"};
const std::vector<std::string> kOldNames = {"rev5_pl", "rev5_na", "rev5_sd", "rev5_di", "rev5_mu"};
const std::vector<std::string> kNewRequired = {"rev5_t", "rev5_ip"};
const std::vector<std::string> kOldRequired = {"rev5_pl"};
const std::vector<std::string> kNewRemovedBefore = {"rev5_t", "rev5_na", "rev5_ip", "rev5_sd"};
const std::vector<std::string> kOldRemovedBefore = {"rev5_di", "rev5_mu", "rev5_na", "rev5_pl", "rev5_sd"};
const std::vector<std::string> kNewRemovedAfter = {"REV5_NA", "REV5_SD", "REV5_IP", "REV5_T"};
// The old format's control run also clears what a new-format package left.
const std::vector<std::string> kOldRemovedAfter = {"REV5_DI", "REV5_MU", "REV5_PL", "REV5_NA",
                                                   "REV5_SD", "REV5_IP", "REV5_T"};
const char* const kFourFiles = "б) возможно неправильно создан архив (в архиве должно быть 4 файла)";
const char* const kFiveFiles = "б) возможно неправильно создан архив (в архиве должно быть 5 файлов)";

const char* const kMonthsTotal = "13";   // the year's total row of a declaration
const char* const kExpenseTotal = "99";  // the total of the expense codes

const DictionaryFile kNewCategories{
    "sps_newkateg.txt", {NewTable<&NewFormatTables::new_kategor>}, DictionaryShape::Records, ""};
const DictionaryFile kNewJobs{"sps_new_prof.txt", {NewTable<&NewFormatTables::new_prof>}, DictionaryShape::Records, ""};
const DictionaryFile kCategories{"sps_kateg.txt", {NewTable<&NewFormatTables::kategor>}, DictionaryShape::Codes, ""};
const DictionaryFile kMonths{"months.txt", {NewTable<&NewFormatTables::months>}, DictionaryShape::Codes, kMonthsTotal};
const DictionaryFile kJobs{"sps_prof.txt", {NewTable<&NewFormatTables::prof>}, DictionaryShape::Codes, ""};
const DictionaryFile kDistricts{"raion.txt", {NewTable<&NewFormatTables::raion>}, DictionaryShape::Codes, ""};
const DictionaryFile kFormTypes{"sps_typeform.txt", {NewTable<&NewFormatTables::typeform>}, DictionaryShape::Codes, ""};
const DictionaryFile kDocumentTypes{"sps_viddoc.txt", {NewTable<&NewFormatTables::viddoc>}, DictionaryShape::Codes, ""};

const std::vector<DictionaryFile> kMonthlyDictionaries = {kNewCategories, kNewJobs,   kCategories, kMonths,
                                                          kJobs,          kDistricts, kFormTypes,  kDocumentTypes};
const std::vector<DictionaryFile> kNewDictionaries = {kNewCategories, kCategories, kMonths,       kJobs,
                                                      kDistricts,     kFormTypes,  kDocumentTypes};
const std::vector<DictionaryFile> kOldDictionaries = {
    {"kategor.txt", {OldTable<&OldFormatTables::kategor>}, DictionaryShape::Codes, ""},
    {"months.txt", {OldTable<&OldFormatTables::months>}, DictionaryShape::Codes, kMonthsTotal},
    {"prof.txt", {OldTable<&OldFormatTables::prof>}, DictionaryShape::Codes, ""},
    {"raion.txt", {OldTable<&OldFormatTables::raion>}, DictionaryShape::Codes, ""},
    {"rang.txt", {OldTable<&OldFormatTables::rang>}, DictionaryShape::Codes, ""},
    {"rashod.txt", {OldTable<&OldFormatTables::rashod>}, DictionaryShape::Codes, kExpenseTotal},
    // The employer's and the insured person's tariffs are one file.
    {"tarif.txt",
     {OldTable<&OldFormatTables::tarif>, OldTable<&OldFormatTables::tarif_ap>},
     DictionaryShape::Codes,
     ""},
    {"typeform.txt", {OldTable<&OldFormatTables::typeform>}, DictionaryShape::Codes, ""},
    {"viddoc.txt", {OldTable<&OldFormatTables::viddoc>}, DictionaryShape::Codes, ""},
};

// The period codes of the package names. A window refusing another one's
// code sends the user to the menu item of the family it names; the annual
// window takes any code no other window names.
const PeriodGrammar kMonthlyPeriod{
    .codes = {.letter = "L", .first = 1, .last = 12, .meaning = PeriodMeaning::Month, .family = ""},
    .refuses_named_families = false,
    .wrong_letter = "в наименовании пакета некорректно указана буква периода: L - ежемесячная",
    .wrong_number = "в наименовании пакета неверно указан номер месяца "};
const PeriodGrammar kQuarterlyPeriod{
    .codes = {.letter = "T", .first = 1, .last = 4, .meaning = PeriodMeaning::Quarter, .family = "Trimestrial"},
    .refuses_named_families = true,
    .wrong_letter = "",
    .wrong_number = "в наименовании пакета неверно указан номер квартала "};
const PeriodGrammar kAnnualPeriod{
    .codes = {.letter = "L", .first = 0, .last = 0, .meaning = PeriodMeaning::Year, .family = "Anual"},
    .refuses_named_families = true,
    .wrong_letter = "",
    .wrong_number = ""};

const char* const kUnpackedTo = "пакет распакован в рабочий каталог ";
const char* const kUnpackedToPadded = "пакет распакован в рабочий каталог  ";

const VariantProfile kProfiles[] = {
    {.variant = Variant::Monthly,
     .id = "monthly",
     .window = "TFmain_MES",
     .caption = "Zentrox            LUNAR        МЕСЯЧНЫЙ       Н О В Ы Е   Ф О Р М А Т Ы",
     .files = kNewFiles,
     .pack_file = kNewPacks,
     .caption_set = CaptionSet::Monthly,
     .unpacked_names = kNewNames,
     .required_files = kNewRequired,
     .removed_before_unrar = kNewRemovedBefore,
     .removed_after_control = kNewRemovedAfter,
     .archive_content_hint = kFourFiles,
     .name_policy = NamePolicy::Length30,
     .period = kMonthlyPeriod,
     .lists_before_extracting = true,
     .marker_policy = MarkerPolicy::OwnArchivePath,
     .runs_without_marker = false,
     .unpacked_line = kUnpackedToPadded,
     .dictionaries = kMonthlyDictionaries,
     .districts = NewTable<&NewFormatTables::raion>,
     .numbered_dictionary_faults = false,
     .primitives = {},
     .print_message = "Protocol tiparit",
     .save_prefix = "Protocol scris in fisier "},
    {.variant = Variant::Quarterly,
     .id = "quarterly",
     .window = "TFmain_KV",
     .caption = "Zentrox            TRIMESTRIAL        КВАРТАЛЬНЫЙ       Н О В Ы Е   Ф О Р М А Т Ы",
     .files = kNewFiles,
     .pack_file = kNewPacks,
     .caption_set = CaptionSet::Standard,
     .unpacked_names = kNewNames,
     .required_files = kNewRequired,
     .removed_before_unrar = kNewRemovedBefore,
     .removed_after_control = kNewRemovedAfter,
     .archive_content_hint = kFourFiles,
     .name_policy = NamePolicy::Length30,
     .period = kQuarterlyPeriod,
     .lists_before_extracting = true,
     .marker_policy = MarkerPolicy::OwnArchivePath,
     .runs_without_marker = false,
     .unpacked_line = kUnpackedToPadded,
     .dictionaries = kNewDictionaries,
     .districts = NewTable<&NewFormatTables::raion>,
     .numbered_dictionary_faults = false,
     .primitives = {},
     .print_message = "Protocol tiparit",
     .save_prefix = "Protocol scris in fisier "},
    {.variant = Variant::Annual,
     .id = "annual",
     .window = "TFmain",
     .caption = "Zentrox            ANUAL         ГОДОВЫЕ       Н О В Ы Е   Ф О Р М А Т Ы",
     .files = kNewFiles,
     .pack_file = kNewPacks,
     .caption_set = CaptionSet::Standard,
     .unpacked_names = kNewNames,
     .required_files = kNewRequired,
     .removed_before_unrar = kNewRemovedBefore,
     .removed_after_control = kNewRemovedAfter,
     .archive_content_hint = kFourFiles,
     .name_policy = NamePolicy::Length22Or30,
     .period = kAnnualPeriod,
     .lists_before_extracting = false,
     .marker_policy = MarkerPolicy::SharedPackageName,
     .runs_without_marker = false,
     .unpacked_line = kUnpackedTo,
     .dictionaries = kNewDictionaries,
     .districts = NewTable<&NewFormatTables::raion>,
     .numbered_dictionary_faults = false,
     .primitives = {Primitive::NotNegative},
     .print_message = "Протокол распечатан",
     .save_prefix = "Протокол сохранён в файл "},
    {.variant = Variant::AnnualOld,
     .id = "annual-old",
     .window = "TFmainrev",
     .caption = "Zentrox    ANUAL         ГОДОВЫЕ          С Т А Р Ы Е   Ф О Р М А Т Ы",
     .files = kOldFiles,
     .pack_file = kOldPacks,
     .caption_set = CaptionSet::Standard,
     .unpacked_names = kOldNames,
     .required_files = kOldRequired,
     .removed_before_unrar = kOldRemovedBefore,
     .removed_after_control = kOldRemovedAfter,
     .archive_content_hint = kFiveFiles,
     .name_policy = NamePolicy::Unchecked,
     .period = {},
     .lists_before_extracting = false,
     .marker_policy = MarkerPolicy::OwnArchivePath,
     .runs_without_marker = true,
     .unpacked_line = "Файл распакован в рабочий каталог ",
     .dictionaries = kOldDictionaries,
     .districts = OldTable<&OldFormatTables::raion>,
     .numbered_dictionary_faults = true,
     .primitives = {Primitive::NotNegative, Primitive::DateOrder, Primitive::DateRange, Primitive::YesNo},
     .print_message = "Протокол распечатан",
     .save_prefix = "Протокол сохранён в файл "},
};

static_assert(std::size(kProfiles) == kVariantCount, "one profile per variant");

const std::vector<Variant> kAllVariants = [] {
  std::vector<Variant> all;
  for (const VariantProfile& p : kProfiles) all.push_back(p.variant);
  return all;
}();

}  // namespace

bool VariantProfile::HasPrimitive(Primitive p) const {
  return std::find(primitives.begin(), primitives.end(), p) != primitives.end();
}

const VariantProfile& Profile(Variant v) {
  for (const VariantProfile& p : kProfiles) {
    if (p.variant == v) return p;
  }
  return kProfiles[0];
}

std::vector<std::string> DictionaryFiles(Variant v) {
  std::vector<std::string> names;
  for (const DictionaryFile& d : Profile(v).dictionaries) names.push_back(d.name);
  return names;
}

const VariantProfile* FindProfile(std::string_view id) {
  for (const VariantProfile& p : kProfiles) {
    if (p.id == id) return &p;
  }
  return nullptr;
}

const std::vector<Variant>& AllVariants() { return kAllVariants; }

}  // namespace zentrox
