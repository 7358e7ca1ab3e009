// brevane-ctl backup and apply: a device's setup written as a file, and a
// device made to match one, by the console's own commands and only those
// that change something. Apply plans, then acts: every rule checked, the
// new passwords gathered and every question asked before the first
// request.

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "ctl/commands.h"
#include "ctl/ctl.h"
#include "ctl/files.h"
#include "ctl/line_diff.h"
#include "ctl/setup_file.h"
#include "ctl/trust.h"
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

std::string LineDiff(const std::string& a, const std::string& b) {
  std::string out;
  for (const DiffLine& line : DiffLines(device::Lines(a), device::Lines(b)))
    out += std::string(line.mark == LineMark::Same      ? "  "
                       : line.mark == LineMark::Removed ? "- "
                                                        : "+ ") +
           Printable(line.text) + "\n";
  return out;
}

std::string Counted(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Listed(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i)
    text += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + Printable(items[i]);
  return text;
}

}  // namespace

device::Setup Ctl::SetupOfDevice(const std::string& page) {
  try {
    return device::SetupOfPage(page);
  } catch (const device::ConversionError& e) {
    Fail(kFailed, std::string("the device's status page was read only in part (") + e.what() +
                      "): its setup is not known");
  }
}

void Ctl::ReadAccountFolders(device::Setup& setup, const std::vector<std::string>& names) {
  // Each account's folders are on its own page, as "Modify" brings it up.
  for (auto& account : setup.accounts) {
    if (std::find(names.begin(), names.end(), account.name) == names.end()) continue;
    const auto row = device::FindAccount(device::ShowFtpServer(Page()).accounts, account.name);
    if (!row) Refuse("the device has no FTP account " + Printable(account.name));
    Carry(device::SelectAccount(Ip(), row->id));
    account.folders = device::ShowFtpAccount(Page()).account_folders;
    account.folders_known = true;
  }
}

void Ctl::Backup() {
  const std::optional<std::string> path = OptionalArg(2);
  NoMoreThan(3);
  device::Setup setup = SetupOfDevice(Page());
  std::vector<std::string> unread;
  for (const auto& a : setup.accounts)
    if (!a.folders_known) unread.push_back(a.name);
  ReadAccountFolders(setup, unread);
  const std::string text = SetupJson(setup);
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
  Done("The setup of " + Ip() + " is in " + Printable(*path) + ".");
}

void Ctl::Apply() {
  const bool check = Switch("--check"), diff = Switch("--diff");
  device::ApplyChoices choices;
  choices.identity = Switch("--identity");
  choices.prune = Switch("--prune");
  const std::string& path = Arg(2, "FILE");
  NoMoreThan(3);
  // The file is read, and its form checked, before the device is even
  // looked for.
  const std::string text = ReadNamedFile(path, kMaxSetupFile, "the setup file");
  ReadSetup(text, {});

  const std::string page = Page();
  device::Setup has = SetupOfDevice(page);
  device::Setup wanted = ReadSetup(text, has);
  if (!choices.identity) {
    // Another device's identity stays its own: what is shown is applied.
    wanted.host = has.host;
    wanted.address = has.address;
  }
  device::SetupPlan plan =
      device::PlanSetup(has, wanted, choices, device::ShowStatus(page).languages);
  if (check || diff) return ShowPlan(plan, diff ? LineDiff(SetupJson(has), SetupJson(wanted)) : "");
  Settle(plan, has, wanted, choices);

  // Acting: only the device can refuse from here on.
  const int before = sent_;
  if (!plan.accounts_to_read.empty()) {
    ReadAccountFolders(has, plan.accounts_to_read);
    plan.changes = device::Differences(has, wanted, choices);
  }
  for (std::size_t i = 0; i < plan.changes.size(); ++i) {
    const Change& c = plan.changes[i];
    // A group of changes made by one command is made once.
    const bool grouped = c.kind == Change::Kind::Names || c.kind == Change::Kind::Time ||
                         c.kind == Change::Kind::FtpService || c.kind == Change::Kind::Anonymous;
    if (i > 0 && grouped && c.kind == plan.changes[i - 1].kind) continue;
    if (c.kind != Change::Kind::Address) Make(c, has, wanted);
  }
  if (!plan.changes.empty()) VerifySetup(wanted, choices);
  if (!plan.changes.empty() && plan.changes.back().kind == Change::Kind::Address)
    MakeAddress(has, wanted);
  AppliedSetup(plan.changes, sent_ - before);
}

void Ctl::ShowPlan(const device::SetupPlan& plan, const std::string& diff) {
  std::vector<std::string> said;
  std::string human = diff;
  for (const Change& c : plan.changes) said.push_back(c.said);
  if (diff.empty())
    for (const auto& line : said) human += Printable(line) + "\n";
  for (const auto& account : plan.accounts_to_read)
    human += "account " + Printable(account) +
             ": its folders are read from its own page first (selecting it is a request)\n";
  if (!plan.passwords.empty()) human += "new password for " + Listed(plan.passwords) + "\n";
  JsonObject result;
  result.Texts("changes", said)
      .Texts("read_folders_of", plan.accounts_to_read)
      .Texts("new_passwords", plan.passwords);
  // A script that checks first must learn that the run would be refused,
  // as a person reading the plan does.
  if (plan.refused) {
    const std::string refused = plan.refused->title + ": " + plan.refused->text;
    human += "refused: " + refused + "\n";
    result.Text("refused", refused);
  } else {
    result.Null("refused");
  }
  human += Counted(plan.changes.size(), "change", "changes") + "; nothing was sent.\n";
  out_.Result(human, result.Number("sent", 0));
}

void Ctl::Settle(const device::SetupPlan& plan, const device::Setup& has,
                 const device::Setup& wanted, device::ApplyChoices choices) {
  if (plan.refused) {
    const device::Message& m = *plan.refused;
    Refuse((m.title.empty() ? m.text : m.title + ": " + m.text) + "\nNothing was sent.");
  }
  // The device's identity is its own: nobody else's name or address.
  const bool renamed = choices.identity && has.host != wanted.host;
  const bool moved = choices.identity && !wanted.address.automatic &&
                     std::any_of(plan.changes.begin(), plan.changes.end(),
                                 [](const Change& c) { return c.kind == Change::Kind::Address; });
  NotTakenElsewhere(renamed ? std::optional(wanted.host) : std::nullopt,
                    moved ? std::optional(wanted.address.ip) : std::nullopt);
  if (!plan.passwords.empty()) {
    new_password_ = NewPassword("for " + Listed(plan.passwords));
    if (new_password_.empty())
      Refuse("the new password is empty: " + Listed(plan.passwords) +
             " would be left open. Nothing was sent.");
  }
  if (!plan.deletions.empty())
    Confirm({"apply deletes " + Listed(plan.deletions) + ". A deleted folder's files are lost.", "",
             device::Icon::Question});
}

void Ctl::VerifySetup(const device::Setup& wanted, device::ApplyChoices choices) {
  // What the device now holds is read back: every change must show.
  device::Setup now = SetupOfDevice(Page());
  std::vector<std::string> unread;
  for (const auto& a : wanted.accounts)
    for (const auto& has : now.accounts)
      if (device::SameButCase(a.name, has.name) && a.folders_known && !has.folders_known)
        unread.push_back(has.name);
  ReadAccountFolders(now, unread);
  std::string left;
  for (const Change& c : device::Differences(now, wanted, choices))
    if (c.kind != Change::Kind::Address) left += "\n  " + Printable(c.said);
  if (!left.empty()) Refuse("The device answered, but does not show these changes:" + left);
}

void Ctl::AppliedSetup(const std::vector<Change>& changes, int sent) {
  std::vector<std::string> said;
  std::string human;
  for (const Change& c : changes) {
    said.push_back(c.said);
    human += Printable(c.said) + "\n";
  }
  if (!changes.empty())
    human += Counted(changes.size(), "change", "changes") + " made.\n";
  else if (sent == 0)
    human += "The device matches the setup: nothing was sent.\n";
  else
    human += "The device matches the setup: no change was made (" +
             Counted(static_cast<std::size_t>(sent), "account page was", "account pages were") +
             " selected to read folders).\n";
  out_.Result(human, JsonObject().Texts("changes", said).Number("sent", sent));
}

}  // namespace ctl

namespace ctl {

using K = device::Change::Kind;

device::FtpAccountView Ctl::SelectedAccount(const std::string& name) {
  // The account's own page, as "Modify" brings it up.
  const auto row = device::FindAccount(device::ShowFtpServer(Page()).accounts, name);
  if (!row) Refuse("the device has no FTP account " + Printable(name));
  Carry(device::SelectAccount(Ip(), row->id));
  return device::ShowFtpAccount(Page());
}

net::AccountRow Ctl::AccountNamed(const std::string& name) {
  const auto row = device::FindAccount(device::ShowFtpServer(Page()).accounts, name);
  if (!row) Refuse("the device has no FTP account " + Printable(name));
  return *row;
}

void Ctl::Make(const Change& c, const device::Setup& has, const device::Setup& w) {
  switch (c.kind) {
    case K::Names:
      return Carry(device::SetIdentification(
          Ip(), w.host != has.host ? Entry(w.host) : Entry(has.host, false),
          w.group != has.group ? Entry(w.group) : Entry(has.group, false)));
    case K::Time:
      return MakeTime(has, w);
    case K::Language: {
      const auto languages = device::ShowStatus(Page()).languages;
      for (std::size_t i = 0; i < languages.size(); ++i)
        if (device::SameButCase(languages[i], w.language))
          return Send(device::SetLanguage(Ip(), static_cast<int>(i)));
      Refuse("the device offers no language " + Printable(w.language));
    }
    case K::DhcpServer:
      return Send(device::SetDhcpServer(Ip(), w.dhcp_server));
    case K::CreateFolder:
      return Carry(device::CreateFolder(Ip(), device::NameDialog::CreateFolder, c.subject,
                                        device::ShowFtpServer(Page()).homes));
    case K::SecureFolder:
      return Carry(device::SetFolderPassword(Ip(), c.subject, new_password_, new_password_));
    case K::ShareFolder:
    case K::UnshareFolder: {
      const auto view = device::ShowFileServer(Page());
      const auto& offered = c.kind == K::ShareFolder ? view.folders : view.shared;
      const std::string name = Spelled(offered, c.subject);
      return Carry(c.kind == K::ShareFolder ? device::ShareFolder(Ip(), name, offered)
                                            : device::UnshareFolder(Ip(), name, offered));
    }
    case K::FtpService:
      return Carry(device::SetFtpService(
          Ip(), w.ftp ? 0 : 1,
          w.ftp_port != has.ftp_port ? Entry(w.ftp_port) : Entry(has.ftp_port, false)));
    case K::Anonymous:
      return MakeAnonymous(w);
    default:
      return MakeAccountChange(c, w);
  }
}

void Ctl::MakeTime(const device::Setup& has, const device::Setup& w) {
  const auto v = device::ShowStatus(Page());
  const device::DateTime now{{v.year, false}, {v.month, false},  {v.day, false},
                             {v.hour, false}, {v.minute, false}, {v.second, false}};
  const auto* listed =
      std::find(std::begin(device::kTimeServers), std::end(device::kTimeServers), w.time_server);
  const bool from_list = listed != std::end(device::kTimeServers);
  Carry(device::SetDateAndTime(Ip(), now, w.sntp, from_list,
                               from_list ? w.time_server : device::kTimeServers[v.listed_server],
                               from_list ? Entry(v.manual_server, false)
                                         : Entry(w.time_server, w.time_server != has.time_server),
                               w.zone + 12));
}

void Ctl::MakeAnonymous(const device::Setup& w) {
  const auto v = device::ShowFtpServer(Page());
  std::optional<std::string> home =
      v.home ? std::optional(v.homes[static_cast<std::size_t>(*v.home)]) : std::nullopt;
  if (!w.anonymous_home.empty()) home = Spelled(v.homes, w.anonymous_home);
  Carry(device::SetAnonymousAccess(Ip(), w.anonymous, w.anonymous_read_only, home));
}

void Ctl::MakeAccountChange(const Change& c, const device::Setup& w) {
  const auto wanted = std::find_if(w.accounts.begin(), w.accounts.end(), [&](const auto& a) {
    return device::SameButCase(a.name, c.subject);
  });
  switch (c.kind) {
    case K::CreateAccount: {
      std::vector<std::string> taken;
      for (const auto& row : device::ShowFtpServer(Page()).accounts) taken.push_back(row.name);
      Send(device::PrepareNewAccount(Ip()));
      Carry(device::CreateFolder(Ip(), device::NameDialog::CreateAccount, c.subject, taken));
      const auto account = SelectedAccount(c.subject);
      return Carry(
          device::SetAccount(Ip(), account.account, Entry(new_password_), wanted->read_only));
    }
    case K::AccountAccess: {
      const auto account = SelectedAccount(c.subject);
      return Carry(device::SetAccount(Ip(), account.account, Entry(account.password, false),
                                      wanted->read_only));
    }
    case K::AccountEnabled:
      return Send(device::ToggleAccount(Ip(), AccountNamed(c.subject).option));
    case K::GiveFolder: {
      const auto account = SelectedAccount(c.subject);
      return Carry(device::GiveFolder(Ip(), account.account, Spelled(account.folders, c.folder),
                                      account.folders));
    }
    case K::TakeFolder: {
      const auto account = SelectedAccount(c.subject);
      return Carry(
          device::TakeFolder(Ip(), account.account, Spelled(account.account_folders, c.folder)));
    }
    case K::DeleteAccount:
      return Carry(device::DeleteAccount(Ip(), AccountNamed(c.subject).id));
    case K::DeleteFolder:
      return Carry(device::DeleteFolder(Ip(), c.subject));
    case K::Sleep:
      return Carry(device::SetSleepTime(Ip(), std::to_string(w.sleep_minutes)));
    default:
      return;
  }
}

void Ctl::MakeAddress(const device::Setup& has, const device::Setup& w) {
  // Found again, after an address from the network, by the names it takes.
  name_ = w.host.empty() ? has.host : w.host;
  group_ = w.group.empty() ? has.group : w.group;
  Carry(device::SetAddress(Ip(), w.address));
  if (!w.address.automatic) Login().MoveTo(device::Trusted::Chosen(w.address.ip));
  if (options_.wait) WaitForDevice(w.address.automatic ? Return::Elsewhere : Return::AtNewAddress);
}

}  // namespace ctl
