#include "mainwindow/mainform.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/await.h"
#include "core/configuration.h"
#include "core/session_state.h"
#include "core/subnet.h"
#include "device/drives.h"
#include "i18n/translate.h"
#include "net/version.h"
#include "ui/ui.h"
#include "ui/window_refs.h"

using desktop::MsgButtons;
using desktop::MsgIcon;
using i18n::Translate;

Form1::Form1()
    : ProgressBar1(new QProgressBar(this)),
      HDListView(new ui::ReportListView(this)),
      ScanBtn(new QPushButton(this)),
      ManageBtn(new QPushButton(this)),
      CountBtn(new QPushButton(this)),
      RadioButtonConnect(new QRadioButton(this)),
      RadioButtonManage(new QRadioButton(this)),
      Timer1(new QTimer(this)),
      actions_(this, [this](bool busy) {
        // While drives are followed, the window starts nothing else; the
        // list goes on filling.
        for (QPushButton* button : {ScanBtn, ManageBtn, CountBtn}) button->setEnabled(!busy);
      }) {
  // Loading the window opens the discovery socket; from here on replies are
  // received whatever the scan state.
  IdUDPServer1 = desktop::services().make_datagram_transport();
  IdUDPServer1->Open(net::kDiscoveryPort,
                     [this](const net::Datagram& datagram) { IdUDPServer1UDPRead(datagram); });

  ProgressBar1->setRange(0, kScanMaximum);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setFixedHeight(8);
  RadioButtonConnect->hide();
  RadioButtonManage->hide();
  Timer1->setInterval(1000);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton* button : {ScanBtn, ManageBtn, CountBtn}) {
    button->setMinimumWidth(110);
    buttons->addWidget(button);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ProgressBar1);
  layout->addWidget(HDListView, 1);
  layout->addLayout(buttons);

  connect(ScanBtn, &QPushButton::clicked, this, ui::Guard([this] { ScanBtnClick(); }));
  connect(ManageBtn, &QPushButton::clicked, this,
          [this] { actions_.Run([this] { return ManageBtnClick(); }); });
  connect(CountBtn, &QPushButton::clicked, this,
          [this] { actions_.Run([this] { return CountBtnClick(); }); });
  connect(HDListView, &QTableWidget::itemClicked, this, ui::Guard([this] { HDListViewClick(); }));
  connect(RadioButtonConnect, &QRadioButton::clicked, this,
          ui::Guard([this] { RadioButtonConnectClick(); }));
  connect(RadioButtonManage, &QRadioButton::clicked, this,
          ui::Guard([this] { RadioButtonManageClick(); }));
  connect(Timer1, &QTimer::timeout, this, ui::Guard([this] { Timer1Timer(); }));

  i18n::SetTranslationSwitch(1);
  Timer1->stop();
  setWindowTitle(ui::Q(Translate("Brevane - Version ") + net::kVersion));
  HDListView->SetColumns({Translate("IP Address"), Translate("Device Name"),
                          Translate("Group Name"), Translate("Firmware Version")},
                         {130, 170, 150, 150});
  ScanBtn->setText(ui::Q(Translate("Rescan")));
  ManageBtn->setText(ui::Q(Translate("Manage Drive")));
  CountBtn->setText(ui::Q(Translate("Connect")));
  RadioButtonManage->setText(ui::Q(Translate("Manage Drive")));
  RadioButtonConnect->setText(ui::Q(Translate("Connect")));
  RadioButtonManage->setChecked(false);
  RadioButtonConnect->setChecked(true);

  setFixedSize(640, 400);
  setWindowFlag(Qt::WindowMaximizeButtonHint, false);  // a fixed size has nothing to maximise
  ui::WindowSet& windows = ui::Windows();
  windows.form1 = {this, this};
  windows.rescan = [this] { ScanBtnClick(); };
  windows.check_subnet = [this](const std::string& address) { return CheckSubNet(address); };
}

Form1::~Form1() {
  ui::WindowSet& windows = ui::Windows();
  if (windows.form1.form != this) return;
  windows.form1 = {};
  windows.rescan = nullptr;
  windows.check_subnet = nullptr;
}

void Form1::FormCreate() {
  ui::Guard([this] { ScanBtnClick(); })();
}

void Form1::FormClose() {
  desktop::services().process->Exit(0);
}

void Form1::closeEvent(QCloseEvent* event) {
  event->accept();
  FormClose();
}

void Form1::ScanBtnClick() {
  // One request per scan; a failed send ends the handler before the list,
  // the timer or the progress is touched.
  IdUDPServer1->SendBroadcast(net::kDiscoveryPort, net::BuildDiscoveryRequest());
  HDListView->Clear();
  Devices.Clear();
  Timer1->start();
  ProgressBar1->setValue(0);
}

void Form1::StopBtnClick() {
  Timer1->stop();
  ProgressBar1->setValue(0);
}

void Form1::Timer1Timer() {
  ProgressBar1->setValue(std::min(ProgressBar1->value() + kScanStep, ProgressBar1->maximum()));
  if (ProgressBar1->value() == ProgressBar1->maximum()) {
    Timer1->stop();
    actions_.Run([this] { return ScanCompleted(); });
  }
}

core::Task<> Form1::ScanCompleted() {
  co_await FollowDrives();
  co_await core::Ask(Translate("Search Completed!"), "information", MsgIcon::Information,
                     MsgButtons::Ok);
}

core::Task<> Form1::FollowDrives() {
  auto& services = desktop::services();
  auto follow = [drives = services.drives, adapters = services.adapters,
                 found = Devices.Devices()] {
    return device::FollowDevices(desktop::DrivesOfDevices(drives->ListDrives()), found,
                                 desktop::OwnNetworks(*adapters));
  };
  const device::Following following = co_await core::OffThread(follow);
  // A move the person declined is not offered again in this run, and none
  // goes near a device another window is working with meanwhile (it is
  // offered after a later scan).
  std::vector<device::DriveMove> offered;
  for (const auto& move : following.moves)
    if (!declined_.count(move.from + " " + move.to) && !ui::DeviceInUse(move.from) &&
        !ui::DeviceInUse(move.to))
      offered.push_back(move);
  auto probe = [offered, still_answers = services.still_answers] {
    return device::FromSilentAddresses(offered, still_answers);
  };
  offered = co_await core::OffThread(probe);
  const std::string title = Translate("Connect");
  // Nothing goes to a new address, the drive's password least of all,
  // before the person's yes.
  if (!offered.empty()) {
    const desktop::MsgResult answer = co_await core::Ask(
        device::AskToMove(offered), title, MsgIcon::Question, MsgButtons::YesNoDefaultNo);
    if (answer == desktop::MsgResult::Ok)
      co_await MoveDrives(offered);
    else
      for (const auto& move : offered) declined_.insert(move.from + " " + move.to);
  }
  // A drive whose device cannot be told from another is said once a run.
  std::vector<device::DriveOfDevice> ambiguous;
  for (const auto& d : following.ambiguous)
    if (ambiguity_said_.insert(d.drive + d.device_name + "/" + d.group_name).second)
      ambiguous.push_back(d);
  if (!ambiguous.empty())
    co_await core::Ask(device::SayAmbiguous(ambiguous), title, MsgIcon::Warning, MsgButtons::Ok);
}

core::Task<> Form1::MoveDrives(std::vector<device::DriveMove> moves) {
  using Failed = std::vector<std::pair<device::DriveMove, int>>;
  auto move_all = [moves, drives = desktop::services().drives] {
    std::pair<std::vector<device::DriveMove>, Failed> done;
    for (const auto& move : moves) {
      // The box named each drive's new address: the person said yes to it.
      const device::Trusted to =
          device::Trusted::Confirmed({move.to, move.device_name, move.group_name});
      if (const int result = drives->MoveDrive(move.drive, to); result == 0)
        done.first.push_back(move);
      else
        done.second.push_back({move, result});
    }
    return done;
  };
  const auto [moved, failed] = co_await core::OffThread(move_all);
  const std::string title = Translate("Connect");
  if (!moved.empty())
    co_await core::Ask(device::SayMoved(moved), title, MsgIcon::Information, MsgButtons::Ok);
  if (!failed.empty())
    co_await core::Ask(device::SayNotMoved(failed), title, MsgIcon::Warning, MsgButtons::Ok);
}

void Form1::IdUDPServer1UDPRead(const net::Datagram& datagram) {
  const auto record = net::ParseDiscoveryReply(datagram.bytes, datagram.sender_ip);
  if (!record || !Devices.Add(*record)) return;  // the first reply from an address wins
  HDListView->AddRow({record->Ip, record->DeviceName, record->GroupName, record->FirmwareVersion});
}

void Form1::RadioButtonConnectClick() {
  RadioButtonConnect->setChecked(true);
  RadioButtonManage->setChecked(false);
}

void Form1::RadioButtonManageClick() {
  RadioButtonManage->setChecked(true);
  RadioButtonConnect->setChecked(false);
}

bool Form1::CheckSubNet(const std::string& device_ip) const {
  // Any of the workstation's networks will do; with none readable there is
  // nothing to warn about.
  const auto adapters = desktop::services().adapters->Adapters();
  if (adapters.empty()) return true;
  for (const desktop::Adapter& a : adapters)
    if (core::SameSubnet(device_ip, a.ip, a.mask)) return true;
  return false;
}

core::Task<bool> Form1::HandOffSelectedDevice() {
  const int row = HDListView->SelectedRow();
  if (row < 0) {
    co_await core::Ask(Translate("Please Select Remote Device!"), Translate("Rescan"),
                       MsgIcon::Information, MsgButtons::Ok);
    co_return false;
  }
  const std::string ip = HDListView->Text(row, 0);
  const std::string name = HDListView->Text(row, 1), group = HDListView->Text(row, 2);
  // Only a warning: the device may still be reachable through a router.
  if (!CheckSubNet(ip))
    co_await core::Ask(Translate("Subnets differ, Connection failed"), Translate("Rescan"),
                       MsgIcon::Information, MsgButtons::Ok);
  StopBtnClick();
  // A console open on a device acts on that device alone: it closes
  // before another device is handed on.
  if (ui::Windows().close_console) ui::Windows().close_console();
  core::Session().DeviceIp = ip;
  core::Session().DeviceName = name;
  core::Session().GroupName = group;
  co_return true;
}

core::Task<> Form1::ManageBtnClick() {
  const auto handed_off = co_await HandOffSelectedDevice();
  if (!handed_off) co_return;
  if (core::Config().management) {
    // The login dialog offers the console; it keeps this window in view.
    if (ui::Windows().open_login) ui::Windows().open_login(true, false);
    co_return;
  }
  const std::string url = "http://" + core::Session().DeviceIp;
  // Without a program for web pages the user is told where to go by hand.
  if (!desktop::services().url_opener->Open(url))
    co_await core::Ask(
        Translate("No program could open the device's web pages. Open this address in a web "
                  "browser:") +
            "\n" + url,
        Translate("Manage Drive"), MsgIcon::Information, MsgButtons::Ok);
}

core::Task<> Form1::CountBtnClick() {
  const auto handed_off = co_await HandOffSelectedDevice();
  if (!handed_off) co_return;
  // The drive dialog hides this window while it is open.
  // Showing it puts the focus on its Connect button; it keeps it there.
  if (QWidget* drives = ui::Windows().form5.widget) {
    drives->show();
    drives->activateWindow();
  }
}
