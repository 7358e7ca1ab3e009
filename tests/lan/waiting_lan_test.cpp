// Waiting on a simulated device that does not answer: the device work runs
// on a worker thread, the windows keep working (clicks elsewhere are run),
// and Cancel ends the whole action at once with no further boxes.

#include <gtest/gtest.h>
#include "support/controls.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "console/menuform.h"
#include "core/session_state.h"
#include "core/status_page.h"
#include "drives/logindisk.h"
#include "drives/mountform.h"
#include "lan_support.h"
#include "mainwindow/mainform.h"
#include "net/waiting.h"
#include "support/click.h"
#include "support/fakes.h"
#include "ui/actions.h"
#include "ui/thread_runner.h"
#include "ui/wait_window.h"

namespace {

using Clock = std::chrono::steady_clock;
using lan::SimDevice;
using lan::ThisLan;

using testing_support::Click;

class WaitingLan : public ::testing::Test {
 protected:
  WaitingLan()
      : device(ThisLan().devices.at(0), {"--password", "pw", "--shared-folder", "PUBLIC"}) {
    // The program's own worker threads.
    static const auto runner = std::make_shared<ui::ThreadRunner>();
    desktop::services().work = runner;
    core::Session() = {ip(), "admin", "pw"};
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [this] { ++ticks; });
    other.show();
    QObject::connect(&other, &QPushButton::clicked, [this] { ++others; });
  }
  ~WaitingLan() override { net::EndAction(); }
  const std::string& ip() const { return device.host().ip; }
  std::string Requests() { return device.Control("http-requests /utility_use.htm"); }
  std::vector<desktop::fakes::ShownMessage>& shown() { return fakes.messages->shown; }

  // The window thread's one event loop, until no action works on the
  // device any more.
  void Settle() {
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (ui::DeviceInUse(ip()) && Clock::now() < deadline) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  // Starts `action` with a click elsewhere after 300 ms and Cancel after
  // `cancel_ms`; returns how long the action went on after the Cancel.
  long long CancelAfter(int cancel_ms, const std::function<void()>& action) {
    Clock::time_point cancelled;
    QTimer::singleShot(300, [this] { Click(&other); });
    QTimer::singleShot(cancel_ms, [&] {
      EXPECT_TRUE(wait.isVisible());
      cancelled = Clock::now();
      Click(wait.CancelBtn);
    });
    ticks = 0;
    tick.start();
    action();
    Settle();
    tick.stop();
    const auto after = Clock::now() - cancelled;
    QCoreApplication::processEvents();
    return std::chrono::duration_cast<std::chrono::milliseconds>(after).count();
  }

  SimDevice device;
  desktop::fakes::FakePlatform fakes{desktop::fakes::Devices::Real};
  Form1 main;
  Form4 login;
  Form5 drives;
  ui::WaitWindow wait;
  QTimer tick;
  int ticks = 0;
  QPushButton other;
  int others = 0;
};

TEST_F(WaitingLan, ACancelledLoginEndsAtOnceAndLeavesTheDialogAsAFailedAttempt) {
  device.Control("fault hold 100");
  login.show();
  login.PassEdit->setText("pw");
  EXPECT_LT(CancelAfter(1000, [&] { Click(login.MountBtn); }), 200);
  EXPECT_GE(ticks, 30);        // the timer ran all along (a stalled loop fires it once)
  EXPECT_EQ(others, 1);        // another window took its click
  EXPECT_EQ(Requests(), "1");  // no further request after the Cancel
  EXPECT_TRUE(shown().empty());
  EXPECT_TRUE(login.isVisible());
  EXPECT_FALSE(drives.isVisible());
}

TEST_F(WaitingLan, CancelDuringTheDriveDialogsReadsEndsThemWithNoBoxes) {
  device.Control("fault hold 100");
  EXPECT_LT(CancelAfter(700, [&] { drives.show(); }), 200);
  EXPECT_TRUE(shown().empty());  // not one of the eight failure boxes
  EXPECT_EQ(Requests(), "1");
  EXPECT_EQ(others, 1);  // another window took its click
}

TEST_F(WaitingLan, ACommandToASilentDeviceCanBeCancelled) {
  Form2 console;
  testing_support::Find<QLineEdit>(console, "HostEdit")->setText("NEWNAME");
  testing_support::Find<QLineEdit>(console, "GroupEdit")->setText("HOME");
  device.Control("fault hold 100");
  EXPECT_LT(
      CancelAfter(700, [&] { Click(testing_support::Find<QPushButton>(console, "identBtn")); }),
      200);
  EXPECT_TRUE(shown().empty());
  EXPECT_EQ(others, 1);  // another window took its click
  EXPECT_GE(ticks, 20);
  device.Control("fault clear");
  EXPECT_EQ(device.Control("get host_name").find("NEWNAME"), std::string::npos);
}

TEST_F(WaitingLan, ACancelledUploadNeverReportsSuccess) {
  const std::string image = "/tmp/brevane-wait-image.bin";
  std::ofstream(image, std::ios::binary) << std::string(100000, 'f');
  Form2 console;
  testing_support::Find<QLineEdit>(console, "FirmFileEdit")->setText(QString::fromStdString(image));
  device.Control("fault hold 100");
  EXPECT_LT(CancelAfter(700, [&] { console.Act([&] { return console.UploadBtnClick(); }); }), 200);
  std::filesystem::remove(image);
  ASSERT_EQ(shown().size(), 1u);  // only the question before the upload
  EXPECT_EQ(shown()[0].text, "This will flash the firmware. Continue?");
  EXPECT_FALSE(console.Timer1->isActive());  // no restart wait
  EXPECT_FALSE(testing_support::Find<QProgressBar>(console, "ProgressBar1")->isVisible());
  EXPECT_EQ(others, 1);  // another window took its click
}

TEST_F(WaitingLan, ASilentDeviceHoldsALoginAndTheDriveDialogsReadsForTheirBoundAtMost) {
  device.Control("fault hold 1000");
  login.show();
  login.PassEdit->setText("pw");
  auto start = Clock::now();
  Click(login.MountBtn);
  Settle();
  EXPECT_LT(Clock::now() - start, core::kReadingActionBound + std::chrono::seconds(1));
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "Connection failure");

  shown().clear();
  start = Clock::now();
  drives.show();
  Settle();
  EXPECT_LT(Clock::now() - start, core::kReadingActionBound + std::chrono::seconds(1));
  EXPECT_FALSE(shown().empty());  // the failure is said
}

TEST_F(WaitingLan, ASlowDeviceIsWaitedForWithTheWindowsWorking) {
  device.Control("fault delay 1500");
  login.show();
  login.PassEdit->setText("pw");
  bool shown_meanwhile = false;
  QTimer::singleShot(600, [&] { shown_meanwhile = wait.isVisible(); });
  tick.start();
  Click(login.MountBtn);
  Settle();
  tick.stop();
  EXPECT_TRUE(shown_meanwhile);
  EXPECT_GE(ticks, 40);
  EXPECT_TRUE(shown().empty());
  EXPECT_TRUE(drives.isVisible());
  QCoreApplication::processEvents();
  EXPECT_FALSE(wait.isVisible());
}

}  // namespace
