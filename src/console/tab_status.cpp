// The Status page: identification, administrator password, date and time,
// network information (hidden), disk information and language.

#include <QGridLayout>
#include <QHBoxLayout>

#include "console/menuform.h"
#include "console/page_kit.h"
#include "core/session_state.h"
#include "core/status_page.h"
#include "core/text.h"
#include "i18n/translate.h"
#include "net/page_values.h"
#include "net/url.h"
#include "platform/platform.h"
#include "ui/ui.h"
#include "ui/windows.h"

using i18n::Translate;
using platform::MsgButtons;
using platform::MsgIcon;

const char* const Form2::kTimeServers[5] = {"pool.ntp.org", "europe.pool.ntp.org",
                                            "north-america.pool.ntp.org", "asia.pool.ntp.org",
                                            "oceania.pool.ntp.org"};

const char* const Form2::kTimeZones[25] = {
    "(GMT-12:00)Eniwetok, Kwajalein",
    "(GMT-11:00)Midway Island, Samoa",
    "(GMT-10:00)Hawaii",
    "(GMT-09:00)Alaska",
    "(GMT-08:00)Pacific Time; Tijuana",
    "(GMT-07:00)Arizona, Mountain Time",
    "(GMT-06:00)Central Time, Tegucigalpa",
    "(GMT-05:00)Bogota, Lima,Eastern Time",
    "(GMT-04:00)Atlantic Time, Caracas, Santiago",
    "(GMT-03:00)Brasilia, Buenos Aires, Georgetown",
    "(GMT-02:00)Mid_Atlantic",
    "(GMT-01:00)Azores, Cape Verde Is.",
    "(GMT)Eniwetok, Kwajalein",
    "(GMT+01:00)Amsterdam,Vienna,Paris,Rom",
    "(GMT+02:00)Athens, Cario, Harare, Jerusalem",
    "(GMT+03:00)Kuwait, Moscow, Tehran",
    "(GMT+04:00)Abuphabi, Baku",
    "(GMT+05:00)Ekaterinburg, Karachi, Islamabad",
    "(GMT+06:00)Astana, Colombo, Dhaka",
    "(GMT+07:00)Bangkok, Hanoi, Jakarka",
    "(GMT+08:00)Beijing, Hong Kong, Singapore, Taipei",
    "(GMT+09:00)Tokyo, Dsaka, Sapporo",
    "(GMT+10:00)Brisbane, Canberra,Syndey, Hobart",
    "(GMT+11:00)Magadan, Solomooon Is.",
    "(GMT+12:00)Auckland, Fiji, Kamchatka",
};

namespace {

constexpr char kIdentification[] = "Identification";

QLineEdit* Edit(QWidget* parent, int max_length, bool password = false) {
  auto* edit = new QLineEdit(parent);
  ui::SetTypingLimit(edit, max_length);
  if (password) edit->setEchoMode(QLineEdit::Password);
  return edit;
}

// The first character of a UTF-8 text that is not an ASCII letter or digit,
// "-", "_" or "="; empty when there is none.
std::string FirstForbidden(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' ||
        c == '_' || c == '=')
      continue;
    std::size_t end = i + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    return text.substr(i, end - i);
  }
  return {};
}

bool StartsWithDigit(const QString& text) {
  return !text.isEmpty() && text[0] >= QChar('0') && text[0] <= QChar('9');
}

}  // namespace

void Form2::BuildStatusPage() {
  IdenGB = new QGroupBox(TabSheet1);
  Label1 = new ui::Label(IdenGB);
  HostEdit = Edit(IdenGB, 15);
  Label2 = new ui::Label(IdenGB);
  GroupEdit = Edit(IdenGB, 15);
  identBtn = new QPushButton(IdenGB);

  AdminGB = new QGroupBox(TabSheet1);
  Label3 = new ui::Label(AdminGB);
  AdminEdit = Edit(AdminGB, 15);
  AdminEdit->setEnabled(false);
  Label4 = new ui::Label(AdminGB);
  PassEdit = Edit(AdminGB, 12, true);
  Label5 = new ui::Label(AdminGB);
  VerifyEdit = Edit(AdminGB, 12, true);
  adminBtn = new QPushButton(AdminGB);

  DatatimeGB = new QGroupBox(TabSheet1);
  Label6 = new ui::Label(DatatimeGB);
  CurrenttimeLB = new ui::Label(DatatimeGB);
  Label7 = new ui::Label(DatatimeGB);
  YearEdit = Edit(DatatimeGB, 4);
  MonthEdit = Edit(DatatimeGB, 2);
  DataEdit = Edit(DatatimeGB, 2);
  HourEdit = Edit(DatatimeGB, 2);
  MinuteEdit = Edit(DatatimeGB, 2);
  SecondEdit = Edit(DatatimeGB, 2);
  Label13 = new ui::Label(DatatimeGB);
  Label14 = new ui::Label(DatatimeGB);
  SntpPL = new QWidget(DatatimeGB);
  SntpAutoRB = new QRadioButton(SntpPL);
  SntpDisRB = new QRadioButton(SntpPL);
  Label15 = new ui::Label(DatatimeGB);
  TimeSPL = new QWidget(DatatimeGB);
  TimeSSelRB = new QRadioButton(TimeSPL);
  TimeSMakeRB = new QRadioButton(TimeSPL);
  TimeSSelCB = new QComboBox(DatatimeGB);
  for (const char* server : kTimeServers) TimeSSelCB->addItem(server);
  MantimeSEdit = Edit(DatatimeGB, 64);
  MantimeSEdit->hide();
  Label16 = new ui::Label(DatatimeGB);
  TimezoneCB = new QComboBox(DatatimeGB);
  for (const char* zone : kTimeZones) TimezoneCB->addItem(zone);
  DatatimeBtn = new QPushButton(DatatimeGB);

  NetinfoGB = new QGroupBox(TabSheet1);
  Label17 = new ui::Label(NetinfoGB);
  IPAddressLB = new ui::Label(NetinfoGB);
  MACLabel = new ui::Label("MAC Address", NetinfoGB);
  MSCAddrLB = new ui::Label(NetinfoGB);
  Label18 = new ui::Label(NetinfoGB);
  auto* dhcps = new QWidget(NetinfoGB);
  DhcpsERB = new QRadioButton(dhcps);
  DhcpsDRB = new QRadioButton(dhcps);
  NetinfoBtn = new QPushButton(NetinfoGB);
  // Filled and complete, but never offered to the user.
  NetinfoGB->hide();

  DiskinfoGB = new QGroupBox(TabSheet1);
  Label19 = new ui::Label(DiskinfoGB);
  DiskidLB = new ui::Label(DiskinfoGB);
  DiskidLB->setWordWrap(true);
  Label20 = new ui::Label(DiskinfoGB);
  FirmverLB = new ui::Label(DiskinfoGB);
  Label21 = new ui::Label(DiskinfoGB);
  FreesizeLB = new ui::Label(DiskinfoGB);
  Label22 = new ui::Label(DiskinfoGB);
  TotalsizeLB = new ui::Label(DiskinfoGB);
  Label60 = new ui::Label(DiskinfoGB);
  LangCB = new QComboBox(DiskinfoGB);
  LangBtn = new QPushButton(DiskinfoGB);

  // Captions.
  const QString set = ui::Tr("Set");
  IdenGB->setTitle(ui::Tr("Identification"));
  Label1->setText(ui::Tr("Host Name"));
  Label2->setText(ui::Tr("Group Name"));
  identBtn->setText(set);
  AdminGB->setTitle(ui::Tr("Administration"));
  Label3->setText(ui::Tr("Administrator"));
  Label4->setText(ui::Tr("Password"));
  Label5->setText(ui::Tr("Verify Password"));
  adminBtn->setText(set);
  DatatimeGB->setTitle(ui::Tr("Date and Time"));
  Label6->setText(ui::Tr("Current Time"));
  Label7->setText(ui::Tr("Date and Time"));
  Label14->setText(ui::Tr("SNTP"));
  Label15->setText(ui::Tr("Time Server"));
  Label16->setText(ui::Tr("Time Zone"));
  Label13->setText(ui::Tr("(yyyy/mm/dd - hh:mm:ss)"));
  SntpAutoRB->setText(ui::Tr("Auto"));
  SntpDisRB->setText(ui::Tr("Disable"));
  TimeSSelRB->setText(ui::Tr("Select Time Server"));
  TimeSMakeRB->setText(ui::Tr("Manually Set Time Server"));
  DatatimeBtn->setText(set);
  NetinfoGB->setTitle(ui::Tr("Network Information"));
  Label17->setText(ui::Tr("IP Address"));
  Label18->setText(ui::Tr("DHCP Server"));
  DhcpsERB->setText(ui::Tr("Enable"));
  DhcpsDRB->setText(ui::Tr("Disable"));
  NetinfoBtn->setText(set);
  DiskinfoGB->setTitle(ui::Tr("Disk Information"));
  Label19->setText(ui::Tr("Disk ID"));
  Label20->setText(ui::Tr("Firmware Version"));
  Label21->setText(ui::Tr("Free Size"));
  Label22->setText(ui::Tr("Total Size"));
  Label60->setText(ui::Tr("Language"));
  LangBtn->setText(set);

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
  const auto read = core::FetchStatusPage();
  if (!read) return;
  const std::string& page = *read;
  auto value = [&page](const char* key) { return net::PageValue(page, key); };
  try {
    HostEdit->setText(ui::Q(value("host_name=\"")));
    GroupEdit->setText(ui::Q(value("group_name=\"")));
    CurrenttimeLB->setText(ui::Q(value("sntp_time=\"")));
    YearEdit->setText(ui::Q(value("sntp_day0=\"")));
    MonthEdit->setText(ui::Q(value("sntp_day1=\"")));
    DataEdit->setText(ui::Q(value("sntp_day2=\"")));
    HourEdit->setText(ui::Q(value("sntp_time0=\"")));
    MinuteEdit->setText(ui::Q(value("sntp_time1=\"")));
    SecondEdit->setText(ui::Q(value("sntp_time2=\"")));
    (value("sntp_auto=\"") == net::kOnMarker ? SntpAutoRB : SntpDisRB)->setChecked(true);
    (value("sntp_timeserver=\"") == "0" ? TimeSSelRB : TimeSMakeRB)->setChecked(true);

    const std::string server = value("sntp_server=\"");
    int listed = 0;
    for (int i = 4; i >= 0; --i)
      if (server == kTimeServers[i]) listed = i;
    TimeSSelCB->setCurrentIndex(listed);
    TimeSSelCB->setVisible(TimeSSelRB->isChecked());
    MantimeSEdit->setVisible(!TimeSSelRB->isChecked());
    if (!TimeSSelRB->isChecked()) MantimeSEdit->setText(ui::Q(server));

    const std::string zone = value("sntp_zone=\"");
    const long long zone_index = zone.empty() ? 0 : core::ToInteger(zone) + 12LL;
    TimezoneCB->setCurrentIndex(zone_index >= 0 && zone_index < 25 ? static_cast<int>(zone_index)
                                                                   : -1);

    IPAddressLB->setText(ui::Q(value("ip_addr=\"")));
    (value("dhcps_option=\"") == net::kOnMarker ? DhcpsERB : DhcpsDRB)->setChecked(true);
    MSCAddrLB->setText(ui::Q(value("mac_addr=\"")));
    FirmverLB->setText(ui::Q(value("firm_ver=\"")));
    DiskidLB->setText(ui::Q(" " + net::RemoveLineBreakTags(value("disk_id=\""))));
    FreesizeLB->setText(ui::Q(core::Trim(value("free_size=\""))));
    TotalsizeLB->setText(ui::Q(value("total_size=\"")));

    const std::string language = value("default_lang=\"");
    const int language_index = language.empty() ? 0 : core::ToInteger(language);
    LangCB->clear();
    QStringList languages;
    for (const std::string& entry : net::HashListEntries(value("lang_list=\"")))
      languages << ui::Q(entry);
    LangCB->addItems(languages);
    LangCB->setCurrentIndex(language_index >= 0 && language_index < LangCB->count() ? language_index
                                                                                    : -1);
  } catch (const core::ConversionError& error) {
    // The page shows what it read so far; the rest keeps its contents.
    ui::ReportError(error);
  }
}

void Form2::TimeSSelRBClick() {
  TimeSSelCB->show();
  MantimeSEdit->hide();
}

void Form2::TimeSMakeRBClick() {
  TimeSSelCB->hide();
  MantimeSEdit->show();
}

void Form2::identBtnClick() {
  if (HostEdit->text().isEmpty() || GroupEdit->text().isEmpty()) {
    console::Tell("Value is empty", kIdentification, MsgIcon::Error);
    return;
  }
  if (StartsWithDigit(HostEdit->text()) || StartsWithDigit(GroupEdit->text())) {
    console::Tell("First character cannot be a number (0~9)", kIdentification,
                  MsgIcon::Information);
    return;
  }
  // Each name is trimmed and written back, then checked character by
  // character; one of blanks only is empty once trimmed.
  auto checked = [](QLineEdit* edit, const char* label_key, std::string& name) {
    name = core::Trim(ui::S(edit->text()));
    edit->setText(ui::Q(name));
    if (name.empty()) {
      console::Tell("Value is empty", kIdentification, MsgIcon::Error);
      return false;
    }
    const std::string forbidden = FirstForbidden(name);
    if (forbidden.empty()) return true;
    platform::services().message_boxes->Show(
        Translate("Invalid value ") + forbidden + Translate(label_key) + " " + name,
        Translate(kIdentification), MsgIcon::Information, MsgButtons::Ok);
    return false;
  };
  std::string host, group;
  if (!checked(HostEdit, "Host Name", host) || !checked(GroupEdit, "Group Name", group)) return;
  Submit("http://" + core::Session().DeviceIp +
             "/nas.cgi?redirect=id.htm&failure=fail.htm&type=cifs_config_apply&enable=1&hostname=" +
             host + "&group_name=" + group,
         "id.htm", host.size() >= group.size() ? "Host Name" : "Group Name");
}

void Form2::adminBtnClick() {
  const std::string password = ui::S(PassEdit->text());
  const std::string repeated = ui::S(VerifyEdit->text());
  if (password.empty() || repeated.empty()) {
    console::Tell("Password cannot be empty!", "Administration", MsgIcon::Information);
    setEnabled(true);
    return;
  }
  if (password != repeated) {
    console::Tell("New password entries do not match!", "Administration", MsgIcon::Information);
    setEnabled(true);
    return;
  }
  Submit("http://" + core::Session().DeviceIp +
             "/man.cgi?redirect=sys_auth.htm&failure=fail.htm&type=auth_apply&TF_password=" +
             net::EncodeUrlValue(password) + "&TF_passwordl=" + net::EncodeUrlValue(repeated),
         "sys_auth.htm", "Password");
  // The user logs in again with the new password; answering the login
  // dialog enables the console again.
  setEnabled(false);
  if (ui::Windows().open_login) ui::Windows().open_login(true, true);
}

void Form2::DatatimeBtnClick() {
  const std::string mode = SntpAutoRB->isChecked() ? "ENABLE" : "DISABLE";
  const std::string source = TimeSSelRB->isChecked() ? "0" : "1";
  if (TimeSMakeRB->isChecked() && MantimeSEdit->text().isEmpty()) {
    console::Tell("Time server is empty", "Date and Time", MsgIcon::Information);
    return;
  }
  const std::string listed =
      TimeSSelCB->currentIndex() >= 0 ? ui::S(TimeSSelCB->currentText()) : "";
  const int zone = TimezoneCB->currentIndex() - 12;
  // Typed values go as typed, but nothing typed may reshape the query.
  auto typed = [](QLineEdit* edit) { return net::EscapeQueryText(ui::S(edit->text())); };
  Submit("http://" + core::Session().DeviceIp +
             "/man.cgi?redirect=sys_sntp.htm&failure=fail.htm&type=sntp_apply&sntp_time=&day0=" +
             typed(YearEdit) + "&day1=" + typed(MonthEdit) + "&day2=" + typed(DataEdit) +
             "&time0=" + typed(HourEdit) + "&time1=" + typed(MinuteEdit) +
             "&time2=" + typed(SecondEdit) + "&R_sntp=" + mode + "&R_sntp_server=" + source +
             "&Sntp_ip=" + net::EscapeQueryText(listed) + "&sntp_input=" + typed(MantimeSEdit) +
             "&sntp_timezone=" + std::to_string(zone),
         "sys_sntp.htm", TimeSMakeRB->isChecked() ? "Time Server" : "Date and Time");
}

void Form2::NetinfoBtnClick() {
  const std::string state = DhcpsERB->isChecked() ? "ENABLE" : "DISABLE";
  SubmitWithRetries(
      "http://" + core::Session().DeviceIp +
          "/dhcps.cgi?redirect=status.htm&failure=fail.htm&type=dhcps_apply&R_dhcps=" + state +
          "&TF_wins=&TF_ippoolmin=2&TF_ippoolmax=254&TF_lease_day=1&TF_lease_hr=0"
          "&TF_lease_min=0",
      "status.htm", [this] { TabSheet1Show(); });
}

void Form2::LangBtnClick() {
  SubmitWithRetries("http://" + core::Session().DeviceIp +
                        "/nas.cgi?redirect=status.htm&failure=fail.htm&type=nas_lang_apply&lang=" +
                        std::to_string(LangCB->currentIndex()),
                    "status.htm");
  platform::services().message_boxes->Show(Translate("Please restart system to apply changes!"),
                                           Translate("Language"), MsgIcon::Question,
                                           MsgButtons::Ok);
}
