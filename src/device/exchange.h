#pragma once

// A command on the wire: sent with the session's credentials, its
// redirect followed, the device probed afterwards, sent again while the
// device refuses it where the command asks for that, and the device's
// reply judged. The one way every command goes out, from the console and
// from brevane-ctl alike.

#include <chrono>
#include <string>

#include "device/device.h"
#include "device/trust.h"
#include "net/command_client.h"

namespace device {

// What became of one command.
struct Delivery {
  bool sent = false;          // the request went out whole
  bool failed = false;        // the exchange failed, not after the device's redirect
  bool failure_page = false;  // the device answered with its failure page
  bool alive = false;         // the device still took a connection afterwards
  int status = 0;             // of the device's own reply (0: none came)
  std::string location;       // where that reply redirected to
};

// Sends the command once, then probes the device (a connection to port 80
// within a second); a command that moves the device is not probed. A
// command goes only to its session's address, with whatever secret its
// URL holds: one for any other address is a fault of the caller
// (std::logic_error), and nothing is sent.
Delivery Deliver(net::CommandClient& client, const Session& session, const Command& command);

// True when the device refused an FTP command, which is then sent again
// (its enable/disable is never taken as refused).
bool RefusedFtpCommand(const std::string& url, const std::string& page_tag,
                       const Delivery& delivery);

// At most this many submissions of a command the device refuses, this
// far apart.
inline constexpr int kMaxSubmissions = 15;
inline constexpr int kSubmissionPauseMs = 20;

// What a user action that reads the device waits on it at most, all its
// reads, attempts and pauses included: a login, a console page shown, the
// drive dialog's folder list, brevane-ctl's reads.
inline constexpr std::chrono::milliseconds kReadingActionBound{20000};

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

// A command's whole submission.
struct Submission {
  Delivery delivery;  // of the last submission
  // The device's reply, judged. A command that moves the device is done
  // once it went out, unless the device refused it: its reply may never
  // come from the address it left.
  Outcome outcome = Outcome::NoAnswer;
  int submissions = 0;
  // The device refused an FTP command each time it was sent.
  bool refused = false;
};
// Sends the command, and again while the device refuses it if the command
// asks for that (kMaxSubmissions at most, kSubmissionPauseMs apart). It
// stops at a device that no longer takes a connection, and at the user's
// Cancel.
Submission Submit(net::CommandClient& client, const Session& session, const Command& command);

}  // namespace device
