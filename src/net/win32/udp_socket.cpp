// UDP sockets on Windows (Winsock 2).

#include "net/udp_socket.h"

#include "os/win32/winsock.h"

#include <mswsock.h>

#include "net/ipv4.h"
#include "net/socket_error.h"

namespace os {
unsigned long AdapterIndex(const std::string& name_or_address);
}

namespace net {
namespace {

[[noreturn]] void Throw() {
  throw SocketError(WSAGetLastError());
}

SOCKET Handle(const os::Socket& socket) {
  return static_cast<SOCKET>(socket.get());
}

sockaddr_in MakeAddress(const std::string& ip, std::uint16_t port) {
  const auto number = ParseIPv4(ip);
  if (!number) throw SocketError(wsa::kAddressNotAvailable);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(*number);
  return addr;
}

// Sends go out of this adapter (0: as the routes choose).
void SendThrough(SOCKET s, unsigned long index) {
  const DWORD in_network_order = htonl(index);
  ::setsockopt(s, IPPROTO_IP, IP_UNICAST_IF, reinterpret_cast<const char*>(&in_network_order),
               sizeof in_network_order);
}

}  // namespace

UdpSocket::UdpSocket(std::uint16_t port, int receive_buffer) {
  if (const int error = os::StartWinsock(); error != 0) throw SocketError(error);
  const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) Throw();
  socket_.reset(static_cast<os::SocketId>(s));
  ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  const BOOL on = TRUE;
  if (::setsockopt(s, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on) != 0)
    Throw();
  // The port is this program's alone, as on other systems.
  ::setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof on);
  // A port-unreachable answer to a send is no reason for the next receive
  // to fail.
  BOOL report = FALSE;
  DWORD returned = 0;
  ::WSAIoctl(s, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned, nullptr, nullptr);
  if (receive_buffer > 0)
    ::setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receive_buffer),
                 sizeof receive_buffer);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) Throw();
}

// Windows binds no socket to an adapter: what is sent leaves through it,
// and replies come in wherever they arrive.
void UdpSocket::BindToInterface(const std::string& name) const {
  const unsigned long index = os::AdapterIndex(name);
  if (index == 0) throw SocketError(wsa::kAddressNotAvailable);
  SendThrough(Handle(socket_), index);
}

void UdpSocket::SendTo(const std::string& ip, std::uint16_t port, const std::string& bytes) const {
  const sockaddr_in to = MakeAddress(ip, port);
  if (::sendto(Handle(socket_), bytes.data(), static_cast<int>(bytes.size()), 0,
               reinterpret_cast<const sockaddr*>(&to), sizeof to) == SOCKET_ERROR)
    Throw();
}

void UdpSocket::SendFrom(const std::string& source_ip, const std::string& ip, std::uint16_t port,
                         const std::string& bytes) const {
  MakeAddress(source_ip, 0);
  // Out of the adapter holding the source address, then as before.
  SendThrough(Handle(socket_), os::AdapterIndex(source_ip));
  const sockaddr_in to = MakeAddress(ip, port);
  const int sent = ::sendto(Handle(socket_), bytes.data(), static_cast<int>(bytes.size()), 0,
                            reinterpret_cast<const sockaddr*>(&to), sizeof to);
  const int error = WSAGetLastError();
  SendThrough(Handle(socket_), 0);
  if (sent == SOCKET_ERROR) throw SocketError(error);
}

std::optional<Datagram> UdpSocket::Receive(int timeout_ms, os::SocketId wake) const {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(Handle(socket_), &readable);
  // The wake is a socket too (os::Wake): select waits on sockets alone.
  if (wake != os::kNoSocket) FD_SET(static_cast<SOCKET>(wake), &readable);
  timeval limit{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  const int ready = ::select(0, &readable, nullptr, nullptr, timeout_ms < 0 ? nullptr : &limit);
  if (ready == SOCKET_ERROR) {
    if (WSAGetLastError() == WSAEINTR) return std::nullopt;
    Throw();
  }
  if (ready == 0) return std::nullopt;
  if (wake != os::kNoSocket && FD_ISSET(static_cast<SOCKET>(wake), &readable)) return std::nullopt;
  char buffer[kReceiveBufferBytes];
  sockaddr_in from{};
  int from_len = sizeof from;
  const int n = ::recvfrom(Handle(socket_), buffer, sizeof buffer, 0,
                           reinterpret_cast<sockaddr*>(&from), &from_len);
  if (n == SOCKET_ERROR) {
    const int error = WSAGetLastError();
    // A longer datagram is cut, and so never passes a length check; an
    // ICMP answer to a send says nothing of the next datagram.
    if (error == WSAEMSGSIZE)
      return Datagram{std::string(buffer, sizeof buffer), FormatIPv4(ntohl(from.sin_addr.s_addr)),
                      ntohs(from.sin_port)};
    if (error == WSAEWOULDBLOCK || error == WSAEINTR || error == WSAECONNRESET ||
        error == WSAENETRESET || error == WSAEHOSTUNREACH || error == WSAENETUNREACH)
      return std::nullopt;
    throw SocketError(error);
  }
  return Datagram{std::string(buffer, static_cast<std::size_t>(n)),
                  FormatIPv4(ntohl(from.sin_addr.s_addr)), ntohs(from.sin_port)};
}

}  // namespace net
