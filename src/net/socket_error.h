#pragma once

#include <stdexcept>
#include <string>

namespace net {

// Error numbers of the socket layer the device protocols were written
// against. Callers (and users reading an error report) look for these
// numbers, so socket errors carry them on every system.
namespace wsa {
inline constexpr int kAccess = 10013;
inline constexpr int kInvalidArgument = 10022;
inline constexpr int kMessageSize = 10040;
inline constexpr int kAddressInUse = 10048;
inline constexpr int kAddressNotAvailable = 10049;
inline constexpr int kNetworkDown = 10050;
inline constexpr int kNetworkUnreachable = 10051;
inline constexpr int kConnectionAborted = 10053;
inline constexpr int kConnectionReset = 10054;
inline constexpr int kNoBufferSpace = 10055;
inline constexpr int kNotConnected = 10057;
inline constexpr int kTimedOut = 10060;
inline constexpr int kConnectionRefused = 10061;
inline constexpr int kHostUnreachable = 10065;
inline constexpr int kHostNotFound = 11001;
}  // namespace wsa

// Maps a POSIX errno value to the socket-layer error number above.
int WsaErrorNumber(int posix_errno);

// The description that goes with a socket-layer error number.
std::string WsaErrorDescription(int wsa_number);

// "Socket Error # %d\r\n%s", the text of every socket error raised here.
std::string SocketErrorText(int wsa_number);

class SocketError : public std::runtime_error {
 public:
  explicit SocketError(int wsa_number)
      : std::runtime_error(SocketErrorText(wsa_number)), number_(wsa_number) {}
  // Builds the error from the errno of a failed call.
  static SocketError FromErrno(int posix_errno) { return SocketError(WsaErrorNumber(posix_errno)); }
  int number() const { return number_; }

 private:
  int number_;
};

}  // namespace net
