#include "platform/system.h"

#include "platform/adapters_linux.h"
#include "platform/gio_drives.h"

namespace platform {

std::unique_ptr<NetworkDrives> SystemDrives() {
  return std::make_unique<GioNetworkDrives>();
}

std::unique_ptr<AdapterList> SystemAdapters() {
  return std::make_unique<LinuxAdapterList>();
}

bool Notify(const std::string& summary, const std::string& body) {
  return GioNetworkDrives::Notify(summary, body);
}

}  // namespace platform
