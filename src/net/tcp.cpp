#include "net/tcp.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/sendfile.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "net/socket_error.h"
#include "net/waiting.h"

namespace net {
namespace {

using Clock = std::chrono::steady_clock;

// While the program's windows are told about waits, waits are cut into
// slices this long.
constexpr int kIdleSliceMs = 20;

[[noreturn]] void ThrowErrno(int e) {
  throw SocketError::FromErrno(e);
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

std::string ResolveIPv4(const std::string& host) {
  in_addr addr{};
  if (::inet_pton(AF_INET, host.c_str(), &addr) == 1) return host;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (host.empty() || ::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
    throw SocketError(wsa::kHostNotFound);
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr, text,
              sizeof text);
  ::freeaddrinfo(found);
  return text;
}

TcpStream TcpStream::Connect(const std::string& host, std::uint16_t port, int timeout_ms) {
  // An action the user cancelled, or one out of time, makes no new
  // connection.
  if (ActionCancelled() || ActionTimeUp()) throw SocketError(wsa::kTimedOut);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  ::inet_pton(AF_INET, ResolveIPv4(host).c_str(), &addr.sin_addr);

  UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!fd.valid()) ThrowErrno(errno);
  const int on = 1;
  ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  TcpStream stream(std::move(fd));
  if (::connect(stream.fd_.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    if (errno != EINPROGRESS) ThrowErrno(errno);
    stream.Wait(POLLOUT, timeout_ms);
    int error = 0;
    socklen_t len = sizeof error;
    ::getsockopt(stream.fd_.get(), SOL_SOCKET, SO_ERROR, &error, &len);
    if (error != 0) ThrowErrno(error);
  }
  return stream;
}

void TcpStream::Wait(short events, int timeout_ms) {
  const bool observed = WaitObserved();
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  // The exchange's own end, and the end of the user's action, come first
  // where they are sooner.
  for (const auto end : {end_, BoundEnd()}) {
    if (end && (timeout_ms <= 0 || *end < deadline)) {
      deadline = *end;
      timeout_ms = 1;
    }
  }
  for (;;) {
    int slice = -1;
    if (timeout_ms > 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) throw SocketError(wsa::kTimedOut);
      slice = static_cast<int>(left);
    }
    if (observed && (slice < 0 || slice > kIdleSliceMs)) slice = kIdleSliceMs;
    pollfd p{fd_.get(), events, 0};
    const int ready = ::poll(&p, 1, slice);
    if (ready < 0 && errno != EINTR) ThrowErrno(errno);
    if (ready > 0) return;  // ready, or an error the next call reports
    if (observed) WaitIdle();
  }
}

void TcpStream::SetSendBuffer(int bytes) {
  ::setsockopt(fd_.get(), SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
}

void TcpStream::SendAll(std::string_view data, int timeout_ms) {
  while (!data.empty()) {
    const ssize_t n = ::send(fd_.get(), data.data(), data.size(), MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        Wait(POLLOUT, timeout_ms);
        continue;
      }
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
}

std::size_t TcpStream::SendFile(int fd, std::size_t offset, std::size_t length, int timeout_ms) {
  // The kernel moves the bytes; between pieces the windows are served, a
  // cancel is heard and the deadlines are kept, also when the peer takes
  // everything at once and no wait ever comes.
  constexpr std::size_t kPiece = 8 << 20;
  const bool observed = WaitObserved();
  auto idle_at = Clock::now() + std::chrono::milliseconds(kIdleSliceMs);
  off_t at = static_cast<off_t>(offset);
  std::size_t sent = 0;
  const SigpipeHeld held;
  while (sent < length) {
    const auto now = Clock::now();
    for (const auto end : {end_, BoundEnd()})
      if (end && now >= *end) throw SocketError(wsa::kTimedOut);
    if (observed && now >= idle_at) {
      WaitIdle();
      idle_at = now + std::chrono::milliseconds(kIdleSliceMs);
    }
    const ssize_t n = ::sendfile(fd_.get(), fd, &at, std::min(length - sent, kPiece));
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      if (observed) ReportProgress(sent, length);
    } else if (n == 0) {
      break;  // the file ended before its length
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      Wait(POLLOUT, timeout_ms);
    } else if (errno != EINTR) {
      ThrowErrno(errno);
    }
  }
  return sent;
}

std::size_t TcpStream::Receive(char* buffer, std::size_t capacity, int timeout_ms) {
  if (!pending_.empty()) {
    const std::size_t n = std::min(capacity, pending_.size());
    std::memcpy(buffer, pending_.data(), n);
    pending_.erase(0, n);
    return n;
  }
  for (;;) {
    const ssize_t n = ::recv(fd_.get(), buffer, capacity, 0);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) ThrowErrno(errno);
    Wait(POLLIN, timeout_ms);
  }
}

std::string TcpStream::ReceiveLine(int timeout_ms, std::size_t max_length) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::string line;
  for (;;) {
    const auto lf = pending_.find('\n');
    if (lf != std::string::npos || pending_.size() >= max_length) {
      const std::size_t take =
          std::min(lf == std::string::npos ? pending_.size() : lf + 1, max_length);
      line = pending_.substr(0, take);
      pending_.erase(0, take);
      return line;
    }
    int left = 0;
    if (timeout_ms > 0) {
      left = static_cast<int>(
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
      if (left <= 0) throw SocketError(wsa::kTimedOut);
    }
    char buffer[4096];
    const ssize_t n = ::recv(fd_.get(), buffer, sizeof buffer, 0);
    if (n > 0) {
      pending_.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0) {
      line.swap(pending_);  // the stream ended inside the line
      return line;
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      Wait(POLLIN, timeout_ms > 0 ? left : 0);
    } else if (errno != EINTR) {
      ThrowErrno(errno);
    }
  }
}

}  // namespace net
