// The IP Config page: an automatic address or a fixed one with mask,
// gateway and name servers.

#include <QGridLayout>
#include <QHBoxLayout>

#include "console/menuform.h"
#include "console/page_kit.h"
#include "core/session_state.h"
#include "core/status_page.h"
#include "desktop/services.h"
#include "device/ip_config.h"
#include "i18n/translate.h"
#include "ui/ui.h"
#include "ui/window_refs.h"

using i18n::Translate;

void Form2::BuildIpConfigPage() {
  IPinforGB = new QGroupBox(ui::Tr("IP Information"), TabSheet2);
  IPOption = new ui::Label(ui::Tr("IP Option"), IPinforGB);
  AutoIPRB = new QRadioButton(ui::Tr("Automatic IP"), IPinforGB);
  StaticIPRB = new QRadioButton(ui::Tr("Static IP as below"), IPinforGB);
  Label23 = new ui::Label(ui::Tr("IP Address"), IPinforGB);
  IPAddressEdit = new QLineEdit(IPinforGB);
  Label24 = new ui::Label(ui::Tr("Subnet Mask"), IPinforGB);
  SubMaskEdit = new QLineEdit(IPinforGB);
  Label25 = new ui::Label(ui::Tr("Gateway"), IPinforGB);
  GatewayEdit = new QLineEdit(IPinforGB);
  Label26 = new ui::Label(ui::Tr("Primary DNS"), IPinforGB);
  PrimaryDnsEdit = new QLineEdit(IPinforGB);
  Label27 = new ui::Label(ui::Tr("Secondary DNS"), IPinforGB);
  SecondDnsEdit = new QLineEdit(IPinforGB);
  IPinforBtn = new QPushButton(ui::Tr("Set"), IPinforGB);
  for (QLineEdit* edit : {IPAddressEdit, SubMaskEdit, GatewayEdit, PrimaryDnsEdit})
    ui::SetTypingLimit(edit, 15);

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
  connect(IPinforBtn, &QPushButton::clicked, this,
          [this] { Act([this] { return IPinforBtnClick(); }); });
}

void Form2::SetAddressFieldsEnabled(bool enabled) {
  for (QLineEdit* edit : {IPAddressEdit, SubMaskEdit, GatewayEdit, PrimaryDnsEdit, SecondDnsEdit})
    edit->setEnabled(enabled);
}

core::Task<> Form2::TabSheet2Show() {
  // A device that has just changed its address may report it empty for a
  // moment: read again, a few times at most.
  for (int read = 0; read < kAddressReads; ++read) {
    // A failed read leaves the page as it was and ends the reading.
    const auto page = co_await core::FetchStatusPage();
    if (!page) co_return;
    const device::AddressSettings shown = device::ShowIpConfig(*page);
    (shown.automatic ? AutoIPRB : StaticIPRB)->setChecked(true);
    SetAddressFieldsEnabled(!shown.automatic);
    IPAddressEdit->setText(ui::Q(shown.ip));
    SubMaskEdit->setText(ui::Q(shown.mask));
    GatewayEdit->setText(ui::Q(shown.gateway));
    PrimaryDnsEdit->setText(ui::Q(shown.primary_dns));
    SecondDnsEdit->setText(ui::Q(shown.secondary_dns));
    if (!IPAddressEdit->text().isEmpty()) break;
  }
}

void Form2::AutoIPRBClick() {
  SetAddressFieldsEnabled(false);
}

void Form2::StaticIPRBClick() {
  SetAddressFieldsEnabled(true);
}

core::Task<> Form2::IPinforBtnClick() {
  QLineEdit* const fields[] = {IPAddressEdit, SubMaskEdit, GatewayEdit, PrimaryDnsEdit,
                               SecondDnsEdit};
  const device::Plan plan = device::SetAddress(
      core::Session().DeviceIp,
      {AutoIPRB->isChecked(), ui::S(IPAddressEdit->text()), ui::S(SubMaskEdit->text()),
       ui::S(GatewayEdit->text()), ui::S(PrimaryDnsEdit->text()), ui::S(SecondDnsEdit->text())});
  if (const device::Refusal* refused = device::Refused(plan)) {
    co_await console::Tell(refused->message);
    fields[refused->field]->setFocus();
    co_return;
  }
  IPinforBtn->setEnabled(false);
  const bool done = co_await Carry(plan);
  IPinforBtn->setEnabled(true);
  if (!done) co_return;  // nothing changed

  const std::string& address = core::Session().DeviceIp;
  setWindowTitle(ui::Q(Translate("Manage Drive") + " " + address));
  const ui::WindowSet& windows = ui::Windows();
  if (!windows.check_subnet || windows.check_subnet(address)) co_return;
  co_await console::Tell("Subnets differ, Connection failed", "Rescan");
  close();
  if (windows.rescan) windows.rescan();
  if (windows.form4) windows.form4.widget->close();
}

void IpConfigControls::NameControls() {
  IPinforGB->setObjectName("IPinforGB");
  IPOption->setObjectName("IPOption");
  AutoIPRB->setObjectName("AutoIPRB");
  StaticIPRB->setObjectName("StaticIPRB");
  Label23->setObjectName("Label23");
  IPAddressEdit->setObjectName("IPAddressEdit");
  Label24->setObjectName("Label24");
  SubMaskEdit->setObjectName("SubMaskEdit");
  Label25->setObjectName("Label25");
  GatewayEdit->setObjectName("GatewayEdit");
  Label26->setObjectName("Label26");
  PrimaryDnsEdit->setObjectName("PrimaryDnsEdit");
  Label27->setObjectName("Label27");
  SecondDnsEdit->setObjectName("SecondDnsEdit");
  IPinforBtn->setObjectName("IPinforBtn");
}
