// The Disk Utility page: format, sleep time, and a disk scan followed by
// reading the device's page every 30 seconds.

#include <QGridLayout>
#include <QHBoxLayout>
#include <QScrollBar>
#include <QVBoxLayout>

#include "console/menuform.h"
#include "console/page_kit.h"
#include "core/session_state.h"
#include "core/status_page.h"
#include "desktop/services.h"
#include "device/disk.h"
#include "net/waiting.h"
#include "ui/ui.h"

int Form2::ScanPollCount = 0;

void Form2::BuildDiskUtilityPage() {
  DiskUtiilityGB = new QGroupBox(ui::Tr("Disk Tools"), TabSheet7);
  Label55 = new ui::Label(ui::Tr("Format Disk"), DiskUtiilityGB);
  DiskFormatBtn = new QPushButton(ui::Tr("Format"), DiskUtiilityGB);
  Label56 = new ui::Label(ui::Tr("Sleep Time"), DiskUtiilityGB);
  DiskSleepTimeEdit = new QLineEdit(DiskUtiilityGB);
  ui::SetTypingLimit(DiskSleepTimeEdit, 2);
  DiskSleepTimeEdit->setFixedWidth(48);
  Label57 = new ui::Label(ui::Tr("(min)"), DiskUtiilityGB);
  Label59 = new ui::Label(ui::Tr("(0 to disable, 5-60 to enable)"), DiskUtiilityGB);
  DiskSleepBtn = new QPushButton(ui::Tr("Set"), DiskUtiilityGB);
  ScanDiskGB = new QGroupBox(ui::Tr("Scan Disk"), TabSheet7);
  Label58 = new ui::Label(ui::Tr("Scan Disk"), ScanDiskGB);
  DiskScanBtn = new QPushButton(ui::Tr("Start"), ScanDiskGB);
  DiskScanMO = new QPlainTextEdit(ScanDiskGB);
  DiskScanMO->setReadOnly(true);
  DiskScanMO->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  DiskDelMsgBtn = new QPushButton(ui::Tr("Delete Error Messages"), ScanDiskGB);
  DiskRefBtn = new QPushButton(ui::Tr("Ignore Error Messages"), ScanDiskGB);

  auto* tools = new QGridLayout(DiskUtiilityGB);
  tools->addWidget(Label55, 0, 0);
  tools->addWidget(DiskFormatBtn, 0, 1, Qt::AlignLeft);
  tools->addWidget(Label56, 1, 0);
  auto* sleep = new QHBoxLayout;
  sleep->addWidget(DiskSleepTimeEdit);
  sleep->addWidget(Label57);
  sleep->addWidget(Label59);
  sleep->addStretch(1);
  sleep->addWidget(DiskSleepBtn);
  tools->addLayout(sleep, 1, 1);
  tools->setColumnStretch(1, 1);
  for (QPushButton* button : {DiskFormatBtn, DiskSleepBtn, DiskScanBtn})
    button->setMinimumWidth(90);

  auto* scan = new QGridLayout(ScanDiskGB);
  scan->addWidget(Label58, 0, 0);
  scan->addWidget(DiskScanBtn, 0, 1, Qt::AlignLeft);
  scan->addWidget(DiskScanMO, 1, 0, 1, 2);
  auto* messages = new QHBoxLayout;
  messages->addStretch(1);
  messages->addWidget(DiskDelMsgBtn);
  messages->addWidget(DiskRefBtn);
  scan->addLayout(messages, 2, 0, 1, 2);
  scan->setColumnStretch(1, 1);

  auto* page = new QVBoxLayout(TabSheet7);
  page->addWidget(DiskUtiilityGB);
  page->addWidget(ScanDiskGB, 1);

  connect(DiskFormatBtn, &QPushButton::clicked, this,
          [this] { Act([this] { return DiskFormatBtnClick(); }); });
  connect(DiskSleepBtn, &QPushButton::clicked, this,
          [this] { Act([this] { return DiskSleepBtnClick(); }); });
  connect(DiskScanBtn, &QPushButton::clicked, this,
          [this] { Act([this] { return DiskScanBtnClick(); }); });
  connect(DiskRefBtn, &QPushButton::clicked, this, ui::Guard([this] { DiskRefBtnClick(); }));
  connect(DiskDelMsgBtn, &QPushButton::clicked, this,
          [this] { Act([this] { return DiskDelMsgBtnClick(); }); });
  connect(Timer2, &QTimer::timeout, this, ui::Guard([this] { Timer2Timer(); }));
}

void Form2::FillScanMessages(const std::string& messages) {
  DiskScanMO->setPlainText(ui::Q(messages));
  // The latest messages are the ones in view.
  DiskScanMO->verticalScrollBar()->setValue(DiskScanMO->verticalScrollBar()->maximum());
}

core::Task<> Form2::TabSheet7Show() {
  const auto page = co_await core::FetchStatusPage();
  if (!page) co_return;  // the page stays as it was
  const device::DiskView view = device::ShowDisk(*page);
  DiskSleepTimeEdit->setText(ui::Q(view.sleep_minutes));
  DiskDelMsgBtn->setEnabled(view.clear_messages);
  FillScanMessages(view.scan_messages);
}

core::Task<> Form2::DiskFormatBtnClick() {
  const auto confirmed = co_await console::Confirmed(device::ConfirmFormat());
  if (confirmed) co_await Send(device::Format(core::Session().DeviceIp));
}

core::Task<> Form2::DiskSleepBtnClick() {
  co_await Carry(device::SetSleepTime(core::Session().DeviceIp, ui::S(DiskSleepTimeEdit->text())));
}

core::Task<> Form2::DiskScanBtnClick() {
  const auto confirmed = co_await console::Confirmed(device::ConfirmScan());
  if (!confirmed) co_return;
  // The scan's messages are followed only once the device has started it.
  const auto sent = co_await Send(device::StartScan(core::Session().DeviceIp));
  if (sent == core::Submitted::Done) Timer2->start();
}

void Form2::Timer2Timer() {
  // A tick that comes while an exchange with the device waits is left to
  // the next.
  if (Busy() || ui::DeviceInUse(core::Session().DeviceIp)) return;
  if (++ScanPollCount < kScanRefreshTicks) return;
  ScanPollCount = 0;
  Act([this] { return RefreshScanResult(); });
}

core::Task<> Form2::RefreshScanResult() {
  // Refreshes never overlap: the timer waits while the page is read.
  Timer2->stop();
  auto read_page = [session = core::Session(), get = desktop::services().read_page] {
    // Read again only while no reply came at all: a device that answers
    // (even with a refusal) has said what it will say.
    const net::ActionBound bound(core::kReadingActionBound);
    net::PageRead got;
    for (int fetch = 0;
         fetch < net::kPageReadAttempts && !net::ActionCancelled() && !net::ActionTimeUp();
         ++fetch) {
      got = core::ReadStatusPageOf(session, get);
      if (got.reply.Status > 0 || !got.reply.BodyText.empty()) break;
    }
    return got;
  };
  const net::PageRead read = co_await core::OffThread(read_page);
  // Without a page the messages shown stay, and the failure is said once.
  if (core::ReadFailed(read))
    co_await core::ShowConnectionFailure();
  else
    FillScanMessages(device::ScanMessagesOf(read.reply.BodyText));
  Timer2->start();
}

void Form2::DiskRefBtnClick() {
  Timer2->stop();
  ScanPollCount = 0;
}

core::Task<> Form2::DiskDelMsgBtnClick() {
  const auto confirmed = co_await console::Confirmed(device::ConfirmClearScanMessages());
  if (confirmed) co_await Send(device::ClearScanMessages(core::Session().DeviceIp));
}

void DiskUtilityControls::NameControls() {
  DiskUtiilityGB->setObjectName("DiskUtiilityGB");
  Label55->setObjectName("Label55");
  DiskFormatBtn->setObjectName("DiskFormatBtn");
  Label56->setObjectName("Label56");
  DiskSleepTimeEdit->setObjectName("DiskSleepTimeEdit");
  Label57->setObjectName("Label57");
  Label59->setObjectName("Label59");
  DiskSleepBtn->setObjectName("DiskSleepBtn");
  ScanDiskGB->setObjectName("ScanDiskGB");
  Label58->setObjectName("Label58");
  DiskScanBtn->setObjectName("DiskScanBtn");
  DiskScanMO->setObjectName("DiskScanMO");
  DiskDelMsgBtn->setObjectName("DiskDelMsgBtn");
  DiskRefBtn->setObjectName("DiskRefBtn");
}
