#include "net/ipv4.h"

namespace net {

std::optional<std::uint32_t> ParseIPv4(std::string_view text) {
  std::uint32_t address = 0;
  int parts = 0;
  std::size_t at = 0;
  while (parts < 4) {
    std::size_t digits = 0;
    unsigned part = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 4) {
      part = part * 10 + static_cast<unsigned>(text[at] - '0');
      ++at;
      ++digits;
    }
    if (digits == 0 || digits > 3 || part > 255 || (digits > 1 && text[at - digits] == '0'))
      return std::nullopt;
    address = (address << 8) | part;
    if (++parts < 4) {
      if (at >= text.size() || text[at] != '.') return std::nullopt;
      ++at;
    }
  }
  if (at != text.size()) return std::nullopt;
  return address;
}

std::string FormatIPv4(std::uint32_t a) {
  return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 0xFF) + "." +
         std::to_string((a >> 8) & 0xFF) + "." + std::to_string(a & 0xFF);
}

}  // namespace net
