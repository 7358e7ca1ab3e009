#pragma once

// The process-wide reference to each window, so windows can reach each
// other. Set when each window is created at start-up; never changed after.

#include <functional>

class QWidget;
class Form1;

namespace ui {

struct WindowSet {
  Form1* form1 = nullptr;
  QWidget* form2 = nullptr;  // the management console
  QWidget* form4 = nullptr;  // the login dialog
  QWidget* form5 = nullptr;  // the drive dialog
  // Opens the console after a login for management (page 0, password
  // fields emptied).
  std::function<void()> open_console;
};

WindowSet& Windows();

}  // namespace ui
