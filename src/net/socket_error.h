#pragma once

#include <stdexcept>
#include <string>

#include "os/sockets.h"

namespace net {

// Socket errors carry Winsock's numbers on every system (os/sockets.h).
namespace wsa = os::wsa;

// The description that goes with a socket-layer error number.
std::string WsaErrorDescription(int wsa_number);

// "Socket Error # %d\r\n%s", the text of every socket error raised here.
std::string SocketErrorText(int wsa_number);

class SocketError : public std::runtime_error {
 public:
  explicit SocketError(int wsa_number)
      : std::runtime_error(SocketErrorText(wsa_number)), number_(wsa_number) {}
  // Builds the error from the errno of a failed call.
  static SocketError FromErrno(int posix_errno) {
    return SocketError(os::WinsockNumber(posix_errno));
  }
  int number() const { return number_; }

 private:
  int number_;
};

}  // namespace net
