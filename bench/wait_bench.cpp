// How the windows fare while the program waits on a device: logs in (which
// goes on to the drive dialog), opens the drive dialog and sends a console
// command against one simulated device made healthy, slow (3 s), silent and
// trickling in turn, each started as the person starts it, its device work
// on the program's worker threads. For each it prints the longest time the
// user-interface thread went without dispatching events, the whole duration
// (until no action works on the device) and, where the run is cancelled,
// the time from Cancel to the end of the action.
//
//   wait_bench ADDRESS CONTROL     (inside the test LAN; CONTROL: the
//                                   device's control socket; its
//                                   administrator password is "pw")

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <string>

#include "console/menuform.h"
#include "core/session_state.h"
#include "drives/logindisk.h"
#include "drives/mountform.h"
#include "mainwindow/mainform.h"
#include "net/waiting.h"
#include "sim/control.h"
#include "sim/netns_guard.h"
#include "support/fakes.h"
#include "ui/actions.h"
#include "ui/thread_runner.h"
#include "ui/wait_window.h"

namespace {

struct Figures {
  qint64 longest_stall_ms = 0;
  qint64 duration_ms = 0;
  qint64 cancel_to_end_ms = -1;
};

// Runs `action` with a zero-interval timer that fires at every pass of the
// event dispatch: the longest gap between two passes is the longest stall.
// With `cancel_after_ms` >= 0 the progress window's Cancel is clicked then.
Figures Measure(ui::WaitWindow& wait, const std::string& device, int cancel_after_ms,
                const std::function<void()>& action) {
  Figures figures;
  QElapsedTimer clock;
  qint64 last = 0, cancelled_at = -1;
  QTimer meter;
  meter.setInterval(0);
  QObject::connect(&meter, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    figures.longest_stall_ms = std::max(figures.longest_stall_ms, now - last);
    last = now;
  });
  QTimer cancel;
  cancel.setSingleShot(true);
  cancel.setTimerType(Qt::PreciseTimer);
  QObject::connect(&cancel, &QTimer::timeout, [&] {
    cancelled_at = clock.elapsed();
    wait.CancelBtn->click();
  });
  clock.start();
  meter.start();
  if (cancel_after_ms >= 0) cancel.start(cancel_after_ms);
  action();
  while (ui::DeviceInUse(device))
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  const qint64 end = clock.elapsed();
  meter.stop();
  cancel.stop();
  figures.longest_stall_ms = std::max(figures.longest_stall_ms, end - last);
  figures.duration_ms = end;
  if (cancelled_at >= 0) figures.cancel_to_end_ms = end - cancelled_at;
  QCoreApplication::processEvents();  // the action is over: the next one starts afresh
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: wait_bench ADDRESS CONTROL\n");
    return 2;
  }
  sim::RequirePrivateNetworkNamespace("wait_bench");
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const std::string address = argv[1], control = argv[2];

  // Real exchanges with the device; message boxes and drives stand in.
  desktop::fakes::FakePlatform fakes{desktop::fakes::Devices::Real};
  desktop::services().work = std::make_shared<ui::ThreadRunner>();
  Form1 main;
  Form2 console;
  Form4 login;
  Form5 drives;
  ui::WaitWindow wait;

  struct Device {
    const char* name;
    std::string fault;
    int cancel_after_ms;
  };
  const Device devices[] = {
      {"healthy", "", -1},
      {"slow 3 s", "fault delay 3000", -1},
      {"slow 3 s", "fault delay 3000", 1000},
      {"silent", "fault hold 100000", 2000},
      {"trickling", "fault trickle 100000", 2000},
  };
  struct Action {
    const char* name;
    std::function<void()> run;
  };
  const Action actions[] = {
      {"login", [&] { login.MountBtn->click(); }},
      {"drive dialog", [&] { drives.show(); }},
      {"console command", [&] { console.findChild<QPushButton*>("identBtn")->click(); }},
  };

  std::printf("%-16s %-26s %8s %14s %12s %16s %6s\n", "action", "device", "cancel", "longest stall",
              "duration", "cancel to end", "boxes");
  bool within_goals = true;
  for (const Action& action : actions) {
    for (const Device& device : devices) {
      sim::ControlCall(control, "fault clear");
      if (!device.fault.empty()) sim::ControlCall(control, device.fault);
      core::Session() = {address, "admin", "pw"};
      login.UserEdit->setText("admin");
      login.PassEdit->setText("pw");
      drives.hide();
      login.show();
      console.findChild<QLineEdit*>("HostEdit")->setText("NAS-BENCH");
      console.findChild<QLineEdit*>("GroupEdit")->setText("HOME");
      fakes.messages->shown.clear();
      const Figures f = Measure(wait, address, device.cancel_after_ms, action.run);
      char cancel[16] = "-", to_end[24] = "-";
      if (device.cancel_after_ms >= 0) {
        std::snprintf(cancel, sizeof cancel, "%d ms", device.cancel_after_ms);
        std::snprintf(to_end, sizeof to_end, "%lld ms", static_cast<long long>(f.cancel_to_end_ms));
      }
      std::printf("%-16s %-26s %8s %11lld ms %9lld ms %16s %6zu\n", action.name, device.name,
                  cancel, static_cast<long long>(f.longest_stall_ms),
                  static_cast<long long>(f.duration_ms), to_end, fakes.messages->shown.size());
      within_goals = within_goals && f.longest_stall_ms <= 100 &&
                     (device.cancel_after_ms < 0 || f.cancel_to_end_ms <= 200);
    }
  }
  sim::ControlCall(control, "fault clear");
  std::printf("goals (longest stall <= 100 ms, Cancel honoured within 200 ms): %s\n",
              within_goals ? "met" : "NOT met");
  return 0;
}
