// The console window put together: its pages built, shown and read as
// they come up, and the window's own events that bring pages up.

#include <QCloseEvent>
#include <QPainter>
#include <QTabBar>
#include <QVBoxLayout>

#include "console/menuform.h"
#include "console/page_kit.h"
#include "core/session_state.h"
#include "core/status_page.h"
#include "i18n/translate.h"
#include "net/waiting.h"
#include "platform/platform.h"
#include "ui/ui.h"
#include "ui/windows.h"

using i18n::Translate;

namespace {

// A tab row whose tabs the console draws itself.
class ConsoleTabBar : public QTabBar {
 public:
  explicit ConsoleTabBar(Form2* form) : form_(form) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    int visible = 0;
    for (int i = 0; i < count(); ++i) {
      if (!isTabVisible(i)) continue;
      form_->PageControl1DrawTab(painter, visible++, tabRect(i), i == currentIndex());
    }
  }

 private:
  Form2* form_;
};

class ConsolePages : public QTabWidget {
 public:
  explicit ConsolePages(Form2* form) : QTabWidget(form) { setTabBar(new ConsoleTabBar(form)); }
};

}  // namespace

Form2::Form2()
    : PageControl1(new ConsolePages(this)),
      TabSheet1(new QWidget),
      TabSheet2(new QWidget),
      TabSheet3(new QWidget),
      TabSheet4(new QWidget),
      TabSheet5(new QWidget),
      TabSheet6(new QWidget),
      TabSheet7(new QWidget),
      CommandClient(platform::services().make_command_client()),
      UploadClient(platform::services().make_upload_client()),
      Timer1(new QTimer(this)),
      Timer2(new QTimer(this)) {
  ConsolePauseMs = 20;
  setWindowTitle("Management");
  for (QWidget* page :
       {TabSheet1, TabSheet2, TabSheet3, TabSheet4, TabSheet5, TabSheet6, TabSheet7})
    PageControl1->addTab(page, QString());
  const char* captions[kPageCount] = {"Status",     "IP Config",  "Maintenance", "File Server",
                                      "FTP Server", "Modify FTP", "Disk Utility"};
  for (int i = 0; i < kPageCount; ++i) PageControl1->setTabText(i, ui::Tr(captions[i]));

  BuildStatusPage();
  BuildIpConfigPage();
  BuildMaintenancePage();
  BuildFileServerPage();
  BuildFtpServerPage();
  BuildModifyFtpPage();
  BuildDiskUtilityPage();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PageControl1);

  Timer1->setInterval(1000);
  Timer2->setInterval(1000);
  Timer1->stop();
  Timer2->stop();

  SetTabShown(kModifyFtp, false);
  PageControl1->setCurrentIndex(kStatus);
  connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
    ui::Guard([this, index] {
      if (!selecting_) PageControl1Change();
      if (isVisible() && !quiet_pages_) ShowPage(index);
    })();
  });

  setFixedSize(sizeHint());
  ui::WindowSet& windows = ui::Windows();
  windows.form2 = {this, this};
  // After a login for management: the first page, the new-password
  // fields empty.
  windows.open_console = [this] {
    SelectPage(kStatus);
    PassEdit->clear();
    VerifyEdit->clear();
    setVisible(true);
    raise();
    activateWindow();
  };
  windows.close_console = [this] { Dismiss(); };
  // Disabled for the login after a password change, the console is usable
  // again once the login is answered; a restart wait keeps it disabled.
  windows.login_answered = [this] {
    if (!Timer1->isActive()) setEnabled(true);
  };
}

Form2::~Form2() {
  ui::WindowSet& windows = ui::Windows();
  if (windows.form2.form != this) return;
  windows.form2 = {};
  windows.open_console = nullptr;
  windows.close_console = nullptr;
  windows.login_answered = nullptr;
}

void Form2::FormShow() {
  TabSheet1Show();
  setWindowTitle(ui::Q(Translate("Manage Drive") + " " + core::Session().DeviceIp));
  SetTabShown(kStatus, true);
  SetTabShown(kModifyFtp, false);
  // The FTP Server tab too: the console may have closed while an account
  // was being modified.
  SetTabShown(kFtpServer, true);
  Timer1->stop();
}

void Form2::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Restored from the task bar: the console was never hidden.
  if (event->spontaneous()) return;
  ui::CenterOnScreen(this);
  // Showing the console is one action: all it reads ends within the bound.
  const net::ActionBound bound(core::kReadingActionBound);
  quiet_pages_ = true;
  ui::Guard([this] { FormShow(); })();
  quiet_pages_ = false;
  // The active page is read as it becomes visible; the Status page was
  // read just now.
  if (PageControl1->currentIndex() != kStatus)
    ui::Guard([this] { ShowPage(PageControl1->currentIndex()); })();
}

void Form2::Dismiss() {
  for (QWidget* dialog :
       {ui::Windows().form6.widget, ui::Windows().form7.widget, ui::Windows().form8.widget,
        ui::Windows().form9.widget, ui::Windows().form10.widget, ui::Windows().form11.widget})
    if (dialog != nullptr) dialog->hide();
  Timer1->stop();
  ResetWaitDisplay();
  setEnabled(true);
  hide();
}

void Form2::PageControl1Change() {
  Pause();
  SetTabShown(kModifyFtp, false);
  SetTabShown(kFtpServer, true);
}

void Form2::ShowPage(int index) {
  const net::ActionBound bound(core::kReadingActionBound);
  switch (index) {
    case kStatus:
      TabSheet1Show();
      break;
    case kIpConfig:
      TabSheet2Show();
      break;
    case kMaintenance:
      TabSheet3Show();
      break;
    case kFileServer:
      TabSheet4Show();
      break;
    case kFtpServer:
      TabSheet5Show();
      break;
    case kModifyFtp:
      TabSheet6Show();
      break;
    case kDiskUtility:
      TabSheet7Show();
      break;
    default:
      break;
  }
}

void Form2::RedisplayTab(int index) {
  ShowPage(index);
}

void Form2::ReturnToDeviceList() {
  hide();
  if (QWidget* main = ui::Windows().form1.widget) {
    main->show();
    main->raise();
    main->activateWindow();
  }
  if (ui::Windows().rescan) ui::Windows().rescan();
}
