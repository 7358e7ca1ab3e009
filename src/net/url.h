#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace net {

// "http://" host [":" port] path
struct HttpUrl {
  std::string host;
  std::uint16_t port = 80;
  std::string path = "/";  // everything from the first "/" after the host
};

// Splits a URL; a missing "http://" is tolerated. Throws HttpError for a
// port that is not a number.
HttpUrl ParseHttpUrl(std::string_view url);

// A path as it may stand in a request line: blanks, CR, LF and other control
// bytes are percent-encoded, everything else is left as it is, so values
// sent as typed cannot break the request.
std::string SafeRequestTarget(std::string_view path);

// A value as it may stand in a request header: CR, LF and every other
// control byte left out, so no value can end its line or add another.
std::string HeaderValue(std::string_view value);

// Encodes one value for a command URL, byte by byte: digits and ASCII
// letters stay, a blank becomes "+", every other byte "%XX" (upper case).
std::string EncodeUrlValue(std::string_view value);

// A value sent as typed into a query: its bytes are kept, except those that
// would change the query's structure (& # % + ? and blanks, and control
// bytes), which are percent-encoded so they cannot add, cut or rename a
// parameter.
std::string EscapeQueryText(std::string_view value);

// The first `count` characters (code points) of a UTF-8 text.
std::string_view FirstCharacters(std::string_view text, std::size_t count);

}  // namespace net
