#include "scan/watch.h"

#include <set>

#include "scan/scan_output.h"

namespace scan {

std::vector<WatchEvent> Watch::Scan(const std::vector<net::DeviceRecord>& answers) {
  using Kind = WatchEvent::Kind;
  std::vector<WatchEvent> events;
  std::set<std::string> answered;
  for (const auto& d : answers) answered.insert(d.Ip);
  for (const auto& d : answers) {
    if (auto it = known_.find(d.Ip); it != known_.end()) {
      net::DeviceRecord& was = it->second.device;
      if (was.DeviceName != d.DeviceName || was.GroupName != d.GroupName)
        events.push_back({Kind::Renamed, d, was.DeviceName + "/" + was.GroupName});
      if (was.FirmwareVersion != d.FirmwareVersion)
        events.push_back({Kind::FirmwareChanged, d, was.FirmwareVersion});
      it->second = {d, 0};
      continue;
    }
    // A device silent at its own address, with this one's name and group,
    // has moved here.
    auto moved = known_.end();
    for (auto it = known_.begin(); it != known_.end(); ++it)
      if (!answered.count(it->first) && it->second.device.DeviceName == d.DeviceName &&
          it->second.device.GroupName == d.GroupName)
        moved = it;
    if (moved != known_.end()) {
      events.push_back({Kind::Moved, d, moved->first});
      known_.erase(moved);
    } else {
      events.push_back({Kind::Appeared, d, {}});
    }
    known_[d.Ip] = {d, 0};
  }
  for (auto it = known_.begin(); it != known_.end();) {
    if (answered.count(it->first) || ++it->second.silent < 2) {
      ++it;
      continue;
    }
    events.push_back({Kind::Disappeared, it->second.device, {}});
    it = known_.erase(it);
  }
  return events;
}

namespace {

const char* Word(WatchEvent::Kind kind) {
  switch (kind) {
    case WatchEvent::Kind::Appeared:
      return "appeared";
    case WatchEvent::Kind::Moved:
      return "moved";
    case WatchEvent::Kind::Renamed:
      return "renamed";
    case WatchEvent::Kind::FirmwareChanged:
      return "firmware";
    case WatchEvent::Kind::Disappeared:
      break;
  }
  return "disappeared";
}

}  // namespace

std::string EventLine(const WatchEvent& e) {
  const net::DeviceRecord& d = e.device;
  std::string line = std::string(Word(e.kind)) + "  " + Printable(d.Ip) + "  " +
                     Printable(d.DeviceName) + "/" + Printable(d.GroupName) + "  " +
                     Printable(d.FirmwareVersion);
  if (!e.before.empty()) line += "  (was " + Printable(e.before) + ")";
  return line + "\n";
}

std::string EventJson(const WatchEvent& e) {
  const net::DeviceRecord& d = e.device;
  std::string json =
      "{\"event\": \"" + std::string(Word(e.kind)) + "\", \"address\": " + JsonString(d.Ip) +
      ", \"name\": " + JsonString(d.DeviceName) + ", \"group\": " + JsonString(d.GroupName) +
      ", \"firmware\": " + JsonString(d.FirmwareVersion);
  if (!e.before.empty()) json += ", \"before\": " + JsonString(e.before);
  return json + "}\n";
}

}  // namespace scan
