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

namespace {

constexpr char kFtpTag[] = "ftp.htm";
constexpr char kFtpConfiguration[] = "FTP Configuration";

}  // namespace

void Form2::BuildFtpServerPage() {
  FTPConfGB = new QGroupBox(TabSheet5);
  Label41 = new ui::Label(FTPConfGB);
  FTPStatusCB = new QComboBox(FTPConfGB);
  FTPStatusCB->addItems({"Enable", "Disable"});
  Label43 = new ui::Label(FTPConfGB);
  FTPPortEdit = new QLineEdit(FTPConfGB);
  ui::SetTypingLimit(FTPPortEdit, 5);
  FTPPortEdit->setFixedWidth(70);
  Label44 = new ui::Label(FTPConfGB);
  FTPStatusBtn = new QPushButton(FTPConfGB);
  Label42 = new ui::Label(FTPConfGB);
  FTPAnonyStatusPL = new QWidget(FTPConfGB);
  AnonyEnRB = new QRadioButton(FTPAnonyStatusPL);
  AnonyDisRB = new QRadioButton(FTPAnonyStatusPL);
  FTPAnonyReWrPL = new QWidget(FTPConfGB);
  AnonyReadORB = new QRadioButton(FTPAnonyReWrPL);
  AnonyWriteRB = new QRadioButton(FTPAnonyReWrPL);
  Label45 = new ui::Label(FTPConfGB);
  AnonyHDCB = new QComboBox(FTPConfGB);
  AnonyBtn = new QPushButton(FTPConfGB);
  FTPCreatAccGB = new QGroupBox(TabSheet5);
  AccountLV = new ui::ReportListView(FTPCreatAccGB);
  AccAddBtn = new QPushButton(FTPCreatAccGB);
  AccModifyBtn = new QPushButton(FTPCreatAccGB);
  AccStatusBtn = new QPushButton(FTPCreatAccGB);
  AccDelBtn = new QPushButton(FTPCreatAccGB);

  const QString set = ui::Tr("Set");
  FTPConfGB->setTitle(ui::Tr("FTP Configuration"));
  Label41->setText(ui::Tr("FTP Status"));
  Label43->setText(ui::Tr("Port"));
  Label44->setText(ui::Tr("(21 or 1025-65500)"));
  FTPStatusBtn->setText(set);
  Label42->setText(ui::Tr("Allow anonymous"));
  AnonyEnRB->setText(ui::Tr("Enable"));
  AnonyDisRB->setText(ui::Tr("Disable"));
  AnonyReadORB->setText(ui::Tr("Read only"));
  AnonyWriteRB->setText(ui::Tr("Read/Write"));
  Label45->setText(ui::Tr("Home Directory"));
  AnonyBtn->setText(set);
  FTPCreatAccGB->setTitle(ui::Tr("Account List"));
  AccountLV->SetColumns({i18n::Translate("User Name"), i18n::Translate("Password"),
                         i18n::Translate("Access"), i18n::Translate("Enable/Disable"), "Value"},
                        {150, 150, 110, 106, 0});
  AccAddBtn->setText(ui::Tr("Create"));
  AccModifyBtn->setText(ui::Tr("Modify"));
  AccStatusBtn->setText(ui::Tr("Enable/Disable"));
  AccDelBtn->setText(ui::Tr("Delete"));

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

  connect(FTPStatusBtn, &QPushButton::clicked, this, ui::Guard([this] { FTPStatusBtnClick(); }));
  connect(AnonyBtn, &QPushButton::clicked, this, ui::Guard([this] { AnonyBtnClick(); }));
  connect(AccountLV, &QTableWidget::itemSelectionChanged, this,
          ui::Guard([this] { AccountLVClick(); }));
  connect(AccAddBtn, &QPushButton::clicked, this, ui::Guard([this] { AccAddBtnClick(); }));
  connect(AccModifyBtn, &QPushButton::clicked, this, ui::Guard([this] { AccModifyBtnClick(); }));
  connect(AccStatusBtn, &QPushButton::clicked, this, ui::Guard([this] { AccStatusBtnClick(); }));
  connect(AccDelBtn, &QPushButton::clicked, this, ui::Guard([this] { AccDelBtnClick(); }));
}

void Form2::ResetAccountButtons() {
  for (QPushButton* button : {AccModifyBtn, AccStatusBtn, AccDelBtn}) button->setEnabled(false);
  SetTabShown(kModifyFtp, false);
  SetTabShown(kFtpServer, true);
}

void Form2::TabSheet5Show() {
  ResetAccountButtons();
  const auto read = core::FetchStatusPage();
  if (!read) return;  // the page stays as it was
  const std::string& page = *read;
  auto value = [&page](const char* key) { return net::PageValue(page, key); };
  FTPStatusCB->setCurrentIndex(value("ftps_status=\"") == "ENABLE" ? 0 : 1);
  FTPPortEdit->setText(ui::Q(value("ftps_port=\"")));
  (value("ftp_anon_stu=\"") == "checked" ? AnonyEnRB : AnonyDisRB)->setChecked(true);
  (value("ftp_a_att=\"") == "checked" ? AnonyReadORB : AnonyWriteRB)->setChecked(true);

  ftp_homes_ = net::OptionValues(value("ftps_dir_list=\""));
  AnonyHDCB->clear();
  for (const std::string& folder : ftp_homes_) AnonyHDCB->addItem(ui::Q(folder));
  int home = ftp_homes_.empty() ? -1 : 0;
  const std::string home_folder = value("ftps_home_def=\"");
  for (std::size_t i = 0; i < ftp_homes_.size(); ++i)
    if (ftp_homes_[i] == home_folder) home = static_cast<int>(i);  // the last equal one
  AnonyHDCB->setCurrentIndex(home);

  // Refilling the list is no click in it.
  const QSignalBlocker quiet(AccountLV);
  AccountLV->Clear();
  account_options_.clear();
  for (const net::AccountRow& row : net::AccountRows(value("ftp_ac_list=\""))) {
    AccountLV->AddRow({row.name, row.password, row.access, row.state, row.id});
    account_options_.push_back(row.option);
  }
  AccountLV->clearSelection();
}

void Form2::FTPStatusBtnClick() {
  const std::string port_text = ui::S(FTPPortEdit->text());
  // Not a whole number: the conversion's own message, nothing sent.
  const int port = core::ToInteger(port_text);
  if (port != 21 && (port < 1025 || port > 65500)) {
    console::Tell("Invalid port number", kFtpConfiguration);
    return;
  }
  if (FTPStatusCB->currentIndex() < 0) {
    console::Tell("Please choose an entry from the list.", kFtpConfiguration);
    return;
  }
  const std::string state = FTPStatusCB->currentText() == "Enable" ? "ENABLE" : "DISABLE";
  // Sent once: the port exactly as typed, leading zeros and all.
  Submit(console::NasCommand("ftp.htm", "ftps_state_apply&ftps_set=" + state +
                                            "&ftps_port=" + net::EscapeQueryText(port_text)),
         kFtpTag, "Port");
}

void Form2::AnonyBtnClick() {
  const int home = AnonyHDCB->currentIndex();
  if (home < 0 || home >= static_cast<int>(ftp_homes_.size())) {
    console::Tell("Please choose an entry from the list.", kFtpConfiguration);
    return;
  }
  const std::string status = AnonyEnRB->isChecked() ? "ENABLE" : "DISABLE";
  const std::string mode = AnonyReadORB->isChecked() ? "RO" : "RW";
  // The home folder goes as the device named it, only made safe for the
  // query.
  SubmitWithRetries(
      console::NasCommand(
          "ftp.htm", "ftps_anonymous_apply&ftp_anon_stu=" + status + "&ftp_a_att=" + mode +
                         "&home=" + net::EscapeQueryText(ftp_homes_[home]) + "&anony_Apply=Apply"),
      kFtpTag, {}, "Home Directory");
}

void Form2::AccountLVClick() {
  ResetAccountButtons();
  if (AccountLV->SelectedRow() < 0) return;
  for (QPushButton* button : {AccModifyBtn, AccStatusBtn, AccDelBtn}) button->setEnabled(true);
}

void Form2::AccAddBtnClick() {
  ResetAccountButtons();
  // The device is told a new account is coming, then the dialog asks for
  // its name.
  SubmitWithRetries(console::NasCommand("ftp_add.htm", "ftps_userid_set&ftps_user_id=255"),
                    "/ftp.htm", [this] { TabSheet5Show(); });
  auto* dialog = static_cast<Form9*>(ui::Windows().form9);
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
  dialog->FTPAddAccEdit->setFocus();
}

void Form2::AccModifyBtnClick() {
  const int row = AccountLV->SelectedRow();
  if (row < 0) return;
  const std::string id = AccountLV->Text(row, 4);
  if (!Named(id, kNoAccount, "Account List")) return;
  SubmitWithRetries(
      console::NasCommand("ftp_mod.htm",
                          "ftps_userid_set&ftps_user_id=" + net::EscapeQueryText(id)),
      kFtpTag, [this] { TabSheet5Show(); }, "Account List");
  ResetAccountButtons();
  // The account's own page, read as it comes up.
  SetTabShown(kModifyFtp, true);
  SelectPage(kModifyFtp);
}

void Form2::AccStatusBtnClick() {
  const int row = AccountLV->SelectedRow();
  if (row < 0) return;
  // The device counts its accounts by their place in its own list, which
  // is this row's place unless an option above it gave no row.
  SubmitWithRetries(console::NasCommand("ftp.htm", "ftps_user_enabled&FTP_AC_LIST=" +
                                                       std::to_string(account_options_[row])),
                    kFtpTag, [this] { TabSheet5Show(); });
}

void Form2::AccDelBtnClick() {
  const int row = AccountLV->SelectedRow();
  if (row < 0) return;
  const std::string id = AccountLV->Text(row, 4);
  if (!Named(id, kNoAccount, "Account List")) return;
  if (platform::services().message_boxes->Show(
          Translate("Selected account will be deleted. Are you sure?"), Translate("Account List"),
          MsgIcon::Question, MsgButtons::OkCancel) != platform::MsgResult::Ok)
    return;
  SubmitWithRetries(
      console::NasCommand("ftp.htm", "ftps_user_del&FTP_AC_LIST=" + net::EscapeQueryText(id)),
      kFtpTag, [this] { TabSheet5Show(); }, "Account List");
}
