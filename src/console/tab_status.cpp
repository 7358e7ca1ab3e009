// The Status page: identification, administrator password, date and time,
// network information (hidden), disk information and language.

#include <QGridLayout>
#include <QHBoxLayout>

#include "console/menuform.h"
#include "console/page_kit.h"
#include "core/session_state.h"
#include "core/status_page.h"
#include "desktop/services.h"
#include "device/status.h"
#include "device/text.h"
#include "i18n/translate.h"
#include "ui/ui.h"
#include "ui/window_refs.h"

using desktop::MsgButtons;
using desktop::MsgIcon;
using i18n::Translate;

namespace {

QLineEdit* Edit(QWidget* parent, int max_length, bool password = false) {
  auto* edit = new QLineEdit(parent);
  ui::SetTypingLimit(edit, max_length);
  if (password) edit->setEchoMode(QLineEdit::Password);
  return edit;
}

}  // namespace

void Form2::BuildStatusPage() {
  const QString set = ui::Tr("Set");
  IdenGB = new QGroupBox(ui::Tr("Identification"), TabSheet1);
  Label1 = new ui::Label(ui::Tr("Host Name"), IdenGB);
  HostEdit = Edit(IdenGB, 15);
  Label2 = new ui::Label(ui::Tr("Group Name"), IdenGB);
  GroupEdit = Edit(IdenGB, 15);
  identBtn = new QPushButton(set, IdenGB);

  AdminGB = new QGroupBox(ui::Tr("Administration"), TabSheet1);
  Label3 = new ui::Label(ui::Tr("Administrator"), AdminGB);
  AdminEdit = Edit(AdminGB, 15);
  AdminEdit->setEnabled(false);
  Label4 = new ui::Label(ui::Tr("Password"), AdminGB);
  PassEdit = Edit(AdminGB, 12, true);
  Label5 = new ui::Label(ui::Tr("Verify Password"), AdminGB);
  VerifyEdit = Edit(AdminGB, 12, true);
  adminBtn = new QPushButton(set, AdminGB);

  DatatimeGB = new QGroupBox(ui::Tr("Date and Time"), TabSheet1);
  Label6 = new ui::Label(ui::Tr("Current Time"), DatatimeGB);
  CurrenttimeLB = new ui::Label(DatatimeGB);
  Label7 = new ui::Label(ui::Tr("Date and Time"), DatatimeGB);
  YearEdit = Edit(DatatimeGB, 4);
  MonthEdit = Edit(DatatimeGB, 2);
  DataEdit = Edit(DatatimeGB, 2);
  HourEdit = Edit(DatatimeGB, 2);
  MinuteEdit = Edit(DatatimeGB, 2);
  SecondEdit = Edit(DatatimeGB, 2);
  Label13 = new ui::Label(ui::Tr("(yyyy/mm/dd - hh:mm:ss)"), DatatimeGB);
  Label14 = new ui::Label(ui::Tr("SNTP"), DatatimeGB);
  SntpPL = new QWidget(DatatimeGB);
  SntpAutoRB = new QRadioButton(ui::Tr("Auto"), SntpPL);
  SntpDisRB = new QRadioButton(ui::Tr("Disable"), SntpPL);
  Label15 = new ui::Label(ui::Tr("Time Server"), DatatimeGB);
  TimeSPL = new QWidget(DatatimeGB);
  TimeSSelRB = new QRadioButton(ui::Tr("Select Time Server"), TimeSPL);
  TimeSMakeRB = new QRadioButton(ui::Tr("Manually Set Time Server"), TimeSPL);
  TimeSSelCB = new QComboBox(DatatimeGB);
  for (const char* server : device::kTimeServers) TimeSSelCB->addItem(server);
  MantimeSEdit = Edit(DatatimeGB, 64);
  MantimeSEdit->hide();
  MantimeSEdit->setAccessibleName(TimeSMakeRB->text());
  Label15->setBuddy(TimeSSelCB);
  Label16 = new ui::Label(ui::Tr("Time Zone"), DatatimeGB);
  TimezoneCB = new QComboBox(DatatimeGB);
  for (const char* zone : device::kTimeZones) TimezoneCB->addItem(zone);
  DatatimeBtn = new QPushButton(set, DatatimeGB);

  NetinfoGB = new QGroupBox(ui::Tr("Network Information"), TabSheet1);
  Label17 = new ui::Label(ui::Tr("IP Address"), NetinfoGB);
  IPAddressLB = new ui::Label(NetinfoGB);
  MACLabel = new ui::Label("MAC Address", NetinfoGB);
  MSCAddrLB = new ui::Label(NetinfoGB);
  Label18 = new ui::Label(ui::Tr("DHCP Server"), NetinfoGB);
  auto* dhcps = new QWidget(NetinfoGB);
  DhcpsERB = new QRadioButton(ui::Tr("Enable"), dhcps);
  DhcpsDRB = new QRadioButton(ui::Tr("Disable"), dhcps);
  NetinfoBtn = new QPushButton(set, NetinfoGB);
  // Filled and complete, but never offered to the user.
  NetinfoGB->hide();

  DiskinfoGB = new QGroupBox(ui::Tr("Disk Information"), TabSheet1);
  Label19 = new ui::Label(ui::Tr("Disk ID"), DiskinfoGB);
  DiskidLB = new ui::Label(DiskinfoGB);
  DiskidLB->setWordWrap(true);
  Label20 = new ui::Label(ui::Tr("Firmware Version"), DiskinfoGB);
  FirmverLB = new ui::Label(DiskinfoGB);
  Label21 = new ui::Label(ui::Tr("Free Size"), DiskinfoGB);
  FreesizeLB = new ui::Label(DiskinfoGB);
  Label22 = new ui::Label(ui::Tr("Total Size"), DiskinfoGB);
  TotalsizeLB = new ui::Label(DiskinfoGB);
  Label60 = new ui::Label(ui::Tr("Language"), DiskinfoGB);
  LangCB = new QComboBox(DiskinfoGB);
  LangBtn = new QPushButton(set, DiskinfoGB);

  // Layout.
  auto button_row = [](QPushButton* button) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    button->setMinimumWidth(80);
    row->addWidget(button);
    return row;
  };
  console::RadioPair(SntpPL, SntpAutoRB, SntpDisRB);
  console::RadioPair(TimeSPL, TimeSSelRB, TimeSMakeRB);
  console::RadioPair(dhcps, DhcpsERB, DhcpsDRB);

  auto* iden = new QGridLayout(IdenGB);
  iden->addWidget(Label1, 0, 0);
  iden->addWidget(HostEdit, 0, 1);
  iden->addWidget(Label2, 1, 0);
  iden->addWidget(GroupEdit, 1, 1);
  iden->addLayout(button_row(identBtn), 2, 0, 1, 2);

  auto* admin = new QGridLayout(AdminGB);
  admin->addWidget(Label3, 0, 0);
  admin->addWidget(AdminEdit, 0, 1);
  admin->addWidget(Label4, 1, 0);
  admin->addWidget(PassEdit, 1, 1);
  admin->addWidget(Label5, 2, 0);
  admin->addWidget(VerifyEdit, 2, 1);
  admin->addLayout(button_row(adminBtn), 3, 0, 1, 2);

  auto* date = new QHBoxLayout;
  auto separator = [this](const char* text) { return new ui::Label(text, DatatimeGB); };
  for (QLineEdit* edit : {YearEdit, MonthEdit, DataEdit, HourEdit, MinuteEdit, SecondEdit})
    edit->setFixedWidth(edit == YearEdit ? 52 : 34);
  // Each part of the date by its own name: the separators say nothing.
  constexpr const char* kDateParts[] = {"Year", "Month", "Day", "Hour", "Minute", "Second"};
  QLineEdit* const parts[] = {YearEdit, MonthEdit, DataEdit, HourEdit, MinuteEdit, SecondEdit};
  for (std::size_t i = 0; i < std::size(parts); ++i)
    parts[i]->setAccessibleName(ui::Tr(kDateParts[i]));
  date->addWidget(YearEdit);
  date->addWidget(separator("/"));
  date->addWidget(MonthEdit);
  date->addWidget(separator("/"));
  date->addWidget(DataEdit);
  date->addSpacing(8);
  date->addWidget(HourEdit);
  date->addWidget(separator(":"));
  date->addWidget(MinuteEdit);
  date->addWidget(separator(":"));
  date->addWidget(SecondEdit);
  date->addStretch(1);
  auto* server = new QHBoxLayout;
  server->addWidget(TimeSSelCB, 1);
  server->addWidget(MantimeSEdit, 1);
  auto* time = new QGridLayout(DatatimeGB);
  time->addWidget(Label6, 0, 0);
  time->addWidget(CurrenttimeLB, 0, 1);
  time->addWidget(Label7, 1, 0);
  time->addLayout(date, 1, 1);
  time->addWidget(Label13, 2, 1);
  time->addWidget(Label14, 3, 0);
  time->addWidget(SntpPL, 3, 1);
  time->addWidget(Label15, 4, 0);
  time->addWidget(TimeSPL, 4, 1);
  time->addLayout(server, 5, 1);
  time->addWidget(Label16, 6, 0);
  time->addWidget(TimezoneCB, 6, 1);
  time->setRowStretch(7, 1);
  time->addLayout(button_row(DatatimeBtn), 8, 0, 1, 2);
  time->setColumnStretch(1, 1);

  auto* net = new QGridLayout(NetinfoGB);
  net->addWidget(Label17, 0, 0);
  net->addWidget(IPAddressLB, 0, 1);
  net->addWidget(MACLabel, 1, 0);
  net->addWidget(MSCAddrLB, 1, 1);
  net->addWidget(Label18, 2, 0);
  net->addWidget(dhcps, 2, 1);
  net->addLayout(button_row(NetinfoBtn), 3, 0, 1, 2);

  auto* disk = new QGridLayout(DiskinfoGB);
  disk->addWidget(Label19, 0, 0, Qt::AlignTop);
  disk->addWidget(DiskidLB, 0, 1, 1, 2);
  disk->addWidget(Label20, 1, 0);
  disk->addWidget(FirmverLB, 1, 1, 1, 2);
  disk->addWidget(Label21, 2, 0);
  disk->addWidget(FreesizeLB, 2, 1, 1, 2);
  disk->addWidget(Label22, 3, 0);
  disk->addWidget(TotalsizeLB, 3, 1, 1, 2);
  disk->addWidget(Label60, 4, 0);
  disk->addWidget(LangCB, 4, 1);
  disk->addWidget(LangBtn, 4, 2);
  disk->setColumnStretch(1, 1);

  auto* page = new QGridLayout(TabSheet1);
  page->addWidget(IdenGB, 0, 0);
  page->addWidget(AdminGB, 1, 0);
  page->addWidget(DatatimeGB, 0, 1, 2, 1);
  page->addWidget(DiskinfoGB, 2, 0, 1, 2);
  page->setColumnStretch(0, 2);
  page->setColumnStretch(1, 3);

  connect(TimeSSelRB, &QRadioButton::clicked, this, ui::Guard([this] { TimeSSelRBClick(); }));
  connect(TimeSMakeRB, &QRadioButton::clicked, this, ui::Guard([this] { TimeSMakeRBClick(); }));
  connect(identBtn, &QPushButton::clicked, this, ui::Guard([this] { identBtnClick(); }));
  connect(adminBtn, &QPushButton::clicked, this, ui::Guard([this] { adminBtnClick(); }));
  connect(DatatimeBtn, &QPushButton::clicked, this, ui::Guard([this] { DatatimeBtnClick(); }));
  connect(NetinfoBtn, &QPushButton::clicked, this, ui::Guard([this] { NetinfoBtnClick(); }));
  connect(LangBtn, &QPushButton::clicked, this, ui::Guard([this] { LangBtnClick(); }));
}

void Form2::TabSheet1Show() {
  AdminEdit->setText(ui::Q(core::Session().UserName));
  // A failed read leaves the page as it was.
  const auto page = core::FetchStatusPage();
  if (!page) return;
  const device::StatusView view = device::ShowStatus(*page);
  ui::ShowDeviceValue(HostEdit, view.host);
  ui::ShowDeviceValue(GroupEdit, view.group);
  CurrenttimeLB->setText(ui::Q(view.current_time));
  for (auto [edit, text] : {std::pair{YearEdit, &view.year},
                            {MonthEdit, &view.month},
                            {DataEdit, &view.day},
                            {HourEdit, &view.hour},
                            {MinuteEdit, &view.minute},
                            {SecondEdit, &view.second}})
    ui::ShowDeviceValue(edit, *text);
  (view.sntp_auto ? SntpAutoRB : SntpDisRB)->setChecked(true);
  (view.server_from_list ? TimeSSelRB : TimeSMakeRB)->setChecked(true);
  TimeSSelCB->setCurrentIndex(view.listed_server);
  TimeSSelCB->setVisible(view.server_from_list);
  MantimeSEdit->setVisible(!view.server_from_list);
  if (!view.server_from_list) ui::ShowDeviceValue(MantimeSEdit, view.manual_server);
  // The page shows what it read up to a value that is not a number; the
  // rest keeps its contents.
  if (view.reached > device::StatusView::kTime) {
    TimezoneCB->setCurrentIndex(view.zone.value_or(-1));
    IPAddressLB->setText(ui::Q(view.ip));
    (view.dhcp_server ? DhcpsERB : DhcpsDRB)->setChecked(true);
    MSCAddrLB->setText(ui::Q(view.mac));
    FirmverLB->setText(ui::Q(view.firmware));
    DiskidLB->setText(ui::Q(view.disk_id));
    FreesizeLB->setText(ui::Q(view.free_size));
    TotalsizeLB->setText(ui::Q(view.total_size));
  }
  if (view.reached == device::StatusView::kAll) {
    LangCB->clear();
    QStringList languages;
    for (const std::string& entry : view.languages) languages << ui::Q(entry);
    LangCB->addItems(languages);
    LangCB->setCurrentIndex(view.language.value_or(-1));
  }
  if (!view.failure.empty()) ui::ReportError(device::ConversionError(view.failure));
}

void Form2::TimeSSelRBClick() {
  TimeSSelCB->show();
  MantimeSEdit->hide();
  MantimeSEdit->setAccessibleName(TimeSMakeRB->text());
  Label15->setBuddy(TimeSSelCB);
}

void Form2::TimeSMakeRBClick() {
  TimeSSelCB->hide();
  MantimeSEdit->show();
}

void Form2::identBtnClick() {
  const device::Entry host = ui::EntryOf(HostEdit), group = ui::EntryOf(GroupEdit);
  const device::Plan plan = device::SetIdentification(core::Session().DeviceIp, host, group);
  // Past the first checks the typed names are trimmed and written back.
  const device::Refusal* refused = device::Refused(plan);
  if (refused == nullptr || refused->field >= 0) {
    if (host.typed) HostEdit->setText(ui::Q(device::Trim(host.text)));
    if (group.typed && (refused == nullptr || refused->field > 0))
      GroupEdit->setText(ui::Q(device::Trim(group.text)));
  }
  Carry(plan);
}

void Form2::adminBtnClick() {
  if (!Carry(device::SetAdministratorPassword(core::Session().DeviceIp, ui::S(PassEdit->text()),
                                              ui::S(VerifyEdit->text())))) {
    setEnabled(true);
    return;
  }
  // The user logs in again with the new password; answering the login
  // dialog enables the console again.
  setEnabled(false);
  if (ui::Windows().open_login) ui::Windows().open_login(true, true);
}

void Form2::DatatimeBtnClick() {
  const device::DateTime when{ui::EntryOf(YearEdit),   ui::EntryOf(MonthEdit),
                              ui::EntryOf(DataEdit),   ui::EntryOf(HourEdit),
                              ui::EntryOf(MinuteEdit), ui::EntryOf(SecondEdit)};
  // The manual button decides: with neither selected (a first read that
  // failed), the server comes from the list.
  Carry(device::SetDateAndTime(
      core::Session().DeviceIp, when, SntpAutoRB->isChecked(), !TimeSMakeRB->isChecked(),
      TimeSSelCB->currentIndex() >= 0 ? ui::S(TimeSSelCB->currentText()) : "",
      ui::EntryOf(MantimeSEdit), TimezoneCB->currentIndex()));
}

void Form2::NetinfoBtnClick() {
  Send(device::SetDhcpServer(core::Session().DeviceIp, DhcpsERB->isChecked()),
       [this] { TabSheet1Show(); });
}

void Form2::LangBtnClick() {
  Send(device::SetLanguage(core::Session().DeviceIp, LangCB->currentIndex()));
  console::Tell(device::LanguageSetNote());
}

void StatusControls::NameControls() {
  IdenGB->setObjectName("IdenGB");
  Label1->setObjectName("Label1");
  HostEdit->setObjectName("HostEdit");
  Label2->setObjectName("Label2");
  GroupEdit->setObjectName("GroupEdit");
  identBtn->setObjectName("identBtn");
  AdminGB->setObjectName("AdminGB");
  Label3->setObjectName("Label3");
  AdminEdit->setObjectName("AdminEdit");
  Label4->setObjectName("Label4");
  PassEdit->setObjectName("PassEdit");
  Label5->setObjectName("Label5");
  VerifyEdit->setObjectName("VerifyEdit");
  adminBtn->setObjectName("adminBtn");
  DatatimeGB->setObjectName("DatatimeGB");
  Label6->setObjectName("Label6");
  CurrenttimeLB->setObjectName("CurrenttimeLB");
  Label7->setObjectName("Label7");
  YearEdit->setObjectName("YearEdit");
  MonthEdit->setObjectName("MonthEdit");
  DataEdit->setObjectName("DataEdit");
  HourEdit->setObjectName("HourEdit");
  MinuteEdit->setObjectName("MinuteEdit");
  SecondEdit->setObjectName("SecondEdit");
  Label13->setObjectName("Label13");
  Label14->setObjectName("Label14");
  SntpPL->setObjectName("SntpPL");
  SntpAutoRB->setObjectName("SntpAutoRB");
  SntpDisRB->setObjectName("SntpDisRB");
  Label15->setObjectName("Label15");
  TimeSPL->setObjectName("TimeSPL");
  TimeSSelRB->setObjectName("TimeSSelRB");
  TimeSMakeRB->setObjectName("TimeSMakeRB");
  TimeSSelCB->setObjectName("TimeSSelCB");
  MantimeSEdit->setObjectName("MantimeSEdit");
  Label16->setObjectName("Label16");
  TimezoneCB->setObjectName("TimezoneCB");
  DatatimeBtn->setObjectName("DatatimeBtn");
  NetinfoGB->setObjectName("NetinfoGB");
  Label17->setObjectName("Label17");
  IPAddressLB->setObjectName("IPAddressLB");
  MACLabel->setObjectName("MACLabel");
  MSCAddrLB->setObjectName("MSCAddrLB");
  Label18->setObjectName("Label18");
  DhcpsERB->setObjectName("DhcpsERB");
  DhcpsDRB->setObjectName("DhcpsDRB");
  NetinfoBtn->setObjectName("NetinfoBtn");
  DiskinfoGB->setObjectName("DiskinfoGB");
  Label19->setObjectName("Label19");
  DiskidLB->setObjectName("DiskidLB");
  Label20->setObjectName("Label20");
  FirmverLB->setObjectName("FirmverLB");
  Label21->setObjectName("Label21");
  FreesizeLB->setObjectName("FreesizeLB");
  Label22->setObjectName("Label22");
  TotalsizeLB->setObjectName("TotalsizeLB");
  Label60->setObjectName("Label60");
  LangCB->setObjectName("LangCB");
  LangBtn->setObjectName("LangBtn");
}
