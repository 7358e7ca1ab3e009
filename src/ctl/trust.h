#pragma once

// brevane-ctl's one gate for secrets. An address the person typed, or
// listed by address in a file of their own, is theirs. An address found
// by discovery (a name, --all, --group, brevane-scan's JSON) is only what a
// reply claims: it gets the login and any password only after the person's
// yes for it, asked on a terminal with each name and address, or given
// ahead with --trust-found. Without that nothing at all is sent there.

#include <functional>
#include <string>
#include <vector>

#include "ctl/arguments.h"
#include "ctl/ctl.h"
#include "device/trust.h"
#include "net/discovery.h"

namespace ctl {

// The addresses of `found`, trusted in one yes; the run ends before
// anything is sent when the person does not give it. `source` says where
// they came from, after "This device".
std::vector<device::Trusted> Trust(
    const Options& options, const std::vector<device::Found>& found,
    const std::string& source =
        "was found by discovery, and any host on the network can answer with any name");

// One discovery scan as the options say (--seconds, --interface, ...),
// shorter when `enough` holds; a scan that cannot be made ends the run
// with `status`, saying what could not be done.
net::DeviceList Scanned(const Options& options, const std::string& doing = "scan for devices",
                        int status = kUsage,
                        const std::function<bool(const net::DeviceList&)>& enough = {});

}  // namespace ctl
