// A window's action waits for device work without waiting inside a wait:
// the other windows and their timers go on meanwhile, starting nothing on
// the device the action works with, each box comes where its own action
// gets to it, and a window that goes takes its action with it.
//
// The device work is held (desktop::fakes::HeldWork) and ended by the test,
// in the order each case needs.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <memory>

#include "console_fixture.h"
#include "core/session_state.h"
#include "device/exchange.h"
#include "drives/mountform.h"
#include "net/discovery.h"
#include "support/controls.h"
#include "ui/actions.h"
#include "ui/window_refs.h"

namespace {

using desktop::fakes::HeldWork;
using testing_support::Find;
using testing_support::kDevice;

class ActionTest : public testing_support::ConsoleTest {
 protected:
  void HoldWork() { desktop::services().work = held; }
  // Sends the device its names: a command that waits on the device.
  void SendNames() {
    Find<QLineEdit>(console, "HostEdit")->setText("NAS2");
    Find<QLineEdit>(console, "GroupEdit")->setText("HOME");
    Find<QPushButton>(console, "identBtn")->click();
  }
  std::vector<std::string> Said() const {
    std::vector<std::string> texts;
    for (const auto& m : fakes.messages->shown) texts.push_back(m.text);
    return texts;
  }
  std::shared_ptr<HeldWork> held = std::make_shared<HeldWork>();
};

TEST_F(ActionTest, TimersThatFireWhileTheConsoleWaitsStartNothingOnItsDeviceAndSayInTurn) {
  // A drive of the console's device, whose name now answers elsewhere: a
  // scan's end would probe the old address and offer to move the drive.
  fakes.adapters->more = {{"192.168.1.2", "255.255.255.0"}};
  fakes.drives->kept = {
      {"Z:", std::string("\\\\") + kDevice + "\\PUBLIC", "NAS", "HOME", true, ""}};
  Open();
  HoldWork();
  device().headers = {"HTTP/1.0 302 Found\r\nLocation: status.htm\r\n\r\n"};  // not done
  SendNames();
  ASSERT_EQ(held->held.size(), 1u);  // the command waits on the device
  EXPECT_TRUE(console.Busy());
  EXPECT_TRUE(ui::DeviceInUse(kDevice));

  // The main window's scan runs to its end meanwhile; then its follow-up.
  main.ScanBtnClick();
  fakes.network->Deliver(net::BuildDiscoveryReply("NAS", "HOME", "1.0"), "192.168.1.9");
  for (int i = 0; i < 13; ++i) main.Timer1Timer();
  while (held->held.size() > 1) held->End(1);  // the main window's work, not the console's
  EXPECT_TRUE(fakes.network->probed.empty());  // the console's device is left alone
  EXPECT_TRUE(fakes.drives->moves.empty());
  EXPECT_EQ(Said(), std::vector<std::string>{"Search Completed!"});

  // The console's own timer (a disk scan followed) reads nothing meanwhile.
  for (int i = 0; i < 2 * Form2::kScanRefreshTicks; ++i) console.Timer2Timer();
  EXPECT_EQ(held->held.size(), 1u);

  // The command's answer comes, and only then is its refusal said.
  held->EndAll();
  EXPECT_EQ(Said(), (std::vector<std::string>{"Search Completed!",
                                              device::SayOutcome(device::Outcome::Refused)}));
  EXPECT_EQ(device().commands.size(), 1u);
  EXPECT_FALSE(console.Busy());
  EXPECT_FALSE(ui::DeviceInUse(kDevice));
}

TEST_F(ActionTest, TheMainWindowAndTheConsolesButtonsAnswerWhileTheConsoleWaits) {
  Open();
  HoldWork();
  SendNames();
  ASSERT_EQ(held->held.size(), 1u);
  // The console takes no second action: its pages wait, visibly.
  EXPECT_FALSE(Find<QTabWidget>(console, "PageControl1")->isEnabled());
  Find<QPushButton>(console, "adminBtn")->click();
  EXPECT_EQ(held->held.size(), 1u);
  // The main window rescans and lists what answers.
  const std::size_t broadcasts = fakes.network->broadcasts.size();
  main.ScanBtn->click();
  EXPECT_EQ(fakes.network->broadcasts.size(), broadcasts + 1);
  fakes.network->Deliver(net::BuildDiscoveryReply("OTHER", "HOME", "1.0"), "192.168.1.20");
  EXPECT_EQ(main.HDListView->RowCount(), 1);
  held->EndAll();
  EXPECT_TRUE(Find<QTabWidget>(console, "PageControl1")->isEnabled());
}

// A console opened again, for another device, names that device from the
// moment it is on the screen, while its page is still being read (a person,
// or a test reading the title, would otherwise take it for the last one).
TEST_F(ActionTest, AConsoleOpenedForAnotherDeviceNamesItWhileItReads) {
  Open();
  console.hide();
  core::Session().DeviceIp = "192.168.1.80";
  HoldWork();
  ui::Windows().open_console();
  ASSERT_FALSE(held->held.empty());  // the read waits on the device
  EXPECT_TRUE(console.isVisible());
  EXPECT_EQ(console.windowTitle().toStdString(), "Manage Drive 192.168.1.80");
  held->EndAll();
  EXPECT_EQ(console.windowTitle().toStdString(), "Manage Drive 192.168.1.80");
  EXPECT_EQ(device().page_requests.at(0).address, "192.168.1.80");
}

// While the console reads its device, the main window hands a second device
// to the drive dialog: the dialog opens at once and works on that device;
// the console, which works on one device, closes and leaves its wait.
TEST_F(ActionTest, ASecondDevicesDriveDialogOpensWhileTheConsoleWaits) {
  Form5 drives;
  Open();
  HoldWork();
  SendNames();
  ASSERT_EQ(held->held.size(), 1u);
  fakes.network->Deliver(net::BuildDiscoveryReply("OTHER", "HOME", "1.0"), "192.168.1.20");
  main.HDListView->selectRow(0);
  main.CountBtn->click();
  EXPECT_TRUE(drives.isVisible());
  EXPECT_EQ(core::Session().DeviceIp, "192.168.1.20");
  EXPECT_TRUE(ui::DeviceInUse("192.168.1.20"));  // the dialog looks at the drives
  EXPECT_FALSE(console.isVisible());
  EXPECT_FALSE(console.Busy());
  EXPECT_FALSE(ui::DeviceInUse(kDevice));
  held->EndAll();
  EXPECT_TRUE(shown().empty());  // nothing of the console's command is said
  EXPECT_FALSE(ui::DeviceInUse("192.168.1.20"));
}

// A window that goes while its action waits takes the action with it: the
// device work is told to stop, and what it brings back runs nothing, on a
// window that is no more.
TEST_F(ActionTest, AWindowDeletedWhileItsActionWaitsRunsNothingAfterwards) {
  bool cancelled_in_work = false;
  desktop::services().read_page = [&](const std::string&, const std::string&, const std::string&,
                                      const std::string&) {
    cancelled_in_work = net::ActionCancelled();
    return net::PageReply{};  // no answer: a box would follow
  };
  HoldWork();
  const struct {
    const char* what;
    std::function<std::unique_ptr<QWidget>()> start;
    bool reads;
  } cases[] = {
      {"the console reading its page",
       [] {
         auto window = std::make_unique<Form2>();
         window->show();
         return window;
       },
       true},
      {"the login checking the password",
       [] {
         auto window = std::make_unique<Form4>();
         window->show();
         window->MountBtn->click();
         return window;
       },
       true},
      {"the drive dialog looking at the drive letters",
       [] {
         auto window = std::make_unique<Form5>();
         window->show();
         return window;
       },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    cancelled_in_work = false;
    shown().clear();
    std::unique_ptr<QWidget> window = c.start();
    ASSERT_EQ(held->held.size(), 1u);
    EXPECT_TRUE(ui::DeviceInUse(kDevice));
    window.reset();
    EXPECT_FALSE(ui::DeviceInUse(kDevice));
    held->End();
    EXPECT_EQ(cancelled_in_work, c.reads);
    EXPECT_TRUE(held->held.empty());  // nothing further is asked of the device
    EXPECT_TRUE(shown().empty());
  }
}

// A console the main window closes, handing another device on, leaves what
// it waited for: nothing of it follows on the device it left.
TEST_F(ActionTest, AConsoleClosedByAHandOffDropsItsWait) {
  Open();
  HoldWork();
  SendNames();
  ASSERT_EQ(held->held.size(), 1u);
  ui::Windows().close_console();
  EXPECT_FALSE(console.Busy());
  EXPECT_FALSE(ui::DeviceInUse(kDevice));
  EXPECT_TRUE(Find<QTabWidget>(console, "PageControl1")->isEnabled());
  held->EndAll();
  EXPECT_TRUE(shown().empty());
  EXPECT_EQ(reads(), 0u);  // no page read after the command
}

}  // namespace
