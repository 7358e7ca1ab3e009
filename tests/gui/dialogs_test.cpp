// The login and drive dialogs with the main window, offscreen, against a
// scripted device: no network needed for their rules.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>

#include "core/session_state.h"
#include "drives/logindisk.h"
#include "drives/mountform.h"
#include "gui_test_support.h"
#include "mainwindow/mainform.h"
#include "net/discovery.h"

namespace {

using desktop::MsgIcon;
using testing_support::StatusPage;

constexpr char kDevice[] = "192.168.1.77";

class DialogsTest : public ::testing::Test {
 protected:
  DialogsTest() {
    core::Session() = {};
    fakes.device->page = StatusPage({{"allow_share", "<option value=\"PUBLIC\">PUBLIC</option>"}});
    main.FormCreate();
    main.show();
    fakes.network->Deliver(net::BuildDiscoveryReply("NAS", "G", "1.0"), kDevice);
    main.HDListView->selectRow(0);
  }
  std::vector<desktop::fakes::ShownMessage>& shown() { return fakes.messages->shown; }
  static bool Centred(const QWidget& window) {
    const QPoint middle = window.screen()->availableGeometry().center();
    return (window.frameGeometry().center() - middle).manhattanLength() <= 2;
  }

  desktop::fakes::FakePlatform fakes;
  Form1 main;
  Form4 login;
  Form5 drives;
};

TEST_F(DialogsTest, EnterConnectsInTheDriveDialogOpenedFromTheMainWindow) {
  main.CountBtnClick();
  ASSERT_TRUE(drives.isVisible());
  EXPECT_EQ(drives.focusWidget(), drives.MountSetBtn);
  EXPECT_TRUE(Centred(drives));
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(drives.focusWidget(), &enter);
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "Remote Device Connected");
  // The dialog itself taking the key does the same.
  drives.show();
  QKeyEvent again(QEvent::KeyPress, Qt::Key_Enter, Qt::NoModifier);
  QApplication::sendEvent(&drives, &again);
  EXPECT_EQ(shown().size(), 2u);
}

TEST_F(DialogsTest, TypingAFolderNameAsksAgainWhetherItNeedsAPassword) {
  main.CountBtnClick();
  const std::size_t probes = fakes.drives->connections.size();
  emit drives.FolderCB->lineEdit()->textEdited("priv");
  EXPECT_EQ(fakes.drives->connections.size(), probes + 1);
}

TEST_F(DialogsTest, WindowsAreCentredAndTheMainWindowCannotBeMaximised) {
  EXPECT_FALSE(main.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  login.show();
  EXPECT_TRUE(Centred(login));
}

TEST_F(DialogsTest, ManageDriveWithoutAProgramForWebPagesSaysWhereToGo) {
  fakes.urls->handled = false;
  main.ManageBtnClick();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_NE(shown()[0].text.find("http://192.168.1.77"), std::string::npos) << shown()[0].text;
  EXPECT_EQ(shown()[0].title, "Manage Drive");
  fakes.urls->handled = true;
  main.ManageBtnClick();
  EXPECT_EQ(shown().size(), 1u);
}

TEST_F(DialogsTest, EnterLogsInAndEscapeClosesTheLoginDialog) {
  core::Session().DeviceIp = kDevice;
  main.hide();
  login.show();
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(login.PassEdit, &enter);
  // One login, which succeeded, and the drive dialog's read.
  EXPECT_EQ(fakes.device->page_requests.size(), 2u);
  EXPECT_FALSE(login.isVisible());
  EXPECT_TRUE(drives.isVisible());

  drives.close();
  login.show();
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(login.UserEdit, &escape);
  EXPECT_FALSE(login.isVisible());
  EXPECT_TRUE(main.isVisible());
  EXPECT_EQ(fakes.device->page_requests.size(), 2u);
}

TEST_F(DialogsTest, LoginRefusedAnsweredOddlyOrNotAnsweredAtAll) {
  core::Session().DeviceIp = kDevice;
  login.PassEdit->setText("wrong");
  for (int i = 0; i < 8; ++i)
    fakes.device->replies.push_back({"HTTP/1.1 401 X\r\n\r\n", "<HTML>no", 401});
  login.MountBtnClick();
  EXPECT_EQ(fakes.device->page_requests.size(), 8u);
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "Login failed, please check your username and password");
  EXPECT_EQ(core::Session().UserPassword, "wrong");  // kept after a failed attempt

  fakes.device->page.clear();  // silent: one attempt of eight requests
  fakes.device->page_requests.clear();
  login.MountBtnClick();
  EXPECT_EQ(fakes.device->page_requests.size(), 8u);
  EXPECT_EQ(shown().back().text, "Connection failure");
  EXPECT_EQ(shown().back().icon, MsgIcon::Error);
  EXPECT_FALSE(drives.isVisible());
}

}  // namespace

namespace {

TEST_F(DialogsTest, EveryConnectionResultHasItsMessage) {
  core::Session().DeviceIp = kDevice;
  struct Case {
    int code;
    const char* message;
  };
  for (const Case& c : {
           Case{5, "Access to the network resource was denied."},
           Case{66, "The type of local device and the type of network resource do not match."},
           Case{67, "The resource name is invalid, or the named resource cannot be located."},
           Case{85, "The local device is already connected to a network resource."},
           Case{86, "The password is invalid."},
           Case{170, "The value specified by provider does not match any provider."},
           Case{1200, "The value specified by Disk Number is invalid."},
           Case{1202,
                "An entry for the device specified in Disk Number is already in the user "
                "profile."},
           Case{1203, "A network component has not started."},
           Case{1204, "The value specified by provider does not match any provider."},
           Case{1205, "The system is unable to open the user profile."},
           Case{1206, "The user profile is in an incorrect format."},
           Case{1208, "A network-specific error occurred."},
           Case{1222, "No network."},
           Case{1223, "The connection was cancelled by the user."},
           Case{1627, "Exception Error."},
           Case{4242, "Exception Error."},
       }) {
    fakes.drives->results["\\\\192.168.1.77\\PUBLIC"] = c.code;
    drives.hide();
    drives.show();
    shown().clear();
    drives.MountSetBtnClick();
    ASSERT_FALSE(shown().empty()) << c.code;
    EXPECT_EQ(shown().back().text, c.message) << c.code;
    EXPECT_EQ(shown().back().title, "Connect");
    EXPECT_TRUE(drives.isVisible());  // the dialog stays for another try
  }
}

}  // namespace
