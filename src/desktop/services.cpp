#include "desktop/services.h"

namespace desktop {

Services& services() {
  static Services instance;
  return instance;
}

Services Install(Services replacement) {
  Services previous = std::move(services());
  services() = std::move(replacement);
  return previous;
}

std::vector<device::DriveOfDevice> DrivesOfDevices(const std::vector<DriveRecord>& drives) {
  std::vector<device::DriveOfDevice> of;
  for (const DriveRecord& d : drives)
    of.push_back({d.drive, device::RemoteAddress(d.remote_name),
                  device::RemoteFolder(d.remote_name), d.device_name, d.group_name});
  return of;
}

std::vector<device::Network> OwnNetworks(AdapterList& adapters) {
  std::vector<device::Network> networks;
  for (const Adapter& a : adapters.Adapters()) networks.push_back({a.ip, a.mask});
  return networks;
}

}  // namespace desktop
