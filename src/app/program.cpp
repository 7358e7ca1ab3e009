#include "app/program.h"

#include <QApplication>
#include <cstdlib>

#include "console/ftp_dialogs.h"
#include "console/menuform.h"
#include "console/smb_dialogs.h"
#include "drives/logindisk.h"
#include "drives/mountform.h"
#include "mainwindow/mainform.h"
#include "ui/accessibility.h"
#include "ui/ui.h"
#include "ui/wait_window.h"

namespace app {

namespace {

// Labels and shortcuts, once a window's captions are set.
void Finish(QWidget* window) {
  ui::LabelInputs(window);
  ui::GiveShortcuts(window);
}

}  // namespace

std::unique_ptr<QWidget> CreateMainWindow() {
  auto form1 = std::make_unique<Form1>();
  form1->FormCreate();
  Finish(form1.get());
  return form1;
}

void CreateOtherWindows(std::vector<std::unique_ptr<QWidget>>& windows) {
  const std::size_t first = windows.size();
  windows.push_back(std::make_unique<Form2>());
  windows.push_back(std::make_unique<Form4>());
  windows.push_back(std::make_unique<Form5>());
  windows.push_back(std::make_unique<Form6>());
  windows.push_back(std::make_unique<Form7>());
  windows.push_back(std::make_unique<Form8>());
  windows.push_back(std::make_unique<Form9>());
  windows.push_back(std::make_unique<Form10>());
  windows.push_back(std::make_unique<Form11>());
  // What every wait on a device shows; the last window, so it is the first
  // to go.
  windows.push_back(std::make_unique<ui::WaitWindow>());
  for (std::size_t i = first; i < windows.size(); ++i) Finish(windows[i].get());
}

std::vector<std::unique_ptr<QWidget>> CreateWindows() {
  std::vector<std::unique_ptr<QWidget>> windows;
  windows.push_back(CreateMainWindow());
  CreateOtherWindows(windows);
  return windows;
}

int RunProgram(const std::function<void(QWidget*)>& before_show) {
  std::vector<std::unique_ptr<QWidget>> windows;
  try {
    windows.push_back(CreateMainWindow());
  } catch (const std::exception& e) {
    ui::ReportError(e);
    return 0;
  }
  QWidget* main_window = windows.front().get();
  // The hidden windows are not needed before the main window is seen; they
  // are made right after its first paint, before anything can be clicked.
  ui::AfterFirstPaint(main_window, [&windows] {
    try {
      CreateOtherWindows(windows);
    } catch (const std::exception& e) {
      ui::ReportError(e);
      QApplication::exit(0);
    }
  });
  if (before_show) before_show(main_window);
  ui::CenterOnScreen(main_window);
  main_window->show();
  QApplication::exec();
  return 0;
}

}  // namespace app
