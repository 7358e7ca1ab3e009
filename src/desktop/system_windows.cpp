#include "desktop/system.h"

#include "desktop/wnet_drives.h"
#include "net/interfaces.h"

namespace desktop {
namespace {

// Every IPv4 address of the adapters that are up, loopback left out.
class WindowsAdapterList : public AdapterList {
 public:
  std::vector<Adapter> Adapters() override {
    std::vector<Adapter> adapters;
    for (const net::Interface& i : net::BroadcastInterfaces()) adapters.push_back({i.ip, i.mask});
    return adapters;
  }
};

}  // namespace

std::unique_ptr<NetworkDrives> SystemDrives() {
  return std::make_unique<WNetNetworkDrives>();
}

std::unique_ptr<AdapterList> SystemAdapters() {
  return std::make_unique<WindowsAdapterList>();
}

// Where Windows would show it, the terminal says it already.
bool Notify(const std::string&, const std::string&) {
  return false;
}

}  // namespace desktop
