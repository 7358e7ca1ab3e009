// The page read's watch for the announced length, fed a reply in pieces:
// it never calls a reply complete before the header has ended and the
// announced bytes have come, whatever the length says.

#include <cstddef>
#include <cstdint>
#include <string>

#include "net/auth_get.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0] % 64;
  const std::string reply(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t limit = 4 << 20;
  net::ReplyLength length(limit);
  std::string kept;
  for (std::size_t at = 0; at < reply.size(); at += piece) {
    kept.append(reply, at, piece);
    if (!length.Complete(kept, kept.size())) continue;
    const auto end = kept.find("\r\n\r\n");
    if (end == std::string::npos || kept.size() < end + 4) __builtin_trap();
    return 0;
  }
  return 0;
}
