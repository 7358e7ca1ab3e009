// Discovery replies from arbitrary datagrams: what is accepted reads back
// the same once built again, and the device list keeps its rules.

#include <cstddef>
#include <cstdint>
#include <string>

#include "net/discovery.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string datagram(reinterpret_cast<const char*>(data), size);
  const auto record = net::ParseDiscoveryReply(datagram, "10.0.0.1");
  if (!record) return 0;
  if (size != net::kDiscoveryDatagramSize || record->FirmwareVersion.empty()) __builtin_trap();
  // A reply built from what was read is read back the same.
  const auto again = net::ParseDiscoveryReply(
      net::BuildDiscoveryReply(record->DeviceName, record->GroupName, record->FirmwareVersion),
      "10.0.0.1");
  if (!again || !(*again == *record)) __builtin_trap();
  net::DeviceList list;
  if (!list.Add(*record) || list.Add(*again) || list.Devices().size() != 1) __builtin_trap();
  return 0;
}
