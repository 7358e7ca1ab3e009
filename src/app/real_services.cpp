// The real services with Qt: the toolkit's boxes and dialogs, discovery's
// socket, and (app/system_services_*.cpp) what each system does its own way.

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <thread>

#include "app/system_services.h"
#include "desktop/services.h"
#include "net/discovery.h"
#include "net/socket_error.h"
#include "os/wake.h"
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
      wake_->Raise();
      thread_.join();
    }
  }

  void Open(std::uint16_t port, Receiver receiver) override {
    socket_ = std::make_unique<net::UdpSocket>(port, kDiscoveryReceiveQueue);
    wake_ = std::make_unique<os::Wake>();
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
        datagram = socket_->Receive(kReceivePollMs, wake_->id());
      } catch (const net::SocketError&) {
        // A failing receive would fail again at once; pause instead of spinning.
        std::this_thread::sleep_for(std::chrono::milliseconds(kReceivePollMs));
      }
      if (wake_->Raised()) return;
      if (!datagram) continue;
      QMetaObject::invokeMethod(
          &context_, [receiver = receiver_, d = std::move(*datagram)] { receiver(d); },
          Qt::QueuedConnection);
    }
  }

  QObject context_;  // queued deliveries die with the transport
  std::unique_ptr<net::UdpSocket> socket_;
  std::unique_ptr<os::Wake> wake_;
  Receiver receiver_;
  std::thread thread_;
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
  s.process = std::make_shared<QtProcessControl>();
  app::AddSystemServices(s);
  return s;
}

}  // namespace desktop
