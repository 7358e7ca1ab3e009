#pragma once

#include <functional>
#include <string>

#include "net/command_client.h"

namespace core {

// What command submission needs from the windows around it: the console's
// fields and pages, and the main window's scan.
class CommandHost {
 public:
  virtual ~CommandHost() = default;
  // The console's new administrator password (its password field).
  virtual std::string NewPassword() = 0;
  // True when the console's "Automatic IP" button is selected.
  virtual bool AutomaticAddressSelected() = 0;
  // The console's fixed-address field.
  virtual std::string AddressField() = 0;
  // The console's active page index.
  virtual int ActiveTab() = 0;
  // Runs the display routine of console page `index` (0 to 6).
  virtual void RedisplayTab(int index) = 0;
  // Hides the console, shows the main window and starts a new scan there.
  virtual void ReturnToDeviceList() = 0;
};

inline constexpr int kCommandDone = 1;
inline constexpr int kCommandRefused = 0;  // try again
// An address change that never reached the device, or that the user
// cancelled: nothing changed, nothing follows.
inline constexpr int kCommandNotSent = 2;
inline constexpr int kMaxSubmissions = 15;

// Sends one command URL with the session's credentials, probes the device,
// applies the follow-up the page tag asks for and redisplays console page
// `tab`. Returns kCommandRefused when the device refused an FTP command,
// kCommandNotSent for an address change that did not go out (a refused
// connection is reported) or was cancelled, kCommandDone otherwise (also
// after a failed probe, which is reported once).
int SubmitCommand(net::CommandClient& client, CommandHost& host, const std::string& url,
                  const std::string& page_tag, int tab);

// Submits while the device refuses, at most 15 times in all, each time for
// the console's active page; after 15 refusals runs `reread`, if given.
int SubmitWithRetries(net::CommandClient& client, CommandHost& host, const std::string& url,
                      const std::string& page_tag, const std::function<void()>& reread = {});

}  // namespace core
