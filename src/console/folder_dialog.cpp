#include "console/folder_dialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "console/menuform.h"
#include "console/page_kit.h"
#include "desktop/services.h"
#include "device/text.h"
#include "i18n/translate.h"
#include "ui/message_box.h"
#include "ui/ui.h"
#include "ui/window_refs.h"

FolderDialog::FolderDialog(const char* title_key) : grid_(new QGridLayout) {
  setWindowTitle(ui::Tr(title_key));
}

QLineEdit* FolderDialog::AddEdit(QLabel* label, const char* label_key, int max_length) {
  auto* edit = new QLineEdit(this);
  if (max_length > 0) ui::SetTypingLimit(edit, max_length);
  label->setText(ui::Tr(label_key));
  label->setBuddy(edit);
  grid_->addWidget(label, rows_, 0);
  grid_->addWidget(edit, rows_++, 1);
  return edit;
}

void FolderDialog::Finish(QPushButton* set_button) {
  set_button->setText(ui::Tr("Set"));
  set_button->setMinimumWidth(90);
  set_button->setDefault(true);
  set_button_ = set_button;
  grid_->setColumnStretch(1, 1);
  grid_->setColumnMinimumWidth(1, 180);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(set_button);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid_);
  layout->addLayout(buttons);
  // Wide enough for the desktop to show the whole title.
  setFixedSize(std::max(sizeHint().width(), ui::TitleBarWidth(windowTitle())), sizeHint().height());
}

Form2& FolderDialog::Console() {
  return *ui::Windows().form2.form;
}

void FolderDialog::Trimmed(std::initializer_list<QLineEdit*> edits) {
  for (QLineEdit* edit : edits) edit->setText(ui::Q(device::Trim(ui::S(edit->text()))));
}

core::Task<> FolderDialog::Carry(device::Plan plan, std::vector<QLineEdit*> typed,
                                 std::vector<QLineEdit*> edits,
                                 std::function<core::Task<>()> reread) {
  if (const device::Refusal* refused = device::Refused(plan)) {
    co_await console::Tell(refused->message);
    if (refused->clear) {
      for (QLineEdit* edit : typed) {
        edit->clear();
        edit->setEnabled(true);
      }
      set_button_->setEnabled(true);
    }
    co_return;
  }
  // Too long to go out whole, it is not sent and the dialog stays.
  const core::Submitted sent =
      co_await Console().Send(std::get<device::Command>(std::move(plan)), std::move(reread));
  if (sent == core::Submitted::NotSent) co_return;
  for (QLineEdit* edit : edits) edit->clear();
  ReenabledButton()->setEnabled(true);
  hide();
}

void FolderDialog::Act(std::function<core::Task<>()> action) {
  Console().Act(std::move(action));
}

void FolderDialog::FormClose() {
  hide();
  ReenabledButton()->setEnabled(true);
}

void FolderDialog::closeEvent(QCloseEvent* event) {
  event->accept();
  ui::Guard([this] { FormClose(); })();
}

void FolderDialog::keyPressEvent(QKeyEvent* event) {
  if (!ui::DialogKey(this, event->key(), set_button_)) QWidget::keyPressEvent(event);
}

void FolderDialog::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;  // restored, not shown anew
  // It belongs to the console: always above it.
  ui::SetOwner(this, ui::Windows().form2.widget);
  ui::CenterOnScreen(this);
}
