#pragma once

#include <string>

#include "sim/device.h"

namespace sim {

// Carries out one control command on the device and returns the answer.
std::string HandleControlCommand(Device& device, const std::string& command);

}  // namespace sim
