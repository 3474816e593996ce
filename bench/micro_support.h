// What the microbenchmarks share: a generated package unpacked into a
// working directory of its own, with the reference dictionaries beside it,
// and the loading of part 1 of a control run.
#pragma once

#include <memory>
#include <string>

#include "bench/genpkg.h"
#include "model/schemas.h"
#include "report/checks.h"

namespace zentrox::bench {

class BenchPackage {
 public:
  // Generates the package and writes it, with the dictionaries found beside
  // this program, into a new temporary directory.
  BenchPackage(Variant variant, std::size_t declarations);
  ~BenchPackage();
  BenchPackage(const BenchPackage&) = delete;
  BenchPackage& operator=(const BenchPackage&) = delete;

  const std::string& workdir() const { return workdir_; }  // ends in "/"
  const GeneratedPackage& package() const { return package_; }
  Variant variant() const { return variant_; }
  // The reporting period the package name gives (quarter or month; 0 otherwise).
  int period() const;

  // Loads dictionaries and package files as part 1 of a control run does.
  void Load(FindingWriter& checks, NewFormatTables& dm) const;
  void Load(FindingWriter& checks, OldFormatTables& dm) const;

 private:
  Variant variant_;
  GeneratedPackage package_;
  std::string workdir_;
};

}  // namespace zentrox::bench
