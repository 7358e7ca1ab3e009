#include "support/fakes.h"

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "net/http_reply.h"
#include "net/socket_error.h"
#include "net/waiting.h"

namespace desktop::fakes {

void FakeMessageBoxes::Open(const std::string& text, const std::string& title, MsgIcon icon,
                            MsgButtons buttons, Answered answered) {
  shown.push_back({text, title, icon, buttons});
  if (on_show) on_show(shown.back());
  MsgResult answer = MsgResult::Ok;
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  }
  answered(answer);
}

void FakeFileDialog::Open(const std::string& filter, Picked picked) {
  filters.push_back(filter);
  std::optional<std::string> answer;
  if (!answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  }
  picked(std::move(answer));
}

void FakeNetwork::Deliver(const std::string& bytes, const std::string& sender_ip) {
  if (receiver) receiver(net::Datagram{bytes, sender_ip, 14675});
}

FakeDatagramTransport::~FakeDatagramTransport() {
  network_->receiver = nullptr;
}

void FakeDatagramTransport::Open(std::uint16_t port, Receiver receiver) {
  if (network_->fail_open) throw net::SocketError(*network_->fail_open);
  network_->opened_ports.push_back(port);
  network_->receiver = std::move(receiver);
}

void FakeDatagramTransport::SendBroadcast(std::uint16_t port, const std::string& bytes) {
  if (network_->fail_send) throw net::SocketError(*network_->fail_send);
  network_->broadcasts.push_back({port, bytes});
}

DriveType FakeDrives::GetDriveType(const std::string& root_path) {
  type_queries.push_back(root_path);
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(root_path[0])));
  const auto it = types.find(letter);
  if (it != types.end()) return it->second;
  return connected.count(letter) ? DriveType::Remote : DriveType::NoRootDir;
}

std::optional<std::string> FakeDrives::GetConnection(const std::string& drive) {
  const auto it = connected.find(drive.empty() ? '?' : drive[0]);
  if (it == connected.end()) return std::nullopt;
  return it->second;
}

int FakeDrives::AddConnection(const NetResource& resource, const std::string& password) {
  connections.push_back({resource, password});
  const auto result = results.find(resource.remote_name);
  if (result != results.end()) return result->second;
  const auto needed = passwords.find(resource.remote_name);
  if (needed != passwords.end() && needed->second != password) return drive_error::kInvalidPassword;
  if (resource.local_name) {
    const char letter = (*resource.local_name)[0];
    if (connected.count(letter)) return drive_error::kAlreadyAssigned;
    connected[letter] = resource.remote_name;
  }
  return 0;
}

net::PageReply FakeDevice::ReadPage(const std::string& address, const std::string& user,
                                    const std::string& password, const std::string& path) {
  page_requests.push_back({address, user, password, path});
  if (silent_ms > 0) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(silent_ms);
    try {
      while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        net::WaitIdle();
      }
    } catch (const net::SocketError&) {
    }
    return {};
  }
  if (!replies.empty()) {
    net::PageReply reply = replies.front();
    replies.pop_front();
    return reply;
  }
  if (page.empty()) return {};
  return {"HTTP/1.1 " + std::to_string(status) + " X\r\n\r\n", page, status};
}

std::vector<std::string> FakeDevice::CommandUrls() const {
  std::vector<std::string> urls;
  for (const auto& c : commands) urls.push_back(c.url);
  return urls;
}

void FakeCommandClient::Get(const std::string& url) {
  RequestSent = false;
  FirstStatus = 0;
  FirstLocation.clear();
  if (url.empty()) throw net::HttpError("Empty URL");
  if (!Fits(url)) throw net::HttpError("URL too long");
  if (device_->refused_gets > 0) {
    --device_->refused_gets;
    throw net::SocketError(net::wsa::kConnectionRefused);
  }
  device_->commands.push_back({url, UserId, Password, Referer});
  RequestSent = true;
  if (device_->on_command) device_->on_command(url);
  StatusCode = 0;
  if (device_->failing_gets > 0) {
    --device_->failing_gets;
    throw net::HttpError("Connection closed");
  }
  // As a device does, a command is answered with a redirect to the answer
  // page it names, which then comes as a plain page.
  std::string first = "HTTP/1.0 200 OK\r\n\r\n";
  if (const std::size_t at = url.find("redirect="); at != std::string::npos) {
    const std::size_t from = at + 9;
    first = "HTTP/1.0 302 Found\r\nLocation: " + url.substr(from, url.find('&', from) - from) +
            "\r\n\r\n";
  }
  if (!device_->headers.empty()) {
    first = device_->headers.front();
    device_->headers.pop_front();
  }
  FirstStatus = std::atoi(first.c_str() + first.find(' ') + 1);
  const std::size_t location = first.find("\r\nLocation: ");
  FirstLocation =
      location == std::string::npos
          ? std::string()
          : first.substr(location + 12, first.find("\r\n", location + 12) - location - 12);
  Header = FirstLocation.empty() ? first : "HTTP/1.0 200 OK\r\n\r\n";
  StatusCode = static_cast<std::int16_t>(std::atoi(Header.c_str() + Header.find(' ') + 1));
}

void FakeCommandClient::Connect() {
  ++device_->probes;
  IsConnected = device_->reachable;
  if (!IsConnected) throw net::SocketError(net::wsa::kConnectionRefused);
}

void FakeUploadClient::Post(const std::string& url, const net::UploadBody& body,
                            net::MemoryStream& /*reply*/) {
  ContentLength = body.Size();
  device_->uploads.push_back({url, UserName, Password, Referer, ContentType, body.Bytes()});
  if (device_->upload_failure) throw *device_->upload_failure;
}

FakePlatform::FakePlatform(Devices devices) {
  Services fakes;
  fakes.message_boxes = messages;
  fakes.file_dialog = files;
  fakes.make_datagram_transport = [network = network] {
    return std::make_unique<FakeDatagramTransport>(network);
  };
  fakes.url_opener = urls;
  fakes.adapters = adapters;
  fakes.drives = drives;
  fakes.process = process;
  fakes.work = work;
  if (devices == Devices::Real) {
    // (The probe stays the real one.)
    previous_ = Install(std::move(fakes));
    return;
  }
  fakes.read_page = [device = device](const std::string& address, const std::string& user,
                                      const std::string& password, const std::string& path) {
    return device->ReadPage(address, user, password, path);
  };
  fakes.make_command_client = [device = device] {
    return std::make_unique<FakeCommandClient>(device);
  };
  fakes.make_upload_client = [device = device] {
    return std::make_unique<FakeUploadClient>(device);
  };
  fakes.still_answers = [network = network](const std::string& address) {
    network->probed.push_back(address);
    return network->answering.count(address) > 0;
  };
  previous_ = Install(std::move(fakes));
}

FakePlatform::~FakePlatform() {
  Install(std::move(previous_));
}

}  // namespace desktop::fakes
