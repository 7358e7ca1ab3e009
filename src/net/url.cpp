#include "net/url.h"

#include <charconv>

#include "net/http_reply.h"

namespace net {
namespace {
constexpr char kHex[] = "0123456789ABCDEF";

void PercentEncode(std::string& out, unsigned char byte) {
  out += '%';
  out += kHex[byte >> 4];
  out += kHex[byte & 15];
}
}  // namespace

HttpUrl ParseHttpUrl(std::string_view url) {
  constexpr std::string_view kScheme = "http://";
  if (url.substr(0, kScheme.size()) == kScheme) url.remove_prefix(kScheme.size());
  HttpUrl parsed;
  const auto slash = url.find('/');
  std::string_view authority = url.substr(0, slash);
  if (slash != std::string_view::npos) parsed.path = std::string(url.substr(slash));
  const auto colon = authority.find(':');
  parsed.host = std::string(authority.substr(0, colon));
  if (colon != std::string_view::npos) {
    const std::string_view port = authority.substr(colon + 1);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (port.empty() || error != std::errc() || end != port.data() + port.size() || value == 0 ||
        value > 65535)
      throw HttpError("Invalid port in URL");
    parsed.port = static_cast<std::uint16_t>(value);
  }
  return parsed;
}

std::string SafeRequestTarget(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F)
      PercentEncode(out, byte);
    else
      out += c;
  }
  return out;
}

std::string HeaderValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (const char c : value)
    if (static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) != 0x7F) out += c;
  return out;
}

std::string EncodeUrlValue(std::string_view value) {
  std::string out;
  out.reserve(value.size() * 3);
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
        (byte >= 'a' && byte <= 'z'))
      out += c;
    else if (byte == ' ')
      out += '+';
    else
      PercentEncode(out, byte);
  }
  return out;
}

std::string EscapeQueryText(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F || c == '&' || c == '#' || c == '%' || c == '+' || c == '?')
      PercentEncode(out, byte);
    else
      out += c;
  }
  return out;
}

std::string_view FirstCharacters(std::string_view text, std::size_t count) {
  std::size_t i = 0;
  for (std::size_t n = 0; i < text.size() && n < count; ++n) {
    ++i;  // past the lead byte, then past its continuation bytes
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  return text.substr(0, i);
}

}  // namespace net
