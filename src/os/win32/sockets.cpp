// TCP sockets on Windows (Winsock 2).

#include "os/sockets.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <mutex>
#include <vector>

#include "os/files.h"
#include "os/win32/winsock.h"

namespace os {
namespace {

SOCKET Handle(const Socket& socket) {
  return static_cast<SOCKET>(socket.get());
}

bool WouldWait(int error) {
  return error == WSAEWOULDBLOCK || error == WSAEINTR || error == WSAEINPROGRESS;
}

// What the bounded read-and-send loop reads from a file at a time.
constexpr std::size_t kFilePiece = 256 << 10;

}  // namespace

int WinsockNumber(int system_error) {
  return system_error;
}

// 0, or why Winsock could not start.
int StartWinsock() {
  static int failed = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) != 0 ? WSAGetLastError() : 0;
  }();
  return failed;
}

void Socket::reset(SocketId id) {
  if (id_ != kNoSocket) ::closesocket(static_cast<SOCKET>(id_));
  id_ = id;
}

Socket OpenTcp(int& error) {
  if ((error = StartWinsock()) != 0) return Socket();
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    error = WSAGetLastError();
    return Socket();
  }
  Socket socket(static_cast<SocketId>(s));
  // Not handed to programs started later, never blocking, small writes
  // sent at once.
  ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  u_long on = 1;
  if (::ioctlsocket(s, FIONBIO, &on) != 0) {
    error = WSAGetLastError();
    return Socket();
  }
  const BOOL nodelay = TRUE;
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&nodelay),
               sizeof nodelay);
  return socket;
}

bool StartConnect(const Socket& socket, std::uint32_t ip, std::uint16_t port, int& error) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(ip);
  if (::connect(Handle(socket), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return true;
  if (const int e = WSAGetLastError(); !WouldWait(e)) error = e;
  return false;
}

int ConnectError(const Socket& socket) {
  int error = 0;
  int len = sizeof error;
  ::getsockopt(Handle(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len);
  return error;
}

bool Poll(const Socket& socket, Ready ready, int timeout_ms, int& error) {
  // A failed connection shows among select()'s exceptions on Windows, and
  // in WSAPoll()'s flags where that is what reports it (Wine, and Windows
  // since 2020): both are asked, in slices.
  constexpr int kSliceMs = 100;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int slice = kSliceMs;
    if (timeout_ms >= 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            end - std::chrono::steady_clock::now())
                            .count();
      slice = static_cast<int>(std::clamp<long long>(left, 0, kSliceMs));
    }
    fd_set readable, writable, failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(Handle(socket), &readable);
    FD_SET(Handle(socket), &writable);
    FD_SET(Handle(socket), &failed);
    timeval limit{0, slice * 1000};
    const int n = ::select(0, ready != Ready::ToWrite ? &readable : nullptr,
                           ready != Ready::ToRead ? &writable : nullptr, &failed, &limit);
    if (n == SOCKET_ERROR && WSAGetLastError() != WSAEINTR) {
      error = WSAGetLastError();
      return false;
    }
    if (n > 0) return true;
    const SHORT events = ready == Ready::ToRead    ? POLLRDNORM
                         : ready == Ready::ToWrite ? POLLWRNORM
                                                   : POLLRDNORM | POLLWRNORM;
    WSAPOLLFD flags{Handle(socket), events, 0};
    if (::WSAPoll(&flags, 1, 0) > 0 && flags.revents != 0) return true;
    if (timeout_ms >= 0 && std::chrono::steady_clock::now() >= end) return false;
  }
}

std::optional<std::size_t> Send(const Socket& socket, const char* data, std::size_t size,
                                int& error) {
  const int n =
      ::send(Handle(socket), data, static_cast<int>(std::min<std::size_t>(size, INT_MAX)), 0);
  if (n != SOCKET_ERROR) return static_cast<std::size_t>(n);
  if (const int e = WSAGetLastError(); !WouldWait(e)) error = e;
  return std::nullopt;
}

std::optional<std::size_t> Receive(const Socket& socket, char* buffer, std::size_t capacity,
                                   int& error) {
  const int n =
      ::recv(Handle(socket), buffer, static_cast<int>(std::min<std::size_t>(capacity, INT_MAX)), 0);
  if (n != SOCKET_ERROR) return static_cast<std::size_t>(n);
  if (const int e = WSAGetLastError(); !WouldWait(e)) error = e;
  return std::nullopt;
}

// A bounded read and send: a piece of the file is read where it lies and
// sent as far as the connection takes it now; what was not taken is read
// again on the next call.
std::optional<std::size_t> SendFile(const Socket& socket, int file, std::uint64_t offset,
                                    std::size_t count, int& error) {
  thread_local std::vector<char> piece(kFilePiece);
  const std::size_t got = ReadAt(file, piece.data(), std::min(count, kFilePiece), offset);
  if (got == 0) return 0;
  return Send(socket, piece.data(), got, error);
}

void SetSendBuffer(const Socket& socket, int bytes) {
  ::setsockopt(Handle(socket), SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&bytes),
               sizeof bytes);
}

std::optional<std::uint64_t> BytesAcknowledged(const Socket&) {
  // Not asked of Windows: the upload then takes a request handed over whole
  // as taken.
  return std::nullopt;
}

std::optional<std::uint32_t> LookUpIPv4(const std::string& host) {
  if (StartWinsock() != 0) return std::nullopt;
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
