#include "console/ftp_dialogs.h"

#include "console/menuform.h"
#include "console/page_kit.h"
#include "core/session_state.h"
#include "device/folders.h"
#include "ui/ui.h"
#include "ui/window_refs.h"

namespace {

constexpr char kFolderListTitle[] = "Modify FTP Account Folder List";

}  // namespace

Form9::Form9()
    : FolderDialog("FTPS Create Account"),
      Label1(new ui::Label(this)),
      FTPAddAccEdit(AddEdit(Label1, "Account Name")),
      FTPAddAccBtn(new QPushButton(this)) {
  Finish(FTPAddAccBtn);
  connect(FTPAddAccBtn, &QPushButton::clicked, this,
          [this] { Act([this] { return FTPAddAccBtnClick(); }); });
  ui::Windows().form9 = {this, this};
}

Form9::~Form9() {
  if (ui::Windows().form9.form == this) ui::Windows().form9.widget = {};
}

QPushButton* Form9::ReenabledButton() const {
  return Console().AccountCreateButton();
}

core::Task<> Form9::FTPAddAccBtnClick() {
  Trimmed({FTPAddAccEdit});
  // The device may refuse a new account for a while: it is sent again, up
  // to 15 times.
  return Carry(device::CreateFolder(core::Session().DeviceIp, device::NameDialog::CreateAccount,
                                    ui::S(FTPAddAccEdit->text()), Console().AccountNames()),
               {FTPAddAccEdit}, {FTPAddAccEdit}, [] { return Console().TabSheet5Show(); });
}

Form10::Form10()
    : FolderDialog("FTPS Create Folder"),
      Label1(new ui::Label(this)),
      ModCreateFEdit(AddEdit(Label1, "Folder Name")),
      ModCreateFBtn(new QPushButton(this)) {
  Finish(ModCreateFBtn);
  connect(ModCreateFBtn, &QPushButton::clicked, this,
          [this] { Act([this] { return ModCreateFBtnClick(); }); });
  ui::Windows().form10 = {this, this};
}

Form10::~Form10() {
  if (ui::Windows().form10.form == this) ui::Windows().form10.widget = {};
}

QPushButton* Form10::ReenabledButton() const {
  return Console().AccountFolderCreateButton();
}

core::Task<> Form10::ModCreateFBtnClick() {
  Trimmed({ModCreateFEdit});
  return Carry(
      device::CreateFolder(core::Session().DeviceIp, device::NameDialog::CreateAccountFolder,
                           ui::S(ModCreateFEdit->text()), Console().AccountFolderNames()),
      {ModCreateFEdit}, {ModCreateFEdit}, [] { return Console().TabSheet6Show(); });
}

Form11::Form11()
    : FolderDialog("FTPS Rename Folder"),
      Label1(new ui::Label(this)),
      ModRenOldnameEdit(AddEdit(Label1, "Old Name")),
      Label2(new ui::Label(this)),
      ModRenNewnameEdit(AddEdit(Label2, "New Name")),
      ModRenameFBtn(new QPushButton(this)) {
  ModRenOldnameEdit->setEnabled(false);  // filled by the console
  Finish(ModRenameFBtn);
  connect(ModRenameFBtn, &QPushButton::clicked, this,
          [this] { Act([this] { return ModRenameFBtnClick(); }); });
  ui::Windows().form11 = {this, this};
}

Form11::~Form11() {
  if (ui::Windows().form11.form == this) ui::Windows().form11.widget = {};
}

QPushButton* Form11::ReenabledButton() const {
  return Console().AccountFolderCreateButton();
}

core::Task<> Form11::ModRenameFBtnClick() {
  const std::string old_name = ui::S(ModRenOldnameEdit->text());
  if (!old_name.empty()) Trimmed({ModRenNewnameEdit});
  const device::Plan plan = device::RenameFolder(
      core::Session().DeviceIp, device::NameDialog::RenameAccountFolder, old_name,
      ui::S(ModRenNewnameEdit->text()), Console().AccountFolderNames());
  const device::Refusal* refused = device::Refused(plan);
  // A name too long makes the old name editable too.
  if (refused != nullptr &&
      refused->message == device::Say("Over Maximum (12 characters).", kFolderListTitle))
    ModRenOldnameEdit->setEnabled(true);
  return Carry(plan, {ModRenNewnameEdit}, {ModRenOldnameEdit, ModRenNewnameEdit},
               [] { return Console().TabSheet6Show(); });
}
