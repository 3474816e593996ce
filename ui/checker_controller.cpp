#include "ui/checker_controller.h"

#include <exception>
#include <stdexcept>

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <QWidget>

#include "model/files.h"
#include "report/atomic_write.h"
#include "report/csv_writer.h"
#include "report/rtf_writer.h"
#include "report/xlsx_writer.h"
#include "ui/installation_check.h"
#include "ui/ports.h"
#include "ui/run_gate.h"

namespace zentrox::ui {

QString SavePresetFor(const std::string& last_chosen) {
  return QString::fromStdString(DirectoryPart(last_chosen)) + QStringLiteral("ERROR_REV.doc");
}

// The core asks for message boxes from the worker thread; they are shown on
// the GUI thread and the worker waits until the user closed them, because
// the core appends its next line only after the box is gone.
class CheckerController::GuiPort : public UserPort {
 public:
  explicit GuiPort(CheckerController& owner) : owner_(owner) {}
  void ShowMessage(const std::string& text) override { owner_.ShowFromWorker(QString::fromStdString(text), false); }
  void ShowError(const std::string& text) override { owner_.ShowFromWorker(QString::fromStdString(text), true); }

 private:
  CheckerController& owner_;
};

CheckerController::CheckerController(AppContext& context, Variant variant, QObject* parent)
    : QObject(parent),
      context_(context),
      variant_(variant),
      port_(std::make_unique<GuiPort>(*this)),
      archiver_message_source_([](const Session& s) { return s.archiver_message(); }) {
  feed_.Follow(protocol_);
}

CheckerController::~CheckerController() {
  // A worker may be waiting for a message box: keep the events flowing
  // (boxes are no longer shown) until it has ended.
  shutting_down_ = true;
  if (thread_ != nullptr) {
    while (!thread_->wait(10)) QCoreApplication::processEvents();
    delete thread_;
    thread_ = nullptr;
    if (context_.gate != nullptr) context_.gate->Leave();
  }
  protocol_.SetListener(nullptr);
}

void CheckerController::ShowFromWorker(const QString& text, bool error) {
  auto show = [this, text, error] {
    if (shutting_down_ || context_.messages == nullptr) return;
    emit beforeMessage();
    if (error) {
      context_.messages->Error(dialog_parent_, text);
    } else {
      context_.messages->Information(dialog_parent_, text);
    }
  };
  if (QThread::currentThread() == thread()) {
    show();
  } else {
    QMetaObject::invokeMethod(this, show, Qt::BlockingQueuedConnection);
  }
}

bool CheckerController::Start(std::function<void(Session&, Protocol&, UserPort&)> work) {
  if (running() || context_.session == nullptr || context_.gate == nullptr) return false;
  if (!context_.gate->TryEnter()) return false;
  worker_error_.clear();
  worker_archiver_message_.reset();
  worker_unrar_.reset();
  last_run_ = RunReport{};
  Session& session = *context_.session;
  thread_ = QThread::create([this, &session, work = std::move(work)] {
    try {
      work(session, protocol_, *port_);
    } catch (const std::exception& e) {
      worker_error_ = QString::fromStdString(e.what());
    } catch (const FileReadError& e) {
      worker_error_ = QStringLiteral("Fișierul %1 nu poate fi citit.").arg(QString::fromStdString(e.path));
    } catch (...) {
      worker_error_ = QStringLiteral("Eroare neașteptată a programului.");
    }
  });
  connect(thread_, &QThread::finished, this, &CheckerController::OnWorkerDone);
  emit started();
  thread_->start();
  return true;
}

void CheckerController::OnWorkerDone() {
  if (thread_ == nullptr) return;
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
  context_.gate->Leave();
  if (worker_archiver_message_) {
    last_unrar_ = worker_unrar_;
    emit archiverMessage(worker_archiver_fault_, *worker_archiver_message_);
  }
  if (!worker_error_.isEmpty()) last_run_.failed = true;
  if (!worker_error_.isEmpty() && context_.messages != nullptr) {
    emit beforeMessage();
    context_.messages->Error(dialog_parent_, worker_error_);
  }
  emit finished();
}

bool CheckerController::StartUnRar(const QString& chosen) {
  const Variant v = variant_;
  const std::string path = chosen.toStdString();
  if (running() || (context_.gate != nullptr && context_.gate->busy())) return false;
  // The reason and outcome of an earlier UnRar go as this one begins.
  emit archiverMessage(ArchiverFault::None, QString());
  last_unrar_.reset();
  return Start([this, v, path](Session& s, Protocol& p, UserPort& port) {
    last_run_.command = RunReport::Command::UnRar;
    last_run_.unrar = s.UnRar(v, path, p, port);
    worker_unrar_ = last_run_.unrar;
    worker_archiver_message_ = QString::fromStdString(archiver_message_source_(s));
    // The reason's kind goes with the archiver's words: none without them.
    worker_archiver_fault_ = worker_archiver_message_->isEmpty() ? ArchiverFault::None : s.archiver_fault();
  });
}

bool CheckerController::StartControl() {
  const Variant v = variant_;
  // Through the port: a working directory held by another Zentrox process
  // is reported in the error box.
  if (!Start([this, v](Session& s, Protocol& p, UserPort& port) {
        last_run_.command = RunReport::Command::Control;
        last_run_.checked_at = s.clock().Now();
        last_run_.control = s.Control(v, p, port);
      }))
    return false;
  emit controlStarted();
  return true;
}

void CheckerController::ClearProtocol() {
  if (running()) return;
  protocol_.Clear();
  last_run_ = RunReport{};
  feed_.Reset();
}

QString CheckerController::SavePreset() const {
  if (context_.session == nullptr) return SavePresetFor({});
  return SavePresetFor(context_.session->window(variant_).last_chosen);
}

QString CheckerController::Save(const QString& path) {
  const QString full = QFileInfo(path).absoluteFilePath();
  WriteFileAtomically(full.toStdString(), ProtocolToRtf(protocol_));
  return QString::fromStdString(profile().save_prefix) + full;
}

void CheckerController::SaveFindings(const QString& path) {
  const std::string archive =
      context_.session == nullptr ? std::string() : context_.session->window(variant_).archive_path;
  WriteFileAtomically(QFileInfo(path).absoluteFilePath().toStdString(), FindingsToCsv(protocol_, archive));
}

void CheckerController::SaveWorkbook(const QString& path) {
  const std::string archive =
      context_.session == nullptr ? std::string() : context_.session->window(variant_).archive_path;
  WriteFindingsXlsx(QFileInfo(path).absoluteFilePath().toStdString(), protocol_, archive);
}

void CheckerController::CheckInstallation() {
  if (running() || context_.session == nullptr) return;
  WriteMissingParts(FindMissingParts(variant_, context_.session->workdir(), context_.session->program_dir()),
                    protocol_);
}

}  // namespace zentrox::ui
