#include "report/finding_text.h"

#include <cstddef>
#include <limits>
#include <new>
#include <stdexcept>

namespace zentrox {
namespace {

// The texts a thread made last, by a hash of their bytes: the findings of
// a rule, written one after another, take its id, caption and message
// from here instead of a copy each. Each entry holds its text.
struct Recent {
  static constexpr std::size_t kSize = 32;
  FindingText texts[kSize];

  static std::size_t SlotOf(std::string_view s) {
    std::uint64_t h = 0xCBF29CE484222325ull ^ s.size();
    for (unsigned char c : s) h = (h ^ c) * 0x100000001B3ull;
    return static_cast<std::size_t>(h >> 32) % kSize;
  }
};

}  // namespace

void FindingText::Assign(std::string_view text) {
  bits_ = 0;
  if (text.empty()) return;
  if (text.size() <= 7) {
    std::memcpy(&bits_, text.data(), text.size());
    bits_ |= kInline | std::uint64_t{text.size()} << 56;
    return;
  }
  if (text.size() > std::numeric_limits<std::uint32_t>::max()) throw std::length_error("finding text too long");
  thread_local Recent recent;
  FindingText& kept = recent.texts[Recent::SlotOf(text)];
  if (kept.view() != text) {
    const std::size_t bytes = offsetof(Block, chars) + text.size();
    Block* b = static_cast<Block*>(::operator new(bytes));
    new (&b->refs) std::atomic<std::uint32_t>(1);
    b->size = static_cast<std::uint32_t>(text.size());
    std::memcpy(b->chars, text.data(), text.size());
    FindingText made;
    made.bits_ = reinterpret_cast<std::uintptr_t>(b);
    kept = std::move(made);
  }
  bits_ = kept.bits_;
  Retain();
}

void FindingText::Free(Block* b) {
  b->refs.~atomic();
  ::operator delete(b);
}

}  // namespace zentrox
