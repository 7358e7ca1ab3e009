#pragma once

#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <set>
#include <string>

#include "core/task.h"
#include "desktop/services.h"
#include "device/drives.h"
#include "net/discovery.h"
#include "ui/actions.h"
#include "ui/report_list_view.h"

// The main window: the device list, the scan, and the hand-off of a device
// to the browser or the drive dialog.
class Form1 : public QWidget {
 public:
  // Opens the discovery socket; throws net::SocketError when it cannot.
  Form1();
  ~Form1() override;

  // Creation event: starts the first scan.
  void FormCreate();
  void FormClose();

  void ScanBtnClick();
  void StopBtnClick();
  void Timer1Timer();
  // After a whole scan: the drives whose device seems to answer at a new
  // address (and no longer at theirs) are offered to move there, all in
  // one question; they move on Yes.
  core::Task<> FollowDrives();
  void IdUDPServer1UDPRead(const net::Datagram& datagram);
  void HDListViewClick() {}
  void RadioButtonConnectClick();
  void RadioButtonManageClick();
  core::Task<> ManageBtnClick();
  core::Task<> CountBtnClick();

  // True when `device_ip` lies in the subnet of one of the workstation's
  // IPv4 addresses, or when none can be read.
  bool CheckSubNet(const std::string& device_ip) const;

  QProgressBar* ProgressBar1;
  ui::ReportListView* HDListView;
  QPushButton* ScanBtn;
  QPushButton* ManageBtn;
  QPushButton* CountBtn;
  QRadioButton* RadioButtonConnect;
  QRadioButton* RadioButtonManage;
  QTimer* Timer1;
  std::unique_ptr<desktop::DatagramTransport> IdUDPServer1;
  // The devices listed, by address: what the list's rows show.
  net::DeviceList Devices;

  static constexpr int kScanStep = 10;
  static constexpr int kScanMaximum = 130;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Steps shared by both hand-offs: the selected device, the subnet
  // warning, the scan stopped, DeviceIp set. False when nothing is selected.
  core::Task<bool> HandOffSelectedDevice();
  // The scan has run its time: drives followed, then it says so.
  core::Task<> ScanCompleted();
  core::Task<> MoveDrives(std::vector<device::DriveMove> moves);
  std::set<std::string> ambiguity_said_;
  std::set<std::string> declined_;  // "from to" of the moves the person declined
  ui::Actions actions_;
};
