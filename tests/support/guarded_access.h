// First and last element of a result a fault may leave empty. On an empty
// container they throw, which fails the test instead of crashing the binary.
#pragma once

#include <stdexcept>
#include <type_traits>

namespace zentrox::test {

template <typename Container>
auto First(const Container& c) -> std::remove_cvref_t<decltype(c.front())> {
  if (c.empty()) throw std::out_of_range("expected a non-empty list, got an empty one");
  return c.front();
}

template <typename Container>
auto Last(const Container& c) -> std::remove_cvref_t<decltype(c.back())> {
  if (c.empty()) throw std::out_of_range("expected a non-empty list, got an empty one");
  return c.back();
}

}  // namespace zentrox::test
