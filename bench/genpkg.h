// Synthetic REV5 packages for the benchmarks and their tests.
//
// GeneratePackage builds every file of a package of N declarations of one
// variant in memory (code page 1251, CR LF, every field followed by 0xB0):
// valid data whose sums agree at every level, drawn from a seeded generator
// so the same options give the same bytes. With a fault rate, that share of
// the declarations' rows carries one typical fault each (a code missing
// from its dictionary, an impossible date, an amount that no longer adds up,
// a lower-case name), enough to make the check report findings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/variant.h"

namespace zentrox::bench {

struct GenOptions {
  Variant variant = Variant::Quarterly;
  std::size_t declarations = 1000;
  std::uint64_t series = 1;
  double fault_rate = 0;  // 0..1, the share of rows given a fault
};

struct GeneratedFile {
  std::string name;   // the lower-case member name ("rev5_sd")
  std::string bytes;  // the file content in code page 1251
  std::size_t lines = 0;
};

struct GeneratedPackage {
  std::string archive_name;  // a name the variant's package-name check accepts
  std::vector<GeneratedFile> files;
  std::size_t packs = 0;
  std::size_t declarations = 0;
  std::size_t monthly_rows = 0;  // REV5_SD lines, total rows included
  std::size_t faulty_rows = 0;

  std::size_t bytes() const;
};

GeneratedPackage GeneratePackage(const GenOptions& options);

// Shapes of a damaged REV5_SD that hold few values per line, for measuring
// memory against input size: empty lines; lines of one field ("1" and its
// terminator); the same field counting 0..9; lines of one field that is a
// number of eight digits, another on each line, with no terminator and LF
// line ends; lines of every field's terminator with no text.
enum class SdShape { EmptyLines, OneFieldLines, OneFieldValues, OneFieldNumbers, EmptyFields };
bool ParseSdShape(const std::string& id, SdShape& shape);
// Replaces the package's REV5_SD with `bytes` bytes (whole lines) of `shape`.
void ReplaceSd(GeneratedPackage& package, Variant variant, SdShape shape, std::size_t bytes);

// Writes the package files into `dir` (which must exist); throws
// std::runtime_error when a file cannot be written.
void WritePackageFiles(const GeneratedPackage& package, const std::string& dir);

// Parses a variant id as zentrox-check takes it ("quarterly", "annual-old").
bool ParseVariant(const std::string& id, Variant& variant);

}  // namespace zentrox::bench
