#include "sim/cgi.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <random>

#include "sim/status_page.h"

namespace sim {
namespace {

constexpr char kFail[] = "fail.htm";

std::string Param(const Params& params, const std::string& name, bool* present = nullptr) {
  for (const auto& [k, v] : params)
    if (k == name) {
      if (present) *present = true;
      return v;
    }
  if (present) *present = false;
  return {};
}

bool IsNumber(const std::string& text, long min, long max, long* out = nullptr) {
  if (text.empty() || text.size() > 9) return false;
  std::size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  const long v = std::stol(text);
  if (out) *out = v;
  return v >= min && v <= max;
}

bool ValidAddress(const std::string& text) {
  in_addr a{};
  return ::inet_pton(AF_INET, text.c_str(), &a) == 1;
}

SharedFolder* FindFolder(DeviceState& s, const std::string& name) {
  for (auto& f : s.folders)
    if (f.name == name) return &f;
  return nullptr;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Share names are one name whatever their letter case: a second folder
// differing from another only in case would be the same share.
bool NameTaken(const DeviceState& s, const std::string& name,
               const SharedFolder* except = nullptr) {
  return std::any_of(s.folders.begin(), s.folders.end(), [&](const SharedFolder& f) {
    return &f != except && Lower(f.name) == Lower(name);
  });
}

FtpAccount* FindAccount(DeviceState& s, const std::string& name) {
  for (auto& a : s.accounts)
    if (a.name == name) return &a;
  return nullptr;
}

// The address a DHCP server on the LAN would hand out: one of the high host
// numbers of the device's subnet, other than its own.
std::string AutomaticAddress(const DeviceState& s) {
  in_addr a{};
  ::inet_pton(AF_INET, s.ip.c_str(), &a);
  const std::uint32_t host = ntohl(a.s_addr);
  const std::uint32_t mask = s.prefix == 0 ? 0 : ~0u << (32 - s.prefix);
  std::mt19937 random(std::random_device{}());
  std::uint32_t pick = host;
  while (pick == host) pick = (host & mask) | (200 + random() % 50);
  a.s_addr = htonl(pick);
  char text[INET_ADDRSTRLEN];
  ::inet_ntop(AF_INET, &a, text, sizeof text);
  return text;
}

}  // namespace

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() &&
               std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
               std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

Params ParseQuery(const std::string& query) {
  Params params;
  std::size_t start = 0;
  while (start <= query.size()) {
    const auto end = std::min(query.find('&', start), query.size());
    const std::string pair = query.substr(start, end - start);
    if (!pair.empty()) {
      const auto eq = pair.find('=');
      params.emplace_back(PercentDecode(pair.substr(0, eq)),
                          eq == std::string::npos ? "" : PercentDecode(pair.substr(eq + 1)));
    }
    start = end + 1;
  }
  return params;
}

bool ValidIdentifier(const std::string& name) {
  if (name.empty() || name.size() > 15) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '=';
  });
}

bool ValidFolderName(const std::string& name) {
  // A folder lives inside the device's share: never its parent or itself.
  if (name.empty() || name.size() > 64 || name == "." || name == "..") return false;
  for (const char* reserved : {"global", "homes", "printers", "print$", "ipc$"})
    if (Lower(name) == reserved) return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return c == '/' || c == '\\' || c == '"' || c == '<' || c == '>' || c == '%' || c == '[' ||
           c == ']' || static_cast<unsigned char>(c) < 0x20;
  });
}

CgiOutcome HandleCgi(Device& device, const std::string& program, const Params& params,
                     const std::function<void(const std::string&)>& move_address) {
  DeviceState& s = device.state;
  const std::string type = Param(params, "type");
  const std::string done = Param(params, "redirect");
  const std::string failure = Param(params, "failure").empty() ? kFail : Param(params, "failure");
  CgiOutcome ok{done.empty() ? "index.htm" : done, {}};
  const CgiOutcome fail{failure, {}};

  if (type.rfind("ftps_", 0) == 0 && device.faults.refuse_ftp > 0) {
    --device.faults.refuse_ftp;
    return fail;
  }
  if (device.faults.refuse > 0) {
    --device.faults.refuse;
    return fail;
  }

  if (program == "nas.cgi") {
    if (type == "cifs_config_apply") {
      const std::string host = Param(params, "hostname"), group = Param(params, "group_name");
      if (!ValidIdentifier(host) || !ValidIdentifier(group)) return fail;
      s.name = host;
      s.group = group;
      return ok;
    }
    if (type == "nas_lang_apply") {
      long index = 0;
      if (!IsNumber(Param(params, "lang"), 0, static_cast<long>(s.languages.size()) - 1, &index))
        return fail;
      s.language = static_cast<int>(index);
      return ok;
    }
    if (type == "nas_apply") {
      bool adding = false, removing = false;
      const std::string add = Param(params, "share_list", &adding);
      const std::string remove = Param(params, "allow_share", &removing);
      SharedFolder* f = FindFolder(s, adding ? add : remove);
      if (f == nullptr || (!adding && !removing)) return fail;
      f->shared = adding;
      return ok;
    }
    if (type == "nas_mod") {
      SharedFolder* f = FindFolder(s, Param(params, "folder"));
      const std::string p1 = Param(params, "password1"), p2 = Param(params, "password2");
      // A password is one line of text: no control byte may split it.
      const bool plain = std::none_of(p1.begin(), p1.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
      });
      if (f == nullptr || p1 != p2 || p1.size() > 12 || !plain) return fail;
      f->password = p1;
      return ok;
    }
    if (type == "fm_mkdir_apply") {
      const std::string name = Param(params, "folder");
      if (!ValidFolderName(name) || NameTaken(s, name)) return fail;
      s.folders.push_back({name, false, ""});
      return ok;
    }
    if (type == "fm_rename_apply") {
      const std::string to = Param(params, "folder"), from = Param(params, "to_name");
      SharedFolder* f = FindFolder(s, from);
      if (f == nullptr || !ValidFolderName(to) || NameTaken(s, to, f)) return fail;
      // The folder's files go with it.
      if (device.files != nullptr) device.files->Renamed(from, to);
      f->name = to;
      for (auto& a : s.accounts) std::replace(a.folders.begin(), a.folders.end(), from, to);
      if (s.ftp_anonymous_home == from) s.ftp_anonymous_home = to;
      return ok;
    }
    if (type == "fm_rmdir_apply") {
      const std::string name = Param(params, "folder");
      const auto it = std::find_if(s.folders.begin(), s.folders.end(),
                                   [&](const SharedFolder& f) { return f.name == name; });
      if (it == s.folders.end()) return fail;
      s.folders.erase(it);
      if (device.files != nullptr) device.files->Removed(name);
      for (auto& a : s.accounts) std::erase(a.folders, name);
      return ok;
    }
    if (type == "ftps_state_apply") {
      const std::string state = Param(params, "ftps_set"), port = Param(params, "ftps_port");
      long p = 0;
      if ((state != "ENABLE" && state != "DISABLE") || !IsNumber(port, 21, 65500, &p) ||
          (p != 21 && p < 1025))
        return fail;
      s.ftp_enabled = state == "ENABLE";
      s.ftp_port = std::to_string(p);
      return ok;
    }
    if (type == "ftps_anonymous_apply") {
      const std::string home = Param(params, "home");
      if (!FindFolder(s, home)) return fail;
      s.ftp_anonymous = Param(params, "ftp_anon_stu") == "ENABLE";
      s.ftp_anonymous_read_only = Param(params, "ftp_a_att") == "RO";
      s.ftp_anonymous_home = home;
      return ok;
    }
    if (type == "ftps_userid_set") {
      long id = 0;
      if (!IsNumber(Param(params, "ftps_user_id"), 0, 255, &id)) return fail;
      if (id != 255 && std::none_of(s.accounts.begin(), s.accounts.end(),
                                    [id](const FtpAccount& a) { return a.id == id; }))
        return fail;
      s.selected_account = static_cast<int>(id);
      return ok;
    }
    if (type == "ftps_user_add") {
      const std::string name = Param(params, "Account");
      bool has_password = false;
      const std::string password = Param(params, "Account_passwd", &has_password);
      const std::string access = Param(params, "ftp_att");
      if (!ValidIdentifier(name) || name.size() > 12 || password.size() > 12 ||
          (access != "R" && access != "W"))
        return fail;
      FtpAccount* existing = FindAccount(s, name);
      if (s.selected_account == 255) {
        if (existing != nullptr) return fail;  // the account exists already
        s.accounts.push_back({s.next_account_id++, name, password, access == "R", true, {}});
      } else {
        if (existing == nullptr || existing->id != s.selected_account) return fail;
        if (has_password) existing->password = password;
        existing->read_only = access == "R";
      }
      return ok;
    }
    if (type == "ftps_user_enabled") {
      long row = 0;
      if (!IsNumber(Param(params, "FTP_AC_LIST"), 0, static_cast<long>(s.accounts.size()) - 1,
                    &row))
        return fail;
      s.accounts[static_cast<std::size_t>(row)].enabled =
          !s.accounts[static_cast<std::size_t>(row)].enabled;
      return ok;
    }
    if (type == "ftps_user_del") {
      long id = 0;
      if (!IsNumber(Param(params, "FTP_AC_LIST"), 0, 1 << 20, &id)) return fail;
      const auto it = std::find_if(s.accounts.begin(), s.accounts.end(),
                                   [id](const FtpAccount& a) { return a.id == id; });
      if (it == s.accounts.end()) return fail;
      s.accounts.erase(it);
      if (s.selected_account == id) s.selected_account = 255;
      return ok;
    }
    if (type == "ftps_add_share" || type == "ftps_del_share") {
      FtpAccount* a = FindAccount(s, Param(params, "account"));
      const std::string folder = Param(params, "account_List");
      if (a == nullptr) return fail;
      const auto it = std::find(a->folders.begin(), a->folders.end(), folder);
      if (type == "ftps_add_share") {
        if (!FindFolder(s, folder) || it != a->folders.end()) return fail;
        a->folders.push_back(folder);
      } else {
        if (it == a->folders.end()) return fail;
        a->folders.erase(it);
      }
      return ok;
    }
    if (type == "IDE_init") {
      s.folders = {{"PUBLIC", true, ""}};
      if (device.files != nullptr) device.files->Formatted();
      for (auto& a : s.accounts) a.folders.clear();
      s.ftp_anonymous_home = "PUBLIC";
      s.used_mb = 0;
      s.scan_running = false;
      s.scan_messages.clear();
      return ok;
    }
    if (type == "ide_set") {
      long idle = 0;
      if (!IsNumber(Param(params, "idle"), 0, 60, &idle) || (idle > 0 && idle < 5)) return fail;
      s.idle_minutes = static_cast<int>(idle);
      return ok;
    }
    if (type == "ide_scandisk_start") {
      s.scan_running = true;
      s.scan_started = std::chrono::steady_clock::now();
      AdvanceDiskScan(s);
      return ok;
    }
    if (type == "ide_fixdisk_start") {
      s.scan_running = false;
      s.scan_messages.clear();
      return ok;
    }
    return fail;
  }

  if (program == "man.cgi") {
    if (type == "auth_apply") {
      const std::string p1 = Param(params, "TF_password"), p2 = Param(params, "TF_passwordl");
      if (p1 != p2 || p1.size() > 12) return fail;
      s.admin_password = p1;
      return ok;
    }
    if (type == "sntp_apply") {
      const bool automatic = Param(params, "R_sntp") == "ENABLE";
      const bool from_list = Param(params, "R_sntp_server") == "0";
      long zone = 0;
      if (!IsNumber(Param(params, "sntp_timezone"), -12, 12, &zone)) return fail;
      if (!automatic) {
        long y, mo, d, h, mi, se;
        if (!IsNumber(Param(params, "day0"), 1970, 2100, &y) ||
            !IsNumber(Param(params, "day1"), 1, 12, &mo) ||
            !IsNumber(Param(params, "day2"), 1, 31, &d) ||
            !IsNumber(Param(params, "time0"), 0, 23, &h) ||
            !IsNumber(Param(params, "time1"), 0, 59, &mi) ||
            !IsNumber(Param(params, "time2"), 0, 59, &se))
          return fail;
        std::tm t{};
        t.tm_year = static_cast<int>(y - 1900);
        t.tm_mon = static_cast<int>(mo - 1);
        t.tm_mday = static_cast<int>(d);
        t.tm_hour = static_cast<int>(h);
        t.tm_min = static_cast<int>(mi);
        t.tm_sec = static_cast<int>(se);
        s.clock_offset_s = static_cast<int>(::timegm(&t) - std::time(nullptr));
      }
      s.sntp_auto = automatic;
      s.sntp_from_list = from_list;
      s.sntp_server = from_list ? Param(params, "Sntp_ip") : Param(params, "sntp_input");
      s.time_zone = static_cast<int>(zone);
      return ok;
    }
    if (type == "reboot") {
      if (!s.pending_firmware.empty()) s.firmware = s.pending_firmware;
      s.pending_firmware.clear();
      ok.after_reply = [&device] { device.Restart(Device::kRestartDelayMs); };
      return ok;
    }
    if (type == "default_setting") {
      const std::string ip = s.ip;
      const int prefix = s.prefix;
      s = device.factory;
      s.ip = ip;  // the address stays until the restart asks the network anew
      s.prefix = prefix;
      return ok;
    }
    return fail;
  }

  if (program == "dhcps.cgi" && type == "dhcps_apply") {
    const std::string state = Param(params, "R_dhcps");
    if (state != "ENABLE" && state != "DISABLE") return fail;
    s.dhcp_server = state == "ENABLE";
    return ok;
  }

  if (program == "if.cgi" && type == "wan_fixip_apply") {
    const std::string ip = Param(params, "ip");
    if (!ValidAddress(ip) || !ValidAddress(Param(params, "submask"))) return fail;
    s.dhcp_client = false;
    s.submask = Param(params, "submask");
    s.gateway = Param(params, "gateway");
    s.pdns = Param(params, "pdns");
    s.sdns = Param(params, "sdns");
    ok.after_reply = [move_address, ip] { move_address(ip); };
    return ok;
  }

  if (program == "dhcpc.cgi" && type == "dhcpc_apply") {
    s.dhcp_client = true;
    const std::string ip = AutomaticAddress(s);
    ok.after_reply = [move_address, ip] { move_address(ip); };
    return ok;
  }

  return fail;
}

}  // namespace sim
