// brevane-ctl's commands on what the device stores and shares: folders,
// the FTP service and its accounts, the disk.

#include <algorithm>
#include <chrono>
#include <thread>

#include "ctl/commands.h"
#include "ctl/ctl.h"
#include "ctl/trust.h"
#include "device/disk.h"
#include "device/folders.h"
#include "device/ftp.h"
#include "device/text.h"
#include "i18n/translate.h"
#include "scan/scan_output.h"

namespace ctl {

using device::NameDialog;
using scan::Printable;

namespace {

bool Has(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

std::vector<std::string> AllFolders(const std::string& page) {
  const auto v = device::ShowFileServer(page);
  std::vector<std::string> all = v.folders;
  all.insert(all.end(), v.shared.begin(), v.shared.end());
  return all;
}

std::vector<net::AccountRow> Rows(const std::string& page) {
  return device::ShowFtpServer(page).accounts;
}

std::vector<std::string> AccountNames(const std::string& page) {
  std::vector<std::string> names;
  for (const auto& row : device::ShowFtpServer(page).accounts) names.push_back(row.name);
  return names;
}

// A refusal for a value that is not one of the device's: on a terminal, the
// choices are named.
[[noreturn]] void NotOffered(const std::string& what, const std::string& value,
                             const std::vector<std::string>& offered) {
  std::string choices;
  for (const auto& o : offered) choices += (choices.empty() ? "" : ", ") + Printable(o);
  Refuse("the device has no " + what + " " + Printable(value) +
         "; it has: " + (choices.empty() ? "none" : choices));
}

}  // namespace

void Ctl::Folder() {
  const std::string& what = Arg(2, "list, create, rename, delete, share, unshare or password");
  if (what == "list") {
    NoMoreThan(3);
    args_ = {args_[0], "show", "folders"};
    return Show();
  }
  const std::string name = Arg(3, "NAME");
  if (what == "create") {
    NoMoreThan(4);
    Precheck(device::CreateFolder({}, NameDialog::CreateFolder, name));
    Carry(device::CreateFolder(Ip(), NameDialog::CreateFolder, name, AllFolders(Page())));
    Verify([&](const std::string& page) { return Has(AllFolders(page), device::Trim(name)); });
    return Done();
  }
  if (what == "rename") {
    NoMoreThan(5);
    const std::string& to = Arg(4, "NEW");
    Precheck(device::RenameFolder({}, NameDialog::RenameFolder, name, to));
    const auto folders = AllFolders(Page());
    if (!Has(folders, name)) NotOffered("folder", name, folders);
    Carry(device::RenameFolder(Ip(), NameDialog::RenameFolder, name, to, folders));
    Verify([&](const std::string& page) {
      const auto now = AllFolders(page);
      return Has(now, device::Trim(to)) && (device::Trim(to) == name || !Has(now, name));
    });
    return Done();
  }
  NoMoreThan(4);
  const std::string shown = Page();
  const auto view = device::ShowFileServer(shown);
  const auto folders = AllFolders(shown);
  if (what == "share" || what == "unshare") {
    const bool share = what == "share";
    const auto& offered = share ? view.folders : view.shared;
    if (!Has(offered, name)) NotOffered(share ? "unshared folder" : "shared folder", name, offered);
    Carry(share ? device::ShareFolder(Ip(), name, offered)
                : device::UnshareFolder(Ip(), name, offered));
    Verify([&](const std::string& page) {
      return Has(device::ShowFileServer(page).shared, name) == share;
    });
  } else if (what == "delete") {
    if (!Has(folders, name)) NotOffered("folder", name, folders);
    Confirm(device::ConfirmDeleteFolder("File Server"));
    Carry(device::DeleteFolder(Ip(), name));
    Verify([&](const std::string& page) { return !Has(AllFolders(page), name); });
  } else if (what == "password") {
    if (!Has(folders, name)) NotOffered("folder", name, folders);
    const std::string password = NewPassword("of folder " + Printable(name));
    Carry(device::SetFolderPassword(Ip(), name, password, password));
  } else {
    Usage("folder list, create, rename, delete, share, unshare or password");
  }
  Done();
}

void Ctl::FtpAccount() {
  const std::string& what = Arg(3, "an account command");
  if (what == "list") {
    NoMoreThan(4);
    args_ = {args_[0], "show", "ftp"};
    return Show();
  }
  static const char* const kCommands[] = {"create", "delete",  "enable", "disable", "password",
                                          "access", "folders", "give",   "take"};
  if (std::find(std::begin(kCommands), std::end(kCommands), what) == std::end(kCommands))
    Usage("unknown account command " + Printable(what));
  const std::string name = Arg(4, "NAME");
  const bool two = what == "access" || what == "give" || what == "take";
  NoMoreThan(two ? 6 : 5);
  const std::string second = two ? Arg(5, what == "access" ? "ro or rw" : "FOLDER") : "";
  if (what == "access" && second != "ro" && second != "rw") Usage("access takes ro or rw");
  if (what == "create") return CreateAccount(name);
  // The account as the device spells it; the device compares names
  // without regard to letter case.
  const auto accounts = device::ShowFtpServer(Page()).accounts;
  const auto row = device::FindAccount(accounts, name);
  if (!row) NotOffered("FTP account", name, AccountNames(Page()));
  if (what == "delete") {
    Confirm(device::ConfirmDeleteAccount());
    Carry(device::DeleteAccount(Ip(), row->id));
    Verify([&](const std::string& page) { return !device::FindAccount(Rows(page), row->name); });
  } else if (what == "enable" || what == "disable") {
    // The device toggles: only an account in the other state is told.
    const bool enable = what == "enable";
    if ((row->state == "Enable") != enable) Send(device::ToggleAccount(Ip(), row->option));
    Verify([&](const std::string& page) {
      const auto now = device::FindAccount(Rows(page), row->name);
      return now && (now->state == "Enable") == enable;
    });
  } else if (what == "folders") {
    const auto account = SelectedAccount(row->name);
    std::string human;
    for (const auto& f : account.account_folders) human += Printable(f) + "\n";
    return out_.Result(
        human,
        JsonObject().Text("account", account.account).Texts("folders", account.account_folders));
  } else {
    AccountPage(what, row->name, second);
  }
  Done();
}

void Ctl::CreateAccount(const std::string& name) {
  // The name is checked before the device is told an account is coming.
  Precheck(device::CreateFolder({}, NameDialog::CreateAccount, name));
  const auto taken = AccountNames(Page());
  Precheck(device::CreateFolder(Ip(), NameDialog::CreateAccount, name, taken));
  Send(device::PrepareNewAccount(Ip()));
  Carry(device::CreateFolder(Ip(), NameDialog::CreateAccount, name, taken));
  Verify([&](const std::string& page) {
    return device::FindAccount(Rows(page), device::Trim(name)).has_value();
  });
  Done();
}

// What is set on the account's own page: its password, its access, its
// folders.
void Ctl::AccountPage(const std::string& what, const std::string& name, const std::string& second) {
  if (what == "password") {
    const std::string password = NewPassword("of FTP account " + Printable(name));
    const auto account = SelectedAccount(name);
    Carry(device::SetAccount(Ip(), account.account, device::Entry(password), account.read_only));
    return Verify(
        [&](const std::string& page) { return device::ShowFtpAccount(page).password == password; });
  }
  if (what == "access") {
    const auto account = SelectedAccount(name);
    // Its password goes back as the device holds it.
    Carry(device::SetAccount(Ip(), account.account, device::Entry(account.password, false),
                             second == "ro"));
    return Verify([&](const std::string& page) {
      return device::ShowFtpAccount(page).read_only == (second == "ro");
    });
  }
  const bool give = what == "give";
  // The device's folders are on every page: one that is none of them is
  // refused before the account is even selected.
  const auto offered = device::ShowFtpServer(Page()).homes;
  if (give && !Has(offered, second)) NotOffered("folder", second, offered);
  const auto account = SelectedAccount(name);
  if (!give && !Has(account.account_folders, second))
    NotOffered("folder of the account", second, account.account_folders);
  Carry(give ? device::GiveFolder(Ip(), account.account, second, account.folders)
             : device::TakeFolder(Ip(), account.account, second));
  Verify([&](const std::string& page) {
    return Has(device::ShowFtpAccount(page).account_folders, second) == give;
  });
}

void Ctl::Ftp() {
  const std::string& what = Arg(2, "service, anonymous or account");
  if (what == "account") return FtpAccount();
  if (what != "service" && what != "anonymous") Usage("ftp service, anonymous or account");
  const auto port = Flag("--port"), home = Flag("--home");
  const bool read_only = Switch("--read-only"), read_write = Switch("--read-write");
  const bool on = OnOffArg(3);
  NoMoreThan(4);
  if (what == "service") {
    if (home || read_only || read_write) Usage("ftp service takes on or off and --port");
    if (port) {
      try {
        device::ToInteger(*port);
      } catch (const device::ConversionError&) {
        Usage("--port takes a number: 21, or 1025 to 65500");
      }
      Precheck(device::SetFtpService({}, 0, device::Entry(*port)));
    }
    const auto v = device::ShowFtpServer(Page());
    const device::Entry port_entry = port ? device::Entry(*port) : device::Entry(v.port, false);
    Carry(device::SetFtpService(Ip(), on ? 0 : 1, port_entry));
    Verify([&](const std::string& page) {
      const auto now = device::ShowFtpServer(page);
      // The port as a number: a device may drop the zeros typed before it.
      auto number = [](const std::string& text) {
        try {
          return device::ToInteger(text);
        } catch (const device::ConversionError&) {
          return -1;
        }
      };
      return now.enabled == on &&
             (now.port == port_entry.text ||
              (number(now.port) >= 0 && number(now.port) == number(port_entry.text)));
    });
  } else {
    if (port) Usage("ftp anonymous takes on or off, --read-only or --read-write, and --home");
    if (read_only && read_write) Usage("--read-only or --read-write, not both");
    const auto v = device::ShowFtpServer(Page());
    std::optional<std::string> chosen =
        v.home ? std::optional(v.homes[static_cast<std::size_t>(*v.home)]) : std::nullopt;
    if (home) {
      // Only a folder the device offers, as in the console's list.
      if (!Has(v.homes, *home)) NotOffered("home folder", *home, v.homes);
      chosen = *home;
    }
    const bool ro = read_only || (!read_write && v.anonymous_read_only);
    Carry(device::SetAnonymousAccess(Ip(), on, ro, chosen));
    Verify([&](const std::string& page) {
      const auto now = device::ShowFtpServer(page);
      return now.anonymous == on && now.anonymous_read_only == ro &&
             (!chosen || (now.home && now.homes[static_cast<std::size_t>(*now.home)] == *chosen));
    });
  }
  Done();
}

void Ctl::FollowScan() {
  // The messages as they come, one event each, until the scan says it ended.
  std::size_t printed = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::hours(2);
  while (std::chrono::steady_clock::now() < end) {
    const std::vector<std::string> lines = device::Lines(device::ScanMessagesOf(Page()));
    for (; printed < lines.size(); ++printed)
      out_.Event(Printable(lines[printed]) + "\n", JsonObject().Text("message", lines[printed]));
    if (!lines.empty() && lines.back().find("finished") != std::string::npos) return;
    std::this_thread::sleep_for(std::chrono::seconds(2));
  }
}

void Ctl::Disk() {
  const std::string& what = Arg(2, "sleep, scan, clear-messages or format");
  if (what == "sleep") {
    NoMoreThan(4);
    const std::string& minutes = Arg(3, "MINUTES");
    try {
      Precheck(device::SetSleepTime({}, minutes));
    } catch (const device::ConversionError& e) {
      Fail(kFailed, e.what());
    }
    Carry(device::SetSleepTime(Ip(), minutes));
    Verify([&](const std::string& page) {
      return device::ToInteger(device::ShowDisk(page).sleep_minutes) == device::ToInteger(minutes);
    });
  } else if (what == "scan") {
    const bool follow = Switch("--follow");
    NoMoreThan(3);
    Send(device::StartScan(Ip()));
    if (follow) {
      FollowScan();
      return Done("The disk scan has finished.");
    }
  } else if (what == "clear-messages") {
    NoMoreThan(3);
    Send(device::ClearScanMessages(Ip()));
  } else if (what == "format") {
    NoMoreThan(3);
    Confirm(device::ConfirmFormat());
    Send(device::Format(Ip()));
  } else {
    Usage("disk sleep, scan, clear-messages or format");
  }
  Done();
}

}  // namespace ctl
