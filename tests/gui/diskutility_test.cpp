// The console's Disk Utility page and the followed disk scan, against a
// scripted device; the scan's timer is driven tick by tick.

#include <gtest/gtest.h>
#include "support/controls.h"

#include "console_fixture.h"

namespace {

using desktop::MsgIcon;
using desktop::MsgResult;
using testing_support::ConsoleTest;
using testing_support::StatusPage;

std::string Nas(const std::string& redirect, const std::string& command) {
  return "http://192.168.1.77/nas.cgi?redirect=" + redirect + "&failure=fail.htm&type=" + command;
}

// A page whose sleep-time line ends in a bare line feed, as the device
// writes it, followed by the rest.
std::string DiskPage(const std::string& idle_line, const std::string& fix,
                     const std::string& scan) {
  return "<HTML><SCRIPT>\r\nvar disk_idle_value=\"" + idle_line + "var disk_fix_enable=\"" + fix +
         "\";\r\nvar disk_scan=\"" + scan + "\";\r\n</SCRIPT></HTML>";
}

class DiskUtilityTest : public ConsoleTest {
 protected:
  DiskUtilityTest() {
    Form2::ScanPollCount = 0;
    device().page = DiskPage("30\";\n", "DISABLE", "");
    Open();
    console.SelectPage(Form2::kDiskUtility);
    device().page_requests.clear();
  }
  std::string Messages() const {
    return testing_support::Find<QPlainTextEdit>(console, "DiskScanMO")
        ->toPlainText()
        .toStdString();
  }
};

TEST_F(DiskUtilityTest, SleepTimeFixStateAndScanLinesFromThePage) {
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "DiskSleepTimeEdit")->text(), "30");
  EXPECT_FALSE(testing_support::Find<QPushButton>(console, "DiskDelMsgBtn")->isEnabled());
  device().page = DiskPage("5\";\n", "ENABLE", "one\ntwo\n");
  console.TabSheet7Show();
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "DiskSleepTimeEdit")->text(), "5");
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "DiskDelMsgBtn")->isEnabled());
  EXPECT_EQ(Messages(), "one\ntwo");
}

TEST_F(DiskUtilityTest, SleepTimeLimits) {
  testing_support::Find<QLineEdit>(console, "DiskSleepTimeEdit")->setText("60");
  console.DiskSleepBtnClick();
  EXPECT_EQ(LastUrl(), Nas("sto.htm", "ide_set&idle=60"));
  EXPECT_EQ(device().commands.back().referer, "http://192.168.1.77/sto.htm");
  testing_support::Find<QLineEdit>(console, "DiskSleepTimeEdit")->setText("61");
  console.DiskSleepBtnClick();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "Invalid Sleep Time");
  shown().clear();
  testing_support::Find<QLineEdit>(console, "DiskSleepTimeEdit")->setText("x5");
  testing_support::Find<QPushButton>(console, "DiskSleepBtn")
      ->click();  // the conversion error, reported by the handler's guard
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "'x5' is not a valid integer value");
  EXPECT_EQ(shown()[0].icon, MsgIcon::Error);
  EXPECT_EQ(device().commands.size(), 1u);
}

TEST_F(DiskUtilityTest, CancelSendsNothingAndStartsNothing) {
  fakes.messages->answers = {MsgResult::Cancel, MsgResult::Cancel, MsgResult::Cancel};
  console.DiskFormatBtnClick();
  console.DiskScanBtnClick();
  console.DiskDelMsgBtnClick();
  ASSERT_EQ(shown().size(), 3u);
  EXPECT_EQ(shown()[0].text,
            "This will format the hard disk and erase all data from the disk!\nAre you sure?");
  EXPECT_EQ(shown()[0].title, "Disk Tools");
  EXPECT_EQ(shown()[1].text, "This operation will take some time to complete! Continue?");
  EXPECT_EQ(shown()[1].title, "Scan Disk");
  EXPECT_EQ(shown()[2].text, "Are you sure to clear scan result?");
  EXPECT_TRUE(device().commands.empty());
  EXPECT_FALSE(console.Timer2->isActive());

  console.DiskFormatBtnClick();
  console.DiskDelMsgBtnClick();
  EXPECT_EQ(device().CommandUrls(),
            (std::vector<std::string>{Nas("sto_ok.htm", "IDE_init"),
                                      Nas("sto.htm", "ide_fixdisk_start")}));
}

TEST_F(DiskUtilityTest, AFollowedScanIsReadEveryThirtyTicksOnAnyPageUntilIgnored) {
  console.DiskScanBtnClick();
  EXPECT_EQ(LastUrl(), Nas("sto.htm", "ide_scandisk_start"));
  EXPECT_TRUE(console.Timer2->isActive());
  device().page_requests.clear();

  console.SelectPage(Form2::kStatus);  // following goes on elsewhere
  device().page = DiskPage("30\";\n", "ENABLE", "Scan started\nChecking 50%\n");
  device().page_requests.clear();
  for (int tick = 1; tick < 30; ++tick) console.Timer2Timer();
  EXPECT_EQ(reads(), 0u);
  console.Timer2Timer();
  EXPECT_EQ(reads(), 1u);
  EXPECT_EQ(Messages(), "Scan started\nChecking 50%");
  EXPECT_TRUE(console.Timer2->isActive());
  EXPECT_EQ(Form2::ScanPollCount, 0);

  // A reply without the page (an empty one, a refusal) is read once and
  // said once; only no reply at all is read again, at most 8 times in all.
  // Without a page the messages shown stay.
  device().page.clear();
  for (const auto& [status, expected_reads] : {std::pair{200, 1u}, {401, 1u}, {0, 8u * 8u}}) {
    if (status > 0)
      device().replies = {{"HTTP/1.1 " + std::to_string(status) + " X\r\n\r\n", "", status}};
    device().page_requests.clear();
    shown().clear();
    console.RefreshScanResult();
    EXPECT_EQ(reads(), expected_reads) << status;
    EXPECT_EQ(shown().size(), 1u) << status;
    EXPECT_EQ(Messages(), "Scan started\nChecking 50%");
  }

  for (int tick = 0; tick < 12; ++tick) console.Timer2Timer();
  console.DiskRefBtnClick();
  EXPECT_FALSE(console.Timer2->isActive());
  EXPECT_EQ(Form2::ScanPollCount, 0);
}

TEST_F(DiskUtilityTest, TheCountSurvivesTheConsoleClosing) {
  console.DiskScanBtnClick();
  for (int tick = 0; tick < 20; ++tick) console.Timer2Timer();
  console.close();
  EXPECT_FALSE(console.Timer2->isActive());
  EXPECT_EQ(Form2::ScanPollCount, 20);
  console.show();
  console.SelectPage(Form2::kDiskUtility);
  console.DiskScanBtnClick();  // counts on from 20
  device().page_requests.clear();
  for (int tick = 0; tick < 10; ++tick) console.Timer2Timer();
  EXPECT_EQ(reads(), 1u);
}

}  // namespace
