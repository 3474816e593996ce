// The four check variants and everything that distinguishes them outside the
// rule sets: one profile per variant, read by the loaders, the control run,
// the session, the checker windows and the start menu. A further variant is
// one more entry in the enum and in the profile table, plus its rule set and
// its look (ui/variant_look.cpp).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/schemas.h"

namespace zentrox {

// The order is the start menu's order of buttons.
enum class Variant { Monthly, Quarterly, Annual, AnnualOld };
inline constexpr std::size_t kVariantCount = 4;

// The field-check primitives whose availability differs between variants.
enum class Primitive { NotNegative, DateOrder, DateRange, YesNo };

// The table of a data module that a file fills.
using TableOf = Table& (*)(NewFormatTables& dm, OldFormatTables& dm1);

struct PackageFile {
  FileKind kind;  // names the file (FileName) and selects schema and captions
  TableOf table;
};

enum class DictionaryShape {
  Codes,    // the first "|"-separated column of each line
  Records,  // every column (validity periods, job-code statuses)
};

struct DictionaryFile {
  std::string name;             // in the working directory, lower case
  std::vector<TableOf> tables;  // each filled from the whole file
  DictionaryShape shape = DictionaryShape::Codes;
  // A row appended after the file's own rows: the group totals of months
  // (13) and expense codes (99) are valid codes without being listed.
  std::string closing_row;
};

// Which text the control run tests to know that a package is unpacked.
enum class MarkerPolicy {
  SharedPackageName,  // the package name the new-format windows share
  OwnArchivePath,     // the window's own archive path
};

// How the package name is checked before unpacking.
enum class NamePolicy {
  Unchecked,     // any name; nothing is shared with the other windows
  Length22Or30,  // the annual name, 22 characters (or 30 in the newer form)
  Length30,      // the periodic name, 30 characters
};

// What a package name's period code stands for. The order is the order in
// which the families are listed when a name's code is none of them.
enum class PeriodMeaning { Quarter, Month, Year };

// A family of period codes: a letter and a two-digit number from `first` to
// `last` ("T01".."T04"), the number being the period a run keeps.
struct PeriodCodes {
  std::string letter;  // "T", "L"; empty: the name carries no code to read
  int first = 0;
  int last = 0;
  PeriodMeaning meaning = PeriodMeaning::Year;
  // How another window refusing these codes names them ("Trimestrial");
  // empty: other windows take them for any other code.
  std::string family;
};

// How the control run checks the period code of its package name.
struct PeriodGrammar {
  PeriodCodes codes;  // the variant's own
  // A code of another variant's named family is refused, naming the family.
  bool refuses_named_families = false;
  // When set, a code of another letter is refused with this line.
  std::string wrong_letter;
  // When set, any other code is refused with this line; otherwise accepted.
  std::string wrong_number;
};

struct VariantProfile {
  Variant variant;
  std::string id;       // "monthly", "quarterly", "annual", "annual-old"
  std::string window;   // "TFmain_MES", ...
  std::string caption;  // window caption, blanks significant

  // ----- the package --------------------------------------------------------
  // Package files in loading and section order, each with the table it fills.
  std::vector<PackageFile> files;
  // The file whose rows are the packs (the window's debug grid shows them).
  PackageFile pack_file;
  CaptionSet caption_set;                   // the captions of its files' fields
  std::vector<std::string> unpacked_names;  // names the archiver may write, lower case
  // The files without which the control run ends with "отсутствуют нужные
  // файлы из пакета ".
  std::vector<std::string> required_files;
  std::vector<std::string> removed_before_unrar;
  std::vector<std::string> removed_after_control;
  // The extraction error's line б), naming how many files the archive holds.
  std::string archive_content_hint;

  // ----- unpacking ----------------------------------------------------------
  NamePolicy name_policy;
  PeriodGrammar period;
  bool lists_before_extracting;  // the archive must list exactly the package files
  MarkerPolicy marker_policy;
  // The control run goes on when nothing is unpacked (the old format checks
  // whatever package files lie in the working directory).
  bool runs_without_marker;
  std::string unpacked_line;  // written after a successful unpacking, before the directory

  // ----- dictionaries -------------------------------------------------------
  std::vector<DictionaryFile> dictionaries;  // in loading order
  TableOf districts;                         // padded to two digits after loading
  // A dictionary line of the wrong type names its parameter number.
  bool numbered_dictionary_faults;
  // The tables whose sums run over the months of a row: a wrong sum is worded
  // "Сумма по месяцам не равна итоговой".

  // The field-check primitives its rules may use.
  std::vector<Primitive> primitives;

  // ----- the protocol's confirmations ---------------------------------------
  std::string print_message;
  std::string save_prefix;

  bool HasPrimitive(Primitive p) const;
  const std::vector<std::string>& captions(FileKind kind) const { return Captions(kind, caption_set); }
};

const VariantProfile& Profile(Variant v);

// The dictionary files a variant's control run loads, in loading order, each
// named once (the old format reads tarif.txt into two tables).
std::vector<std::string> DictionaryFiles(Variant v);
// Nullptr for an unknown id.
const VariantProfile* FindProfile(std::string_view id);
// In the order of the enum.
const std::vector<Variant>& AllVariants();

}  // namespace zentrox
