#include "sim/control.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace sim {
namespace {

sockaddr_un UnixAddress(const std::string& path) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) throw std::runtime_error("control path too long");
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  return addr;
}

bool SendAll(int fd, const std::string& data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

// Reads one line (without its line feed); false at end of stream.
bool ReadLine(int fd, std::string& line) {
  line.clear();
  char c = 0;
  for (;;) {
    const ssize_t n = ::recv(fd, &c, 1, 0);
    if (n <= 0) return !line.empty();
    if (c == '\n') return true;
    if (line.size() > 1 << 20) return false;
    line.push_back(c);
  }
}

// Answers are one line: line feeds and backslashes inside are escaped.
std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      out += text[i + 1] == 'n' ? '\n' : text[i + 1];
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

ControlServer::ControlServer(const std::string& path, Handler handler)
    : path_(path),
      handler_(std::move(handler)),
      listener_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)),
      wake_(::eventfd(0, EFD_CLOEXEC)) {
  ::unlink(path_.c_str());
  const sockaddr_un addr = UnixAddress(path_);
  if (::bind(listener_.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listener_.get(), 16) != 0)
    throw std::runtime_error("cannot listen on " + path_ + ": " + std::strerror(errno));
  thread_ = std::thread([this] { Run(); });
}

ControlServer::~ControlServer() {
  const std::uint64_t one = 1;
  [[maybe_unused]] auto n = ::write(wake_.get(), &one, sizeof one);
  thread_.join();
  ::unlink(path_.c_str());
}

void ControlServer::Run() {
  for (;;) {
    pollfd p[2] = {{listener_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
    if (::poll(p, 2, -1) < 0 && errno != EINTR) return;
    if (p[1].revents & POLLIN) return;
    if (!(p[0].revents & POLLIN)) continue;
    net::UniqueFd client(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (client.valid()) Serve(client.get());
  }
}

// Commands are short and answered at once, so clients are served in turn.
void ControlServer::Serve(int client) {
  std::string line;
  while (ReadLine(client, line)) {
    std::string answer;
    try {
      answer = handler_(line);
    } catch (const std::exception& e) {
      answer = std::string("err ") + e.what();
    }
    if (!SendAll(client, Escape(answer) + "\n")) return;
  }
}

std::string ControlCall(const std::string& path, const std::string& command) {
  net::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const sockaddr_un addr = UnixAddress(path);
  if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0)
    throw std::runtime_error("cannot reach device control " + path + ": " + std::strerror(errno));
  std::string answer;
  if (!SendAll(fd.get(), command + "\n") || !ReadLine(fd.get(), answer))
    throw std::runtime_error("device control " + path + " gave no answer");
  return Unescape(answer);
}

}  // namespace sim
