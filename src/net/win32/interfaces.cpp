// The IPv4 networks of a Windows workstation: each adapter that is up, not
// loopback, with each of its IPv4 addresses and their prefixes.

#include "net/interfaces.h"

// (winsock2.h before windows.h, and both before iphlpapi.h.)
#include "os/win32/winsock.h"

#include <iphlpapi.h>

#include <vector>

#include "net/ipv4.h"

namespace net {

std::vector<Interface> BroadcastInterfaces() {
  std::vector<Interface> interfaces;
  ULONG size = 16 << 10;
  std::vector<unsigned char> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    result = ::GetAdaptersAddresses(
        AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
        nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (result != NO_ERROR) return interfaces;
  for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a != nullptr;
       a = a->Next) {
    if (a->OperStatus != IfOperStatusUp || a->IfType == IF_TYPE_SOFTWARE_LOOPBACK) continue;
    for (auto* u = a->FirstUnicastAddress; u != nullptr; u = u->Next) {
      if (u->Address.lpSockaddr->sa_family != AF_INET || u->OnLinkPrefixLength > 32) continue;
      const std::uint32_t ip =
          ntohl(reinterpret_cast<sockaddr_in*>(u->Address.lpSockaddr)->sin_addr.s_addr);
      const std::uint32_t mask =
          u->OnLinkPrefixLength == 0 ? 0 : ~std::uint32_t{0} << (32 - u->OnLinkPrefixLength);
      interfaces.push_back(
          {os::Utf8(a->FriendlyName), FormatIPv4(ip), FormatIPv4(mask), FormatIPv4(ip | ~mask)});
    }
  }
  return interfaces;
}

}  // namespace net

namespace os {

// The index of the adapter with this name (as BroadcastInterfaces names
// it), or of the one holding this address; 0 when none does.
unsigned long AdapterIndex(const std::string& name_or_address) {
  ULONG size = 16 << 10;
  std::vector<unsigned char> buffer(size);
  if (::GetAdaptersAddresses(AF_INET, 0, nullptr,
                             reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()),
                             &size) == ERROR_BUFFER_OVERFLOW) {
    buffer.resize(size);
    if (::GetAdaptersAddresses(AF_INET, 0, nullptr,
                               reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()),
                               &size) != NO_ERROR)
      return 0;
  }
  const auto address = net::ParseIPv4(name_or_address);
  for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a != nullptr;
       a = a->Next) {
    if (!address && Utf8(a->FriendlyName) == name_or_address) return a->IfIndex;
    for (auto* u = a->FirstUnicastAddress; address && u != nullptr; u = u->Next)
      if (u->Address.lpSockaddr->sa_family == AF_INET &&
          ntohl(reinterpret_cast<sockaddr_in*>(u->Address.lpSockaddr)->sin_addr.s_addr) == *address)
        return a->IfIndex;
  }
  return 0;
}

}  // namespace os
