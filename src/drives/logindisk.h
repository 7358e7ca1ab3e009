#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "core/session_state.h"
#include "core/task.h"
#include "net/page_reader.h"
#include "ui/actions.h"

// The device login dialog: checks user name and password against the device
// and opens the drive dialog (or the console).
class Form4 : public QWidget {
 public:
  enum LoginResult { LoginOk = 0, LoginRefused = 1, LoginOtherStatus = 2, LoginNoAnswer = 3 };

  Form4();
  ~Form4() override;

  // One login check: up to 8 requests of the status page of `session`'s
  // device with its credentials (device work, for a worker thread).
  static LoginResult AttemptLogin(const core::SessionState& session, const net::PageGetter& get);

  core::Task<> MountBtnClick();
  core::Task<> MenBtnClick();
  // Shows the dialog for what the user is about to do: Enter then presses
  // "Manage Drive" (`manage`) or "Connect". For another device than the
  // last, and after a password change, the password starts empty.
  void Open(bool manage, bool password_changed);
  void FormShow();
  void FormClose();
  void FormPaint() {}

  QLabel* Label1;
  QLineEdit* UserEdit;
  QLabel* Password;
  QLineEdit* PassEdit;
  QPushButton* MountBtn;
  QPushButton* MenBtn;

  static constexpr int kLoginAttempts = 8;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // Enter presses the button of the way the dialog was opened (or the
  // button that has the focus), Escape closes.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Logs in with the typed credentials, which are kept in the session
  // whatever the outcome, retrying while the device refuses or answers
  // oddly; shows the failure message; true on success.
  core::Task<bool> LogIn(bool focus_password_on_refusal);
  // Tells the console the login was answered.
  static void Answered();

  bool manage_ = false;
  std::string device_;  // the device the dialog was last opened for
  ui::Actions actions_;
};
