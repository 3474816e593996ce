// One check of an uploaded archive, in a private directory under the
// service's state directory, run by a worker process of the service.
//
// The directory (see intake/job_directory.h) holds in/ the uploaded archive
// under the name the client gave, work/ a copy of the installed dictionaries
// where the package is unpacked, and the worker's answer; it is removed with
// everything in it when the Job goes, whatever became of the check.
//
// A worker process of the service's pool (check_pool.h) runs the check as
// zentrox-check runs one archive and writes the answer's body into the
// directory. A worker that ends without one (crashed, killed past the time
// limit) costs only its own archive, which is answered as not checked with a
// plain reason.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "check_pool.h"
#include "intake/job_directory.h"
#include "report.h"

namespace zentrox::serve {

struct CheckRequest {
  std::string name;     // the archive's name as the client gave it
  std::string variant;  // "auto" or a variant's id
  Format format = Format::Json;
};

struct CheckOutcome {
  enum class End { Answered, ClientGone, Stopped };
  End end = End::Answered;
  std::string verdict = "not-checked";  // clean, findings, not-checked
  std::size_t findings = 0;
  int packs = 0;
  int declarations = 0;
  // The body: a descriptor of the child's answer (body_fd >= 0, body_size
  // bytes), or else `body`.
  int body_fd = -1;
  std::uint64_t body_size = 0;
  std::string body;
  std::string reason;  // why the service could not check it, "" when it could
};

class Job {
 public:
  // Makes the check's directory under `state_dir` (ends in "/"); ok() says whether it could.
  explicit Job(const std::string& state_dir);
  ~Job();
  Job(const Job&) = delete;
  Job& operator=(const Job&) = delete;

  bool ok() const { return in_fd_ >= 0; }

  // Opens the archive's file for the upload; false when it can't be made.
  bool StartUpload(const std::string& name);
  bool uploading() const { return upload_fd_ >= 0; }
  bool Write(const char* data, std::size_t size);

  // Runs the check on a worker of `pool`. While it runs, a client that closes
  // `client_fd` (-1: none watched) or `stop` set ends the worker at once.
  CheckOutcome Run(const CheckRequest& request, CheckPool& pool, int client_fd, const volatile bool* stop);

 private:
  CheckOutcome NotChecked(const CheckRequest& request, std::string reason) const;

  JobDirectory dir_;
  int in_fd_ = -1;
  int upload_fd_ = -1;
};

// A name the service takes for an archive: 1 to 255 bytes of valid UTF-8,
// no control character, no "/" or "\", no "..", and not beginning with "-".
bool AcceptableArchiveName(const std::string& name);

// The worker's side of one check, in the directory `job` (ends in "/"):
// writes the answer's body and its counts there. Returns 0 when both were
// written, 1 when they were but the check ran out of memory (its process is
// better replaced), 3 when they could not be.
int CheckInWorker(const std::string& job, const std::string& variant, const std::string& format,
                  const std::string& name, const std::string& program_dir);

}  // namespace zentrox::serve
