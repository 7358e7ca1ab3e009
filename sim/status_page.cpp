#include "sim/status_page.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace sim {
namespace {

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// The folder lists follow a select element whose last attribute is not
// quoted, so no stray empty entry precedes the first folder.
std::string Options(const std::vector<std::string>& names, const std::string& select,
                    const std::string& before_end = "") {
  std::string out = "<select name=\"" + select + "\" size=6>";
  for (const auto& n : names) out += "<option value=\"" + n + "\">" + n + before_end + "</option>";
  return out + "</select>";
}

std::string SizeText(long long mb) {
  char text[32];
  std::snprintf(text, sizeof text, " %.1f GB ", static_cast<double>(mb) / 1024.0);
  return text;
}

}  // namespace

void AdvanceDiskScan(DeviceState& state) {
  if (!state.scan_running) return;
  const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::steady_clock::now() - state.scan_started)
                           .count();
  const int seconds = std::max(1, state.scan_seconds);
  const int steps = static_cast<int>(std::min<long long>(elapsed, seconds));
  state.scan_messages = {"Scan started"};
  for (int i = 1; i <= steps; ++i)
    state.scan_messages.push_back("Checking " + std::to_string(i * 100 / seconds) + "%");
  if (elapsed >= seconds) {
    state.scan_messages.push_back("Bad sector at block 1048576");
    state.scan_messages.push_back("Scan finished: 1 error found");
    state.scan_running = false;
  }
}

std::string AccountOption(const FtpAccount& account) {
  const int padding = std::max(0, 21 - static_cast<int>(account.name.size()));
  return "<option value=\"" + std::to_string(account.id) + "\">" + account.name +
         Repeat("&nbsp;", padding) + account.password + Repeat("&nbsp;", 11) +
         (account.read_only ? "Read only" : "Read/Write") + Repeat("&nbsp;", 11) +
         (account.enabled ? "Enable" : "Disable") + "&nbsp;</option>";
}

std::string RenderStatusPage(const DeviceState& s) {
  std::string page =
      "<HTML><HEAD><META http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
      "<TITLE>Device status</TITLE>\r\n<SCRIPT language=\"JavaScript\">\r\n";
  auto var = [&page](const std::string& name, const std::string& value) {
    page += "var " + name + "=\"" + value + "\";\r\n";
  };
  auto two = [](int n) {
    char t[16];
    std::snprintf(t, sizeof t, "%02d", n);
    return std::string(t);
  };

  const std::time_t now = std::time(nullptr) + s.clock_offset_s;
  std::tm t{};
  ::gmtime_r(&now, &t);
  std::vector<std::string> all, unshared, shared;
  for (const auto& f : s.folders) {
    all.push_back(f.name);
    (f.shared ? shared : unshared).push_back(f.name);
  }

  var("host_name", s.name);
  var("group_name", s.group);
  var("sntp_time", std::to_string(t.tm_year + 1900) + "/" + two(t.tm_mon + 1) + "/" +
                       two(t.tm_mday) + " " + two(t.tm_hour) + ":" + two(t.tm_min) + ":" +
                       two(t.tm_sec));
  var("sntp_day0", std::to_string(t.tm_year + 1900));
  var("sntp_day1", two(t.tm_mon + 1));
  var("sntp_day2", two(t.tm_mday));
  var("sntp_time0", two(t.tm_hour));
  var("sntp_time1", two(t.tm_min));
  var("sntp_time2", two(t.tm_sec));
  var("sntp_auto", s.sntp_auto ? kOnMarker : "");
  var("sntp_timeserver", s.sntp_from_list ? "0" : "1");
  var("sntp_server", s.sntp_server);
  var("sntp_zone", std::to_string(s.time_zone));
  var("ip_addr", s.ip);
  var("mac_addr", s.mac);
  var("dhcps_option", s.dhcp_server ? kOnMarker : "");
  var("firm_ver", s.firmware);
  var("disk_id", s.disk_id);
  var("total_size", SizeText(s.total_mb));
  var("free_size", SizeText(s.total_mb - s.used_mb));
  var("default_lang", std::to_string(s.language));
  std::string languages;
  for (const auto& l : s.languages) languages += (languages.empty() ? "" : "#") + l;
  var("lang_list", languages);

  var("ip_type", s.dhcp_client ? "DHCP CLIENT" : "FIXED IP");
  var("ip", s.ip);
  var("submask", s.submask);
  var("gateway", s.gateway);
  var("pdns", s.pdns);
  var("sdns", s.sdns);

  var("share_list", Options(unshared, "share_list"));
  var("allow_share", Options(shared, "allow_share"));

  var("ftps_status", s.ftp_enabled ? "ENABLE" : "DISABLE");
  var("ftps_port", s.ftp_port);
  var("ftp_anon_stu", s.ftp_anonymous ? "checked" : "");
  var("ftp_a_att", s.ftp_anonymous_read_only ? "checked" : "");
  var("ftps_dir_list", Options(all, "ftps_dir_list"));
  var("ftps_home_def", s.ftp_anonymous_home);
  std::string accounts = "<select name=\"FTP_AC_LIST\" size=6>";
  for (const auto& a : s.accounts) accounts += AccountOption(a);
  var("ftp_ac_list", accounts + "</select>");
  const FtpAccount* selected = nullptr;
  for (const auto& a : s.accounts)
    if (a.id == s.selected_account) selected = &a;
  var("ftps_account", selected ? selected->name : "");
  var("ftps_account_passwd", selected ? selected->password : "");
  var("ftps_att", selected && selected->read_only ? "checked" : "");
  var("ftps_share_list",
      Options(selected ? selected->folders : std::vector<std::string>{}, "account_List", " "));

  // This one line ends in a bare line feed, as the device writes it: read by
  // the page rules, its value runs on to the next line's end, and the
  // reader takes what stands before its first quote and semicolon.
  page += "var disk_idle_value=\"" + std::to_string(s.idle_minutes) + "\";\n";
  var("disk_fix_enable", s.scan_messages.empty() ? "DISABLE" : "ENABLE");
  std::string scan;
  for (const auto& m : s.scan_messages) scan += m + "\n";
  var("disk_scan", scan);

  page += "</SCRIPT></HEAD><BODY>Status</BODY></HTML>\r\n";
  return page;
}

}  // namespace sim
