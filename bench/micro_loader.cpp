// Loader throughput: REV5_SD and REV5_NA of a generated package loaded into
// their tables, in bytes of the file per second, and the code-page decoding
// alone.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "bench/micro_support.h"
#include "engine/text.h"
#include "report/loader.h"
#include "report/protocol.h"

namespace {

using namespace zentrox;

const bench::BenchPackage& PackageOf(Variant v, std::size_t declarations) {
  static std::map<std::pair<Variant, std::size_t>, std::unique_ptr<bench::BenchPackage>> cache;
  auto& p = cache[{v, declarations}];
  if (!p) p = std::make_unique<bench::BenchPackage>(v, declarations);
  return *p;
}

std::size_t SizeOf(const bench::BenchPackage& p, const std::string& member) {
  for (const bench::GeneratedFile& f : p.package().files) {
    if (f.name == member) return f.bytes.size();
  }
  return 0;
}

void LoadFile(benchmark::State& state, Variant v, FileKind kind, const char* file, const char* member) {
  const bench::BenchPackage& p = PackageOf(v, static_cast<std::size_t>(state.range(0)));
  Table table = MakeTable(kind);
  for (auto _ : state) {
    Protocol protocol;
    FindingWriter checks(protocol, Profile(v), Date());
    LoadPackageFile(checks, p.workdir() + file, kind, table);
    benchmark::DoNotOptimize(table.size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(SizeOf(p, member)));
  state.counters["rows"] = static_cast<double>(table.size());
}

void BM_LoadQuarterlySaldo(benchmark::State& state) {
  LoadFile(state, Variant::Quarterly, FileKind::SD, "REV5_SD", "rev5_sd");
}
void BM_LoadQuarterlyDeclarations(benchmark::State& state) {
  LoadFile(state, Variant::Quarterly, FileKind::NA, "REV5_NA", "rev5_na");
}
void BM_LoadOldSaldo(benchmark::State& state) {
  LoadFile(state, Variant::AnnualOld, FileKind::SD_OLD, "REV5_SD", "rev5_sd");
}
void BM_LoadOldDeclarations(benchmark::State& state) {
  LoadFile(state, Variant::AnnualOld, FileKind::NA_OLD, "REV5_NA", "rev5_na");
}

void BM_DecodeCp1251(benchmark::State& state) {
  const bench::BenchPackage& p = PackageOf(Variant::Quarterly, static_cast<std::size_t>(state.range(0)));
  const std::string& bytes = p.package().files[2].bytes;  // REV5_NA, with Cyrillic text
  std::string out;
  for (auto _ : state) {
    out.clear();
    AppendCp1251AsUtf8(bytes, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}

BENCHMARK(BM_LoadQuarterlySaldo)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadQuarterlyDeclarations)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadOldSaldo)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadOldDeclarations)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeCp1251)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
