#include "platform/fakes.h"

#include "net/socket_error.h"

namespace platform::fakes {

MsgResult FakeMessageBoxes::Show(const std::string& text, const std::string& title, MsgIcon icon,
                                 MsgButtons buttons) {
  shown.push_back({text, title, icon, buttons});
  if (on_show) on_show(shown.back());
  if (answers.empty()) return MsgResult::Ok;
  const MsgResult answer = answers.front();
  answers.pop_front();
  return answer;
}

void FakeNetwork::Deliver(const std::string& bytes, const std::string& sender_ip) {
  if (receiver) receiver(net::Datagram{bytes, sender_ip, 14675});
}

FakeDatagramTransport::~FakeDatagramTransport() { network_->receiver = nullptr; }

void FakeDatagramTransport::Open(std::uint16_t port, Receiver receiver) {
  if (network_->fail_open) throw net::SocketError(*network_->fail_open);
  network_->opened_ports.push_back(port);
  network_->receiver = std::move(receiver);
}

void FakeDatagramTransport::SendBroadcast(std::uint16_t port, const std::string& bytes) {
  if (network_->fail_send) throw net::SocketError(*network_->fail_send);
  network_->broadcasts.push_back({port, bytes});
}

FakePlatform::FakePlatform() {
  Services fakes;
  fakes.message_boxes = messages;
  fakes.make_datagram_transport = [network = network] {
    return std::make_unique<FakeDatagramTransport>(network);
  };
  fakes.url_opener = urls;
  fakes.adapters = adapters;
  fakes.process = process;
  previous_ = Install(std::move(fakes));
}

FakePlatform::~FakePlatform() { Install(std::move(previous_)); }

}  // namespace platform::fakes
