#pragma once

// The process-wide reference to each window, so windows can reach each
// other without including each other. Each window registers itself when it
// is created at start-up; nothing changes afterwards.

#include <functional>
#include <string>

class QWidget;
class Form1;
class Form2;
class Form4;
class Form5;
class Form6;
class Form7;
class Form8;
class Form9;
class Form10;
class Form11;

namespace ui {

// A window as its own class, for the code of its own folder, and as the
// widget it is, for showing, hiding and enabling it from any window.
template <typename Form>
struct WindowRef {
  Form* form = nullptr;
  QWidget* widget = nullptr;
  explicit operator bool() const { return form != nullptr; }
};

struct WindowSet {
  WindowRef<Form1> form1;  // the main window: the device list
  WindowRef<Form2> form2;  // the management console
  WindowRef<Form4> form4;  // the login dialog
  WindowRef<Form5> form5;  // the drive dialog
  // The console's small dialogs: create, rename and share password of a
  // folder; create an FTP account; create and rename a folder from an
  // account's page.
  WindowRef<Form6> form6;
  WindowRef<Form7> form7;
  WindowRef<Form8> form8;
  WindowRef<Form9> form9;
  WindowRef<Form10> form10;
  WindowRef<Form11> form11;

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
