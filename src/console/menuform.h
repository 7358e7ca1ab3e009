#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/command_submission.h"
#include "core/task.h"
#include "device/device.h"
#include "net/command_client.h"
#include "net/upload_client.h"
#include "ui/actions.h"
#include "ui/report_list_view.h"

class QPainter;

// The console's controls, a group for each page, each made by its page's
// file. They are the console's own: its pages reach them by name, and
// nothing outside does.
// The window: its tab row and its pages.
struct FrameControls {
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  QWidget* TabSheet2 = nullptr;
  QWidget* TabSheet3 = nullptr;
  QWidget* TabSheet4 = nullptr;
  QWidget* TabSheet5 = nullptr;
  QWidget* TabSheet6 = nullptr;
  QWidget* TabSheet7 = nullptr;
  // Gives each control its own name as its object name, which tests find
  // it by.
  void NameControls();
};

// Status page.
struct StatusControls {
  QGroupBox* IdenGB = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* HostEdit = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* GroupEdit = nullptr;
  QPushButton* identBtn = nullptr;
  QGroupBox* AdminGB = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* AdminEdit = nullptr;
  QLabel* Label4 = nullptr;
  QLineEdit* PassEdit = nullptr;
  QLabel* Label5 = nullptr;
  QLineEdit* VerifyEdit = nullptr;
  QPushButton* adminBtn = nullptr;
  QGroupBox* DatatimeGB = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* CurrenttimeLB = nullptr;
  QLabel* Label7 = nullptr;
  QLineEdit* YearEdit = nullptr;
  QLineEdit* MonthEdit = nullptr;
  QLineEdit* DataEdit = nullptr;
  QLineEdit* HourEdit = nullptr;
  QLineEdit* MinuteEdit = nullptr;
  QLineEdit* SecondEdit = nullptr;
  QLabel* Label13 = nullptr;
  QLabel* Label14 = nullptr;
  QWidget* SntpPL = nullptr;
  QRadioButton* SntpAutoRB = nullptr;
  QRadioButton* SntpDisRB = nullptr;
  QLabel* Label15 = nullptr;
  QWidget* TimeSPL = nullptr;
  QRadioButton* TimeSSelRB = nullptr;
  QRadioButton* TimeSMakeRB = nullptr;
  QComboBox* TimeSSelCB = nullptr;
  QLineEdit* MantimeSEdit = nullptr;
  QLabel* Label16 = nullptr;
  QComboBox* TimezoneCB = nullptr;
  QPushButton* DatatimeBtn = nullptr;
  QGroupBox* NetinfoGB = nullptr;
  QLabel* Label17 = nullptr;
  QLabel* IPAddressLB = nullptr;
  QLabel* MACLabel = nullptr;
  QLabel* MSCAddrLB = nullptr;
  QLabel* Label18 = nullptr;
  QRadioButton* DhcpsERB = nullptr;
  QRadioButton* DhcpsDRB = nullptr;
  QPushButton* NetinfoBtn = nullptr;
  QGroupBox* DiskinfoGB = nullptr;
  QLabel* Label19 = nullptr;
  QLabel* DiskidLB = nullptr;
  QLabel* Label20 = nullptr;
  QLabel* FirmverLB = nullptr;
  QLabel* Label21 = nullptr;
  QLabel* FreesizeLB = nullptr;
  QLabel* Label22 = nullptr;
  QLabel* TotalsizeLB = nullptr;
  QLabel* Label60 = nullptr;
  QComboBox* LangCB = nullptr;
  QPushButton* LangBtn = nullptr;
  // Gives each control its own name as its object name, which tests find
  // it by.
  void NameControls();
};

// IP Config page.
struct IpConfigControls {
  QGroupBox* IPinforGB = nullptr;
  QLabel* IPOption = nullptr;
  QRadioButton* AutoIPRB = nullptr;
  QRadioButton* StaticIPRB = nullptr;
  QLabel* Label23 = nullptr;
  QLineEdit* IPAddressEdit = nullptr;
  QLabel* Label24 = nullptr;
  QLineEdit* SubMaskEdit = nullptr;
  QLabel* Label25 = nullptr;
  QLineEdit* GatewayEdit = nullptr;
  QLabel* Label26 = nullptr;
  QLineEdit* PrimaryDnsEdit = nullptr;
  QLabel* Label27 = nullptr;
  QLineEdit* SecondDnsEdit = nullptr;
  QPushButton* IPinforBtn = nullptr;
  // Gives each control its own name as its object name, which tests find
  // it by.
  void NameControls();
};

// Maintenance page.
struct MaintenanceControls {
  QGroupBox* FirmUpGB = nullptr;
  QLabel* Label28 = nullptr;
  QLineEdit* FirmFileEdit = nullptr;
  QPushButton* BrowseBtn = nullptr;
  QPushButton* UploadBtn = nullptr;
  QGroupBox* SysRebootGB = nullptr;
  QLabel* Label29 = nullptr;
  QPushButton* RebootBtn = nullptr;
  QGroupBox* FactoryDefGB = nullptr;
  QLabel* Label30 = nullptr;
  QPushButton* ResetBtn = nullptr;
  QLabel* Label31 = nullptr;
  QLabel* Label32 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  // Gives each control its own name as its object name, which tests find
  // it by.
  void NameControls();
};

// File Server page.
struct FileServerControls {
  QGroupBox* SMBGB = nullptr;
  QLabel* Label39 = nullptr;
  QLabel* Label40 = nullptr;
  QListWidget* SMBFolderLB = nullptr;
  QListWidget* SMBPublicFolderLB = nullptr;
  QPushButton* MovetoPublicBtn = nullptr;
  QPushButton* MovetoSMBBtn = nullptr;
  QPushButton* ShowCreateBtn = nullptr;
  QPushButton* ShowRenameBtn = nullptr;
  QPushButton* ShowDeleteBtn = nullptr;
  QPushButton* ShowPublicPassBtn = nullptr;
  // Gives each control its own name as its object name, which tests find
  // it by.
  void NameControls();
};

// FTP Server page.
struct FtpServerControls {
  QGroupBox* FTPConfGB = nullptr;
  QLabel* Label41 = nullptr;
  QComboBox* FTPStatusCB = nullptr;
  QLabel* Label43 = nullptr;
  QLineEdit* FTPPortEdit = nullptr;
  QLabel* Label44 = nullptr;
  QPushButton* FTPStatusBtn = nullptr;
  QLabel* Label42 = nullptr;
  QWidget* FTPAnonyStatusPL = nullptr;
  QRadioButton* AnonyEnRB = nullptr;
  QRadioButton* AnonyDisRB = nullptr;
  QWidget* FTPAnonyReWrPL = nullptr;
  QRadioButton* AnonyReadORB = nullptr;
  QRadioButton* AnonyWriteRB = nullptr;
  QLabel* Label45 = nullptr;
  QComboBox* AnonyHDCB = nullptr;
  QPushButton* AnonyBtn = nullptr;
  QGroupBox* FTPCreatAccGB = nullptr;
  ui::ReportListView* AccountLV = nullptr;
  QPushButton* AccAddBtn = nullptr;
  QPushButton* AccModifyBtn = nullptr;
  QPushButton* AccStatusBtn = nullptr;
  QPushButton* AccDelBtn = nullptr;
  // Gives each control its own name as its object name, which tests find
  // it by.
  void NameControls();
};

// Modify FTP page.
struct ModifyFtpControls {
  QGroupBox* ModifyFTPGB = nullptr;
  QLabel* Label46 = nullptr;
  QLabel* ModFTPAccLabel = nullptr;
  QLabel* Label47 = nullptr;
  QLineEdit* ModFTPPassEdit = nullptr;
  QLabel* Label48 = nullptr;
  QRadioButton* ModFTPReadRB = nullptr;
  QRadioButton* ModFTPWriteRB = nullptr;
  QPushButton* ModFTPBtn = nullptr;
  QGroupBox* ModFTPFolderGB = nullptr;
  QLabel* Label49 = nullptr;
  QListWidget* FTPSFLB = nullptr;
  QLabel* Label50 = nullptr;
  QListWidget* FTPSSharLB = nullptr;
  QPushButton* ModMovetoSharBtn = nullptr;
  QPushButton* ModMovetoFolderBtn = nullptr;
  QPushButton* ShowModCreateBtn = nullptr;
  QPushButton* ShowModRenameBtn = nullptr;
  QPushButton* ModDelBtn = nullptr;
  QPushButton* BackBtn = nullptr;
  // Gives each control its own name as its object name, which tests find
  // it by.
  void NameControls();
};

// Disk Utility page.
struct DiskUtilityControls {
  QGroupBox* DiskUtiilityGB = nullptr;
  QLabel* Label55 = nullptr;
  QPushButton* DiskFormatBtn = nullptr;
  QLabel* Label56 = nullptr;
  QLineEdit* DiskSleepTimeEdit = nullptr;
  QLabel* Label57 = nullptr;
  QLabel* Label59 = nullptr;
  QPushButton* DiskSleepBtn = nullptr;
  QGroupBox* ScanDiskGB = nullptr;
  QLabel* Label58 = nullptr;
  QPushButton* DiskScanBtn = nullptr;
  QPlainTextEdit* DiskScanMO = nullptr;
  QPushButton* DiskDelMsgBtn = nullptr;
  QPushButton* DiskRefBtn = nullptr;
  // Gives each control its own name as its object name, which tests find
  // it by.
  void NameControls();
};

// The management console: seven pages of a device's settings, each read
// from the device's status page and changed by CGI commands. One window;
// each page's handlers live in a source file named after the page.
class Form2 : public QWidget,
              public core::CommandHost,
              private FrameControls,
              private StatusControls,
              private IpConfigControls,
              private MaintenanceControls,
              private FileServerControls,
              private FtpServerControls,
              private ModifyFtpControls,
              private DiskUtilityControls {
 public:
  Form2();
  ~Form2() override;

  // Pages of PageControl1, by index.
  enum Page {
    kStatus = 0,
    kIpConfig = 1,
    kMaintenance = 2,
    kFileServer = 3,
    kFtpServer = 4,
    kModifyFtp = 5,
    kDiskUtility = 6,
    kPageCount = 7
  };

  // Window events.
  core::Task<> FormShow();
  void FormClose();
  core::Task<> PageControl1Change();
  // Draws the tab at `tab_index` (counting visible tabs only) into `rect`.
  void PageControl1DrawTab(QPainter& painter, int tab_index, const QRect& rect, bool active);
  // The caption drawn on the tab at `tab_index` (visible tabs only), and
  // how far right of centre it is drawn.
  std::string TabCaption(int tab_index, int* shift = nullptr) const;

  // Runs the display routine of page `index`; other indexes do nothing.
  core::Task<> ShowPage(int index);
  // Makes page `index` the active page from code, as the pages do (not a
  // tab picked by the user); its display routine runs if it was not the
  // active page and the window shows.
  core::Task<> SelectPage(int index);
  // Shows or hides a page's tab from code, leaving the active page alone.
  void SetTabShown(int index, bool shown);

  // Status page (tab_status.cpp).
  core::Task<> TabSheet1Show();
  void TimeSSelRBClick();
  void TimeSMakeRBClick();
  core::Task<> identBtnClick();
  core::Task<> adminBtnClick();
  core::Task<> DatatimeBtnClick();
  core::Task<> NetinfoBtnClick();
  core::Task<> LangBtnClick();

  // IP Config page (tab_ipconfig.cpp).
  core::Task<> TabSheet2Show();
  void AutoIPRBClick();
  void StaticIPRBClick();
  core::Task<> IPinforBtnClick();

  // Maintenance page (tab_maintenance.cpp).
  core::Task<> TabSheet3Show();
  core::Task<> BrowseBtnClick();
  core::Task<> UploadBtnClick();
  core::Task<> RebootBtnClick();
  core::Task<> ResetBtnClick();
  void Timer1Timer();
  // Hides the wait labels and the bar, sets it to 0 and stops Timer1.
  void ResetWaitDisplay();

  // File Server page (tab_fileserver.cpp).
  core::Task<> TabSheet4Show();
  void SMBFolderLBClick();
  void SMBPublicFolderLBClick();
  core::Task<> MovetoPublicBtnClick();
  core::Task<> MovetoSMBBtnClick();
  core::Task<> ShowDeleteBtnClick();
  void ShowCreateBtnClick();
  void ShowRenameBtnClick();
  void ShowPublicPassBtnClick();
  void DisableFileServerButtons();

  // FTP Server page (tab_ftpserver.cpp).
  core::Task<> TabSheet5Show();
  core::Task<> FTPStatusBtnClick();
  core::Task<> AnonyBtnClick();
  void AccountLVClick();
  core::Task<> AccAddBtnClick();
  core::Task<> AccModifyBtnClick();
  core::Task<> AccStatusBtnClick();
  core::Task<> AccDelBtnClick();
  void ResetAccountButtons();

  // Modify FTP page (tab_modifyftp.cpp).
  core::Task<> TabSheet6Show();
  core::Task<> ModFTPBtnClick();
  core::Task<> ModMovetoSharBtnClick();
  core::Task<> ModMovetoFolderBtnClick();
  void ShowModCreateBtnClick();
  void ShowModRenameBtnClick();
  core::Task<> ModDelBtnClick();
  core::Task<> BackBtnClick();
  void FTPSFLBClick();
  void FTPSSharLBClick();
  void ResetFolderListButtons();

  // Disk Utility page (tab_diskutility.cpp).
  core::Task<> TabSheet7Show();
  core::Task<> DiskFormatBtnClick();
  core::Task<> DiskSleepBtnClick();
  core::Task<> DiskScanBtnClick();
  void DiskRefBtnClick();
  core::Task<> DiskDelMsgBtnClick();
  void Timer2Timer();
  core::Task<> RefreshScanResult();
  // Shows the scan's messages, the latest in view.
  void FillScanMessages(const std::string& value);

  // Carries out what a rule decided: shows its refusal, or sends its
  // command. True when the device did it.
  core::Task<bool> Carry(device::Plan plan, std::function<core::Task<>()> reread = {});
  // Sends a command through the one submission path, unless it is too
  // long to go out whole (then the user is told which value makes it so);
  // `reread` runs after the last refusal of a command sent again while
  // refused.
  core::Task<core::Submitted> Send(device::Command command,
                                   std::function<core::Task<>()> reread = {});
  // Runs `action` as the console's one action at a time on its device
  // (ui::Actions): its pages' and its dialogs' alike, which share its
  // clients.
  void Act(std::function<core::Task<>()> action);
  bool Busy() const { return actions_.Busy(); }
  // Closes the console and its dialogs at once, wherever they stand: the
  // main window hands another device on.
  void Dismiss();

  // The buttons the small dialogs give back when they close: "Create" of
  // the File Server page, of the FTP accounts, and of an account's folders.
  QPushButton* FolderCreateButton() const { return ShowCreateBtn; }
  QPushButton* AccountCreateButton() const { return AccAddBtn; }
  QPushButton* AccountFolderCreateButton() const { return ShowModCreateBtn; }

  // The names the device has taken, which a new folder or account may not
  // take but for letter case: its folders (File Server, or the FTP
  // account's page) and its FTP accounts, as last shown.
  std::vector<std::string> FolderNames() const;
  std::vector<std::string> AccountFolderNames() const;
  std::vector<std::string> AccountNames() const;

  // core::CommandHost
  int ActiveTab() override;
  core::Task<> RedisplayTab(int index) override;
  void ReturnToDeviceList() override;

  // Timer2 ticks counted while a disk scan is followed; one for the whole
  // program, kept when the console closes.
  static int ScanPollCount;
  static constexpr int kScanRefreshTicks = 30;

  // Objects the pages share (and the device work they start, on another
  // thread).
  std::shared_ptr<net::CommandClient> CommandClient;
  std::shared_ptr<net::UploadClient> UploadClient;
  int ConsolePauseMs = 0;
  QTimer* Timer1;  // the maintenance wait
  QTimer* Timer2;  // following a disk scan

  // Reads of the IP Config page in all while the address comes back empty.
  static constexpr int kAddressReads = 3;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  static constexpr int kWaitMaximum = 300;
  static constexpr int kWaitStep = 10;

  void BuildStatusPage();
  void BuildIpConfigPage();
  void BuildMaintenancePage();
  void BuildFileServerPage();
  void BuildDiskUtilityPage();
  void BuildFtpServerPage();
  void BuildModifyFtpPage();
  void LayOutModifyFtpFolders();
  // Runs `handler` for a click in `list`, and for a change of its selection
  // that is no program's own.
  void ListClicks(QListWidget* list, void (Form2::*handler)());
  // Runs each button's handler when it is clicked: one that works with the
  // device as an action (Act), any other at once.
  struct Click {
    Click(QAbstractButton* b, core::Task<> (Form2::*a)()) : button(b), action(a) {}
    Click(QAbstractButton* b, void (Form2::*h)()) : button(b), handler(h) {}
    QAbstractButton* button;
    core::Task<> (Form2::*action)() = nullptr;
    void (Form2::*handler)() = nullptr;
  };
  void Clicks(std::initializer_list<Click> clicks);
  // The console shown, or a page picked in the tab row: its page read.
  core::Task<> Shown();
  core::Task<> PageChanged(int index);
  // Fills a folder list with `entries` (kept as the device sent them).
  void FillList(QListWidget* list, std::vector<std::string>& kept,
                const std::vector<std::string>& entries);
  // The entry selected in `list`, as the device sent it; nothing when no
  // entry is selected.
  std::optional<std::string> Selected(const QListWidget* list,
                                      const std::vector<std::string>& kept) const;
  // Clears the selection of `lists` without running their click handlers.
  void ClearSelections(std::initializer_list<QListWidget*> lists);
  // The wait for a restarting device: labels, bar, Timer1, buttons and
  // the whole window disabled.
  void StartWait(bool browse_too);
  // Ends that wait before its time, the page usable again.
  void EndWait();
  void SetCaptions();
  void SetAddressFieldsEnabled(bool enabled);
  // The tab index Qt uses for the `visible_index`-th visible tab, or -1.
  int TabAtVisibleIndex(int visible_index) const;
  // The console's pause between two things it asks of the device.
  core::Task<> Pause() const;
  // While an action waits, no page and no dialog of the console starts
  // another.
  void SetBusy(bool busy);

  // The entries of the folder lists, byte for byte as the device sent them.
  std::vector<std::string> smb_folders_, smb_shared_;
  // The FTP page's folders and account positions, and the account being
  // modified with its folders, as the device sent them.
  std::vector<std::string> ftp_homes_, ftp_folders_, ftp_account_folders_;
  std::vector<std::size_t> account_options_;
  std::vector<std::string> account_names_;
  std::string modified_account_;
  bool quiet_lists_ = false;  // selections are being changed by code
  bool selecting_ = false;    // the active page is being changed by code
  bool quiet_pages_ = false;  // display routines held back: the page is read later
  ui::Actions actions_;
};
