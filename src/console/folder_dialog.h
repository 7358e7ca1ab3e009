#pragma once

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

class Form2;

// What the small folder and account dialogs share: a few labelled edits
// and a Set button; validate, send one command, close, and give back the
// console button that opened the dialog. Each is a fixed-size, centred,
// modeless window, created once and only shown and hidden.
class FolderDialog : public QWidget {
 public:
  // The console button that opened this dialog; enabled again when the
  // dialog closes or its command is done.
  virtual QPushButton* Opener() const = 0;

  // Hides the dialog and gives the button back; the edits keep their text.
  void FormClose();

  // Longest name or password the device takes, in characters.
  static constexpr int kMaxLength = 12;

 protected:
  explicit FolderDialog(const char* title_key);

  // Adds a row: a label with its caption and an edit.
  QLineEdit* AddEdit(QLabel* label, const char* label_key, int max_length = kMaxLength);
  // Lays out the Set button under the edits and fixes the size; last.
  void Finish(QPushButton* set_button);

  // The name rule. Trims `edit` (written back), then refuses with a message
  // titled `title_key`: an empty name (nothing cleared), one longer than 12
  // characters, one `same_as` says is unchanged (message "New name entries
  // do not match!"), one with a character other than ASCII letters, digits,
  // "-", "_" and "=" (`invalid_key`, titled `invalid_title_key`). After the
  // last three the edit is cleared and it and `set_button` enabled again,
  // with `also_enable` if given. Returns the name when it passes.
  struct NameRule {
    const char* title_key;
    const char* invalid_key;
    const char* invalid_title_key;
    std::function<bool(const std::string&)> same_as = {};
    QWidget* also_enable = nullptr;
  };
  std::optional<std::string> CheckName(QLineEdit* edit, QPushButton* set_button,
                                       const NameRule& rule);

  // The console, through which the dialogs send their commands.
  static Form2& Console();
  // Sends `url` as the console's pages do, retrying while the device
  // refuses, then clears `edits`, gives the button back and hides. A command
  // too long to go out whole is not sent, and the dialog stays as it is,
  // the user told which value (`field_key`) makes it so.
  void SendAndClose(const std::string& url, const std::string& page_tag,
                    const std::function<void()>& reread, std::initializer_list<QLineEdit*> edits,
                    const char* field_key);

  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // Enter sets, Escape closes, as in any dialog.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QGridLayout* grid_;
  QPushButton* set_button_ = nullptr;
  int rows_ = 0;
};

// The number of characters (code points) of a UTF-8 text.
std::size_t CharacterCount(const std::string& utf8);
