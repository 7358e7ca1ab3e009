#pragma once

// Small pieces every console page and dialog uses: command URLs, the
// message boxes they show, and a few layout helpers.

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <string>

#include "desktop/services.h"
#include "device/device.h"

namespace console {

// A message box whose text and title are translated from their keys.
void Tell(const std::string& text_key, const std::string& title_key,
          desktop::MsgIcon icon = desktop::MsgIcon::Information);

// Asks `text` (already translated) with OK and Cancel; true on OK.
bool Confirmed(const std::string& text, const std::string& title_key);

// A message of the device's rules, and a question of theirs (true on OK).
void Tell(const device::Message& message);
bool Confirmed(const device::Message& question);

// Brings a modeless dialog up in front with the focus in `edit`.
void Present(QWidget* dialog, QLineEdit* edit);

// Lays two radio buttons side by side on their own panel, one group.
void RadioPair(QWidget* panel, QRadioButton* first, QRadioButton* second);

// The arrow buttons between a folder list and a sharing list, made with
// the names a screen reader says for them.
std::pair<QPushButton*, QPushButton*> MoveButtons(QWidget* parent);

}  // namespace console
