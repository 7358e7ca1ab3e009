#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/task.h"
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
  virtual Task<> RedisplayTab(int index) = 0;
  // Hides the console, shows the main window and starts a new scan there.
  virtual void ReturnToDeviceList() = 0;
};

// What became of a command sent from the console.
enum class Submitted {
  Done,     // the device did it (also when it stopped answering afterwards,
            // which is reported once)
  Refused,  // the device did not do it: it refused, asked for another
            // login or gave no answer; said once, and nothing follows
  NotSent,  // nothing went out (no address, or an address change that did
            // not go out or was cancelled): nothing changed, nothing follows
};

// Submits a command for the session's device, as device::Submit does (on a
// worker thread, with `client`, which the work shares), and acts on it as
// ActOnSubmission does.
Task<Submitted> SubmitCommand(std::shared_ptr<net::CommandClient> client, CommandHost& host,
                              device::Command command, std::function<Task<>()> reread = {});

// Acts on a command's submission as device::Submit judged it, as brevane-ctl
// does: what the device did not do is said once and has nothing follow it;
// what it did is followed in the console: the new password, the new address
// or the scan for the device, or the active page read again and shown.
// After the last refusal of a command sent again while refused, `reread`
// runs, if given.
Task<Submitted> ActOnSubmission(CommandHost& host, device::Command command,
                                device::Submission submission, std::function<Task<>()> reread = {});

}  // namespace core
