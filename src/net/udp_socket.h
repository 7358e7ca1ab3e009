#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "net/http_data_stream.h"
#include "os/sockets.h"

namespace net {

struct Datagram {
  std::string bytes;
  std::string sender_ip;  // dotted IPv4 text
  std::uint16_t sender_port = 0;
};

// A UDP socket bound to a port on all local addresses. Every failing call
// throws SocketError.
class UdpSocket {
 public:
  // Binds to `port` on all local addresses (0.0.0.0), broadcast permitted.
  // `receive_buffer` asks the kernel for that much queue space so that a
  // burst of replies is not dropped while the reader catches up.
  UdpSocket(std::uint16_t port, int receive_buffer);

  // Sends and receives through the named interface only.
  void BindToInterface(const std::string& name) const;

  void SendTo(const std::string& ip, std::uint16_t port, const std::string& bytes) const;
  // Sends from one of this host's own addresses, chosen per datagram.
  void SendFrom(const std::string& source_ip, const std::string& ip, std::uint16_t port,
                const std::string& bytes) const;

  // Waits at most `timeout_ms` (below 0: without bound) for a datagram;
  // nullopt when none came or when `wake` (if given: an os::Wake's id, or a
  // descriptor on POSIX systems) became readable first.
  std::optional<Datagram> Receive(int timeout_ms, os::SocketId wake = os::kNoSocket) const;

 private:
  os::Socket socket_;
};

// Largest datagram the receive path takes in one piece; longer ones are cut
// and so can never pass a length check.
inline constexpr std::size_t kReceiveBufferBytes = 8192;

}  // namespace net
