#include "device/ftp.h"

#include "device/text.h"
#include "i18n/translate.h"
#include "net/url.h"

namespace device {

namespace {

constexpr char kFtpConfiguration[] = "FTP Configuration";
constexpr char kFolderListTitle[] = "Modify FTP Account Folder List";

}  // namespace

namespace {
// What a device writes in an account's row for its access and its state.
constexpr const char* kAccountWords[] = {"Read only", "Read/Write", "Enable", "Disable"};
}  // namespace

std::string AccountWord(const std::string& word) {
  for (std::size_t i = 0; i < std::size(kAccountWords); ++i) {
    if (word == kAccountWords[i]) return i18n::Translate(kAccountWords[i]);
  }
  return word;
}

FtpServerView ShowFtpServer(const std::string& page) {
  auto value = [&page](const char* key) { return net::PageValue(page, key); };
  FtpServerView view;
  view.enabled = value("ftps_status=\"") == "ENABLE";
  view.port = value("ftps_port=\"");
  view.anonymous = value("ftp_anon_stu=\"") == "checked";
  view.anonymous_read_only = value("ftp_a_att=\"") == "checked";
  view.homes = net::OptionValues(value("ftps_dir_list=\""));
  if (!view.homes.empty()) view.home = 0;
  const std::string home = value("ftps_home_def=\"");
  for (std::size_t i = 0; i < view.homes.size(); ++i)
    if (view.homes[i] == home) view.home = static_cast<int>(i);  // the last equal one
  view.accounts = net::AccountRows(value("ftp_ac_list=\""));
  return view;
}

Plan SetFtpService(const std::string& address, int state, const Entry& port_entry) {
  const std::string& port_text = port_entry.text;
  // Not a whole number: the conversion's own message, nothing sent.
  if (port_entry.typed) {
    const int port = ToInteger(port_text);
    if (port != 21 && (port < 1025 || port > 65500))
      return Refusal{Say("Invalid port number", kFtpConfiguration), 1};
  }
  if (state < 0) return Refusal{Say("Please choose an entry from the list.", kFtpConfiguration)};
  // Sent once: the port exactly as typed, leading zeros and all.
  return Command{
      NasUrl(address, "ftp.htm",
             std::string("ftps_state_apply&ftps_set=") + (state == 0 ? "ENABLE" : "DISABLE") +
                 "&ftps_port=" + net::EscapeQueryText(port_text)),
      "ftp.htm", false, "Port"};
}

Plan SetAnonymousAccess(const std::string& address, bool enabled, bool read_only,
                        const std::optional<std::string>& home) {
  if (!home) return Refusal{Say("Please choose an entry from the list.", kFtpConfiguration)};
  // The home folder goes as the device named it, only made safe for the
  // query.
  return Command{
      NasUrl(address, "ftp.htm",
             std::string("ftps_anonymous_apply&ftp_anon_stu=") + (enabled ? "ENABLE" : "DISABLE") +
                 "&ftp_a_att=" + (read_only ? "RO" : "RW") +
                 "&home=" + net::EscapeQueryText(*home) + "&anony_Apply=Apply"),
      "ftp.htm", true, "Home Directory"};
}

Command PrepareNewAccount(const std::string& address) {
  return {NasUrl(address, "ftp_add.htm", "ftps_userid_set&ftps_user_id=255"), "/ftp.htm", true};
}

Plan SelectAccount(const std::string& address, const std::string& id) {
  if (id.empty()) return Refusal{NoAccount("Account List")};
  return Command{
      NasUrl(address, "ftp_mod.htm", "ftps_userid_set&ftps_user_id=" + net::EscapeQueryText(id)),
      "ftp.htm", true, "Account List"};
}

Command ToggleAccount(const std::string& address, std::size_t position) {
  return {NasUrl(address, "ftp.htm", "ftps_user_enabled&FTP_AC_LIST=" + std::to_string(position)),
          "ftp.htm", true};
}

Plan DeleteAccount(const std::string& address, const std::string& id) {
  if (id.empty()) return Refusal{NoAccount("Account List")};
  return Command{
      NasUrl(address, "ftp.htm", "ftps_user_del&FTP_AC_LIST=" + net::EscapeQueryText(id)),
      "ftp.htm", true, "Account List"};
}

Message ConfirmDeleteAccount() {
  return Say("Selected account will be deleted. Are you sure?", "Account List", Icon::Question);
}

FtpAccountView ShowFtpAccount(const std::string& page) {
  auto value = [&page](const char* key) { return net::PageValue(page, key); };
  return {value("ftps_account=\""), value("ftps_account_passwd=\""),
          value("ftps_att=\"") == "checked", net::OptionValues(value("ftps_dir_list=\"")),
          net::ShareListTexts(value("ftps_share_list=\""))};
}

Plan SetAccount(const std::string& address, const std::string& account, const Entry& entry,
                bool read_only) {
  const std::string& password = entry.text;
  if (account.empty()) return Refusal{NoAccount("Modify FTP Account")};
  if (entry.typed && CharacterCount(password) > kMaxNameLength)
    return Refusal{Say("Over Maximum (12 characters).", "Modify FTP Account")};
  // Sent once; the password may be empty.
  return Command{NasUrl(address, "ftp_mod.htm",
                        "ftps_user_add&Account=" + net::EncodeUrlValue(account) +
                            "&Account_passwd=" + net::EncodeUrlValue(password) +
                            "&ftp_att=" + (read_only ? "R" : "W")),
                 "ftp_mod.htm", false, "Account"};
}

Plan GiveFolder(const std::string& address, const std::string& account, const std::string& folder,
                const std::vector<std::string>& offered) {
  if (account.empty()) return Refusal{NoAccount(kFolderListTitle)};
  if (folder.empty()) return Refusal{NoFolder(kFolderListTitle)};
  // Only a folder the device offers; its name goes as the device gave it.
  if (auto refused = NotListed(folder, offered, kFolderListTitle)) return *refused;
  return Command{NasUrl(address, "ftp_mod.htm",
                        "ftps_add_share&account=" + net::EncodeUrlValue(account) +
                            "&account_List=" + net::EncodeUrlValue(folder) + "&op_add=Add"),
                 "ftp_mod.htm", true, "Folder List"};
}

Plan TakeFolder(const std::string& address, const std::string& account, const std::string& folder) {
  if (account.empty()) return Refusal{NoAccount(kFolderListTitle)};
  if (folder.empty()) return Refusal{NoFolder(kFolderListTitle)};
  return Command{NasUrl(address, "ftp_mod.htm",
                        "ftps_del_share&account=" + net::EncodeUrlValue(account) +
                            "&account_List=" + net::EncodeUrlValue(folder) + "&op_del=Delete"),
                 "ftp_mod.htm", true, "Sharing List"};
}

Plan DeleteAccountFolder(const std::string& address, const std::string& folder) {
  if (folder.empty()) return Refusal{NoFolder(kFolderListTitle)};
  return Command{NasUrl(address, "smb.htm",
                        "fm_rmdir_apply&folder=" + net::EncodeUrlValue(folder) + "&to_name="),
                 "ftp_mod.htm", true, "Folder List"};
}

}  // namespace device

namespace device {

std::optional<net::AccountRow> FindAccount(const std::vector<net::AccountRow>& rows,
                                           const std::string& name) {
  for (const net::AccountRow& row : rows)
    if (SameButCase(row.name, name)) return row;
  return std::nullopt;
}

}  // namespace device
