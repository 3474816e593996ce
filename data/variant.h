// The four check variants and what distinguishes them outside the rule sets.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/schemas.h"

namespace zentrox {

enum class Variant { Monthly, Quarterly, Annual, AnnualOld };

// The field-check primitives whose availability differs between variants.
enum class Primitive { NotNegative, DateOrder, DateRange, YesNo };

struct VariantProfile {
  Variant variant;
  std::string id;           // "monthly", "quarterly", "annual", "annual-old"
  std::string window;       // "TFmain_MES", ...
  std::string caption;      // window caption, blanks significant
  bool old_format = false;  // TDM1 tables and old-format messages
  bool monthly_captions = false;
  std::vector<FileKind> files;  // package files in loading and section order
  std::vector<std::string> unpacked_names;  // names the archiver may write, lower case
  std::string print_message;
  std::string save_prefix;

  bool HasPrimitive(Primitive p) const;
  const std::vector<std::string>& captions(FileKind kind) const { return Captions(kind, monthly_captions); }
};

const VariantProfile& Profile(Variant v);

// The dictionary files a variant's control run loads, in loading order, each
// named once (the old format reads tarif.txt into two tables).
const std::vector<std::string>& DictionaryFiles(Variant v);
// Nullptr for an unknown id.
const VariantProfile* FindProfile(std::string_view id);
const std::vector<Variant>& AllVariants();

}  // namespace zentrox
