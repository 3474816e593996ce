// A table-driven rule case: a change of a valid baseline package (of any
// format) and the exact fault lines it draws.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace zentrox::test {

template <typename Package>
struct PackageMutation {
  std::string name;
  std::function<void(Package&)> mutate;
  std::vector<std::string> expected;
};

template <typename Package>
std::ostream& operator<<(std::ostream& os, const PackageMutation<Package>& c) {
  return os << c.name;
}

}  // namespace zentrox::test
