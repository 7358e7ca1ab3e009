#include "os/wake.h"

#include "os/win32/winsock.h"

#include <system_error>

namespace os {
namespace {

[[noreturn]] void Fail(const char* what) {
  throw std::system_error(WSAGetLastError(), std::system_category(), what);
}

}  // namespace

// Connected to its own address, the socket takes datagrams from itself
// alone: no other program can raise it by sending to its port.
Wake::Wake() {
  if (const int error = StartWinsock(); error != 0)
    throw std::system_error(error, std::system_category(), "WSAStartup");
  const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) Fail("socket");
  id_ = static_cast<SocketId>(s);
  ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  sockaddr_in self{};
  self.sin_family = AF_INET;
  self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof self;
  if (::bind(s, reinterpret_cast<sockaddr*>(&self), sizeof self) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&self), &length) != 0 ||
      ::connect(s, reinterpret_cast<sockaddr*>(&self), sizeof self) != 0) {
    const int error = WSAGetLastError();
    ::closesocket(s);
    throw std::system_error(error, std::system_category(), "the wake socket");
  }
}

Wake::~Wake() {
  ::closesocket(static_cast<SOCKET>(id_));
}

void Wake::Raise() {
  const char one = 1;
  ::send(static_cast<SOCKET>(id_), &one, 1, 0);
}

bool Wake::Raised() const {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(static_cast<SOCKET>(id_), &readable);
  timeval now{0, 0};
  return ::select(0, &readable, nullptr, nullptr, &now) > 0;
}

}  // namespace os
