// A text that a finding quotes: its rule's id, its file section, the
// field's caption, its message, the record's pack, declaration and name,
// the field's value.
//
// A protocol keeps up to 100,000 finding lines, and the lines one rule
// writes repeat most of these texts. A text of up to 7 bytes is kept in
// place; a longer one is kept once and shared by the copies of it and by
// the texts made from the same bytes one after another on a thread (each
// thread remembers the last few it made), so a kept finding costs a few
// words beside its line. Reads as a std::string_view or a std::string.
#pragma once

#include <fmt/format.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>

namespace zentrox {

class FindingText {
 public:
  FindingText() = default;
  FindingText(std::string_view text) { Assign(text); }  // NOLINT: reads as the text it holds
  FindingText(const char* text) : FindingText(std::string_view(text)) {}
  explicit FindingText(const std::string& text) : FindingText(std::string_view(text)) {}
  FindingText(const FindingText& other) noexcept : bits_(other.bits_) { Retain(); }
  FindingText(FindingText&& other) noexcept : bits_(other.bits_) { other.bits_ = 0; }
  FindingText& operator=(const FindingText& other) noexcept {
    FindingText copy(other);
    Swap(copy);
    return *this;
  }
  FindingText& operator=(FindingText&& other) noexcept {
    FindingText gone(std::move(other));
    Swap(gone);
    return *this;
  }
  FindingText& operator=(std::string_view text) { return *this = FindingText(text); }
  FindingText& operator=(const char* text) { return *this = FindingText(text); }
  FindingText& operator=(const std::string& text) { return *this = FindingText(text); }
  ~FindingText() { Release(); }

  std::string_view view() const {
    if (bits_ == 0) return {};
    if (IsInline()) return std::string_view(InlineBytes(), static_cast<std::size_t>(bits_ >> 56 & 0x7F));
    const Block* b = block();
    return std::string_view(b->chars, b->size);
  }
  operator std::string_view() const { return view(); }          // NOLINT
  operator std::string() const { return std::string(view()); }  // NOLINT
  bool empty() const { return bits_ == 0; }
  void clear() { Release(); }
  std::size_t size() const { return view().size(); }
  const char* data() const { return view().data(); }
  bool starts_with(std::string_view s) const { return view().starts_with(s); }
  bool ends_with(std::string_view s) const { return view().ends_with(s); }

  friend bool operator==(const FindingText& a, const FindingText& b) { return a.view() == b.view(); }
  friend bool operator==(const FindingText& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const FindingText& a, const char* b) { return a.view() == std::string_view(b); }
  friend std::ostream& operator<<(std::ostream& out, const FindingText& t) { return out << t.view(); }

 private:
  // A shared text: its count of holders, then its bytes.
  struct Block {
    std::atomic<std::uint32_t> refs;
    std::uint32_t size;
    char chars[1];
  };
  // 0: empty. Top bit set: up to 7 bytes in place, their count in the top
  // byte's low bits. Otherwise a Block's address (user-space addresses
  // leave the top byte clear).
  static constexpr std::uint64_t kInline = std::uint64_t{1} << 63;

  bool IsInline() const { return (bits_ & kInline) != 0; }
  const char* InlineBytes() const { return reinterpret_cast<const char*>(&bits_); }
  Block* block() const { return reinterpret_cast<Block*>(static_cast<std::uintptr_t>(bits_)); }
  void Retain() const {
    if (bits_ != 0 && !IsInline()) block()->refs.fetch_add(1, std::memory_order_relaxed);
  }
  void Release() {
    if (bits_ != 0 && !IsInline() && block()->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) Free(block());
    bits_ = 0;
  }
  void Swap(FindingText& other) noexcept { std::swap(bits_, other.bits_); }
  void Assign(std::string_view text);
  static void Free(Block* b);

  std::uint64_t bits_ = 0;
};

}  // namespace zentrox

template <>
struct fmt::formatter<zentrox::FindingText> : fmt::formatter<std::string_view> {
  template <typename FormatContext>
  auto format(const zentrox::FindingText& t, FormatContext& ctx) const -> decltype(ctx.out()) {
    return fmt::formatter<std::string_view>::format(t.view(), ctx);
  }
};
