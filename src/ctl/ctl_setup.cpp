// brevane-ctl backup and apply: a device's setup written as a file, and a
// device made to match one, by the console's own commands and only those
// that change something.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "ctl/commands.h"
#include "ctl/ctl.h"
#include "ctl/setup_file.h"
#include "device/disk.h"
#include "device/folders.h"
#include "device/ftp.h"
#include "device/status.h"
#include "device/text.h"
#include "os/files.h"
#include "scan/scan_output.h"

namespace ctl {

using device::Change;
using device::Entry;
using scan::Printable;

namespace {

constexpr std::size_t kMaxSetupFile = 1 << 20;

// The device's own spelling of `name` among `names`, which it compares
// without regard to letter case.
std::string Spelled(const std::vector<std::string>& names, const std::string& name) {
  for (const auto& n : names)
    if (device::SameButCase(n, name)) return n;
  return name;
}

std::vector<std::string> AccountNamesOf(const std::string& page) {
  std::vector<std::string> names;
  for (const auto& row : device::ShowFtpServer(page).accounts) names.push_back(row.name);
  return names;
}

// The lines of `a` and `b` as a unified diff without its headers: common
// lines with "  ", removed with "- ", added with "+ ".
std::string LineDiff(const std::string& a, const std::string& b) {
  const auto x = device::Lines(a), y = device::Lines(b);
  std::vector<std::vector<int>> common(x.size() + 1, std::vector<int>(y.size() + 1, 0));
  for (std::size_t i = x.size(); i-- > 0;)
    for (std::size_t j = y.size(); j-- > 0;)
      common[i][j] =
          x[i] == y[j] ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);
  std::string out;
  std::size_t i = 0, j = 0;
  while (i < x.size() || j < y.size()) {
    if (i < x.size() && j < y.size() && x[i] == y[j]) {
      out += "  " + Printable(x[i++]) + "\n";
      ++j;
    } else if (i < x.size() && (j == y.size() || common[i + 1][j] >= common[i][j + 1])) {
      out += "- " + Printable(x[i++]) + "\n";
    } else {
      out += "+ " + Printable(y[j++]) + "\n";
    }
  }
  return out;
}

}  // namespace

device::Setup Ctl::DeviceSetup() {
  const std::string page = Page();
  device::Setup setup = device::SetupOfPage(page);
  // Each account's folders are on its own page, as "Modify" shows it; the
  // page of the account selected last is on the status page already.
  const auto rows = device::ShowFtpServer(page).accounts;
  const device::FtpAccountView selected = device::ShowFtpAccount(page);
  for (auto& account : setup.accounts) {
    if (!selected.account.empty() && account.name == selected.account) {
      account.folders = selected.account_folders;
      continue;
    }
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [&](const net::AccountRow& r) { return r.name == account.name; });
    if (row == rows.end()) continue;
    Carry(device::SelectAccount(Ip(), row->id));
    account.folders = device::ShowFtpAccount(Page()).account_folders;
  }
  return setup;
}

void Ctl::Backup() {
  const std::optional<std::string> path = OptionalArg(2);
  NoMoreThan(3);
  const std::string text = SetupJson(DeviceSetup());
  if (!path || *path == "-") {
    // The file's own text; as JSON, its object is the result.
    if (!out_.json()) return out_.Result(text, {});
    return out_.Result(text, JsonObject().Raw("setup", text));
  }
  // Written whole or not at all: a new file beside it, then renamed.
  if (int error = 0; !os::WriteWhole(*path, text, error))
    Fail(kFailed, "cannot write " + Printable(*path) +
                      (error == EEXIST ? " (" + Printable(*path + ".new") + " exists)"
                                       : std::string(": ") + std::strerror(error)));
  Done("The setup of " + session_.address + " is in " + Printable(*path) + ".");
}

void Ctl::Apply() {
  const bool check = Switch("--check"), diff = Switch("--diff");
  device::ApplyChoices choices;
  choices.identity = Switch("--identity");
  choices.prune = Switch("--prune");
  const std::string& path = Arg(2, "FILE");
  NoMoreThan(3);
  std::string text;
  {
    std::ifstream file(path, std::ios::binary);
    if (!file) Usage("cannot read " + path);
    text.resize(kMaxSetupFile + 1);
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));
    if (text.size() > kMaxSetupFile) Usage(path + " is larger than 1 MiB: not a setup");
  }
  // The file is read, and its values checked by the rules, before the
  // device is asked anything.
  const device::Setup whole = ReadSetup(text, {});
  Precheck(device::SetIdentification({}, Entry(whole.host), Entry(whole.group)));
  for (const auto& f : whole.folders)
    Precheck(device::CreateFolder({}, device::NameDialog::CreateFolder, f.name));
  for (const auto& a : whole.accounts)
    Precheck(device::CreateFolder({}, device::NameDialog::CreateAccount, a.name));
  Precheck(device::SetFtpService({}, 0, Entry(whole.ftp_port)));
  Precheck(device::SetSleepTime({}, std::to_string(whole.sleep_minutes)));
  if (choices.identity) Precheck(device::SetAddress({}, whole.address));

  const device::Setup has = DeviceSetup();
  device::Setup wanted = ReadSetup(text, has);
  if (!choices.identity) {
    // Another device's identity stays its own: what is shown is applied.
    wanted.host = has.host;
    wanted.address = has.address;
  }
  const std::vector<Change> changes = device::Differences(has, wanted, choices);
  std::vector<std::string> said;
  for (const Change& c : changes) said.push_back(c.said);
  std::string listed;
  for (const auto& line : said) listed += Printable(line) + "\n";
  if (check || diff) {
    const std::string human = diff ? LineDiff(SetupJson(has), SetupJson(wanted)) : listed;
    return out_.Result(human + std::to_string(changes.size()) + " changes; nothing was sent.\n",
                       JsonObject().Texts("changes", said).Number("sent", 0));
  }
  const int before = sent_;
  for (std::size_t i = 0; i < changes.size(); ++i) {
    // A group of changes made by one command is made once.
    if (i > 0 && changes[i].kind == changes[i - 1].kind &&
        (changes[i].kind == Change::Kind::Names || changes[i].kind == Change::Kind::Time ||
         changes[i].kind == Change::Kind::FtpService || changes[i].kind == Change::Kind::Anonymous))
      continue;
    if (changes[i].kind == Change::Kind::Address) break;  // last, after the check below
    Make(changes[i], has, wanted, choices.identity);
  }
  // What the device now holds is read back: every change must show.
  if (!changes.empty()) {
    std::vector<std::string> left;
    for (const Change& c : device::Differences(DeviceSetup(), wanted, choices))
      if (c.kind != Change::Kind::Address) left.push_back(c.said);
    if (!left.empty()) {
      std::string text_left;
      for (const auto& l : left) text_left += "\n  " + Printable(l);
      Refuse("The device answered, but does not show these changes:" + text_left);
    }
  }
  if (!changes.empty() && changes.back().kind == Change::Kind::Address)
    Make(changes.back(), has, wanted, choices.identity);
  const int commands = sent_ - before;
  out_.Result(listed + (changes.empty() ? "The device matches the setup: nothing was sent.\n"
                                        : std::to_string(changes.size()) + " changes made.\n"),
              JsonObject().Texts("changes", said).Number("sent", commands));
}

void Ctl::Make(const Change& c, const device::Setup& has, const device::Setup& w, bool identity) {
  using K = Change::Kind;
  // The account's own page, as "Modify" brings it up.
  auto select = [&](const std::string& name) {
    for (const auto& row : device::ShowFtpServer(Page()).accounts)
      if (device::SameButCase(row.name, name)) {
        Carry(device::SelectAccount(Ip(), row.id));
        return device::ShowFtpAccount(Page());
      }
    Refuse("the device has no FTP account " + Printable(name));
  };
  auto wanted_account = [&](const std::string& name) {
    return *std::find_if(w.accounts.begin(), w.accounts.end(),
                         [&](const auto& a) { return device::SameButCase(a.name, name); });
  };
  auto row_of = [&](const std::string& name) {
    for (const auto& row : device::ShowFtpServer(Page()).accounts)
      if (device::SameButCase(row.name, name)) return row;
    Refuse("the device has no FTP account " + Printable(name));
  };
  switch (c.kind) {
    case K::Names:
      Carry(device::SetIdentification(
          Ip(), identity && w.host != has.host ? Entry(w.host) : Entry(has.host, false),
          w.group != has.group ? Entry(w.group) : Entry(has.group, false)));
      break;
    case K::Time: {
      const auto v = device::ShowStatus(Page());
      const device::DateTime now{{v.year, false}, {v.month, false},  {v.day, false},
                                 {v.hour, false}, {v.minute, false}, {v.second, false}};
      const auto* listed = std::find(std::begin(device::kTimeServers),
                                     std::end(device::kTimeServers), w.time_server);
      const bool from_list = listed != std::end(device::kTimeServers);
      Carry(
          device::SetDateAndTime(Ip(), now, w.sntp, from_list,
                                 from_list ? w.time_server : device::kTimeServers[v.listed_server],
                                 from_list ? Entry(v.manual_server, false)
                                           : Entry(w.time_server, w.time_server != has.time_server),
                                 w.zone + 12));
      break;
    }
    case K::Language: {
      const auto languages = device::ShowStatus(Page()).languages;
      for (std::size_t i = 0; i < languages.size(); ++i)
        if (device::SameButCase(languages[i], w.language))
          return Send(device::SetLanguage(Ip(), static_cast<int>(i)));
      Refuse("the device offers no language " + Printable(w.language));
    }
    case K::DhcpServer:
      Send(device::SetDhcpServer(Ip(), w.dhcp_server));
      break;
    case K::CreateFolder: {
      const auto page = Page();
      std::vector<std::string> all = device::ShowFtpServer(page).homes;
      Carry(device::CreateFolder(Ip(), device::NameDialog::CreateFolder, c.subject, all));
      break;
    }
    case K::SecureFolder: {
      const std::string password = NewPassword("of folder " + Printable(c.subject));
      Carry(device::SetFolderPassword(Ip(), c.subject, password, password));
      break;
    }
    case K::ShareFolder:
    case K::UnshareFolder: {
      const auto view = device::ShowFileServer(Page());
      const auto& offered = c.kind == K::ShareFolder ? view.folders : view.shared;
      const std::string name = Spelled(offered, c.subject);
      Carry(c.kind == K::ShareFolder ? device::ShareFolder(Ip(), name, offered)
                                     : device::UnshareFolder(Ip(), name, offered));
      break;
    }
    case K::FtpService:
      Carry(device::SetFtpService(
          Ip(), w.ftp ? 0 : 1,
          w.ftp_port != has.ftp_port ? Entry(w.ftp_port) : Entry(has.ftp_port, false)));
      break;
    case K::Anonymous: {
      const auto v = device::ShowFtpServer(Page());
      std::optional<std::string> home =
          v.home ? std::optional(v.homes[static_cast<std::size_t>(*v.home)]) : std::nullopt;
      if (!w.anonymous_home.empty()) home = Spelled(v.homes, w.anonymous_home);
      Carry(device::SetAnonymousAccess(Ip(), w.anonymous, w.anonymous_read_only, home));
      break;
    }
    case K::CreateAccount: {
      const auto taken = AccountNamesOf(Page());
      Precheck(device::CreateFolder(Ip(), device::NameDialog::CreateAccount, c.subject, taken));
      Send(device::PrepareNewAccount(Ip()));
      Carry(device::CreateFolder(Ip(), device::NameDialog::CreateAccount, c.subject, taken));
      const auto account = select(c.subject);
      const std::string password = NewPassword("of FTP account " + Printable(c.subject));
      Carry(device::SetAccount(Ip(), account.account, Entry(password),
                               wanted_account(c.subject).read_only));
      break;
    }
    case K::AccountAccess: {
      const auto account = select(c.subject);
      Carry(device::SetAccount(Ip(), account.account, Entry(account.password, false),
                               wanted_account(c.subject).read_only));
      break;
    }
    case K::AccountEnabled:
      Send(device::ToggleAccount(Ip(), row_of(c.subject).option));
      break;
    case K::GiveFolder: {
      const auto account = select(c.subject);
      Carry(device::GiveFolder(Ip(), account.account, Spelled(account.folders, c.folder),
                               account.folders));
      break;
    }
    case K::TakeFolder: {
      const auto account = select(c.subject);
      Carry(device::TakeFolder(Ip(), account.account, Spelled(account.account_folders, c.folder)));
      break;
    }
    case K::DeleteAccount:
      Confirm(device::ConfirmDeleteAccount());
      Carry(device::DeleteAccount(Ip(), row_of(c.subject).id));
      break;
    case K::DeleteFolder:
      Confirm(device::ConfirmDeleteFolder("File Server"));
      Carry(device::DeleteFolder(Ip(), c.subject));
      break;
    case K::Sleep:
      Carry(device::SetSleepTime(Ip(), std::to_string(w.sleep_minutes)));
      break;
    case K::Address:
      Carry(device::SetAddress(Ip(), w.address));
      if (!w.address.automatic) session_.address = w.address.ip;
      if (options_.wait)
        WaitForDevice(w.address.automatic ? Return::Elsewhere : Return::AtNewAddress);
      break;
  }
}

}  // namespace ctl
