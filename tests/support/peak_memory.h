// How much memory a step holds at once: the process's peak resident memory,
// counted again from a point the test sets. Under the sanitizers the figure
// includes their shadow memory, so tests that use it skip there.
#pragma once

#include <cstddef>
#include <fstream>
#include <string>

namespace zentrox {

// The peak starts again from the memory resident now.
inline void RestartPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The peak resident memory since the start or the last RestartPeak, in bytes.
inline std::size_t PeakResident() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stoul(line.substr(6)) * 1024;
  }
  return 0;
}

}  // namespace zentrox
