#pragma once

class QWidget;

namespace ui {

// Makes each caption label the buddy of the control it names, so screen
// readers name the control by the label's text, whatever language it shows:
// the input to its right in a grid (or the first one of a row nested
// there), the next one in a row of widgets, a list under it, or else the
// value label to its right, named by it while empty. Labels without words
// ("/", ":") name nothing, and a control given its name as it was made
// keeps it.
void LabelInputs(QWidget* window);

// Gives the window's buttons, check boxes and labelled inputs keyboard
// shortcuts (Alt and a letter of their caption, underlined), each letter used
// once in what is shown together: the window, and each of its tab pages with
// the letters of the window's own controls kept out. A caption without a
// Latin letter (a Chinese one) gets "(&X)" after it, as is usual there. An '&'
// already in a caption is shown as it is. Run after the window's captions
// are set and its labels have their buddies, and again whenever the window
// sets some of them anew: the letters come out the same.
void GiveShortcuts(QWidget* window);

}  // namespace ui
