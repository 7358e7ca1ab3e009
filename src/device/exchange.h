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
};

// Sends `url` as a command submitted with `page_tag`, then probes the
// device (a connection to port 80 within a second).
Delivery Deliver(net::CommandClient& client, const Session& session, const std::string& url,
                 const std::string& page_tag);

// True when the device refused an FTP command, which is then sent again
// (its enable/disable is never taken as refused).
bool RefusedFtpCommand(const std::string& url, const std::string& page_tag,
                       const Delivery& delivery);

// At most this many submissions of a command the device refuses.
inline constexpr int kMaxSubmissions = 15;

}  // namespace device
