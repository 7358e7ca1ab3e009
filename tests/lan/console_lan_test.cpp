// The console end to end in the management configuration: the main window
// finds the simulated device, the login dialog opens the console, and the
// console's commands change the device.

#include <gtest/gtest.h>
#include "support/controls.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "console/ftp_dialogs.h"
#include "console/menuform.h"
#include "core/configuration.h"
#include "core/session_state.h"
#include "drives/logindisk.h"
#include "drives/mountform.h"
#include "lan_support.h"
#include "mainwindow/mainform.h"
#include "net/page_values.h"
#include "net/tcp.h"
#include "sim/http_server.h"
#include "support/fakes.h"

namespace {

using lan::SimDevice;
using lan::ThisLan;
using lan::WaitUntil;

// Fake message boxes and drives; real sockets, adapters and discovery.
class ConsoleLan : public ::testing::Test {
 protected:
  ConsoleLan()
      : device(ThisLan().devices.at(0),
               {"--name", "NAS1", "--group", "HOME", "--restart-seconds", "1", "--firmware-limit",
                "1000000", "--scan-seconds", "2", "--folder", "music"}) {
    core::Session() = {};
    core::Config().management = true;
    const desktop::Services real = desktop::RealServices();
    desktop::services().make_datagram_transport = real.make_datagram_transport;
    desktop::services().adapters = real.adapters;
    main = std::make_unique<Form1>();
    console = std::make_unique<Form2>();
    login = std::make_unique<Form4>();
    drives = std::make_unique<Form5>();
    main->FormCreate();
    main->show();
  }
  ~ConsoleLan() override { core::Config().management = false; }

  const std::string& ip() const { return device.host().ip; }
  std::vector<desktop::fakes::ShownMessage>& shown() { return fakes.messages->shown; }
  int Row(const std::string& address) const {
    for (int r = 0; r < main->HDListView->RowCount(); ++r)
      if (main->HDListView->Text(r, 0) == address) return r;
    return -1;
  }
  // True once the device's web server takes connections.
  bool Reachable() const {
    try {
      net::TcpStream::Connect(ip(), 80, 200);
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }
  // Picks the device in the list, Manage Drive, and logs in for management.
  void OpenConsole(const std::string& address, const std::string& password) {
    ASSERT_TRUE(WaitUntil([&] { return Row(address) >= 0; }));
    main->HDListView->selectRow(Row(address));
    main->ManageBtnClick();
    ASSERT_TRUE(login->isVisible());
    login->UserEdit->setText("admin");
    login->PassEdit->setText(QString::fromStdString(password));
    login->MenBtnClick();
    ASSERT_TRUE(console->isVisible());
  }

  SimDevice device;
  desktop::fakes::FakePlatform fakes{desktop::fakes::Devices::Real};
  std::unique_ptr<Form1> main;
  std::unique_ptr<Form2> console;
  std::unique_ptr<Form4> login;
  std::unique_ptr<Form5> drives;
};

TEST_F(ConsoleLan, HostNameAndAdministratorPassword) {
  OpenConsole(ip(), "");
  EXPECT_EQ(testing_support::Find<QLineEdit>(*console, "HostEdit")->text(), "NAS1");
  EXPECT_EQ(testing_support::Find<QLineEdit>(*console, "GroupEdit")->text(), "HOME");
  EXPECT_EQ(console->windowTitle().toStdString(), "Manage Drive " + ip());

  // A device without a password takes commands without credentials.
  testing_support::Find<QLineEdit>(*console, "HostEdit")->setText(" NAS-RENAMED ");
  console->identBtnClick();
  EXPECT_EQ(device.Control("get host_name"), "NAS-RENAMED");
  EXPECT_EQ(testing_support::Find<QLineEdit>(*console, "HostEdit")->text(), "NAS-RENAMED");
  EXPECT_NE(device.Control("command 0").find("hostname=NAS-RENAMED&group_name=HOME"),
            std::string::npos);

  testing_support::Find<QLineEdit>(*console, "PassEdit")->setText("n3w pw");
  testing_support::Find<QLineEdit>(*console, "VerifyEdit")->setText("n3w pw");
  console->adminBtnClick();
  EXPECT_EQ(device.Control("get password"), "n3w pw");
  EXPECT_TRUE(login->isVisible());
  EXPECT_TRUE(shown().empty());

  // The old, empty password no longer opens the console; the new one does.
  login->PassEdit->clear();
  login->MenBtnClick();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "Login failed, please check your username and password");
  login->PassEdit->setText("n3w pw");
  login->MenBtnClick();
  EXPECT_EQ(shown().size(), 1u);
  EXPECT_TRUE(console->isVisible());
  testing_support::Find<QLineEdit>(*console, "GroupEdit")->setText("OFFICE");
  console->identBtnClick();
  EXPECT_EQ(device.Control("get group_name"), "OFFICE");
  EXPECT_EQ(shown().size(), 1u);
}

TEST_F(ConsoleLan, FixedThenAutomaticAddress) {
  const std::string old_ip = ip();
  const std::string new_ip = "10.77.0.98";
  // Whatever happens, the device's namespace gets its LAN address back.
  const lan::AddressRestorer restore(device.host());

  OpenConsole(old_ip, "");
  console->SelectPage(Form2::kIpConfig);
  EXPECT_TRUE(testing_support::Find<QRadioButton>(*console, "StaticIPRB")->isChecked());
  EXPECT_EQ(testing_support::Find<QLineEdit>(*console, "IPAddressEdit")->text().toStdString(),
            old_ip);
  testing_support::Find<QLineEdit>(*console, "IPAddressEdit")
      ->setText(QString::fromStdString(new_ip));
  testing_support::Find<QLineEdit>(*console, "GatewayEdit")->clear();
  console->IPinforBtnClick();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "IP 已變更，重新連線成功");
  EXPECT_EQ(core::Session().DeviceIp, new_ip);
  EXPECT_EQ(console->windowTitle().toStdString(), "Manage Drive " + new_ip);
  EXPECT_TRUE(console->isVisible());
  ASSERT_TRUE(WaitUntil([&] { return device.Control("get ip") == new_ip; }));

  // Managed at the new address.
  console->SelectPage(Form2::kStatus);
  testing_support::Find<QLineEdit>(*console, "HostEdit")->setText("MOVED");
  console->identBtnClick();
  EXPECT_EQ(device.Control("get host_name"), "MOVED");
  EXPECT_EQ(testing_support::Find<QLineEdit>(*console, "HostEdit")->text(), "MOVED");
  EXPECT_EQ(shown().size(), 1u);

  // An automatic address: back to the device list, where a new scan finds it.
  console->SelectPage(Form2::kIpConfig);
  testing_support::Find<QRadioButton>(*console, "AutoIPRB")->click();
  console->IPinforBtnClick();
  ASSERT_EQ(shown().size(), 2u);
  EXPECT_EQ(shown()[1].text, "自動 IP，重新掃描\"");
  EXPECT_FALSE(console->isVisible());
  EXPECT_TRUE(main->isVisible());
  EXPECT_TRUE(main->Timer1->isActive());
  // The device takes its new address a moment later; the user scans again.
  ASSERT_TRUE(WaitUntil([&] { return device.Control("get ip") != new_ip; }));
  const std::string automatic = device.Control("get ip");
  ASSERT_TRUE(WaitUntil(
      [&] {
        if (Row(automatic) >= 0) return true;
        main->ScanBtnClick();
        return WaitUntil([&] { return Row(automatic) >= 0; }, std::chrono::milliseconds(500));
      },
      std::chrono::seconds(10)));
  const int row = Row(device.Control("get ip"));
  EXPECT_EQ(main->HDListView->Text(row, 1), "MOVED");
  EXPECT_EQ(device.Control("get ip_type"), "DHCP CLIENT");
}

// A firmware image of `size` bytes in a scratch file.
class Image {
 public:
  Image(const std::string& name, std::size_t size)
      : path(std::filesystem::temp_directory_path() / name) {
    std::ofstream(path, std::ios::binary) << std::string(size, '\x5a');
  }
  ~Image() { std::filesystem::remove(path); }
  const std::string path;
};

TEST_F(ConsoleLan, AnAcceptedImageRestartsTheDeviceWhichIsListedAgainAfterTheWait) {
  Image image("brevane-lan-firmware.bin", 300000);
  OpenConsole(ip(), "");
  console->SelectPage(Form2::kMaintenance);
  fakes.files->answers.push_back(image.path);
  console->BrowseBtnClick();
  console->UploadBtnClick();
  ASSERT_EQ(shown().size(), 2u);
  EXPECT_EQ(shown()[1].text, "Firmware Upload Successful.\nReboot...");
  EXPECT_EQ(device.Control("get firmware-upload"), image.path + " 300000");
  // The restart is answered and probed without a failure; the device goes
  // down for its restart.
  EXPECT_EQ(shown().size(), 2u);
  ASSERT_TRUE(WaitUntil([&] { return device.Control("down") == "1"; }));
  for (int tick = 0; tick <= 30; ++tick) console->Timer1Timer();
  EXPECT_FALSE(console->isVisible());
  EXPECT_TRUE(main->isVisible());
  EXPECT_EQ(main->HDListView->RowCount(), 0);  // the list starts afresh
  // Once the device is back, a scan finds it.
  ASSERT_TRUE(WaitUntil([&] { return device.Control("down") == "0"; }));
  main->ScanBtnClick();
  EXPECT_TRUE(WaitUntil([&] { return Row(ip()) >= 0; }));
}

TEST_F(ConsoleLan, UploadFailures) {
  Image image("brevane-lan-large.bin", 1200000);  // above the device's limit
  Image small("brevane-lan-small.bin", 1000);
  OpenConsole(ip(), "");
  console->SelectPage(Form2::kMaintenance);
  auto upload = [&](const std::string& path) {
    shown().clear();
    console->TabSheet3Show();
    fakes.files->answers.push_back(path);
    console->BrowseBtnClick();
    console->UploadBtnClick();
    return shown().size() == 2 ? shown()[1].text : std::string("(no message)");
  };
  EXPECT_EQ(upload(image.path), "Kernel Size is too large.");
  device.Control("fault server-error");
  EXPECT_EQ(upload(small.path), "Upload fail!");
  device.Control("restart");  // nobody listens while it restarts
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(upload(small.path), "Upload fail!");
  EXPECT_EQ(device.Control("get firmware-upload"), " 0");
}

TEST_F(ConsoleLan, RebootOfAHealthyDeviceShowsNoFailureAndFactoryResetRestoresTheName) {
  OpenConsole(ip(), "");
  testing_support::Find<QLineEdit>(*console, "HostEdit")->setText("CHANGED");
  console->identBtnClick();
  ASSERT_EQ(device.Control("get host_name"), "CHANGED");
  console->SelectPage(Form2::kMaintenance);
  shown().clear();
  console->ResetBtnClick();
  EXPECT_TRUE(shown().size() == 1u) << shown().back().text;  // the question only
  EXPECT_EQ(device.Control("get host_name"), "NAS1");
  EXPECT_TRUE(console->Timer1->isActive());
  ASSERT_TRUE(WaitUntil([&] { return device.Control("down") == "1"; }));
  ASSERT_TRUE(WaitUntil([&] { return device.Control("down") == "0" && Reachable(); }));

  for (int run = 0; run < 3; ++run) {
    console->TabSheet3Show();
    console->setEnabled(true);
    shown().clear();
    console->RebootBtnClick();
    EXPECT_EQ(shown().size(), 1u) << shown().back().text;
    ASSERT_TRUE(WaitUntil([&] { return device.Control("down") == "1"; }));
    ASSERT_TRUE(WaitUntil([&] { return device.Control("down") == "0" && Reachable(); }));
  }
}

TEST_F(ConsoleLan, DiskToolsAndAFollowedScan) {
  OpenConsole(ip(), "");
  console->SelectPage(Form2::kDiskUtility);
  EXPECT_EQ(testing_support::Find<QLineEdit>(*console, "DiskSleepTimeEdit")->text(), "10");
  testing_support::Find<QLineEdit>(*console, "DiskSleepTimeEdit")->setText("30");
  console->DiskSleepBtnClick();
  EXPECT_EQ(testing_support::Find<QLineEdit>(*console, "DiskSleepTimeEdit")->text(),
            "30");  // as the device now reports it
  EXPECT_FALSE(testing_support::Find<QPushButton>(*console, "DiskDelMsgBtn")->isEnabled());

  // The scan's messages arrive through the followed display: a refresh
  // every 30 ticks of the timer, driven here without waiting for it.
  console->DiskScanBtnClick();
  EXPECT_TRUE(console->Timer2->isActive());
  const std::string first =
      testing_support::Find<QPlainTextEdit>(*console, "DiskScanMO")->toPlainText().toStdString();
  EXPECT_EQ(first.rfind("Scan started", 0), 0u) << first;
  ASSERT_TRUE(WaitUntil(
      [&] { return device.Control("get disk_scan").find("finished") != std::string::npos; }));
  for (int tick = 0; tick < Form2::kScanRefreshTicks; ++tick) console->Timer2Timer();
  const std::string last =
      testing_support::Find<QPlainTextEdit>(*console, "DiskScanMO")->toPlainText().toStdString();
  EXPECT_NE(last, first);
  EXPECT_NE(last.find("Scan finished: 1 error found"), std::string::npos) << last;
  console->DiskRefBtnClick();
  EXPECT_FALSE(console->Timer2->isActive());

  EXPECT_TRUE(testing_support::Find<QPushButton>(*console, "DiskDelMsgBtn")->isEnabled());
  console->DiskDelMsgBtnClick();
  EXPECT_EQ(testing_support::Find<QPlainTextEdit>(*console, "DiskScanMO")->toPlainText(), "");
  EXPECT_FALSE(testing_support::Find<QPushButton>(*console, "DiskDelMsgBtn")->isEnabled());

  console->DiskFormatBtnClick();
  EXPECT_EQ(net::OptionValues(device.Control("get share_list")), std::vector<std::string>{});
  EXPECT_EQ(shown().size(), 3u);  // the three questions, nothing else
}

TEST_F(ConsoleLan, FtpServiceAnonymousAccessAndAnAccountsLife) {
  Form9 account;
  Form10 create_folder;
  Form11 rename_folder;
  OpenConsole(ip(), "");
  console->SelectPage(Form2::kFtpServer);
  EXPECT_EQ(testing_support::Find<QComboBox>(*console, "FTPStatusCB")->currentText(), "Enable");

  testing_support::Find<QLineEdit>(*console, "FTPPortEdit")->setText("2121");
  console->FTPStatusBtnClick();
  EXPECT_EQ(device.Control("get ftps_port"), "2121");
  EXPECT_EQ(testing_support::Find<QLineEdit>(*console, "FTPPortEdit")->text(), "2121");

  testing_support::Find<QRadioButton>(*console, "AnonyEnRB")->setChecked(true);
  testing_support::Find<QRadioButton>(*console, "AnonyWriteRB")->setChecked(true);
  testing_support::Find<QComboBox>(*console, "AnonyHDCB")
      ->setCurrentIndex(testing_support::Find<QComboBox>(*console, "AnonyHDCB")->findText("music"));
  console->AnonyBtnClick();
  EXPECT_EQ(device.Control("get ftp_anon_stu"), "checked");
  EXPECT_EQ(device.Control("get ftp_a_att"), "");
  EXPECT_EQ(device.Control("get ftps_home_def"), "music");
  EXPECT_EQ(testing_support::Find<QComboBox>(*console, "AnonyHDCB")->currentText(), "music");

  console->AccAddBtnClick();
  account.FTPAddAccEdit->setText("carol");
  account.FTPAddAccBtnClick();
  ASSERT_EQ(testing_support::Find<ui::ReportListView>(*console, "AccountLV")->RowCount(), 1);
  EXPECT_EQ(testing_support::Find<ui::ReportListView>(*console, "AccountLV")->Text(0, 0), "carol");
  EXPECT_EQ(testing_support::Find<ui::ReportListView>(*console, "AccountLV")->Text(0, 2),
            "Read only");

  testing_support::Find<ui::ReportListView>(*console, "AccountLV")->selectRow(0);
  console->AccModifyBtnClick();
  ASSERT_EQ(testing_support::Find<QTabWidget>(*console, "PageControl1")->currentIndex(),
            Form2::kModifyFtp);
  EXPECT_EQ(testing_support::Find<QLabel>(*console, "ModFTPAccLabel")->text(), "carol");
  testing_support::Find<QLineEdit>(*console, "ModFTPPassEdit")->setText("c4rol");
  testing_support::Find<QRadioButton>(*console, "ModFTPWriteRB")->setChecked(true);
  console->ModFTPBtnClick();
  EXPECT_EQ(testing_support::Find<QLineEdit>(*console, "ModFTPPassEdit")->text(), "c4rol");
  EXPECT_TRUE(testing_support::Find<QRadioButton>(*console, "ModFTPWriteRB")->isChecked());
  for (const char* folder : {"PUBLIC", "music"}) {
    testing_support::Find<QListWidget>(*console, "FTPSFLB")
        ->setCurrentRow(testing_support::Find<QListWidget>(*console, "FTPSFLB")
                            ->row(testing_support::Find<QListWidget>(*console, "FTPSFLB")
                                      ->findItems(folder, Qt::MatchExactly)
                                      .first()));
    console->ModMovetoSharBtnClick();
  }
  EXPECT_EQ(testing_support::Find<QListWidget>(*console, "FTPSSharLB")->count(), 2);
  testing_support::Find<QListWidget>(*console, "FTPSSharLB")->setCurrentRow(0);
  console->ModMovetoFolderBtnClick();
  ASSERT_EQ(testing_support::Find<QListWidget>(*console, "FTPSSharLB")->count(), 1);
  EXPECT_EQ(testing_support::Find<QListWidget>(*console, "FTPSSharLB")->item(0)->text(), "music");
  EXPECT_EQ(net::ShareListTexts(device.Control("get ftps_share_list")),
            std::vector<std::string>{"music"});

  console->BackBtnClick();
  ASSERT_EQ(testing_support::Find<ui::ReportListView>(*console, "AccountLV")->RowCount(), 1);
  EXPECT_EQ(testing_support::Find<ui::ReportListView>(*console, "AccountLV")->Text(0, 1), "c4rol");
  EXPECT_EQ(testing_support::Find<ui::ReportListView>(*console, "AccountLV")->Text(0, 2),
            "Read/Write");
  testing_support::Find<ui::ReportListView>(*console, "AccountLV")->selectRow(0);
  console->AccStatusBtnClick();
  EXPECT_EQ(testing_support::Find<ui::ReportListView>(*console, "AccountLV")->Text(0, 3),
            "Disable");
  testing_support::Find<ui::ReportListView>(*console, "AccountLV")->selectRow(0);
  console->AccDelBtnClick();
  EXPECT_EQ(testing_support::Find<ui::ReportListView>(*console, "AccountLV")->RowCount(), 0);
  EXPECT_EQ(net::AccountRows(device.Control("get ftp_ac_list")).size(), 0u);
  EXPECT_EQ(shown().size(), 1u);  // the delete question, nothing else
}

}  // namespace
