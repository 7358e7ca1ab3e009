#include "console/page_kit.h"

#include "i18n/translate.h"
#include "ui/ui.h"

namespace console {

core::AskAwaiter Tell(const std::string& text_key, const std::string& title_key,
                      desktop::MsgIcon icon) {
  return core::Ask(i18n::Translate(text_key), i18n::Translate(title_key), icon,
                   desktop::MsgButtons::Ok);
}

core::Task<bool> Confirmed(std::string text, std::string title_key) {
  co_return co_await core::Ask(std::move(text), i18n::Translate(title_key),
                               desktop::MsgIcon::Question,
                               desktop::MsgButtons::OkCancel) == desktop::MsgResult::Ok;
}

namespace {

desktop::MsgIcon IconOf(device::Icon icon) {
  switch (icon) {
    case device::Icon::Question:
      return desktop::MsgIcon::Question;
    case device::Icon::Error:
      return desktop::MsgIcon::Error;
    case device::Icon::Information:
      break;
  }
  return desktop::MsgIcon::Information;
}

}  // namespace

core::AskAwaiter Tell(const device::Message& message) {
  return core::Ask(message.text, message.title, IconOf(message.icon), desktop::MsgButtons::Ok);
}

core::Task<bool> Confirmed(device::Message question) {
  co_return co_await core::Ask(question.text, question.title, IconOf(question.icon),
                               desktop::MsgButtons::OkCancel) == desktop::MsgResult::Ok;
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

QGridLayout* Grid(QWidget* parent, std::initializer_list<Cell> cells) {
  auto* grid = parent != nullptr ? new QGridLayout(parent) : new QGridLayout;
  for (const Cell& cell : cells) {
    if (cell.layout != nullptr)
      grid->addLayout(cell.layout, cell.row, cell.column, cell.rows, cell.columns);
    else
      grid->addWidget(cell.widget, cell.row, cell.column, cell.rows, cell.columns, cell.align);
  }
  return grid;
}

QGridLayout* Rows(QWidget* parent, std::initializer_list<std::pair<QWidget*, QWidget*>> rows,
                  QPushButton* button) {
  auto* grid = new QGridLayout(parent);
  int row = 0;
  for (const auto& [caption, control] : rows) {
    grid->addWidget(caption, row, 0);
    grid->addWidget(control, row++, 1);
  }
  grid->addLayout(ButtonRow(button), row, 0, 1, 2);
  return grid;
}

QHBoxLayout* ButtonRow(QPushButton* button) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  button->setMinimumWidth(80);
  row->addWidget(button);
  return row;
}

std::pair<QPushButton*, QPushButton*> MoveButtons(QWidget* parent) {
  auto* to_sharing = new QPushButton(ui::Tr("-->"), parent);
  auto* to_folders = new QPushButton(ui::Tr("<--"), parent);
  to_sharing->setAccessibleName(ui::Tr("Move to Sharing List"));
  to_folders->setAccessibleName(ui::Tr("Move to Folder List"));
  return {to_sharing, to_folders};
}

}  // namespace console
