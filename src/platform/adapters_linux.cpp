// The adapter list on Linux: interfaces in the kernel's order (by index),
// loopback left out, as the adapter list of a desktop system shows them.

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include "platform/adapters_linux.h"

namespace platform {

std::optional<Adapter> LinuxAdapterList::FirstAdapter() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return std::nullopt;
  const ifaddrs* first = nullptr;
  unsigned first_index = 0;
  for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET ||
        entry->ifa_netmask == nullptr || (entry->ifa_flags & IFF_LOOPBACK) != 0)
      continue;
    const unsigned index = ::if_nametoindex(entry->ifa_name);
    // The first address listed for the lowest-numbered interface wins.
    if (first == nullptr || index < first_index) {
      first = entry;
      first_index = index;
    }
  }
  std::optional<Adapter> adapter;
  if (first != nullptr) {
    char ip[INET_ADDRSTRLEN] = {};
    char mask[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(first->ifa_addr)->sin_addr, ip,
                sizeof ip);
    ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(first->ifa_netmask)->sin_addr, mask,
                sizeof mask);
    adapter = Adapter{ip, mask};
  }
  ::freeifaddrs(list);
  return adapter;
}

}  // namespace platform
