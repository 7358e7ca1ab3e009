#pragma once

// The operating system's TCP sockets, as the network layer uses them:
// without blocking, each wait its own. One side for POSIX systems and one
// for Windows (Winsock 2). A call that fails says why in `error`, a
// Winsock error number on both systems (the POSIX side maps its errno);
// the network layer turns it into its own error.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace os {

// Winsock's error numbers, which every socket error carries on every
// system: callers, and users reading an error report, look for these.
namespace wsa {
inline constexpr int kAccess = 10013;
inline constexpr int kInvalidArgument = 10022;
inline constexpr int kMessageSize = 10040;
inline constexpr int kAddressInUse = 10048;
inline constexpr int kAddressNotAvailable = 10049;
inline constexpr int kNetworkDown = 10050;
inline constexpr int kNetworkUnreachable = 10051;
inline constexpr int kConnectionAborted = 10053;
inline constexpr int kConnectionReset = 10054;
inline constexpr int kNoBufferSpace = 10055;
inline constexpr int kNotConnected = 10057;
inline constexpr int kTimedOut = 10060;
inline constexpr int kConnectionRefused = 10061;
inline constexpr int kHostUnreachable = 10065;
inline constexpr int kHostNotFound = 11001;
}  // namespace wsa

// The Winsock number of a POSIX errno value (on Windows, the number itself).
int WinsockNumber(int system_error);

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

// A TCP socket that never blocks and sends small writes at once; not valid
// when it cannot be made.
Socket OpenTcp(int& error);
// Starts a connection to `ip` (the first part in the top byte): true when
// it is made at once, false while it goes on or when it failed at once.
bool StartConnect(const Socket& socket, std::uint32_t ip, std::uint16_t port, int& error);
// Once a connection in progress is ready: 0, or why it failed.
int ConnectError(const Socket& socket);

// ToWriteOrRead: ready to take more, or with something to read (a reply,
// an end, a reset) from a peer that may answer before it has read all.
enum class Ready { ToRead, ToWrite, ToWriteOrRead };
// Waits at most `timeout_ms` (below 0: without bound): true when the
// socket is ready (or has an error to report), false otherwise.
bool Poll(const Socket& socket, Ready ready, int timeout_ms, int& error);

// Each moves what it can now: nothing when it would have to wait or when it
// failed. Receive gives 0 when the peer has closed the connection;
// SendFile 0 when the file ends before `count`. A write to a connection the
// peer has closed fails; it never ends the process.
std::optional<std::size_t> Send(const Socket& socket, const char* data, std::size_t size,
                                int& error);
std::optional<std::size_t> Receive(const Socket& socket, char* buffer, std::size_t capacity,
                                   int& error);
std::optional<std::size_t> SendFile(const Socket& socket, int file, std::uint64_t offset,
                                    std::size_t count, int& error);

void SetSendBuffer(const Socket& socket, int bytes);

// How many of the bytes sent the peer's system has acknowledged, also once
// the connection has ended; nothing where the system does not tell.
std::optional<std::uint64_t> BytesAcknowledged(const Socket& socket);

// The address of `host` looked up by name; nothing when it is not found.
std::optional<std::uint32_t> LookUpIPv4(const std::string& host);

}  // namespace os
