#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "net/http_reply.h"
#include "os/sockets.h"

namespace net {

// The IPv4 address of `host`: a dotted text is taken as it is, anything
// else is looked up by name. Throws SocketError (11001) when not found.
std::string ResolveIPv4(const std::string& host);

// A TCP connection. Every failure throws SocketError; a wait that runs past
// its bound throws SocketError with the time-out number (10060).
class TcpStream {
 public:
  // Connects to `host`:`port`, waiting at most `timeout_ms` (0: no bound of
  // ours, the system's own connect time-out applies).
  // Every wait tells the program's wait observer (net/waiting.h) and ends
  // at once when the user cancels.
  static TcpStream Connect(const std::string& host, std::uint16_t port, int timeout_ms);

  // Asks for a larger send queue, for bulk transfers.
  void SetSendBuffer(int bytes);
  // How many of the bytes sent the peer's system has taken (acknowledged),
  // also once the connection has ended; nothing where the system does not
  // tell.
  std::optional<std::uint64_t> BytesTaken() const { return os::BytesAcknowledged(socket_); }

  // Ends every later wait at `end` at the latest, whatever each wait's own
  // bound: past it a wait throws SocketError with the time-out number. An
  // exchange's overall deadline, so no peer can hold it forever.
  void SetDeadline(std::chrono::steady_clock::time_point end) { end_ = end; }

  // From now on, a wait for the peer to take more bytes ends as soon as the
  // peer has something to say (a reply, an end, a reset): the sending stops
  // there, and Answered() tells so. For a request the peer may answer
  // before it has read all of it, as a device refusing an upload does.
  void StopSendingWhenAnswered() { watch_answer_ = true; }
  bool Answered() const { return answered_; }

  // Sends every byte (but those after an answer, above); each wait for the
  // peer to take more is bounded by `timeout_ms` (0: without bound).
  void SendAll(std::string_view data, int timeout_ms = 0);

  // Sends `length` bytes of the open file `fd` from `offset`, straight from
  // the file to the connection; each wait for the peer bounded as SendAll's.
  // Returns how many went out: fewer only when the file ended early or the
  // peer answered.
  std::size_t SendFile(int fd, std::size_t offset, std::size_t length, int timeout_ms = 0);

  // Waits at most `timeout_ms` (0: without bound) for data and reads up to
  // `capacity` bytes; returns 0 when the peer has closed the connection.
  std::size_t Receive(char* buffer, std::size_t capacity, int timeout_ms);

  // Reads up to and including the next line feed (or to the end of the
  // stream), waiting at most `timeout_ms` for the whole line. A line longer
  // than `max_length` ends there.
  std::string ReceiveLine(int timeout_ms, std::size_t max_length);

  // A stream that is not connected.
  static TcpStream Closed() { return TcpStream(os::Socket()); }

  void Close() {
    socket_.reset();
    pending_.clear();
  }

 private:
  explicit TcpStream(os::Socket socket) : socket_(std::move(socket)) {}
  static constexpr bool kToRead = false, kToWrite = true;
  // Waits until the socket is ready to read or to write, or the bound
  // passes.
  void Wait(bool to_write, int timeout_ms);

  os::Socket socket_;
  std::string pending_;  // bytes read past the last line
  std::optional<std::chrono::steady_clock::time_point> end_;
  bool watch_answer_ = false, answered_ = false;
};

// A connection read as a ByteSource: each line, and each pause between two
// pieces, bounded by `timeout_ms` (0: no bound).
class StreamSource : public ByteSource {
 public:
  StreamSource(TcpStream& stream, int timeout_ms) : stream_(stream), timeout_ms_(timeout_ms) {}
  std::string ReadLine(std::size_t max_length) override {
    return stream_.ReceiveLine(timeout_ms_, max_length);
  }
  std::size_t Read(char* buffer, std::size_t capacity) override {
    return stream_.Receive(buffer, capacity, timeout_ms_);
  }

 private:
  TcpStream& stream_;
  int timeout_ms_;
};

}  // namespace net
