#include "device/status.h"

#include "device/text.h"
#include "i18n/translate.h"
#include "net/page_values.h"
#include "net/url.h"

namespace device {

using i18n::Translate;

const char* const kTimeServers[5] = {"pool.ntp.org", "europe.pool.ntp.org",
                                     "north-america.pool.ntp.org", "asia.pool.ntp.org",
                                     "oceania.pool.ntp.org"};

const char* const kTimeZones[25] = {
    "(GMT-12:00)Eniwetok, Kwajalein",
    "(GMT-11:00)Midway Island, Samoa",
    "(GMT-10:00)Hawaii",
    "(GMT-09:00)Alaska",
    "(GMT-08:00)Pacific Time; Tijuana",
    "(GMT-07:00)Arizona, Mountain Time",
    "(GMT-06:00)Central Time, Tegucigalpa",
    "(GMT-05:00)Bogota, Lima,Eastern Time",
    "(GMT-04:00)Atlantic Time, Caracas, Santiago",
    "(GMT-03:00)Brasilia, Buenos Aires, Georgetown",
    "(GMT-02:00)Mid_Atlantic",
    "(GMT-01:00)Azores, Cape Verde Is.",
    "(GMT)Eniwetok, Kwajalein",
    "(GMT+01:00)Amsterdam,Vienna,Paris,Rom",
    "(GMT+02:00)Athens, Cario, Harare, Jerusalem",
    "(GMT+03:00)Kuwait, Moscow, Tehran",
    "(GMT+04:00)Abuphabi, Baku",
    "(GMT+05:00)Ekaterinburg, Karachi, Islamabad",
    "(GMT+06:00)Astana, Colombo, Dhaka",
    "(GMT+07:00)Bangkok, Hanoi, Jakarka",
    "(GMT+08:00)Beijing, Hong Kong, Singapore, Taipei",
    "(GMT+09:00)Tokyo, Dsaka, Sapporo",
    "(GMT+10:00)Brisbane, Canberra,Syndey, Hobart",
    "(GMT+11:00)Magadan, Solomooon Is.",
    "(GMT+12:00)Auckland, Fiji, Kamchatka",
};

namespace {

constexpr char kIdentification[] = "Identification";

// The first character of a UTF-8 text that is not an ASCII letter or digit,
// "-", "_" or "="; empty when there is none.
std::string FirstForbidden(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' ||
        c == '_' || c == '=')
      continue;
    std::size_t end = i + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    return text.substr(i, end - i);
  }
  return {};
}

bool StartsWithDigit(const std::string& text) {
  return !text.empty() && text[0] >= '0' && text[0] <= '9';
}

}  // namespace

StatusView ShowStatus(const std::string& page) {
  auto value = [&page](const char* key) { return net::PageValue(page, key); };
  StatusView view;
  view.host = value("host_name=\"");
  view.group = value("group_name=\"");
  view.current_time = value("sntp_time=\"");
  view.year = value("sntp_day0=\"");
  view.month = value("sntp_day1=\"");
  view.day = value("sntp_day2=\"");
  view.hour = value("sntp_time0=\"");
  view.minute = value("sntp_time1=\"");
  view.second = value("sntp_time2=\"");
  view.sntp_auto = value("sntp_auto=\"") == net::kOnMarker;
  view.server_from_list = value("sntp_timeserver=\"") == "0";
  const std::string server = value("sntp_server=\"");
  for (int i = 4; i >= 0; --i)
    if (server == kTimeServers[i]) view.listed_server = i;
  if (!view.server_from_list) view.manual_server = server;
  try {
    view.reached = StatusView::kTime;
    const std::string zone = value("sntp_zone=\"");
    const long long zone_index = zone.empty() ? 0 : ToInteger(zone) + 12LL;
    if (zone_index >= 0 && zone_index < 25) view.zone = static_cast<int>(zone_index);
    view.reached = StatusView::kNetwork;
    view.ip = value("ip_addr=\"");
    view.dhcp_server = value("dhcps_option=\"") == net::kOnMarker;
    view.mac = value("mac_addr=\"");
    view.firmware = value("firm_ver=\"");
    view.disk_id = ' ';
    view.disk_id += net::RemoveLineBreakTags(value("disk_id=\""));
    view.free_size = Trim(value("free_size=\""));
    view.total_size = value("total_size=\"");
    view.reached = StatusView::kLanguage;
    const std::string language = value("default_lang=\"");
    const int language_index = language.empty() ? 0 : ToInteger(language);
    view.languages = net::HashListEntries(value("lang_list=\""));
    if (language_index >= 0 && language_index < static_cast<int>(view.languages.size()))
      view.language = language_index;
    view.reached = StatusView::kAll;
  } catch (const ConversionError& error) {
    view.failure = error.what();
  }
  return view;
}

Plan SetIdentification(const std::string& address, const Entry& host_entry,
                       const Entry& group_entry) {
  const std::string& host_typed = host_entry.text;
  const std::string& group_typed = group_entry.text;
  // These two look at the names as typed (field -1: both); no device takes
  // an empty name.
  if (host_typed.empty() || group_typed.empty())
    return Refusal{Say("Value is empty", kIdentification, Icon::Error), -1};
  if ((host_entry.typed && StartsWithDigit(host_typed)) ||
      (group_entry.typed && StartsWithDigit(group_typed)))
    return Refusal{Say("First character cannot be a number (0~9)", kIdentification), -1};
  // Each typed name is trimmed, then checked character by character; one
  // of blanks only is empty once trimmed. The device's own goes back whole.
  const std::string host = host_entry.typed ? Trim(host_typed) : host_typed;
  const std::string group = group_entry.typed ? Trim(group_typed) : group_typed;
  static const char* const kNameLabels[] = {"Host Name", "Group Name"};
  const std::string* names[] = {&host, &group};
  const bool typed[] = {host_entry.typed, group_entry.typed};
  for (int field = 0; field < 2; ++field) {
    const std::string& name = *names[field];
    if (name.empty()) return Refusal{Say("Value is empty", kIdentification, Icon::Error), field};
    if (!typed[field]) continue;
    const std::string forbidden = FirstForbidden(name);
    if (!forbidden.empty())
      return Refusal{
          {Translate("Invalid value ") + forbidden + Translate(kNameLabels[field]) + " " + name,
           Translate(kIdentification)},
          field};
    if (CharacterCount(name) > kMaxHostNameLength)
      return Refusal{
          {Translate(kNameLabels[field]) + ": " + Translate("Over Maximum (15 characters)."),
           Translate(kIdentification)},
          field};
  }
  return Command{"http://" + address +
                     "/nas.cgi?redirect=id.htm&failure=fail.htm&type=cifs_config_apply&enable=1"
                     "&hostname=" +
                     host + "&group_name=" + group,
                 "id.htm", false, host.size() >= group.size() ? "Host Name" : "Group Name"};
}

Plan SetAdministratorPassword(const std::string& address, const std::string& password,
                              const std::string& repeated) {
  if (password.empty() || repeated.empty())
    return Refusal{Say("Password cannot be empty!", "Administration")};
  if (CharacterCount(password) > kMaxNameLength || CharacterCount(repeated) > kMaxNameLength)
    return Refusal{Say("Over Maximum (12 characters).", "Administration")};
  if (password != repeated)
    return Refusal{Say("New password entries do not match!", "Administration")};
  return Command{"http://" + address +
                     "/man.cgi?redirect=sys_auth.htm&failure=fail.htm&type=auth_apply"
                     "&TF_password=" +
                     net::EncodeUrlValue(password) +
                     "&TF_passwordl=" + net::EncodeUrlValue(repeated),
                 "sys_auth.htm",
                 false,
                 "Password",
                 Then::UseNewPassword,
                 password};
}

namespace {

// The number a typed part of the date or time holds, when it is one from
// `low` to `high`.
std::optional<int> PartIn(const std::string& text, int low, int high) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  for (const char c : text)
    if (c < '0' || c > '9') return std::nullopt;
  const int n = std::stoi(text);
  if (n < low || n > high) return std::nullopt;
  return n;
}

int DaysIn(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// The first typed part of the date and time that is not part of a real
// date and time; nothing when all are.
std::optional<Refusal> CheckDateAndTime(const DateTime& when) {
  struct Part {
    const Entry& entry;
    const char* label;
    int low, high;
  };
  const int year = PartIn(when.year.text, 1970, 2100).value_or(2000);
  const int month = PartIn(when.month.text, 1, 12).value_or(1);
  const Part parts[] = {{when.year, "Year", 1970, 2100},
                        {when.month, "Month", 1, 12},
                        {when.day, "Day", 1, DaysIn(year, month)},
                        {when.hour, "Hour", 0, 23},
                        {when.minute, "Minute", 0, 59},
                        {when.second, "Second", 0, 59}};
  for (int field = 0; field < 6; ++field) {
    const Part& p = parts[field];
    // A day the device gave may no longer fit a month the person typed.
    const bool checked = p.entry.typed || (field == 2 && (when.month.typed || when.year.typed));
    if (!checked || PartIn(p.entry.text, p.low, p.high)) continue;
    return Refusal{{Translate(p.label) + ": \"" + p.entry.text + "\" " +
                        Translate("is not part of a real date and time (from 1970/01/01 to "
                                  "2100/12/31, 00:00:00 to 23:59:59)."),
                    Translate("Date and Time")},
                   field};
  }
  return std::nullopt;
}

}  // namespace

Plan SetDateAndTime(const std::string& address, const DateTime& when, bool sntp_auto,
                    bool server_from_list, const std::string& listed, const Entry& manual_entry,
                    int zone_index) {
  const std::string& manual = manual_entry.text;
  if (!server_from_list && manual.empty())
    return Refusal{Say("Time server is empty", "Date and Time")};
  if (!server_from_list && manual_entry.typed && CharacterCount(manual) > kMaxServerNameLength)
    return Refusal{{Translate("Time Server") + ": " + Translate("Over Maximum (64 characters)."),
                    Translate("Date and Time")}};
  // The device takes the date and time typed only without SNTP.
  if (!sntp_auto)
    if (auto refused = CheckDateAndTime(when)) return *refused;
  // Typed values go as typed, but nothing typed may reshape the query.
  const auto typed = [](const Entry& entry) { return net::EscapeQueryText(entry.text); };
  return Command{
      "http://" + address +
          "/man.cgi?redirect=sys_sntp.htm&failure=fail.htm&type=sntp_apply&sntp_time=&day0=" +
          typed(when.year) + "&day1=" + typed(when.month) + "&day2=" + typed(when.day) +
          "&time0=" + typed(when.hour) + "&time1=" + typed(when.minute) +
          "&time2=" + typed(when.second) + "&R_sntp=" + (sntp_auto ? "ENABLE" : "DISABLE") +
          "&R_sntp_server=" + (server_from_list ? "0" : "1") +
          "&Sntp_ip=" + net::EscapeQueryText(listed) + "&sntp_input=" + typed(manual_entry) +
          "&sntp_timezone=" + std::to_string(zone_index - 12),
      "sys_sntp.htm", false, server_from_list ? "Date and Time" : "Time Server"};
}

Command SetDhcpServer(const std::string& address, bool enabled) {
  return {"http://" + address +
              "/dhcps.cgi?redirect=status.htm&failure=fail.htm&type=dhcps_apply&R_dhcps=" +
              (enabled ? "ENABLE" : "DISABLE") +
              "&TF_wins=&TF_ippoolmin=2&TF_ippoolmax=254&TF_lease_day=1&TF_lease_hr=0"
              "&TF_lease_min=0",
          "status.htm", true};
}

Command SetLanguage(const std::string& address, int index) {
  return {"http://" + address +
              "/nas.cgi?redirect=status.htm&failure=fail.htm&type=nas_lang_apply&lang=" +
              std::to_string(index),
          "status.htm", true};
}

Message LanguageSetNote() {
  return Say("Please restart system to apply changes!", "Language", Icon::Question);
}

}  // namespace device
