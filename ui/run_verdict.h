// The verdict the status bar gives after a run of a checker window, and the
// archiver's reason in a form that fits the bar.
#pragma once

#include <cstddef>
#include <optional>

#include <QLabel>
#include <QString>

#include "model/clock.h"
#include "report/control_result.h"
#include "report/findings_summary.h"
#include "report/protocol.h"
#include "session/session.h"

namespace zentrox::ui {

// How a window's last UnRar or Control ended.
struct RunReport {
  enum class Command { None, UnRar, Control };
  Command command = Command::None;
  UnrarOutcome unrar = UnrarOutcome::Unpacked;
  ControlResult control;
  bool failed = false;  // the command ended with an error of the program
  std::optional<LocalDateTime> checked_at;  // when the last control run began
};

// "1 eroare", "12 erori", "20 de erori", "1114 erori": a number with the
// singular or plural noun, with "de" where the number ends in 00 or 20–99.
QString CountedNoun(std::size_t n, const char* one, const char* many);

// "Fără erori", "1114 erori în 812 declarații, 17 pachete", or why the
// package was not checked. Empty before any run. When the archiver gave its
// own reason for a refused or failed unpacking, the verdict only leads to it
// (the reason follows it on the bar).
QString VerdictText(const RunReport& run, const Protocol& protocol, bool archiver_gave_reason = false);

// The archiver's reason with every path shortened to its file name (the
// archive's own path and the working directory included), so that it fits
// on the bar; the full text goes in the tooltip.
QString ShortArchiverReason(const QString& reason);

// The archiver's failure in Romanian, for the bar; "" for None.
QString ArchiverFaultText(ArchiverFault fault);

// Why the variant of an archive can't be told, in Romanian (one sentence
// without its full stop).
QString UntoldVariantText(const VariantDetection& told);

// A one-line label that cuts its text with "…" where it does not fit and
// never asks the window for more room.
class ElidedLabel : public QLabel {
  Q_OBJECT
 public:
  explicit ElidedLabel(QWidget* parent = nullptr) : QLabel(parent) {}
  void setFullText(const QString& text);
  const QString& fullText() const { return full_; }
  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Elide();
  QString full_;
};

}  // namespace zentrox::ui
