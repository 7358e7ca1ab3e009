// A POSIX system's errno values as the socket layer's error numbers.

#include <cerrno>

#include "net/socket_error.h"

namespace net {

int WsaErrorNumber(int e) {
  switch (e) {
    case EACCES:
    case EPERM:
      return wsa::kAccess;
    case EINVAL:
      return wsa::kInvalidArgument;
    case EMSGSIZE:
      return wsa::kMessageSize;
    case EADDRINUSE:
      return wsa::kAddressInUse;
    case EADDRNOTAVAIL:
      return wsa::kAddressNotAvailable;
    case ENETDOWN:
      return wsa::kNetworkDown;
    case ENETUNREACH:
      return wsa::kNetworkUnreachable;
    case ECONNABORTED:
    case EPIPE:
      return wsa::kConnectionAborted;
    case ECONNRESET:
      return wsa::kConnectionReset;
    case ENOBUFS:
    case ENOMEM:
      return wsa::kNoBufferSpace;
    case ENOTCONN:
      return wsa::kNotConnected;
    case ETIMEDOUT:
      return wsa::kTimedOut;
    case ECONNREFUSED:
      return wsa::kConnectionRefused;
    case EHOSTUNREACH:
    case EHOSTDOWN:
      return wsa::kHostUnreachable;
    default:
      return 10000 + e;
  }
}

}  // namespace net
