#include "scan/discover.h"

#include <chrono>
#include <memory>

#include "net/udp_socket.h"

namespace scan {

namespace {
constexpr int kQueueBytes = 4 * 1024 * 1024;  // a thousand replies arriving at once
}

net::DeviceList Discover(int seconds, const Where& where,
                         const std::function<bool(const net::DeviceList&)>& enough) {
  net::DeviceList found;
  net::UdpSocket socket(net::kDiscoveryPort, kQueueBytes);
  if (!where.interface.empty()) socket.BindToInterface(where.interface);
  socket.SendTo(where.broadcast, net::kDiscoveryPort, net::BuildDiscoveryRequest());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0 || (enough && enough(found))) break;
    const auto datagram = socket.Receive(static_cast<int>(std::min<long long>(left, 200)));
    if (!datagram) continue;
    if (const auto device = net::ParseDiscoveryReply(datagram->bytes, datagram->sender_ip))
      found.Add(*device);
  }
  return found;
}

}  // namespace scan
