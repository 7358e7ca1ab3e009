#include "console/page_kit.h"

#include "i18n/translate.h"
#include "ui/ui.h"

namespace console {

void Tell(const std::string& text_key, const std::string& title_key, platform::MsgIcon icon) {
  platform::services().message_boxes->Show(i18n::Translate(text_key), i18n::Translate(title_key),
                                           icon, platform::MsgButtons::Ok);
}

bool Confirmed(const std::string& text, const std::string& title_key) {
  return platform::services().message_boxes->Show(
             text, i18n::Translate(title_key), platform::MsgIcon::Question,
             platform::MsgButtons::OkCancel) == platform::MsgResult::Ok;
}

namespace {

platform::MsgIcon IconOf(device::Icon icon) {
  switch (icon) {
    case device::Icon::Question:
      return platform::MsgIcon::Question;
    case device::Icon::Error:
      return platform::MsgIcon::Error;
    case device::Icon::Information:
      break;
  }
  return platform::MsgIcon::Information;
}

}  // namespace

void Tell(const device::Message& message) {
  platform::services().message_boxes->Show(message.text, message.title, IconOf(message.icon),
                                           platform::MsgButtons::Ok);
}

bool Confirmed(const device::Message& question) {
  return platform::services().message_boxes->Show(
             question.text, question.title, IconOf(question.icon),
             platform::MsgButtons::OkCancel) == platform::MsgResult::Ok;
}

void Present(QWidget* dialog, QLineEdit* edit) {
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
  edit->setFocus();
}

void RadioPair(QWidget* panel, QRadioButton* first, QRadioButton* second) {
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(first);
  row->addWidget(second);
  row->addStretch(1);
}

std::pair<QPushButton*, QPushButton*> MoveButtons(QWidget* parent) {
  auto* to_sharing = new QPushButton(ui::Tr("-->"), parent);
  auto* to_folders = new QPushButton(ui::Tr("<--"), parent);
  to_sharing->setAccessibleName(ui::Tr("Move to Sharing List"));
  to_folders->setAccessibleName(ui::Tr("Move to Folder List"));
  return {to_sharing, to_folders};
}

}  // namespace console
