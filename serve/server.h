// The HTTP side of zentrox-serve.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "check_job.h"

namespace zentrox::serve {

struct ServerSettings {
  std::string host = "127.0.0.1";
  std::uint16_t port = 8080;  // 0: any free port
  unsigned workers = 1;       // checks at once
  unsigned queue = 4;         // checks waiting for a worker
  unsigned max_connections = 1024;
  std::uint64_t max_upload = std::uint64_t{256} << 20;
  std::string state_dir;  // absolute, ends in "/"
  std::string web_root;   // the web page's files; ends in "/"
  CheckSettings check;    // timeout, memory limit, dictionaries
};

class Server {
 public:
  explicit Server(ServerSettings settings);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Starts listening; false with `error` said plainly when it can't.
  bool Start(std::string& error);
  // The port listened on.
  std::uint16_t port() const;
  // Stops taking requests, ends running checks and waits for the connections.
  void Stop();

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace zentrox::serve
