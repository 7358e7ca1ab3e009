#include "desktop/system.h"

#include "desktop/adapters_linux.h"
#include "desktop/gio_drives.h"

namespace desktop {

std::unique_ptr<NetworkDrives> SystemDrives() {
  return std::make_unique<GioNetworkDrives>();
}

std::unique_ptr<AdapterList> SystemAdapters() {
  return std::make_unique<LinuxAdapterList>();
}

bool Notify(const std::string& summary, const std::string& body) {
  return GioNetworkDrives::Notify(summary, body);
}

}  // namespace desktop
