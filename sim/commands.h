#pragma once

#include <string>

#include "sim/device.h"

namespace sim {

// Carries out one control command on the device and returns the answer.
std::string HandleControlCommand(Device& device, const std::string& command);

// What --help says of the control commands and the faults: each with its
// arguments and what it does.
std::string ControlHelp();

}  // namespace sim
