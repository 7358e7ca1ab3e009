#pragma once

// One discovery scan from a terminal program: a request broadcast, the
// replies collected for a while (the first reply from an address kept).

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "net/discovery.h"

namespace scan {

struct Where {
  std::string interface;                               // empty: every interface
  std::string broadcast = net::kDiscoveryBroadcastIp;  // where the request goes
  // Asked directly as well, with the same request: devices a broadcast
  // cannot reach (behind a router, over a VPN).
  std::vector<std::string> addresses;
  // The request also goes to the directed broadcast address of every
  // interface that can broadcast, from that interface's own address, so a
  // second card or a bridge is asked too. Off when an interface or a
  // broadcast address narrows the scan.
  bool every_interface = true;
};

// Adds the IPv4 addresses of a comma-separated list to `addresses`; false
// (and nothing added) when one is not an address.
bool AddAddresses(const std::string& list, std::vector<std::string>& addresses);

// Where each device's answer came from: the interface whose network holds
// it, or "address" for one of `where`'s addresses asked directly; empty
// when neither.
std::vector<std::string> ViaOf(const std::vector<net::DeviceRecord>& devices, const Where& where);

// Collects replies for `seconds`, or until `enough` says the devices found
// so far suffice. Throws net::SocketError when the socket cannot be used
// (UDP port 14675 taken, for one).
net::DeviceList Discover(std::chrono::milliseconds listen, const Where& where,
                         const std::function<bool(const net::DeviceList&)>& enough = {});
inline net::DeviceList Discover(int seconds, const Where& where,
                                const std::function<bool(const net::DeviceList&)>& enough = {}) {
  return Discover(std::chrono::seconds(seconds), where, enough);
}

}  // namespace scan
