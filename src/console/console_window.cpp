// The console window put together: its pages built, shown and read as
// they come up, and the window's own events that bring pages up.

#include <QCloseEvent>
#include <QPainter>
#include <QTabBar>
#include <QVBoxLayout>

#include "console/menuform.h"
#include "console/page_kit.h"
#include "core/command_submission.h"
#include "core/session_state.h"
#include "core/status_page.h"
#include "desktop/services.h"
#include "i18n/translate.h"
#include "net/command_client.h"
#include "net/waiting.h"
#include "ui/ui.h"
#include "ui/window_refs.h"

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
    : CommandClient(desktop::services().make_command_client()),
      UploadClient(desktop::services().make_upload_client()),
      Timer1(new QTimer(this)),
      Timer2(new QTimer(this)),
      actions_(this, [this](bool busy) { SetBusy(busy); }) {
  ConsolePauseMs = 20;
  setWindowTitle("Management");
  PageControl1 = new ConsolePages(this);
  for (QWidget** page :
       {&TabSheet1, &TabSheet2, &TabSheet3, &TabSheet4, &TabSheet5, &TabSheet6, &TabSheet7})
    *page = new QWidget;
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
  FrameControls::NameControls();
  StatusControls::NameControls();
  IpConfigControls::NameControls();
  MaintenanceControls::NameControls();
  FileServerControls::NameControls();
  FtpServerControls::NameControls();
  ModifyFtpControls::NameControls();
  DiskUtilityControls::NameControls();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PageControl1);

  Timer1->setInterval(1000);
  Timer2->setInterval(1000);
  Timer1->stop();
  Timer2->stop();

  SetTabShown(kModifyFtp, false);
  PageControl1->setCurrentIndex(kStatus);
  // A page the person picked is read as it comes up (one the console picks
  // is read by SelectPage).
  connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
    if (!selecting_) Act([this, index] { return PageChanged(index); });
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

core::Task<> Form2::PageChanged(int index) {
  co_await PageControl1Change();
  if (isVisible() && !quiet_pages_) co_await ShowPage(index);
}

core::Task<> Form2::FormShow() {
  // The window comes on the screen as the read begins: it names its device
  // and shows its tabs from the first moment, not those of the device it
  // showed last.
  setWindowTitle(ui::Q(Translate("Manage Drive") + " " + core::Session().DeviceIp));
  SetTabShown(kStatus, true);
  SetTabShown(kModifyFtp, false);
  // The FTP Server tab too: the console may have closed while an account
  // was being modified.
  SetTabShown(kFtpServer, true);
  Timer1->stop();
  co_await TabSheet1Show();
}

void Form2::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Restored from the task bar: the console was never hidden.
  if (event->spontaneous()) return;
  ui::CenterOnScreen(this);
  Act([this] { return Shown(); });
}

core::Task<> Form2::Shown() {
  // Showing the console is one action: all it reads ends within the bound.
  const net::ActionBound bound(core::kReadingActionBound);
  quiet_pages_ = true;
  try {
    co_await FormShow();
  } catch (...) {
    quiet_pages_ = false;
    throw;
  }
  quiet_pages_ = false;
  // The active page is read as it becomes visible; the Status page was
  // read just now.
  if (PageControl1->currentIndex() != kStatus) co_await ShowPage(PageControl1->currentIndex());
}

void Form2::Act(std::function<core::Task<>()> action) {
  actions_.Run(std::move(action), core::Session().DeviceIp);
}

void Form2::SetBusy(bool busy) {
  // The pages, and the small dialogs on the console's device: what would
  // start a second action waits, and shows it.
  PageControl1->setEnabled(!busy);
  for (QWidget* dialog :
       {ui::Windows().form6.widget, ui::Windows().form7.widget, ui::Windows().form8.widget,
        ui::Windows().form9.widget, ui::Windows().form10.widget, ui::Windows().form11.widget})
    if (dialog != nullptr) dialog->setEnabled(!busy);
}

void Form2::Dismiss() {
  // What the console still waits for goes: it worked on the device the
  // console leaves.
  actions_.Drop();
  for (QWidget* dialog :
       {ui::Windows().form6.widget, ui::Windows().form7.widget, ui::Windows().form8.widget,
        ui::Windows().form9.widget, ui::Windows().form10.widget, ui::Windows().form11.widget})
    if (dialog != nullptr) dialog->hide();
  Timer1->stop();
  ResetWaitDisplay();
  setEnabled(true);
  hide();
}

core::Task<> Form2::PageControl1Change() {
  co_await Pause();
  SetTabShown(kModifyFtp, false);
  SetTabShown(kFtpServer, true);
}

core::Task<> Form2::ShowPage(int index) {
  const net::ActionBound bound(core::kReadingActionBound);
  switch (index) {
    case kStatus:
      co_await TabSheet1Show();
      break;
    case kIpConfig:
      co_await TabSheet2Show();
      break;
    case kMaintenance:
      co_await TabSheet3Show();
      break;
    case kFileServer:
      co_await TabSheet4Show();
      break;
    case kFtpServer:
      co_await TabSheet5Show();
      break;
    case kModifyFtp:
      co_await TabSheet6Show();
      break;
    case kDiskUtility:
      co_await TabSheet7Show();
      break;
    default:
      break;
  }
}

core::Task<> Form2::RedisplayTab(int index) {
  return ShowPage(index);
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

void FrameControls::NameControls() {
  PageControl1->setObjectName("PageControl1");
  TabSheet1->setObjectName("TabSheet1");
  TabSheet2->setObjectName("TabSheet2");
  TabSheet3->setObjectName("TabSheet3");
  TabSheet4->setObjectName("TabSheet4");
  TabSheet5->setObjectName("TabSheet5");
  TabSheet6->setObjectName("TabSheet6");
  TabSheet7->setObjectName("TabSheet7");
}

// What the pages share on the console window: carrying out the device's
// rules, the tab row as the pages change it, and the folder lists.

core::Task<> Form2::Pause() const {
  auto pause = [ms = ConsolePauseMs] { net::Pause(ms); };
  co_await core::OffThread(pause);
}

void Form2::SetTabShown(int index, bool shown) {
  selecting_ = true;
  // A hidden page is out of reach by any means: the tab keys, its controls'
  // shortcuts, the accessibility actions.
  PageControl1->setTabVisible(index, shown);
  PageControl1->setTabEnabled(index, shown);
  selecting_ = false;
}

core::Task<> Form2::SelectPage(int index) {
  const int before = PageControl1->currentIndex();
  selecting_ = true;
  PageControl1->setCurrentIndex(index);
  selecting_ = false;
  if (PageControl1->currentIndex() != before && isVisible() && !quiet_pages_)
    co_await ShowPage(PageControl1->currentIndex());
}

core::Task<bool> Form2::Carry(device::Plan plan, std::function<core::Task<>()> reread) {
  if (const device::Refusal* refused = device::Refused(plan)) {
    co_await console::Tell(refused->message);
    co_return false;
  }
  co_return co_await Send(std::get<device::Command>(std::move(plan)), std::move(reread)) ==
      core::Submitted::Done;
}

core::Task<core::Submitted> Form2::Send(device::Command command,
                                        std::function<core::Task<>()> reread) {
  // A command too long to go out whole is not sent: the user is told which
  // value makes it so.
  if (!net::CommandClient::Fits(command.url)) {
    const std::string field = command.field != nullptr ? command.field : "Set";
    co_await console::Tell("This value is too long to be sent. Shorten it and try again.", field);
    co_return core::Submitted::NotSent;
  }
  co_return co_await core::SubmitCommand(CommandClient, *this, std::move(command),
                                         std::move(reread));
}

void Form2::FillList(QListWidget* list, std::vector<std::string>& kept,
                     const std::vector<std::string>& entries) {
  quiet_lists_ = true;
  list->clear();
  kept = entries;
  for (const std::string& entry : entries) list->addItem(ui::Q(entry));
  quiet_lists_ = false;
}

std::optional<std::string> Form2::Selected(const QListWidget* list,
                                           const std::vector<std::string>& kept) const {
  const auto items = list->selectedItems();
  if (items.isEmpty()) return std::nullopt;
  const int row = list->row(items.first());
  if (row < 0 || row >= static_cast<int>(kept.size())) return std::nullopt;
  return kept[static_cast<std::size_t>(row)];
}

void Form2::ClearSelections(std::initializer_list<QListWidget*> lists) {
  quiet_lists_ = true;
  for (QListWidget* list : lists) list->clearSelection();
  quiet_lists_ = false;
}

void Form2::Clicks(std::initializer_list<Click> clicks) {
  for (const Click& click : clicks) {
    if (click.action != nullptr)
      connect(click.button, &QAbstractButton::clicked, this,
              [this, action = click.action] { Act([this, action] { return (this->*action)(); }); });
    else
      connect(click.button, &QAbstractButton::clicked, this,
              ui::Guard([this, handler = click.handler] { (this->*handler)(); }));
  }
}

void Form2::ListClicks(QListWidget* list, void (Form2::*handler)()) {
  connect(list, &QListWidget::itemSelectionChanged, this, [this, handler] {
    if (!quiet_lists_) ui::Guard([this, handler] { (this->*handler)(); })();
  });
  // A click on the entry already selected counts too: it makes the buttons
  // usable again after a refusal.
  connect(list, &QListWidget::itemClicked, this,
          ui::Guard([this, handler] { (this->*handler)(); }));
}
