// The console's File Server page end to end on real drives: a folder made,
// shared and protected in the console is then connected as a drive with its
// password. Runs in the drives LAN, inside a private desktop session.

#include <gtest/gtest.h>
#include "support/controls.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "console/menuform.h"
#include "console/smb_dialogs.h"
#include "core/session_state.h"
#include "desktop/gio_drives.h"
#include "drives/logindisk.h"
#include "drives/mountform.h"
#include "lan_support.h"
#include "mainwindow/mainform.h"
#include "net/page_values.h"
#include "sim/process.h"
#include "smb_device.h"
#include "support/fakes.h"

namespace {

using desktop::GioNetworkDrives;
using lan::SimDevice;
using lan::ThisLan;
using namespace lan::smb;

int RowOf(const QListWidget* list, const std::string& text) {
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->text().toStdString() == text) return i;
  return -1;
}

bool Contains(const std::vector<std::string>& list, const std::string& name) {
  return std::find(list.begin(), list.end(), name) != list.end();
}

TEST(GioDriveConsoleLan, FolderMadeSharedAndProtectedInTheConsoleIsConnectedWithItsPassword) {
  sim::Run({"gio", "mount", "--unmount-scheme", "smb"});
  SimDevice device(ThisLan().devices.at(0), DeviceArgs());
  desktop::fakes::FakePlatform fakes{desktop::fakes::Devices::Real};
  const std::string base = std::string(std::getenv("HOME")) + "/ConsoleFolders";
  auto drives = std::make_shared<GioNetworkDrives>(
      GioNetworkDrives::Places{base + "/Network Drives", base + "/autostart"}, 8000);
  desktop::services().drives = drives;
  core::Session() = {device.host().ip, "admin", ""};
  Form1 main;
  Form2 console;
  Form4 login;
  Form5 dialog;
  Form6 create;
  Form7 rename;
  Form8 password;
  auto& shown = fakes.messages->shown;
  auto listed = [&](const std::string& key) {
    return net::OptionValues(device.Control("get " + key));
  };

  console.show();
  console.SelectPage(Form2::kFileServer);
  console.ShowCreateBtnClick();
  create.FoldernameEdit->setText(" reports ");
  create.CreateFBtnClick();
  EXPECT_TRUE(Contains(listed("share_list"), "reports"));
  ASSERT_GE(RowOf(testing_support::Find<QListWidget>(console, "SMBFolderLB"), "reports"), 0);

  testing_support::Find<QListWidget>(console, "SMBFolderLB")
      ->setCurrentRow(RowOf(testing_support::Find<QListWidget>(console, "SMBFolderLB"), "reports"));
  console.MovetoPublicBtnClick();
  EXPECT_TRUE(Contains(listed("allow_share"), "reports"));
  EXPECT_EQ(RowOf(testing_support::Find<QListWidget>(console, "SMBFolderLB"), "reports"), -1);
  ASSERT_GE(RowOf(testing_support::Find<QListWidget>(console, "SMBPublicFolderLB"), "reports"), 0);

  testing_support::Find<QListWidget>(console, "SMBPublicFolderLB")
      ->setCurrentRow(
          RowOf(testing_support::Find<QListWidget>(console, "SMBPublicFolderLB"), "reports"));
  console.ShowPublicPassBtnClick();
  password.PublicPassEdit->setText("r3ports");
  password.VerifyPassEdit->setText("r3ports");
  password.PublicPassBtnClick();
  EXPECT_EQ(device.Control("get share-password reports"), "r3ports");
  EXPECT_TRUE(shown.empty());

  // The drive dialog offers it, asks for its password and connects it.
  dialog.show();
  const std::string letter = dialog.CmbDrive->currentText().toStdString();
  dialog.FolderCB->setCurrentIndex(dialog.FolderCB->findText("reports"));
  dialog.FolderCBChange();
  EXPECT_TRUE(dialog.FolderPassEdit->isVisible());
  dialog.FolderPassEdit->setText("r3ports");
  dialog.MountSetBtnClick();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text.rfind("Remote Device Connected\n", 0), 0u);
  std::ofstream(base + "/Network Drives/" + letter + "/q4.txt") << "quarterly";
  EXPECT_EQ(Read(SmbDir() + "/shares/reports/q4.txt"), "quarterly");
  drives->Disconnect(letter + ":");
  sim::Run({"gio", "mount", "--unmount-scheme", "smb"});

  // Unshared, renamed, deleted; the Chinese-named folder goes both ways.
  console.SelectPage(Form2::kFileServer);
  console.TabSheet4Show();
  testing_support::Find<QListWidget>(console, "SMBPublicFolderLB")
      ->setCurrentRow(
          RowOf(testing_support::Find<QListWidget>(console, "SMBPublicFolderLB"), "reports"));
  console.MovetoSMBBtnClick();
  EXPECT_FALSE(Contains(listed("allow_share"), "reports"));
  testing_support::Find<QListWidget>(console, "SMBFolderLB")
      ->setCurrentRow(RowOf(testing_support::Find<QListWidget>(console, "SMBFolderLB"), "reports"));
  console.ShowRenameBtnClick();
  rename.NewFoldernameEdit->setText("archive2026");
  rename.RenameFBtnClick();
  EXPECT_TRUE(Contains(listed("share_list"), "archive2026"));
  EXPECT_GE(RowOf(testing_support::Find<QListWidget>(console, "SMBFolderLB"), "archive2026"), 0);
  testing_support::Find<QListWidget>(console, "SMBFolderLB")
      ->setCurrentRow(
          RowOf(testing_support::Find<QListWidget>(console, "SMBFolderLB"), "archive2026"));
  console.ShowDeleteBtnClick();
  EXPECT_FALSE(Contains(listed("share_list"), "archive2026"));
  EXPECT_EQ(RowOf(testing_support::Find<QListWidget>(console, "SMBFolderLB"), "archive2026"), -1);

  testing_support::Find<QListWidget>(console, "SMBPublicFolderLB")
      ->setCurrentRow(
          RowOf(testing_support::Find<QListWidget>(console, "SMBPublicFolderLB"), kChinese));
  console.MovetoSMBBtnClick();
  EXPECT_TRUE(Contains(listed("share_list"), kChinese));
  EXPECT_GE(RowOf(testing_support::Find<QListWidget>(console, "SMBFolderLB"), kChinese), 0);
  testing_support::Find<QListWidget>(console, "SMBFolderLB")
      ->setCurrentRow(RowOf(testing_support::Find<QListWidget>(console, "SMBFolderLB"), kChinese));
  console.MovetoPublicBtnClick();
  EXPECT_TRUE(Contains(listed("allow_share"), kChinese));
  ASSERT_EQ(shown.size(), 2u);  // besides the delete question, nothing went wrong
  EXPECT_EQ(shown[1].text, "Selected folder and its contents will be deleted!\nAre you sure?");
}

}  // namespace
