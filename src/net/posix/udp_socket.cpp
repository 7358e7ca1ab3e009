// UDP sockets on a POSIX system.

#include "net/udp_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "net/socket_error.h"

namespace net {

namespace {

[[noreturn]] void ThrowErrno() {
  throw SocketError::FromErrno(errno);
}

sockaddr_in MakeAddress(const std::string& ip, std::uint16_t port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  if (::inet_pton(AF_INET, ip.c_str(), &addr.sin_addr) != 1)
    throw SocketError(wsa::kAddressNotAvailable);
  return addr;
}

int FdOf(const os::Socket& socket) {
  return static_cast<int>(socket.get());
}

}  // namespace

UdpSocket::UdpSocket(std::uint16_t port, int receive_buffer)
    : socket_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
  if (!socket_.valid()) ThrowErrno();
  const int on = 1;
  if (::setsockopt(FdOf(socket_), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) ThrowErrno();
  if (receive_buffer > 0) {
    // SO_RCVBUF is capped by the system limit; the forced variant lifts the
    // cap where we have the privilege. Either way a smaller queue only means
    // a less generous burst allowance, not an error.
    ::setsockopt(FdOf(socket_), SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
    ::setsockopt(FdOf(socket_), SOL_SOCKET, SO_RCVBUFFORCE, &receive_buffer, sizeof receive_buffer);
  }
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_ANY);
  if (::bind(FdOf(socket_), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) ThrowErrno();
}

void UdpSocket::BindToInterface(const std::string& name) const {
  if (::setsockopt(FdOf(socket_), SOL_SOCKET, SO_BINDTODEVICE, name.c_str(),
                   static_cast<socklen_t>(name.size())) != 0)
    ThrowErrno();
}

void UdpSocket::SendTo(const std::string& ip, std::uint16_t port, const std::string& bytes) const {
  const sockaddr_in to = MakeAddress(ip, port);
  if (::sendto(FdOf(socket_), bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
               sizeof to) < 0)
    ThrowErrno();
}

void UdpSocket::SendFrom(const std::string& source_ip, const std::string& ip, std::uint16_t port,
                         const std::string& bytes) const {
  sockaddr_in to = MakeAddress(ip, port);
  const sockaddr_in from = MakeAddress(source_ip, 0);
  iovec iov{const_cast<char*>(bytes.data()), bytes.size()};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
  msghdr msg{};
  msg.msg_name = &to;
  msg.msg_namelen = sizeof to;
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  msg.msg_control = control;
  msg.msg_controllen = sizeof control;
  cmsghdr* cmsg = CMSG_FIRSTHDR(&msg);
  cmsg->cmsg_level = IPPROTO_IP;
  cmsg->cmsg_type = IP_PKTINFO;
  cmsg->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
  in_pktinfo info{};
  info.ipi_spec_dst = from.sin_addr;
  std::memcpy(CMSG_DATA(cmsg), &info, sizeof info);
  if (::sendmsg(FdOf(socket_), &msg, 0) < 0) ThrowErrno();
}

std::optional<Datagram> UdpSocket::Receive(int timeout_ms, os::SocketId wake) const {
  pollfd p[2] = {{FdOf(socket_), POLLIN, 0}, {static_cast<int>(wake), POLLIN, 0}};
  const int ready = ::poll(p, wake >= 0 ? 2 : 1, timeout_ms);
  if (ready < 0 && errno != EINTR) ThrowErrno();
  if (ready <= 0 || (p[1].revents & POLLIN) != 0) return std::nullopt;

  char buffer[kReceiveBufferBytes];
  sockaddr_in from{};
  socklen_t from_len = sizeof from;
  const ssize_t n = ::recvfrom(FdOf(socket_), buffer, sizeof buffer, MSG_DONTWAIT,
                               reinterpret_cast<sockaddr*>(&from), &from_len);
  if (n < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return std::nullopt;
    // An ICMP error queued against the socket (port unreachable after a
    // send) is reported here; it says nothing about the next datagram.
    if (errno == ECONNREFUSED || errno == EHOSTUNREACH || errno == ENETUNREACH) return std::nullopt;
    ThrowErrno();
  }
  char ip[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &from.sin_addr, ip, sizeof ip);
  return Datagram{std::string(buffer, static_cast<std::size_t>(n)), ip, ntohs(from.sin_port)};
}

}  // namespace net
