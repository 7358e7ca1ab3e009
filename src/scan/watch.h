#pragma once

// A watch over the LAN's devices: scan after scan, what changed. A device
// is known by its address; one that answers at a new address with the name
// and group of one now silent has moved; one silent for two scans in a row
// is gone. Only the devices there are now are remembered, so a watch of
// any length keeps the same memory.

#include <map>
#include <string>
#include <vector>

#include "net/discovery.h"

namespace scan {

struct WatchEvent {
  enum class Kind { Appeared, Moved, Renamed, FirmwareChanged, Disappeared };
  Kind kind;
  net::DeviceRecord device;  // as it is now (as it was, for one gone)
  std::string before;        // the old address, name/group or firmware
};

class Watch {
 public:
  // The events one scan's answers make, in the order of the answers (the
  // devices gone last).
  std::vector<WatchEvent> Scan(const std::vector<net::DeviceRecord>& answers);

 private:
  struct Known {
    net::DeviceRecord device;
    int silent = 0;  // scans in a row without its answer
  };
  std::map<std::string, Known> known_;  // by address
};

// An event as one line for a terminal, and as one JSON object.
std::string EventLine(const WatchEvent& event);
std::string EventJson(const WatchEvent& event);

}  // namespace scan
