#include "console/ftp_dialogs.h"

#include "console/menuform.h"
#include "console/page_kit.h"
#include "core/session_state.h"
#include "net/url.h"
#include "ui/ui.h"
#include "ui/windows.h"

namespace {

constexpr char kFolderListTitle[] = "Modify FTP Account Folder List";
constexpr char kOnlyLettersAndDigits[] = "Only alpha-numberic characters accepted (a-z, 0-9).";

}  // namespace

Form9::Form9()
    : FolderDialog("FTPS Create Account"),
      Label1(new ui::Label(this)),
      FTPAddAccEdit(AddEdit(Label1, "Account Name")),
      FTPAddAccBtn(new QPushButton(this)) {
  Finish(FTPAddAccBtn);
  connect(FTPAddAccBtn, &QPushButton::clicked, this, ui::Guard([this] { FTPAddAccBtnClick(); }));
  ui::Windows().form9 = this;
}

Form9::~Form9() {
  if (ui::Windows().form9 == this) ui::Windows().form9 = nullptr;
}

QPushButton* Form9::Opener() const {
  return Console().AccAddBtn;
}

void Form9::FTPAddAccBtnClick() {
  const auto name =
      CheckName(FTPAddAccEdit, FTPAddAccBtn, {"FTP Server", kOnlyLettersAndDigits, "FTP Server"});
  if (!name) return;
  // A new account is read-only until its page says otherwise; the device
  // may refuse it for a while, so it is sent again up to 15 times.
  SendAndClose(
      console::NasCommand("ftp.htm",
                          "ftps_user_add&Account=" + net::EncodeUrlValue(*name) + "&ftp_att=R"),
      "ftp.htm", [] { Console().TabSheet5Show(); }, {FTPAddAccEdit}, "Account Name");
}

Form10::Form10()
    : FolderDialog("FTPS Create Folder"),
      Label1(new ui::Label(this)),
      ModCreateFEdit(AddEdit(Label1, "Folder Name")),
      ModCreateFBtn(new QPushButton(this)) {
  Finish(ModCreateFBtn);
  connect(ModCreateFBtn, &QPushButton::clicked, this, ui::Guard([this] { ModCreateFBtnClick(); }));
  ui::Windows().form10 = this;
}

Form10::~Form10() {
  if (ui::Windows().form10 == this) ui::Windows().form10 = nullptr;
}

QPushButton* Form10::Opener() const {
  return Console().ShowModCreateBtn;
}

void Form10::ModCreateFBtnClick() {
  const auto name = CheckName(ModCreateFEdit, ModCreateFBtn,
                              {kFolderListTitle, kOnlyLettersAndDigits, kFolderListTitle});
  if (!name) return;
  SendAndClose(
      console::NasCommand("smb.htm",
                          "fm_mkdir_apply&folder=" + net::EncodeUrlValue(*name) + "&to_name="),
      "ftp_mod.htm", [] { Console().TabSheet6Show(); }, {ModCreateFEdit}, "Folder Name");
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
  connect(ModRenameFBtn, &QPushButton::clicked, this, ui::Guard([this] { ModRenameFBtnClick(); }));
  ui::Windows().form11 = this;
}

Form11::~Form11() {
  if (ui::Windows().form11 == this) ui::Windows().form11 = nullptr;
}

QPushButton* Form11::Opener() const {
  return Console().ShowModCreateBtn;
}

void Form11::ModRenameFBtnClick() {
  const std::string old_name = ui::S(ModRenOldnameEdit->text());
  if (!Form2::Named(old_name, Form2::kNoFolder, kFolderListTitle)) return;
  const auto name = CheckName(
      ModRenNewnameEdit, ModRenameFBtn,
      {kFolderListTitle, kOnlyLettersAndDigits, kFolderListTitle,
       [&old_name](const std::string& typed) { return typed == old_name; }, ModRenOldnameEdit});
  if (!name) return;
  SendAndClose(
      console::NasCommand("smb.htm", "fm_rename_apply&folder=" + net::EncodeUrlValue(*name) +
                                         "&to_name=" + net::EncodeUrlValue(old_name)),
      "ftp_mod.htm", [] { Console().TabSheet6Show(); }, {ModRenOldnameEdit, ModRenNewnameEdit},
      "Old Name");
}
