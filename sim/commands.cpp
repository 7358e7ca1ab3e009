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

// A command's words: the verb, the word after it (`key`) and the rest
// after that (`value`); `rest` is everything after the verb.
struct Words {
  std::string rest, key, value;
};

struct FaultKind {
  const char* name;
  int Faults::*count;
  const char* what;
};

// Every fault a test can ask for. Each but delay is used up by one
// connection (or request) of the kind it names.
constexpr FaultKind kFaults[] = {
    {"refuse", &Faults::refuse,
     "the next N commands (of any page) are answered with the failure page; page reads are not "
     "(forbidden and server-error refuse those)"},
    {"refuse-ftp", &Faults::refuse_ftp,
     "the next N FTP commands are answered with the failure page"},
    {"forbidden", &Faults::forbidden,
     "the next N requests, page reads and commands alike, are answered 403 with a page"},
    {"server-error", &Faults::server_error,
     "the next N requests are answered 500 with a page (an upload once it has come whole)"},
    {"delay", &Faults::delay_ms, "every reply from now on waits N milliseconds (0: none)"},
    {"hold", &Faults::hold,
     "the next N connections are held open without an answer (nothing of an upload's body is "
     "read)"},
    {"reset", &Faults::reset, "the next N connections are reset once their request has come"},
    {"close", &Faults::close_silently, "the next N connections are closed without an answer"},
    {"garbage", &Faults::garbage,
     "the next N connections are answered with bytes that are no HTTP"},
    {"oversized", &Faults::oversized, "the next N connections are answered with a 16 MiB page"},
    {"trickle", &Faults::trickle,
     "the next N replies come one byte every half second and never end"},
};

std::string Set(Device& device, const Words& w) {
  DeviceState& s = device.state;
  const std::string& key = w.key;
  const std::string& value = w.value;
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

std::string Get(Device& device, const Words& w) {
  DeviceState& s = device.state;
  if (w.key == "password") return "ok " + s.admin_password;
  if (w.key == "ip") return "ok " + s.ip;
  if (w.key == "firmware-upload")
    return "ok " + s.last_firmware_name + " " + std::to_string(s.last_firmware_size);
  if (w.key == "selected-account") return "ok " + std::to_string(s.selected_account);
  if (w.key == "share-password") {
    for (const auto& f : s.folders)
      if (f.name == w.value) return "ok " + f.password;
    return "err no folder " + w.value;
  }
  // Anything else as the status page shows it.
  AdvanceDiskScan(s);
  return "ok " + net::PageValue(RenderStatusPage(s), w.key + "=\"");
}

std::string Folder(Device& device, const Words& w) {
  std::vector<std::string> fields;
  std::stringstream in(w.rest);
  for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
  if (fields.empty() || fields[0].empty()) return "err folder needs a name";
  const SharedFolder folder{fields[0], fields.size() > 1 && fields[1] == "shared",
                            fields.size() > 2 ? fields[2] : ""};
  auto& folders = device.state.folders;
  auto it = std::find_if(folders.begin(), folders.end(),
                         [&folder](const SharedFolder& f) { return f.name == folder.name; });
  if (it != folders.end())
    *it = folder;
  else
    folders.push_back(folder);
  return "ok";
}

std::string Fault(Device& device, const Words& w) {
  Faults& f = device.faults;
  if (w.key == "clear") {
    f = Faults{};
    return "ok";
  }
  for (const FaultKind& kind : kFaults)
    if (w.key == kind.name) {
      f.*kind.count = Count(w.value);
      return "ok";
    }
  return "err unknown fault " + w.key;
}

struct Verb {
  const char* name;
  const char* arguments;
  const char* what;
  bool locked;  // run with the device's state locked
  std::string (*run)(Device&, const Words&);
};

// Every control command but move, which the running simulator answers
// itself (it needs the HTTP server).
constexpr Verb kVerbs[] = {
    {"ping", "", "answers ok", false, [](Device&, const Words&) { return std::string("ok"); }},
    {"set", "KEY VALUE",
     "changes the device: name, group, firmware, password, ip, discovery (KIND,... of normal, "
     "short, long, type2, empty-firmware, other-names), reply-from-every-address (1 or 0), "
     "restart-seconds, scan-seconds, firmware-limit (bytes), flash-rate (MiB/s)",
     true, Set},
    {"get", "KEY",
     "reads the device: password, ip, firmware-upload (name and size of the last image), "
     "selected-account, share-password FOLDER, or any value as the status page shows it "
     "(host_name, firm_ver, ftps_status, ...)",
     true, Get},
    {"folder", "NAME[<TAB>shared[<TAB>PASSWORD]]", "adds or replaces a folder", true, Folder},
    {"account", "NAME PASSWORD", "adds an FTP account; answers ok and its number", true,
     [](Device& device, const Words& w) {
       DeviceState& s = device.state;
       s.accounts.push_back({s.next_account_id++, w.key, w.value, true, true, {}});
       return "ok " + std::to_string(s.accounts.back().id);
     }},
    {"factory", "", "makes the state as it is now what a factory reset restores", true,
     [](Device& device, const Words&) {
       device.factory = device.state;
       return std::string("ok");
     }},
    {"forget-upload", "", "empties the record of the last image, for the next upload", true,
     [](Device& device, const Words&) {
       device.state.last_firmware_name.clear();
       device.state.last_firmware_size = 0;
       return std::string("ok");
     }},
    {"fault", "KIND [N]", "makes the device misbehave (N defaults to 1; see FAULTS)", true, Fault},
    {"commands", "", "how many commands the device took (CGI requests and uploads)", true,
     [](Device& device, const Words&) { return "ok " + std::to_string(device.commands.size()); }},
    {"command", "N", "the N-th of those commands, from 0: its request target", true,
     [](Device& device, const Words& w) {
       const std::size_t n = std::stoul(w.key);
       return n < device.commands.size() ? "ok " + device.commands[n] : "err no command " + w.key;
     }},
    {"http-requests", "PATH", "how many HTTP requests came for PATH (/utility_use.htm, ...)", true,
     [](Device& device, const Words& w) {
       return "ok " + std::to_string(device.http_requests[w.key]);
     }},
    {"requests-with-credentials", "",
     "how many HTTP requests carried an Authorization line at all, right or wrong", true,
     [](Device& device, const Words&) {
       return "ok " + std::to_string(device.requests_with_credentials);
     }},
    {"discovery-requests", "", "how many discovery requests came", false,
     [](Device& device, const Words&) {
       return "ok " + std::to_string(device.discovery_requests.load());
     }},
    {"restart", "", "restarts the device, as its restart command does", false,
     [](Device& device, const Words&) {
       device.Restart();
       return std::string("ok");
     }},
    {"down", "", "ok 1 while the device is restarting, else ok 0", false,
     [](Device& device, const Words&) { return std::string("ok ") + (device.Down() ? "1" : "0"); }},
};

}  // namespace

std::string HandleControlCommand(Device& device, const std::string& command) {
  const auto space = command.find(' ');
  const std::string verb = command.substr(0, space);
  Words w;
  w.rest = space == std::string::npos ? "" : command.substr(space + 1);
  const auto space2 = w.rest.find(' ');
  w.key = w.rest.substr(0, space2);
  w.value = space2 == std::string::npos ? "" : w.rest.substr(space2 + 1);
  for (const Verb& v : kVerbs) {
    if (verb != v.name) continue;
    if (!v.locked) return v.run(device, w);
    std::lock_guard lock(device.mutex);
    return v.run(device, w);
  }
  return "err unknown command " + verb;
}

std::string ControlHelp() {
  std::string text =
      "CONTROL COMMANDS (one a line on the --control socket, answered with a line: ok, ok VALUE, "
      "err REASON)\n";
  auto entry = [&text](const std::string& head, const std::string& what) {
    text += "  " + head + "\n      " + what + "\n";
  };
  for (const Verb& v : kVerbs)
    entry(std::string(v.name) + (*v.arguments ? " " : "") + v.arguments, v.what);
  entry("move ADDRESS",
        "the device leaves its address for ADDRESS, as after a new lease (its old address "
        "then takes no connection)");
  text += "FAULTS (fault KIND [N]; \"fault clear\" ends them all)\n";
  for (const FaultKind& kind : kFaults) entry(kind.name, kind.what);
  return text;
}

}  // namespace sim
