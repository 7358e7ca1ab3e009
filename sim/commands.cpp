#include "sim/commands.h"

#include <algorithm>
#include <sstream>

#include "net/page_values.h"
#include "sim/status_page.h"

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

int Count(const std::string& text) {
  return text.empty() ? 1 : std::stoi(text);
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
  if (verb == "restart") {
    device.Restart();
    return "ok";
  }
  if (verb == "down") return std::string("ok ") + (device.Down() ? "1" : "0");

  std::lock_guard lock(device.mutex);
  DeviceState& s = device.state;
  if (verb == "set") {
    if (key == "name") {
      s.name = value;
    } else if (key == "group") {
      s.group = value;
    } else if (key == "firmware") {
      s.firmware = value;
    } else if (key == "password") {
      s.admin_password = value;
    } else if (key == "ip") {
      s.ip = value;
    } else if (key == "discovery") {
      s.discovery_replies = SplitList(value);
    } else if (key == "reply-from-every-address") {
      s.reply_from_every_address = value == "1";
    } else if (key == "restart-seconds") {
      device.restart_seconds = std::stoi(value);
    } else if (key == "scan-seconds") {
      s.scan_seconds = std::stoi(value);
    } else if (key == "firmware-limit") {
      s.firmware_limit = std::stoull(value);
    } else if (key == "flash-rate") {
      s.flash_mib_per_second = std::stod(value);
    } else {
      return "err unknown setting " + key;
    }
    return "ok";
  }
  if (verb == "folder") {  // folder NAME [TAB shared [TAB PASSWORD]]
    std::vector<std::string> fields;
    std::stringstream in(rest);
    for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
    if (fields.empty() || fields[0].empty()) return "err folder needs a name";
    const SharedFolder folder{fields[0], fields.size() > 1 && fields[1] == "shared",
                              fields.size() > 2 ? fields[2] : ""};
    auto it = std::find_if(s.folders.begin(), s.folders.end(),
                           [&folder](const SharedFolder& f) { return f.name == folder.name; });
    if (it != s.folders.end())
      *it = folder;
    else
      s.folders.push_back(folder);
    return "ok";
  }
  if (verb == "account") {  // account NAME PASSWORD
    s.accounts.push_back({s.next_account_id++, key, value, true, true, {}});
    return "ok " + std::to_string(s.accounts.back().id);
  }
  if (verb == "forget-upload") {  // the next upload's record starts empty
    s.last_firmware_name.clear();
    s.last_firmware_size = 0;
    return "ok";
  }
  if (verb == "factory") {  // what is set so far is the factory state
    device.factory = s;
    return "ok";
  }
  if (verb == "get") {
    if (key == "password") return "ok " + s.admin_password;
    if (key == "ip") return "ok " + s.ip;
    if (key == "firmware-upload")
      return "ok " + s.last_firmware_name + " " + std::to_string(s.last_firmware_size);
    if (key == "selected-account") return "ok " + std::to_string(s.selected_account);
    if (key == "share-password") {
      for (const auto& f : s.folders)
        if (f.name == value) return "ok " + f.password;
      return "err no folder " + value;
    }
    // Anything else as the status page shows it.
    AdvanceDiskScan(s);
    return "ok " + net::PageValue(RenderStatusPage(s), key + "=\"");
  }
  if (verb == "http-requests") return "ok " + std::to_string(device.http_requests[key]);
  if (verb == "requests-with-credentials")
    return "ok " + std::to_string(device.requests_with_credentials);
  if (verb == "commands") return "ok " + std::to_string(device.commands.size());
  if (verb == "command") {
    const std::size_t n = std::stoul(key);
    return n < device.commands.size() ? "ok " + device.commands[n] : "err no command " + key;
  }
  if (verb == "fault") {
    Faults& f = device.faults;
    if (key == "refuse-ftp")
      f.refuse_ftp = Count(value);
    else if (key == "refuse")
      f.refuse = Count(value);
    else if (key == "delay")
      f.delay_ms = Count(value);
    else if (key == "hold")
      f.hold = Count(value);
    else if (key == "reset")
      f.reset = Count(value);
    else if (key == "garbage")
      f.garbage = Count(value);
    else if (key == "oversized")
      f.oversized = Count(value);
    else if (key == "close")
      f.close_silently = Count(value);
    else if (key == "forbidden")
      f.forbidden = Count(value);
    else if (key == "server-error")
      f.server_error = Count(value);
    else if (key == "trickle")
      f.trickle = Count(value);
    else if (key == "clear")
      f = Faults{};
    else
      return "err unknown fault " + key;
    return "ok";
  }
  return "err unknown command " + verb;
}

}  // namespace sim
