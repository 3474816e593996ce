// The two dictionary loaders over arbitrary bytes. The first byte chooses the
// loader and the table: LoadDictionaryRecords into the multi-column category
// and profession tables, LoadDictionary into months.txt (which gets the extra
// row 13), raion.txt (then padded) and rashod.txt (extra row 99).
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "model/schemas.h"
#include "report/checks.h"
#include "report/loader.h"

using namespace zentrox;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static NewFormatTables dm;
  static OldFormatTables dm1;
  const std::string& dir = fuzz::ScratchDir();
  Protocol protocol;
  const int which = data[0] % 5;
  const char* file = which == 0   ? "sps_newkateg.txt"
                     : which == 1 ? "sps_new_prof.txt"
                     : which == 2 ? "months.txt"
                     : which == 3 ? "raion.txt"
                                  : "rashod.txt";
  const std::string path = dir + file;
  fuzz::WriteFile(path, fuzz::AsView(data + 1, size - 1));
  FindingWriter checks(protocol, Profile(which == 4 ? Variant::AnnualOld : Variant::Monthly),
                       *Date::FromYmd(2026, 12, 8));

  Table* table = nullptr;
  switch (which) {
    case 0:
      table = &dm.new_kategor;
      LoadDictionaryRecords(checks, path, *table);
      break;
    case 1:
      table = &dm.new_prof;
      LoadDictionaryRecords(checks, path, *table);
      break;
    case 2:
      table = &dm.months;
      LoadDictionary(checks, path, *table, "13");
      break;
    case 3:
      table = &dm.raion;
      LoadDictionary(checks, path, *table);
      PadDistrictCodes(*table);
      break;
    default:
      table = &dm1.rashod;
      LoadDictionary(checks, path, *table, "99");
      break;
  }
  // months.txt always ends in the total row 13, rashod.txt in 99.
  if (which == 2 && (table->empty() || table->Text(static_cast<RowId>(table->size() - 1), 0) != "13")) __builtin_trap();
  if (which == 4 && (table->empty() || table->Text(static_cast<RowId>(table->size() - 1), 0) != "99")) __builtin_trap();
  std::size_t chars = 0;
  for (RowId r = 0; r < table->size(); ++r) {
    for (int f = 0; f < table->FieldCount(); ++f) chars += table->Text(r, f).size();
  }
  return chars == static_cast<std::size_t>(-1) ? 1 : 0;
}
