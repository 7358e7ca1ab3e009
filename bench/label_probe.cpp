// A window with one line of text reporting its first paint: what the
// program's start is compared with where the start-up benchmark cannot
// start itself in turn (on Windows, under Wine). The same window as
// startup_bench --label.

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include "first_paint.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.resize(640, 400);
  (new QVBoxLayout(&window))->addWidget(new QLabel("IP Address", &window));
  bench::ReportFirstPaint(&window);
  window.show();
  return QApplication::exec();
}
