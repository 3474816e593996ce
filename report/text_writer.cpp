#include "report/text_writer.h"

#include <algorithm>

namespace zentrox {

std::string ProtocolToText(const Protocol& protocol) {
  // Sized first: a protocol of 100,000 lines is 15 MB, which growing by
  // doubling would copy and touch twice over.
  std::size_t size = 0;
  for (const ProtocolLine& line : protocol.lines()) size += line.text.size() + 1;
  std::string out;
  out.reserve(size);
  for (const ProtocolLine& line : protocol.lines()) {
    const std::size_t from = out.size();
    out += line.text;
    std::replace(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(), '\r', '\n');
    out.push_back('\n');
  }
  return out;
}

}  // namespace zentrox
