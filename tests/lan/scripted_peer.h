#pragma once

// A TCP peer that follows a test's script, to check wire formats byte for
// byte and to play the devices that misbehave.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/udp_socket.h"

namespace lan {

class PeerConnection {
 public:
  PeerConnection(int fd, const std::atomic<bool>& stopping) : fd_(fd), stopping_(stopping) {}

  // Reads a request head up to its empty line, and the body its
  // Content-Length announces.
  std::string ReadRequest();
  // Reads until the client closes or `limit` bytes have come.
  std::string ReadToEnd(std::size_t limit = 1 << 30);
  void Send(const std::string& bytes);
  // Ends the connection with a reset instead of an orderly close.
  void Reset();
  // Closes in order (also done when the script ends).
  void Close();
  // Keeps the connection open, saying nothing, until the peer is destroyed.
  void Hold();
  void Sleep(int ms);

 private:
  int fd_;
  const std::atomic<bool>& stopping_;
};

class ScriptedPeer {
 public:
  using Script = std::function<void(PeerConnection&)>;
  // Listens on `ip`:`port` and runs `script` for each connection in turn.
  ScriptedPeer(const std::string& ip, std::uint16_t port, Script script);
  ~ScriptedPeer();

  // The requests each connection's script read, in order.
  std::vector<std::string> Requests() const;
  int Connections() const { return connections_; }

 private:
  void Run();

  Script script_;
  net::UniqueFd listener_;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
  friend class PeerConnection;
};

}  // namespace lan
