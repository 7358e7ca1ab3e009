#include "scripted_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace lan {
namespace {
thread_local std::vector<std::string>* t_requests = nullptr;
thread_local std::mutex* t_mutex = nullptr;
}  // namespace

std::string PeerConnection::ReadRequest() {
  std::string data;
  char c;
  while (data.find("\r\n\r\n") == std::string::npos) {
    if (::recv(fd_, &c, 1, 0) <= 0) break;
    data.push_back(c);
  }
  std::size_t length = 0;
  const auto at = data.find("Content-Length: ");
  if (at != std::string::npos) length = std::strtoul(data.c_str() + at + 16, nullptr, 10);
  std::string body;
  body.resize(length);
  std::size_t got = 0;
  while (got < length) {
    const ssize_t n = ::recv(fd_, body.data() + got, length - got, 0);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  data += body.substr(0, got);
  if (t_requests != nullptr) {
    std::lock_guard lock(*t_mutex);
    t_requests->push_back(data);
  }
  return data;
}

std::string PeerConnection::ReadToEnd(std::size_t limit) {
  std::string data;
  char buffer[65536];
  while (data.size() < limit) {
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
  }
  return data;
}

void PeerConnection::Send(const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

void PeerConnection::Reset() {
  if (fd_ < 0) return;
  const linger hard{1, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  ::close(fd_);
  fd_ = -1;
}

void PeerConnection::Close() {
  if (fd_ < 0) return;
  ::shutdown(fd_, SHUT_WR);
  ::close(fd_);
  fd_ = -1;
}

void PeerConnection::Hold() {
  while (!stopping_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void PeerConnection::Sleep(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

ScriptedPeer::ScriptedPeer(const std::string& ip, std::uint16_t port, Script script)
    : script_(std::move(script)), listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
  const int on = 1;
  ::setsockopt(listener_.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  ::inet_pton(AF_INET, ip.c_str(), &addr.sin_addr);
  if (::bind(listener_.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listener_.get(), 16) != 0)
    throw std::runtime_error("scripted peer cannot listen on " + ip);
  thread_ = std::thread([this] { Run(); });
}

ScriptedPeer::~ScriptedPeer() {
  stopping_ = true;
  thread_.join();
}

std::vector<std::string> ScriptedPeer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void ScriptedPeer::Run() {
  t_requests = &requests_;
  t_mutex = &mutex_;
  while (!stopping_) {
    pollfd p{listener_.get(), POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    const int fd = ::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ++connections_;
    PeerConnection connection(fd, stopping_);
    script_(connection);
    connection.Close();
  }
}

}  // namespace lan
