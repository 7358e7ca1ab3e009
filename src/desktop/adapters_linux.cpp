// The adapter list on Linux: every IPv4 address of the interfaces that are
// up, loopback left out.

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include "desktop/adapters_linux.h"

namespace desktop {
namespace {

Adapter AdapterOf(const ifaddrs& entry) {
  char ip[INET_ADDRSTRLEN] = {};
  char mask[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(entry.ifa_addr)->sin_addr, ip,
              sizeof ip);
  ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(entry.ifa_netmask)->sin_addr, mask,
              sizeof mask);
  return {ip, mask};
}

bool IsIPv4Adapter(const ifaddrs& entry) {
  return entry.ifa_addr != nullptr && entry.ifa_addr->sa_family == AF_INET &&
         entry.ifa_netmask != nullptr && (entry.ifa_flags & IFF_LOOPBACK) == 0;
}

}  // namespace

std::vector<Adapter> LinuxAdapterList::Adapters() {
  std::vector<Adapter> adapters;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return adapters;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next)
    if (IsIPv4Adapter(*entry) && (entry->ifa_flags & IFF_UP) != 0)
      adapters.push_back(AdapterOf(*entry));
  ::freeifaddrs(list);
  return adapters;
}

}  // namespace desktop
