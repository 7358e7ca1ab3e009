#pragma once

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/task.h"
#include "device/device.h"

class Form2;

// What the small folder and account dialogs share: a few labelled edits
// and a Set button; validate, send one command, close, and give back the
// console button that opened the dialog. Each is a fixed-size, centred,
// modeless window, created once and only shown and hidden.
class FolderDialog : public QWidget {
 public:
  // The console button enabled again when the dialog closes or its command
  // is done: the one that opened it, but "Create" for the rename and
  // password dialogs of the File Server page.
  virtual QPushButton* ReenabledButton() const = 0;

  // Hides the dialog and gives the button back; the edits keep their text.
  void FormClose();

 protected:
  explicit FolderDialog(const char* title_key);

  // Adds a row: a label with its caption and an edit.
  QLineEdit* AddEdit(QLabel* label, const char* label_key,
                     int max_length = static_cast<int>(device::kMaxNameLength));
  // Lays out the Set button under the edits and fixes the size; last.
  void Finish(QPushButton* set_button);

  // The console, through which the dialogs send their commands.
  static Form2& Console();
  // Carries out what the rule decided for the dialog's values. A refusal is
  // shown; one of a value to be typed again clears `typed` and makes it and
  // the Set button usable again. A command is sent as the console's pages
  // send it, then `edits` are cleared, the button given back and the dialog
  // hidden; one too long to go out whole is not sent, and the dialog stays.
  core::Task<> Carry(device::Plan plan, std::vector<QLineEdit*> typed,
                     std::vector<QLineEdit*> edits, std::function<core::Task<>()> reread);
  // Runs `action` as the console's action: the dialogs send on its device,
  // with its clients.
  static void Act(std::function<core::Task<>()> action);
  // Trims each of `edits` and writes it back, as the rule reads them.
  static void Trimmed(std::initializer_list<QLineEdit*> edits);

  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // Enter sets, Escape closes, as in any dialog.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QGridLayout* grid_;
  QPushButton* set_button_ = nullptr;
  int rows_ = 0;
};
