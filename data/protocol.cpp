#include "data/protocol.h"

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

void Protocol::Push(ProtocolLine line) {
  if (line.kind == LineKind::Fault) ++faults_;
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
