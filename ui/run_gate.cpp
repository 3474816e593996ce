#include "ui/run_gate.h"

namespace zentrox::ui {

bool RunGate::TryEnter() {
  if (busy_) return false;
  busy_ = true;
  emit busyChanged(true);
  return true;
}

void RunGate::Leave() {
  if (!busy_) return;
  busy_ = false;
  emit busyChanged(false);
}

}  // namespace zentrox::ui
