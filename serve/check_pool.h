// The processes that run the service's checks, kept warm between checks.
//
// A check worker is this program started anew (exec, not a bare fork: the
// service is multi-threaded) with `--check-worker`, in a process group of its
// own and under the per-check address-space limit. It waits on a socket for
// one check at a time, runs it in that check's private directory and answers
// one byte. Starting a process, loading its libraries and setting it up cost
// more than a small package's whole check, so a worker serves check after
// check; nothing of a package stays in it but freed memory.
//
// A worker that ends without answering (crashed, out of memory), or that is
// stopped (time limit, client gone, service stopping), costs its one check;
// the next check starts a fresh worker. A worker is also retired after
// kChecksPerWorker checks, so that what its heap keeps stays bounded.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zentrox::serve {

struct CheckSettings {
  std::string program;       // this program's file, started for each worker
  std::string program_dir;   // where the archiver is looked for first
  std::string dictionaries;  // the installed dictionaries; ends in "/"
  std::chrono::seconds timeout{120};
  std::uint64_t memory_limit = 0;  // bytes of address space per worker; 0: none
  bool single_threaded = false;    // each check's rule passes run in turn
};

inline constexpr unsigned kChecksPerWorker = 500;

// One worker process: its process id (and group) and the service's end of
// its socket.
class CheckWorker {
 public:
  CheckWorker(pid_t pid, int socket) : pid_(pid), socket_(socket) {}
  ~CheckWorker();  // kills the worker's group and reaps it
  CheckWorker(const CheckWorker&) = delete;
  CheckWorker& operator=(const CheckWorker&) = delete;

  pid_t pid() const { return pid_; }
  int socket() const { return socket_; }
  unsigned checks = 0;  // checks it has taken

 private:
  pid_t pid_;
  int socket_;
};

class CheckPool {
 public:
  explicit CheckPool(CheckSettings settings);
  ~CheckPool();  // stops every worker
  CheckPool(const CheckPool&) = delete;
  CheckPool& operator=(const CheckPool&) = delete;
  const CheckSettings& settings() const { return settings_; }

  // An idle worker, or a new one; null when none could be started.
  std::unique_ptr<CheckWorker> Take();
  // A worker back after a check it answered; retired when it has served enough.
  void Give(std::unique_ptr<CheckWorker> worker);
  // Workers started since the service began (for the metrics).
  std::uint64_t started() const;

 private:
  // Starts a worker from the starter thread: a worker ends when the thread
  // that started it ends (so that it ends with the service however that
  // ends), and a request's thread ends with its connection.
  std::unique_ptr<CheckWorker> Start();
  std::unique_ptr<CheckWorker> Spawn();
  void StartWorkers();

  CheckSettings settings_;
  mutable std::mutex mutex_;
  std::condition_variable wanted_, made_;
  std::vector<std::unique_ptr<CheckWorker>> idle_;
  std::uint64_t started_ = 0;
  unsigned to_start_ = 0;                            // asked of the starter
  std::vector<std::unique_ptr<CheckWorker>> fresh_;  // started, not yet taken (null: failed)
  bool stopping_ = false;
  std::thread starter_;
};

// The worker's side: `--check-worker MEMORY_LIMIT SERVICE_PID` (the arguments
// after the option), its socket on descriptor 3. Returns the process's exit
// status.
int RunCheckWorker(const std::vector<std::string>& args, const std::string& program_dir);

}  // namespace zentrox::serve
