#pragma once

class QWidget;

namespace ui {

// Makes each caption label beside an input control (to its left in a grid
// row or a row of widgets) that control's buddy, so screen readers name the
// control by the label's text, whatever language it shows.
void LabelInputs(QWidget* window);

}  // namespace ui
