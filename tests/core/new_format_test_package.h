// Small new-format packages for the rule-set tests: a valid baseline per
// variant that draws no finding, which a test mutates one field at a time.
#pragma once

#include <fmt/format.h>

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "model/schemas.h"
#include "support/package_mutation.h"
#include "support/rule_harness.h"

namespace zentrox::test {

using Fields = std::vector<std::string>;

struct Package {
  std::vector<Fields> t, ip, na, sd;

  void Write(RuleHarness& h) const {
    auto records = [](const std::vector<Fields>& rows) {
      std::vector<std::string> out;
      for (const Fields& f : rows) out.push_back(Record(f));
      return out;
    };
    h.WriteFile("rev5_t", records(t));
    h.WriteFile("rev5_ip", records(ip));
    h.WriteFile("rev5_na", records(na));
    h.WriteFile("rev5_sd", records(sd));
  }
};

inline Fields SummaryRow(const std::string& year, const std::string& period, const std::string& packs,
                         const std::string& fond, const std::string& ill, const std::string& ap, const std::string& ea,
                         const std::string& total) {
  return {"1",  year, period, "01", "1234567", "1003600012345", "IVANOV ION", "05.10.2026", packs,
          fond, ill,  ap,     ea,   total};
}

inline Fields PackRow(const std::string& id, const std::string& docs, const std::string& fond, const std::string& ill,
                      const std::string& ap, const std::string& ea, const std::string& total) {
  return {id, docs, fond, ill, ap, ea, total};
}

inline Fields DeclarationRow(const std::string& id, const std::string& pack, const std::string& cpas,
                             const std::string& last_name, const std::string& idnp) {
  return {id, pack, cpas, last_name, "ION", "", "01.02.1980", idnp, "1", "", "", "", ""};
}

inline Fields SaldoRow(const std::string& decl, const std::string& pack, const std::string& month,
                       const std::string& category, const std::string& begin, const std::string& end,
                       const std::string& fond, const std::string& ill, const std::string& ap, const std::string& ea,
                       const std::string& total) {
  return {decl, pack, month, "111201", category, "5", begin, end, fond, ill, ap, ea, total};
}

inline Fields TotalRow(const std::string& decl, const std::string& pack, const std::string& fond,
                       const std::string& ill, const std::string& ap, const std::string& ea, const std::string& total) {
  return {decl, pack, "13", "", "", "", "", "", fond, ill, ap, ea, total};
}

inline void Rebalance(Package& p);

// One pack of two declarations. POPESCU works the three months of the
// period, RUSU its last month only; both close with a total row.
inline Package Baseline(const std::string& year, const std::string& period, const std::vector<std::string>& months) {
  Package p;
  p.t = {SummaryRow(year, period, "1", "3500.00", "100.00", "210.00", "805.00", "1015.00")};
  p.ip = {PackRow("1", "2", "3500.00", "100.00", "210.00", "805.00", "1015.00")};
  p.na = {DeclarationRow("1", "1", "12345678901", "POPESCU", "2001234567890"),
          DeclarationRow("2", "1", "12345678902", "RUSU", "2001234567891")};
  const std::string& y = year;
  auto last_day = [&](const std::string& m) {
    static const char* kDays[] = {"31", "28", "31", "30", "31", "30", "31", "31", "30", "31", "30", "31"};
    return std::string(kDays[std::stoi(m) - 1]);
  };
  auto mm = [](const std::string& m) { return m.size() == 1 ? "0" + m : m; };
  for (const std::string& m : months) {
    p.sd.push_back(SaldoRow("1", "1", m, "1", "01." + mm(m) + "." + y, last_day(m) + "." + mm(m) + "." + y, "1000.00",
                            m == months.front() ? "100.00" : "0", "60.00", "230.00", "290.00"));
  }
  p.sd.push_back(TotalRow("1", "1", "3000.00", "100.00", "180.00", "690.00", "870.00"));
  const std::string& m = months.back();
  p.sd.push_back(SaldoRow("2", "1", m, "2", "01." + mm(m) + "." + y, "15." + mm(m) + "." + y, "500.00", "0", "30.00",
                          "115.00", "145.00"));
  p.sd.push_back(TotalRow("2", "1", "500.00", "0", "30.00", "115.00", "145.00"));
  return p;
}

// A quarter-3 package of 2026 ("REV5_1234567_00001_2026T03.rar").
inline Package QuarterlyBaseline() { return Baseline("2026", "3", {"7", "8", "9"}); }
inline constexpr const char* kQuarterlyArchive = "REV5_1234567_00001_2026T03.rar";

// A package of the year 2025, TRIMESTR 0; months 10 to 12 for POPESCU.
inline Package AnnualBaseline() { return Baseline("2025", "0", {"10", "11", "12"}); }
inline constexpr const char* kAnnualArchive = "REV5_1234567_00001_2025L00.rar";

// A package of November 2026 ("...L11.rar"); both declarations work in
// November only, POPESCU in three rows of categories 1, 2 and 5.
inline Package MonthlyBaseline() {
  Package p = Baseline("2026", "11", {"11", "11", "11"});
  p.sd[1][sd::SD_CATEGORY] = "2";
  p.sd[2][sd::SD_CATEGORY] = "5";
  Rebalance(p);
  return p;
}
inline constexpr const char* kMonthlyArchive = "REV5_1234567_00001_2026L11.rar";

// Makes a mutated package consistent again: every total row carries the
// sums of its declaration's other rows (category 150 left out), every pack
// the sums of its total rows and its declaration count, the summary the sums
// of the packs and their count. Tests of the sum rules themselves do not call it.
inline void Rebalance(Package& p) {
  using Sums = std::array<double, 5>;
  auto num = [](const std::string& s) { return s.empty() ? 0.0 : std::stod(s); };
  auto text = [](double v) { return fmt::format("{:.2f}", v); };
  std::map<std::pair<std::string, std::string>, Sums> months;
  for (const Fields& r : p.sd) {
    if (r[sd::SD_MONTH] == "13" || r[sd::SD_CATEGORY] == "150") continue;
    Sums& s = months[{r[sd::SD_NA], r[sd::SD_PL]}];
    for (int i = 0; i < 5; ++i) s[i] += num(r[sd::SD_PAYM_FOND + i]);
  }
  std::map<std::string, Sums> packs;
  for (Fields& r : p.sd) {
    if (r[sd::SD_MONTH] != "13") continue;
    Sums s = months[{r[sd::SD_NA], r[sd::SD_PL]}];
    for (int i = 0; i < 5; ++i) {
      r[sd::SD_PAYM_FOND + i] = text(s[i]);
      packs[r[sd::SD_PL]][i] += s[i];
    }
  }
  std::map<std::string, int> declarations;
  for (const Fields& r : p.na) ++declarations[r[na::NA_PL]];
  Sums all{};
  for (Fields& r : p.ip) {
    Sums s = packs[r[pl::PL_ID]];
    for (int i = 0; i < 5; ++i) {
      r[pl::PL_PAYM_FOND + i] = text(s[i]);
      all[i] += s[i];
    }
    r[pl::PL_DOC_NUMBER] = std::to_string(declarations[r[pl::PL_ID]]);
  }
  for (Fields& r : p.t) {
    for (int i = 0; i < 5; ++i) r[svod::PAYM_FOND + i] = text(all[i]);
    r[svod::PACKS_TOTAL] = std::to_string(p.ip.size());
  }
}

// Adds a declaration to pack 1 with one row of zero amounts in `month` and
// its total row, and rebalances the package.
inline void AddDeclaration(Package& p, const std::string& id, const std::string& cpas, const std::string& name,
                           const std::string& idnp, const std::string& month, const std::string& begin,
                           const std::string& end) {
  p.na.push_back(DeclarationRow(id, "1", cpas, name, idnp));
  p.sd.push_back(SaldoRow(id, "1", month, "1", begin, end, "0", "0", "0", "0", "0"));
  p.sd.push_back(TotalRow(id, "1", "0", "0", "0", "0", "0"));
  Rebalance(p);
}

// Runs the control run of `variant` on `package` and returns the fault lines of part 2.
inline std::vector<std::string> Part2FaultsOf(Variant variant, const Package& package, const std::string& archive) {
  RuleHarness h(variant);
  package.Write(h);
  h.Run(archive);
  return h.Part2Faults();
}

// A one-field change of a baseline package and the exact fault lines it draws.
using MutationCase = PackageMutation<Package>;

}  // namespace zentrox::test
