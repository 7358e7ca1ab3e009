#include "device/setup.h"

#include <algorithm>

#include "device/disk.h"
#include "device/folders.h"
#include "device/ftp.h"
#include "device/status.h"
#include "device/text.h"

namespace device {

namespace {

const char* OnOff(bool on) {
  return on ? "on" : "off";
}

std::string Arrow(const std::string& what, const std::string& from, const std::string& to) {
  return what + ": " + (from.empty() ? "(none)" : from) + " -> " + (to.empty() ? "(none)" : to);
}

template <typename T>
const T* Named(const std::vector<T>& items, const std::string& name) {
  const auto it = std::find_if(items.begin(), items.end(),
                               [&](const T& item) { return SameButCase(item.name, name); });
  return it == items.end() ? nullptr : &*it;
}

bool Lists(const std::vector<std::string>& items, const std::string& name) {
  return std::any_of(items.begin(), items.end(),
                     [&](const std::string& item) { return SameButCase(item, name); });
}

int Number(const std::string& text, int otherwise) {
  try {
    return ToInteger(text);
  } catch (const ConversionError&) {
    return otherwise;
  }
}

std::string AddressText(const AddressSettings& a) {
  if (a.automatic) return "automatic";
  std::string text = a.ip + "/" + a.mask;
  if (!a.gateway.empty()) text += " via " + a.gateway;
  if (!a.primary_dns.empty()) text += " dns " + a.primary_dns;
  if (!a.secondary_dns.empty()) text += "," + a.secondary_dns;
  return text;
}

}  // namespace

Setup SetupOfPage(const std::string& page) {
  Setup s;
  const StatusView status = ShowStatus(page);
  s.host = status.host;
  s.group = status.group;
  s.sntp = status.sntp_auto;
  s.time_server =
      status.server_from_list ? kTimeServers[status.listed_server] : status.manual_server;
  s.zone = status.zone.value_or(12) - 12;
  if (status.language) s.language = status.languages[static_cast<std::size_t>(*status.language)];
  s.dhcp_server = status.dhcp_server;
  s.address = ShowIpConfig(page);
  const FileServerView files = ShowFileServer(page);
  const FtpServerView ftp = ShowFtpServer(page);
  // Every folder, in the device's own order.
  for (const std::string& name : ftp.homes)
    s.folders.push_back({name, Lists(files.shared, name), false});
  for (const std::string& name : files.folders)
    if (!Named(s.folders, name)) s.folders.push_back({name, false, false});
  for (const std::string& name : files.shared)
    if (!Named(s.folders, name)) s.folders.push_back({name, true, false});
  s.ftp = ftp.enabled;
  s.ftp_port = ftp.port;
  s.anonymous = ftp.anonymous;
  s.anonymous_read_only = ftp.anonymous_read_only;
  if (ftp.home) s.anonymous_home = ftp.homes[static_cast<std::size_t>(*ftp.home)];
  for (const net::AccountRow& row : ftp.accounts)
    s.accounts.push_back({row.name, row.state == "Enable", row.access == "Read only", {}});
  s.sleep_minutes = Number(ShowDisk(page).sleep_minutes, 0);
  return s;
}

std::vector<Change> Differences(const Setup& d, const Setup& w, ApplyChoices choices) {
  using K = Change::Kind;
  std::vector<Change> out;
  auto add = [&out](K kind, std::string said, std::string subject = {}, std::string folder = {}) {
    out.push_back({kind, std::move(subject), std::move(folder), std::move(said)});
  };

  std::vector<std::string> names;
  if (choices.identity && w.host != d.host) names.push_back(Arrow("host name", d.host, w.host));
  if (w.group != d.group) names.push_back(Arrow("group name", d.group, w.group));
  for (const auto& said : names) add(K::Names, said);

  if (w.sntp != d.sntp) add(K::Time, Arrow("sntp", OnOff(d.sntp), OnOff(w.sntp)));
  if (w.time_server != d.time_server)
    add(K::Time, Arrow("time server", d.time_server, w.time_server));
  if (w.zone != d.zone)
    add(K::Time, Arrow("time zone", std::to_string(d.zone), std::to_string(w.zone)));
  if (!w.language.empty() && !SameButCase(w.language, d.language))
    add(K::Language, Arrow("language", d.language, w.language));
  if (w.dhcp_server != d.dhcp_server)
    add(K::DhcpServer, Arrow("dhcp server", OnOff(d.dhcp_server), OnOff(w.dhcp_server)));

  // Folders first: the FTP home and the accounts use them.
  for (const FolderSetup& f : w.folders) {
    const FolderSetup* has = Named(d.folders, f.name);
    if (has == nullptr) {
      add(K::CreateFolder, "folder " + f.name + ": create", f.name);
      if (f.secured) add(K::SecureFolder, "folder " + f.name + ": password", f.name);
    }
    if ((has != nullptr && has->shared) != f.shared)
      add(f.shared ? K::ShareFolder : K::UnshareFolder,
          "folder " + f.name + (f.shared ? ": share" : ": unshare"), has ? has->name : f.name);
  }

  if (w.ftp != d.ftp || Number(w.ftp_port, -1) != Number(d.ftp_port, -2)) {
    if (w.ftp != d.ftp) add(K::FtpService, Arrow("ftp service", OnOff(d.ftp), OnOff(w.ftp)));
    if (w.ftp_port != d.ftp_port) add(K::FtpService, Arrow("ftp port", d.ftp_port, w.ftp_port));
  }
  const bool home_differs =
      !w.anonymous_home.empty() && !SameButCase(w.anonymous_home, d.anonymous_home);
  if (w.anonymous != d.anonymous)
    add(K::Anonymous, Arrow("ftp anonymous", OnOff(d.anonymous), OnOff(w.anonymous)));
  if (w.anonymous_read_only != d.anonymous_read_only)
    add(K::Anonymous, Arrow("ftp anonymous read only", OnOff(d.anonymous_read_only),
                            OnOff(w.anonymous_read_only)));
  if (home_differs)
    add(K::Anonymous, Arrow("ftp anonymous home", d.anonymous_home, w.anonymous_home));

  for (const AccountSetup& a : w.accounts) {
    const AccountSetup* has = Named(d.accounts, a.name);
    const std::string name = has ? has->name : a.name;
    const std::string what = "account " + name;
    if (has == nullptr)
      add(K::CreateAccount, what + ": create" + (a.read_only ? ", read only" : ", read/write"),
          name);
    else if (has->read_only != a.read_only)
      add(K::AccountAccess, what + (a.read_only ? ": read only" : ": read/write"), name);
    if ((has == nullptr ? true : has->enabled) != a.enabled)
      add(K::AccountEnabled, what + (a.enabled ? ": enable" : ": disable"), name);
    const std::vector<std::string> holds = has ? has->folders : std::vector<std::string>{};
    for (const auto& f : a.folders)
      if (!Lists(holds, f)) add(K::GiveFolder, what + ": give " + f, name, f);
    for (const auto& f : holds)
      if (!Lists(a.folders, f)) add(K::TakeFolder, what + ": take " + f, name, f);
  }
  if (choices.prune) {
    for (const AccountSetup& a : d.accounts)
      if (!Named(w.accounts, a.name))
        add(K::DeleteAccount, "account " + a.name + ": delete", a.name);
    for (const FolderSetup& f : d.folders)
      if (!Named(w.folders, f.name)) add(K::DeleteFolder, "folder " + f.name + ": delete", f.name);
  }
  if (w.sleep_minutes != d.sleep_minutes)
    add(K::Sleep, Arrow("disk sleep", std::to_string(d.sleep_minutes) + " min",
                        std::to_string(w.sleep_minutes) + " min"));

  // Last: after it, the device may answer elsewhere.
  const AddressSettings &was = d.address, &to = w.address;
  const bool address_differs =
      was.automatic != to.automatic ||
      (!to.automatic &&
       (was.ip != to.ip || was.mask != to.mask || was.gateway != to.gateway ||
        was.primary_dns != to.primary_dns || was.secondary_dns != to.secondary_dns));
  if (choices.identity && address_differs)
    add(K::Address, Arrow("address", AddressText(was), AddressText(to)));
  return out;
}

}  // namespace device
