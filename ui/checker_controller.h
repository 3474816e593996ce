// The commands of one checker window, apart from its widgets: UnRar and
// Control run on a worker thread under the program-wide gate, the protocol
// streams into a feed for the pane, and save and the installation check
// work on the window's protocol.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QObject>
#include <QPointer>
#include <QString>

#include "model/variant.h"
#include "report/protocol.h"
#include "session/session.h"
#include "ui/app_context.h"
#include "ui/protocol_feed.h"
#include "ui/run_verdict.h"

class QThread;
class QWidget;

namespace zentrox::ui {

// The file name the save dialog proposes: the directory of the file last
// chosen for UnRar followed by "ERROR_REV.doc", or the bare name.
QString SavePresetFor(const std::string& last_chosen);

class CheckerController : public QObject {
  Q_OBJECT
 public:
  CheckerController(AppContext& context, Variant variant, QObject* parent = nullptr);
  ~CheckerController() override;

  Variant variant() const { return variant_; }
  const VariantProfile& profile() const { return Profile(variant_); }
  Protocol& protocol() { return protocol_; }
  const Protocol& protocol() const { return protocol_; }
  ProtocolFeed& feed() { return feed_; }
  bool running() const { return thread_ != nullptr; }
  // How the last UnRar of this window ended, once it has; none before the
  // first or when it ended with an error.
  std::optional<UnrarOutcome> lastUnRarOutcome() const { return last_unrar_; }
  // How the last UnRar or Control ended (valid once finished() was emitted).
  const RunReport& lastRun() const { return last_run_; }

  // Where the message boxes the core asks for appear.
  void SetDialogParent(QWidget* parent) { dialog_parent_ = parent; }

  // UnRar of `chosen` (the path the open dialog returned). False, and
  // nothing done, when another UnRar or Control of the program is running.
  bool StartUnRar(const QString& chosen);
  // The control run. False as above.
  bool StartControl();

  // Empties the protocol and the pane (not while this window runs).
  void ClearProtocol();
  QString SavePreset() const;
  // Writes the protocol as rich text to `path` (atomically) and returns the
  // confirmation text. Throws std::runtime_error when it cannot write.
  QString Save(const QString& path);
  // Writes the findings as CSV (report/csv_writer.h) to `path`
  // (atomically), each row led by the window's archive path. Throws
  // std::runtime_error when it cannot write.
  void SaveFindings(const QString& path);
  // The same findings as an .xlsx workbook (report/xlsx_writer.h).
  void SaveWorkbook(const QString& path);
  // Appends the red block of the installation check when something is missing.
  void CheckInstallation();

  // Where the archiver's own reason for a failed listing or extraction is
  // read after UnRar; the session's account unless a test puts in its own.
  using ArchiverMessageSource = std::function<std::string(const Session&)>;
  void SetArchiverMessageSource(ArchiverMessageSource source) { archiver_message_source_ = std::move(source); }

 signals:
  // The archiver's reason after an UnRar (None and "" when it gave none), as
  // data and in its own words; shown beside the protocol, never in it.
  void archiverMessage(zentrox::ArchiverFault fault, const QString& text);
  void started();
  // A control run began: it reloads the tables of the variant's data module.
  void controlStarted();
  // The worker ended; the pane may still be appending the last lines.
  void finished();
  // A message box is about to be shown: the pane should show every line so far.
  void beforeMessage();

 private:
  class GuiPort;
  bool Start(std::function<void(Session&, Protocol&, UserPort&)> work);
  void OnWorkerDone();
  void ShowFromWorker(const QString& text, bool error);

  AppContext& context_;
  Variant variant_;
  Protocol protocol_;
  ProtocolFeed feed_;
  std::unique_ptr<GuiPort> port_;
  QThread* thread_ = nullptr;
  QPointer<QWidget> dialog_parent_;
  QString worker_error_;
  RunReport last_run_;  // written by the worker, read after it ended
  // Read by the worker after UnRar; the GUI thread takes it once the worker ended.
  std::optional<QString> worker_archiver_message_;
  ArchiverFault worker_archiver_fault_ = ArchiverFault::None;
  std::optional<UnrarOutcome> worker_unrar_;
  std::optional<UnrarOutcome> last_unrar_;
  ArchiverMessageSource archiver_message_source_;
  bool shutting_down_ = false;
};

}  // namespace zentrox::ui
