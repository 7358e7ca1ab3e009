#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "net/udp_socket.h"
#include "sim/device.h"

namespace sim {

// The device's web server on TCP port 80 of its address: the status page,
// the CGI commands and the firmware upload, behind Basic authentication.
// Every connection carries one request and is closed after the reply.
// A request head as the device reads it.
struct Request {
  std::string method, target, version;
  std::string authorization, content_type;
  long long content_length = -1;
  std::string body;
};

// Parses a request head (the request line and header lines, each ended by
// CR LF); false for anything that is not a request.
bool ParseRequestHead(const std::string& head, Request& request);

class HttpServer {
 public:
  // `on_change` runs after every command (outside the device's lock).
  HttpServer(Device& device, std::function<void()> on_change = {}, std::uint16_t port = 80);
  ~HttpServer();

  // Moves the device to `ip`: the address is added to the interface, the
  // old one removed, and the server answers at the new one only.
  // False when the device cannot take the address.
  bool MoveAddress(const std::string& ip);

 private:
  void Run();
  void Serve(net::UniqueFd client);
  void Listen(const std::string& ip);

  Device& device_;
  std::function<void()> on_change_;
  std::uint16_t port_;
  net::UniqueFd listener_;
  std::string bound_ip_;
  net::UniqueFd wake_;
  std::atomic<int> active_{0};
  std::mutex done_mutex_;
  std::condition_variable done_;
  std::thread thread_;
};

// Adds and removes interface addresses with the `ip` tool (no shell).
bool RunIp(const std::vector<std::string>& args);

}  // namespace sim
