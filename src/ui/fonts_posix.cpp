// The font configuration read ahead, on a desktop with fontconfig.

#include <fontconfig/fontconfig.h>

#include "ui/ui.h"

namespace ui {

FontWarmer::FontWarmer() : thread_([] { FcInit(); }) {}

}  // namespace ui
