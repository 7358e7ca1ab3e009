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

std::vector<std::unique_ptr<QWidget>> CreateWindows() {
  std::vector<std::unique_ptr<QWidget>> windows;
  auto form1 = std::make_unique<Form1>();
  form1->FormCreate();
  windows.push_back(std::move(form1));
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
  for (const auto& window : windows) {
    ui::LabelInputs(window.get());
    ui::GiveShortcuts(window.get());
  }
  return windows;
}

int RunProgram() {
  std::vector<std::unique_ptr<QWidget>> windows;
  try {
    windows = CreateWindows();
  } catch (const std::exception& e) {
    ui::ReportError(e);
    return 0;
  }
  // The start-up benchmark times the main window's first paint.
  if (std::getenv("BREVANE_BENCH_FIRST_PAINT") != nullptr)
    ui::ReportFirstPaint(windows.front().get());
  ui::CenterOnScreen(windows.front().get());
  windows.front()->show();
  QApplication::exec();
  return 0;
}

}  // namespace app
