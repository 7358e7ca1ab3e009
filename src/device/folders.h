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

// "-->" and "<--": a folder into the Sharing List (at most 12 characters)
// and out of it.
Plan ShareFolder(const std::string& address, const std::string& folder);
Plan UnshareFolder(const std::string& address, const std::string& folder);
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
// or holding anything but ASCII letters, digits, "-", "_" and "=". The
// trimmed name is what goes out.
Plan CreateFolder(const std::string& address, NameDialog dialog, const std::string& name);
Plan RenameFolder(const std::string& address, NameDialog dialog, const std::string& old_name,
                  const std::string& new_name);

// "File Sharing Password": both passwords are trimmed; longer than 12
// characters or differing, they are refused (and typed again); empty ones
// open the folder to all.
Plan SetFolderPassword(const std::string& address, const std::string& folder,
                       const std::string& password, const std::string& repeated);

}  // namespace device
