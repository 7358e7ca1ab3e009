// brevane-tour: walks the program's windows against the demo devices on a
// real display and saves a picture of the screen, for the documentation.
// It drives the windows as a user would (pick a device, Manage Drive, log
// in) and answers every question with OK.
//
//   brevane-tour --device NAME [--password P] [--page N] [--action A] --out FILE
//
// Actions: reboot (the Maintenance page's wait), create-folder (the File
// Server page's create dialog), scan (a disk scan followed), modify-account
// (the first FTP account's page), drive (the drive dialog, through
// "Connect", instead of the console).
//

#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "support/controls.h"

#include "app/program.h"
#include "console/menuform.h"
#include "console/smb_dialogs.h"
#include "core/configuration.h"
#include "desktop/gio_drives.h"
#include "desktop/services.h"
#include "drives/logindisk.h"
#include "mainwindow/mainform.h"
#include "sim/control.h"
#include "sim/netns_guard.h"
#include "ui/ui.h"
#include "ui/wait_window.h"
#include "ui/window_refs.h"

namespace {

// Every question answered with OK; messages go to the terminal.
class AnswerOk : public desktop::MessageBoxService {
 public:
  void Open(const std::string& text, const std::string& title, desktop::MsgIcon,
            desktop::MsgButtons, Answered answered) override {
    std::fprintf(stderr, "tour: message \"%s\" (%s)\n", text.c_str(), title.c_str());
    answered(desktop::MsgResult::Ok);
  }
};

void Settle(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(10);
  }
}

int Fail(const char* what) {
  std::fprintf(stderr, "brevane-tour: %s\n", what);
  return 1;
}

// The program's windows on the screen, with a margin of desktop.
bool Shoot(const std::string& out) {
  QRect shown;
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->isVisible()) shown = shown.united(window->frameGeometry());
  shown.adjust(-16, -16, 16, 16);
  const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(
      0, shown.x(), shown.y(), shown.width(), shown.height());
  if (!picture.save(QString::fromStdString(out))) return false;
  std::fprintf(stderr, "tour: saved %s\n", out.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string device, password, action, out;
  int page = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    const std::string value = argv[i + 1];
    if (option == "--device")
      device = value;
    else if (option == "--password")
      password = value;
    else if (option == "--page")
      page = std::stoi(value);
    else if (option == "--action")
      action = value;
    else if (option == "--out")
      out = value;
  }
  if (device.empty() || out.empty()) return Fail("usage: --device NAME [--page N] --out FILE");
  sim::RequirePrivateNetworkNamespace("brevane-tour");

  ui::Application application(argc, argv);
  application.setQuitOnLastWindowClosed(false);
  core::Config().management = true;
  desktop::Services services = desktop::RealServices();
  services.message_boxes = std::make_shared<AnswerOk>();
  // The program loads its drives from the module beside it; the tour has
  // them built in.
  services.drives = std::make_shared<desktop::GioNetworkDrives>();
  desktop::Install(std::move(services));
  auto windows = app::CreateWindows();
  auto* main = ui::Windows().form1.form;
  auto* console = ui::Windows().form2.form;
  auto* login = ui::Windows().form4.form;
  ui::CenterOnScreen(main);
  main->show();

  int row = -1;
  for (int tries = 0; tries < 300 && row < 0; ++tries) {
    Settle(20);
    for (int r = 0; r < main->HDListView->RowCount(); ++r)
      if (main->HDListView->Text(r, 1) == device) row = r;
  }
  if (row < 0) return Fail("the device did not answer");
  Settle(300);
  main->HDListView->selectRow(row);
  if (action == "drive") {
    main->CountBtnClick();
    Settle(300);
    if (login->isVisible()) {
      login->PassEdit->setText(ui::Q(password));
      login->MountBtnClick();
    }
    Settle(800);
    const bool saved = Shoot(out);
    desktop::Install({});
    return saved ? 0 : Fail("cannot save the picture");
  }
  main->ManageBtnClick();
  Settle(300);
  login->PassEdit->setText(ui::Q(password));
  login->MenBtnClick();
  if (!console->isVisible()) return Fail("the console did not open");
  main->hide();
  console->SelectPage(page);
  Settle(300);

  if (action == "reboot") {
    console->RebootBtnClick();
    for (int tick = 0; tick < 12; ++tick) console->Timer1Timer();
  } else if (action == "create-folder") {
    console->ShowCreateBtnClick();
    auto* dialog = ui::Windows().form6.form;
    dialog->FoldernameEdit->setText("reports");
  } else if (action == "scan") {
    console->DiskScanBtnClick();
    Settle(3500);
    console->RefreshScanResult();
  } else if (action == "modify-account") {
    if (testing_support::Find<ui::ReportListView>(*console, "AccountLV")->RowCount() == 0)
      return Fail("no FTP account");
    testing_support::Find<ui::ReportListView>(*console, "AccountLV")->selectRow(0);
    console->AccModifyBtnClick();
  } else if (!action.empty() && action != "wait") {
    return Fail("unknown action");
  }
  if (action == "wait") {
    // A device that stops answering: the picture is taken while the
    // console waits, then the wait is cancelled.
    const char* work = std::getenv("BREVANE_DEMO_WORK");
    if (work == nullptr) return Fail("no BREVANE_DEMO_WORK");
    const std::string control = std::string(work) + "/d1.control";
    sim::ControlCall(control, "fault hold 100");
    bool saved = false;
    QTimer::singleShot(1200, [&] {
      saved = Shoot(out);
      for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* wait = dynamic_cast<ui::WaitWindow*>(window)) wait->CancelBtn->click();
    });
    testing_support::Find<QLineEdit>(*console, "HostEdit")->setText("NAS-STUDY");
    console->identBtnClick();
    sim::ControlCall(control, "fault clear");
    desktop::Install({});
    return saved ? 0 : Fail("cannot save the picture");
  }
  Settle(800);
  const bool saved = Shoot(out);
  desktop::Install({});
  return saved ? 0 : Fail("cannot save the picture");
}
