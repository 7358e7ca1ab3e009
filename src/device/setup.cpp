#include "device/setup.h"

#include <algorithm>
#include <cstring>

#include "device/disk.h"
#include "device/folders.h"
#include "device/ftp.h"
#include "device/status.h"
#include "device/text.h"
#include "net/page_values.h"

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
  // A page read in part would back up a setup the device does not have:
  // every line a setup is read from must be there.
  static const char* const kLines[] = {
      "host_name=\"",    "group_name=\"",  "sntp_auto=\"",      "sntp_zone=\"",   "dhcps_option=\"",
      "ip_type=\"",      "share_list=\"",  "allow_share=\"",    "ftps_status=\"", "ftps_port=\"",
      "ftp_anon_stu=\"", "ftp_ac_list=\"", "disk_idle_value=\""};
  for (const char* line : kLines)
    if (!net::HasPageValue(page, line))
      throw ConversionError(std::string("no ") + std::string(line, std::strlen(line) - 2));
  const StatusView status = ShowStatus(page);
  if (!status.failure.empty()) throw ConversionError(status.failure);
  if (!status.zone) throw ConversionError("the status page shows no time zone");
  s.host = status.host;
  s.group = status.group;
  s.sntp = status.sntp_auto;
  s.time_server =
      status.server_from_list ? kTimeServers[status.listed_server] : status.manual_server;
  s.zone = *status.zone - 12;
  if (status.language) s.language = status.languages[static_cast<std::size_t>(*status.language)];
  s.dhcp_server = status.dhcp_server;
  s.address = ShowIpConfig(page);
  if (!s.address.automatic && s.address.ip.empty())
    throw ConversionError("the status page shows no address");
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
  // The folders of the account whose page the status page shows are known.
  const FtpAccountView shown = ShowFtpAccount(page);
  for (const net::AccountRow& row : ftp.accounts) {
    const bool on_page = !shown.account.empty() && row.name == shown.account;
    s.accounts.push_back({row.name, row.state == "Enable", row.access == "Read only",
                          on_page ? shown.account_folders : std::vector<std::string>{}, on_page});
  }
  s.sleep_minutes = ToInteger(ShowDisk(page).sleep_minutes);
  return s;
}

namespace {

using K = Change::Kind;

// The changes of one part of a setup, in order.
class ChangeList {
 public:
  void Add(K kind, std::string said, std::string subject = {}, std::string folder = {}) {
    changes_.push_back({kind, std::move(subject), std::move(folder), std::move(said)});
  }
  std::vector<Change> Take() { return std::move(changes_); }

 private:
  std::vector<Change> changes_;
};

void SystemChanges(const Setup& d, const Setup& w, ApplyChoices choices, ChangeList& out) {
  if (choices.identity && w.host != d.host) out.Add(K::Names, Arrow("host name", d.host, w.host));
  if (w.group != d.group) out.Add(K::Names, Arrow("group name", d.group, w.group));
  if (w.sntp != d.sntp) out.Add(K::Time, Arrow("sntp", OnOff(d.sntp), OnOff(w.sntp)));
  if (w.time_server != d.time_server)
    out.Add(K::Time, Arrow("time server", d.time_server, w.time_server));
  if (w.zone != d.zone)
    out.Add(K::Time, Arrow("time zone", std::to_string(d.zone), std::to_string(w.zone)));
  if (!w.language.empty() && !SameButCase(w.language, d.language))
    out.Add(K::Language, Arrow("language", d.language, w.language));
  if (w.dhcp_server != d.dhcp_server)
    out.Add(K::DhcpServer, Arrow("dhcp server", OnOff(d.dhcp_server), OnOff(w.dhcp_server)));
}

void FolderChanges(const Setup& d, const Setup& w, ChangeList& out) {
  for (const FolderSetup& f : w.folders) {
    const FolderSetup* has = Named(d.folders, f.name);
    if (has == nullptr) {
      out.Add(K::CreateFolder, "folder " + f.name + ": create", f.name);
      if (f.secured) out.Add(K::SecureFolder, "folder " + f.name + ": password", f.name);
    }
    if ((has != nullptr && has->shared) != f.shared)
      out.Add(f.shared ? K::ShareFolder : K::UnshareFolder,
              "folder " + f.name + (f.shared ? ": share" : ": unshare"), has ? has->name : f.name);
  }
}

void FtpChanges(const Setup& d, const Setup& w, ChangeList& out) {
  if (w.ftp != d.ftp) out.Add(K::FtpService, Arrow("ftp service", OnOff(d.ftp), OnOff(w.ftp)));
  if (Number(w.ftp_port, -1) != Number(d.ftp_port, -2))
    out.Add(K::FtpService, Arrow("ftp port", d.ftp_port, w.ftp_port));
  if (w.anonymous != d.anonymous)
    out.Add(K::Anonymous, Arrow("ftp anonymous", OnOff(d.anonymous), OnOff(w.anonymous)));
  if (w.anonymous_read_only != d.anonymous_read_only)
    out.Add(K::Anonymous, Arrow("ftp anonymous read only", OnOff(d.anonymous_read_only),
                                OnOff(w.anonymous_read_only)));
  if (!w.anonymous_home.empty() && !SameButCase(w.anonymous_home, d.anonymous_home))
    out.Add(K::Anonymous, Arrow("ftp anonymous home", d.anonymous_home, w.anonymous_home));
}

void AccountChanges(const Setup& d, const Setup& w, ChangeList& out) {
  for (const AccountSetup& a : w.accounts) {
    const AccountSetup* has = Named(d.accounts, a.name);
    const std::string name = has ? has->name : a.name;
    const std::string what = "account " + name;
    if (has == nullptr)
      out.Add(K::CreateAccount, what + ": create" + (a.read_only ? ", read only" : ", read/write"),
              name);
    else if (has->read_only != a.read_only)
      out.Add(K::AccountAccess, what + (a.read_only ? ": read only" : ": read/write"), name);
    if ((has == nullptr ? true : has->enabled) != a.enabled)
      out.Add(K::AccountEnabled, what + (a.enabled ? ": enable" : ": disable"), name);
    if (!a.folders_known || (has != nullptr && !has->folders_known)) continue;
    const std::vector<std::string> holds = has ? has->folders : std::vector<std::string>{};
    for (const auto& f : a.folders)
      if (!Lists(holds, f)) out.Add(K::GiveFolder, what + ": give " + f, name, f);
    for (const auto& f : holds)
      if (!Lists(a.folders, f)) out.Add(K::TakeFolder, what + ": take " + f, name, f);
  }
}

void Deletions(const Setup& d, const Setup& w, ChangeList& out) {
  for (const AccountSetup& a : d.accounts)
    if (!Named(w.accounts, a.name))
      out.Add(K::DeleteAccount, "account " + a.name + ": delete", a.name);
  for (const FolderSetup& f : d.folders)
    if (!Named(w.folders, f.name))
      out.Add(K::DeleteFolder, "folder " + f.name + ": delete", f.name);
}

bool AddressDiffers(const AddressSettings& was, const AddressSettings& to) {
  return was.automatic != to.automatic ||
         (!to.automatic &&
          (was.ip != to.ip || was.mask != to.mask || was.gateway != to.gateway ||
           was.primary_dns != to.primary_dns || was.secondary_dns != to.secondary_dns));
}

}  // namespace

std::vector<Change> Differences(const Setup& d, const Setup& w, ApplyChoices choices) {
  ChangeList out;
  SystemChanges(d, w, choices, out);
  // Folders first: the FTP home and the accounts use them.
  FolderChanges(d, w, out);
  FtpChanges(d, w, out);
  AccountChanges(d, w, out);
  if (choices.prune) Deletions(d, w, out);
  if (w.sleep_minutes != d.sleep_minutes)
    out.Add(K::Sleep, Arrow("disk sleep", std::to_string(d.sleep_minutes) + " min",
                            std::to_string(w.sleep_minutes) + " min"));
  // Last: after it, the device may answer elsewhere.
  if (choices.identity && AddressDiffers(d.address, w.address))
    out.Add(K::Address, Arrow("address", AddressText(d.address), AddressText(w.address)));
  return out.Take();
}

namespace {

// The rules' word on one change, as it would be sent: what the person's
// file changes is checked, what the device holds goes back as it is.
std::optional<Message> Checked(const Plan& plan) {
  if (const Refusal* refused = Refused(plan)) return refused->message;
  return std::nullopt;
}

std::optional<Message> CheckChange(const Change& c, const Setup& d, const Setup& w,
                                   const std::vector<std::string>& languages) {
  switch (c.kind) {
    case K::Names:
      return Checked(
          SetIdentification({}, w.host != d.host ? Entry(w.host) : Entry(d.host, false),
                            w.group != d.group ? Entry(w.group) : Entry(d.group, false)));
    case K::Time: {
      const bool listed = std::find(std::begin(kTimeServers), std::end(kTimeServers),
                                    w.time_server) != std::end(kTimeServers);
      const DateTime unchanged{{"", false}, {"", false}, {"", false},
                               {"", false}, {"", false}, {"", false}};
      return Checked(SetDateAndTime({}, unchanged, true, listed, w.time_server,
                                    Entry(w.time_server, w.time_server != d.time_server),
                                    w.zone + 12));
    }
    case K::Language:
      if (!Lists(languages, w.language))
        return Message{"the device offers no language " + w.language, "Language"};
      return std::nullopt;
    case K::CreateFolder: {
      std::vector<std::string> taken;
      for (const auto& f : d.folders) taken.push_back(f.name);
      return Checked(CreateFolder({}, NameDialog::CreateFolder, c.subject, taken));
    }
    case K::FtpService:
      return Checked(SetFtpService({}, 0, Entry(w.ftp_port, w.ftp_port != d.ftp_port)));
    case K::CreateAccount:
      return Checked(CreateFolder({}, NameDialog::CreateAccount, c.subject));
    case K::Anonymous:
      if (w.anonymous_home.empty() || Named(w.folders, w.anonymous_home) ||
          Named(d.folders, w.anonymous_home))
        return std::nullopt;
      return Message{"the setup makes " + w.anonymous_home +
                         " the anonymous home, a folder the device would not have",
                     "FTP Server"};
    case K::Sleep:
      try {
        return Checked(SetSleepTime({}, std::to_string(w.sleep_minutes)));
      } catch (const ConversionError& e) {
        return Message{e.what(), "Disk Utility"};
      }
    case K::Address:
      return Checked(SetAddress({}, w.address));
    default:
      return std::nullopt;
  }
}

}  // namespace

SetupPlan PlanSetup(const Setup& d, const Setup& w, ApplyChoices choices,
                    const std::vector<std::string>& languages) {
  SetupPlan plan;
  plan.changes = Differences(d, w, choices);
  for (const Change& c : plan.changes) {
    if (!plan.refused) plan.refused = CheckChange(c, d, w, languages);
    if (c.kind == K::CreateAccount) plan.passwords.push_back("account " + c.subject);
    if (c.kind == K::SecureFolder) plan.passwords.push_back("folder " + c.subject);
    if (c.kind == K::DeleteAccount || c.kind == K::DeleteFolder) plan.deletions.push_back(c.said);
  }
  for (const AccountSetup& a : w.accounts) {
    const AccountSetup* has = Named(d.accounts, a.name);
    if (has != nullptr && a.folders_known && !has->folders_known)
      plan.accounts_to_read.push_back(has->name);
    // Every folder given, also to an account whose page is read later,
    // is one the device has or gets first.
    for (const std::string& f : a.folders)
      if (!plan.refused && a.folders_known && !Named(w.folders, f) && !Named(d.folders, f))
        plan.refused = Message{"the setup gives the account " + a.name + " the folder " + f +
                                   ", which the device would not have",
                               "FTP Server"};
  }
  return plan;
}

}  // namespace device
