#include "net/interfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace net {
namespace {

std::string Dotted(in_addr address) {
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &address, text, sizeof text);
  return text;
}

in_addr Of(const sockaddr* address) {
  return reinterpret_cast<const sockaddr_in*>(address)->sin_addr;
}

}  // namespace

std::vector<Interface> BroadcastInterfaces() {
  std::vector<Interface> interfaces;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return interfaces;
  for (const ifaddrs* e = list; e != nullptr; e = e->ifa_next) {
    const unsigned flags = e->ifa_flags;
    if (e->ifa_addr == nullptr || e->ifa_addr->sa_family != AF_INET || e->ifa_netmask == nullptr ||
        (flags & IFF_UP) == 0 || (flags & IFF_BROADCAST) == 0 || (flags & IFF_LOOPBACK) != 0)
      continue;
    // The directed broadcast from the address and its mask: an address
    // added without one has none of its own.
    const in_addr ip = Of(e->ifa_addr), mask = Of(e->ifa_netmask);
    const in_addr broadcast{ip.s_addr | ~mask.s_addr};
    interfaces.push_back({e->ifa_name, Dotted(ip), Dotted(mask), Dotted(broadcast)});
  }
  ::freeifaddrs(list);
  return interfaces;
}

}  // namespace net
