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
#include "ui/thread_runner.h"
#include "ui/ui.h"

namespace desktop {
namespace {

// Boxes and the file dialog open with open(): their answer comes back by
// their signal, in the one event loop, and nothing waits inside a wait.
class QtMessageBoxes : public MessageBoxService {
 public:
  void Open(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons,
            Answered answered) override {
    QMessageBox* box = ui::MakeMessageBox(text, title, icon, buttons).release();
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Above the window the user was working in.
    ui::SetOwner(box, QApplication::activeWindow());
    QObject::connect(
        box, &QMessageBox::finished, box, [answered = std::move(answered)](int pressed) {
          answered(pressed == QMessageBox::Ok || pressed == QMessageBox::Yes ? MsgResult::Ok
                                                                             : MsgResult::Cancel);
        });
    box->open();
  }
};

class QtFileDialog : public FileDialogService {
 public:
  void Open(const std::string& filter, Picked picked) override {
    auto* dialog = new QFileDialog(nullptr, QString(), QString(), QString::fromUtf8(filter));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // Nothing is created, renamed or deleted from this dialog.
    dialog->setOption(QFileDialog::ReadOnly, true);
    dialog->setSizeGripEnabled(true);
    QObject::connect(dialog, &QFileDialog::finished, dialog,
                     [dialog, picked = std::move(picked)](int result) {
                       const QStringList files = dialog->selectedFiles();
                       if (result != QDialog::Accepted || files.isEmpty())
                         picked(std::nullopt);
                       else
                         picked(files.first().toStdString());
                     });
    dialog->open();
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
  s.work = std::make_shared<ui::ThreadRunner>();
  app::AddSystemServices(s);
  return s;
}

}  // namespace desktop
