// The console as a user lives it: it acts only on the device it shows, says
// nothing worked when nothing did, sends values whole or not at all, and
// never leaves a window stuck.

#include <gtest/gtest.h>
#include "support/controls.h"

#include <functional>

#include <QKeyEvent>
#include <QTabBar>
#include <QTest>
#include <QWindow>

#include "console/ftp_dialogs.h"
#include "console/smb_dialogs.h"
#include "console_fixture.h"
#include "drives/mountform.h"
#include "net/discovery.h"
#include "net/waiting.h"
#include "ui/window_refs.h"

namespace {

using desktop::MsgResult;
using testing_support::ConsoleTest;
using testing_support::kDevice;
using testing_support::StatusPage;

class ConsoleUseTest : public ConsoleTest {
 protected:
  ~ConsoleUseTest() override { net::EndAction(); }
  Form5 drives;
  Form6 create;
  Form7 rename;
  Form8 password;
  Form9 account;
  Form10 create_for_account;
  Form11 rename_for_account;
};

TEST_F(ConsoleUseTest, HandingAnotherDeviceOnClosesTheConsoleAndItsDialogs) {
  fakes.network->Deliver(net::BuildDiscoveryReply("OTHER", "G", "1.0"), "192.168.1.80");
  Open();
  console.SelectPage(Form2::kFileServer);
  console.ShowCreateBtnClick();
  console.Timer2->start();
  main.HDListView->selectRow(0);
  main.CountBtnClick();
  EXPECT_FALSE(console.isVisible());
  EXPECT_FALSE(create.isVisible());
  EXPECT_FALSE(console.Timer2->isActive());
  EXPECT_EQ(core::Session().DeviceIp, "192.168.1.80");
  EXPECT_TRUE(device().commands.empty());
}

TEST_F(ConsoleUseTest, AnAddressChangeFollowsOnlyACommandThatWentOut) {
  Open();
  console.SelectPage(Form2::kIpConfig);
  testing_support::Find<QRadioButton>(console, "StaticIPRB")->setChecked(true);
  testing_support::Find<QLineEdit>(console, "IPAddressEdit")->setText("192.168.1.90");
  testing_support::Find<QLineEdit>(console, "SubMaskEdit")->setText("255.255.255.0");
  shown().clear();
  // Refused before anything was sent: said, and nothing moves.
  device().refused_gets = 1;
  console.IPinforBtnClick();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "連線失敗");
  EXPECT_EQ(core::Session().DeviceIp, kDevice);
  EXPECT_TRUE(console.isVisible());
  // Cancelled during the command: quiet, and nothing moves.
  shown().clear();
  device().on_command = [](const std::string&) { net::CancelAction(); };
  console.IPinforBtnClick();
  EXPECT_TRUE(shown().empty());
  EXPECT_EQ(core::Session().DeviceIp, kDevice);
  EXPECT_EQ(console.windowTitle().toStdString(), std::string("Manage Drive ") + kDevice);
}

// The console judges a reply as brevane-ctl does: what the device did not
// do is said once, and nothing that would follow it happens.
TEST_F(ConsoleUseTest, WhatTheDeviceDidNotDoIsSaidOnceAndNothingFollows) {
  const std::string k401 = "HTTP/1.0 401 Unauthorized\r\n\r\n";
  const std::string k200 = "HTTP/1.0 200 OK\r\n\r\n";
  const std::string kFailurePage = "HTTP/1.0 302 Found\r\nLocation: fail.htm\r\n\r\n";
  const std::string kRefused = "The device refused the command.";
  const std::string kLoginFailed = "Login failed, please check your username and password";
  auto new_password = [this] {
    testing_support::Find<QLineEdit>(console, "PassEdit")->setText("new pw");
    testing_support::Find<QLineEdit>(console, "VerifyEdit")->setText("new pw");
    console.adminBtnClick();
  };
  auto address = [this](bool automatic) {
    testing_support::Find<QRadioButton>(console, automatic ? "AutoIPRB" : "StaticIPRB")
        ->setChecked(true);
    testing_support::Find<QLineEdit>(console, "IPAddressEdit")->setText("192.168.1.90");
    testing_support::Find<QLineEdit>(console, "SubMaskEdit")->setText("255.255.255.0");
    console.IPinforBtnClick();
  };
  auto names = [this] {
    testing_support::Find<QLineEdit>(console, "HostEdit")->setText("NAS2");
    testing_support::Find<QLineEdit>(console, "GroupEdit")->setText("HOME");
    console.identBtnClick();
  };
  const struct {
    const char* what;
    Form2::Page page;
    std::string reply;
    std::function<void()> act;
    std::string said;
  } cases[] = {
      {"a new password answered 401", Form2::kStatus, k401, new_password, kLoginFailed},
      {"a new password answered with the failure page", Form2::kStatus, kFailurePage, new_password,
       kRefused},
      {"a fixed address answered 200, not the redirect", Form2::kIpConfig, k200,
       [&] { address(false); }, kRefused},
      {"an automatic address answered with the failure page", Form2::kIpConfig, kFailurePage,
       [&] { address(true); }, kRefused},
      {"names answered with a redirect to another page", Form2::kStatus,
       "HTTP/1.0 302 Found\r\nLocation: status.htm\r\n\r\n", names, kRefused},
      {"a disk scan answered 200", Form2::kDiskUtility, k200,
       [this] { console.DiskScanBtnClick(); }, kRefused},
  };
  Open();
  const std::size_t scans = fakes.network->broadcasts.size();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    console.SelectPage(c.page);
    device().headers = {c.reply};
    device().page_requests.clear();
    shown().clear();
    fakes.messages->answers = {MsgResult::Ok};  // the disk scan's question
    c.act();
    ASSERT_EQ(shown().size(), std::string(c.what).find("disk") != std::string::npos ? 2u : 1u);
    EXPECT_EQ(shown().back().text, c.said);
    EXPECT_TRUE(device().headers.empty());  // the command went out
    // No new password, no new address, no scan, no page read as changed.
    EXPECT_EQ(core::Session().UserPassword, "pw");
    EXPECT_EQ(core::Session().DeviceIp, kDevice);
    EXPECT_EQ(console.windowTitle().toStdString(), std::string("Manage Drive ") + kDevice);
    EXPECT_FALSE(login.isVisible());
    EXPECT_TRUE(console.isVisible());
    EXPECT_TRUE(console.isEnabled());
    EXPECT_EQ(fakes.network->broadcasts.size(), scans);
    EXPECT_EQ(reads(), 0u);
    EXPECT_FALSE(console.Timer2->isActive());
  }
}

TEST_F(ConsoleUseTest, AValueThatWouldMakeTheCommandTooLongIsRefusedNotCut) {
  Open();
  testing_support::Find<QRadioButton>(console, "TimeSMakeRB")->setChecked(true);
  console.TimeSMakeRBClick();
  testing_support::Find<QLineEdit>(console, "MantimeSEdit")
      ->setText(QString(64, 'n'));  // as long as it may be typed
  console.DatatimeBtnClick();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "This value is too long to be sent. Shorten it and try again.");
  EXPECT_EQ(shown()[0].title, "Time Server");
  EXPECT_TRUE(device().commands.empty());
  // A short one goes whole, zone and all.
  testing_support::Find<QLineEdit>(console, "MantimeSEdit")->setText("ntp.example.org");
  console.DatatimeBtnClick();
  ASSERT_EQ(device().commands.size(), 1u);
  EXPECT_NE(LastUrl().find("&sntp_input=ntp.example.org&sntp_timezone="), std::string::npos);
}

TEST_F(ConsoleUseTest, ValuesFromTheDeviceAreShownAndSentWhole) {
  device().page = StatusPage({{"host_name", "A-VERY-LONG-HOST-NAME"},
                              {"disk_idle_value", "120\";"},
                              {"ftps_dir_list", "<option value=\"thirteen-long\">x</option>"},
                              {"ftps_account", "amy"},
                              {"ftps_account_passwd", "fourteen-chars"}});
  Open();
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "HostEdit")->text(), "A-VERY-LONG-HOST-NAME");
  console.SelectPage(Form2::kDiskUtility);
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "DiskSleepTimeEdit")->text(), "120");
  console.SetTabShown(Form2::kModifyFtp, true);
  console.SelectPage(Form2::kModifyFtp);
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "ModFTPPassEdit")->text(), "fourteen-chars");
  testing_support::Find<QListWidget>(console, "FTPSFLB")->setCurrentRow(0);
  console.ShowModRenameBtnClick();
  EXPECT_EQ(rename_for_account.ModRenOldnameEdit->text(), "thirteen-long");
  // Typing stays limited.
  testing_support::Find<QLineEdit>(console, "HostEdit")->clear();
  QTest::keyClicks(testing_support::Find<QLineEdit>(console, "HostEdit"), "ABCDEFGHIJKLMNOPQ");
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "HostEdit")->text(), "ABCDEFGHIJKLMNO");
}

TEST_F(ConsoleUseTest, ACommandWithoutItsFolderOrAccountIsNeverSent) {
  device().page = StatusPage(
      {{"share_list", "<select name=\"s\"><option value=\"a\">a</option>"}, {"ftps_account", ""}});
  Open();
  console.SelectPage(Form2::kFileServer);
  testing_support::Find<QListWidget>(console, "SMBFolderLB")
      ->setCurrentRow(0);  // the select's own closing: an entry without a name
  shown().clear();
  console.ShowDeleteBtnClick();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "The folder has no name: nothing was sent.");
  console.SetTabShown(Form2::kModifyFtp, true);
  console.SelectPage(Form2::kModifyFtp);
  console.ModFTPBtnClick();
  EXPECT_EQ(shown().back().text, "The account has no name: nothing was sent.");
  EXPECT_TRUE(device().commands.empty());
}

TEST_F(ConsoleUseTest, AHiddenPageCannotBeReachedFromTheKeyboard) {
  Open();
  console.SelectPage(Form2::kFtpServer);
  for (int press = 0; press < 8; ++press) {
    QKeyEvent next(QEvent::KeyPress, Qt::Key_Tab, Qt::ControlModifier);
    QApplication::sendEvent(testing_support::Find<QTabWidget>(console, "PageControl1"), &next);
    EXPECT_NE(testing_support::Find<QTabWidget>(console, "PageControl1")->currentIndex(),
              Form2::kModifyFtp);
  }
  EXPECT_FALSE(testing_support::Find<QWidget>(console, "TabSheet6")->isEnabled());
  EXPECT_FALSE(testing_support::Find<QPushButton>(console, "ModFTPBtn")->isEnabledTo(&console));
}

TEST_F(ConsoleUseTest, RestoringTheMinimisedConsoleReadsNothingAndStopsNothing) {
  Open();
  console.SelectPage(Form2::kDiskUtility);
  testing_support::Find<QLineEdit>(console, "HostEdit")->setText("typed");
  console.Timer1->start();
  console.Timer2->start();
  device().page_requests.clear();
  console.setWindowState(Qt::WindowMinimized);
  console.setWindowState(Qt::WindowNoState);
  EXPECT_EQ(reads(), 0u);
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "HostEdit")->text(), "typed");
  EXPECT_TRUE(console.Timer1->isActive());
  EXPECT_TRUE(console.Timer2->isActive());  // minimised is not closed
}

TEST_F(ConsoleUseTest, TheScanFollowUpEndsWheneverTheConsoleHides) {
  Open();
  console.Timer2->start();
  console.ReturnToDeviceList();  // as after an automatic address
  EXPECT_FALSE(console.Timer2->isActive());
  Open();
  console.Timer2->start();
  testing_support::Find<QProgressBar>(console, "ProgressBar1")->setValue(300);
  console.Timer1->start();
  console.Timer1Timer();  // the restart wait runs out
  EXPECT_FALSE(console.isVisible());
  EXPECT_FALSE(console.Timer2->isActive());
}

TEST_F(ConsoleUseTest, APasswordChangeWithTheLoginAlreadyOpenEndsWithAUsableConsole) {
  login.Open(true, false);
  Open();
  testing_support::Find<QLineEdit>(console, "PassEdit")->setText("new");
  testing_support::Find<QLineEdit>(console, "VerifyEdit")->setText("new");
  console.adminBtnClick();
  EXPECT_FALSE(console.isEnabled());
  EXPECT_TRUE(login.PassEdit->text().isEmpty());  // the old password is no longer right
  login.PassEdit->setText("new");
  login.MenBtnClick();
  EXPECT_TRUE(console.isEnabled());
}

TEST_F(ConsoleUseTest, DialogsBelongToTheConsoleAndStayAboveIt) {
  Open();
  console.SelectPage(Form2::kFileServer);
  console.ShowCreateBtnClick();
  ASSERT_NE(create.windowHandle(), nullptr);
  EXPECT_EQ(create.windowHandle()->transientParent(), console.windowHandle());
}

TEST_F(ConsoleUseTest, ReopeningTheConsoleBringsTheFtpServerTabBack) {
  Open();
  console.SelectPage(Form2::kFtpServer);
  console.SetTabShown(Form2::kModifyFtp, true);
  console.SetTabShown(Form2::kFtpServer, false);
  console.close();
  ui::Windows().open_console();
  EXPECT_TRUE(
      testing_support::Find<QTabWidget>(console, "PageControl1")->isTabVisible(Form2::kFtpServer));
  EXPECT_FALSE(
      testing_support::Find<QTabWidget>(console, "PageControl1")->isTabVisible(Form2::kModifyFtp));
  EXPECT_EQ(testing_support::Find<QTabWidget>(console, "PageControl1")->currentIndex(),
            Form2::kStatus);
}

TEST_F(ConsoleUseTest, AClickOnTheSameEntryAfterARefusalMakesTheButtonsUsable) {
  device().page = StatusPage({{"share_list", "<option value=\"abcdefghijklm\">x</option>"}});
  Open();
  console.SelectPage(Form2::kFileServer);
  testing_support::Find<QListWidget>(console, "SMBFolderLB")->setCurrentRow(0);
  console.MovetoPublicBtnClick();  // refused: longer than 12
  EXPECT_FALSE(testing_support::Find<QPushButton>(console, "MovetoPublicBtn")->isEnabled());
  const QRect entry =
      testing_support::Find<QListWidget>(console, "SMBFolderLB")
          ->visualItemRect(testing_support::Find<QListWidget>(console, "SMBFolderLB")->item(0));
  QTest::mouseClick(testing_support::Find<QListWidget>(console, "SMBFolderLB")->viewport(),
                    Qt::LeftButton, {}, entry.center());
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "MovetoPublicBtn")->isEnabled());
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "ShowRenameBtn")->isEnabled());
}

TEST_F(ConsoleUseTest, TheLoginsEnterAndPasswordFollowTheWayItWasOpened) {
  login.MenBtn->show();  // the management configuration
  login.Open(true, false);
  login.PassEdit->setText("pw");
  login.Open(true, false);  // Manage Drive, same device: the password stays
  EXPECT_EQ(login.PassEdit->text(), "pw");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(login.UserEdit, &enter);
  EXPECT_TRUE(console.isVisible());  // Enter meant Manage Drive
  EXPECT_FALSE(drives.isVisible());

  console.hide();
  core::Session().DeviceIp = "192.168.1.80";
  login.Open(false, false);  // Connect, another device: no password carried over
  EXPECT_TRUE(login.PassEdit->text().isEmpty());
}

}  // namespace
