// One check of an uploaded archive, in a private directory under the
// service's state directory and in a child process of its own.
//
// The directory (see intake/job_directory.h) holds in/ the uploaded archive
// under the name the client gave, work/ a copy of the installed dictionaries
// where the package is unpacked, and the child's answer; it is removed with
// everything in it when the Job goes, whatever became of the check.
//
// The child is this program started anew (exec, not a bare fork: the server
// is multi-threaded) in a process group of its own, with an address-space
// limit. It runs the check as zentrox-check runs one archive and writes the
// answer's body into the directory. A child that ends without one (crashed,
// killed past the time limit) costs only its own archive, which is answered
// as not checked with a plain reason.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "intake/job_directory.h"
#include "report.h"

namespace zentrox::serve {

struct CheckSettings {
  std::string program;       // this program's file, started for each check
  std::string program_dir;   // where the archiver is looked for first
  std::string dictionaries;  // the installed dictionaries; ends in "/"
  std::chrono::seconds timeout{120};
  std::uint64_t memory_limit = 0;  // bytes of address space per child; 0: none
  bool single_threaded = false;    // each check's rule passes run in turn
};

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

  // Runs the check. While it runs, a client that closes `client_fd` (-1: none
  // watched) or `stop` set ends the child at once.
  CheckOutcome Run(const CheckRequest& request, const CheckSettings& settings, int client_fd,
                   const volatile bool* stop);

 private:
  CheckOutcome NotChecked(const CheckRequest& request, std::string reason) const;

  JobDirectory dir_;
  int in_fd_ = -1;
  int upload_fd_ = -1;
};

// A name the service takes for an archive: 1 to 255 bytes of valid UTF-8,
// no control character, no "/" or "\", no "..", and not beginning with "-".
bool AcceptableArchiveName(const std::string& name);

// The child's side: `--run-check JOB_DIR VARIANT FORMAT NAME MEMORY_LIMIT
// SERVICE_PID` (the arguments after the option). Returns the process's exit
// status.
int RunCheckChild(const std::vector<std::string>& args, const std::string& program_dir);

}  // namespace zentrox::serve
