#include "data/protocol.h"

#include <string>

namespace zentrox {

void Protocol::Clear() {
  // The default colour survives clearing, as a pane's default font does.
  lines_.clear();
  faults_ = 0;
  current_ = default_;
}

void Protocol::SetDefaultColor(Rgb color) {
  default_.color = color;
  current_.color = color;
}

void Protocol::ResetAttributes() { current_ = default_; }

void Protocol::CountFault() {
  if (faults_++ == max_fault_lines_) {
    TextStyle style = current_;
    style.color = kRed;
    lines_.push_back(ProtocolLine{"Слишком много ошибок: выведены первые " + std::to_string(max_fault_lines_) +
                                      ", остальные не выводятся",
                                  style, LineKind::Frame, std::nullopt});
    if (listener_) listener_(lines_.back());
  }
}

void Protocol::Push(ProtocolLine line) {
  if (line.kind == LineKind::Fault) {
    if (FaultsFull()) {
      CountFault();
      return;
    }
    ++faults_;
  }
  lines_.push_back(std::move(line));
  if (listener_) listener_(lines_.back());
}

void Protocol::Add(std::string text, LineKind kind) {
  Push(ProtocolLine{std::move(text), current_, kind, std::nullopt});
}

void Protocol::AddStyled(std::string text, const TextStyle& style, LineKind kind) {
  Push(ProtocolLine{std::move(text), style, kind, std::nullopt});
}

void Protocol::AddFinding(std::string text, Finding finding) {
  Push(ProtocolLine{std::move(text), current_, LineKind::Fault, std::move(finding)});
}

}  // namespace zentrox
