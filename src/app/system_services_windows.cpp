// The services of the real set that are Windows' own: the adapters and
// WNet's drives, linked in, and the shell's open.

#include "app/system_services.h"
#include "desktop/shell_open.h"
#include "desktop/system.h"

namespace app {
namespace {

class ShellUrlOpener : public desktop::UrlOpener {
 public:
  bool Open(const std::string& url) override { return desktop::OpenWithShell(url); }
};

}  // namespace

void AddSystemServices(desktop::Services& services) {
  services.adapters = desktop::SystemAdapters();
  services.drives = desktop::SystemDrives();
  services.url_opener = std::make_shared<ShellUrlOpener>();
}

}  // namespace app
