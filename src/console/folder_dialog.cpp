#include "console/folder_dialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "console/menuform.h"
#include "console/page_kit.h"
#include "core/text.h"
#include "i18n/translate.h"
#include "platform/platform.h"
#include "ui/message_box.h"
#include "ui/ui.h"
#include "ui/windows.h"

std::size_t CharacterCount(const std::string& utf8) {
  std::size_t count = 0;
  for (const char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

namespace {

bool AllowedInName(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' ||
         c == '_' || c == '=';
}

}  // namespace

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

std::optional<std::string> FolderDialog::CheckName(QLineEdit* edit, QPushButton* set_button,
                                                   const NameRule& rule) {
  const std::string name = core::Trim(ui::S(edit->text()));
  edit->setText(ui::Q(name));
  if (name.empty()) {
    console::Tell("Value is empty", rule.title_key);
    return std::nullopt;
  }
  auto refuse = [&](const char* text_key, const char* title_key) {
    console::Tell(text_key, title_key);
    edit->clear();
    edit->setEnabled(true);
    set_button->setEnabled(true);
    return std::nullopt;
  };
  if (CharacterCount(name) > kMaxLength) {
    if (rule.also_enable) rule.also_enable->setEnabled(true);
    return refuse("Over Maximum (12 characters).", rule.title_key);
  }
  if (rule.same_as && rule.same_as(name))
    return refuse("New name entries do not match!", rule.title_key);
  for (const char c : name)
    if (!AllowedInName(c)) return refuse(rule.invalid_key, rule.invalid_title_key);
  return name;
}

Form2& FolderDialog::Console() {
  return *static_cast<Form2*>(ui::Windows().form2);
}

void FolderDialog::SendAndClose(const std::string& url, const std::string& page_tag,
                                const std::function<void()>& reread,
                                std::initializer_list<QLineEdit*> edits, const char* field_key) {
  if (!Console().Sendable(url, field_key)) return;
  Console().SubmitWithRetries(url, page_tag, reread, field_key);
  for (QLineEdit* edit : edits) edit->clear();
  Opener()->setEnabled(true);
  hide();
}

void FolderDialog::FormClose() {
  hide();
  Opener()->setEnabled(true);
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
  ui::SetOwner(this, ui::Windows().form2);
  ui::CenterOnScreen(this);
}
