#pragma once

// Reading an HTTP/1.0 reply: the status line, the header lines up to the
// empty line, and the body up to the end of the connection. Shared by both
// HTTP clients; works on any byte source, so it is fuzzed from memory.

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace net {

// Raised by the HTTP clients; the message is the text callers see.
class HttpError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // The next line with its line feed; shorter (or empty) at the end of the
  // stream. A line longer than `max_length` ends there.
  virtual std::string ReadLine(std::size_t max_length) = 0;
  // Up to `capacity` bytes; 0 at the end of the stream.
  virtual std::size_t Read(char* buffer, std::size_t capacity) = 0;
};

// A reply held in memory.
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view data) : data_(data) {}
  std::string ReadLine(std::size_t max_length) override;
  std::size_t Read(char* buffer, std::size_t capacity) override;

 private:
  std::string_view data_;
};

struct ReplyLimits {
  std::size_t max_line = 8 * 1024;
  std::size_t max_header = 64 * 1024;
  std::size_t max_body = 8 * 1024 * 1024;
};

struct ReplyHead {
  bool started = false;   // the status line has been read
  bool complete = false;  // the empty line ending the header has been read
  std::string status_line;
  int status = 0;      // the second blank-separated word, 0 when not a number
  std::string header;  // every line as received, up to and including the empty line
  bool has_cookie = false;
  std::string cookie;  // from a SET-COOKIE: line, cut to 256 characters
  bool has_location = false;
  std::string location;  // from a LOCATION: line, cut to 256 characters
};

// Reads the status line and the header lines into `head`, which keeps what
// was read when an error interrupts. Throws HttpError when the header grows
// past its limit.
void ReadReplyHead(ByteSource& source, ReplyHead& head, const ReplyLimits& limits = {});

// Reads the body until the end of the stream. Throws HttpError past the
// limit.
std::string ReadBody(ByteSource& source, const ReplyLimits& limits = {});
// The same, each piece handed to `sink` as it comes instead of kept.
void ReadBodyInto(ByteSource& source, const ReplyLimits& limits,
                  const std::function<void(std::string_view)>& sink);

// The status number of a status line: its second blank-separated word, 0
// when that is not a number a status can hold.
int StatusFromLine(std::string_view status_line);

// The line without its line ending.
std::string_view WithoutLineEnd(std::string_view line);

}  // namespace net
