#include "console/page_kit.h"

#include "console/menuform.h"
#include "core/command_submission.h"
#include "net/command_client.h"
#include "net/waiting.h"
#include "ui/ui.h"

#include "i18n/translate.h"

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

// What the pages share on the console window: carrying out the device's
// rules, the tab row as the pages change it, and the folder lists.

void Form2::Pause() const {
  net::Pause(ConsolePauseMs);
}

void Form2::SetTabShown(int index, bool shown) {
  selecting_ = true;
  // A hidden page is out of reach by any means: the tab keys, its controls'
  // shortcuts, the accessibility actions.
  PageControl1->setTabVisible(index, shown);
  PageControl1->setTabEnabled(index, shown);
  selecting_ = false;
}

void Form2::SelectPage(int index) {
  selecting_ = true;
  PageControl1->setCurrentIndex(index);
  selecting_ = false;
}

bool Form2::Carry(const device::Plan& plan, const std::function<void()>& reread) {
  if (const device::Refusal* refused = device::Refused(plan)) {
    console::Tell(refused->message);
    return false;
  }
  return Send(std::get<device::Command>(plan), reread) != core::Submitted::NotSent;
}

core::Submitted Form2::Send(const device::Command& command, const std::function<void()>& reread) {
  // A command too long to go out whole is not sent: the user is told which
  // value makes it so.
  if (!net::CommandClient::Fits(command.url)) {
    console::Tell("This value is too long to be sent. Shorten it and try again.",
                  command.field != nullptr ? command.field : "Set");
    return core::Submitted::NotSent;
  }
  return core::SubmitCommand(*CommandClient, *this, command, reread);
}

void Form2::FillList(QListWidget* list, std::vector<std::string>& kept,
                     const std::vector<std::string>& entries) {
  quiet_lists_ = true;
  list->clear();
  kept = entries;
  for (const std::string& entry : entries) list->addItem(ui::Q(entry));
  quiet_lists_ = false;
}

std::optional<std::string> Form2::Selected(const QListWidget* list,
                                           const std::vector<std::string>& kept) const {
  const auto items = list->selectedItems();
  if (items.isEmpty()) return std::nullopt;
  const int row = list->row(items.first());
  if (row < 0 || row >= static_cast<int>(kept.size())) return std::nullopt;
  return kept[static_cast<std::size_t>(row)];
}

void Form2::ClearSelections(std::initializer_list<QListWidget*> lists) {
  quiet_lists_ = true;
  for (QListWidget* list : lists) list->clearSelection();
  quiet_lists_ = false;
}

void Form2::ListClicks(QListWidget* list, void (Form2::*handler)()) {
  connect(list, &QListWidget::itemSelectionChanged, this, [this, handler] {
    if (!quiet_lists_) ui::Guard([this, handler] { (this->*handler)(); })();
  });
  // A click on the entry already selected counts too: it makes the buttons
  // usable again after a refusal.
  connect(list, &QListWidget::itemClicked, this,
          ui::Guard([this, handler] { (this->*handler)(); }));
}
