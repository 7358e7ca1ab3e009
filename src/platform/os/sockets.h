#pragma once

// The operating system's TCP sockets, as the network layer uses them:
// without blocking, each wait its own. One side for POSIX systems and one
// for Windows (Winsock 2); failures throw net::SocketError with Winsock's
// error numbers on both.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace os {

using SocketId = std::intptr_t;
inline constexpr SocketId kNoSocket = -1;

// Owns a socket and closes it once.
class Socket {
 public:
  Socket() = default;
  explicit Socket(SocketId id) : id_(id) {}
  Socket(Socket&& other) noexcept : id_(other.release()) {}
  Socket& operator=(Socket&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() { reset(); }

  SocketId get() const { return id_; }
  bool valid() const { return id_ != kNoSocket; }
  SocketId release() {
    const SocketId id = id_;
    id_ = kNoSocket;
    return id;
  }
  void reset(SocketId id = kNoSocket);

 private:
  SocketId id_ = kNoSocket;
};

// A TCP socket that never blocks and sends small writes at once.
Socket OpenTcp();
// Starts a connection to `ip` (the first part in the top byte): true when
// it is made at once, false while it goes on.
bool StartConnect(const Socket& socket, std::uint32_t ip, std::uint16_t port);
// Once a connection in progress is ready: 0, or why it failed.
int ConnectError(const Socket& socket);

enum class Ready { ToRead, ToWrite };
// Waits at most `timeout_ms` (below 0: without bound): true when the
// socket is ready (or has an error to report), false otherwise.
bool Poll(const Socket& socket, Ready ready, int timeout_ms);

// Each moves what it can now: nothing when it would have to wait. Receive
// gives 0 when the peer has closed the connection; SendFile 0 when the
// file ends before `count`. A write to a connection the peer has closed
// fails; it never ends the process.
std::optional<std::size_t> Send(const Socket& socket, const char* data, std::size_t size);
std::optional<std::size_t> Receive(const Socket& socket, char* buffer, std::size_t capacity);
std::optional<std::size_t> SendFile(const Socket& socket, int file, std::uint64_t offset,
                                    std::size_t count);

void SetSendBuffer(const Socket& socket, int bytes);

// The address of `host` looked up by name; nothing when it is not found.
std::optional<std::uint32_t> LookUpIPv4(const std::string& host);

}  // namespace os
