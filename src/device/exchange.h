#pragma once

// A command on the wire: sent with the session's credentials, its
// redirect followed, and the device probed afterwards.

#include <string>

#include "device/device.h"
#include "net/command_client.h"

namespace device {

// The device worked on and the credentials it takes.
struct Session {
  std::string address, user, password;
};

// What became of one command.
struct Delivery {
  bool sent = false;          // the request went out whole
  bool failed = false;        // the exchange failed, not after the device's redirect
  bool failure_page = false;  // the device answered with its failure page
  bool alive = false;         // the device still took a connection afterwards
  int status = 0;             // of the device's own reply (0: none came)
  std::string location;       // where that reply redirected to
};

// Sends `url` as a command submitted with `page_tag`, then probes the
// device (a connection to port 80 within a second); an address change that
// never went out, or that the person cancelled, is not probed.
Delivery Deliver(net::CommandClient& client, const Session& session, const std::string& url,
                 const std::string& page_tag);

// True when the device refused an FTP command, which is then sent again
// (its enable/disable is never taken as refused).
bool RefusedFtpCommand(const std::string& url, const std::string& page_tag,
                       const Delivery& delivery);

// At most this many submissions of a command the device refuses.
inline constexpr int kMaxSubmissions = 15;

// What the device's own reply says of a command.
enum class Outcome {
  Done,         // it redirected to the command's answer page
  Refused,      // its failure page, another page, or a refusing status
  LoginFailed,  // it asked for other credentials (401)
  NoAnswer,     // not sent, or no reply came (closed, reset, silent, garbage)
};
Outcome Judge(const std::string& url, const Delivery& delivery);

// The message for an outcome other than Done, translated.
std::string SayOutcome(Outcome outcome);

}  // namespace device
