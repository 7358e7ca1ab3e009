#include "net/socket_error.h"

#include <cstring>

namespace net {

std::string WsaErrorDescription(int n) {
  switch (n) {
    case wsa::kAccess:
      return "Permission denied.";
    case wsa::kInvalidArgument:
      return "Invalid argument.";
    case wsa::kMessageSize:
      return "Message too long.";
    case wsa::kAddressInUse:
      return "Address already in use.";
    case wsa::kAddressNotAvailable:
      return "Cannot assign requested address.";
    case wsa::kNetworkDown:
      return "Network is down.";
    case wsa::kNetworkUnreachable:
      return "Network is unreachable.";
    case wsa::kConnectionAborted:
      return "Software caused connection abort.";
    case wsa::kConnectionReset:
      return "Connection reset by peer.";
    case wsa::kNoBufferSpace:
      return "No buffer space available.";
    case wsa::kNotConnected:
      return "Socket is not connected.";
    case wsa::kTimedOut:
      return "Connection timed out.";
    case wsa::kConnectionRefused:
      return "Connection refused.";
    case wsa::kHostUnreachable:
      return "No route to host.";
    case wsa::kHostNotFound:
      return "Host not found.";
    default:
      if (n > 10000 && n < 11000) return std::strerror(n - 10000) + std::string(".");
      return "Unknown error.";
  }
}

std::string SocketErrorText(int n) {
  return "Socket Error # " + std::to_string(n) + "\r\n" + WsaErrorDescription(n);
}

}  // namespace net
