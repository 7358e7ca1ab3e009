// TCP sockets on a POSIX system.

#include "os/sockets.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace os {
namespace {

bool WouldWait(int e) {
  return e == EAGAIN || e == EWOULDBLOCK || e == EINTR;
}

int Fd(const Socket& socket) {
  return static_cast<int>(socket.get());
}

// A write to a connection the peer has closed raises SIGPIPE, which ends
// the process; send() can be told not to, sendfile() cannot. While this
// lives the signal is held back for this thread, and one raised meanwhile
// is taken away before it goes: the failed call reports EPIPE instead.
class SigpipeHeld {
 public:
  SigpipeHeld() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    was_pending_ = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe_, &before_);
  }
  ~SigpipeHeld() {
    if (!was_pending_) {
      const timespec none{0, 0};
      while (sigtimedwait(&pipe_, nullptr, &none) > 0) {
      }
    }
    pthread_sigmask(SIG_SETMASK, &before_, nullptr);
  }
  SigpipeHeld(const SigpipeHeld&) = delete;
  SigpipeHeld& operator=(const SigpipeHeld&) = delete;

 private:
  sigset_t pipe_, before_;
  bool was_pending_ = false;
};

}  // namespace

int WinsockNumber(int e) {
  switch (e) {
    case EACCES:
    case EPERM:
      return wsa::kAccess;
    case EINVAL:
      return wsa::kInvalidArgument;
    case EMSGSIZE:
      return wsa::kMessageSize;
    case EADDRINUSE:
      return wsa::kAddressInUse;
    case EADDRNOTAVAIL:
      return wsa::kAddressNotAvailable;
    case ENETDOWN:
      return wsa::kNetworkDown;
    case ENETUNREACH:
      return wsa::kNetworkUnreachable;
    case ECONNABORTED:
    case EPIPE:
      return wsa::kConnectionAborted;
    case ECONNRESET:
      return wsa::kConnectionReset;
    case ENOBUFS:
    case ENOMEM:
      return wsa::kNoBufferSpace;
    case ENOTCONN:
      return wsa::kNotConnected;
    case ETIMEDOUT:
      return wsa::kTimedOut;
    case ECONNREFUSED:
      return wsa::kConnectionRefused;
    case EHOSTUNREACH:
    case EHOSTDOWN:
      return wsa::kHostUnreachable;
    default:
      return 10000 + e;
  }
}

void Socket::reset(SocketId id) {
  if (id_ != kNoSocket) ::close(static_cast<int>(id_));
  id_ = id;
}

Socket OpenTcp(int& error) {
  Socket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!socket.valid()) {
    error = WinsockNumber(errno);
    return socket;
  }
  const int on = 1;
  ::setsockopt(Fd(socket), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return socket;
}

bool StartConnect(const Socket& socket, std::uint32_t ip, std::uint16_t port, int& error) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(ip);
  if (::connect(Fd(socket), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return true;
  if (errno != EINPROGRESS) error = WinsockNumber(errno);
  return false;
}

int ConnectError(const Socket& socket) {
  int error = 0;
  socklen_t len = sizeof error;
  ::getsockopt(Fd(socket), SOL_SOCKET, SO_ERROR, &error, &len);
  return error == 0 ? 0 : WinsockNumber(error);
}

bool Poll(const Socket& socket, Ready ready, int timeout_ms, int& error) {
  const short events = ready == Ready::ToRead    ? POLLIN
                       : ready == Ready::ToWrite ? POLLOUT
                                                 : POLLIN | POLLOUT;
  pollfd p{Fd(socket), events, 0};
  const int n = ::poll(&p, 1, timeout_ms);
  if (n < 0 && errno != EINTR) error = WinsockNumber(errno);
  return n > 0;
}

std::optional<std::size_t> Send(const Socket& socket, const char* data, std::size_t size,
                                int& error) {
  const ssize_t n = ::send(Fd(socket), data, size, MSG_NOSIGNAL);
  if (n >= 0) return static_cast<std::size_t>(n);
  if (!WouldWait(errno)) error = WinsockNumber(errno);
  return std::nullopt;
}

std::optional<std::size_t> Receive(const Socket& socket, char* buffer, std::size_t capacity,
                                   int& error) {
  const ssize_t n = ::recv(Fd(socket), buffer, capacity, 0);
  if (n >= 0) return static_cast<std::size_t>(n);
  if (!WouldWait(errno)) error = WinsockNumber(errno);
  return std::nullopt;
}

std::optional<std::size_t> SendFile(const Socket& socket, int file, std::uint64_t offset,
                                    std::size_t count, int& error) {
  const SigpipeHeld held;
  off_t at = static_cast<off_t>(offset);
  const ssize_t n = ::sendfile(Fd(socket), file, &at, count);
  if (n >= 0) return static_cast<std::size_t>(n);
  if (!WouldWait(errno)) error = WinsockNumber(errno);
  return std::nullopt;
}

void SetSendBuffer(const Socket& socket, int bytes) {
  ::setsockopt(Fd(socket), SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
}

std::optional<std::uint64_t> BytesAcknowledged(const Socket& socket) {
  // The system's connection record goes on past the fields this C library
  // names: its count of acknowledged bytes follows two pacing rates.
  struct {
    tcp_info known;
    std::uint64_t pacing_rate, max_pacing_rate, bytes_acked;
  } info{};
  socklen_t length = sizeof info;
  if (::getsockopt(Fd(socket), IPPROTO_TCP, TCP_INFO, &info, &length) != 0 || length < sizeof info)
    return std::nullopt;
  return info.bytes_acked;
}

std::optional<std::uint32_t> LookUpIPv4(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (host.empty() || ::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
    return std::nullopt;
  const std::uint32_t ip = ntohl(reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
  ::freeaddrinfo(found);
  return ip;
}

}  // namespace os
