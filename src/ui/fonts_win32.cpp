// On Windows the fonts are the system's own, which DirectWrite finds when
// the first text is drawn: there is no configuration to read ahead, and so
// no thread to start.

#include "ui/ui.h"

namespace ui {

FontWarmer::FontWarmer() = default;

}  // namespace ui
