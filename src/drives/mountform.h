#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <string>
#include <vector>

#include "core/task.h"
#include "desktop/services.h"
#include "ui/actions.h"

// The drive dialog: connects one shared folder of the device to a free
// drive letter.
class Form5 : public QWidget {
 public:
  Form5();
  ~Form5() override;

  core::Task<> FormShow();
  void FormClose();
  // Enter connects; other keys pass on. True when the key was taken.
  bool FormKeyPress(int key);
  // Whether the chosen folder needs a password: probed, and the password
  // field shown where it does.
  core::Task<> FolderCBChange();
  core::Task<> MountSetBtnClick();
  // Reads the device's shared folders into FolderCB. False when the device
  // refused the session's credentials before the user gave any: then the
  // login dialog must ask for them.
  core::Task<bool> RefreshFolderList();

  // The login dialog has checked the session's credentials against the
  // device; a refusal is then a failure like any other.
  void CredentialsGiven() { credentials_given_ = true; }

  // A folder to connect: to `letter`, or kept for the login instead.
  struct Connection {
    std::string address;
    char letter;
    std::string folder, password;
    bool at_login;
    std::string device_name, group_name;
  };
  // Connects the folder; 0 on success, else the provider's code. Device
  // work, for a worker thread.
  static int ConnectShare(desktop::NetworkDrives& drives, const Connection& c);
  // The folder a letter's drive opens as; empty where a drive is opened by
  // its letter.
  static std::string DrivePlace(char letter);
  // A folder as the user reads it, with "~" for the home folder.
  static std::string ShownPlace(std::string place);

  QLabel* Label1;
  QComboBox* CmbDrive;
  QLabel* DrivePlaceLabel;  // the chosen letter's folder
  QLabel* Label2;
  QComboBox* FolderCB;
  QLabel* Label3;
  QLineEdit* FolderPassEdit;
  QCheckBox* chk_AutoReconnect;
  QLabel* lab_AutoReconnect;
  QPushButton* MountSetBtn;

  // Remote names of the letters already connected, rebuilt at each showing.
  std::vector<std::string> ConnectedShares;

  static constexpr int kFolderPageReads = 8;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The entry texts as the device sent them (the combo box shows them).
  std::vector<std::string> folders_;
  bool credentials_given_ = false;
  std::string SelectedFolder() const;
  char SelectedLetter() const;  // 0 when none is chosen
  void ShowDrivePlace();
  // Tells where the new drive is and opens it in the file manager if the
  // user wants it.
  core::Task<> ReportConnected(char letter);
  // The captions, translated afresh at each showing.
  void SetCaptions();
  ui::Actions actions_;
};
