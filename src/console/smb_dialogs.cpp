#include "console/smb_dialogs.h"

#include "console/menuform.h"
#include "console/page_kit.h"
#include "core/session_state.h"
#include "core/text.h"
#include "i18n/translate.h"
#include "net/url.h"
#include "platform/platform.h"
#include "ui/ui.h"
#include "ui/windows.h"

namespace {

constexpr char kFileServer[] = "File Server";
constexpr char kSmbTag[] = "smb.htm";

}  // namespace

Form6::Form6()
    : FolderDialog("Create Folder"),
      Label1(new ui::Label(this)),
      FoldernameEdit(AddEdit(Label1, "Folder Name")),
      CreateFBtn(new QPushButton(this)) {
  Finish(CreateFBtn);
  connect(CreateFBtn, &QPushButton::clicked, this, ui::Guard([this] { CreateFBtnClick(); }));
  ui::Windows().form6 = this;
}

Form6::~Form6() {
  if (ui::Windows().form6 == this) ui::Windows().form6 = nullptr;
}

QPushButton* Form6::Opener() const {
  return Console().ShowCreateBtn;
}

void Form6::CreateFBtnClick() {
  const auto name =
      CheckName(FoldernameEdit, CreateFBtn,
                {kFileServer, "Only alpha-numberic characters accepted (a-z, 0-9).", kFileServer});
  if (!name) return;
  SendAndClose(
      console::NasCommand("smb.htm",
                          "fm_mkdir_apply&folder=" + net::EncodeUrlValue(*name) + "&to_name="),
      kSmbTag, [] { Console().TabSheet4Show(); }, {FoldernameEdit}, "Folder Name");
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
  connect(RenameFBtn, &QPushButton::clicked, this, ui::Guard([this] { RenameFBtnClick(); }));
  ui::Windows().form7 = this;
}

Form7::~Form7() {
  if (ui::Windows().form7 == this) ui::Windows().form7 = nullptr;
}

QPushButton* Form7::Opener() const {
  return Console().ShowCreateBtn;
}

void Form7::RenameFBtnClick() {
  const std::string old_name = ui::S(OldFoldernameEdit->text());
  if (!Form2::Named(old_name, Form2::kNoFolder, kFileServer)) return;
  // This dialog's character message is looked up by its Chinese key, each
  // key ending in a double quote.
  const auto name = CheckName(NewFoldernameEdit, RenameFBtn,
                              {kFileServer, "僅接受英文字母或數字。\"", "SMB 伺服器\""});
  if (!name) return;
  // The new name goes first, under "folder".
  SendAndClose(
      console::NasCommand("smb.htm", "fm_rename_apply&folder=" + net::EncodeUrlValue(*name) +
                                         "&to_name=" + net::EncodeUrlValue(old_name)),
      kSmbTag, [] { Console().TabSheet4Show(); }, {OldFoldernameEdit, NewFoldernameEdit},
      "Old Name");
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
  connect(PublicPassBtn, &QPushButton::clicked, this, ui::Guard([this] { PublicPassBtnClick(); }));
  ui::Windows().form8 = this;
}

Form8::~Form8() {
  if (ui::Windows().form8 == this) ui::Windows().form8 = nullptr;
}

QPushButton* Form8::Opener() const {
  return Console().ShowCreateBtn;
}

void Form8::PublicPassBtnClick() {
  // A password set on no folder would leave the folder open while the user
  // believes it protected.
  const std::string folder = ui::S(PublicFolderEdit->text());
  if (!Form2::Named(folder, Form2::kNoFolder, kFileServer)) return;
  const std::string password = core::Trim(ui::S(PublicPassEdit->text()));
  const std::string repeated = core::Trim(ui::S(VerifyPassEdit->text()));
  PublicPassEdit->setText(ui::Q(password));
  VerifyPassEdit->setText(ui::Q(repeated));
  const char* refusal = nullptr;
  if (CharacterCount(password) > kMaxLength || CharacterCount(repeated) > kMaxLength)
    refusal = "Over Maximum (12 characters).";
  else if (password != repeated)
    refusal = "New password entries do not match!";
  if (refusal != nullptr) {
    platform::services().message_boxes->Show(i18n::Translate(refusal), i18n::Translate(kFileServer),
                                             platform::MsgIcon::Information,
                                             platform::MsgButtons::Ok);
    // The passwords start again; the folder they are for stays.
    for (QLineEdit* edit : {PublicPassEdit, VerifyPassEdit}) {
      edit->clear();
      edit->setEnabled(true);
    }
    PublicPassBtn->setEnabled(true);
    return;
  }
  // Empty passwords are allowed: the folder is then open to all.
  SendAndClose(
      console::NasCommand("smb.htm", "nas_mod&folder=" + net::EncodeUrlValue(folder) +
                                         "&password1=" + net::EncodeUrlValue(password) +
                                         "&password2=" + net::EncodeUrlValue(repeated)),
      kSmbTag, [] { Console().TabSheet4Show(); },
      {PublicFolderEdit, PublicPassEdit, VerifyPassEdit}, "Folder Name");
}
