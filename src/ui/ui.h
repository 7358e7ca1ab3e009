#pragma once

// Small helpers every window uses: text at the widget boundary, the error
// report, and guarded event handlers.

#include <QApplication>
#include <QString>
#include <exception>
#include <functional>
#include <string>
#include <thread>

namespace ui {

inline QString Q(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
inline std::string S(const QString& text) {
  return text.toUtf8().toStdString();
}
// The translation of `key`, for a caption.
QString Tr(const std::string& key);

// The standard error report: a message box with the error's text. It
// opens, and nothing waits for it.
void ReportError(const std::exception& error);
void ReportUnknownError();
void ReportError(std::exception_ptr error);

// Wraps an event handler so that an error escaping it is reported and ends
// only that handler; the event loop goes on.
template <typename F>
auto Guard(F handler) {
  return [handler = std::move(handler)]() {
    try {
      handler();
    } catch (const std::exception& e) {
      ReportError(e);
    } catch (...) {
      ReportUnknownError();
    }
  };
}

// Reads the system's font configuration on a thread of its own from
// construction on; joined by Finish().
class FontWarmer {
 protected:
  FontWarmer();
  ~FontWarmer();
  void Finish();

 private:
  std::thread thread_;
};

// The application object: an error that escapes any event's handling is
// reported the same way instead of unwinding through the toolkit.
//
// The first text a window draws needs the font configuration, the largest
// single cost of showing the main window; it is read on another core while
// the toolkit connects to the display.
class Application : private FontWarmer, public QApplication {
 public:
  Application(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Loads the toolkit's own texts (the buttons of message boxes, the file
// dialog) in `language`, the program's language ("zh-TW", "en"), from the
// system's Qt translations. False when there are none for it; English
// needs none.
bool UseToolkitLanguage(const std::string& language);

// Runs `then` once, as soon as `window` has been painted for the first time.
void AfterFirstPaint(QWidget* window, std::function<void()> then);

}  // namespace ui

#include <QLabel>

#include "device/device.h"

class QWidget;
class QPushButton;
class QLineEdit;
namespace ui {
// A label that shows its text exactly as it is: a text from a device, a
// file or the user is never taken for markup (a picture, a link, colours).
// Every label of the program is one.
class Label : public QLabel {
 public:
  explicit Label(QWidget* parent = nullptr);
  Label(const QString& text, QWidget* parent);
};

// A tooltip that shows `text` exactly as it is, on one line per line.
QString ToolTipFromPlainText(const QString& text);

// Limits what can be typed into `edit` to `characters`. Unlike a maximum
// length, the limit is for typing only: a longer text put there by the
// program (a device's value) is shown and kept whole, and can be shortened.
void SetTypingLimit(QLineEdit* edit, int characters);

// Shows a value the device gave in `edit` and remembers it, so that
// EntryOf tells what the person changed from the device's own value (which
// then goes back whole, whatever the typing rules).
void ShowDeviceValue(QLineEdit* edit, const std::string& value);
device::Entry EntryOf(const QLineEdit* edit);

// Places a top-level window in the middle of its screen.
void CenterOnScreen(QWidget* window);
// Makes `window` belong to `owner` for the desktop: it stays above it, and
// a click on the owner does not hide it behind. Nothing when there is no
// owner.
void SetOwner(QWidget* window, QWidget* owner);
// A dialog's keys: Enter presses `main_button` (when it is enabled), Escape
// closes `dialog`. True when `key` was one of them.
bool DialogKey(QWidget* dialog, int key, QPushButton* main_button);
}  // namespace ui
