#pragma once

// The Status page: identification, administrator password, date and time,
// network information, disk information and language.

#include <optional>
#include <string>
#include <vector>

#include "device/device.h"

namespace device {

// The five time servers offered, and the 25 time zones (index - 12 is the
// zone value the device uses).
extern const char* const kTimeServers[5];
extern const char* const kTimeZones[25];

// What the Status page shows of a status page. Values are read in the
// page's order; a zone or language that is not a number stops the reading
// there (`failure` holds the conversion's own words and `reached` says how
// far the values are good).
struct StatusView {
  enum Stage { kTime, kNetwork, kLanguage, kAll };
  std::string host, group;
  std::string current_time;
  std::string year, month, day, hour, minute, second;
  bool sntp_auto = false;
  bool server_from_list = false;
  int listed_server = 0;      // index into kTimeServers
  std::string manual_server;  // shown only when the server is not from the list
  std::optional<int> zone;    // index into kTimeZones; nothing: none shown
  std::string ip, mac;
  bool dhcp_server = false;
  std::string firmware, disk_id, free_size, total_size;
  std::vector<std::string> languages;
  std::optional<int> language;  // index into languages; nothing: none chosen
  Stage reached = kAll;
  std::string failure;
};
StatusView ShowStatus(const std::string& page);

// The date and time, field by field.
struct DateTime {
  Entry year, month, day, hour, minute, second;
};

// "Set" of each group. Typed names are trimmed and must be 1 to 15
// letters, digits, "-", "_" or "=", not starting with a digit; the
// device's own go back as they are.
Plan SetIdentification(const std::string& address, const Entry& host, const Entry& group);
Plan SetAdministratorPassword(const std::string& address, const std::string& password,
                              const std::string& repeated);
// `listed` is the entry chosen in the server list (empty: none). Without
// SNTP, each typed part of the date and time must make a real date from
// 1970 to 2100 and a time of day; a typed server name is 1 to 64
// characters.
Plan SetDateAndTime(const std::string& address, const DateTime& when, bool sntp_auto,
                    bool server_from_list, const std::string& listed, const Entry& manual,
                    int zone_index);
Command SetDhcpServer(const std::string& address, bool enabled);
Command SetLanguage(const std::string& address, int index);
// Said once the language is set.
Message LanguageSetNote();

}  // namespace device
