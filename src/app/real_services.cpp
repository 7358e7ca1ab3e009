// The real services on a Linux desktop with Qt.

#include <dlfcn.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <atomic>
#include <thread>

#include "desktop/adapters_linux.h"
#include "desktop/services.h"
#include "net/discovery.h"
#include "net/socket_error.h"
#include "ui/message_box.h"
#include "ui/ui.h"

namespace desktop {
namespace {

class QtMessageBoxes : public MessageBoxService {
 public:
  MsgResult Present(const std::string& text, const std::string& title, MsgIcon icon,
                    MsgButtons buttons) override {
    const auto box = ui::MakeMessageBox(text, title, icon, buttons);
    // Above the window the user was working in.
    ui::SetOwner(box.get(), QApplication::activeWindow());
    const int pressed = box->exec();
    return pressed == QMessageBox::Ok || pressed == QMessageBox::Yes ? MsgResult::Ok
                                                                     : MsgResult::Cancel;
  }
};

class QtFileDialog : public FileDialogService {
 public:
  std::optional<std::string> OpenFile(const std::string& filter) override {
    QFileDialog dialog(nullptr, QString(), QString(), QString::fromUtf8(filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Nothing is created, renamed or deleted from this dialog.
    dialog.setOption(QFileDialog::ReadOnly, true);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
  }
};

// Enough queue space for a thousand replies arriving within milliseconds:
// the kernel accounts roughly a kilobyte per small datagram.
constexpr int kDiscoveryReceiveQueue = 4 * 1024 * 1024;
constexpr int kReceivePollMs = 1000;

// A receive thread waits for datagrams and posts each, with its sender, to
// the GUI thread. Nothing else is shared between the two threads.
class UdpTransport : public DatagramTransport {
 public:
  ~UdpTransport() override {
    if (thread_.joinable()) {
      const std::uint64_t one = 1;
      [[maybe_unused]] auto n = ::write(wake_.get(), &one, sizeof one);
      thread_.join();
    }
  }

  void Open(std::uint16_t port, Receiver receiver) override {
    socket_ = std::make_unique<net::UdpSocket>(port, kDiscoveryReceiveQueue);
    wake_.reset(::eventfd(0, EFD_CLOEXEC));
    receiver_ = std::move(receiver);
    thread_ = std::thread([this] { ReceiveLoop(); });
  }

  void SendBroadcast(std::uint16_t port, const std::string& bytes) override {
    if (!socket_) throw net::SocketError(net::wsa::kNotConnected);
    socket_->SendTo(net::kDiscoveryBroadcastIp, port, bytes);
  }

 private:
  void ReceiveLoop() {
    for (;;) {
      std::optional<net::Datagram> datagram;
      try {
        datagram = socket_->Receive(kReceivePollMs, wake_.get());
      } catch (const net::SocketError&) {
        // A failing receive would fail again at once; pause instead of spinning.
        std::this_thread::sleep_for(std::chrono::milliseconds(kReceivePollMs));
      }
      if (Stopping()) return;
      if (!datagram) continue;
      QMetaObject::invokeMethod(
          &context_, [receiver = receiver_, d = std::move(*datagram)] { receiver(d); },
          Qt::QueuedConnection);
    }
  }

  bool Stopping() const {
    pollfd p{wake_.get(), POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
  }

  QObject context_;  // queued deliveries die with the transport
  std::unique_ptr<net::UdpSocket> socket_;
  net::UniqueFd wake_;
  Receiver receiver_;
  std::thread thread_;
};

class DesktopUrlOpener : public UrlOpener {
 public:
  bool Open(const std::string& url) override {
    return QDesktopServices::openUrl(QUrl(QString::fromUtf8(url)));
  }
};

// The desktop's network drives (GVfs), from the module that carries GIO,
// loaded the first time a drive is asked about. Without the module there
// are no drives, and a connection says a network component has not started.
class ModuleDrives : public NetworkDrives {
 public:
  DriveType GetDriveType(const std::string& root_path) override {
    return Get() != nullptr ? Get()->GetDriveType(root_path) : DriveType::NoRootDir;
  }
  std::optional<std::string> GetConnection(const std::string& drive) override {
    return Get() != nullptr ? Get()->GetConnection(drive) : std::nullopt;
  }
  int AddConnection(const NetResource& resource, const std::string& password) override {
    return Get() != nullptr ? Get()->AddConnection(resource, password) : kNoModule;
  }
  int ProbeShare(const std::string& remote_name, const std::string& password) override {
    return Get() != nullptr ? Get()->ProbeShare(remote_name, password) : kNoModule;
  }
  void UseShare(const std::string& remote_name, const std::string& password) override {
    if (Get() != nullptr) Get()->UseShare(remote_name, password);
  }
  int MapDrivePersistently(const std::string& drive, const std::string& remote_name,
                           const std::string& password) override {
    return Get() != nullptr ? Get()->MapDrivePersistently(drive, remote_name, password) : kNoModule;
  }
  std::string DrivePlace(const std::string& drive) override {
    return Get() != nullptr ? Get()->DrivePlace(drive) : std::string();
  }
  void NoteDevice(const std::string& drive, const std::string& device_name,
                  const std::string& group_name) override {
    if (Get() != nullptr) Get()->NoteDevice(drive, device_name, group_name);
  }
  std::vector<DriveRecord> ListDrives() override {
    return Get() != nullptr ? Get()->ListDrives() : std::vector<DriveRecord>();
  }
  int MoveDrive(const std::string& drive, const std::string& address) override {
    return Get() != nullptr ? Get()->MoveDrive(drive, address) : kNoModule;
  }
  int Reconnect(const std::string& drive) override {
    return Get() != nullptr ? Get()->Reconnect(drive) : kNoModule;
  }

 private:
  static constexpr int kNoModule = drive_error::kServiceNotStarted;
  static constexpr char kModule[] = "brevane-gio-drives.so";

  NetworkDrives* Get() {
    if (!tried_) {
      tried_ = true;
      drives_.reset(Load());
    }
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

  bool tried_ = false;
  std::unique_ptr<NetworkDrives> drives_;
};

class QtProcessControl : public ProcessControl {
 public:
  void Exit(int status) override { QCoreApplication::exit(status); }
};

}  // namespace

Services RealServices() {
  Services s;
  s.message_boxes = std::make_shared<QtMessageBoxes>();
  s.file_dialog = std::make_shared<QtFileDialog>();
  s.make_datagram_transport = [] { return std::make_unique<UdpTransport>(); };
  s.url_opener = std::make_shared<DesktopUrlOpener>();
  s.adapters = std::make_shared<LinuxAdapterList>();
  s.drives = std::make_shared<ModuleDrives>();
  s.process = std::make_shared<QtProcessControl>();
  return s;
}

}  // namespace desktop
