// Waiting on a device: the device work runs on a worker thread, the
// windows keep painting and their timers run, the waiting window's own
// buttons wait (visibly) while the others take their clicks, a progress
// window comes after a moment, and its Cancel ends the whole action
// quietly.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <thread>

#include "core/session_state.h"
#include "drives/logindisk.h"
#include "drives/mountform.h"
#include "gui_test_support.h"
#include "mainwindow/mainform.h"
#include "net/waiting.h"
#include "support/click.h"
#include "ui/actions.h"
#include "ui/thread_runner.h"
#include "ui/wait_window.h"

namespace {

using Clock = std::chrono::steady_clock;
using testing_support::StatusPage;

constexpr char kDevice[] = "192.168.1.77";

using testing_support::Click;

long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class WaitTest : public ::testing::Test {
 protected:
  WaitTest() {
    // The program's own worker threads.
    static const auto runner = std::make_shared<ui::ThreadRunner>();
    desktop::services().work = runner;
    core::Session() = {};
    core::Session().DeviceIp = kDevice;
    login.show();
  }
  ~WaitTest() override { net::EndAction(); }
  std::vector<desktop::fakes::ShownMessage>& shown() { return fakes.messages->shown; }
  // The window thread's one event loop, until no action works on the
  // device any more.
  static void Settle() {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (ui::DeviceInUse(kDevice) && Clock::now() < deadline) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    QCoreApplication::processEvents();
  }
  // Presses the button as the person does, and lets the action run.
  static void Press(QWidget* button) {
    Click(button);
    Settle();
  }

  desktop::fakes::FakePlatform fakes;
  Form1 main;
  Form4 login;
  Form5 drives;
  ui::WaitWindow wait;
};

TEST_F(WaitTest, TheOtherWindowsGoOnTheWaitingOneTakesNoSecondActionAndTheProgressWindowComes) {
  fakes.device->silent_ms = 100;  // eight reads of a silent device: 0.8 s
  int ticks = 0;
  QTimer tick;
  tick.setInterval(10);
  QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
  tick.start();
  QPushButton other;
  other.show();
  int others = 0;
  QObject::connect(&other, &QPushButton::clicked, [&others] { ++others; });

  bool busy_cursor = false, buttons_wait = false, shown_early = true, shown_later = false;
  QString text;
  QTimer::singleShot(50, [&] {
    Click(&other);
    Click(login.MenBtn);
    busy_cursor = login.cursor().shape() == Qt::BusyCursor;
    buttons_wait = !login.MountBtn->isEnabled() && !login.MenBtn->isEnabled();
    shown_early = wait.isVisible();
  });
  QTimer::singleShot(500, [&] {
    shown_later = wait.isVisible();
    text = wait.TextLabel->text();
  });
  Press(login.MountBtn);

  EXPECT_EQ(fakes.device->page_requests.size(), 8u);  // one login, not a second
  EXPECT_GE(ticks, 40);                               // the timer kept running all along
  EXPECT_EQ(others, 1);                               // another window took its click
  EXPECT_TRUE(busy_cursor);
  EXPECT_TRUE(buttons_wait);
  EXPECT_FALSE(shown_early);
  EXPECT_TRUE(shown_later);
  EXPECT_EQ(text.toStdString(), "Reading 192.168.1.77 …");
  ASSERT_EQ(shown().size(), 1u);  // the failure is told as before
  EXPECT_EQ(shown()[0].text, "Connection failure");

  // All over: the progress window gone, the buttons back.
  EXPECT_FALSE(wait.isVisible());
  EXPECT_NE(login.cursor().shape(), Qt::BusyCursor);
  EXPECT_TRUE(login.MountBtn->isEnabled());
  EXPECT_TRUE(login.MenBtn->isEnabled());
}

TEST_F(WaitTest, CancelEndsTheWholeLoginAtOnceWithNoFurtherBoxes) {
  fakes.device->silent_ms = 1000;
  Clock::time_point cancelled;
  QTimer::singleShot(400, [&] {
    ASSERT_TRUE(wait.isVisible());
    cancelled = Clock::now();
    Click(wait.CancelBtn);
  });
  Press(login.MountBtn);
  EXPECT_LT(MsSince(cancelled), 200);
  EXPECT_EQ(fakes.device->page_requests.size(), 1u);  // no retry after the cancel
  EXPECT_TRUE(shown().empty());
  // As after a failed attempt: the dialog stays, the drive dialog does not come.
  EXPECT_TRUE(login.isVisible());
  EXPECT_FALSE(drives.isVisible());

  // The cancel belonged to that action only.
  EXPECT_FALSE(net::ActionCancelled());
  fakes.device->silent_ms = 0;
  fakes.device->page = StatusPage({{"allow_share", "<option value=\"PUBLIC\">PUBLIC</option>"}});
  Press(login.MountBtn);
  EXPECT_TRUE(drives.isVisible());
}

TEST_F(WaitTest, ABoxATimerOpensDuringTheWaitCanBeAnswered) {
  fakes.device->silent_ms = 100;
  bool answered = false;
  QTimer::singleShot(100, [&] {
    auto* box = new QMessageBox(QMessageBox::Information, "information", "Search Completed!",
                                QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished,
                     [&answered](int pressed) { answered = pressed == QMessageBox::Ok; });
    box->open();
    QTimer::singleShot(50, box, [box] { Click(box->button(QMessageBox::Ok)); });
  });
  const auto start = Clock::now();
  Press(login.MountBtn);
  EXPECT_TRUE(answered);
  EXPECT_LT(MsSince(start), 2000);
  EXPECT_EQ(fakes.device->page_requests.size(), 8u);
}

TEST_F(WaitTest, EscapeOrClosingTheProgressWindowCancelsToo) {
  fakes.device->silent_ms = 1000;
  QTimer::singleShot(400, [&] { wait.close(); });
  const auto start = Clock::now();
  Press(login.MountBtn);
  EXPECT_LT(MsSince(start), 800);
  EXPECT_TRUE(shown().empty());

  shown().clear();
  QTimer::singleShot(400, [&] {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(wait.CancelBtn, &escape);
  });
  const auto again = Clock::now();
  Press(login.MountBtn);
  EXPECT_LT(MsSince(again), 800);
  EXPECT_TRUE(shown().empty());
}

}  // namespace
