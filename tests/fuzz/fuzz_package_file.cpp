// LoadPackageFile over arbitrary bytes, for every package file kind. The first
// byte chooses the kind (and with it the variant whose captions apply); the
// rest is the file. Every stored cell is read back afterwards, so a cell the
// loader left inconsistent shows up here too, and every row's source line.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "model/schemas.h"
#include "report/checks.h"
#include "report/loader.h"

namespace {

using namespace zentrox;

struct Target {
  Variant variant;
  FileKind kind;
};

constexpr Target kTargets[] = {
    {Variant::Quarterly, FileKind::T},  {Variant::Quarterly, FileKind::IP},     {Variant::Quarterly, FileKind::NA},
    {Variant::Quarterly, FileKind::SD}, {Variant::Monthly, FileKind::T},        {Variant::Monthly, FileKind::SD},
    {Variant::AnnualOld, FileKind::PL}, {Variant::AnnualOld, FileKind::NA_OLD}, {Variant::AnnualOld, FileKind::SD_OLD},
    {Variant::AnnualOld, FileKind::DI}, {Variant::AnnualOld, FileKind::MU},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const Target& t = kTargets[data[0] % std::size(kTargets)];
  const std::string& dir = fuzz::ScratchDir();
  const std::string path = dir + FileName(t.kind);
  fuzz::WriteFile(path, fuzz::AsView(data + 1, size - 1));

  Protocol protocol;
  Table table = MakeTable(t.kind);
  FindingWriter checks(protocol, Profile(t.variant), *Date::FromYmd(2026, 12, 8));
  LoadPackageFile(checks, path, t.kind, table);

  std::size_t chars = 0;
  std::uint32_t previous_line = 0;
  for (RowId r = 0; r < table.size(); ++r) {
    // Every row names its own line of the file, in file order.
    if (table.SourceLine(r) <= previous_line) __builtin_trap();
    previous_line = table.SourceLine(r);
    for (int f = 0; f < table.FieldCount(); ++f) {
      chars += table.Text(r, f).size();
      if (table.field(f).type == FieldType::Date && !table.IsEmpty(r, f)) {
        // A stored date must print back as a date that parses to itself.
        const Date d = table.DateValue(r, f);
        if (ParseDate(d.ToString()) != d) __builtin_trap();
      }
    }
  }
  // A non-empty file gives rows or protocol lines: nothing is dropped silently.
  if (size > 1 && table.empty() && protocol.FaultCount() == 0) __builtin_trap();
  return chars == static_cast<std::size_t>(-1) ? 1 : 0;
}
