#pragma once

// The process-wide reference to each window, so windows can reach each
// other without including each other. Each window registers itself when it
// is created at start-up; nothing changes afterwards.

#include <functional>
#include <string>

class QWidget;

namespace ui {

struct WindowSet {
  QWidget* form1 = nullptr;  // the main window: the device list
  QWidget* form2 = nullptr;  // the management console
  QWidget* form4 = nullptr;  // the login dialog
  QWidget* form5 = nullptr;  // the drive dialog
  // The console's small dialogs: create, rename and share password of a
  // folder; create an FTP account; create and rename a folder from an
  // account's page.
  QWidget* form6 = nullptr;
  QWidget* form7 = nullptr;
  QWidget* form8 = nullptr;
  QWidget* form9 = nullptr;
  QWidget* form10 = nullptr;
  QWidget* form11 = nullptr;

  // What a window asks of another beyond showing, hiding and enabling it;
  // each is set by the window that answers it.
  std::function<void()> rescan;                                  // the main window's scan
  std::function<bool(const std::string& address)> check_subnet;  // the main window's check
  // Opens the console after a login for management (first page, password
  // fields emptied).
  std::function<void()> open_console;
  // Closes the console and its dialogs, wherever they stand.
  std::function<void()> close_console;
  // The login dialog was answered or closed: a console waiting for it is
  // usable again.
  std::function<void()> login_answered;
  // Shows the login dialog for what the user is about to do: the console
  // (`manage`, also after a password change) or a drive. Its password
  // starts empty for another device than the last, and after
  // `password_changed`.
  std::function<void(bool manage, bool password_changed)> open_login;
};

WindowSet& Windows();

}  // namespace ui
