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

using platform::MsgIcon;
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
  std::vector<platform::fakes::ShownMessage>& shown() { return fakes.messages->shown; }
  static bool Centred(const QWidget& window) {
    const QPoint middle = window.screen()->availableGeometry().center();
    return (window.frameGeometry().center() - middle).manhattanLength() <= 2;
  }

  platform::fakes::FakePlatform fakes;
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
