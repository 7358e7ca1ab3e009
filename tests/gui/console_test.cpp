// The console window, its Status and IP Config pages, and the way in from
// the main window, offscreen against a scripted device.

#include <gtest/gtest.h>
#include "support/controls.h"

#include <QImage>
#include <QTabBar>
#include <QWindow>

#include "console/menuform.h"
#include "console_fixture.h"
#include "core/configuration.h"
#include "core/session_state.h"
#include "drives/logindisk.h"
#include "drives/mountform.h"
#include "mainwindow/mainform.h"
#include "net/discovery.h"
#include "net/page_values.h"

namespace {

using desktop::MsgIcon;
using desktop::MsgResult;
using testing_support::ConsoleTest;
using testing_support::kDevice;
using testing_support::StatusPage;

TEST_F(ConsoleTest, CreationTranslatesCaptionsAndLeavesEverythingStopped) {
  testing_support::LanguageFile language(
      "Status=Zustand\r\nSet=Setzen\r\nIdentification=Kennung\r\nIP Config=IP\r\n");
  Form2 fresh;
  EXPECT_EQ(testing_support::Find<QTabWidget>(fresh, "PageControl1")->tabText(0), "Zustand");
  EXPECT_EQ(testing_support::Find<QTabWidget>(fresh, "PageControl1")->tabText(1), "IP");
  EXPECT_EQ(testing_support::Find<QTabWidget>(fresh, "PageControl1")->tabText(6), "Disk Utility");
  EXPECT_EQ(testing_support::Find<QGroupBox>(fresh, "IdenGB")->title(), "Kennung");
  for (QPushButton* set : {testing_support::Find<QPushButton>(fresh, "identBtn"),
                           testing_support::Find<QPushButton>(fresh, "adminBtn"),
                           testing_support::Find<QPushButton>(fresh, "DatatimeBtn"),
                           testing_support::Find<QPushButton>(fresh, "LangBtn"),
                           testing_support::Find<QPushButton>(fresh, "IPinforBtn")})
    EXPECT_EQ(set->text(), "Setzen");
  EXPECT_EQ(testing_support::Find<QLabel>(fresh, "MACLabel")->text(),
            "MAC Address");  // never translated
  EXPECT_EQ(fresh.windowTitle(), "Management");
  EXPECT_EQ(testing_support::Find<QTabWidget>(fresh, "PageControl1")->currentIndex(),
            Form2::kStatus);
  EXPECT_FALSE(
      testing_support::Find<QTabWidget>(fresh, "PageControl1")->isTabVisible(Form2::kModifyFtp));
  EXPECT_FALSE(fresh.Timer1->isActive());
  EXPECT_FALSE(fresh.Timer2->isActive());
  EXPECT_EQ(fresh.Timer1->interval(), 1000);
  EXPECT_EQ(fresh.ConsolePauseMs, 20);
  EXPECT_TRUE(testing_support::Find<QGroupBox>(fresh, "NetinfoGB")->isHidden());
  EXPECT_EQ(testing_support::Find<QComboBox>(fresh, "TimezoneCB")->count(), 25);
  EXPECT_EQ(testing_support::Find<QComboBox>(fresh, "TimezoneCB")->itemText(20),
            "(GMT+08:00)Beijing, Hong Kong, Singapore, Taipei");
  EXPECT_EQ(testing_support::Find<QComboBox>(fresh, "TimeSSelCB")->count(), 5);
  EXPECT_EQ(fresh.minimumSize(), fresh.maximumSize());
  EXPECT_TRUE(device().page_requests.empty());  // nothing is read before the console shows
}

TEST_F(ConsoleTest, ShowingReadsTheStatusPageOnceAndTheActivePageAsItAppears) {
  console.show();
  EXPECT_EQ(reads(), 1u);
  EXPECT_EQ(console.windowTitle().toStdString(), std::string("Manage Drive ") + kDevice);
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "HostEdit")->text(), "NAS");
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "AdminEdit")->text(), "admin");
  console.hide();

  // Opened again on another page: Status first, then that page.
  console.SelectPage(Form2::kIpConfig);
  core::Session().DeviceIp = "192.168.1.80";
  device().page_requests.clear();
  console.Timer1->start();
  console.show();
  EXPECT_EQ(reads(), 2u);
  EXPECT_EQ(testing_support::Find<QTabWidget>(console, "PageControl1")->currentIndex(),
            Form2::kIpConfig);
  EXPECT_EQ(console.windowTitle(), "Manage Drive 192.168.1.80");
  EXPECT_EQ(device().page_requests[0].address, "192.168.1.80");
  EXPECT_FALSE(console.Timer1->isActive());
}

TEST_F(ConsoleTest, AFailedReadLeavesEveryFieldAsItWas) {
  device().page = StatusPage(
      {{"host_name", "NAS"}, {"sntp_auto", net::kOnMarker}, {"sntp_zone", "8"}, {"ip", kDevice}});
  Open();
  console.SelectPage(Form2::kIpConfig);
  // The device's answer is cut short: no page, and nothing to send back.
  device().page.clear();
  shown().clear();
  console.SelectPage(Form2::kStatus);  // each page read as it shows
  console.SelectPage(Form2::kIpConfig);
  EXPECT_EQ(shown().size(), 2u);  // each read says it failed
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "HostEdit")->text(), "NAS");
  EXPECT_TRUE(testing_support::Find<QRadioButton>(console, "SntpAutoRB")->isChecked());
  EXPECT_EQ(testing_support::Find<QComboBox>(console, "TimezoneCB")->currentIndex(), 20);
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "IPAddressEdit")->text().toStdString(),
            kDevice);
}

TEST_F(ConsoleTest, PickingATabReadsItsPageAndHidesModifyFtp) {
  Open();
  testing_support::Find<QTabWidget>(console, "PageControl1")
      ->setTabVisible(Form2::kModifyFtp, true);
  testing_support::Find<QTabWidget>(console, "PageControl1")
      ->setTabVisible(Form2::kFtpServer, false);
  testing_support::Find<QTabWidget>(console, "PageControl1")
      ->setCurrentIndex(Form2::kIpConfig);  // as a click on the tab
  EXPECT_EQ(reads(), 1u);
  EXPECT_FALSE(
      testing_support::Find<QTabWidget>(console, "PageControl1")->isTabVisible(Form2::kModifyFtp));
  EXPECT_TRUE(
      testing_support::Find<QTabWidget>(console, "PageControl1")->isTabVisible(Form2::kFtpServer));
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "IPAddressEdit")->text().toStdString(),
            kDevice);
}

TEST_F(ConsoleTest, TabRowDrawsVisibleCaptionsInTheirColours) {
  std::vector<std::string> captions;
  int shift = -1;
  for (int tab = 0; tab < 6; ++tab) captions.push_back(console.TabCaption(tab));
  EXPECT_EQ(captions, (std::vector<std::string>{"Status", "IP Config", "Maintenance", "File Server",
                                                "FTP Server", "Disk Utility"}));
  console.TabCaption(5, &shift);
  EXPECT_EQ(shift, 1);  // the caption of the page after the hidden one
  console.TabCaption(4, &shift);
  EXPECT_EQ(shift, 0);

  testing_support::Find<QTabWidget>(console, "PageControl1")
      ->setTabVisible(Form2::kModifyFtp, true);
  EXPECT_EQ(console.TabCaption(5), "Modify FTP");

  // The selected tab in the button face, the others grey.
  auto* bar = testing_support::Find<QTabWidget>(console, "PageControl1")->findChild<QTabBar*>();
  bar->resize(bar->sizeHint());
  const QImage image = bar->grab().toImage();
  const QColor face = console.palette().color(QPalette::Button);
  EXPECT_EQ(image.pixelColor(bar->tabRect(0).topLeft() + QPoint(1, 1)), face);
  EXPECT_EQ(image.pixelColor(bar->tabRect(1).topLeft() + QPoint(1, 1)), QColor(128, 128, 128));
}

TEST_F(ConsoleTest, ClosingStopsTheScanFollowAndReturnsToTheLoginDialog) {
  Open();
  console.Timer2->start();
  console.close();
  EXPECT_FALSE(console.isVisible());
  EXPECT_FALSE(console.Timer2->isActive());
  EXPECT_TRUE(login.isVisible());
}

// --- The Status page -------------------------------------------------------

TEST_F(ConsoleTest, StatusValuesAndTheirConversions) {
  device().page = StatusPage({{"host_name", "NAS"},
                              {"group_name", "HOME"},
                              {"sntp_time", "2026/12/07 10:00:00"},
                              {"sntp_day0", "2026"},
                              {"sntp_time2", "59"},
                              {"sntp_auto", net::kOnMarker},
                              {"sntp_timeserver", "0"},
                              {"sntp_server", "asia.pool.ntp.org"},
                              {"sntp_zone", "8"},
                              {"ip_addr", kDevice},
                              {"mac_addr", "00:11:22:33:44:55"},
                              {"firm_ver", "2.1.07"},
                              {"disk_id", "WD500<br>SN42<BR>"},
                              {"free_size", "  12.5 GB \t"},
                              {"default_lang", "1"},
                              {"lang_list", "English#Deutsch"}});
  Open();
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "GroupEdit")->text(), "HOME");
  EXPECT_EQ(testing_support::Find<QLabel>(console, "CurrenttimeLB")->text(), "2026/12/07 10:00:00");
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "YearEdit")->text(), "2026");
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "SecondEdit")->text(), "59");
  EXPECT_TRUE(testing_support::Find<QRadioButton>(console, "SntpAutoRB")->isChecked());
  EXPECT_TRUE(testing_support::Find<QRadioButton>(console, "TimeSSelRB")->isChecked());
  EXPECT_EQ(testing_support::Find<QComboBox>(console, "TimeSSelCB")->currentIndex(), 3);
  EXPECT_FALSE(testing_support::Find<QComboBox>(console, "TimeSSelCB")->isHidden());
  EXPECT_TRUE(testing_support::Find<QLineEdit>(console, "MantimeSEdit")->isHidden());
  EXPECT_EQ(testing_support::Find<QComboBox>(console, "TimezoneCB")->currentIndex(), 20);
  EXPECT_EQ(testing_support::Find<QLabel>(console, "MSCAddrLB")->text(), "00:11:22:33:44:55");
  EXPECT_EQ(testing_support::Find<QLabel>(console, "DiskidLB")->text(), " WD500SN42");
  EXPECT_EQ(testing_support::Find<QLabel>(console, "FreesizeLB")->text(), "12.5 GB");
  ASSERT_EQ(testing_support::Find<QComboBox>(console, "LangCB")->count(), 2);
  EXPECT_EQ(testing_support::Find<QComboBox>(console, "LangCB")->currentText(), "Deutsch");

  // A typed time server, an unlisted name, a zone out of range, no languages.
  device().page = StatusPage({{"sntp_timeserver", "1"},
                              {"sntp_server", "ntp.example.net"},
                              {"sntp_zone", "13"},
                              {"lang_list", ""}});
  console.TabSheet1Show();
  EXPECT_TRUE(testing_support::Find<QRadioButton>(console, "TimeSMakeRB")->isChecked());
  EXPECT_TRUE(testing_support::Find<QRadioButton>(console, "SntpDisRB")->isChecked());
  EXPECT_EQ(testing_support::Find<QComboBox>(console, "TimeSSelCB")->currentIndex(), 0);
  EXPECT_TRUE(testing_support::Find<QComboBox>(console, "TimeSSelCB")->isHidden());
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "MantimeSEdit")->text(), "ntp.example.net");
  EXPECT_EQ(testing_support::Find<QComboBox>(console, "TimezoneCB")->currentIndex(), -1);
  ASSERT_EQ(testing_support::Find<QComboBox>(console, "LangCB")->count(), 1);  // one empty entry
  EXPECT_EQ(testing_support::Find<QComboBox>(console, "LangCB")->itemText(0), "");

  // No zone at all: the first one.
  device().page = StatusPage({{"host_name", "X"}});
  console.TabSheet1Show();
  EXPECT_EQ(testing_support::Find<QComboBox>(console, "TimezoneCB")->currentIndex(), 0);
  EXPECT_TRUE(shown().empty());
}

TEST_F(ConsoleTest, AZoneThatIsNoNumberEndsTheReadingThere) {
  Open();
  testing_support::Find<QLabel>(console, "FirmverLB")->setText("kept");
  device().page = StatusPage({{"host_name", "NEW"}, {"sntp_zone", "eight"}, {"firm_ver", "9.9"}});
  console.TabSheet1Show();
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "HostEdit")->text(), "NEW");
  EXPECT_EQ(testing_support::Find<QLabel>(console, "FirmverLB")->text(), "kept");
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "'eight' is not a valid integer value");
  EXPECT_EQ(shown()[0].icon, MsgIcon::Error);
}

TEST_F(ConsoleTest, IdentificationRefusals) {
  Open();
  struct Case {
    const char *host, *group, *text, *host_after;
    MsgIcon icon;
  };
  // Refused as typed, the names stay; refused once trimmed, they are
  // written back trimmed.
  for (const Case& c : {
           Case{"", "HOME", "Value is empty", "", MsgIcon::Error},
           Case{"1NAS", "HOME", "First character cannot be a number (0~9)", "1NAS",
                MsgIcon::Information},
           Case{"  my.nas ", "HOME", "Invalid value .Host Name my.nas", "my.nas",
                MsgIcon::Information},
       }) {
    shown().clear();
    testing_support::Find<QLineEdit>(console, "HostEdit")->setText(c.host);
    testing_support::Find<QLineEdit>(console, "GroupEdit")->setText(c.group);
    console.identBtnClick();
    ASSERT_EQ(shown().size(), 1u) << c.host;
    EXPECT_EQ(shown()[0].text, c.text);
    EXPECT_EQ(shown()[0].title, "Identification");
    EXPECT_EQ(shown()[0].icon, c.icon);
    EXPECT_EQ(testing_support::Find<QLineEdit>(console, "HostEdit")->text(), c.host_after);
  }
  EXPECT_TRUE(device().commands.empty());
}

TEST_F(ConsoleTest, IdentificationSendsTheTrimmedNamesAndRereadsThePage) {
  Open();
  testing_support::Find<QLineEdit>(console, "HostEdit")->setText("  NAS-2_a=b ");
  testing_support::Find<QLineEdit>(console, "GroupEdit")->setText("\tOFFICE");
  console.identBtnClick();
  EXPECT_EQ(LastUrl(),
            "http://192.168.1.77/nas.cgi?redirect=id.htm&failure=fail.htm&type=cifs_config_apply"
            "&enable=1&hostname=NAS-2_a=b&group_name=OFFICE");
  const auto& sent = device().commands.back();
  EXPECT_EQ(sent.user, "admin");
  EXPECT_EQ(sent.password, "pw");
  EXPECT_EQ(sent.referer, "http://192.168.1.77/id.htm");
  EXPECT_EQ(device().probes, 1);
  EXPECT_EQ(reads(), 1u);  // the page shows what the device now reports
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "HostEdit")->text(), "NAS");
}

TEST_F(ConsoleTest, PasswordChangeHandsOverToTheLoginDialog) {
  Open();
  testing_support::Find<QLineEdit>(console, "PassEdit")->setText("new pw");
  testing_support::Find<QLineEdit>(console, "VerifyEdit")->setText("new pw2");
  console.adminBtnClick();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "New password entries do not match!");
  EXPECT_EQ(shown()[0].title, "Administration");
  testing_support::Find<QLineEdit>(console, "VerifyEdit")->clear();
  console.adminBtnClick();
  EXPECT_EQ(shown().back().text, "Password cannot be empty!");
  EXPECT_TRUE(device().commands.empty());
  EXPECT_TRUE(console.isEnabled());

  testing_support::Find<QLineEdit>(console, "VerifyEdit")->setText("new pw");
  console.adminBtnClick();
  EXPECT_EQ(LastUrl(),
            "http://192.168.1.77/man.cgi?redirect=sys_auth.htm&failure=fail.htm&type=auth_apply"
            "&TF_password=new+pw&TF_passwordl=new+pw");
  EXPECT_EQ(core::Session().UserPassword, "new pw");
  EXPECT_TRUE(login.isVisible());
  // The console was disabled for the login; showing the login dialog
  // enables it again.
  EXPECT_TRUE(console.isEnabled());
}

TEST_F(ConsoleTest, DateAndTimeAreSentAsTypedWithoutReshapingTheQuery) {
  Open();
  testing_support::Find<QLineEdit>(console, "YearEdit")->setText("2027");
  testing_support::Find<QLineEdit>(console, "MonthEdit")->setText("1");
  testing_support::Find<QLineEdit>(console, "DataEdit")->clear();
  testing_support::Find<QLineEdit>(console, "HourEdit")->setText("&x");
  testing_support::Find<QLineEdit>(console, "MinuteEdit")->setText("5");
  testing_support::Find<QLineEdit>(console, "SecondEdit")->setText("0");
  testing_support::Find<QRadioButton>(console, "SntpDisRB")->setChecked(true);
  testing_support::Find<QRadioButton>(console, "TimeSMakeRB")->setChecked(true);
  testing_support::Find<QLineEdit>(console, "MantimeSEdit")->clear();
  console.DatatimeBtnClick();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "Time server is empty");
  EXPECT_TRUE(device().commands.empty());

  // Without SNTP the device sets the clock to what was typed: only a real
  // date and time goes.
  testing_support::Find<QLineEdit>(console, "MantimeSEdit")->setText("ntp.lan&type=reboot");
  console.DatatimeBtnClick();
  ASSERT_EQ(shown().size(), 2u);
  EXPECT_EQ(shown()[1].text.rfind("Day: \"\" is not part of a real date and time", 0), 0u);
  EXPECT_TRUE(device().commands.empty());

  // With SNTP the device keeps its clock, and what was typed goes as typed.
  testing_support::Find<QRadioButton>(console, "SntpAutoRB")->setChecked(true);
  testing_support::Find<QComboBox>(console, "TimeSSelCB")->setCurrentIndex(1);
  testing_support::Find<QComboBox>(console, "TimezoneCB")->setCurrentIndex(-1);
  console.DatatimeBtnClick();
  EXPECT_EQ(LastUrl(),
            "http://192.168.1.77/man.cgi?redirect=sys_sntp.htm&failure=fail.htm&type=sntp_apply"
            "&sntp_time=&day0=2027&day1=1&day2=&time0=%26x&time1=5&time2=0&R_sntp=ENABLE"
            "&R_sntp_server=1&Sntp_ip=europe.pool.ntp.org&sntp_input=ntp.lan%26type=reboot"
            "&sntp_timezone=-13");
  EXPECT_EQ(device().commands.back().referer, "http://192.168.1.77/sys_sntp.htm");

  testing_support::Find<QRadioButton>(console, "SntpAutoRB")->setChecked(true);
  testing_support::Find<QRadioButton>(console, "TimeSSelRB")->setChecked(true);
  testing_support::Find<QComboBox>(console, "TimezoneCB")->setCurrentIndex(24);
  console.DatatimeBtnClick();
  EXPECT_NE(LastUrl().find("&R_sntp=ENABLE&R_sntp_server=0&"), std::string::npos);
  EXPECT_NE(LastUrl().find("&sntp_timezone=12"), std::string::npos);
}

TEST_F(ConsoleTest, DhcpServerAndLanguage) {
  Open();
  testing_support::Find<QRadioButton>(console, "DhcpsERB")->setChecked(true);
  console.NetinfoBtnClick();
  EXPECT_EQ(LastUrl(),
            "http://192.168.1.77/dhcps.cgi?redirect=status.htm&failure=fail.htm&type=dhcps_apply"
            "&R_dhcps=ENABLE&TF_wins=&TF_ippoolmin=2&TF_ippoolmax=254&TF_lease_day=1"
            "&TF_lease_hr=0&TF_lease_min=0");

  testing_support::Find<QComboBox>(console, "LangCB")->setCurrentIndex(-1);
  device().reachable = false;  // the message follows whatever became of the command
  shown().clear();
  console.LangBtnClick();
  EXPECT_EQ(LastUrl(),
            "http://192.168.1.77/nas.cgi?redirect=status.htm&failure=fail.htm&type=nas_lang_apply"
            "&lang=-1");
  ASSERT_EQ(shown().size(), 2u);
  EXPECT_EQ(shown()[0].text, "連線失敗");
  EXPECT_EQ(shown()[1].text, "Please restart system to apply changes!");
  EXPECT_EQ(shown()[1].title, "Language");
  EXPECT_EQ(shown()[1].icon, MsgIcon::Question);
}

// --- The IP Config page ----------------------------------------------------

TEST_F(ConsoleTest, IpConfigShowsTheDevicesSettingsAndRereadsAnEmptyAddress) {
  device().page = StatusPage({{"ip_type", "DHCP CLIENT"},
                              {"ip", kDevice},
                              {"submask", "255.255.255.0"},
                              {"gateway", "192.168.1.1"},
                              {"pdns", "192.168.1.1"},
                              {"sdns", ""}});
  Open();
  console.SelectPage(Form2::kIpConfig);
  EXPECT_TRUE(testing_support::Find<QRadioButton>(console, "AutoIPRB")->isChecked());
  EXPECT_FALSE(testing_support::Find<QLineEdit>(console, "IPAddressEdit")->isEnabled());
  EXPECT_FALSE(testing_support::Find<QLineEdit>(console, "SecondDnsEdit")->isEnabled());
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "GatewayEdit")->text(), "192.168.1.1");
  EXPECT_EQ(reads(), 1u);
  console.StaticIPRBClick();
  EXPECT_TRUE(testing_support::Find<QLineEdit>(console, "IPAddressEdit")->isEnabled());

  device().page = StatusPage({{"ip_type", "dhcp client"}, {"ip", ""}});
  device().page_requests.clear();
  console.TabSheet2Show();
  EXPECT_TRUE(testing_support::Find<QRadioButton>(console, "StaticIPRB")->isChecked());
  EXPECT_TRUE(testing_support::Find<QLineEdit>(console, "IPAddressEdit")->isEnabled());
  EXPECT_EQ(reads(), static_cast<std::size_t>(Form2::kAddressReads));
}

TEST_F(ConsoleTest, AFixedAddressInTheSameSubnetKeepsTheConsoleOnIt) {
  Open();
  console.SelectPage(Form2::kIpConfig);
  device().page_requests.clear();
  testing_support::Find<QRadioButton>(console, "StaticIPRB")->setChecked(true);
  testing_support::Find<QLineEdit>(console, "IPAddressEdit")->setText("192.168.1.90");
  testing_support::Find<QLineEdit>(console, "SubMaskEdit")->setText("255.255.255.0");
  testing_support::Find<QLineEdit>(console, "GatewayEdit")->clear();
  testing_support::Find<QLineEdit>(console, "PrimaryDnsEdit")->clear();
  testing_support::Find<QLineEdit>(console, "SecondDnsEdit")->clear();
  device().reachable = false;  // gone from the old address: no failure message
  console.IPinforBtnClick();
  EXPECT_EQ(
      device().CommandUrls(),
      std::vector<std::string>{
          "http://192.168.1.77/if.cgi?redirect=if_cfg.htm&failure=fail.htm"
          "&type=wan_fixip_apply&ip=192.168.1.90&submask=255.255.255.0&gateway=&pdns=&sdns="});
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "IP 已變更，重新連線成功");
  EXPECT_EQ(shown()[0].title, "IP 資訊");
  EXPECT_EQ(core::Session().DeviceIp, "192.168.1.90");
  EXPECT_EQ(console.windowTitle(), "Manage Drive 192.168.1.90");
  EXPECT_TRUE(console.isVisible());
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "IPinforBtn")->isEnabled());
  EXPECT_EQ(reads(), 0u);  // no page is redisplayed after an address change
}

TEST_F(ConsoleTest, AFixedAddressInAnotherSubnetEndsAtTheMainWindowScanning) {
  login.show();
  Open();
  const std::size_t scans = fakes.network->broadcasts.size();
  testing_support::Find<QRadioButton>(console, "StaticIPRB")->setChecked(true);
  testing_support::Find<QLineEdit>(console, "IPAddressEdit")->setText("10.1.2.3");
  testing_support::Find<QLineEdit>(console, "SubMaskEdit")->setText("255.0.0.0");
  console.IPinforBtnClick();
  ASSERT_EQ(shown().size(), 2u);
  EXPECT_EQ(shown()[1].text, "Subnets differ, Connection failed");
  EXPECT_EQ(shown()[1].title, "Rescan");
  EXPECT_FALSE(console.isVisible());
  EXPECT_FALSE(login.isVisible());
  EXPECT_TRUE(main.isVisible());
  EXPECT_EQ(fakes.network->broadcasts.size(), scans + 1);
  EXPECT_TRUE(main.Timer1->isActive());
}

TEST_F(ConsoleTest, AnAutomaticAddressSendsNoAddressAndReturnsToTheDeviceList) {
  Open();
  const std::size_t scans = fakes.network->broadcasts.size();
  testing_support::Find<QRadioButton>(console, "AutoIPRB")->setChecked(true);
  testing_support::Find<QLineEdit>(console, "IPAddressEdit")->setText("not an address");
  console.IPinforBtnClick();
  EXPECT_EQ(LastUrl(),
            "http://192.168.1.77/dhcpc.cgi?redirect=if_cfg.htm&failure=fail.htm"
            "&type=dhcpc_apply&ifname=");
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "自動 IP，重新掃描\"");
  EXPECT_EQ(shown()[0].icon, MsgIcon::Question);
  EXPECT_FALSE(console.isVisible());
  EXPECT_TRUE(main.isVisible());
  EXPECT_EQ(fakes.network->broadcasts.size(), scans + 1);
  EXPECT_EQ(core::Session().DeviceIp, kDevice);
}

TEST_F(ConsoleTest, AFixedAddressThatIsNoAddressIsRefusedBeforeSending) {
  Open();
  testing_support::Find<QRadioButton>(console, "StaticIPRB")->setChecked(true);
  struct Case {
    const char *ip, *mask, *gateway, *dns;
    const char* text;
  };
  for (const Case& c : {
           Case{"192.168.1.256", "255.255.255.0", "", "", "IP Address: \"192.168.1.256\" "},
           Case{"192.168.1", "255.255.255.0", "", "", "IP Address: \"192.168.1\" "},
           Case{"", "255.255.255.0", "", "", "IP Address: \"\" "},
           Case{"192.168.1.9", "255.255.255.0&x", "", "", "Subnet Mask: \"255.255.255.0&x\" "},
           Case{"192.168.1.9", "255.255.255.0", "gw", "", "Gateway: \"gw\" "},
           Case{"192.168.1.9", "255.255.255.0", "", "8.8.8", "Primary DNS: \"8.8.8\" "},
       }) {
    shown().clear();
    testing_support::Find<QLineEdit>(console, "IPAddressEdit")->setText(c.ip);
    testing_support::Find<QLineEdit>(console, "SubMaskEdit")->setText(c.mask);
    testing_support::Find<QLineEdit>(console, "GatewayEdit")->setText(c.gateway);
    testing_support::Find<QLineEdit>(console, "PrimaryDnsEdit")->setText(c.dns);
    console.IPinforBtnClick();
    ASSERT_EQ(shown().size(), 1u) << c.ip;
    EXPECT_EQ(shown()[0].text.rfind(c.text, 0), 0u) << shown()[0].text << " / " << c.text;
    EXPECT_EQ(shown()[0].title, "IP Information");
  }
  EXPECT_TRUE(device().commands.empty());
  EXPECT_EQ(core::Session().DeviceIp, kDevice);
}

// --- The way in ------------------------------------------------------------

// The management configuration, chosen before any window is created.
struct ManagementConfiguration {
  ManagementConfiguration() {
    core::Session() = {};
    core::Config().management = true;
  }
  ~ManagementConfiguration() { core::Config().management = false; }
};

class ManagementTest : public ::testing::Test {
 protected:
  ManagementConfiguration configuration;
  desktop::fakes::FakePlatform fakes;
  Form1 main;
  Form2 console;
  Form4 login;
  Form5 drives;
};

TEST_F(ManagementTest, ManageDriveAsksForTheLoginAndItsMenBtnOpensTheConsole) {
  main.FormCreate();
  main.show();
  fakes.network->Deliver(net::BuildDiscoveryReply("NAS", "G", "1.0"), kDevice);
  main.HDListView->selectRow(0);
  main.ManageBtnClick();
  EXPECT_TRUE(fakes.urls->opened.empty());
  EXPECT_TRUE(login.isVisible());
  EXPECT_FALSE(login.MenBtn->isHidden());
  EXPECT_FALSE(main.Timer1->isActive());
  EXPECT_EQ(core::Session().DeviceIp, kDevice);

  fakes.device->page = testing_support::StatusPage({{"host_name", "NAS"}});
  console.SelectPage(Form2::kIpConfig);
  testing_support::Find<QLineEdit>(console, "PassEdit")->setText("old");
  login.MenBtnClick();
  EXPECT_FALSE(login.isVisible());
  EXPECT_TRUE(console.isVisible());
  EXPECT_EQ(testing_support::Find<QTabWidget>(console, "PageControl1")->currentIndex(),
            Form2::kStatus);
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "PassEdit")->text(), "");
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "HostEdit")->text(), "NAS");
}

TEST(DefaultConfiguration, ManageDriveOpensTheBrowserAndTheLoginHasNoConsoleButton) {
  desktop::fakes::FakePlatform fakes;
  Form1 main;
  Form4 login;
  EXPECT_TRUE(login.MenBtn->isHidden());
  main.FormCreate();
  fakes.network->Deliver(net::BuildDiscoveryReply("NAS", "G", "1.0"), kDevice);
  main.HDListView->selectRow(0);
  main.ManageBtnClick();
  EXPECT_EQ(fakes.urls->opened, std::vector<std::string>{"http://192.168.1.77"});
  EXPECT_FALSE(login.isVisible());
}

TEST_F(ManagementTest, ConnectOnAPasswordDeviceAsksForTheLoginInsteadOfFailing) {
  core::Config().management = false;  // the same in both configurations
  main.FormCreate();
  main.show();
  fakes.network->Deliver(net::BuildDiscoveryReply("NAS", "G", "1.0"), kDevice);
  main.HDListView->selectRow(0);
  fakes.device->replies.push_back({"HTTP/1.1 401 Unauthorized\r\n\r\n", "<HTML>no", 401});
  main.CountBtnClick();
  EXPECT_TRUE(fakes.messages->shown.empty());
  EXPECT_FALSE(drives.isVisible());
  // Nor does the desktop show it: an empty window would take the keys.
  EXPECT_TRUE(drives.windowHandle() == nullptr || !drives.windowHandle()->isVisible());
  EXPECT_TRUE(login.isVisible());
  EXPECT_FALSE(main.isVisible());

  fakes.device->page =
      testing_support::StatusPage({{"allow_share", "<option value=\"PUBLIC\">PUBLIC</option>"}});
  login.PassEdit->setText("secret");
  login.MountBtnClick();
  EXPECT_TRUE(fakes.messages->shown.empty());
  EXPECT_TRUE(drives.isVisible());
  EXPECT_TRUE(drives.windowHandle()->isVisible());
  EXPECT_EQ(drives.FolderCB->currentText(), "PUBLIC");
  EXPECT_EQ(fakes.device->page_requests.back().password, "secret");

  // Refused after a login all the same: a failure like any other.
  drives.hide();
  fakes.device->replies.push_back({"HTTP/1.1 401 Unauthorized\r\n\r\n", "<HTML>no", 401});
  drives.show();
  ASSERT_EQ(fakes.messages->shown.size(), 1u);
  EXPECT_EQ(fakes.messages->shown[0].text, "連線失敗");
  EXPECT_TRUE(drives.isVisible());
}

}  // namespace

namespace {

// A value the device holds, shown and left as it was, goes back whole with
// the field the person changed; typed anew, the page's rule holds.
TEST_F(ConsoleTest, ADeviceValueLeftAsItWasGoesBackWhole) {
  device().page = testing_support::StatusPage({{"host_name", "ABCDEFGHIJKLMNOP"},
                                               {"group_name", "HOME"},
                                               {"ftps_port", "80"},
                                               {"ftps_account", "amy"},
                                               {"ftps_account_passwd", "abcdefghijklmn"},
                                               {"ftps_att", "checked"}});
  Open();
  struct Case {
    std::function<void()> show, change, set, retype;
    const char* sent;     // in the URL after the change
    const char* refused;  // after typing anew
  } cases[] = {
      {[&] { console.TabSheet1Show(); },
       [&] { testing_support::Find<QLineEdit>(console, "GroupEdit")->setText("OFFICE"); },
       [&] { console.identBtnClick(); },
       [&] { testing_support::Find<QLineEdit>(console, "HostEdit")->setText("ABCDEFGHIJKLMNOPQ"); },
       "hostname=ABCDEFGHIJKLMNOP&group_name=OFFICE", "Host Name: Over Maximum (15 characters)."},
      {[&] { console.TabSheet5Show(); },
       [&] { testing_support::Find<QComboBox>(console, "FTPStatusCB")->setCurrentIndex(1); },
       [&] { console.FTPStatusBtnClick(); },
       [&] { testing_support::Find<QLineEdit>(console, "FTPPortEdit")->setText("81"); },
       "ftps_set=DISABLE&ftps_port=80", "Invalid port number"},
      {[&] { console.TabSheet6Show(); },
       [&] { testing_support::Find<QRadioButton>(console, "ModFTPWriteRB")->setChecked(true); },
       [&] { console.ModFTPBtnClick(); },
       [&] {
         testing_support::Find<QLineEdit>(console, "ModFTPPassEdit")->setText("abcdefghijklm");
       },
       "Account_passwd=abcdefghijklmn&ftp_att=W", "Over Maximum (12 characters)."},
  };
  for (const Case& c : cases) {
    c.show();
    c.change();
    shown().clear();
    c.set();
    EXPECT_TRUE(shown().empty()) << c.sent;
    EXPECT_NE(LastUrl().find(c.sent), std::string::npos) << LastUrl();
    const std::size_t sent = device().commands.size();
    c.retype();
    c.set();
    ASSERT_FALSE(shown().empty()) << c.refused;
    EXPECT_EQ(shown().back().text, c.refused);
    EXPECT_EQ(device().commands.size(), sent);
  }
}

}  // namespace
