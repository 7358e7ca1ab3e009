#include "ctl/trust.h"

#include "ctl/ctl.h"
#include "ctl/secrets.h"
#include "net/socket_error.h"
#include "scan/discover.h"
#include "scan/scan_output.h"

namespace ctl {

std::vector<device::Trusted> Trust(const Options& options, const std::vector<device::Found>& found,
                                   const std::string& source) {
  std::vector<device::Trusted> trusted;
  if (found.empty()) return trusted;
  if (!options.trust_found) {
    std::string said = found.size() == 1 ? "This device " + source
                                         : "These devices were found by discovery, and any host on "
                                           "the network can answer with any name";
    said += ":\n";
    for (const device::Found& f : found)
      said +=
          "  " + f.address + "  " + scan::Printable(f.name) + "/" + scan::Printable(f.group) + "\n";
    if (!CanAsk())
      Fail(kUsage, said +
                       "Nothing was sent: an address nobody typed gets no login and no "
                       "password without your yes. Name it by its address, answer on a "
                       "terminal, or give --trust-found.");
    if (!AskYes(said + "Send the login of " + scan::Printable(options.user) +
                " and the command's passwords " + (found.size() == 1 ? "there?" : "to each?")))
      Fail(kFailed, "Not done: nothing was sent.");
  }
  for (const device::Found& f : found) trusted.push_back(device::Trusted::Confirmed(f));
  return trusted;
}

net::DeviceList Scanned(const Options& options, const std::string& doing, int status,
                        const std::function<bool(const net::DeviceList&)>& enough) {
  try {
    return scan::Discover(options.listen, options.where, enough);
  } catch (const net::SocketError& e) {
    Fail(status, "cannot " + doing + ": " + net::WsaErrorDescription(e.number()));
  }
}

}  // namespace ctl
