#pragma once

#include <string>
#include <thread>
#include <vector>

#include "net/udp_socket.h"
#include "sim/device.h"

namespace sim {

// The device's discovery responder on UDP port 14675.
class DiscoveryResponder {
 public:
  explicit DiscoveryResponder(Device& device);
  ~DiscoveryResponder();

  // The datagrams the device sends for one request, from its state.
  static std::vector<std::string> RepliesFor(const DeviceState& state);

 private:
  void Run();

  Device& device_;
  net::UdpSocket socket_;
  net::UniqueFd wake_;
  std::thread thread_;
};

// This host's IPv4 addresses, loopback left out.
std::vector<std::string> LocalAddresses();

}  // namespace sim
