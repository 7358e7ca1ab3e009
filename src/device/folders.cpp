#include "device/folders.h"

#include <algorithm>
#include <optional>

#include "device/text.h"
#include "i18n/translate.h"
#include "net/page_values.h"
#include "net/url.h"

namespace device {

using i18n::Translate;

namespace {

constexpr char kFileServer[] = "File Server";
constexpr char kFolderListTitle[] = "Modify FTP Account Folder List";
constexpr char kOnlyLettersAndDigits[] = "Only alpha-numberic characters accepted (a-z, 0-9).";

bool AllowedInName(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' ||
         c == '_' || c == '=';
}

struct DialogTexts {
  const char* title;          // of the empty, length and unchanged refusals
  const char* invalid;        // the character refusal
  const char* invalid_title;  // and its title
};

DialogTexts TextsOf(NameDialog dialog) {
  switch (dialog) {
    case NameDialog::CreateFolder:
      return {kFileServer, kOnlyLettersAndDigits, kFileServer};
    case NameDialog::RenameFolder:
      // Looked up by its Chinese keys, each ending in a double quote.
      return {kFileServer, "僅接受英文字母或數字。\"", "SMB 伺服器\""};
    case NameDialog::CreateAccount:
      return {"FTP Server", kOnlyLettersAndDigits, "FTP Server"};
    case NameDialog::CreateAccountFolder:
    case NameDialog::RenameAccountFolder:
      break;
  }
  return {kFolderListTitle, kOnlyLettersAndDigits, kFolderListTitle};
}

// The command's answer page in its URL, and the page tag it goes with.
std::pair<const char*, const char*> PagesOf(NameDialog dialog) {
  switch (dialog) {
    case NameDialog::CreateFolder:
    case NameDialog::RenameFolder:
      return {"smb.htm", "smb.htm"};
    case NameDialog::CreateAccount:
      return {"ftp.htm", "ftp.htm"};
    case NameDialog::CreateAccountFolder:
    case NameDialog::RenameAccountFolder:
      break;
  }
  return {"smb.htm", "ftp_mod.htm"};
}

// The name rule; nothing when the name passes.
std::optional<Refusal> CheckName(const DialogTexts& texts, const std::string& name,
                                 const std::vector<std::string>& taken,
                                 const std::string* old_name = nullptr) {
  if (name.empty()) return Refusal{Say("Value is empty", texts.title)};
  if (CharacterCount(name) > kMaxNameLength)
    return Refusal{Say("Over Maximum (12 characters).", texts.title), 0, true};
  if (old_name != nullptr && name == *old_name)
    return Refusal{Say("New name entries do not match!", texts.title), 0, true};
  for (const char c : name)
    if (!AllowedInName(c)) return Refusal{Say(texts.invalid, texts.invalid_title), 0, true};
  for (const std::string& other : taken)
    if (SameButCase(other, name))
      return Refusal{{Translate("This name is taken (letter case aside):") + " " + other,
                      Translate(texts.title)},
                     0,
                     true};
  return std::nullopt;
}

}  // namespace

FileServerView ShowFileServer(const std::string& page) {
  return {net::OptionValues(net::PageValue(page, "share_list=\"")),
          net::OptionValues(net::PageValue(page, "allow_share=\""))};
}

Plan ShareFolder(const std::string& address, const std::string& folder,
                 const std::vector<std::string>& offered) {
  if (folder.empty()) return Refusal{NoFolder(kFileServer)};
  if (auto refused = NotListed(folder, offered, kFileServer)) return *refused;
  return Command{NasUrl(address, "smb.htm",
                        "nas_apply&share_list=" + net::EncodeUrlValue(folder) + "&add=New"),
                 "smb.htm", true, "Folder List"};
}

Plan UnshareFolder(const std::string& address, const std::string& folder,
                   const std::vector<std::string>& offered) {
  if (folder.empty()) return Refusal{NoFolder(kFileServer)};
  if (auto refused = NotListed(folder, offered, kFileServer)) return *refused;
  return Command{NasUrl(address, "smb.htm",
                        "nas_apply&allow_share=" + net::EncodeUrlValue(folder) + "&del=Remove"),
                 "smb.htm", true, "Sharing List"};
}

Plan DeleteFolder(const std::string& address, const std::string& folder) {
  if (folder.empty()) return Refusal{NoFolder(kFileServer)};
  return Command{NasUrl(address, "smb.htm",
                        "fm_rmdir_apply&folder=" + net::EncodeUrlValue(folder) + "&to_name="),
                 "smb.htm", true, "Folder List"};
}

Plan CreateFolder(const std::string& address, NameDialog dialog, const std::string& typed,
                  const std::vector<std::string>& taken) {
  const std::string name = Trim(typed);
  if (auto refusal = CheckName(TextsOf(dialog), name, taken)) return *refusal;
  const auto [redirect, page_tag] = PagesOf(dialog);
  if (dialog == NameDialog::CreateAccount)
    // A new account is read-only until its page says otherwise.
    return Command{NasUrl(address, redirect,
                          "ftps_user_add&Account=" + net::EncodeUrlValue(name) + "&ftp_att=R"),
                   page_tag, true, "Account Name"};
  return Command{
      NasUrl(address, redirect, "fm_mkdir_apply&folder=" + net::EncodeUrlValue(name) + "&to_name="),
      page_tag, true, "Folder Name"};
}

Plan RenameFolder(const std::string& address, NameDialog dialog, const std::string& old_name,
                  const std::string& typed, const std::vector<std::string>& taken) {
  const DialogTexts texts = TextsOf(dialog);
  if (old_name.empty()) return Refusal{NoFolder(texts.title)};
  const std::string name = Trim(typed);
  // Only the account's page tells an unchanged name apart.
  // The folder itself may change only its letter case.
  std::vector<std::string> others;
  for (const std::string& t : taken)
    if (t != old_name) others.push_back(t);
  if (auto refusal = CheckName(texts, name, others,
                               dialog == NameDialog::RenameAccountFolder ? &old_name : nullptr))
    return *refusal;
  // The new name goes first, under "folder".
  const auto [redirect, page_tag] = PagesOf(dialog);
  return Command{NasUrl(address, redirect,
                        "fm_rename_apply&folder=" + net::EncodeUrlValue(name) +
                            "&to_name=" + net::EncodeUrlValue(old_name)),
                 page_tag, true, "Old Name"};
}

Plan SetFolderPassword(const std::string& address, const std::string& folder,
                       const std::string& password_typed, const std::string& repeated_typed) {
  // A password set on no folder would leave the folder open while the user
  // believes it protected.
  if (folder.empty()) return Refusal{NoFolder(kFileServer)};
  const std::string password = Trim(password_typed), repeated = Trim(repeated_typed);
  if (CharacterCount(password) > kMaxNameLength || CharacterCount(repeated) > kMaxNameLength)
    return Refusal{Say("Over Maximum (12 characters).", kFileServer), 0, true};
  if (password != repeated)
    return Refusal{Say("New password entries do not match!", kFileServer), 0, true};
  return Command{NasUrl(address, "smb.htm",
                        "nas_mod&folder=" + net::EncodeUrlValue(folder) +
                            "&password1=" + net::EncodeUrlValue(password) +
                            "&password2=" + net::EncodeUrlValue(repeated)),
                 "smb.htm", true, "Folder Name"};
}

}  // namespace device
