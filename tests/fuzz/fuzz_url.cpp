// URLs, redirect targets and the values put into requests: what the
// clients send can never be reshaped by what they were given.

#include <cstddef>
#include <cstdint>
#include <string>

#include "net/http_reply.h"
#include "net/url.h"
#include "sim/cgi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const net::HttpUrl url = net::ParseHttpUrl(text);
    if (url.host.find('/') != std::string::npos || url.path.empty() || url.path[0] != '/')
      __builtin_trap();
  } catch (const net::HttpError&) {
  }
  for (const char c : net::SafeRequestTarget(text))
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) __builtin_trap();
  for (const char c : net::HeaderValue(text))
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) __builtin_trap();
  // Encoded values read back whole, and never carry a separator.
  for (const std::string& encoded : {net::EncodeUrlValue(text), net::EscapeQueryText(text)}) {
    if (encoded.find_first_of("&#? ") != std::string::npos) __builtin_trap();
    if (sim::PercentDecode(encoded) != text) __builtin_trap();
  }
  return 0;
}
