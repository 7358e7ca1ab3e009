#include "net/tcp.h"

#include <chrono>
#include <cstring>

#include "net/ipv4.h"
#include "net/socket_error.h"
#include "net/waiting.h"
#include "os/sockets.h"

namespace net {
namespace {

using Clock = std::chrono::steady_clock;

// While the program's windows are told about waits, waits are cut into
// slices this long.
constexpr int kIdleSliceMs = 20;

// What the system said of a call that failed.
void ThrowIf(int error) {
  if (error != 0) throw SocketError(error);
}

}  // namespace

std::string ResolveIPv4(const std::string& host) {
  if (IsIPv4(host)) return host;
  const auto found = os::LookUpIPv4(host);
  if (!found) throw SocketError(wsa::kHostNotFound);
  return FormatIPv4(*found);
}

TcpStream TcpStream::Connect(const std::string& host, std::uint16_t port, int timeout_ms) {
  // An action the user cancelled, or one out of time, makes no new
  // connection.
  if (ActionCancelled() || ActionTimeUp()) throw SocketError(wsa::kTimedOut);
  const std::uint32_t ip = *ParseIPv4(ResolveIPv4(host));
  int error = 0;
  TcpStream stream(os::OpenTcp(error));
  ThrowIf(error);
  const bool made = os::StartConnect(stream.socket_, ip, port, error);
  ThrowIf(error);
  if (!made) {
    stream.Wait(kToWrite, timeout_ms);
    ThrowIf(os::ConnectError(stream.socket_));
  }
  return stream;
}

void TcpStream::Wait(bool to_write, int timeout_ms) {
  const bool observed = Cancellable();
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
    int error = 0;
    const os::Ready wanted = !to_write       ? os::Ready::ToRead
                             : watch_answer_ ? os::Ready::ToWriteOrRead
                                             : os::Ready::ToWrite;
    const bool ready = os::Poll(socket_, wanted, slice, error);
    ThrowIf(error);
    if (ready) {
      // Ready, or an error the next call reports; or the peer spoke first.
      if (wanted == os::Ready::ToWriteOrRead && os::Poll(socket_, os::Ready::ToRead, 0, error))
        answered_ = true;
      return;
    }
    if (observed) WaitIdle();
  }
}

void TcpStream::SetSendBuffer(int bytes) {
  os::SetSendBuffer(socket_, bytes);
}

void TcpStream::SendAll(std::string_view data, int timeout_ms) {
  while (!data.empty() && !answered_) {
    int error = 0;
    const auto n = os::Send(socket_, data.data(), data.size(), error);
    ThrowIf(error);
    if (n)
      data.remove_prefix(*n);
    else
      Wait(kToWrite, timeout_ms);
  }
}

std::size_t TcpStream::SendFile(int fd, std::size_t offset, std::size_t length, int timeout_ms) {
  // The kernel moves the bytes; between pieces a cancel is heard and the
  // deadlines are kept, also when the peer takes everything at once and no
  // wait ever comes.
  constexpr std::size_t kPiece = 8 << 20;
  const bool observed = Cancellable();
  auto idle_at = Clock::now() + std::chrono::milliseconds(kIdleSliceMs);
  std::size_t sent = 0;
  while (sent < length && !answered_) {
    const auto now = Clock::now();
    for (const auto end : {end_, BoundEnd()})
      if (end && now >= *end) throw SocketError(wsa::kTimedOut);
    if (observed && now >= idle_at) {
      WaitIdle();
      idle_at = now + std::chrono::milliseconds(kIdleSliceMs);
    }
    int error = 0;
    const auto n = os::SendFile(socket_, fd, offset + sent, std::min(length - sent, kPiece), error);
    ThrowIf(error);
    if (!n) {
      Wait(kToWrite, timeout_ms);
    } else if (*n == 0) {
      break;  // the file ended before its length
    } else {
      sent += *n;
      if (observed) ReportProgress(sent, length);
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
    int error = 0;
    const auto n = os::Receive(socket_, buffer, capacity, error);
    ThrowIf(error);
    if (n) return *n;
    Wait(kToRead, timeout_ms);
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
    int error = 0;
    const auto n = os::Receive(socket_, buffer, sizeof buffer, error);
    ThrowIf(error);
    if (!n) {
      Wait(kToRead, timeout_ms > 0 ? left : 0);
    } else if (*n > 0) {
      pending_.append(buffer, *n);
    } else {
      line.swap(pending_);  // the stream ended inside the line
      return line;
    }
  }
}

}  // namespace net
