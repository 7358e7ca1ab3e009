#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace net {

inline constexpr std::uint16_t kDiscoveryPort = 14675;
inline constexpr std::size_t kDiscoveryDatagramSize = 72;
inline constexpr char kDiscoveryBroadcastIp[] = "255.255.255.255";

// Field layout of a discovery reply.
inline constexpr std::size_t kNameOffset = 8, kNameSize = 16;
inline constexpr std::size_t kGroupOffset = 24, kGroupSize = 16;
inline constexpr std::size_t kFirmwareOffset = 40, kFirmwareSize = 30;

// One row of the device list.
struct DeviceRecord {
  std::string Ip;
  std::string DeviceName;
  std::string GroupName;
  std::string FirmwareVersion;
  bool operator==(const DeviceRecord&) const = default;
};

// The devices found by one scan, in arrival order: the first reply from an
// address wins, and a list holds at most kMaxDevices (later replies are
// dropped), so a flood of forged replies costs neither memory nor time.
class DeviceList {
 public:
  static constexpr std::size_t kMaxDevices = 10000;

  // Adds the device unless its address is listed or the list is full;
  // true when it was added. Constant time.
  bool Add(const DeviceRecord& device);
  void Clear();
  const std::vector<DeviceRecord>& Devices() const { return devices_; }

 private:
  std::vector<DeviceRecord> devices_;
  std::unordered_set<std::string> addresses_;
};

// The 72-byte request: type byte 1, the rest zero.
std::string BuildDiscoveryRequest();

// True for a datagram that is a discovery request.
bool IsDiscoveryRequest(std::string_view datagram);

// Parses a reply received from `sender_ip`. Nothing for a datagram of any
// other length, another type byte or an empty firmware field.
std::optional<DeviceRecord> ParseDiscoveryReply(std::string_view datagram,
                                                const std::string& sender_ip);

// The reply a device sends; texts longer than their field are cut.
std::string BuildDiscoveryReply(std::string_view name, std::string_view group,
                                std::string_view firmware);

}  // namespace net
