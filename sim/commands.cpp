#include "sim/commands.h"

#include <sstream>

namespace sim {
namespace {

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ','))
    if (!item.empty()) items.push_back(item);
  return items;
}

}  // namespace

std::string HandleControlCommand(Device& device, const std::string& command) {
  const auto space = command.find(' ');
  const std::string verb = command.substr(0, space);
  const std::string rest = space == std::string::npos ? "" : command.substr(space + 1);
  const auto space2 = rest.find(' ');
  const std::string key = rest.substr(0, space2);
  const std::string value = space2 == std::string::npos ? "" : rest.substr(space2 + 1);

  if (verb == "ping") return "ok";
  if (verb == "discovery-requests") return "ok " + std::to_string(device.discovery_requests.load());

  std::lock_guard lock(device.mutex);
  DeviceState& s = device.state;
  if (verb == "set") {
    if (key == "name") {
      s.name = value;
    } else if (key == "group") {
      s.group = value;
    } else if (key == "firmware") {
      s.firmware = value;
    } else if (key == "discovery") {
      s.discovery_replies = SplitList(value);
    } else if (key == "reply-from-every-address") {
      s.reply_from_every_address = value == "1";
    } else {
      return "err unknown setting " + key;
    }
    return "ok";
  }
  if (verb == "get") {
    if (key == "name") return "ok " + s.name;
    if (key == "group") return "ok " + s.group;
    if (key == "firmware") return "ok " + s.firmware;
    return "err unknown setting " + key;
  }
  return "err unknown command " + verb;
}

}  // namespace sim
