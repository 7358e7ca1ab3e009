// The Maintenance page: firmware upload, restart and factory reset, each
// ending in a fixed wait while the device restarts.

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "console/menuform.h"
#include "console/page_kit.h"
#include "core/await.h"
#include "core/command_submission.h"
#include "core/session_state.h"
#include "desktop/services.h"
#include "device/exchange.h"
#include "device/maintenance.h"
#include "i18n/translate.h"
#include "ui/ui.h"
#include "ui/window_refs.h"

using i18n::Translate;

void Form2::BuildMaintenancePage() {
  FirmUpGB = new QGroupBox(ui::Tr("Firmware Upload"), TabSheet3);
  Label28 = new ui::Label(ui::Tr("Upload Firmware"), FirmUpGB);
  FirmFileEdit = new QLineEdit(FirmUpGB);
  // Filled only by Browse, and read at full contrast.
  FirmFileEdit->setReadOnly(true);
  BrowseBtn = new QPushButton(ui::Tr("Browse..."), FirmUpGB);
  UploadBtn = new QPushButton(ui::Tr("Upload"), FirmUpGB);
  SysRebootGB = new QGroupBox(ui::Tr("System Reboot"), TabSheet3);
  Label29 = new ui::Label(SysRebootGB);
  RebootBtn = new QPushButton(ui::Tr("Reboot"), SysRebootGB);
  FactoryDefGB = new QGroupBox(ui::Tr("Factory Defaults"), TabSheet3);
  Label30 = new ui::Label(FactoryDefGB);
  ResetBtn = new QPushButton(ui::Tr("Reset"), FactoryDefGB);
  Label31 = new ui::Label(ui::Tr("Wait a minute..."), TabSheet3);
  Label32 = new ui::Label(ui::Tr("Maintenance Action Successful"), TabSheet3);
  ProgressBar1 = new QProgressBar(TabSheet3);
  ProgressBar1->setRange(0, kWaitMaximum);
  ProgressBar1->setTextVisible(false);
  Label29->setWordWrap(true);
  Label30->setWordWrap(true);

  Label29->setText(ui::Q(Translate("Select Reboot to perform a software restart.") + "\n\n" +
                         Translate("The SYS LED blinks as the device restarts and then remains on "
                                   "if the restart is successful.") +
                         "\n\n" + Translate("") + "\n\n" +
                         Translate("Wait a minute before logging into the device.")));
  Label30->setText(
      ui::Q(Translate("Select Reset to clear all configuration and restore default settings.") +
            "\n\n" + Translate("Please select \"Reboot\" after reset.")));

  auto* firmware = new QGridLayout(FirmUpGB);
  firmware->addWidget(Label28, 0, 0);
  firmware->addWidget(FirmFileEdit, 0, 1);
  firmware->addWidget(BrowseBtn, 0, 2);
  auto* upload = new QHBoxLayout;
  upload->addStretch(1);
  upload->addWidget(UploadBtn);
  firmware->addLayout(upload, 1, 0, 1, 3);
  firmware->setColumnStretch(1, 1);
  auto explained = [](QGroupBox* box, QLabel* text, QPushButton* button) {
    auto* row = new QHBoxLayout(box);
    row->addWidget(text, 1);
    button->setMinimumWidth(90);
    row->addWidget(button, 0, Qt::AlignBottom);
  };
  explained(SysRebootGB, Label29, RebootBtn);
  explained(FactoryDefGB, Label30, ResetBtn);
  for (QPushButton* button : {BrowseBtn, UploadBtn}) button->setMinimumWidth(90);

  auto* wait = new QHBoxLayout;
  wait->addWidget(Label31);
  wait->addWidget(Label32);
  wait->addWidget(ProgressBar1, 1);
  auto* page = new QVBoxLayout(TabSheet3);
  page->addWidget(FirmUpGB);
  page->addWidget(SysRebootGB);
  page->addWidget(FactoryDefGB);
  page->addLayout(wait);
  page->addStretch(1);
  ResetWaitDisplay();
  UploadBtn->setEnabled(false);

  Clicks({{BrowseBtn, &Form2::BrowseBtnClick},
          {UploadBtn, &Form2::UploadBtnClick},
          {RebootBtn, &Form2::RebootBtnClick},
          {ResetBtn, &Form2::ResetBtnClick}});
  connect(Timer1, &QTimer::timeout, this, ui::Guard([this] { Timer1Timer(); }));
}

void Form2::ResetWaitDisplay() {
  Label31->hide();
  Label32->hide();
  ProgressBar1->hide();
  ProgressBar1->setValue(0);
  Timer1->stop();
}

void Form2::StartWait(bool browse_too) {
  Label31->show();
  Timer1->start();
  ProgressBar1->setValue(0);
  ProgressBar1->show();
  for (QPushButton* button : {UploadBtn, RebootBtn, ResetBtn}) button->setEnabled(false);
  if (browse_too) BrowseBtn->setEnabled(false);
  setEnabled(false);
}

core::Task<> Form2::TabSheet3Show() {
  UploadBtn->setEnabled(!FirmFileEdit->text().isEmpty());
  ResetWaitDisplay();
  for (QPushButton* button : {BrowseBtn, RebootBtn, ResetBtn}) button->setEnabled(true);
  co_return;
}

core::Task<> Form2::BrowseBtnClick() {
  const auto path = co_await core::PickFile("bin file (*.bin)");
  if (path) FirmFileEdit->setText(ui::Q(*path));
  UploadBtn->setEnabled(!FirmFileEdit->text().isEmpty());
}

core::Task<> Form2::UploadBtnClick() {
  const auto confirmed = co_await console::Confirmed(device::ConfirmFlash());
  if (!confirmed) {
    ResetWaitDisplay();
    co_return;
  }
  Label31->show();
  for (QPushButton* button : {UploadBtn, RebootBtn, ResetBtn}) button->setEnabled(false);
  const std::string path = ui::S(FirmFileEdit->text());
  std::shared_ptr<net::THttpDataStream> body;
  std::exception_ptr unreadable;
  try {
    body = std::make_shared<net::THttpDataStream>(device::FirmwareForm(path));
  } catch (...) {
    unreadable = std::current_exception();
  }
  if (unreadable) {
    // A file that cannot be read ends the action with the file system's own
    // words; nothing has been sent, and the page is usable again.
    co_await TabSheet3Show();
    std::rethrow_exception(unreadable);
  }

  const std::string ip = core::Session().DeviceIp;
  UploadClient->UserName = core::Session().UserName;
  UploadClient->Password = core::Session().UserPassword;
  UploadClient->Referer = device::UploadReferer(ip);
  UploadClient->ContentType = body->ContentType();
  auto post = [client = UploadClient, body, url = device::UploadUrl(ip)]() -> std::exception_ptr {
    try {
      net::MemoryStream reply;
      client->Post(url, *body, reply);
    } catch (...) {
      return std::current_exception();
    }
    return nullptr;
  };
  const std::exception_ptr error = co_await core::OffThread(post);
  const device::UploadOutcome outcome = device::JudgeUpload(error).outcome;
  if (outcome == device::UploadOutcome::Answered) co_return;
  if (outcome != device::UploadOutcome::Accepted) {
    co_await console::Tell(device::UploadFailure(outcome, path));
    Label31->hide();
    Label32->hide();
    co_return;
  }
  // The device took the image and answered with its redirect.
  const auto restart_now = co_await console::Confirmed(device::ConfirmRestartAfterUpload());
  if (!restart_now) {
    co_await TabSheet3Show();  // not now: the page is usable again
    co_return;
  }
  // A restart the device did not take has no wait follow it.
  const auto restarted = co_await Send(device::Restart(ip));
  if (restarted != core::Submitted::Done) co_return co_await TabSheet3Show();
  Timer1->start();
  ProgressBar1->setValue(0);
  ProgressBar1->show();
  setEnabled(false);
}

core::Task<> Form2::RebootBtnClick() {
  const auto confirmed = co_await console::Confirmed(device::ConfirmReboot());
  if (!confirmed) {
    ResetWaitDisplay();
    co_return;
  }
  StartWait(true);
  const auto sent = co_await Send(device::Restart(core::Session().DeviceIp));
  if (sent != core::Submitted::Done) EndWait();
}

core::Task<> Form2::ResetBtnClick() {
  const auto confirmed = co_await console::Confirmed(device::ConfirmFactoryReset());
  if (!confirmed) {
    ResetWaitDisplay();
    co_return;
  }
  StartWait(true);
  // The reset, then the restart, each once the one before has returned;
  // the session takes the factory login when the reset device asks for it
  // (without a word of the first refusal).
  struct Reset {
    device::Session session;
    device::FactoryResetSubmissions sent;
  };
  auto reset_device = [client = CommandClient, session = core::Login()]() mutable {
    device::FactoryResetSubmissions sent = device::ResetToFactory(*client, session);
    return Reset{session, std::move(sent)};
  };
  const Reset reset = co_await core::OffThread(reset_device);
  core::SessionState& state = core::Session();
  state.UserName = reset.session.user();
  state.UserPassword = reset.session.password();
  const auto commands = device::FactoryReset(state.DeviceIp);
  const auto reset_acted =
      co_await core::ActOnSubmission(*this, commands.front(), reset.sent.reset);
  if (reset_acted != core::Submitted::Done || !reset.sent.restart) co_return EndWait();
  const auto restart_acted =
      co_await core::ActOnSubmission(*this, commands.back(), *reset.sent.restart);
  if (restart_acted != core::Submitted::Done) EndWait();
}

void Form2::EndWait() {
  // Nothing to wait for: the device did not restart.
  setEnabled(true);
  TabSheet3Show();
}

void Form2::Timer1Timer() {
  if (ProgressBar1->value() < kWaitMaximum) {
    ProgressBar1->setValue(ProgressBar1->value() + kWaitStep);
    return;
  }
  // The wait has run out: the device is found and logged into anew.
  Label31->hide();
  Label32->show();
  FirmFileEdit->clear();
  ProgressBar1->setValue(0);
  ProgressBar1->hide();
  for (QPushButton* button : {UploadBtn, RebootBtn, ResetBtn}) button->setEnabled(true);
  Timer1->stop();
  setEnabled(true);
  hide();
  if (ui::Windows().rescan) ui::Windows().rescan();
  if (QWidget* main = ui::Windows().form1.widget) {
    main->show();
    main->raise();
    main->activateWindow();
  }
}

void MaintenanceControls::NameControls() {
  FirmUpGB->setObjectName("FirmUpGB");
  Label28->setObjectName("Label28");
  FirmFileEdit->setObjectName("FirmFileEdit");
  BrowseBtn->setObjectName("BrowseBtn");
  UploadBtn->setObjectName("UploadBtn");
  SysRebootGB->setObjectName("SysRebootGB");
  Label29->setObjectName("Label29");
  RebootBtn->setObjectName("RebootBtn");
  FactoryDefGB->setObjectName("FactoryDefGB");
  Label30->setObjectName("Label30");
  ResetBtn->setObjectName("ResetBtn");
  Label31->setObjectName("Label31");
  Label32->setObjectName("Label32");
  ProgressBar1->setObjectName("ProgressBar1");
}
