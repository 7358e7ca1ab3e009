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

Plan SetIdentification(const std::string& address, const std::string& host_typed,
                       const std::string& group_typed) {
  // These two look at the names as typed (field -1: both).
  if (host_typed.empty() || group_typed.empty())
    return Refusal{Say("Value is empty", kIdentification, Icon::Error), -1};
  if (StartsWithDigit(host_typed) || StartsWithDigit(group_typed))
    return Refusal{Say("First character cannot be a number (0~9)", kIdentification), -1};
  // Each name is trimmed, then checked character by character; one of
  // blanks only is empty once trimmed.
  const std::string host = Trim(host_typed), group = Trim(group_typed);
  static const char* const kNameLabels[] = {"Host Name", "Group Name"};
  const std::string* names[] = {&host, &group};
  for (int field = 0; field < 2; ++field) {
    const std::string& name = *names[field];
    if (name.empty()) return Refusal{Say("Value is empty", kIdentification, Icon::Error), field};
    const std::string forbidden = FirstForbidden(name);
    if (!forbidden.empty())
      return Refusal{
          {Translate("Invalid value ") + forbidden + Translate(kNameLabels[field]) + " " + name,
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
  if (password != repeated)
    return Refusal{Say("New password entries do not match!", "Administration")};
  return Command{"http://" + address +
                     "/man.cgi?redirect=sys_auth.htm&failure=fail.htm&type=auth_apply"
                     "&TF_password=" +
                     net::EncodeUrlValue(password) +
                     "&TF_passwordl=" + net::EncodeUrlValue(repeated),
                 "sys_auth.htm", false, "Password"};
}

Plan SetDateAndTime(const std::string& address, const DateTime& when, bool sntp_auto,
                    bool server_from_list, const std::string& listed, const std::string& manual,
                    int zone_index) {
  if (!server_from_list && manual.empty())
    return Refusal{Say("Time server is empty", "Date and Time")};
  // Typed values go as typed, but nothing typed may reshape the query.
  const auto typed = [](const std::string& text) { return net::EscapeQueryText(text); };
  return Command{
      "http://" + address +
          "/man.cgi?redirect=sys_sntp.htm&failure=fail.htm&type=sntp_apply&sntp_time=&day0=" +
          typed(when.year) + "&day1=" + typed(when.month) + "&day2=" + typed(when.day) +
          "&time0=" + typed(when.hour) + "&time1=" + typed(when.minute) +
          "&time2=" + typed(when.second) + "&R_sntp=" + (sntp_auto ? "ENABLE" : "DISABLE") +
          "&R_sntp_server=" + (server_from_list ? "0" : "1") + "&Sntp_ip=" + typed(listed) +
          "&sntp_input=" + typed(manual) + "&sntp_timezone=" + std::to_string(zone_index - 12),
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
