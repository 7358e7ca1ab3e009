#pragma once

// For the start-up benchmark: once `window` has been painted for the first
// time, prints "painted NS KB" (the steady clock's time in nanoseconds and
// the resident memory) and ends the process.

class QWidget;

namespace bench {

void ReportFirstPaint(QWidget* window);

}  // namespace bench
