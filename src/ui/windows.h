#pragma once

// The process-wide reference to each window, so windows can reach each
// other. Set when each window is created at start-up; never changed after.

class Form1;

namespace ui {

struct WindowSet {
  Form1* form1 = nullptr;
};

WindowSet& Windows();

}  // namespace ui
