// The program as it starts, reporting its main window's first paint: what
// the start-up benchmark times. The program itself carries no such hook.

#include "app/program.h"
#include "first_paint.h"

int main(int argc, char** argv) {
  return app::ProgramMain(argc, argv, bench::ReportFirstPaint);
}
