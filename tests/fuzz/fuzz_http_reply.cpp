// Reading an HTTP reply as both clients do: status line, header lines with
// their cookie and location, and the body, from arbitrary bytes.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "net/http_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  net::MemorySource source(reply);
  const net::ReplyLimits limits;  // the program's own
  net::ReplyHead head;
  try {
    net::ReadReplyHead(source, head, limits);
    const std::string body = net::ReadBody(source, limits);
    if (head.header.size() + body.size() > size) __builtin_trap();
  } catch (const net::HttpError&) {
  }
  if (head.cookie.size() > 256 || head.location.size() > 256) __builtin_trap();
  if (head.status < -32768 || head.status > 32767) __builtin_trap();
  net::StatusFromLine(reply);
  return 0;
}
