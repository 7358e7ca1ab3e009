#pragma once

// A device's setup as a whole: everything the console can set, read off
// the status page, and the changes that make one device match a setup
// saved from it or from another. Passwords are never part of it.

#include <optional>
#include <string>
#include <vector>

#include "device/device.h"
#include "device/ip_config.h"

namespace device {

struct FolderSetup {
  std::string name;
  bool shared = false;
  // Given a password when it is created. The status page does not show
  // which folders have one, so a setup read off a device never says so.
  bool secured = false;
};

struct AccountSetup {
  std::string name;
  bool enabled = true;
  bool read_only = true;
  std::vector<std::string> folders;
  // Whether `folders` says anything: an account's folders are on its own
  // page, which is read only when needed (selecting it is a request), and
  // a file may leave them out, which leaves them as they are.
  bool folders_known = true;
};

struct Setup {
  std::string host, group;
  bool sntp = false;
  std::string time_server;
  int zone = 0;  // hours from GMT, -12 to 12
  std::string language;
  bool dhcp_server = false;
  AddressSettings address;
  std::vector<FolderSetup> folders;
  bool ftp = false;
  std::string ftp_port = "21";
  bool anonymous = false, anonymous_read_only = true;
  std::string anonymous_home;
  std::vector<AccountSetup> accounts;
  int sleep_minutes = 0;
};

// What a status page shows of a setup. The accounts' folders are each on
// the account's own page: the caller reads them (not known here, but for
// the account whose page the status page shows). A page read only in
// part (its time zone, address or sleep time missing or unreadable) is no
// setup: throws ConversionError saying what was missing.
Setup SetupOfPage(const std::string& page);

// One change of a device's setup, as brevane-ctl apply makes it.
struct Change {
  enum class Kind {
    Names,
    Time,
    Language,
    DhcpServer,
    CreateFolder,
    SecureFolder,  // a new folder's password
    ShareFolder,
    UnshareFolder,
    FtpService,
    Anonymous,
    CreateAccount,  // with its password and access
    AccountAccess,
    AccountEnabled,
    GiveFolder,
    TakeFolder,
    DeleteAccount,
    DeleteFolder,
    Sleep,
    Address,
  };
  Kind kind;
  std::string subject;  // the folder or account, where there is one
  std::string folder;   // the folder given or taken
  std::string said;     // as it is shown: "ftp port: 21 -> 2121"
};

struct ApplyChoices {
  // The device's own identity, its host name and address, is changed only
  // for the device the setup came from (a restore): two devices with one
  // name or one address would shut each other out.
  bool identity = false;
  // Folders and accounts the setup does not list are deleted only when
  // asked: a folder holds files.
  bool prune = false;
};

// The changes that make `device` match `wanted`, in an order the device
// takes them in: folders before what uses them (the FTP home, the
// accounts' folders), deletions after, the address last. Folder and
// account names compare without regard to letter case, as the device
// compares them; an unchanged setup gives none. An account's folders
// change only where both sides know them.
std::vector<Change> Differences(const Setup& device, const Setup& wanted, ApplyChoices choices);

// Everything a setup's application needs settled before its first
// request: plan, then act.
struct SetupPlan {
  std::vector<Change> changes;
  // The first value the rules refuse, of those that would be sent: new
  // and changed names, a new port, sleep time, time server or address
  // (the device's own values go back as they are). Nothing is sent then.
  std::optional<Message> refused;
  // The new accounts and protected folders ("account amy", "folder
  // docs"): each takes the new password the person gives, never an empty
  // one.
  std::vector<std::string> passwords;
  // The deletions, which the person confirms first.
  std::vector<std::string> deletions;
  // Accounts whose folders the file sets but whose page the status page
  // does not show: their page is selected (a request) and read before
  // their folders are compared.
  std::vector<std::string> accounts_to_read;
};
// `languages`: those the device offers, by name.
SetupPlan PlanSetup(const Setup& device, const Setup& wanted, ApplyChoices choices,
                    const std::vector<std::string>& languages);

}  // namespace device
