#pragma once

// The File Server page and its dialogs, and the folder dialogs of an FTP
// account's page: the device's folders, which are shared over SMB, their
// names and passwords.

#include <string>
#include <vector>

#include "device/device.h"

namespace device {

struct FileServerView {
  std::vector<std::string> folders;  // the Folder List: folders not shared
  std::vector<std::string> shared;   // the Sharing List
};
FileServerView ShowFileServer(const std::string& page);

// "-->" and "<--": a folder of the device's into the Sharing List and out
// of it; its name goes as the device gave it.
Plan ShareFolder(const std::string& address, const std::string& folder,
                 const std::vector<std::string>& offered);
Plan UnshareFolder(const std::string& address, const std::string& folder,
                   const std::vector<std::string>& offered);
// "Delete" (after ConfirmDeleteFolder).
Plan DeleteFolder(const std::string& address, const std::string& folder);

// Which dialog a name is typed in: the dialogs differ in their titles and
// in the words they refuse a character with, and in what they send.
enum class NameDialog {
  CreateFolder,
  RenameFolder,
  CreateAccount,
  CreateAccountFolder,
  RenameAccountFolder
};

// The name rule of the folder and account dialogs: the name is trimmed,
// then refused when empty, longer than 12 characters, unchanged (a rename),
// holding anything but ASCII letters, digits, "-", "_" and "=", or taken:
// the name of one of `taken` (the device's folders, or its accounts) but
// for letter case, which the device does not tell apart. The trimmed name
// is what goes out.
Plan CreateFolder(const std::string& address, NameDialog dialog, const std::string& name,
                  const std::vector<std::string>& taken = {});
Plan RenameFolder(const std::string& address, NameDialog dialog, const std::string& old_name,
                  const std::string& new_name, const std::vector<std::string>& taken = {});

// "File Sharing Password": both passwords are trimmed; longer than 12
// characters or differing, they are refused (and typed again); empty ones
// open the folder to all.
Plan SetFolderPassword(const std::string& address, const std::string& folder,
                       const std::string& password, const std::string& repeated);

}  // namespace device
