#pragma once

// The Disk Utility page: format, sleep time, and the disk scan.

#include <string>

#include "device/device.h"

namespace device {

struct DiskView {
  std::string sleep_minutes;    // as the page shows it: "0" when none
  bool clear_messages = false;  // "Delete Error Messages" is offered
  std::string scan_messages;    // one a line
};
DiskView ShowDisk(const std::string& page);
// The scan's messages alone, as a followed scan reads them.
std::string ScanMessagesOf(const std::string& page);

Command Format(const std::string& address);
Message ConfirmFormat();
// The sleep time as typed: 0 or 5 to 60. Not a whole number throws
// ConversionError (device/text.h) with the conversion's own words.
Plan SetSleepTime(const std::string& address, const std::string& minutes);
Command StartScan(const std::string& address);
Message ConfirmScan();
Command ClearScanMessages(const std::string& address);
Message ConfirmClearScanMessages();

}  // namespace device
