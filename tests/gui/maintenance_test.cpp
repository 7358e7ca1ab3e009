// The console's Maintenance page: firmware upload, restart, factory reset
// and the wait that follows, with a scripted device and file dialog.

#include <gtest/gtest.h>
#include "support/controls.h"

#include <cstdio>
#include <fstream>

#include "console_fixture.h"
#include "net/http_data_stream.h"

namespace {

using desktop::MsgIcon;
using desktop::MsgResult;
using testing_support::ConsoleTest;

constexpr char kRestart[] =
    "http://192.168.1.77/man.cgi?redirect=reboot.htm&failure=fail.htm&type=reboot";

class MaintenanceTest : public ConsoleTest {
 protected:
  MaintenanceTest() {
    std::ofstream(image_, std::ios::binary) << "IMAGE";
    Open();
    console.SelectPage(Form2::kMaintenance);
    shown().clear();
  }
  ~MaintenanceTest() override { std::remove(image_.c_str()); }
  void Choose(const std::string& path) {
    fakes.files->answers.push_back(path);
    console.BrowseBtnClick();
  }
  void Answer(std::initializer_list<MsgResult> answers) {
    fakes.messages->answers.assign(answers.begin(), answers.end());
  }
  bool Waiting() const {
    return console.Timer1->isActive() && !console.isEnabled() &&
           testing_support::Find<QLabel>(console, "Label31")->isVisible();
  }

  // A file of each test's own: the tests run side by side, each in a
  // process of its own.
  std::string image_ = ::testing::TempDir() + "/brevane-firmware-" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".bin";
};

TEST_F(MaintenanceTest, BrowsingEnablesUploadAndACancelKeepsTheEarlierPath) {
  EXPECT_FALSE(testing_support::Find<QPushButton>(console, "UploadBtn")->isEnabled());
  // Not typed into, yet drawn as any text.
  EXPECT_TRUE(testing_support::Find<QLineEdit>(console, "FirmFileEdit")->isReadOnly());
  EXPECT_TRUE(testing_support::Find<QLineEdit>(console, "FirmFileEdit")->isEnabled());
  console.BrowseBtnClick();  // cancelled
  EXPECT_FALSE(testing_support::Find<QPushButton>(console, "UploadBtn")->isEnabled());
  Choose(image_);
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "FirmFileEdit")->text().toStdString(),
            image_);
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "UploadBtn")->isEnabled());
  console.BrowseBtnClick();  // cancelled again
  EXPECT_EQ(testing_support::Find<QLineEdit>(console, "FirmFileEdit")->text().toStdString(),
            image_);
  EXPECT_EQ(fakes.files->filters, std::vector<std::string>(3, "bin file (*.bin)"));
}

TEST_F(MaintenanceTest, CancelAtTheFlashQuestionSendsNothing) {
  Choose(image_);
  Answer({MsgResult::Cancel});
  console.UploadBtnClick();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "This will flash the firmware. Continue?");
  EXPECT_EQ(shown()[0].title, "Firmware Upload");
  EXPECT_EQ(shown()[0].icon, MsgIcon::Question);
  EXPECT_TRUE(device().uploads.empty());
  EXPECT_FALSE(testing_support::Find<QLabel>(console, "Label31")->isVisible());
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "UploadBtn")->isEnabled());
}

TEST_F(MaintenanceTest, AnAcceptedImageAsksToRestartAndWaits) {
  Choose(image_);
  device().upload_failure = net::UploadError::Reply(302, "302 Found", "man_firm.htm");
  console.UploadBtnClick();
  ASSERT_EQ(device().uploads.size(), 1u);
  const auto& upload = device().uploads[0];
  EXPECT_EQ(upload.url, "http://192.168.1.77/man.cgi");
  EXPECT_EQ(upload.user, "admin");
  EXPECT_EQ(upload.password, "pw");
  EXPECT_EQ(upload.referer, "http://192.168.1.77/maintain.htm");
  EXPECT_EQ(upload.content_type.rfind("multipart/form-data; boundary=-------------------------", 0),
            0u);
  const std::string boundary = upload.content_type.substr(30);
  EXPECT_EQ(
      upload.body,
      boundary + "\r\nContent-Disposition: form-data; name=\"redirect\"\r\n\r\nman_firm.htm\r\n" +
          boundary + "\r\nContent-Disposition: form-data; name=\"failure\"\r\n\r\nfail.htm\r\n" +
          boundary + "\r\nContent-Disposition: form-data; name=\"type\"\r\n\r\nfile_upload\r\n" +
          boundary + "\r\nContent-Disposition: form-data; name=\"filename\"; filename=\"" + image_ +
          "\"\r\nContent-Type: application/octet-stream\r\n\r\nIMAGE\r\n--\r\n" + boundary +
          "\r\n");
  ASSERT_EQ(shown().size(), 2u);
  EXPECT_EQ(shown()[1].text, "Firmware Upload Successful.\nReboot...");
  EXPECT_EQ(shown()[1].buttons, desktop::MsgButtons::OkCancel);
  // Restart sent once, without a redisplay; the wait runs.
  EXPECT_EQ(device().CommandUrls(), std::vector<std::string>{kRestart});
  EXPECT_EQ(device().commands[0].referer, "http://192.168.1.77/maintain.htm");
  EXPECT_TRUE(reads() == 0u);
  EXPECT_TRUE(Waiting());
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "BrowseBtn")->isEnabledTo(&console));
  EXPECT_TRUE(testing_support::Find<QProgressBar>(console, "ProgressBar1")->isVisible());
}

TEST_F(MaintenanceTest, CancelAtTheRestartQuestionLeavesThePageUsable) {
  Choose(image_);
  device().upload_failure = net::UploadError::Reply(302, "302 Found", "man_firm.htm");
  Answer({MsgResult::Ok, MsgResult::Cancel});
  console.UploadBtnClick();
  EXPECT_TRUE(device().commands.empty());
  EXPECT_FALSE(console.Timer1->isActive());
  EXPECT_FALSE(testing_support::Find<QLabel>(console, "Label31")->isVisible());
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "UploadBtn")->isEnabled());
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "RebootBtn")->isEnabled());
  EXPECT_TRUE(testing_support::Find<QPushButton>(console, "ResetBtn")->isEnabled());
}

TEST_F(MaintenanceTest, UploadErrorsAreJudgedByWhatHappenedNotByDigitsInTheirText) {
  Choose(image_);
  using net::UploadError;
  struct Case {
    std::optional<UploadError> error;
    std::string message;
  };
  for (const Case& c :
       {// 200 without a redirect: no message at all.
        Case{std::nullopt, ""},
        // Too large only when the device said so or ended the connection
        // while the image still went out to it.
        Case{UploadError::Aborted(), "Kernel Size is too large."},
        Case{UploadError::Reply(413, "413 Payload Too Large", "", false),
             "Kernel Size is too large."},
        Case{UploadError::Socket(10053), "Upload fail!"},
        Case{UploadError::Reply(401, "401 Unauthorized", "", false), "Upload fail!"},
        Case{UploadError::Reply(403, "403 Forbidden"), "Upload fail!"},
        Case{UploadError::Reply(302, "302 Found", "fail.htm"), "Upload fail!"},
        Case{UploadError::Reply(302, "302 Found"), "Upload fail!"},  // no page named
        Case{UploadError::Socket(10061), "Upload fail!"},
        Case{UploadError::Reply(500, "500 Internal Server Error"), "Upload fail!"},
        // A device's error that merely holds the digits is no success.
        Case{UploadError::Reply(500, "500 Flash write failed at block 302"), "Upload fail!"},
        Case{UploadError::Reply(500, "500 Socket Error # 10053"), "Upload fail!"},
        Case{UploadError::Closed(), "Upload fail!"},
        Case{UploadError::FileChanged(image_),
             "Upload fail!\nThe firmware file changed while it was sent:\n" + image_}}) {
    shown().clear();
    console.TabSheet3Show();
    device().upload_failure = c.error;
    console.UploadBtnClick();
    if (c.message.empty()) {
      EXPECT_EQ(shown().size(), 1u);  // the question only
      EXPECT_TRUE(testing_support::Find<QLabel>(console, "Label31")->isVisible());
    } else {
      ASSERT_EQ(shown().size(), 2u) << c.message;
      EXPECT_EQ(shown()[1].text, c.message);
      EXPECT_EQ(shown()[1].icon, MsgIcon::Information);
      EXPECT_FALSE(testing_support::Find<QLabel>(console, "Label31")->isVisible());
    }
    EXPECT_FALSE(testing_support::Find<QPushButton>(console, "UploadBtn")->isEnabled());
    EXPECT_FALSE(testing_support::Find<QPushButton>(console, "ResetBtn")->isEnabled());
    EXPECT_TRUE(device().commands.empty());
  }
}

TEST_F(MaintenanceTest, AnUnreadableImageIsReportedAndNothingIsSent) {
  for (const std::string& path : {::testing::TempDir() + "/missing.bin", ::testing::TempDir()}) {
    shown().clear();
    console.TabSheet3Show();
    fakes.files->answers.push_back(path);
    console.BrowseBtnClick();
    testing_support::Find<QPushButton>(console, "UploadBtn")
        ->click();  // as the user does: the error is reported by the handler's guard
    ASSERT_EQ(shown().size(), 2u);
    EXPECT_NE(shown()[1].text.find(path), std::string::npos) << shown()[1].text;
    EXPECT_EQ(shown()[1].icon, MsgIcon::Error);
    // The page is usable again.
    EXPECT_FALSE(testing_support::Find<QLabel>(console, "Label31")->isVisible());
    EXPECT_TRUE(testing_support::Find<QPushButton>(console, "UploadBtn")->isEnabled());
    EXPECT_TRUE(testing_support::Find<QPushButton>(console, "RebootBtn")->isEnabled());
  }
  EXPECT_TRUE(device().uploads.empty());
}

TEST_F(MaintenanceTest, RebootWaitsThirtyTicksAndEndsAtTheScanningDeviceList) {
  Choose(image_);
  Answer({MsgResult::Cancel});
  console.RebootBtnClick();
  EXPECT_EQ(shown()[0].text,
            "This will reboot the device.\nAll open connections will reset. Continue?");
  EXPECT_EQ(shown()[0].title, "System Reboot");
  EXPECT_FALSE(console.Timer1->isActive());
  EXPECT_TRUE(device().commands.empty());

  console.RebootBtnClick();
  EXPECT_EQ(device().CommandUrls(), std::vector<std::string>{kRestart});
  EXPECT_TRUE(Waiting());
  EXPECT_FALSE(testing_support::Find<QPushButton>(console, "BrowseBtn")->isEnabledTo(&console));
  const std::size_t scans = fakes.network->broadcasts.size();
  for (int tick = 1; tick <= 30; ++tick) console.Timer1Timer();
  EXPECT_EQ(testing_support::Find<QProgressBar>(console, "ProgressBar1")->value(), 300);
  EXPECT_TRUE(console.isVisible());
  console.Timer1Timer();  // the 31st tick
  EXPECT_FALSE(console.isVisible());
  EXPECT_FALSE(console.Timer1->isActive());
  EXPECT_TRUE(console.isEnabled());
  EXPECT_TRUE(testing_support::Find<QLabel>(console, "Label32")->isVisibleTo(&console));
  EXPECT_TRUE(testing_support::Find<QLineEdit>(console, "FirmFileEdit")->text().isEmpty());
  EXPECT_TRUE(main.isVisible());
  EXPECT_EQ(fakes.network->broadcasts.size(), scans + 1);
  EXPECT_TRUE(main.Timer1->isActive());
}

TEST_F(MaintenanceTest, FactoryResetStartsTheWaitThenSendsResetAndRestart) {
  bool waiting_at_first_command = false;
  device().on_command = [&](const std::string&) {
    if (device().commands.size() == 1) waiting_at_first_command = Waiting();
  };
  console.ResetBtnClick();
  EXPECT_EQ(shown()[0].text, "This will restore device's default settings. Continue?");
  EXPECT_EQ(shown()[0].title, "Factory Defaults");
  EXPECT_EQ(
      device().CommandUrls(),
      (std::vector<std::string>{"http://192.168.1.77/man.cgi?redirect=reboot.htm&failure=fail.htm"
                                "&type=default_setting",
                                kRestart}));
  EXPECT_TRUE(waiting_at_first_command);
  EXPECT_EQ(device().probes, 2);
  EXPECT_EQ(reads(), 0u);
}

TEST_F(MaintenanceTest, ADeviceThatIsGoneIsReportedAndTheWaitRunsAnyway) {
  device().reachable = false;
  console.RebootBtnClick();
  ASSERT_EQ(shown().size(), 2u);
  EXPECT_EQ(shown()[1].text, "連線失敗");
  EXPECT_TRUE(Waiting());
  // A disabled console cannot be closed meanwhile.
  console.close();
  EXPECT_TRUE(console.isVisible());
}

TEST_F(MaintenanceTest, AResetDeviceTakesItsRestartWithTheFactoryLoginAndSaysNothingOfTheFirst) {
  // Reset, the device no longer knows the password the console logged in
  // with.
  device().headers = {"HTTP/1.0 302 Found\r\nLocation: reboot.htm\r\n\r\n",
                      "HTTP/1.0 401 Unauthorized\r\n\r\n"};
  console.ResetBtnClick();
  ASSERT_EQ(device().commands.size(), 3u);
  EXPECT_EQ(device().commands[1].password, "pw");
  EXPECT_EQ(device().commands[2].url, kRestart);
  EXPECT_EQ(device().commands[2].user, "admin");
  EXPECT_EQ(device().commands[2].password, "");
  ASSERT_EQ(shown().size(), 1u);  // the question alone
  EXPECT_TRUE(Waiting());
}

TEST_F(MaintenanceTest, ARestartTheDeviceDidNotTakeIsSaidAndHasNoWait) {
  const struct {
    const char* what;
    std::vector<std::string> replies;
    std::size_t commands;
    const char* said;
  } cases[] = {
      {"a reboot refused",
       {"HTTP/1.0 302 Found\r\nLocation: fail.htm\r\n\r\n"},
       1,
       "The device refused the command."},
      {"a reboot asked for another login",
       {"HTTP/1.0 401 Unauthorized\r\n\r\n"},
       1,
       "Login failed, please check your username and password"},
      {"a reset refused: no restart is sent",
       {"HTTP/1.0 302 Found\r\nLocation: fail.htm\r\n\r\n"},
       1,
       "The device refused the command."},
      {"a reset whose restart is refused with the factory login too",
       {"HTTP/1.0 302 Found\r\nLocation: reboot.htm\r\n\r\n", "HTTP/1.0 401 Unauthorized\r\n\r\n",
        "HTTP/1.0 401 Unauthorized\r\n\r\n"},
       3,
       "Login failed, please check your username and password"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    core::Session() = {testing_support::kDevice, "admin", "pw"};
    device().commands.clear();
    device().headers.assign(c.replies.begin(), c.replies.end());
    shown().clear();
    if (std::string(c.what).rfind("a reboot", 0) == 0)
      console.RebootBtnClick();
    else
      console.ResetBtnClick();
    EXPECT_EQ(device().commands.size(), c.commands);
    ASSERT_EQ(shown().size(), 2u);  // the question, then what the device did
    EXPECT_EQ(shown()[1].text, c.said);
    EXPECT_FALSE(console.Timer1->isActive());
    EXPECT_TRUE(console.isEnabled());
    EXPECT_FALSE(testing_support::Find<QLabel>(console, "Label31")->isVisible());
    EXPECT_TRUE(testing_support::Find<QPushButton>(console, "RebootBtn")->isEnabled());
    EXPECT_TRUE(testing_support::Find<QPushButton>(console, "ResetBtn")->isEnabled());
  }
}

}  // namespace
