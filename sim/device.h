#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

// Everything a simulated device knows. Guarded by Device::mutex.
struct DeviceState {
  std::string name = "STORAGE";
  std::string group = "WORKGROUP";
  std::string firmware = "1.0.0";
  // The discovery replies sent to each request, in order: "normal", "short"
  // (71 bytes), "long" (73 bytes), "type2", "empty-firmware", "other-names".
  // Empty: the device keeps silent.
  std::vector<std::string> discovery_replies = {"normal"};
  // Answer each request once from every address of the device, as a crowd
  // of devices would.
  bool reply_from_every_address = false;
};

class Device {
 public:
  std::mutex mutex;
  DeviceState state;
  std::atomic<long> discovery_requests{0};
};

}  // namespace sim
