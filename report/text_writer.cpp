#include "report/text_writer.h"

namespace zentrox {

std::string ProtocolToText(const Protocol& protocol) {
  std::string out;
  for (const ProtocolLine& line : protocol.lines()) {
    for (char c : line.text) out.push_back(c == '\r' ? '\n' : c);
    out.push_back('\n');
  }
  return out;
}

}  // namespace zentrox
