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
#include "device/device.h"
#include "net/command_client.h"
#include "net/upload_client.h"
#include "ui/report_list_view.h"

class QPainter;

// The management console: seven pages of a device's settings, each read
// from the device's status page and changed by CGI commands. One window;
// each page's handlers live in a source file named after the page.
class Form2 : public QWidget, public core::CommandHost {
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
  void FormShow();
  void FormClose();
  void PageControl1Change();
  // Draws the tab at `tab_index` (counting visible tabs only) into `rect`.
  void PageControl1DrawTab(QPainter& painter, int tab_index, const QRect& rect, bool active);
  // The caption drawn on the tab at `tab_index` (visible tabs only), and
  // how far right of centre it is drawn.
  std::string TabCaption(int tab_index, int* shift = nullptr) const;

  // Runs the display routine of page `index`; other indexes do nothing.
  void ShowPage(int index);
  // Makes page `index` the active page from code, as the pages do (not a
  // tab picked by the user); its display routine runs if the window shows.
  void SelectPage(int index);
  // Shows or hides a page's tab from code, leaving the active page alone.
  void SetTabShown(int index, bool shown);

  // Status page (tab_status.cpp).
  void TabSheet1Show();
  void TimeSSelRBClick();
  void TimeSMakeRBClick();
  void identBtnClick();
  void adminBtnClick();
  void DatatimeBtnClick();
  void NetinfoBtnClick();
  void LangBtnClick();

  // IP Config page (tab_ipconfig.cpp).
  void TabSheet2Show();
  void AutoIPRBClick();
  void StaticIPRBClick();
  void IPinforBtnClick();

  // Maintenance page (tab_maintenance.cpp).
  void TabSheet3Show();
  void BrowseBtnClick();
  void UploadBtnClick();
  void RebootBtnClick();
  void ResetBtnClick();
  void Timer1Timer();
  // Hides the wait labels and the bar, sets it to 0 and stops Timer1.
  void ResetWaitDisplay();

  // File Server page (tab_fileserver.cpp).
  void TabSheet4Show();
  void SMBFolderLBClick();
  void SMBPublicFolderLBClick();
  void MovetoPublicBtnClick();
  void MovetoSMBBtnClick();
  void ShowDeleteBtnClick();
  void ShowCreateBtnClick();
  void ShowRenameBtnClick();
  void ShowPublicPassBtnClick();
  void DisableFileServerButtons();

  // FTP Server page (tab_ftpserver.cpp).
  void TabSheet5Show();
  void FTPStatusBtnClick();
  void AnonyBtnClick();
  void AccountLVClick();
  void AccAddBtnClick();
  void AccModifyBtnClick();
  void AccStatusBtnClick();
  void AccDelBtnClick();
  void ResetAccountButtons();

  // Modify FTP page (tab_modifyftp.cpp).
  void TabSheet6Show();
  void ModFTPBtnClick();
  void ModMovetoSharBtnClick();
  void ModMovetoFolderBtnClick();
  void ShowModCreateBtnClick();
  void ShowModRenameBtnClick();
  void ModDelBtnClick();
  void BackBtnClick();
  void FTPSFLBClick();
  void FTPSSharLBClick();
  void ResetFolderListButtons();

  // Disk Utility page (tab_diskutility.cpp).
  void TabSheet7Show();
  void DiskFormatBtnClick();
  void DiskSleepBtnClick();
  void DiskScanBtnClick();
  void DiskRefBtnClick();
  void DiskDelMsgBtnClick();
  void Timer2Timer();
  void RefreshScanResult();
  // Shows the scan's messages, the latest in view.
  void FillScanMessages(const std::string& value);

  // Carries out what a rule decided: shows its refusal, or sends its
  // command. True when the command went out.
  bool Carry(const device::Plan& plan, const std::function<void()>& reread = {});
  // Sends a command through the one submission path, unless it is too
  // long to go out whole (then the user is told which value makes it so);
  // `reread` runs after the last refusal of a command sent again while
  // refused.
  core::Submitted Send(const device::Command& command, const std::function<void()>& reread = {});
  // Closes the console and its dialogs at once, wherever they stand: the
  // main window hands another device on.
  void Dismiss();

  // core::CommandHost
  int ActiveTab() override;
  void RedisplayTab(int index) override;
  void ReturnToDeviceList() override;

  QTabWidget* PageControl1;
  QWidget* TabSheet1;
  QWidget* TabSheet2;
  QWidget* TabSheet3;
  QWidget* TabSheet4;
  QWidget* TabSheet5;
  QWidget* TabSheet6;
  QWidget* TabSheet7;

  // Status page.
  QGroupBox* IdenGB;
  QLabel* Label1;
  QLineEdit* HostEdit;
  QLabel* Label2;
  QLineEdit* GroupEdit;
  QPushButton* identBtn;
  QGroupBox* AdminGB;
  QLabel* Label3;
  QLineEdit* AdminEdit;
  QLabel* Label4;
  QLineEdit* PassEdit;
  QLabel* Label5;
  QLineEdit* VerifyEdit;
  QPushButton* adminBtn;
  QGroupBox* DatatimeGB;
  QLabel* Label6;
  QLabel* CurrenttimeLB;
  QLabel* Label7;
  QLineEdit* YearEdit;
  QLineEdit* MonthEdit;
  QLineEdit* DataEdit;
  QLineEdit* HourEdit;
  QLineEdit* MinuteEdit;
  QLineEdit* SecondEdit;
  QLabel* Label13;
  QLabel* Label14;
  QWidget* SntpPL;
  QRadioButton* SntpAutoRB;
  QRadioButton* SntpDisRB;
  QLabel* Label15;
  QWidget* TimeSPL;
  QRadioButton* TimeSSelRB;
  QRadioButton* TimeSMakeRB;
  QComboBox* TimeSSelCB;
  QLineEdit* MantimeSEdit;
  QLabel* Label16;
  QComboBox* TimezoneCB;
  QPushButton* DatatimeBtn;
  QGroupBox* NetinfoGB;
  QLabel* Label17;
  QLabel* IPAddressLB;
  QLabel* MACLabel;
  QLabel* MSCAddrLB;
  QLabel* Label18;
  QRadioButton* DhcpsERB;
  QRadioButton* DhcpsDRB;
  QPushButton* NetinfoBtn;
  QGroupBox* DiskinfoGB;
  QLabel* Label19;
  QLabel* DiskidLB;
  QLabel* Label20;
  QLabel* FirmverLB;
  QLabel* Label21;
  QLabel* FreesizeLB;
  QLabel* Label22;
  QLabel* TotalsizeLB;
  QLabel* Label60;
  QComboBox* LangCB;
  QPushButton* LangBtn;

  // IP Config page.
  QGroupBox* IPinforGB;
  QLabel* IPOption;
  QRadioButton* AutoIPRB;
  QRadioButton* StaticIPRB;
  QLabel* Label23;
  QLineEdit* IPAddressEdit;
  QLabel* Label24;
  QLineEdit* SubMaskEdit;
  QLabel* Label25;
  QLineEdit* GatewayEdit;
  QLabel* Label26;
  QLineEdit* PrimaryDnsEdit;
  QLabel* Label27;
  QLineEdit* SecondDnsEdit;
  QPushButton* IPinforBtn;

  // Maintenance page.
  QGroupBox* FirmUpGB;
  QLabel* Label28;
  QLineEdit* FirmFileEdit;
  QPushButton* BrowseBtn;
  QPushButton* UploadBtn;
  QGroupBox* SysRebootGB;
  QLabel* Label29;
  QPushButton* RebootBtn;
  QGroupBox* FactoryDefGB;
  QLabel* Label30;
  QPushButton* ResetBtn;
  QLabel* Label31;
  QLabel* Label32;
  QProgressBar* ProgressBar1;

  // File Server page.
  QGroupBox* SMBGB;
  QLabel* Label39;
  QLabel* Label40;
  QListWidget* SMBFolderLB;
  QListWidget* SMBPublicFolderLB;
  QPushButton* MovetoPublicBtn;
  QPushButton* MovetoSMBBtn;
  QPushButton* ShowCreateBtn;
  QPushButton* ShowRenameBtn;
  QPushButton* ShowDeleteBtn;
  QPushButton* ShowPublicPassBtn;

  // FTP Server page.
  QGroupBox* FTPConfGB;
  QLabel* Label41;
  QComboBox* FTPStatusCB;
  QLabel* Label43;
  QLineEdit* FTPPortEdit;
  QLabel* Label44;
  QPushButton* FTPStatusBtn;
  QLabel* Label42;
  QWidget* FTPAnonyStatusPL;
  QRadioButton* AnonyEnRB;
  QRadioButton* AnonyDisRB;
  QWidget* FTPAnonyReWrPL;
  QRadioButton* AnonyReadORB;
  QRadioButton* AnonyWriteRB;
  QLabel* Label45;
  QComboBox* AnonyHDCB;
  QPushButton* AnonyBtn;
  QGroupBox* FTPCreatAccGB;
  ui::ReportListView* AccountLV;
  QPushButton* AccAddBtn;
  QPushButton* AccModifyBtn;
  QPushButton* AccStatusBtn;
  QPushButton* AccDelBtn;

  // Modify FTP page.
  QGroupBox* ModifyFTPGB;
  QLabel* Label46;
  QLabel* ModFTPAccLabel;
  QLabel* Label47;
  QLineEdit* ModFTPPassEdit;
  QLabel* Label48;
  QRadioButton* ModFTPReadRB;
  QRadioButton* ModFTPWriteRB;
  QPushButton* ModFTPBtn;
  QGroupBox* ModFTPFolderGB;
  QLabel* Label49;
  QListWidget* FTPSFLB;
  QLabel* Label50;
  QListWidget* FTPSSharLB;
  QPushButton* ModMovetoSharBtn;
  QPushButton* ModMovetoFolderBtn;
  QPushButton* ShowModCreateBtn;
  QPushButton* ShowModRenameBtn;
  QPushButton* ModDelBtn;
  QPushButton* BackBtn;

  // Disk Utility page.
  QGroupBox* DiskUtiilityGB;
  QLabel* Label55;
  QPushButton* DiskFormatBtn;
  QLabel* Label56;
  QLineEdit* DiskSleepTimeEdit;
  QLabel* Label57;
  QLabel* Label59;
  QPushButton* DiskSleepBtn;
  QGroupBox* ScanDiskGB;
  QLabel* Label58;
  QPushButton* DiskScanBtn;
  QPlainTextEdit* DiskScanMO;
  QPushButton* DiskDelMsgBtn;
  QPushButton* DiskRefBtn;
  // Timer2 ticks counted while a disk scan is followed; one for the whole
  // program, kept when the console closes.
  static int ScanPollCount;
  static constexpr int kScanRefreshTicks = 30;

  // Objects the pages share.
  std::unique_ptr<net::CommandClient> CommandClient;
  std::unique_ptr<net::UploadClient> UploadClient;
  int ConsolePauseMs = 0;
  QTimer* Timer1;  // the maintenance wait
  QTimer* Timer2;  // following a disk scan

  // Reads of the IP Config page in all while the address comes back empty.
  static constexpr int kAddressReads = 3;

 public:
  // The names the device has taken, which a new folder or account may not
  // take but for letter case: its folders (File Server, or the FTP
  // account's page) and its FTP accounts, as last shown.
  std::vector<std::string> FolderNames() const;
  std::vector<std::string> AccountFolderNames() const;
  std::vector<std::string> AccountNames() const;

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
  // Runs `handler` for a click in `list`, and for a change of its selection
  // that is no program's own.
  void ListClicks(QListWidget* list, void (Form2::*handler)());
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
  void SetCaptions();
  void SetAddressFieldsEnabled(bool enabled);
  // The tab index Qt uses for the `visible_index`-th visible tab, or -1.
  int TabAtVisibleIndex(int visible_index) const;
  void Pause() const;

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
};
