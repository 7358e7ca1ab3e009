// The Modify FTP page: one account's password and access, and the device
// folders it may use. In the tab row only while an account is modified.

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <tuple>

#include "console/ftp_dialogs.h"
#include "console/menuform.h"
#include "console/page_kit.h"
#include "core/session_state.h"
#include "core/status_page.h"
#include "device/ftp.h"
#include "ui/ui.h"
#include "ui/window_refs.h"

namespace {

constexpr char kFolderListTitle[] = "Modify FTP Account Folder List";

}  // namespace

void Form2::BuildModifyFtpPage() {
  ModifyFTPGB = new QGroupBox(ui::Tr("Modify FTP Account"), TabSheet6);
  Label46 = new ui::Label(ui::Tr("Account"), ModifyFTPGB);
  ModFTPAccLabel = new ui::Label(ModifyFTPGB);
  Label47 = new ui::Label(ui::Tr("Password"), ModifyFTPGB);
  ModFTPPassEdit = new QLineEdit(ModifyFTPGB);
  ModFTPPassEdit->setEchoMode(QLineEdit::Password);
  ui::SetTypingLimit(ModFTPPassEdit, 12);
  Label48 = new ui::Label(ui::Tr("Access"), ModifyFTPGB);
  auto* access = new QWidget(ModifyFTPGB);
  ModFTPReadRB = new QRadioButton(ui::Tr("Read only"), access);
  ModFTPWriteRB = new QRadioButton(ui::Tr("Read/Write"), access);
  ModFTPBtn = new QPushButton(ui::Tr("Set"), ModifyFTPGB);
  ModFTPFolderGB = new QGroupBox(ui::Tr("Modify FTP Account Folder List"), TabSheet6);
  Label49 = new ui::Label(ui::Tr("Folder List"), ModFTPFolderGB);
  FTPSFLB = new QListWidget(ModFTPFolderGB);
  Label50 = new ui::Label(ui::Tr("Sharing List"), ModFTPFolderGB);
  FTPSSharLB = new QListWidget(ModFTPFolderGB);
  std::tie(ModMovetoSharBtn, ModMovetoFolderBtn) = console::MoveButtons(ModFTPFolderGB);
  ShowModCreateBtn = new QPushButton(ui::Tr("Create"), ModFTPFolderGB);
  ShowModRenameBtn = new QPushButton(ui::Tr("Rename"), ModFTPFolderGB);
  ModDelBtn = new QPushButton(ui::Tr("Delete"), ModFTPFolderGB);
  BackBtn = new QPushButton(ui::Tr("Back"), TabSheet6);

  // The page's text in navy, the account's name in maroon.
  QPalette navy = TabSheet6->palette();
  navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
  TabSheet6->setPalette(navy);
  QPalette maroon = ModFTPAccLabel->palette();
  maroon.setColor(QPalette::WindowText, QColor(128, 0, 0));
  ModFTPAccLabel->setPalette(maroon);

  console::RadioPair(access, ModFTPReadRB, ModFTPWriteRB);
  console::Grid(ModifyFTPGB, {{Label46, 0, 0},
                              {ModFTPAccLabel, 0, 1},
                              {Label47, 1, 0},
                              {ModFTPPassEdit, 1, 1, Qt::AlignLeft},
                              {Label48, 2, 0},
                              {access, 2, 1},
                              {ModFTPBtn, 2, 2}})
      ->setColumnStretch(1, 1);
  ModFTPPassEdit->setFixedWidth(170);
  LayOutModifyFtpFolders();
  auto* back = new QHBoxLayout;
  back->addStretch(1);
  for (QPushButton* button : {ModFTPBtn, BackBtn}) button->setMinimumWidth(90);
  back->addWidget(BackBtn);
  auto* page = new QVBoxLayout(TabSheet6);
  page->addWidget(ModifyFTPGB);
  page->addWidget(ModFTPFolderGB, 1);
  page->addLayout(back);

  ListClicks(FTPSFLB, &Form2::FTPSFLBClick);
  ListClicks(FTPSSharLB, &Form2::FTPSSharLBClick);
  Clicks({{ModFTPBtn, &Form2::ModFTPBtnClick},
          {ModMovetoSharBtn, &Form2::ModMovetoSharBtnClick},
          {ModMovetoFolderBtn, &Form2::ModMovetoFolderBtnClick},
          {ShowModCreateBtn, &Form2::ShowModCreateBtnClick},
          {ShowModRenameBtn, &Form2::ShowModRenameBtnClick},
          {ModDelBtn, &Form2::ModDelBtnClick},
          {BackBtn, &Form2::BackBtnClick}});
}

void Form2::LayOutModifyFtpFolders() {
  auto* moves = new QVBoxLayout;
  moves->addStretch(1);
  moves->addWidget(ModMovetoSharBtn);
  moves->addWidget(ModMovetoFolderBtn);
  moves->addStretch(1);
  auto* folder_buttons = new QHBoxLayout;
  for (QPushButton* button : {ShowModCreateBtn, ShowModRenameBtn, ModDelBtn}) {
    button->setMinimumWidth(80);
    folder_buttons->addWidget(button);
  }
  folder_buttons->addStretch(1);
  QGridLayout* folders = console::Grid(ModFTPFolderGB, {{Label49, 0, 0},
                                                        {Label50, 0, 2},
                                                        {FTPSFLB, 1, 0},
                                                        {moves, 1, 1},
                                                        {FTPSSharLB, 1, 2},
                                                        {folder_buttons, 2, 0}});
  folders->setColumnStretch(0, 1);
  folders->setColumnStretch(2, 1);
}

void Form2::ResetFolderListButtons() {
  for (QPushButton* button :
       {ShowModCreateBtn, ShowModRenameBtn, ModDelBtn, ModMovetoSharBtn, ModMovetoFolderBtn})
    button->setEnabled(false);
  ShowModCreateBtn->setEnabled(true);
  SetTabShown(kModifyFtp, true);
  SetTabShown(kFtpServer, false);
}

core::Task<> Form2::TabSheet6Show() {
  ResetFolderListButtons();
  ShowModCreateBtn->setEnabled(true);
  const auto page = co_await core::FetchStatusPage();
  if (!page) co_return;  // the page stays as it was
  const device::FtpAccountView view = device::ShowFtpAccount(*page);
  modified_account_ = view.account;
  ModFTPAccLabel->setText(ui::Q(view.account));
  ui::ShowDeviceValue(ModFTPPassEdit, view.password);
  (view.read_only ? ModFTPReadRB : ModFTPWriteRB)->setChecked(true);
  FillList(FTPSFLB, ftp_folders_, view.folders);
  FillList(FTPSSharLB, ftp_account_folders_, view.account_folders);
}

core::Task<> Form2::ModFTPBtnClick() {
  co_await Carry(device::SetAccount(core::Session().DeviceIp, modified_account_,
                                    ui::EntryOf(ModFTPPassEdit), ModFTPReadRB->isChecked()));
}

core::Task<> Form2::ModMovetoSharBtnClick() {
  const auto folder = Selected(FTPSFLB, ftp_folders_);
  if (!folder) co_return;
  ResetFolderListButtons();
  co_await Carry(
      device::GiveFolder(core::Session().DeviceIp, modified_account_, *folder, ftp_folders_),
      [this] { return TabSheet6Show(); });
  ClearSelections({FTPSFLB, FTPSSharLB});
  ShowModCreateBtn->setEnabled(true);
}

core::Task<> Form2::ModMovetoFolderBtnClick() {
  const auto folder = Selected(FTPSSharLB, ftp_account_folders_);
  if (!folder) co_return;
  ResetFolderListButtons();
  co_await Carry(device::TakeFolder(core::Session().DeviceIp, modified_account_, *folder),
                 [this] { return TabSheet6Show(); });
  ClearSelections({FTPSFLB, FTPSSharLB});
  ShowModCreateBtn->setEnabled(true);
}

core::Task<> Form2::ModDelBtnClick() {
  const auto folder = Selected(FTPSFLB, ftp_folders_);
  if (!folder) co_return;
  ResetFolderListButtons();
  const device::Plan plan = device::DeleteAccountFolder(core::Session().DeviceIp, *folder);
  if (device::Refused(plan) ||
      co_await console::Confirmed(device::ConfirmDeleteFolder(kFolderListTitle)))
    co_await Carry(plan, [this] { return TabSheet6Show(); });
  ClearSelections({FTPSFLB, FTPSSharLB});
}

void Form2::ShowModCreateBtnClick() {
  ResetFolderListButtons();
  ClearSelections({FTPSFLB, FTPSSharLB});
  auto* dialog = ui::Windows().form10.form;
  console::Present(dialog, dialog->ModCreateFEdit);
}

void Form2::ShowModRenameBtnClick() {
  const auto folder = Selected(FTPSFLB, ftp_folders_);
  if (!folder) return;
  ResetFolderListButtons();
  auto* dialog = ui::Windows().form11.form;
  dialog->ModRenOldnameEdit->setText(ui::Q(*folder));
  ClearSelections({FTPSFLB, FTPSSharLB});
  ShowModCreateBtn->setEnabled(true);
  console::Present(dialog, dialog->ModRenNewnameEdit);
}

void Form2::FTPSFLBClick() {
  ResetFolderListButtons();
  ShowModCreateBtn->setEnabled(true);
  ClearSelections({FTPSSharLB});
  for (QPushButton* button : {ModMovetoSharBtn, ShowModRenameBtn, ModDelBtn})
    button->setEnabled(true);
}

void Form2::FTPSSharLBClick() {
  ResetFolderListButtons();
  ClearSelections({FTPSFLB});
  ModMovetoFolderBtn->setEnabled(true);
}

core::Task<> Form2::BackBtnClick() {
  // The FTP Server page comes up without being read twice: it is read
  // once, at the end.
  SetTabShown(kFtpServer, true);
  quiet_pages_ = true;
  co_await SelectPage(kFtpServer);
  quiet_pages_ = false;
  SetTabShown(kModifyFtp, false);
  co_await TabSheet5Show();
}

std::vector<std::string> Form2::AccountFolderNames() const {
  std::vector<std::string> names = ftp_folders_;
  names.insert(names.end(), ftp_account_folders_.begin(), ftp_account_folders_.end());
  return names;
}

void ModifyFtpControls::NameControls() {
  ModifyFTPGB->setObjectName("ModifyFTPGB");
  Label46->setObjectName("Label46");
  ModFTPAccLabel->setObjectName("ModFTPAccLabel");
  Label47->setObjectName("Label47");
  ModFTPPassEdit->setObjectName("ModFTPPassEdit");
  Label48->setObjectName("Label48");
  ModFTPReadRB->setObjectName("ModFTPReadRB");
  ModFTPWriteRB->setObjectName("ModFTPWriteRB");
  ModFTPBtn->setObjectName("ModFTPBtn");
  ModFTPFolderGB->setObjectName("ModFTPFolderGB");
  Label49->setObjectName("Label49");
  FTPSFLB->setObjectName("FTPSFLB");
  Label50->setObjectName("Label50");
  FTPSSharLB->setObjectName("FTPSSharLB");
  ModMovetoSharBtn->setObjectName("ModMovetoSharBtn");
  ModMovetoFolderBtn->setObjectName("ModMovetoFolderBtn");
  ShowModCreateBtn->setObjectName("ShowModCreateBtn");
  ShowModRenameBtn->setObjectName("ShowModRenameBtn");
  ModDelBtn->setObjectName("ModDelBtn");
  BackBtn->setObjectName("BackBtn");
}
