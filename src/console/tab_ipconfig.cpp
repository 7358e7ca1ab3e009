// The IP Config page: an automatic address or a fixed one with mask,
// gateway and name servers.

#include <QGridLayout>
#include <QHBoxLayout>

#include "console/menuform.h"
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

void Form2::BuildIpConfigPage() {
  IPinforGB = new QGroupBox(TabSheet2);
  IPOption = new ui::Label(IPinforGB);
  AutoIPRB = new QRadioButton(IPinforGB);
  StaticIPRB = new QRadioButton(IPinforGB);
  Label23 = new ui::Label(IPinforGB);
  IPAddressEdit = new QLineEdit(IPinforGB);
  Label24 = new ui::Label(IPinforGB);
  SubMaskEdit = new QLineEdit(IPinforGB);
  Label25 = new ui::Label(IPinforGB);
  GatewayEdit = new QLineEdit(IPinforGB);
  Label26 = new ui::Label(IPinforGB);
  PrimaryDnsEdit = new QLineEdit(IPinforGB);
  Label27 = new ui::Label(IPinforGB);
  SecondDnsEdit = new QLineEdit(IPinforGB);
  IPinforBtn = new QPushButton(IPinforGB);
  for (QLineEdit* edit : {IPAddressEdit, SubMaskEdit, GatewayEdit, PrimaryDnsEdit})
    ui::SetTypingLimit(edit, 15);

  IPinforGB->setTitle(ui::Tr("IP Information"));
  IPOption->setText(ui::Tr("IP Option"));
  Label23->setText(ui::Tr("IP Address"));
  Label24->setText(ui::Tr("Subnet Mask"));
  Label25->setText(ui::Tr("Gateway"));
  Label26->setText(ui::Tr("Primary DNS"));
  Label27->setText(ui::Tr("Secondary DNS"));
  AutoIPRB->setText(ui::Tr("Automatic IP"));
  StaticIPRB->setText(ui::Tr("Static IP as below"));
  IPinforBtn->setText(ui::Tr("Set"));

  auto* grid = new QGridLayout(IPinforGB);
  grid->addWidget(IPOption, 0, 0);
  grid->addWidget(AutoIPRB, 0, 1);
  grid->addWidget(StaticIPRB, 1, 1);
  int row = 2;
  for (auto [label, edit] : {std::pair{Label23, IPAddressEdit}, std::pair{Label24, SubMaskEdit},
                             std::pair{Label25, GatewayEdit}, std::pair{Label26, PrimaryDnsEdit},
                             std::pair{Label27, SecondDnsEdit}}) {
    grid->addWidget(label, row, 0);
    edit->setFixedWidth(170);
    grid->addWidget(edit, row++, 1);
  }
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  IPinforBtn->setMinimumWidth(80);
  buttons->addWidget(IPinforBtn);
  grid->addLayout(buttons, row, 0, 1, 3);
  grid->setColumnStretch(2, 1);
  grid->setColumnMinimumWidth(0, 120);

  auto* page = new QVBoxLayout(TabSheet2);
  page->addWidget(IPinforGB);
  page->addStretch(1);

  connect(AutoIPRB, &QRadioButton::clicked, this, ui::Guard([this] { AutoIPRBClick(); }));
  connect(StaticIPRB, &QRadioButton::clicked, this, ui::Guard([this] { StaticIPRBClick(); }));
  connect(IPinforBtn, &QPushButton::clicked, this, ui::Guard([this] { IPinforBtnClick(); }));
}

void Form2::SetAddressFieldsEnabled(bool enabled) {
  for (QLineEdit* edit : {IPAddressEdit, SubMaskEdit, GatewayEdit, PrimaryDnsEdit, SecondDnsEdit})
    edit->setEnabled(enabled);
}

void Form2::TabSheet2Show() {
  // A device that has just changed its address may report it empty for a
  // moment: read again, a few times at most.
  for (int read = 0; read < kAddressReads; ++read) {
    // A failed read leaves the page as it was and ends the reading.
    const auto fetched = core::FetchStatusPage();
    if (!fetched) return;
    const std::string& page = *fetched;
    (net::PageValue(page, "ip_type=\"") == "DHCP CLIENT" ? AutoIPRB : StaticIPRB)->setChecked(true);
    SetAddressFieldsEnabled(!AutoIPRB->isChecked());
    IPAddressEdit->setText(ui::Q(net::PageValue(page, "ip=\"")));
    SubMaskEdit->setText(ui::Q(net::PageValue(page, "submask=\"")));
    GatewayEdit->setText(ui::Q(net::PageValue(page, "gateway=\"")));
    PrimaryDnsEdit->setText(ui::Q(net::PageValue(page, "pdns=\"")));
    SecondDnsEdit->setText(ui::Q(net::PageValue(page, "sdns=\"")));
    if (!IPAddressEdit->text().isEmpty()) break;
  }
}

void Form2::AutoIPRBClick() {
  SetAddressFieldsEnabled(false);
}

void Form2::StaticIPRBClick() {
  SetAddressFieldsEnabled(true);
}

void Form2::IPinforBtnClick() {
  std::string url = "http://" + core::Session().DeviceIp;
  if (AutoIPRB->isChecked()) {
    url += "/dhcpc.cgi?redirect=if_cfg.htm&failure=fail.htm&type=dhcpc_apply&ifname=";
  } else {
    // A fixed address that is not an address would leave the device
    // unreachable: refuse it before anything is sent. Gateway and name
    // servers may be left empty.
    struct Field {
      QLineEdit* edit;
      const char* label_key;
      bool may_be_empty;
    };
    for (const Field& field :
         {Field{IPAddressEdit, "IP Address", false}, Field{SubMaskEdit, "Subnet Mask", false},
          Field{GatewayEdit, "Gateway", true}, Field{PrimaryDnsEdit, "Primary DNS", true},
          Field{SecondDnsEdit, "Secondary DNS", true}}) {
      const std::string text = ui::S(field.edit->text());
      if ((text.empty() && field.may_be_empty) || core::IsDottedAddress(text)) continue;
      platform::services().message_boxes->Show(
          Translate(field.label_key) + ": \"" + text + "\" " +
              Translate("is not an address. Enter four numbers from 0 to 255 separated by dots."),
          Translate("IP Information"), MsgIcon::Information, MsgButtons::Ok);
      field.edit->setFocus();
      return;
    }
    auto typed = [](QLineEdit* edit) { return net::EscapeQueryText(ui::S(edit->text())); };
    url += "/if.cgi?redirect=if_cfg.htm&failure=fail.htm&type=wan_fixip_apply&ip=" +
           typed(IPAddressEdit) + "&submask=" + typed(SubMaskEdit) +
           "&gateway=" + typed(GatewayEdit) + "&pdns=" + typed(PrimaryDnsEdit) +
           "&sdns=" + typed(SecondDnsEdit);
  }
  IPinforBtn->setEnabled(false);
  const int result = SubmitWithRetries(url, "if_cgi.htm", {}, "IP Address");
  IPinforBtn->setEnabled(true);
  if (result == core::kCommandNotSent) return;  // nothing changed

  const std::string& address = core::Session().DeviceIp;
  setWindowTitle(ui::Q(Translate("Manage Drive") + " " + address));
  const ui::WindowSet& windows = ui::Windows();
  if (!windows.check_subnet || windows.check_subnet(address)) return;
  platform::services().message_boxes->Show(Translate("Subnets differ, Connection failed"),
                                           Translate("Rescan"), MsgIcon::Information,
                                           MsgButtons::Ok);
  close();
  if (windows.rescan) windows.rescan();
  if (windows.form4) windows.form4->close();
}
