#include "drives/mountform.h"

#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QUrl>

#include "core/await.h"
#include "core/session_state.h"
#include "core/status_page.h"
#include "desktop/services.h"
#include "device/drives.h"
#include "i18n/translate.h"
#include "net/page_values.h"
#include "net/waiting.h"
#include "ui/accessibility.h"
#include "ui/ui.h"
#include "ui/window_refs.h"

using desktop::MsgButtons;
using desktop::MsgIcon;
using i18n::Translate;

using device::RemoteName;

Form5::Form5()
    : Label1(new ui::Label(this)),
      CmbDrive(new QComboBox(this)),
      DrivePlaceLabel(new ui::Label(this)),
      Label2(new ui::Label(this)),
      FolderCB(new QComboBox(this)),
      Label3(new ui::Label(this)),
      FolderPassEdit(new QLineEdit(this)),
      chk_AutoReconnect(new QCheckBox(this)),
      lab_AutoReconnect(new ui::Label(this)),
      MountSetBtn(new QPushButton(this)),
      actions_(this, [this](bool busy) {
        // While the dialog waits on the device, nothing in it starts another
        // exchange.
        for (QWidget* control : findChildren<QWidget*>()) control->setEnabled(!busy);
      }) {
  CmbDrive->setEditable(true);
  FolderCB->setEditable(true);
  FolderPassEdit->setEchoMode(QLineEdit::Password);
  lab_AutoReconnect->setWordWrap(true);
  lab_AutoReconnect->setBuddy(chk_AutoReconnect);

  auto* grid = new QGridLayout;
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(CmbDrive, 0, 1);
  grid->addWidget(DrivePlaceLabel, 1, 1);
  grid->addWidget(Label2, 2, 0);
  grid->addWidget(FolderCB, 2, 1);
  grid->addWidget(Label3, 3, 0);
  grid->addWidget(FolderPassEdit, 3, 1);
  auto* reconnect = new QHBoxLayout;
  reconnect->addWidget(chk_AutoReconnect);
  reconnect->addWidget(lab_AutoReconnect, 1);
  grid->addLayout(reconnect, 4, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(MountSetBtn);
  MountSetBtn->setMinimumWidth(110);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  auto act = [this](core::Task<> (Form5::*action)()) {
    return [this, action] {
      actions_.Run([this, action] { return (this->*action)(); }, core::Session().DeviceIp);
    };
  };
  connect(MountSetBtn, &QPushButton::clicked, this, act(&Form5::MountSetBtnClick));
  connect(CmbDrive, &QComboBox::currentTextChanged, this, [this] { ShowDrivePlace(); });
  connect(FolderCB, &QComboBox::activated, this, act(&Form5::FolderCBChange));
  // Typing a folder name is a change too.
  connect(FolderCB->lineEdit(), &QLineEdit::textEdited, this, act(&Form5::FolderCBChange));
  // Keys reach the dialog before its controls.
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);

  SetCaptions();
  setFixedSize(380, sizeHint().height());
  ui::Windows().form5 = {this, this};
}

Form5::~Form5() {
  if (ui::Windows().form5.form == this) ui::Windows().form5.widget = {};
}

char Form5::SelectedLetter() const {
  const int index = CmbDrive->currentIndex();
  if (index < 0 || CmbDrive->currentText() != CmbDrive->itemText(index)) return 0;
  return ui::S(CmbDrive->itemText(index))[0];
}

std::string Form5::DrivePlace(char letter) {
  return desktop::services().drives->DrivePlace(std::string(1, letter) + ":");
}

std::string Form5::ShownPlace(std::string place) {
  const QString home = QDir::homePath();
  if (!home.isEmpty() && home != "/") {
    const std::string prefix = ui::S(home) + "/";
    if (place.rfind(prefix, 0) == 0) place = "~/" + place.substr(prefix.size());
  }
  return place;
}

void Form5::ShowDrivePlace() {
  const char letter = SelectedLetter();
  const std::string place = letter != 0 ? ShownPlace(DrivePlace(letter)) : std::string();
  DrivePlaceLabel->setText(place.empty() ? QString()
                                         : ui::Q(Translate("Drive folder:") + " " + place));
  DrivePlaceLabel->setVisible(!place.empty());
}

std::string Form5::SelectedFolder() const {
  const int index = FolderCB->currentIndex();
  // Text typed into the box is not used; only a listed folder counts.
  if (index < 0 || index >= static_cast<int>(folders_.size()) ||
      FolderCB->currentText() != FolderCB->itemText(index))
    return {};
  return folders_[static_cast<std::size_t>(index)];
}

core::Task<> Form5::FormShow() {
  // The letters as the system has them now: free, or connected to a share.
  struct Letters {
    std::vector<char> free;
    std::vector<std::string> connected;
  };
  auto look = [drives = desktop::services().drives] {
    Letters found;
    for (char letter = 'Z'; letter >= 'D'; --letter) {
      const auto type =
          drives->GetDriveType(std::string(1, static_cast<char>(letter - 'A' + 'a')) + ":\\");
      if (type != desktop::DriveType::Remote && type != desktop::DriveType::Unknown &&
          type != desktop::DriveType::NoRootDir)
        continue;  // removable, fixed, optical and RAM drives
      const auto remote = drives->GetConnection(std::string(1, letter) + ":");
      if (!remote || remote->empty())
        found.free.push_back(letter);
      else
        found.connected.push_back(*remote);
    }
    return found;
  };
  const Letters letters = co_await core::OffThread(look);
  CmbDrive->clear();
  ConnectedShares = letters.connected;
  for (const char letter : letters.free) CmbDrive->addItem(QString(QChar(letter)));
  if (CmbDrive->count() > 0) CmbDrive->setCurrentIndex(0);

  const auto listed = co_await RefreshFolderList();
  if (!listed) {
    // A device with a password: the login dialog asks for it and opens
    // this dialog again with it. The main window stays hidden meanwhile.
    // Hidden while it is being shown: the toolkit would still put the empty
    // window on the screen after this, where it would take the keys.
    setAttribute(Qt::WA_DontShowOnScreen, true);
    hide();
    if (QWidget* main = ui::Windows().form1.widget) main->hide();
    if (ui::Windows().open_login) ui::Windows().open_login(false, false);
    co_return;
  }

  SetCaptions();
  ui::GiveShortcuts(this);
  FolderPassEdit->clear();

  co_await FolderCBChange();

  if (QWidget* main = ui::Windows().form1.widget) main->hide();
  MountSetBtn->setFocus();
  layout()->activate();
}

void Form5::SetCaptions() {
  setWindowTitle(ui::Q(Translate("Connect Disk")));
  Label1->setText(ui::Q(Translate("Disk Number")));
  Label2->setText(ui::Q(Translate("Folder")));
  Label3->setText(ui::Q(Translate("Password")));
  lab_AutoReconnect->setText(ui::Q(Translate("Automatically reconnect at startup")));
  MountSetBtn->setText(ui::Q(Translate("Connect")));
  ShowDrivePlace();
}

core::Task<bool> Form5::RefreshFolderList() {
  std::string page;
  {
    // All the reads, with the person's answers to failures between them,
    // end within the bound.
    const net::ActionBound bound(core::kReadingActionBound);
    for (int read = 0;
         read < kFolderPageReads && page.empty() && !net::ActionCancelled() && !net::ActionTimeUp();
         ++read) {
      const net::PageRead result = co_await core::ReadStatusPage();
      if (result.reply.Status == 401 && !credentials_given_) co_return false;
      if (core::ReadFailed(result)) co_await core::ShowConnectionFailure();
      page = result.reply.BodyText;
    }
  }

  const std::string& ip = core::Session().DeviceIp;
  FolderCB->clear();
  folders_.clear();
  int selection = 0;
  for (const std::string& name : net::OptionValues(net::PageValue(page, "allow_share=\""))) {
    // Folders this workstation has connected already are left out.
    const std::string needle = ip + "\\" + name;
    bool connected = false;
    for (const auto& share : ConnectedShares) connected |= share.find(needle) != std::string::npos;
    if (connected) continue;
    folders_.push_back(name);
    FolderCB->addItem(ui::Q(name));
    if (name == "PUBLIC") selection = FolderCB->count() - 1;
  }
  FolderCB->setCurrentIndex(FolderCB->count() > 0 ? selection : -1);
  co_return true;
}

core::Task<> Form5::FolderCBChange() {
  const std::string folder = SelectedFolder();
  auto probe = [drives = desktop::services().drives,
                remote = RemoteName(core::Session().DeviceIp, folder.empty() ? "PUBLIC" : folder),
                password = ui::S(FolderPassEdit->text())] {
    return drives->ProbeShare(remote, password);
  };
  const int result = co_await core::OffThread(probe);
  const bool needs_password = result == desktop::drive_error::kInvalidPassword;
  Label3->setVisible(needs_password);
  FolderPassEdit->setVisible(needs_password);
}

int Form5::ConnectShare(desktop::NetworkDrives& drives, const Connection& c) {
  // Nothing to connect without a folder. (Names that merely begin with
  // punctuation are valid shares and are let through.)
  if (c.folder.empty()) return desktop::drive_error::kBadNetName;
  const std::string drive = std::string(1, static_cast<char>(std::toupper(c.letter))) + ":";
  const std::string remote = RemoteName(c.address, c.folder);
  desktop::NetResource record;
  record.scope = 3;
  if (!c.at_login) record.local_name = drive;
  record.remote_name = remote;
  if (const int result = drives.AddConnection(record, c.password); result != 0) return result;
  drives.UseShare(remote, c.password);
  if (c.at_login) {
    if (const int result = drives.MapDrivePersistently(drive, remote, c.password); result != 0)
      return result;
  }
  // The drive follows its device by these, should the device move.
  drives.NoteDevice(drive, c.device_name, c.group_name);
  return 0;
}

core::Task<> Form5::MountSetBtnClick() {
  const char letter = SelectedLetter();
  if (letter == 0) {
    co_await core::Ask(Translate("Please Select Disk Name!"), Translate("Connection Error"),
                       MsgIcon::Question, MsgButtons::Ok);
    co_return;
  }
  const core::SessionState& session = core::Session();
  if (session.DeviceIp.empty()) {
    co_await core::Ask(Translate("Please Select Remote Device!"), Translate("Connection Error"),
                       MsgIcon::Question, MsgButtons::Ok);
    co_return;
  }
  auto connect_share = [drives = desktop::services().drives,
                        c = Connection{session.DeviceIp, letter, SelectedFolder(),
                                       ui::S(FolderPassEdit->text()),
                                       chk_AutoReconnect->isChecked(), session.DeviceName,
                                       session.GroupName}] { return ConnectShare(*drives, c); };
  const int result = co_await core::OffThread(connect_share);
  if (result == 0) co_return co_await ReportConnected(letter);
  co_await core::Ask(Translate(device::DriveResultKey(result)), Translate("Connect"),
                     MsgIcon::Information, MsgButtons::Ok);
}

core::Task<> Form5::ReportConnected(char letter) {
  const std::string folder = DrivePlace(letter);
  const std::string place = ShownPlace(folder);
  bool open = false;
  if (place.empty()) {
    co_await core::Ask(Translate("Remote Device Connected"), Translate("Connect"),
                       MsgIcon::Information, MsgButtons::Ok);
  } else {
    open = co_await core::Ask(Translate("Remote Device Connected") + "\n\n" +
                                  Translate("Drive folder:") + " " + place + "\n\n" +
                                  Translate("Open it in the file manager?"),
                              Translate("Connect"), MsgIcon::Information,
                              MsgButtons::YesNo) == desktop::MsgResult::Ok;
  }
  if (FolderCB->count() > 0) FolderCB->setCurrentIndex(0);
  FormClose();
  if (!open) co_return;
  const std::string url = ui::S(QUrl::fromLocalFile(ui::Q(folder)).toString(QUrl::FullyEncoded));
  if (!desktop::services().url_opener->Open(url))
    co_await core::Ask(
        Translate("No program could open the folder. Open it in a file manager:") + "\n" + place,
        Translate("Connect"), MsgIcon::Information, MsgButtons::Ok);
}

bool Form5::FormKeyPress(int key) {
  if (key == Qt::Key_Escape) {
    close();
    return true;
  }
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  actions_.Run([this] { return MountSetBtnClick(); }, core::Session().DeviceIp);
  return true;
}

void Form5::FormClose() {
  hide();
  credentials_given_ = false;
  if (QWidget* main = ui::Windows().form1.widget) {
    main->show();
    main->activateWindow();
  }
}

void Form5::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) setAttribute(Qt::WA_DontShowOnScreen, false);
  QWidget::showEvent(event);
  if (event->spontaneous()) return;  // restored, not shown anew
  ui::CenterOnScreen(this);
  actions_.Run([this] { return FormShow(); }, core::Session().DeviceIp);
}

void Form5::closeEvent(QCloseEvent* event) {
  event->accept();
  ui::Guard([this] { FormClose(); })();
}

void Form5::keyPressEvent(QKeyEvent* event) {
  if (!FormKeyPress(event->key())) QWidget::keyPressEvent(event);
}

bool Form5::eventFilter(QObject* watched, QEvent* event) {
  // The text beside the box ticks it, as a check box's own text would.
  if (watched == lab_AutoReconnect && event->type() == QEvent::MouseButtonRelease &&
      chk_AutoReconnect->isEnabled()) {
    chk_AutoReconnect->toggle();
    return true;
  }
  if (event->type() == QEvent::KeyPress && isVisible())
    return FormKeyPress(static_cast<QKeyEvent*>(event)->key());
  return QWidget::eventFilter(watched, event);
}
