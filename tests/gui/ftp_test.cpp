// The console's FTP Server and Modify FTP pages and their dialogs, against
// a scripted device.

#include <gtest/gtest.h>
#include "support/controls.h"

#include "console/ftp_dialogs.h"
#include "console_fixture.h"

namespace {

using desktop::MsgIcon;
using desktop::MsgResult;
using testing_support::ConsoleTest;
using testing_support::StatusPage;

std::string Nbsp(int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += "&nbsp;";
  return out;
}

std::string Account(const std::string& id, const std::string& name, const std::string& password,
                    const std::string& access, const std::string& state) {
  return "<option value=\"" + id + "\">" + name + Nbsp(21 - static_cast<int>(name.size())) +
         password + Nbsp(11) + access + Nbsp(11) + state + Nbsp(1) + "</option>";
}

std::string Options(std::initializer_list<std::string> names, const std::string& before_end = "") {
  std::string out = "<select name=x size=6>";
  for (const auto& n : names) out += "<option value=\"" + n + "\">" + n + before_end + "</option>";
  return out + "</select>";
}

std::string Nas(const std::string& redirect, const std::string& command) {
  return "http://192.168.1.77/nas.cgi?redirect=" + redirect + "&failure=fail.htm&type=" + command;
}

const std::string kRefused = "HTTP/1.0 200 OK\r\nContent-Location: /fail.htm\r\n\r\n";

class FtpTest : public ConsoleTest {
 protected:
  FtpTest() {
    device().page = StatusPage(
        {{"ftps_status", "ENABLE"},
         {"ftps_port", "21"},
         {"ftp_anon_stu", "checked"},
         {"ftp_a_att", ""},
         {"ftps_dir_list", Options({"PUBLIC", "music", "PUBLIC", "docs"})},
         {"ftps_home_def", "PUBLIC"},
         {"ftp_ac_list", "<select name=\"FTP_AC_LIST\" size=6>" +
                             Account("7", "bob", "s3cret", "Read only", "Enable") +
                             "<option value=\"8\">broken</option>" +
                             Account("9", "amy", "pw", "Read/Write", "Disable") + "</select>"},
         {"ftps_account", "amy"},
         {"ftps_account_passwd", "pw"},
         {"ftps_att", "checked"},
         {"ftps_share_list", Options({"music", "abcdefghijklm"}, " ")}});
    Open();
    console.SelectPage(Form2::kFtpServer);
    device().page_requests.clear();
  }
  std::vector<std::string> Row(int row) const {
    std::vector<std::string> texts;
    for (int c = 0; c < 5; ++c)
      texts.push_back(
          testing_support::Find<ui::ReportListView>(console, "AccountLV")->Text(row, c));
    return texts;
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (int tab = 0; tab < 6; ++tab) captions.push_back(console.TabCaption(tab));
    return captions;
  }
  void Refuse(int times) { device().headers.assign(static_cast<std::size_t>(times), kRefused); }

  Form9 account;
  Form10 create;
  Form11 rename;
};

TEST_F(FtpTest, ThePageShowsTheServiceAnonymousAccessAndAccounts) {
  EXPECT_EQ(testing_support::Find<QComboBox>(console, "FTPStatusCB")->currentText(), "Enable");
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "FTPPortEdit")->text(), "21");
  EXPECT_TRUE(testing_support::Find<QRadioButton>(console, "AnonyEnRB")->isChecked());
  EXPECT_TRUE(testing_support::Find<QRadioButton>(console, "AnonyWriteRB")->isChecked());
  EXPECT_EQ(testing_support::Find<QComboBox>(console, "AnonyHDCB")->count(), 4);
  EXPECT_EQ(testing_support::Find<QComboBox>(console, "AnonyHDCB")->currentIndex(),
            2);  // the last equal entry
  ASSERT_EQ(testing_support::Find<ui::ReportListView>(console, "AccountLV")->RowCount(),
            2);  // the option without entities has no row
  EXPECT_EQ(Row(0), (std::vector<std::string>{"bob", "s3cret", "Read only", "Enable", "7"}));
  EXPECT_EQ(Row(1), (std::vector<std::string>{"amy", "pw", "Read/Write", "Disable", "9"}));
  EXPECT_TRUE(testing_support::Find<ui::ReportListView>(console, "AccountLV")->isColumnHidden(4));
  EXPECT_EQ(testing_support::Find<ui::ReportListView>(console, "AccountLV")->SelectedRow(), -1);
  EXPECT_FALSE(testing_support::Find<QPushButton>(console, "AccModifyBtn")->isEnabled());
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "AccAddBtn")->isEnabled());

  device().page = StatusPage({{"ftps_status", "enable"},
                              {"ftps_dir_list", Options({"a", "b"})},
                              {"ftps_home_def", "zzz"}});
  console.TabSheet5Show();
  EXPECT_EQ(testing_support::Find<QComboBox>(console, "FTPStatusCB")->currentText(), "Disable");
  EXPECT_TRUE(testing_support::Find<QRadioButton>(console, "AnonyDisRB")->isChecked());
  EXPECT_EQ(testing_support::Find<QComboBox>(console, "AnonyHDCB")->currentIndex(), 0);
  EXPECT_EQ(testing_support::Find<ui::ReportListView>(console, "AccountLV")->RowCount(), 0);
}

TEST_F(FtpTest, PortLimitsAndTheServiceCommandSentOnce) {
  testing_support::Find<QLineEdit>(console, "FTPPortEdit")->setText("0021");
  console.FTPStatusBtnClick();
  EXPECT_EQ(LastUrl(), Nas("ftp.htm", "ftps_state_apply&ftps_set=ENABLE&ftps_port=0021"));
  testing_support::Find<QLineEdit>(console, "FTPPortEdit")->setText("1024");
  console.FTPStatusBtnClick();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "Invalid port number");
  shown().clear();
  testing_support::Find<QLineEdit>(console, "FTPPortEdit")->setText("2a");
  testing_support::Find<QPushButton>(console, "FTPStatusBtn")->click();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "'2a' is not a valid integer value");
  shown().clear();
  testing_support::Find<QLineEdit>(console, "FTPPortEdit")->setText("21");
  testing_support::Find<QComboBox>(console, "FTPStatusCB")->setCurrentIndex(-1);
  console.FTPStatusBtnClick();
  EXPECT_EQ(shown().at(0).text, "Please choose an entry from the list.");
  EXPECT_EQ(device().commands.size(), 1u);

  // Refused by the device: still sent once, and the page is not read again.
  testing_support::Find<QComboBox>(console, "FTPStatusCB")->setCurrentIndex(1);
  Refuse(15);
  device().page_requests.clear();
  console.FTPStatusBtnClick();
  EXPECT_EQ(device().commands.size(), 2u);
  EXPECT_EQ(LastUrl(), Nas("ftp.htm", "ftps_state_apply&ftps_set=DISABLE&ftps_port=21"));
  EXPECT_EQ(reads(), 0u);
}

TEST_F(FtpTest, RefusedCommandsAreSentFifteenTimesThenThePageIsReadOnce) {
  Refuse(15);
  testing_support::Find<QRadioButton>(console, "AnonyReadORB")->setChecked(true);
  console.AnonyBtnClick();  // no page named to read again
  EXPECT_EQ(device().CommandUrls(),
            std::vector<std::string>(15, Nas("ftp.htm",
                                             "ftps_anonymous_apply&ftp_anon_stu=ENABLE&ftp_a_att=RO"
                                             "&home=PUBLIC&anony_Apply=Apply")));
  EXPECT_EQ(reads(), 0u);

  device().commands.clear();
  Refuse(15);
  testing_support::Find<ui::ReportListView>(console, "AccountLV")->selectRow(0);
  console.AccDelBtnClick();
  EXPECT_EQ(device().CommandUrls(),
            std::vector<std::string>(15, Nas("ftp.htm", "ftps_user_del&FTP_AC_LIST=7")));
  EXPECT_EQ(reads(), 1u);

  // Refused twice, then taken: three sendings, and the page after them.
  device().commands.clear();
  device().page_requests.clear();
  Refuse(2);
  testing_support::Find<ui::ReportListView>(console, "AccountLV")->selectRow(0);
  console.AccDelBtnClick();
  EXPECT_EQ(device().commands.size(), 3u);
  EXPECT_EQ(reads(), 1u);
}

TEST_F(FtpTest, EnableDisableSendsThePlaceInTheDevicesListOnce) {
  Refuse(15);
  testing_support::Find<ui::ReportListView>(console, "AccountLV")
      ->selectRow(1);  // amy, the third option: one above had no row
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "AccStatusBtn")->isEnabled());
  console.AccStatusBtnClick();
  EXPECT_EQ(device().CommandUrls(),
            std::vector<std::string>{Nas("ftp.htm", "ftps_user_enabled&FTP_AC_LIST=2")});
}

TEST_F(FtpTest, DeleteAsksFirst) {
  testing_support::Find<ui::ReportListView>(console, "AccountLV")->selectRow(1);
  fakes.messages->answers = {MsgResult::Cancel};
  console.AccDelBtnClick();
  EXPECT_EQ(shown().at(0).text, "Selected account will be deleted. Are you sure?");
  EXPECT_EQ(shown().at(0).title, "Account List");
  EXPECT_TRUE(device().commands.empty());
}

TEST_F(FtpTest, CreateSelectsANewAccountBeforeTheDialogShows) {
  bool dialog_shown_at_command = true;
  device().on_command = [&](const std::string&) { dialog_shown_at_command = account.isVisible(); };
  console.AccAddBtnClick();
  EXPECT_FALSE(dialog_shown_at_command);
  EXPECT_EQ(device().CommandUrls(),
            std::vector<std::string>{Nas("ftp_add.htm", "ftps_userid_set&ftps_user_id=255")});
  EXPECT_EQ(device().commands[0].referer, "http://192.168.1.77//ftp.htm");
  EXPECT_TRUE(account.isVisible());
  account.close();  // without Set: nothing more is sent
  EXPECT_EQ(device().commands.size(), 1u);
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "AccAddBtn")->isEnabled());

  console.AccAddBtnClick();
  account.FTPAddAccEdit->setText("carol");
  account.FTPAddAccBtnClick();
  EXPECT_EQ(LastUrl(), Nas("ftp.htm", "ftps_user_add&Account=carol&ftp_att=R"));
  EXPECT_FALSE(account.isVisible());
  account.FTPAddAccEdit->setText("bad name");
  account.FTPAddAccBtnClick();
  EXPECT_EQ(shown().back().text, "Only alpha-numberic characters accepted (a-z, 0-9).");
  EXPECT_EQ(shown().back().title, "FTP Server");
}

TEST_F(FtpTest, ModifyOpensTheAccountsPageAndBackReturns) {
  testing_support::Find<ui::ReportListView>(console, "AccountLV")->selectRow(1);
  console.AccModifyBtnClick();
  EXPECT_EQ(device().CommandUrls(),
            std::vector<std::string>{Nas("ftp_mod.htm", "ftps_userid_set&ftps_user_id=9")});
  EXPECT_EQ(testing_support::Find<QTabWidget>(console, "PageControl1")->currentIndex(),
            Form2::kModifyFtp);
  EXPECT_TRUE(
      testing_support::Find<QTabWidget>(console, "PageControl1")->isTabVisible(Form2::kModifyFtp));
  EXPECT_FALSE(
      testing_support::Find<QTabWidget>(console, "PageControl1")->isTabVisible(Form2::kFtpServer));
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Status", "IP Config", "Maintenance",
                                                  "File Server", "Modify FTP", "Disk Utility"}));
  EXPECT_EQ(testing_support::Find<QLabel>(console, "ModFTPAccLabel")->text(), "amy");
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "ModFTPPassEdit")->text(), "pw");
  EXPECT_TRUE(testing_support::Find<QRadioButton>(console, "ModFTPReadRB")->isChecked());
  EXPECT_EQ(testing_support::Find<QListWidget>(console, "FTPSFLB")->count(), 4);
  ASSERT_EQ(testing_support::Find<QListWidget>(console, "FTPSSharLB")->count(), 2);
  EXPECT_EQ(testing_support::Find<QListWidget>(console, "FTPSSharLB")->item(0)->text(),
            "music");  // without the blank before the end
  EXPECT_EQ(testing_support::Find<QLabel>(console, "ModFTPAccLabel")
                ->palette()
                .color(QPalette::WindowText),
            QColor(128, 0, 0));

  device().page_requests.clear();
  console.BackBtnClick();
  EXPECT_EQ(testing_support::Find<QTabWidget>(console, "PageControl1")->currentIndex(),
            Form2::kFtpServer);
  EXPECT_FALSE(
      testing_support::Find<QTabWidget>(console, "PageControl1")->isTabVisible(Form2::kModifyFtp));
  EXPECT_TRUE(
      testing_support::Find<QTabWidget>(console, "PageControl1")->isTabVisible(Form2::kFtpServer));
  EXPECT_EQ(reads(), 1u);
  EXPECT_EQ(Captions()[4], "FTP Server");

  // Picking any tab also leaves the account's page out of the row.
  testing_support::Find<ui::ReportListView>(console, "AccountLV")->selectRow(0);
  console.AccModifyBtnClick();
  testing_support::Find<QTabWidget>(console, "PageControl1")->setCurrentIndex(Form2::kStatus);
  EXPECT_FALSE(
      testing_support::Find<QTabWidget>(console, "PageControl1")->isTabVisible(Form2::kModifyFtp));
}

TEST_F(FtpTest, AccountPasswordAccessAndFolders) {
  testing_support::Find<ui::ReportListView>(console, "AccountLV")->selectRow(1);
  console.AccModifyBtnClick();
  device().commands.clear();

  testing_support::Find<QRadioButton>(console, "ModFTPWriteRB")->setChecked(true);
  testing_support::Find<QLineEdit>(console, "ModFTPPassEdit")->clear();
  console.ModFTPBtnClick();
  EXPECT_EQ(LastUrl(), Nas("ftp_mod.htm", "ftps_user_add&Account=amy&Account_passwd=&ftp_att=W"));

  testing_support::Find<QListWidget>(console, "FTPSFLB")->setCurrentRow(1);
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "ModMovetoSharBtn")->isEnabled());
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "ShowModRenameBtn")->isEnabled());
  console.ModMovetoSharBtnClick();
  EXPECT_EQ(LastUrl(),
            Nas("ftp_mod.htm", "ftps_add_share&account=amy&account_List=music&op_add=Add"));
  testing_support::Find<QListWidget>(console, "FTPSSharLB")
      ->setCurrentRow(1);  // any length may be taken away
  EXPECT_FALSE(testing_support::Find<QPushButton>(console, "ModMovetoSharBtn")->isEnabled());
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "ModMovetoFolderBtn")->isEnabled());
  console.ModMovetoFolderBtnClick();
  EXPECT_EQ(LastUrl(), Nas("ftp_mod.htm",
                           "ftps_del_share&account=amy&account_List=abcdefghijklm"
                           "&op_del=Delete"));

  fakes.messages->answers = {MsgResult::Cancel};
  testing_support::Find<QListWidget>(console, "FTPSFLB")->setCurrentRow(3);
  console.ModDelBtnClick();
  EXPECT_EQ(device().commands.size(), 3u);
  EXPECT_TRUE(testing_support::Find<QListWidget>(console, "FTPSFLB")->selectedItems().isEmpty());
  testing_support::Find<QListWidget>(console, "FTPSFLB")->setCurrentRow(3);
  console.ModDelBtnClick();
  EXPECT_EQ(LastUrl(), Nas("smb.htm", "fm_rmdir_apply&folder=docs&to_name="));
  EXPECT_EQ(device().commands.back().referer, "http://192.168.1.77/ftp_mod.htm");
}

TEST_F(FtpTest, FolderDialogsOfTheAccountsPage) {
  testing_support::Find<ui::ReportListView>(console, "AccountLV")->selectRow(1);
  console.AccModifyBtnClick();
  device().commands.clear();
  console.ShowModCreateBtnClick();
  EXPECT_TRUE(create.isVisible());
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "ShowModCreateBtn")
                  ->isEnabled());  // stays usable here
  create.ModCreateFEdit->setText("new1");
  create.ModCreateFBtnClick();
  EXPECT_EQ(LastUrl(), Nas("smb.htm", "fm_mkdir_apply&folder=new1&to_name="));

  testing_support::Find<QListWidget>(console, "FTPSFLB")->setCurrentRow(1);
  console.ShowModRenameBtnClick();
  EXPECT_EQ(rename.ModRenOldnameEdit->text(), "music");
  rename.ModRenNewnameEdit->setText("music");
  rename.ModRenameFBtnClick();
  EXPECT_EQ(shown().back().text, "New name entries do not match!");
  EXPECT_EQ(shown().back().title, "Modify FTP Account Folder List");
  EXPECT_TRUE(rename.ModRenNewnameEdit->text().isEmpty());
  rename.ModRenNewnameEdit->setText("songs");
  rename.ModRenameFBtnClick();
  EXPECT_EQ(LastUrl(), Nas("smb.htm", "fm_rename_apply&folder=songs&to_name=music"));
  EXPECT_EQ(device().commands.back().referer, "http://192.168.1.77/ftp_mod.htm");
  EXPECT_FALSE(rename.isVisible());
}

}  // namespace
