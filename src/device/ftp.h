#pragma once

// The FTP Server page and an FTP account's page (Modify FTP).

#include <optional>
#include <string>
#include <vector>

#include "device/device.h"
#include "net/page_values.h"

namespace device {

struct FtpServerView {
  bool enabled = false;
  std::string port;
  bool anonymous = false;
  bool anonymous_read_only = false;
  std::vector<std::string> homes;  // the home folders offered
  std::optional<int> home;         // the one chosen; nothing without folders
  std::vector<net::AccountRow> accounts;
};
FtpServerView ShowFtpServer(const std::string& page);
// A word of the device's account list ("Read only", "Enable", ...) in the
// user's language; anything else the device wrote, as written.
std::string AccountWord(const std::string& word);

// The FTP service's "Set": on or off (`state` is the entry chosen: 0 on,
// 1 off, -1 none) and the port. A typed port that is not a whole number
// throws ConversionError (device/text.h) with the conversion's own words;
// the device's own port goes back as it is.
Plan SetFtpService(const std::string& address, int state, const Entry& port);
// Anonymous access: `home` is the home folder chosen, nothing when none is.
Plan SetAnonymousAccess(const std::string& address, bool enabled, bool read_only,
                        const std::optional<std::string>& home);

// "Create": the device is told an account is coming (the dialog then names
// it, NameDialog::CreateAccount).
Command PrepareNewAccount(const std::string& address);
// "Modify": the device is told which account its page is about.
Plan SelectAccount(const std::string& address, const std::string& id);
// "Enable/Disable": the account at `position` in the device's own list.
Command ToggleAccount(const std::string& address, std::size_t position);
// "Delete" (after ConfirmDeleteAccount).
Plan DeleteAccount(const std::string& address, const std::string& id);
Message ConfirmDeleteAccount();

struct FtpAccountView {
  std::string account, password;
  bool read_only = false;
  std::vector<std::string> folders;          // the Folder List: the device's folders
  std::vector<std::string> account_folders;  // the Sharing List: the account's
};
FtpAccountView ShowFtpAccount(const std::string& page);

// The row of the account of that name, as the device compares names:
// without regard to letter case.
std::optional<net::AccountRow> FindAccount(const std::vector<net::AccountRow>& rows,
                                           const std::string& name);

// The account's "Set": its password (typed: at most 12 characters, may be
// empty; the device's own goes back whole) and access.
Plan SetAccount(const std::string& address, const std::string& account, const Entry& password,
                bool read_only);
// "-->" (a folder of the account page's Folder List, `offered`) and "<--".
Plan GiveFolder(const std::string& address, const std::string& account, const std::string& folder,
                const std::vector<std::string>& offered);
Plan TakeFolder(const std::string& address, const std::string& account, const std::string& folder);
// "Delete" on the account's page (after ConfirmDeleteFolder).
Plan DeleteAccountFolder(const std::string& address, const std::string& folder);

}  // namespace device
