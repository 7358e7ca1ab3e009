// The services of the real set that are the Linux desktop's own: the
// adapters, the network drives (GVfs) from their module, and the desktop's
// URL handler.

#include <dlfcn.h>
#include <unistd.h>

#include <mutex>

#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include "app/system_services.h"
#include "desktop/adapters_linux.h"

namespace desktop {
namespace {

class DesktopUrlOpener : public UrlOpener {
 public:
  bool Open(const std::string& url) override {
    return QDesktopServices::openUrl(QUrl(QString::fromUtf8(url)));
  }
};

// The desktop's network drives (GVfs), from the module that carries GIO,
// loaded the first time a drive is asked about. Without the module there
// are no drives, and a connection says a network component has not started.
//
// The windows ask from worker threads, one drive at a time: GIO's mounts
// and the drives' notes are not for two threads at once. What a letter's
// folder is needs no lock, so the window thread never waits on a mount.
class ModuleDrives : public NetworkDrives {
 public:
  DriveType GetDriveType(const std::string& root_path) override {
    const std::lock_guard lock(mutex_);
    return Get() != nullptr ? Get()->GetDriveType(root_path) : DriveType::NoRootDir;
  }
  std::optional<std::string> GetConnection(const std::string& drive) override {
    const std::lock_guard lock(mutex_);
    return Get() != nullptr ? Get()->GetConnection(drive) : std::nullopt;
  }
  int AddConnection(const NetResource& resource, const std::string& password) override {
    const std::lock_guard lock(mutex_);
    return Get() != nullptr ? Get()->AddConnection(resource, password) : kNoModule;
  }
  int ProbeShare(const std::string& remote_name, const std::string& password) override {
    const std::lock_guard lock(mutex_);
    return Get() != nullptr ? Get()->ProbeShare(remote_name, password) : kNoModule;
  }
  void UseShare(const std::string& remote_name, const std::string& password) override {
    const std::lock_guard lock(mutex_);
    if (Get() != nullptr) Get()->UseShare(remote_name, password);
  }
  int MapDrivePersistently(const std::string& drive, const std::string& remote_name,
                           const std::string& password) override {
    const std::lock_guard lock(mutex_);
    return Get() != nullptr ? Get()->MapDrivePersistently(drive, remote_name, password) : kNoModule;
  }
  std::string DrivePlace(const std::string& drive) override {
    return Get() != nullptr ? Get()->DrivePlace(drive) : std::string();
  }
  void NoteDevice(const std::string& drive, const std::string& device_name,
                  const std::string& group_name) override {
    const std::lock_guard lock(mutex_);
    if (Get() != nullptr) Get()->NoteDevice(drive, device_name, group_name);
  }
  std::vector<DriveRecord> ListDrives() override {
    const std::lock_guard lock(mutex_);
    return Get() != nullptr ? Get()->ListDrives() : std::vector<DriveRecord>();
  }
  int MoveDrive(const std::string& drive, const device::Trusted& to) override {
    const std::lock_guard lock(mutex_);
    return Get() != nullptr ? Get()->MoveDrive(drive, to) : kNoModule;
  }
  int Reconnect(const std::string& drive) override {
    const std::lock_guard lock(mutex_);
    return Get() != nullptr ? Get()->Reconnect(drive) : kNoModule;
  }

 private:
  static constexpr int kNoModule = drive_error::kServiceNotStarted;
  static constexpr char kModule[] = "brevane-gio-drives.so";

  NetworkDrives* Get() {
    std::call_once(loaded_, [this] { drives_.reset(Load()); });
    return drives_.get();
  }

  // Beside the program first (a build tree), then where the package puts
  // it, both found from the program's own folder. The module stays loaded
  // for the life of the process.
  static NetworkDrives* Load() {
    std::vector<std::string> places;
    char self[4096];
    if (const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1); n > 0) {
      std::string exe(self, static_cast<std::size_t>(n));
      const std::string dir = exe.substr(0, exe.rfind('/') + 1);
      places.push_back(dir + kModule);
      places.push_back(dir + BREVANE_MODULE_DIR + "/" + kModule);
    }
    for (const std::string& place : places) {
      void* module = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (module == nullptr) continue;
      using Make = NetworkDrives* (*)();
      if (auto make = reinterpret_cast<Make>(::dlsym(module, "BrevaneMakeGioDrives")))
        return make();
    }
    return nullptr;
  }

  std::once_flag loaded_;
  std::mutex mutex_;
  std::unique_ptr<NetworkDrives> drives_;
};

}  // namespace
}  // namespace desktop

namespace app {

void AddSystemServices(desktop::Services& services) {
  services.url_opener = std::make_shared<desktop::DesktopUrlOpener>();
  services.adapters = std::make_shared<desktop::LinuxAdapterList>();
  services.drives = std::make_shared<desktop::ModuleDrives>();
}

}  // namespace app
