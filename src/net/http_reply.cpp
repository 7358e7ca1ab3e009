#include "net/http_reply.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

namespace net {
namespace {

constexpr std::size_t kValueLimit = 256;

std::string_view FirstWord(std::string_view line) {
  const auto start = line.find_first_not_of(' ');
  if (start == std::string_view::npos) return {};
  line.remove_prefix(start);
  return line.substr(0, line.find_first_of(" \t\r\n"));
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

// The line from `offset` on, without its line ending, cut to 256 characters.
std::string ValueFrom(std::string_view line, std::size_t offset) {
  line = WithoutLineEnd(line);
  if (offset >= line.size()) return {};
  return std::string(line.substr(offset, kValueLimit));
}

}  // namespace

std::string MemorySource::ReadLine(std::size_t max_length) {
  const auto lf = data_.find('\n');
  const std::size_t take =
      std::min(lf == std::string_view::npos ? data_.size() : lf + 1, max_length);
  std::string line(data_.substr(0, take));
  data_.remove_prefix(take);
  return line;
}

std::size_t MemorySource::Read(char* buffer, std::size_t capacity) {
  const std::size_t n = std::min(capacity, data_.size());
  std::memcpy(buffer, data_.data(), n);
  data_.remove_prefix(n);
  return n;
}

std::string_view WithoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

int StatusFromLine(std::string_view status_line) {
  std::string_view rest = WithoutLineEnd(status_line);
  auto skip = [&rest](bool blanks) {
    while (!rest.empty() && (rest.front() == ' ') == blanks) rest.remove_prefix(1);
  };
  skip(true);
  skip(false);  // the protocol version
  skip(true);
  std::string_view word = rest.substr(0, rest.find(' '));
  if (!word.empty() && word.front() == '+') word.remove_prefix(1);
  int value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (word.empty() || error != std::errc() || end != word.data() + word.size()) return 0;
  return value >= -32768 && value <= 32767 ? value : 0;
}

void ReadReplyHead(ByteSource& source, ReplyHead& head, const ReplyLimits& limits) {
  head.status_line = source.ReadLine(limits.max_line);
  if (head.status_line.empty()) return;  // closed before anything came
  head.started = true;
  head.status = StatusFromLine(head.status_line);
  head.header = head.status_line;
  for (;;) {
    const std::string line = source.ReadLine(limits.max_line);
    if (line.empty()) return;  // the stream ended inside the header
    head.header += line;
    if (head.header.size() > limits.max_header) throw HttpError("Reply header too large");
    if (line == "\n" || line == "\r\n") {
      head.complete = true;
      return;
    }
    const auto word = FirstWord(line);
    if (EqualsIgnoringCase(word, "SET-COOKIE:")) {
      head.has_cookie = true;
      head.cookie = ValueFrom(line, 12);
    } else if (EqualsIgnoringCase(word, "LOCATION:")) {
      head.has_location = true;
      head.location = ValueFrom(line, 10);
    }
  }
}

void ReadBodyInto(ByteSource& source, const ReplyLimits& limits,
                  const std::function<void(std::string_view)>& sink) {
  char buffer[16 * 1024];
  std::size_t total = 0;
  for (;;) {
    const std::size_t n = source.Read(buffer, sizeof buffer);
    if (n == 0) return;
    if (n > limits.max_body - total) throw HttpError("Reply too large");
    total += n;
    sink(std::string_view(buffer, n));
  }
}

std::string ReadBody(ByteSource& source, const ReplyLimits& limits) {
  // Room doubles from a power of two up to the limit and never past it, so
  // a body at its limit costs the limit and half of it while it grows.
  std::string body;
  body.reserve(std::min<std::size_t>(16 * 1024, limits.max_body));
  ReadBodyInto(source, limits, [&body, &limits](std::string_view piece) {
    if (body.size() + piece.size() > body.capacity())
      body.reserve(
          std::min(std::max(body.capacity() * 2, body.size() + piece.size()), limits.max_body));
    body.append(piece);
  });
  return body;
}

}  // namespace net
