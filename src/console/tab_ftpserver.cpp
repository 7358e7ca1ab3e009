// The FTP Server page: the service and its port, anonymous access, and the
// account list with its create, modify, enable/disable and delete.

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "console/ftp_dialogs.h"
#include "console/menuform.h"
#include "console/page_kit.h"
#include "core/session_state.h"
#include "core/status_page.h"
#include "device/ftp.h"
#include "i18n/translate.h"
#include "ui/ui.h"
#include "ui/window_refs.h"

void Form2::BuildFtpServerPage() {
  const QString set = ui::Tr("Set");
  FTPConfGB = new QGroupBox(ui::Tr("FTP Configuration"), TabSheet5);
  Label41 = new ui::Label(ui::Tr("FTP Status"), FTPConfGB);
  FTPStatusCB = new QComboBox(FTPConfGB);
  FTPStatusCB->addItems({ui::Tr("Enable"), ui::Tr("Disable")});
  Label43 = new ui::Label(ui::Tr("Port"), FTPConfGB);
  FTPPortEdit = new QLineEdit(FTPConfGB);
  ui::SetTypingLimit(FTPPortEdit, 5);
  FTPPortEdit->setFixedWidth(70);
  Label44 = new ui::Label(ui::Tr("(21 or 1025-65500)"), FTPConfGB);
  FTPStatusBtn = new QPushButton(set, FTPConfGB);
  Label42 = new ui::Label(ui::Tr("Allow anonymous"), FTPConfGB);
  FTPAnonyStatusPL = new QWidget(FTPConfGB);
  AnonyEnRB = new QRadioButton(ui::Tr("Enable"), FTPAnonyStatusPL);
  AnonyDisRB = new QRadioButton(ui::Tr("Disable"), FTPAnonyStatusPL);
  FTPAnonyReWrPL = new QWidget(FTPConfGB);
  AnonyReadORB = new QRadioButton(ui::Tr("Read only"), FTPAnonyReWrPL);
  AnonyWriteRB = new QRadioButton(ui::Tr("Read/Write"), FTPAnonyReWrPL);
  Label45 = new ui::Label(ui::Tr("Home Directory"), FTPConfGB);
  AnonyHDCB = new QComboBox(FTPConfGB);
  AnonyBtn = new QPushButton(set, FTPConfGB);
  FTPCreatAccGB = new QGroupBox(ui::Tr("Account List"), TabSheet5);
  AccountLV = new ui::ReportListView(FTPCreatAccGB);
  AccAddBtn = new QPushButton(ui::Tr("Create"), FTPCreatAccGB);
  AccModifyBtn = new QPushButton(ui::Tr("Modify"), FTPCreatAccGB);
  AccStatusBtn = new QPushButton(ui::Tr("Enable/Disable"), FTPCreatAccGB);
  AccDelBtn = new QPushButton(ui::Tr("Delete"), FTPCreatAccGB);

  AccountLV->SetColumns({i18n::Translate("User Name"), i18n::Translate("Password"),
                         i18n::Translate("Access"), i18n::Translate("Enable/Disable"), "Value"},
                        {150, 150, 110, 106, 0});

  console::RadioPair(FTPAnonyStatusPL, AnonyEnRB, AnonyDisRB);
  console::RadioPair(FTPAnonyReWrPL, AnonyReadORB, AnonyWriteRB);
  auto* config = new QGridLayout(FTPConfGB);
  config->addWidget(Label41, 0, 0);
  config->addWidget(FTPStatusCB, 0, 1, Qt::AlignLeft);
  config->addWidget(Label43, 1, 0);
  auto* port = new QHBoxLayout;
  port->addWidget(FTPPortEdit);
  port->addWidget(Label44);
  port->addStretch(1);
  port->addWidget(FTPStatusBtn);
  config->addLayout(port, 1, 1);
  config->addWidget(Label42, 2, 0);
  config->addWidget(FTPAnonyStatusPL, 2, 1);
  config->addWidget(FTPAnonyReWrPL, 3, 1);
  config->addWidget(Label45, 4, 0);
  auto* home = new QHBoxLayout;
  home->addWidget(AnonyHDCB, 1);
  home->addStretch(1);
  home->addWidget(AnonyBtn);
  config->addLayout(home, 4, 1);
  config->setColumnStretch(1, 1);
  for (QPushButton* button :
       {FTPStatusBtn, AnonyBtn, AccAddBtn, AccModifyBtn, AccStatusBtn, AccDelBtn})
    button->setMinimumWidth(90);

  auto* accounts = new QVBoxLayout(FTPCreatAccGB);
  accounts->addWidget(AccountLV, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton* button : {AccAddBtn, AccModifyBtn, AccStatusBtn, AccDelBtn})
    buttons->addWidget(button);
  accounts->addLayout(buttons);
  auto* page = new QVBoxLayout(TabSheet5);
  page->addWidget(FTPConfGB);
  page->addWidget(FTPCreatAccGB, 1);
  ResetAccountButtons();

  connect(AccountLV, &QTableWidget::itemSelectionChanged, this,
          ui::Guard([this] { AccountLVClick(); }));
  Clicks({{FTPStatusBtn, &Form2::FTPStatusBtnClick},
          {AnonyBtn, &Form2::AnonyBtnClick},
          {AccAddBtn, &Form2::AccAddBtnClick},
          {AccModifyBtn, &Form2::AccModifyBtnClick},
          {AccStatusBtn, &Form2::AccStatusBtnClick},
          {AccDelBtn, &Form2::AccDelBtnClick}});
}

void Form2::ResetAccountButtons() {
  for (QPushButton* button : {AccModifyBtn, AccStatusBtn, AccDelBtn}) button->setEnabled(false);
  SetTabShown(kModifyFtp, false);
  SetTabShown(kFtpServer, true);
}

core::Task<> Form2::TabSheet5Show() {
  ResetAccountButtons();
  const auto page = co_await core::FetchStatusPage();
  if (!page) co_return;  // the page stays as it was
  const device::FtpServerView view = device::ShowFtpServer(*page);
  FTPStatusCB->setCurrentIndex(view.enabled ? 0 : 1);
  ui::ShowDeviceValue(FTPPortEdit, view.port);
  (view.anonymous ? AnonyEnRB : AnonyDisRB)->setChecked(true);
  (view.anonymous_read_only ? AnonyReadORB : AnonyWriteRB)->setChecked(true);
  ftp_homes_ = view.homes;
  AnonyHDCB->clear();
  for (const std::string& folder : ftp_homes_) AnonyHDCB->addItem(ui::Q(folder));
  AnonyHDCB->setCurrentIndex(view.home.value_or(-1));

  // Refilling the list is no click in it.
  const QSignalBlocker quiet(AccountLV);
  AccountLV->Clear();
  account_options_.clear();
  account_names_.clear();
  for (const net::AccountRow& row : view.accounts) {
    account_names_.push_back(row.name);
    AccountLV->AddRow({row.name, row.password, device::AccountWord(row.access),
                       device::AccountWord(row.state), row.id});
    account_options_.push_back(row.option);
  }
  AccountLV->clearSelection();
}

core::Task<> Form2::FTPStatusBtnClick() {
  co_await Carry(device::SetFtpService(core::Session().DeviceIp, FTPStatusCB->currentIndex(),
                                       ui::EntryOf(FTPPortEdit)));
}

core::Task<> Form2::AnonyBtnClick() {
  const int home = AnonyHDCB->currentIndex();
  std::optional<std::string> folder;
  if (home >= 0 && home < static_cast<int>(ftp_homes_.size()))
    folder = ftp_homes_[static_cast<std::size_t>(home)];
  co_await Carry(device::SetAnonymousAccess(core::Session().DeviceIp, AnonyEnRB->isChecked(),
                                            AnonyReadORB->isChecked(), folder));
}

void Form2::AccountLVClick() {
  ResetAccountButtons();
  if (AccountLV->SelectedRow() < 0) return;
  for (QPushButton* button : {AccModifyBtn, AccStatusBtn, AccDelBtn}) button->setEnabled(true);
}

core::Task<> Form2::AccAddBtnClick() {
  ResetAccountButtons();
  // The device is told a new account is coming, then the dialog asks for
  // its name.
  co_await Send(device::PrepareNewAccount(core::Session().DeviceIp),
                [this] { return TabSheet5Show(); });
  auto* dialog = ui::Windows().form9.form;
  console::Present(dialog, dialog->FTPAddAccEdit);
}

core::Task<> Form2::AccModifyBtnClick() {
  const int row = AccountLV->SelectedRow();
  if (row < 0) co_return;
  const bool carried =
      co_await Carry(device::SelectAccount(core::Session().DeviceIp, AccountLV->Text(row, 4)),
                     [this] { return TabSheet5Show(); });
  if (!carried) co_return;
  ResetAccountButtons();
  // The account's own page, read as it comes up.
  SetTabShown(kModifyFtp, true);
  co_await SelectPage(kModifyFtp);
}

core::Task<> Form2::AccStatusBtnClick() {
  const int row = AccountLV->SelectedRow();
  if (row < 0) co_return;
  // The device counts its accounts by their place in its own list, which
  // is this row's place unless an option above it gave no row.
  co_await Send(device::ToggleAccount(core::Session().DeviceIp, account_options_[row]),
                [this] { return TabSheet5Show(); });
}

core::Task<> Form2::AccDelBtnClick() {
  const int row = AccountLV->SelectedRow();
  if (row < 0) co_return;
  const device::Plan plan =
      device::DeleteAccount(core::Session().DeviceIp, AccountLV->Text(row, 4));
  // A refusal is said without the question.
  if (!device::Refused(plan)) {
    const bool confirmed = co_await console::Confirmed(device::ConfirmDeleteAccount());
    if (!confirmed) co_return;
  }
  co_await Carry(plan, [this] { return TabSheet5Show(); });
}

std::vector<std::string> Form2::AccountNames() const {
  return account_names_;
}

void FtpServerControls::NameControls() {
  FTPConfGB->setObjectName("FTPConfGB");
  Label41->setObjectName("Label41");
  FTPStatusCB->setObjectName("FTPStatusCB");
  Label43->setObjectName("Label43");
  FTPPortEdit->setObjectName("FTPPortEdit");
  Label44->setObjectName("Label44");
  FTPStatusBtn->setObjectName("FTPStatusBtn");
  Label42->setObjectName("Label42");
  FTPAnonyStatusPL->setObjectName("FTPAnonyStatusPL");
  AnonyEnRB->setObjectName("AnonyEnRB");
  AnonyDisRB->setObjectName("AnonyDisRB");
  FTPAnonyReWrPL->setObjectName("FTPAnonyReWrPL");
  AnonyReadORB->setObjectName("AnonyReadORB");
  AnonyWriteRB->setObjectName("AnonyWriteRB");
  Label45->setObjectName("Label45");
  AnonyHDCB->setObjectName("AnonyHDCB");
  AnonyBtn->setObjectName("AnonyBtn");
  FTPCreatAccGB->setObjectName("FTPCreatAccGB");
  AccountLV->setObjectName("AccountLV");
  AccAddBtn->setObjectName("AccAddBtn");
  AccModifyBtn->setObjectName("AccModifyBtn");
  AccStatusBtn->setObjectName("AccStatusBtn");
  AccDelBtn->setObjectName("AccDelBtn");
}
