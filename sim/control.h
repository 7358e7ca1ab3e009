#pragma once

// The simulator's control channel: a Unix socket on which tests (and the
// demo) read the device's state and change it. One command per line; each
// answer is one line, "ok" or "ok <value>" or "err <reason>".

#include <functional>
#include <string>
#include <thread>

#include "net/udp_socket.h"

namespace sim {

class ControlServer {
 public:
  using Handler = std::function<std::string(const std::string& command)>;
  ControlServer(const std::string& path, Handler handler);
  ~ControlServer();

 private:
  void Run();
  void Serve(int client);

  std::string path_;
  Handler handler_;
  net::UniqueFd listener_;
  net::UniqueFd wake_;
  std::thread thread_;
};

// Sends one command and returns the answer line without its line feed.
// Throws std::runtime_error when the device cannot be reached.
std::string ControlCall(const std::string& path, const std::string& command);

}  // namespace sim
