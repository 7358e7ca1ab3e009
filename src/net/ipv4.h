#pragma once

// IPv4 addresses as text and as numbers, without the operating system:
// the rules, the terminal programs and every system read them alike.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace net {

// A dotted-quad address as a number (the first part in the top byte), as
// inet_pton reads it: four decimal parts from 0 to 255, separated by dots,
// no part longer than three digits nor with a leading zero; nothing for any
// other text.
std::optional<std::uint32_t> ParseIPv4(std::string_view text);
std::string FormatIPv4(std::uint32_t address);
inline bool IsIPv4(std::string_view text) {
  return ParseIPv4(text).has_value();
}

}  // namespace net
