// The login and drive dialogs, offscreen, against a simulated device in the
// test LAN, with the workstation's drives faked.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "core/session_state.h"
#include "drives/logindisk.h"
#include "drives/mountform.h"
#include "lan_support.h"
#include "mainwindow/mainform.h"
#include "support/fakes.h"

namespace {

using desktop::DriveType;
using desktop::MsgIcon;
using lan::SimDevice;
using lan::ThisLan;

class DrivesLan : public ::testing::Test {
 protected:
  DrivesLan()
      : device(ThisLan().devices.at(0),
               {"--password", "pw", "--shared-folder", "PUBLIC", "--shared-folder", "media",
                "--shared-folder", "\xE7\x85\xA7\xE7\x89\x87", "--folder", "private"}) {
    core::Session() = {ip(), "admin", "pw"};
    main.show();
  }
  const std::string& ip() const { return device.host().ip; }
  std::string Remote(const std::string& folder) const { return "\\\\" + ip() + "\\" + folder; }
  std::vector<std::string> Letters() const {
    std::vector<std::string> letters;
    for (int i = 0; i < drives.CmbDrive->count(); ++i)
      letters.push_back(drives.CmbDrive->itemText(i).toStdString());
    return letters;
  }
  std::vector<std::string> Folders() const {
    std::vector<std::string> folders;
    for (int i = 0; i < drives.FolderCB->count(); ++i)
      folders.push_back(drives.FolderCB->itemText(i).toStdString());
    return folders;
  }
  std::string Requests() { return device.Control("http-requests /utility_use.htm"); }

  SimDevice device;
  desktop::fakes::FakePlatform fakes{desktop::fakes::Devices::Real};
  Form1 main;
  Form4 login;
  Form5 drives;
};

TEST_F(DrivesLan, FreeLettersFromZDownToDSkippingLocalDrives) {
  fakes.drives->types = {{'C', DriveType::Fixed}, {'D', DriveType::CdRom}};
  fakes.drives->connected = {{'Z', "\\\\10.0.0.1\\other"}};
  drives.show();
  std::vector<std::string> expected;
  for (char c = 'Y'; c >= 'E'; --c) expected.push_back(std::string(1, c));
  EXPECT_EQ(Letters(), expected);
  EXPECT_EQ(drives.CmbDrive->currentText(), "Y");
  EXPECT_EQ(drives.ConnectedShares, std::vector<std::string>{"\\\\10.0.0.1\\other"});
  // Root paths are asked in lower case, A to C never.
  EXPECT_EQ(fakes.drives->type_queries.front(), "z:\\");
  EXPECT_EQ(fakes.drives->type_queries.back(), "d:\\");
  EXPECT_EQ(fakes.drives->type_queries.size(), 23u);
  // The drive dialog stands in for the main window while it is open.
  EXPECT_FALSE(main.isVisible());
  EXPECT_EQ(drives.windowTitle(), "Connect Disk");
}

TEST_F(DrivesLan, SharedFoldersDecodedWithPublicPreselectedAndConnectedOnesLeftOut) {
  drives.show();
  EXPECT_EQ(Folders(), (std::vector<std::string>{"PUBLIC", "media", "照片"}));
  EXPECT_EQ(drives.FolderCB->currentText(), "PUBLIC");
  drives.hide();

  fakes.drives->connected = {{'Z', Remote("PUBLIC")}};
  drives.show();
  EXPECT_EQ(Folders(), (std::vector<std::string>{"media", "照片"}));
  EXPECT_EQ(drives.FolderCB->currentText(), "media");
}

TEST_F(DrivesLan, PasswordFieldAppearsOnlyForFoldersThatNeedOne) {
  fakes.drives->passwords[Remote("PUBLIC")] = "s3cret";
  drives.show();
  EXPECT_TRUE(drives.FolderPassEdit->isVisible());
  EXPECT_TRUE(drives.Label3->isVisible());
  // The probe asks for the folder without a drive letter.
  const auto& probe = fakes.drives->connections.back();
  EXPECT_EQ(probe.resource.scope, 2);
  EXPECT_FALSE(probe.resource.local_name);
  EXPECT_EQ(probe.resource.remote_name, Remote("PUBLIC"));

  drives.FolderCB->setCurrentIndex(1);
  drives.FolderCBChange();
  EXPECT_FALSE(drives.FolderPassEdit->isVisible());
}

TEST_F(DrivesLan, ValidationMessages) {
  for (char c = 'D'; c <= 'Z'; ++c) fakes.drives->types[c] = DriveType::Fixed;
  drives.show();
  drives.MountSetBtnClick();
  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text, "Please Select Disk Name!");
  EXPECT_EQ(fakes.messages->shown[0].title, "Connection Error");
  EXPECT_EQ(fakes.messages->shown[0].icon, MsgIcon::Question);

  fakes.drives->types.clear();
  drives.hide();
  drives.show();
  core::Session().DeviceIp.clear();
  drives.MountSetBtnClick();
  EXPECT_EQ(fakes.messages->shown.back().text, "Please Select Remote Device!");
  EXPECT_TRUE(drives.isVisible());
}

TEST_F(DrivesLan, SuccessfulConnectionMapsTheLetterAndReturnsToTheDeviceList) {
  drives.show();
  drives.MountSetBtnClick();
  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text, "Remote Device Connected");
  EXPECT_EQ(fakes.messages->shown[0].title, "Connect");
  EXPECT_EQ(fakes.messages->shown[0].icon, MsgIcon::Information);
  const auto& record = fakes.drives->connections.back();
  EXPECT_EQ(record.resource.scope, 3);
  EXPECT_EQ(record.resource.local_name, std::optional<std::string>("Z:"));
  EXPECT_EQ(record.resource.remote_name, Remote("PUBLIC"));
  EXPECT_EQ(record.password, "");
  ASSERT_EQ(fakes.drives->used.size(), 1u);
  EXPECT_EQ(fakes.drives->used[0].remote_name, Remote("PUBLIC"));
  EXPECT_TRUE(fakes.drives->mapped.empty());
  EXPECT_FALSE(drives.isVisible());
  EXPECT_TRUE(main.isVisible());
  EXPECT_TRUE(fakes.urls->opened.empty());

  // Without a program for folders, the user is told where the drive is.
  fakes.drives->places_dir = "/nowhere/Network Drives";
  fakes.urls->handled = false;
  drives.show();
  drives.MountSetBtnClick();
  EXPECT_EQ(fakes.urls->opened.back(), "file:///nowhere/Network%20Drives/Y");
  EXPECT_EQ(fakes.messages->shown.back().text,
            "No program could open the folder. Open it in a file manager:\n"
            "/nowhere/Network Drives/Y");
}

TEST_F(DrivesLan, ReconnectAtStartupLeavesTheLetterToThePersistentMapping) {
  drives.show();
  drives.chk_AutoReconnect->setChecked(true);
  drives.FolderCB->setCurrentIndex(2);
  drives.MountSetBtnClick();
  const auto& record = fakes.drives->connections.back();
  EXPECT_FALSE(record.resource.local_name);
  EXPECT_EQ(record.resource.remote_name, Remote("照片"));
  ASSERT_EQ(fakes.drives->mapped.size(), 1u);
  EXPECT_EQ(fakes.drives->mapped[0].drive, "Z:");
  EXPECT_EQ(fakes.drives->mapped[0].remote_name, Remote("照片"));
  // The check box keeps its state for the next showing.
  drives.show();
  EXPECT_TRUE(drives.chk_AutoReconnect->isChecked());
  // A letter that cannot be kept is a failed connection, said as such.
  fakes.drives->map_result = 1205;
  drives.MountSetBtnClick();
  EXPECT_EQ(fakes.messages->shown.back().text, "The system is unable to open the user profile.");
  EXPECT_TRUE(drives.isVisible());
}

TEST_F(DrivesLan, EachConnectionErrorHasItsMessage) {
  const std::vector<std::pair<int, std::string>> cases = {
      {5, "Access to the network resource was denied."},
      {67, "The resource name is invalid, or the named resource cannot be located."},
      {85, "The local device is already connected to a network resource."},
      {86, "The password is invalid."},
      {1222, "No network."},
      {1223, "The connection was cancelled by the user."},
      {1627, "Exception Error."},
  };
  drives.show();
  for (const auto& [code, text] : cases) {
    fakes.drives->results[Remote("media")] = code;
    drives.FolderCB->setCurrentIndex(1);
    drives.MountSetBtnClick();
    EXPECT_EQ(fakes.messages->shown.back().text, text) << code;
    EXPECT_EQ(fakes.messages->shown.back().title, "Connect");
    EXPECT_TRUE(drives.isVisible());
  }
  EXPECT_TRUE(fakes.drives->used.empty());  // nothing follows a failed connection
}

TEST_F(DrivesLan, EnterConnectsFromThePasswordField) {
  fakes.drives->passwords[Remote("PUBLIC")] = "s3cret";
  drives.show();
  drives.FolderPassEdit->setText("s3cret");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(drives.FolderPassEdit, &enter);
  EXPECT_EQ(fakes.messages->shown.back().text, "Remote Device Connected");
  EXPECT_EQ(fakes.drives->connections.back().password, "s3cret");
}

TEST_F(DrivesLan, CorrectLoginOpensTheDriveDialogAfterOneRequest) {
  login.PassEdit->setText("pw");
  login.show();
  login.MountBtnClick();
  // One request for the login, one as the drive dialog lists the folders.
  EXPECT_EQ(Requests(), "2");
  EXPECT_TRUE(fakes.messages->shown.empty());
  EXPECT_FALSE(login.isVisible());
  EXPECT_TRUE(drives.isVisible());
}

TEST_F(DrivesLan, LoginRetryBudget) {
  // A wrong password: eight refusals, one request each, then the message.
  login.show();
  login.PassEdit->setText("wrong");
  login.MountBtnClick();
  EXPECT_EQ(Requests(), "8");
  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text, "Login failed, please check your username and password");
  EXPECT_EQ(fakes.messages->shown[0].title, "Login");
  EXPECT_EQ(fakes.messages->shown[0].icon, MsgIcon::Information);
  // The typed credentials stay in the session.
  EXPECT_EQ(core::Session().UserName, "admin");
  EXPECT_EQ(core::Session().UserPassword, "wrong");

  // Any other status with a page: eight requests, "Connection failure".
  device.Control("fault forbidden 100");
  login.MountBtnClick();
  EXPECT_EQ(Requests(), "16");
  EXPECT_EQ(fakes.messages->shown.back().text, "Connection failure");
  EXPECT_EQ(fakes.messages->shown.back().icon, MsgIcon::Error);
  device.Control("fault clear");

  // A device that answers nothing: one attempt of eight requests.
  device.Control("fault close 100");
  login.MountBtnClick();
  EXPECT_EQ(Requests(), "24");
  EXPECT_EQ(fakes.messages->shown.back().text, "Connection failure");
  EXPECT_TRUE(login.isVisible());  // the dialog stays for another try
  EXPECT_FALSE(drives.isVisible());
}

TEST_F(DrivesLan, ConnectOnTheMainWindowOpensTheDriveDialog) {
  main.FormCreate();
  ASSERT_TRUE(fakes.network->receiver);
  fakes.network->Deliver(net::BuildDiscoveryReply("NAS", "G", "1.0"), ip());
  main.HDListView->selectRow(0);
  fakes.adapters->first = desktop::Adapter{ThisLan().workstation.ip, "255.255.255.0"};
  main.CountBtnClick();
  EXPECT_TRUE(drives.isVisible());
  EXPECT_FALSE(main.isVisible());
  EXPECT_EQ(core::Session().DeviceIp, ip());
  drives.close();
  EXPECT_TRUE(main.isVisible());
}

TEST_F(DrivesLan, ClosingTheLoginDialogShowsTheDeviceList) {
  main.hide();
  login.show();
  login.close();
  EXPECT_FALSE(login.isVisible());
  EXPECT_TRUE(main.isVisible());
}

}  // namespace
