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

// The page's groups, made in the order the Tab key then follows.

void BuildIdentification(StatusControls& c, QWidget* page) {
  c.IdenGB = new QGroupBox(ui::Tr("Identification"), page);
  c.Label1 = new ui::Label(ui::Tr("Host Name"), c.IdenGB);
  c.HostEdit = Edit(c.IdenGB, 15);
  c.Label2 = new ui::Label(ui::Tr("Group Name"), c.IdenGB);
  c.GroupEdit = Edit(c.IdenGB, 15);
  c.identBtn = new QPushButton(ui::Tr("Set"), c.IdenGB);
  console::Rows(c.IdenGB, {{c.Label1, c.HostEdit}, {c.Label2, c.GroupEdit}}, c.identBtn);
}

void BuildAdministration(StatusControls& c, QWidget* page) {
  c.AdminGB = new QGroupBox(ui::Tr("Administration"), page);
  c.Label3 = new ui::Label(ui::Tr("Administrator"), c.AdminGB);
  c.AdminEdit = Edit(c.AdminGB, 15);
  c.AdminEdit->setEnabled(false);
  c.Label4 = new ui::Label(ui::Tr("Password"), c.AdminGB);
  c.PassEdit = Edit(c.AdminGB, 12, true);
  c.Label5 = new ui::Label(ui::Tr("Verify Password"), c.AdminGB);
  c.VerifyEdit = Edit(c.AdminGB, 12, true);
  c.adminBtn = new QPushButton(ui::Tr("Set"), c.AdminGB);
  console::Rows(c.AdminGB,
                {{c.Label3, c.AdminEdit}, {c.Label4, c.PassEdit}, {c.Label5, c.VerifyEdit}},
                c.adminBtn);
}

// The date and time as six fields between their separators, each field by
// its own name (the separators say nothing).
QHBoxLayout* DateRow(StatusControls& c) {
  constexpr const char* kDateParts[] = {"Year", "Month", "Day", "Hour", "Minute", "Second"};
  QLineEdit* const parts[] = {c.YearEdit, c.MonthEdit,  c.DataEdit,
                              c.HourEdit, c.MinuteEdit, c.SecondEdit};
  constexpr const char* kAfter[] = {"/", "/", "", ":", ":", ""};
  auto* date = new QHBoxLayout;
  for (std::size_t i = 0; i < std::size(parts); ++i) {
    parts[i]->setFixedWidth(i == 0 ? 52 : 34);
    parts[i]->setAccessibleName(ui::Tr(kDateParts[i]));
    date->addWidget(parts[i]);
    if (*kAfter[i] != '\0') date->addWidget(new ui::Label(kAfter[i], c.DatatimeGB));
    if (i == 2) date->addSpacing(8);
  }
  date->addStretch(1);
  return date;
}

void BuildDateAndTime(StatusControls& c, QWidget* page) {
  QGroupBox* group = c.DatatimeGB = new QGroupBox(ui::Tr("Date and Time"), page);
  c.Label6 = new ui::Label(ui::Tr("Current Time"), group);
  c.CurrenttimeLB = new ui::Label(group);
  c.Label7 = new ui::Label(ui::Tr("Date and Time"), group);
  for (QLineEdit** edit :
       {&c.YearEdit, &c.MonthEdit, &c.DataEdit, &c.HourEdit, &c.MinuteEdit, &c.SecondEdit})
    *edit = Edit(group, edit == &c.YearEdit ? 4 : 2);
  c.Label13 = new ui::Label(ui::Tr("(yyyy/mm/dd - hh:mm:ss)"), group);
  c.Label14 = new ui::Label(ui::Tr("SNTP"), group);
  c.SntpPL = new QWidget(group);
  c.SntpAutoRB = new QRadioButton(ui::Tr("Auto"), c.SntpPL);
  c.SntpDisRB = new QRadioButton(ui::Tr("Disable"), c.SntpPL);
  c.Label15 = new ui::Label(ui::Tr("Time Server"), group);
  c.TimeSPL = new QWidget(group);
  c.TimeSSelRB = new QRadioButton(ui::Tr("Select Time Server"), c.TimeSPL);
  c.TimeSMakeRB = new QRadioButton(ui::Tr("Manually Set Time Server"), c.TimeSPL);
  c.TimeSSelCB = new QComboBox(group);
  for (const char* server : device::kTimeServers) c.TimeSSelCB->addItem(server);
  c.MantimeSEdit = Edit(group, 64);
  c.MantimeSEdit->hide();
  c.MantimeSEdit->setAccessibleName(c.TimeSMakeRB->text());
  c.Label15->setBuddy(c.TimeSSelCB);
  c.Label16 = new ui::Label(ui::Tr("Time Zone"), group);
  c.TimezoneCB = new QComboBox(group);
  for (const char* zone : device::kTimeZones) c.TimezoneCB->addItem(zone);
  c.DatatimeBtn = new QPushButton(ui::Tr("Set"), group);

  console::RadioPair(c.SntpPL, c.SntpAutoRB, c.SntpDisRB);
  console::RadioPair(c.TimeSPL, c.TimeSSelRB, c.TimeSMakeRB);
  auto* server = new QHBoxLayout;
  server->addWidget(c.TimeSSelCB, 1);
  server->addWidget(c.MantimeSEdit, 1);
  QGridLayout* time = console::Grid(group, {{c.Label6, 0, 0},
                                            {c.CurrenttimeLB, 0, 1},
                                            {c.Label7, 1, 0},
                                            {DateRow(c), 1, 1},
                                            {c.Label13, 2, 1},
                                            {c.Label14, 3, 0},
                                            {c.SntpPL, 3, 1},
                                            {c.Label15, 4, 0},
                                            {c.TimeSPL, 4, 1},
                                            {server, 5, 1},
                                            {c.Label16, 6, 0},
                                            {c.TimezoneCB, 6, 1},
                                            {console::ButtonRow(c.DatatimeBtn), 8, 0, 1, 2}});
  time->setRowStretch(7, 1);
  time->setColumnStretch(1, 1);
}

// Filled and complete, but never offered to the user.
void BuildNetworkInformation(StatusControls& c, QWidget* page) {
  c.NetinfoGB = new QGroupBox(ui::Tr("Network Information"), page);
  c.Label17 = new ui::Label(ui::Tr("IP Address"), c.NetinfoGB);
  c.IPAddressLB = new ui::Label(c.NetinfoGB);
  c.MACLabel = new ui::Label("MAC Address", c.NetinfoGB);
  c.MSCAddrLB = new ui::Label(c.NetinfoGB);
  c.Label18 = new ui::Label(ui::Tr("DHCP Server"), c.NetinfoGB);
  auto* dhcps = new QWidget(c.NetinfoGB);
  c.DhcpsERB = new QRadioButton(ui::Tr("Enable"), dhcps);
  c.DhcpsDRB = new QRadioButton(ui::Tr("Disable"), dhcps);
  c.NetinfoBtn = new QPushButton(ui::Tr("Set"), c.NetinfoGB);
  c.NetinfoGB->hide();
  console::RadioPair(dhcps, c.DhcpsERB, c.DhcpsDRB);
  console::Rows(c.NetinfoGB,
                {{c.Label17, c.IPAddressLB}, {c.MACLabel, c.MSCAddrLB}, {c.Label18, dhcps}},
                c.NetinfoBtn);
}

void BuildDiskInformation(StatusControls& c, QWidget* page) {
  QGroupBox* group = c.DiskinfoGB = new QGroupBox(ui::Tr("Disk Information"), page);
  c.Label19 = new ui::Label(ui::Tr("Disk ID"), group);
  c.DiskidLB = new ui::Label(group);
  c.DiskidLB->setWordWrap(true);
  c.Label20 = new ui::Label(ui::Tr("Firmware Version"), group);
  c.FirmverLB = new ui::Label(group);
  c.Label21 = new ui::Label(ui::Tr("Free Size"), group);
  c.FreesizeLB = new ui::Label(group);
  c.Label22 = new ui::Label(ui::Tr("Total Size"), group);
  c.TotalsizeLB = new ui::Label(group);
  c.Label60 = new ui::Label(ui::Tr("Language"), group);
  c.LangCB = new QComboBox(group);
  c.LangBtn = new QPushButton(ui::Tr("Set"), group);
  console::Grid(group, {{c.Label19, 0, 0, Qt::AlignTop},
                        {c.DiskidLB, 0, 1, 1, 2},
                        {c.Label20, 1, 0},
                        {c.FirmverLB, 1, 1, 1, 2},
                        {c.Label21, 2, 0},
                        {c.FreesizeLB, 2, 1, 1, 2},
                        {c.Label22, 3, 0},
                        {c.TotalsizeLB, 3, 1, 1, 2},
                        {c.Label60, 4, 0},
                        {c.LangCB, 4, 1},
                        {c.LangBtn, 4, 2}})
      ->setColumnStretch(1, 1);
}

}  // namespace

void Form2::BuildStatusPage() {
  StatusControls& controls = *this;
  BuildIdentification(controls, TabSheet1);
  BuildAdministration(controls, TabSheet1);
  BuildDateAndTime(controls, TabSheet1);
  BuildNetworkInformation(controls, TabSheet1);
  BuildDiskInformation(controls, TabSheet1);
  QGridLayout* page = console::Grid(
      TabSheet1,
      {{IdenGB, 0, 0}, {AdminGB, 1, 0}, {DatatimeGB, 0, 1, 2, 1}, {DiskinfoGB, 2, 0, 1, 2}});
  page->setColumnStretch(0, 2);
  page->setColumnStretch(1, 3);
  Clicks({{TimeSSelRB, &Form2::TimeSSelRBClick},
          {TimeSMakeRB, &Form2::TimeSMakeRBClick},
          {identBtn, &Form2::identBtnClick},
          {adminBtn, &Form2::adminBtnClick},
          {DatatimeBtn, &Form2::DatatimeBtnClick},
          {NetinfoBtn, &Form2::NetinfoBtnClick},
          {LangBtn, &Form2::LangBtnClick}});
}

core::Task<> Form2::TabSheet1Show() {
  AdminEdit->setText(ui::Q(core::Session().UserName));
  // A failed read leaves the page as it was.
  const auto page = co_await core::FetchStatusPage();
  if (!page) co_return;
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

core::Task<> Form2::identBtnClick() {
  const device::Entry host = ui::EntryOf(HostEdit), group = ui::EntryOf(GroupEdit);
  const device::Plan plan = device::SetIdentification(core::Session().DeviceIp, host, group);
  // Past the first checks the typed names are trimmed and written back.
  const device::Refusal* refused = device::Refused(plan);
  if (refused == nullptr || refused->field >= 0) {
    if (host.typed) HostEdit->setText(ui::Q(device::Trim(host.text)));
    if (group.typed && (refused == nullptr || refused->field > 0))
      GroupEdit->setText(ui::Q(device::Trim(group.text)));
  }
  co_await Carry(plan);
}

core::Task<> Form2::adminBtnClick() {
  const auto carried = co_await Carry(device::SetAdministratorPassword(
      core::Session().DeviceIp, ui::S(PassEdit->text()), ui::S(VerifyEdit->text())));
  if (!carried) {
    setEnabled(true);
    co_return;
  }
  // The user logs in again with the new password; answering the login
  // dialog enables the console again.
  setEnabled(false);
  if (ui::Windows().open_login) ui::Windows().open_login(true, true);
}

core::Task<> Form2::DatatimeBtnClick() {
  const device::DateTime when{ui::EntryOf(YearEdit),   ui::EntryOf(MonthEdit),
                              ui::EntryOf(DataEdit),   ui::EntryOf(HourEdit),
                              ui::EntryOf(MinuteEdit), ui::EntryOf(SecondEdit)};
  // The manual button decides: with neither selected (a first read that
  // failed), the server comes from the list.
  // (Worked out before the co_await: GCC 12 destroys a conditional's
  // temporary inside one twice.)
  const std::string server =
      TimeSSelCB->currentIndex() >= 0 ? ui::S(TimeSSelCB->currentText()) : "";
  co_await Carry(device::SetDateAndTime(core::Session().DeviceIp, when, SntpAutoRB->isChecked(),
                                        !TimeSMakeRB->isChecked(), server,
                                        ui::EntryOf(MantimeSEdit), TimezoneCB->currentIndex()));
}

core::Task<> Form2::NetinfoBtnClick() {
  co_await Send(device::SetDhcpServer(core::Session().DeviceIp, DhcpsERB->isChecked()),
                [this] { return TabSheet1Show(); });
}

core::Task<> Form2::LangBtnClick() {
  co_await Send(device::SetLanguage(core::Session().DeviceIp, LangCB->currentIndex()));
  co_await console::Tell(device::LanguageSetNote());
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
