// The console's File Server page and its three folder dialogs, against a
// scripted device.

#include <gtest/gtest.h>
#include "support/controls.h"

#include <QTest>

#include <QApplication>
#include <QKeyEvent>

#include "console/smb_dialogs.h"
#include "console_fixture.h"

namespace {

using desktop::MsgIcon;
using desktop::MsgResult;
using testing_support::ConsoleTest;
using testing_support::StatusPage;

const std::string kChinese12 =  // 12 characters, 36 bytes
    "\xE7\x85\xA7\xE7\x89\x87\xE7\x85\xA7\xE7\x89\x87\xE7\x85\xA7\xE7\x89\x87"
    "\xE7\x85\xA7\xE7\x89\x87\xE7\x85\xA7\xE7\x89\x87\xE7\x85\xA7\xE7\x89\x87";

std::string Options(std::initializer_list<std::string> names) {
  std::string out = "<select name=x size=6>";
  for (const auto& n : names) out += "<option value=\"" + n + "\">" + n + "</option>";
  return out + "</select>";
}

std::string Nas(const std::string& command) {
  return "http://192.168.1.77/nas.cgi?redirect=smb.htm&failure=fail.htm&type=" + command;
}

class FileServerTest : public ConsoleTest {
 protected:
  FileServerTest() {
    device().page = StatusPage(
        {{"share_list", Options({"music", "docs", "music", kChinese12, "abcdefghijklm"})},
         {"allow_share", Options({"PUBLIC", "a-very-long-shared-name"})}});
    Open();
    console.SelectPage(Form2::kFileServer);
    device().page_requests.clear();
  }
  std::vector<std::string> Entries(const QListWidget* list) const {
    std::vector<std::string> entries;
    for (int i = 0; i < list->count(); ++i) entries.push_back(list->item(i)->text().toStdString());
    return entries;
  }
  // The buttons enabled: Create, Rename, Delete, Password, -->, <--.
  std::string Enabled() const {
    std::string on;
    for (QPushButton* b : {testing_support::Find<QPushButton>(console, "ShowCreateBtn"),
                           testing_support::Find<QPushButton>(console, "ShowRenameBtn"),
                           testing_support::Find<QPushButton>(console, "ShowDeleteBtn"),
                           testing_support::Find<QPushButton>(console, "ShowPublicPassBtn"),
                           testing_support::Find<QPushButton>(console, "MovetoPublicBtn"),
                           testing_support::Find<QPushButton>(console, "MovetoSMBBtn")})
      on += b->isEnabled() ? "1" : "0";
    return on;
  }
  void Pick(QListWidget* list, int row) { list->setCurrentRow(row); }

  Form6 create;
  Form7 rename;
  Form8 password;
};

TEST_F(FileServerTest, ListsFollowThePageAndTheButtonStates) {
  EXPECT_EQ(Entries(testing_support::Find<QListWidget>(console, "SMBFolderLB")),
            (std::vector<std::string>{"music", "docs", "music", kChinese12, "abcdefghijklm"}));
  EXPECT_EQ(Entries(testing_support::Find<QListWidget>(console, "SMBPublicFolderLB")),
            (std::vector<std::string>{"PUBLIC", "a-very-long-shared-name"}));
  EXPECT_EQ(Enabled(), "100000");

  Pick(testing_support::Find<QListWidget>(console, "SMBPublicFolderLB"), 0);
  EXPECT_EQ(Enabled(), "000101");
  Pick(testing_support::Find<QListWidget>(console, "SMBFolderLB"), 1);
  EXPECT_EQ(Enabled(), "111010");
  EXPECT_TRUE(
      testing_support::Find<QListWidget>(console, "SMBPublicFolderLB")->selectedItems().isEmpty());
  Pick(testing_support::Find<QListWidget>(console, "SMBPublicFolderLB"), 1);
  EXPECT_TRUE(
      testing_support::Find<QListWidget>(console, "SMBFolderLB")->selectedItems().isEmpty());

  // A page without the lists leaves them empty.
  device().page = StatusPage({{"host_name", "X"}});
  console.TabSheet4Show();
  EXPECT_EQ(testing_support::Find<QListWidget>(console, "SMBFolderLB")->count(), 0);
  EXPECT_EQ(testing_support::Find<QListWidget>(console, "SMBPublicFolderLB")->count(), 0);
  EXPECT_EQ(Enabled(), "100000");
}

TEST_F(FileServerTest, MovesBetweenTheLists) {
  Pick(testing_support::Find<QListWidget>(console, "SMBFolderLB"),
       3);  // 12 Chinese characters: not too long
  console.MovetoPublicBtnClick();
  Pick(testing_support::Find<QListWidget>(console, "SMBPublicFolderLB"),
       1);  // any length may leave the Sharing List
  console.MovetoSMBBtnClick();
  EXPECT_EQ(device().CommandUrls(),
            (std::vector<std::string>{
                Nas("nas_apply&share_list="
                    "%E7%85%A7%E7%89%87%E7%85%A7%E7%89%87%E7%85%A7%E7%89%87%E7%85%A7%E7%89%87"
                    "%E7%85%A7%E7%89%87%E7%85%A7%E7%89%87&add=New"),
                Nas("nas_apply&allow_share=a%2Dvery%2Dlong%2Dshared%2Dname&del=Remove")}));
  EXPECT_EQ(device().commands[0].referer, "http://192.168.1.77/smb.htm");
  EXPECT_EQ(reads(), 2u);  // the page after each
  EXPECT_EQ(Enabled(), "100000");

  // A name the device gave goes back whole, however long: the typing
  // limit is for names the person types.
  Pick(testing_support::Find<QListWidget>(console, "SMBFolderLB"), 4);  // 13 characters
  console.MovetoPublicBtnClick();
  EXPECT_TRUE(shown().empty());
  EXPECT_EQ(device().commands.size(), 3u);
}

TEST_F(FileServerTest, ButtonsWithoutASelectionDoNothing) {
  for (QPushButton* button : {testing_support::Find<QPushButton>(console, "MovetoPublicBtn"),
                              testing_support::Find<QPushButton>(console, "MovetoSMBBtn"),
                              testing_support::Find<QPushButton>(console, "ShowDeleteBtn"),
                              testing_support::Find<QPushButton>(console, "ShowRenameBtn"),
                              testing_support::Find<QPushButton>(console, "ShowPublicPassBtn")})
    button->setEnabled(true);
  console.MovetoPublicBtnClick();
  console.MovetoSMBBtnClick();
  console.ShowDeleteBtnClick();
  console.ShowRenameBtnClick();
  console.ShowPublicPassBtnClick();
  EXPECT_TRUE(shown().empty());
  EXPECT_TRUE(device().commands.empty());
  EXPECT_FALSE(rename.isVisible());
  EXPECT_FALSE(password.isVisible());
  EXPECT_EQ(Enabled(), "111111");
}

TEST_F(FileServerTest, DeleteAsksFirst) {
  Pick(testing_support::Find<QListWidget>(console, "SMBFolderLB"), 1);
  fakes.messages->answers = {MsgResult::Cancel};
  console.ShowDeleteBtnClick();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "Selected folder and its contents will be deleted!\nAre you sure?");
  EXPECT_EQ(shown()[0].buttons, desktop::MsgButtons::OkCancel);
  EXPECT_TRUE(device().commands.empty());
  EXPECT_TRUE(
      testing_support::Find<QListWidget>(console, "SMBFolderLB")->selectedItems().isEmpty());
  EXPECT_EQ(Enabled(), "100000");

  Pick(testing_support::Find<QListWidget>(console, "SMBFolderLB"), 1);
  console.ShowDeleteBtnClick();
  EXPECT_EQ(device().CommandUrls(),
            std::vector<std::string>{Nas("fm_rmdir_apply&folder=docs&to_name=")});
}

TEST_F(FileServerTest, CreateFolderNameRule) {
  console.ShowCreateBtnClick();
  EXPECT_TRUE(create.isVisible());
  EXPECT_EQ(Enabled(), "000000");
  EXPECT_EQ(create.windowTitle(), "Create Folder");
  QTest::keyClicks(create.FoldernameEdit, "abcdefghijklmn");  // longer names cannot be typed
  EXPECT_EQ(create.FoldernameEdit->text(), "abcdefghijkl");
  struct Case {
    const char *typed, *message, *left;
  };
  for (const Case& c : {Case{"   ", "Value is empty", ""},
                        Case{"abc.", "Only alpha-numberic characters accepted (a-z, 0-9).", ""},
                        Case{".abc", "Only alpha-numberic characters accepted (a-z, 0-9).", ""},
                        Case{"a b", "Only alpha-numberic characters accepted (a-z, 0-9).", ""}}) {
    shown().clear();
    create.FoldernameEdit->setText(c.typed);
    create.CreateFBtn->setEnabled(false);
    create.CreateFBtnClick();
    ASSERT_EQ(shown().size(), 1u) << c.typed;
    EXPECT_EQ(shown()[0].text, c.message);
    EXPECT_EQ(shown()[0].title, "File Server");
    EXPECT_EQ(create.FoldernameEdit->text().toStdString(), c.left);
  }
  EXPECT_TRUE(device().commands.empty());
  EXPECT_TRUE(create.isVisible());

  create.FoldernameEdit->setText("  A-b_c=1  ");
  create.CreateFBtnClick();
  EXPECT_EQ(device().CommandUrls(),
            std::vector<std::string>{Nas("fm_mkdir_apply&folder=A%2Db%5Fc%3D1&to_name=")});
  EXPECT_FALSE(create.isVisible());
  EXPECT_TRUE(create.FoldernameEdit->text().isEmpty());
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "ShowCreateBtn")->isEnabled());
}

TEST_F(FileServerTest, ClosingADialogGivesTheButtonBackAndKeepsTheText) {
  console.ShowCreateBtnClick();
  create.FoldernameEdit->setText("half");
  create.close();
  EXPECT_FALSE(create.isVisible());
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "ShowCreateBtn")->isEnabled());
  EXPECT_EQ(create.FoldernameEdit->text(), "half");
  EXPECT_TRUE(device().commands.empty());
}

TEST_F(FileServerTest, EnterSetsAndEscapeClosesAFolderDialog) {
  console.ShowCreateBtnClick();
  create.FoldernameEdit->setText("half");
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(create.FoldernameEdit, &escape);
  EXPECT_FALSE(create.isVisible());
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "ShowCreateBtn")->isEnabled());
  EXPECT_TRUE(device().commands.empty());

  console.ShowCreateBtnClick();
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(create.FoldernameEdit, &enter);
  EXPECT_EQ(device().CommandUrls(),
            std::vector<std::string>{Nas("fm_mkdir_apply&folder=half&to_name=")});
  EXPECT_FALSE(create.isVisible());
}

TEST_F(FileServerTest, RenameSendsTheNewNameFirst) {
  device().page = StatusPage({{"share_list", Options({"old1"})}});
  console.TabSheet4Show();
  Pick(testing_support::Find<QListWidget>(console, "SMBFolderLB"), 0);
  console.ShowRenameBtnClick();
  EXPECT_EQ(rename.OldFoldernameEdit->text(), "old1");
  EXPECT_FALSE(rename.OldFoldernameEdit->isEnabled());
  EXPECT_TRUE(
      testing_support::Find<QListWidget>(console, "SMBFolderLB")->selectedItems().isEmpty());

  rename.NewFoldernameEdit->setText("new?");
  rename.RenameFBtnClick();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "僅接受英文字母或數字。\"");
  EXPECT_EQ(shown()[0].title, "SMB 伺服器\"");

  rename.NewFoldernameEdit->setText("new1");
  rename.RenameFBtnClick();
  EXPECT_EQ(device().CommandUrls(),
            std::vector<std::string>{Nas("fm_rename_apply&folder=new1&to_name=old1")});
  EXPECT_TRUE(rename.OldFoldernameEdit->text().isEmpty());
  EXPECT_FALSE(rename.isVisible());
}

TEST_F(FileServerTest, SharePasswordRule) {
  Pick(testing_support::Find<QListWidget>(console, "SMBPublicFolderLB"), 0);
  console.ShowPublicPassBtnClick();
  EXPECT_EQ(password.PublicFolderEdit->text(), "PUBLIC");
  EXPECT_FALSE(password.PublicFolderEdit->isEnabled());
  for (const auto& [first, second, message] :
       {std::tuple{"abcdefghijklm", "abcdefghijklm", "Over Maximum (12 characters)."},
        std::tuple{"one", "two", "New password entries do not match!"}}) {
    shown().clear();
    password.PublicFolderEdit->setText("PUBLIC");
    password.PublicFolderEdit->setEnabled(false);
    password.PublicPassEdit->setText(first);
    password.VerifyPassEdit->setText(second);
    password.PublicPassBtnClick();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].text, message);
    EXPECT_EQ(shown()[0].title, "File Server");
    // The passwords start again; the folder they are for stays as it was.
    EXPECT_EQ(password.PublicFolderEdit->text(), "PUBLIC");
    EXPECT_FALSE(password.PublicFolderEdit->isEnabled());
    EXPECT_TRUE(password.PublicPassEdit->text().isEmpty());
    EXPECT_TRUE(password.VerifyPassEdit->text().isEmpty());
  }
  // Never a password set on no folder.
  shown().clear();
  password.PublicFolderEdit->clear();
  password.PublicPassBtnClick();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "The folder has no name: nothing was sent.");
  EXPECT_TRUE(device().commands.empty());

  password.PublicFolderEdit->setText("PUBLIC");
  password.PublicPassEdit->setText(" my pw ");
  password.VerifyPassEdit->setText("my pw");
  password.PublicPassBtnClick();
  password.PublicFolderEdit->setText("PUBLIC");
  password.PublicPassBtnClick();  // both empty: the folder is open again
  EXPECT_EQ(device().CommandUrls(),
            (std::vector<std::string>{Nas("nas_mod&folder=PUBLIC&password1=my+pw&password2=my+pw"),
                                      Nas("nas_mod&folder=PUBLIC&password1=&password2=")}));
  EXPECT_FALSE(password.isVisible());
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "ShowCreateBtn")->isEnabled());
}

}  // namespace
