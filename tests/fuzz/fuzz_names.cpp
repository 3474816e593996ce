// The package name check, the period check and CopyChars over arbitrary text,
// for every variant. A period the check accepts lies in the variant's range,
// and a refusal always has its protocol lines.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "intake/package_name.h"

using namespace zentrox;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const long index = static_cast<std::int8_t>(data[0]);
  const long count = static_cast<std::int8_t>(data[1]);
  const std::string_view text = fuzz::AsView(data + 2, size - 2);
  std::size_t sum = CopyChars(text, index, count).size();
  for (Variant v : AllVariants()) {
    const std::vector<std::string> refusal = CheckPackageName(v, text);
    const PeriodCheck period = CheckPeriod(v, text);
    for (const std::string& line : refusal) sum += line.size();
    for (const std::string& line : period.lines) sum += line.size();
    // The quarterly and monthly windows keep a period from every name they accept.
    if ((v == Variant::Quarterly || v == Variant::Monthly) && refusal.empty() && period.ok) {
      const int max = v == Variant::Quarterly ? 4 : 12;
      if (period.period < 1 || period.period > max) __builtin_trap();
    }
    if (!period.ok && period.lines.empty()) __builtin_trap();
  }
  return sum == static_cast<std::size_t>(-1) ? 1 : 0;
}
