// Rule-set time of each variant on a loaded generated package: part 2 of a
// control run alone, with a fresh protocol per iteration and the tables'
// orders computed anew each time.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "bench/micro_support.h"
#include "report/protocol.h"
#include "rules/rule_set.h"

namespace {

using namespace zentrox;

struct Loaded {
  std::unique_ptr<bench::BenchPackage> package;
  std::unique_ptr<NewFormatTables> dm = std::make_unique<NewFormatTables>();
  std::unique_ptr<OldFormatTables> dm1 = std::make_unique<OldFormatTables>();
};

Loaded& LoadedOf(Variant v, std::size_t declarations) {
  static std::map<std::pair<Variant, std::size_t>, Loaded> cache;
  Loaded& l = cache[{v, declarations}];
  if (!l.package) {
    l.package = std::make_unique<bench::BenchPackage>(v, declarations);
    Protocol protocol;
    FindingWriter checks(protocol, Profile(v), Date());
    if (v == Variant::AnnualOld) {
      l.package->Load(checks, *l.dm1);
    } else {
      l.package->Load(checks, *l.dm);
    }
  }
  return l;
}

void RunRules(benchmark::State& state, Variant v, RuleSet rules) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  Loaded& l = LoadedOf(v, n);
  const Date today = *Date::FromYmd(2026, 12, 8);
  std::size_t findings = 0;
  for (auto _ : state) {
    Protocol protocol;
    FindingWriter checks(protocol, Profile(v), today);
    // Nothing derived from the tables is kept from one iteration to the
    // next: each sorts as a real run does.
    TableIndexes indexes;
    RuleRun run(checks, indexes);
    run.dm = l.dm.get();
    run.dm1 = l.dm1.get();
    run.period = l.package->period();
    run.archive_path = "/tmp/" + l.package->package().archive_name;
    rules(run);
    findings = protocol.FaultCount();
    benchmark::DoNotOptimize(protocol.lines().data());
  }
  state.counters["findings"] = static_cast<double>(findings);
  state.counters["rows"] = static_cast<double>(l.package->package().monthly_rows);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * l.package->package().monthly_rows));
}

void BM_QuarterlyRules(benchmark::State& s) { RunRules(s, Variant::Quarterly, RunQuarterlyRules); }
void BM_MonthlyRules(benchmark::State& s) { RunRules(s, Variant::Monthly, RunMonthlyRules); }
void BM_AnnualRules(benchmark::State& s) { RunRules(s, Variant::Annual, RunAnnualRules); }
void BM_AnnualOldRules(benchmark::State& s) { RunRules(s, Variant::AnnualOld, RunAnnualOldRules); }

BENCHMARK(BM_QuarterlyRules)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonthlyRules)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnnualRules)->Arg(10000)->Arg(30000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnnualOldRules)->Arg(10000)->Arg(30000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
