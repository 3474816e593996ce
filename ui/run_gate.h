// One UnRar or Control at a time in the whole program: the windows share the
// working directory, the data module DM and the package name, so a second
// run beside a first would unpack into or load from the same files.
#pragma once

#include <QObject>

namespace zentrox::ui {

class RunGate : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

  bool busy() const { return busy_; }
  // Takes the gate; false when a run already holds it.
  bool TryEnter();
  void Leave();

 signals:
  void busyChanged(bool busy);

 private:
  bool busy_ = false;
};

}  // namespace zentrox::ui
