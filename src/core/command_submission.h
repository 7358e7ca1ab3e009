#pragma once

#include <functional>
#include <string>

#include "device/device.h"
#include "device/exchange.h"
#include "net/command_client.h"

namespace core {

// What command submission needs from the console around it: its pages,
// and the main window's scan.
class CommandHost {
 public:
  virtual ~CommandHost() = default;
  // The console's active page index.
  virtual int ActiveTab() = 0;
  // Runs the display routine of console page `index` (0 to 6).
  virtual void RedisplayTab(int index) = 0;
  // Hides the console, shows the main window and starts a new scan there.
  virtual void ReturnToDeviceList() = 0;
};

// What became of a command sent from the console.
enum class Submitted {
  Done,     // it went out (also after a failed probe, which is reported once)
  Refused,  // the device refused an FTP command each time it was sent
  NotSent,  // an address change that did not go out (a refused connection
            // is reported) or was cancelled: nothing changed, nothing follows
};

// Submits a command for the session's device, as device::Submit does, and
// carries out what follows it in the console: the new password, the new
// address or the scan for the device, or the active page read again and
// shown. After the last refusal of a command sent again while refused,
// `reread` runs, if given. `judged`, if given, gets the device's reply
// judged (no answer when nothing was sent).
Submitted SubmitCommand(net::CommandClient& client, CommandHost& host,
                        const device::Command& command, const std::function<void()>& reread = {},
                        device::Outcome* judged = nullptr);

}  // namespace core
