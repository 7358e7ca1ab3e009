#include "net/discovery.h"

#include <algorithm>

namespace net {
namespace {

constexpr char kTypeRequest = 1;
constexpr char kTypeReply = 1;

// A text field ends at its first zero byte or at the field's end.
std::string Field(std::string_view datagram, std::size_t offset, std::size_t size) {
  const std::string_view field = datagram.substr(offset, size);
  return std::string(field.substr(0, field.find('\0')));
}

void PutField(std::string& datagram, std::size_t offset, std::size_t size, std::string_view text) {
  const std::size_t n = std::min(size, text.size());
  std::copy_n(text.begin(), n, datagram.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

std::string BuildDiscoveryRequest() {
  std::string request(kDiscoveryDatagramSize, '\0');
  request[0] = kTypeRequest;
  return request;
}

bool IsDiscoveryRequest(std::string_view datagram) {
  return datagram.size() == kDiscoveryDatagramSize && datagram[0] == kTypeRequest;
}

std::optional<DeviceRecord> ParseDiscoveryReply(std::string_view datagram,
                                                const std::string& sender_ip) {
  if (datagram.size() != kDiscoveryDatagramSize || datagram[0] != kTypeReply) return std::nullopt;
  DeviceRecord record{sender_ip, Field(datagram, kNameOffset, kNameSize),
                      Field(datagram, kGroupOffset, kGroupSize),
                      Field(datagram, kFirmwareOffset, kFirmwareSize)};
  if (record.FirmwareVersion.empty()) return std::nullopt;
  return record;
}

std::string BuildDiscoveryReply(std::string_view name, std::string_view group,
                                std::string_view firmware) {
  std::string reply(kDiscoveryDatagramSize, '\0');
  reply[0] = kTypeReply;
  PutField(reply, kNameOffset, kNameSize, name);
  PutField(reply, kGroupOffset, kGroupSize, group);
  PutField(reply, kFirmwareOffset, kFirmwareSize, firmware);
  return reply;
}

bool DeviceList::Add(const DeviceRecord& device) {
  if (devices_.size() >= kMaxDevices || !addresses_.insert(device.Ip).second) return false;
  devices_.push_back(device);
  return true;
}

void DeviceList::Clear() {
  devices_.clear();
  addresses_.clear();
}

}  // namespace net
