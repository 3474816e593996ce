// A protocol written in parts, in buffers appended afterwards in order, reads
// exactly as the same lines written one after another: the same lines, the
// same limit line in the same place, the same counts.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <string>
#include <vector>

#include "report/protocol.h"
#include "support/peak_memory.h"
#include "support/sanitizer.h"

namespace zentrox {
namespace {

enum class Op { Frame, Fault, Finding, Count };

struct Step {
  Op op;
  std::size_t size;  // text length, or how many faults are counted
};

void Apply(Protocol& p, const Step& s, int n) {
  const std::string text = std::to_string(n) + std::string(s.size, 'x');
  switch (s.op) {
    case Op::Frame: p.Add(text); break;
    case Op::Fault: p.AddFault(text, "control.files-readable"); break;
    case Op::Finding: {
      Finding f;
      f.rule = "load.data-type-valid";
      f.row = n;
      p.AddFinding(text, f);
      break;
    }
    case Op::Count: p.CountFaults(s.size, "load.data-type-valid"); break;
  }
}

std::string Text(const ProtocolLine& l) {
  return std::to_string(static_cast<int>(l.kind)) + (l.style.color == kRed ? "r " : "  ") + l.text +
         (l.finding && l.finding->row ? " @" + std::to_string(*l.finding->row) : "");
}

std::vector<std::string> Texts(const Protocol& p) {
  std::vector<std::string> out;
  for (const ProtocolLine& l : p.lines()) out.push_back(Text(l));
  return out;
}

TEST(ProtocolAppend, ReadsAsTheSameLinesWrittenInOrder) {
  std::mt19937 random(17);
  struct Limits {
    std::size_t lines, bytes;
  };
  for (Limits limits : {Limits{0, 1000}, Limits{1, 1000}, Limits{3, 1000}, Limits{5, 40}, Limits{8, 25},
                        Limits{100, 60}, Limits{100, 100000}}) {
    for (int round = 0; round < 800; ++round) {
      // Every other round the buffers share how many lines each keeps.
      const bool share = round % 2 == 1;
      // A few steps written before the parts, then up to four parts.
      const int parts = 1 + static_cast<int>(random() % 4);
      std::vector<std::vector<Step>> steps(static_cast<std::size_t>(parts) + 1);
      for (auto& part : steps) {
        const std::size_t count = random() % 7;
        for (std::size_t i = 0; i < count; ++i) {
          const Op op = static_cast<Op>(random() % 4);
          part.push_back({op, op == Op::Count ? 1 + random() % 3 : random() % 12});
        }
      }
      Protocol serial, merged;
      for (Protocol* p : {&serial, &merged}) {
        p->SetDefaultColor(kBlue);
        p->SetMaxFaultLines(limits.lines);
        p->SetMaxFaultBytes(limits.bytes);
      }
      // A pane streaming the lines sees them all, in order, once each.
      std::vector<std::string> streamed;
      merged.SetListener([&](const ProtocolLine& l) { streamed.push_back(Text(l)); });
      int n = 0;
      for (const auto& part : steps) {
        for (const Step& s : part) Apply(serial, s, ++n);
      }
      n = 0;
      for (const Step& s : steps[0]) Apply(merged, s, ++n);
      std::vector<Protocol> buffers;
      for (std::size_t k = 1; k < steps.size(); ++k) buffers.push_back(merged.Buffer());
      std::vector<std::atomic<std::size_t>> kept(buffers.size());
      if (share) {
        for (std::size_t k = 0; k < buffers.size(); ++k) buffers[k].ShareKeptCount(&kept[k], kept.data(), k);
      }
      for (std::size_t k = 1; k < steps.size(); ++k) {
        for (const Step& s : steps[k]) Apply(buffers[k - 1], s, ++n);
      }
      for (Protocol& b : buffers) merged.Append(std::move(b));
      const std::string where = "limits " + std::to_string(limits.lines) + "/" + std::to_string(limits.bytes) +
                                ", round " + std::to_string(round);
      EXPECT_EQ(merged.FaultCount(), serial.FaultCount()) << where;
      EXPECT_EQ(merged.FaultsLeftOut(), serial.FaultsLeftOut()) << where;
      EXPECT_EQ(merged.FaultsFull(), serial.FaultsFull()) << where;
      serial.Finish();
      merged.Finish();
      ASSERT_EQ(Texts(merged), Texts(serial)) << where;
      ASSERT_EQ(streamed, Texts(serial)) << where;
    }
  }
}

// A buffer's lines go as soon as they are appended: passes that run side by
// side would otherwise hold every buffer's lines until the last is appended.
TEST(ProtocolAppend, AnAppendedBufferHoldsNoLines) {
  Protocol protocol;
  Protocol buffer = protocol.Buffer();
  for (int i = 0; i < 1000; ++i) buffer.AddFault("fault " + std::to_string(i), "test.fault");
  protocol.Append(std::move(buffer));
  EXPECT_EQ(protocol.FaultCount(), 1000u);
  EXPECT_EQ(buffer.lines().capacity(), 0u);  // NOLINT(bugprone-use-after-move): Append empties it
}

// Appending a buffer never holds a protocol's lines twice, which a pass that
// wrote 50,000 fault lines would make 10 MB: neither the buffer's, which move
// a piece at a time, each piece's memory going back as it moves, nor those of
// a full protocol, which takes the buffer's fault lines only to count them.
TEST(ProtocolAppend, LinesAreNeverHeldTwice) {
#ifdef ZENTROX_UNDER_ASAN
  GTEST_SKIP() << "the sanitizer's shadow memory is not the program's";
#endif
  constexpr std::size_t kLines = 60000;
  for (const bool full : {false, true}) {
    Protocol protocol;
    protocol.SetMaxFaultLines(kLines);
    protocol.Add("heading");
    Protocol first = protocol.Buffer();
    Protocol late = protocol.Buffer();
    for (std::size_t i = 0; i < kLines; ++i) first.AddFault("f" + std::to_string(i), "test.fault");
    for (std::size_t i = 0; i < kLines / 10; ++i) late.AddFault("l" + std::to_string(i), "test.fault");
    if (full) protocol.Append(std::move(first));
    RestartPeak();
    const std::size_t before = PeakResident();
    protocol.Append(std::move(full ? late : first));
    const std::size_t after = PeakResident();
    const std::size_t working = after > before ? after - before : 0;
    ASSERT_EQ(protocol.lines().size(), kLines + 1 + (full ? 1 : 0)) << full;
    EXPECT_EQ(protocol.lines()[kLines].text, "f" + std::to_string(kLines - 1)) << full;
    EXPECT_LT(working, kLines * sizeof(ProtocolLine) / 4)
        << (full ? "full: " : "") << working / kLines << " bytes a line";
  }
}

}  // namespace
}  // namespace zentrox
