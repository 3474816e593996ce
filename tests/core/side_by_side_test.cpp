// Rule passes run side by side must write the protocol of the same passes run
// in turn: the same lines in the same order, the fault-line limit's line in
// the same place, the same counts, and the same end when a pass throws.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "model/variant.h"
#include "new_format_test_package.h"
#include "rules/side_by_side.h"

namespace zentrox {
namespace {

using test::Package;
using test::RuleHarness;

// Every line with its kind, colour, rule, section and row, then the counts.
std::vector<std::string> Dump(Protocol& p) {
  p.Finish();
  std::vector<std::string> out;
  for (const ProtocolLine& l : p.lines()) {
    std::string s = std::to_string(static_cast<int>(l.kind)) + (l.style.color == kRed ? "r " : "  ") + l.text;
    if (l.finding) {
      const Finding& f = *l.finding;
      s += fmt::format(" [{} {} {}/{}{}]", f.rule, f.section, f.pack, f.declaration,
                       f.row ? " @" + std::to_string(*f.row) : "");
    }
    out.push_back(s);
  }
  out.push_back("faults " + std::to_string(p.FaultCount()) + ", left out " + std::to_string(p.FaultsLeftOut()));
  return out;
}

constexpr RuleEntry kRule{"test.r", Field(FileKind::SD, sd::SD_DAYS_WEEK), "x{}", "T.", "T."};

// A pass over `file` that writes `faults` field lines, a frame line among
// them, through the writer's line writers (which only count a fault once the
// protocol keeps no more); it throws after `throw_after` lines when that is
// not negative.
SideBySidePass Writing(FileKind file, int faults, int throw_after = -1) {
  const std::string section = FileName(file);
  return {file, [=](FindingWriter& c) {
            for (int i = 0; i < faults; ++i) {
              if (i == throw_after) throw std::runtime_error("pass " + section);
              c.row = i + 1;
              c.context.pack = section;
              c.context.declaration = std::to_string(i);
              c.ReportWith(kRule, [&] { return std::tuple(i); });
              if (i == faults / 2) c.protocol().Add("frame of " + section);
            }
            return PassResult{};
          }};
}

// Where two protocols part, for the failure message.
std::string FirstDifference(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    const std::string x = i < a.size() ? a[i] : "(none)";
    const std::string y = i < b.size() ? b[i] : "(none)";
    if (x != y) return "line " + std::to_string(i) + ":\n  " + x + "\n  " + y;
  }
  return "none";
}

struct Outcome {
  std::vector<std::string> lines;
  std::string error;
};

Outcome RunPasses(std::vector<SideBySidePass> passes, std::size_t max_fault_lines, std::size_t threads) {
  Protocol protocol;
  protocol.SetDefaultColor(kBlue);
  protocol.SetMaxFaultLines(max_fault_lines);
  FindingWriter checks(protocol, Profile(Variant::Quarterly), Date());
  protocol.Add("before");
  checks.ReportPlain(kRule, "a fault before the passes");
  Outcome run;
  try {
    RunSideBySide(checks, passes, threads);
  } catch (const std::runtime_error& e) {
    run.error = e.what();
  }
  protocol.Add("after, in section " + checks.section);
  run.lines = Dump(protocol);
  return run;
}

TEST(SideBySide, PassesWriteTheProtocolOfPassesRunInTurn) {
  struct Case {
    const char* what;
    std::vector<int> faults;  // per pass; each two read one file, and the first opens its section
    std::size_t max_fault_lines;
    int throwing = -1;  // the pass that throws
    int throw_at = 3;   // after this many of its lines
  };
  const std::vector<Case> cases = {
      {"no limit reached", {3, 0, 5, 2}, 100},
      {"the limit inside the first pass", {30, 5, 0, 7}, 10},
      {"the limit inside a later pass", {2, 3, 40, 6}, 10},
      {"the limit at a pass's end", {4, 5, 3, 9}, 10},
      {"no fault line kept at all", {4, 5, 3, 9}, 1},
      {"thousands of faults on both threads", {3000, 2500, 4000, 1200, 800}, 5000},
      {"a pass throws", {3, 5, 6, 8}, 100, 2},
      {"the first pass throws past the limit", {30, 5, 6, 8}, 10, 0, 20},
      {"a later pass throws past the limit", {6, 5, 30, 8}, 10, 2, 20},
  };
  const FileKind kFiles[] = {FileKind::T, FileKind::IP, FileKind::NA};
  for (const Case& c : cases) {
    auto passes = [&] {
      std::vector<SideBySidePass> out;
      for (std::size_t i = 0; i < c.faults.size(); ++i) {
        out.push_back(Writing(kFiles[i / 2], c.faults[i], static_cast<int>(i) == c.throwing ? c.throw_at : -1));
      }
      return out;
    };
    const Outcome serial = RunPasses(passes(), c.max_fault_lines, 1);
    if (c.throwing >= 0) {
      EXPECT_EQ(serial.error, std::string("pass ") + FileName(kFiles[c.throwing / 2])) << c.what;
    }
    // Timing decides which buffer fills first: a few rounds each.
    for (std::size_t threads : {2, 4}) {
      for (int round = 0; round < 5; ++round) {
        const Outcome side_by_side = RunPasses(passes(), c.max_fault_lines, threads);
        EXPECT_EQ(side_by_side.error, serial.error) << c.what << ", " << threads << " threads";
        ASSERT_TRUE(side_by_side.lines == serial.lines)
            << c.what << ", " << threads << " threads, " << FirstDifference(side_by_side.lines, serial.lines);
      }
    }
  }
}

// A quarterly package whose declarations and monthly rows are faulty, under
// fault-line limits that fall in REV5_NA, in REV5_SD and between them:
// ZENTROX_THREADS=1 and 2 write the same protocol.
TEST(SideBySide, QuarterlyRuleSetWritesTheSameProtocolOnOneThreadAndOnTwo) {
  Package p = test::QuarterlyBaseline();
  for (test::Fields& r : p.na) r[na::NA_LAST_NAME] = "popescu";  // forbidden characters
  for (test::Fields& r : p.sd) {
    if (r[sd::SD_MONTH] != "13") r[sd::SD_DAYS_WEEK] = "7";
  }
  p.sd.push_back(p.sd.front());  // the same period twice: an overlap
  auto run = [&](std::size_t max_fault_lines, const char* threads) {
    setenv("ZENTROX_THREADS", threads, 1);
    RuleHarness h(Variant::Quarterly);
    p.Write(h);
    h.protocol.SetMaxFaultLines(max_fault_lines);
    h.Run(test::kQuarterlyArchive);
    unsetenv("ZENTROX_THREADS");
    std::vector<std::string> out = Dump(h.protocol);
    out.erase(out.begin());  // the date and time of the run
    for (std::string& line : out) {
      for (std::size_t at; (at = line.find(h.dir.path())) != std::string::npos;)
        line.replace(at, h.dir.path().size(), "WD/");
    }
    return out;
  };
  const std::vector<std::string> unlimited = run(100000, "1");
  ASSERT_GT(unlimited.size(), 12u);
  for (std::size_t limit : {1, 2, 3, 4, 6, 9, 100000}) {
    const std::vector<std::string> serial = run(limit, "1");
    for (int round = 0; round < 3; ++round) {
      const std::vector<std::string> side_by_side = run(limit, "2");
      EXPECT_TRUE(side_by_side == serial) << "limit " << limit << ", " << FirstDifference(side_by_side, serial);
    }
  }
}

// Passes side by side ask one table for the same orders, ranks and lookup
// indexes at once: every reader gets the one shared order, equal to the
// order computed alone, and the same answers (a focused case for the thread
// sanitizer too).
TEST(SideBySide, ConcurrentReadersShareOneOrderAndIndex) {
  Table t("t", {FieldDef{"K", FieldType::Integer, 0}, FieldDef{"S", FieldType::String, 6},
                FieldDef{"F", FieldType::Float, 0}});
  for (int i = 0; i < 50000; ++i) {
    const RowId r = t.AppendRow();
    t.Store(r, 0, std::to_string((i * 7919) % 5003));
    t.Store(r, 1, "s" + std::to_string(i % 97));
    t.Store(r, 2, std::to_string(i % 13) + ".5");
  }
  constexpr int kThreads = 4;
  std::vector<std::shared_ptr<const std::vector<RowId>>> orders(kThreads), others(kThreads);
  std::vector<const std::vector<RowId>*> index_rows(kThreads);
  std::vector<RowId> found(kThreads);
  TableIndexes ix;
  std::vector<std::thread> threads;
  for (int k = 0; k < kThreads; ++k) {
    threads.emplace_back([&, k] {
      // Half the threads ask in the other order.
      if (k % 2 == 0) orders[k] = ix.SharedOrder(t, {0, 1});
      others[k] = ix.SharedOrder(t, {2, 0});
      if (k % 2 == 1) orders[k] = ix.SharedOrder(t, {0, 1});
      Lookup lookup(ix, t, {1}, {0});
      index_rows[k] = &lookup.rows();
      found[k] = lookup.Find(std::vector<KeyValue>{KeyValue{false, 0, "s5"}}).front();
    });
  }
  for (std::thread& th : threads) th.join();
  const std::vector<RowId> expected = t.Order({0, 1});
  for (int k = 0; k < kThreads; ++k) {
    EXPECT_EQ(orders[k], orders[0]);
    EXPECT_EQ(others[k], others[0]);
    EXPECT_EQ(index_rows[k], index_rows[0]);
    EXPECT_EQ(found[k], found[0]);
  }
  ASSERT_NE(found[0], kNoRow);
  EXPECT_EQ(t.View(found[0], 1), "s5");
  EXPECT_EQ(*orders[0], expected);
  ASSERT_EQ(orders[0]->size(), 50000u);
}

}  // namespace
}  // namespace zentrox
