#pragma once

#include <string>

#include "net/page_values.h"
#include "sim/device.h"

namespace sim {

// Marker the device writes for an "on" radio setting of the status group.
using net::kOnMarker;

// Brings the scan messages up to date with the time that has passed.
void AdvanceDiskScan(DeviceState& state);

// The device's status page, /utility_use.htm: every setting as a script
// line name="value";CR LF.
std::string RenderStatusPage(const DeviceState& state);

// One FTP account as a row of the account list: each column padded with
// "&nbsp;" the way the device lays it out.
std::string AccountOption(const FtpAccount& account);

}  // namespace sim
