#include "scan/discover.h"

#include <algorithm>
#include <chrono>
#include <memory>

#include "net/interfaces.h"
#include "net/ipv4.h"
#include "net/udp_socket.h"

namespace scan {

namespace {
constexpr int kQueueBytes = 4 * 1024 * 1024;  // a thousand replies arriving at once
}

net::DeviceList Discover(std::chrono::milliseconds listen, const Where& where,
                         const std::function<bool(const net::DeviceList&)>& enough) {
  net::DeviceList found;
  net::UdpSocket socket(net::kDiscoveryPort, kQueueBytes);
  if (!where.interface.empty()) socket.BindToInterface(where.interface);
  const std::string request = net::BuildDiscoveryRequest();
  socket.SendTo(where.broadcast, net::kDiscoveryPort, request);
  if (where.every_interface && where.interface.empty())
    for (const net::Interface& i : net::BroadcastInterfaces())
      socket.SendFrom(i.ip, i.broadcast, net::kDiscoveryPort, request);
  for (const std::string& address : where.addresses)
    socket.SendTo(address, net::kDiscoveryPort, request);
  const auto deadline = std::chrono::steady_clock::now() + listen;
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

bool AddAddresses(const std::string& list, std::vector<std::string>& addresses) {
  std::vector<std::string> found;
  for (std::size_t at = 0; at <= list.size();) {
    const auto comma = std::min(list.find(',', at), list.size());
    const std::string address = list.substr(at, comma - at);
    if (!net::IsIPv4(address)) return false;
    found.push_back(address);
    at = comma + 1;
  }
  addresses.insert(addresses.end(), found.begin(), found.end());
  return true;
}

std::vector<std::string> ViaOf(const std::vector<net::DeviceRecord>& devices, const Where& where) {
  const auto interfaces = net::BroadcastInterfaces();
  std::vector<std::string> via;
  for (const net::DeviceRecord& d : devices) {
    std::string from;
    if (const auto device = net::ParseIPv4(d.Ip)) {
      for (const net::Interface& i : interfaces) {
        const std::uint32_t own = net::ParseIPv4(i.ip).value_or(0),
                            mask = net::ParseIPv4(i.mask).value_or(0);
        if ((own & mask) == (*device & mask)) {
          from = i.name;
          break;
        }
      }
    }
    const auto& asked = where.addresses;
    if (from.empty() && std::find(asked.begin(), asked.end(), d.Ip) != asked.end())
      from = "address";
    via.push_back(from);
  }
  return via;
}

}  // namespace scan
