// The File Server page: the device's folders, which of them are shared,
// and the dialogs that create, rename and protect them.

#include <QGridLayout>
#include <QVBoxLayout>
#include <tuple>

#include "console/menuform.h"
#include "console/page_kit.h"
#include "console/smb_dialogs.h"
#include "core/session_state.h"
#include "core/status_page.h"
#include "device/folders.h"
#include "ui/ui.h"
#include "ui/window_refs.h"

namespace {

constexpr char kFileServerTitle[] = "File Server";

}  // namespace

void Form2::BuildFileServerPage() {
  SMBGB = new QGroupBox(ui::Tr("File Server"), TabSheet4);
  Label39 = new ui::Label(ui::Tr("Folder List"), SMBGB);
  Label40 = new ui::Label(ui::Tr("Sharing List"), SMBGB);
  SMBFolderLB = new QListWidget(SMBGB);
  SMBPublicFolderLB = new QListWidget(SMBGB);
  std::tie(MovetoPublicBtn, MovetoSMBBtn) = console::MoveButtons(SMBGB);
  ShowCreateBtn = new QPushButton(ui::Tr("Create"), SMBGB);
  ShowRenameBtn = new QPushButton(ui::Tr("Rename"), SMBGB);
  ShowDeleteBtn = new QPushButton(ui::Tr("Delete"), SMBGB);
  ShowPublicPassBtn = new QPushButton(ui::Tr("Password"), SMBGB);

  auto* moves = new QVBoxLayout;
  moves->addStretch(1);
  moves->addWidget(MovetoPublicBtn);
  moves->addWidget(MovetoSMBBtn);
  moves->addStretch(1);
  auto* grid = new QGridLayout(SMBGB);
  grid->addWidget(Label39, 0, 0);
  grid->addWidget(Label40, 0, 2);
  grid->addWidget(SMBFolderLB, 1, 0);
  grid->addLayout(moves, 1, 1);
  grid->addWidget(SMBPublicFolderLB, 1, 2);
  auto* folder_buttons = new QHBoxLayout;
  for (QPushButton* button : {ShowCreateBtn, ShowRenameBtn, ShowDeleteBtn}) {
    button->setMinimumWidth(80);
    folder_buttons->addWidget(button);
  }
  folder_buttons->addStretch(1);
  auto* share_buttons = new QHBoxLayout;
  share_buttons->addStretch(1);
  ShowPublicPassBtn->setMinimumWidth(80);
  share_buttons->addWidget(ShowPublicPassBtn);
  grid->addLayout(folder_buttons, 2, 0);
  grid->addLayout(share_buttons, 2, 2);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(2, 1);
  auto* page = new QVBoxLayout(TabSheet4);
  page->addWidget(SMBGB);
  DisableFileServerButtons();

  ListClicks(SMBFolderLB, &Form2::SMBFolderLBClick);
  ListClicks(SMBPublicFolderLB, &Form2::SMBPublicFolderLBClick);
  connect(MovetoPublicBtn, &QPushButton::clicked, this,
          [this] { Act([this] { return MovetoPublicBtnClick(); }); });
  connect(MovetoSMBBtn, &QPushButton::clicked, this,
          [this] { Act([this] { return MovetoSMBBtnClick(); }); });
  connect(ShowCreateBtn, &QPushButton::clicked, this, ui::Guard([this] { ShowCreateBtnClick(); }));
  connect(ShowRenameBtn, &QPushButton::clicked, this, ui::Guard([this] { ShowRenameBtnClick(); }));
  connect(ShowDeleteBtn, &QPushButton::clicked, this,
          [this] { Act([this] { return ShowDeleteBtnClick(); }); });
  connect(ShowPublicPassBtn, &QPushButton::clicked, this,
          ui::Guard([this] { ShowPublicPassBtnClick(); }));
}

void Form2::DisableFileServerButtons() {
  for (QPushButton* button : {ShowCreateBtn, ShowRenameBtn, ShowDeleteBtn, ShowPublicPassBtn,
                              MovetoPublicBtn, MovetoSMBBtn})
    button->setEnabled(false);
}

core::Task<> Form2::TabSheet4Show() {
  DisableFileServerButtons();
  ShowCreateBtn->setEnabled(true);
  const auto page = co_await core::FetchStatusPage();
  if (!page) co_return;  // the lists stay as they were
  const device::FileServerView view = device::ShowFileServer(*page);
  FillList(SMBFolderLB, smb_folders_, view.folders);
  FillList(SMBPublicFolderLB, smb_shared_, view.shared);
}

void Form2::SMBFolderLBClick() {
  DisableFileServerButtons();
  for (QPushButton* button : {ShowCreateBtn, ShowRenameBtn, ShowDeleteBtn, MovetoPublicBtn})
    button->setEnabled(true);
  ClearSelections({SMBPublicFolderLB});
}

void Form2::SMBPublicFolderLBClick() {
  DisableFileServerButtons();
  MovetoSMBBtn->setEnabled(true);
  ShowPublicPassBtn->setEnabled(true);
  ClearSelections({SMBFolderLB});
}

core::Task<> Form2::MovetoPublicBtnClick() {
  const auto folder = Selected(SMBFolderLB, smb_folders_);
  if (!folder) co_return;
  DisableFileServerButtons();
  // Refused, every button stays off until the next click in a list or
  // reading.
  const auto carried =
      co_await Carry(device::ShareFolder(core::Session().DeviceIp, *folder, smb_folders_),
                     [this] { return TabSheet4Show(); });
  if (!carried) co_return;
  ClearSelections({SMBFolderLB, SMBPublicFolderLB});
  ShowCreateBtn->setEnabled(true);
}

core::Task<> Form2::MovetoSMBBtnClick() {
  const auto folder = Selected(SMBPublicFolderLB, smb_shared_);
  if (!folder) co_return;
  DisableFileServerButtons();
  co_await Carry(device::UnshareFolder(core::Session().DeviceIp, *folder, smb_shared_),
                 [this] { return TabSheet4Show(); });
  ClearSelections({SMBFolderLB, SMBPublicFolderLB});
  ShowCreateBtn->setEnabled(true);
}

core::Task<> Form2::ShowDeleteBtnClick() {
  const auto folder = Selected(SMBFolderLB, smb_folders_);
  if (!folder) co_return;
  DisableFileServerButtons();
  const device::Plan plan = device::DeleteFolder(core::Session().DeviceIp, *folder);
  if (device::Refused(plan) ||
      co_await console::Confirmed(device::ConfirmDeleteFolder(kFileServerTitle)))
    co_await Carry(plan, [this] { return TabSheet4Show(); });
  ClearSelections({SMBFolderLB});
  ShowCreateBtn->setEnabled(true);
}

void Form2::ShowCreateBtnClick() {
  auto* dialog = ui::Windows().form6.form;
  DisableFileServerButtons();
  ClearSelections({SMBFolderLB});
  console::Present(dialog, dialog->FoldernameEdit);
}

void Form2::ShowRenameBtnClick() {
  const auto folder = Selected(SMBFolderLB, smb_folders_);
  if (!folder) return;
  auto* dialog = ui::Windows().form7.form;
  DisableFileServerButtons();
  dialog->OldFoldernameEdit->setText(ui::Q(*folder));
  ClearSelections({SMBFolderLB});
  console::Present(dialog, dialog->NewFoldernameEdit);
}

void Form2::ShowPublicPassBtnClick() {
  const auto folder = Selected(SMBPublicFolderLB, smb_shared_);
  if (!folder) return;
  auto* dialog = ui::Windows().form8.form;
  DisableFileServerButtons();
  dialog->PublicFolderEdit->setText(ui::Q(*folder));
  ClearSelections({SMBPublicFolderLB});
  console::Present(dialog, dialog->PublicPassEdit);
}

std::vector<std::string> Form2::FolderNames() const {
  std::vector<std::string> names = smb_folders_;
  names.insert(names.end(), smb_shared_.begin(), smb_shared_.end());
  return names;
}

void FileServerControls::NameControls() {
  SMBGB->setObjectName("SMBGB");
  Label39->setObjectName("Label39");
  Label40->setObjectName("Label40");
  SMBFolderLB->setObjectName("SMBFolderLB");
  SMBPublicFolderLB->setObjectName("SMBPublicFolderLB");
  MovetoPublicBtn->setObjectName("MovetoPublicBtn");
  MovetoSMBBtn->setObjectName("MovetoSMBBtn");
  ShowCreateBtn->setObjectName("ShowCreateBtn");
  ShowRenameBtn->setObjectName("ShowRenameBtn");
  ShowDeleteBtn->setObjectName("ShowDeleteBtn");
  ShowPublicPassBtn->setObjectName("ShowPublicPassBtn");
}
