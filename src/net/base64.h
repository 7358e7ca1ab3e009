#pragma once

#include <string>
#include <string_view>

namespace net {

// Standard base64 (RFC 4648 alphabet, "=" padding, no line breaks) of the
// bytes taken as unsigned values.
std::string Base64Encode(std::string_view bytes);

}  // namespace net
