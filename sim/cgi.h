#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "sim/device.h"

namespace sim {

using Params = std::vector<std::pair<std::string, std::string>>;

// The query of a request target, split and percent-decoded ("+" is a blank).
Params ParseQuery(const std::string& query);
std::string PercentDecode(const std::string& text);

struct CgiOutcome {
  std::string location;               // the page the device redirects to
  std::function<void()> after_reply;  // work done once the answer is out (restarts, moves)
};

// Carries out one command of a CGI program on the device's state.
// `move_address` moves the device to a new address (after the reply).
CgiOutcome HandleCgi(Device& device, const std::string& program, const Params& params,
                     const std::function<void(const std::string&)>& move_address);

// Name rules of the device.
bool ValidIdentifier(const std::string& name);  // letters, digits, "-", "_", "="
// A folder name the device takes: not its parent or itself, nothing that
// would leave its share's place or mean more to the file server than the
// name itself ("%" substitutions, "[" "]" that end a section, the server's
// own sections such as "global" and "homes").
bool ValidFolderName(const std::string& name);

}  // namespace sim
