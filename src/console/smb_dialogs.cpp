#include "console/smb_dialogs.h"

#include "console/menuform.h"
#include "console/page_kit.h"
#include "core/session_state.h"
#include "device/folders.h"
#include "ui/ui.h"
#include "ui/window_refs.h"

Form6::Form6()
    : FolderDialog("Create Folder"),
      Label1(new ui::Label(this)),
      FoldernameEdit(AddEdit(Label1, "Folder Name")),
      CreateFBtn(new QPushButton(this)) {
  Finish(CreateFBtn);
  connect(CreateFBtn, &QPushButton::clicked, this,
          [this] { Act([this] { return CreateFBtnClick(); }); });
  ui::Windows().form6 = {this, this};
}

Form6::~Form6() {
  if (ui::Windows().form6.form == this) ui::Windows().form6.widget = {};
}

QPushButton* Form6::ReenabledButton() const {
  return Console().FolderCreateButton();
}

core::Task<> Form6::CreateFBtnClick() {
  Trimmed({FoldernameEdit});
  return Carry(device::CreateFolder(core::Session().DeviceIp, device::NameDialog::CreateFolder,
                                    ui::S(FoldernameEdit->text()), Console().FolderNames()),
               {FoldernameEdit}, {FoldernameEdit}, [] { return Console().TabSheet4Show(); });
}

Form7::Form7()
    : FolderDialog("SMB Rename Folder"),
      Label1(new ui::Label(this)),
      OldFoldernameEdit(AddEdit(Label1, "Old Name", 0)),
      Label2(new ui::Label(this)),
      NewFoldernameEdit(AddEdit(Label2, "New Name")),
      RenameFBtn(new QPushButton(this)) {
  OldFoldernameEdit->setEnabled(false);  // filled by the console
  Finish(RenameFBtn);
  connect(RenameFBtn, &QPushButton::clicked, this,
          [this] { Act([this] { return RenameFBtnClick(); }); });
  ui::Windows().form7 = {this, this};
}

Form7::~Form7() {
  if (ui::Windows().form7.form == this) ui::Windows().form7.widget = {};
}

QPushButton* Form7::ReenabledButton() const {
  return Console().FolderCreateButton();
}

core::Task<> Form7::RenameFBtnClick() {
  const std::string old_name = ui::S(OldFoldernameEdit->text());
  if (!old_name.empty()) Trimmed({NewFoldernameEdit});
  return Carry(
      device::RenameFolder(core::Session().DeviceIp, device::NameDialog::RenameFolder, old_name,
                           ui::S(NewFoldernameEdit->text()), Console().FolderNames()),
      {NewFoldernameEdit}, {OldFoldernameEdit, NewFoldernameEdit},
      [] { return Console().TabSheet4Show(); });
}

Form8::Form8()
    : FolderDialog("File Sharing Password"),
      Label1(new ui::Label(this)),
      PublicFolderEdit(AddEdit(Label1, "Folder Name", 0)),
      Label2(new ui::Label(this)),
      PublicPassEdit(AddEdit(Label2, "Password", 0)),
      Label3(new ui::Label(this)),
      VerifyPassEdit(AddEdit(Label3, "Verify Password")),
      PublicPassBtn(new QPushButton(this)) {
  PublicFolderEdit->setEnabled(false);  // filled by the console
  PublicPassEdit->setEchoMode(QLineEdit::Password);
  VerifyPassEdit->setEchoMode(QLineEdit::Password);
  Finish(PublicPassBtn);
  connect(PublicPassBtn, &QPushButton::clicked, this,
          [this] { Act([this] { return PublicPassBtnClick(); }); });
  ui::Windows().form8 = {this, this};
}

Form8::~Form8() {
  if (ui::Windows().form8.form == this) ui::Windows().form8.widget = {};
}

QPushButton* Form8::ReenabledButton() const {
  return Console().FolderCreateButton();
}

core::Task<> Form8::PublicPassBtnClick() {
  const std::string folder = ui::S(PublicFolderEdit->text());
  if (!folder.empty()) Trimmed({PublicPassEdit, VerifyPassEdit});
  // Refused, the passwords start again; the folder they are for stays.
  // Empty passwords are allowed: the folder is then open to all.
  return Carry(
      device::SetFolderPassword(core::Session().DeviceIp, folder, ui::S(PublicPassEdit->text()),
                                ui::S(VerifyPassEdit->text())),
      {PublicPassEdit, VerifyPassEdit}, {PublicFolderEdit, PublicPassEdit, VerifyPassEdit},
      [] { return Console().TabSheet4Show(); });
}
