#pragma once

#include <QMessageBox>
#include <memory>
#include <string>

#include "desktop/services.h"

namespace ui {

using desktop::MsgButtons;
using desktop::MsgIcon;

// The message box shown for `text`, wide enough that the desktop can show
// its whole title beside the title bar's buttons, however short the text.
std::unique_ptr<QMessageBox> MakeMessageBox(const std::string& text, const std::string& title,
                                            MsgIcon icon, MsgButtons buttons);

// The width a window needs for the desktop to show `title` whole.
int TitleBarWidth(const QString& title);

}  // namespace ui
