#include "ui/ui.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <QVariant>

#include "core/task.h"
#include "desktop/services.h"
#include "i18n/translate.h"

namespace ui {

namespace {
constexpr char kReportTitle[] = "Brevane";
}

namespace {

// Opens the report, and goes on: nothing waits for it. An action the user
// cancelled ends quietly.
void Report(const std::string& text) {
  if (net::ActionCancelled()) return;
  desktop::services().message_boxes->Open(text, kReportTitle, desktop::MsgIcon::Error,
                                          desktop::MsgButtons::Ok, [](desktop::MsgResult) {});
}

}  // namespace

void ReportError(const std::exception& error) {
  Report(error.what());
}

void ReportUnknownError() {
  Report("Unknown error.");
}

void ReportError(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    ReportError(e);
  } catch (...) {
    ReportUnknownError();
  }
}

QString Tr(const std::string& key) {
  return Q(i18n::Translate(key));
}

FontWarmer::~FontWarmer() {
  Finish();
}

void FontWarmer::Finish() {
  if (thread_.joinable()) thread_.join();
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  Finish();
  // An action nobody awaited reports its error as any handler does.
  core::SetUnhandledErrorReporter([](std::exception_ptr error) { ReportError(error); });
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ReportError(e);
  } catch (...) {
    ReportUnknownError();
  }
  return false;
}

}  // namespace ui

#include "ui/window_refs.h"

namespace ui {

WindowSet& Windows() {
  static WindowSet set;
  return set;
}

}  // namespace ui

#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QValidator>
#include <QWidget>
#include <QWindow>

namespace ui {

Label::Label(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
}

Label::Label(const QString& text, QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setText(text);
}

QString ToolTipFromPlainText(const QString& text) {
  // A tooltip is always read as rich text when it looks like it; this one
  // is markup that says the text itself.
  return Qt::convertFromPlainText(text, Qt::WhiteSpacePre);
}

namespace {

// Refuses an edit that would make the text longer than the limit and
// longer than it was (the edit holds the new text while it is judged).
class TypingLimit : public QValidator {
 public:
  TypingLimit(QLineEdit* edit, int characters)
      : QValidator(edit), limit_(characters), length_(edit->text().toUcs4().size()) {
    connect(edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { length_ = text.toUcs4().size(); });
  }
  State validate(QString& input, int&) const override {
    const auto length = input.toUcs4().size();
    return length <= limit_ || length <= length_ ? Acceptable : Invalid;
  }

 private:
  qsizetype limit_;
  qsizetype length_;
};

}  // namespace

void SetTypingLimit(QLineEdit* edit, int characters) {
  edit->setValidator(new TypingLimit(edit, characters));
}

namespace {
constexpr char kDeviceValue[] = "brevaneDeviceValue";
}

void ShowDeviceValue(QLineEdit* edit, const std::string& value) {
  edit->setText(Q(value));
  edit->setProperty(kDeviceValue, QByteArray::fromStdString(value));
}

device::Entry EntryOf(const QLineEdit* edit) {
  const QVariant kept = edit->property(kDeviceValue);
  return device::EntryOf(S(edit->text()), kept.isValid()
                                              ? std::optional(kept.toByteArray().toStdString())
                                              : std::nullopt);
}

void SetOwner(QWidget* window, QWidget* owner) {
  if (owner == nullptr || owner == window) return;
  owner = owner->window();
  window->winId();  // the native windows, so the desktop can be told
  owner->winId();
  window->windowHandle()->setTransientParent(owner->windowHandle());
}

void CenterOnScreen(QWidget* window) {
  const QScreen* screen = window->screen();
  if (screen == nullptr) return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

}  // namespace ui

namespace ui {

bool DialogKey(QWidget* dialog, int key, QPushButton* main_button) {
  if (key == Qt::Key_Escape) {
    dialog->close();
    return true;
  }
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  if (main_button != nullptr && main_button->isEnabled()) main_button->click();
  return true;
}

bool UseToolkitLanguage(const std::string& language) {
  static QTranslator translator;
  QCoreApplication::removeTranslator(&translator);
  if (language == "en") return true;
  // "zh-TW" is the locale zh_TW.
  std::string name = language;
  for (char& c : name) {
    if (c == '-') c = '_';
  }
  if (!translator.load(QLocale(Q(name)), "qtbase", "_",
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return false;
  }
  return QCoreApplication::installTranslator(&translator);
}

namespace {

class FirstPaint : public QObject {
 public:
  FirstPaint(QWidget* window, std::function<void()> then)
      : QObject(window), then_(std::move(then)) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && then_) {
      // Once the paint is done.
      QTimer::singleShot(0, parent(), std::exchange(then_, nullptr));
      deleteLater();
    }
    return false;
  }

 private:
  std::function<void()> then_;
};

}  // namespace

void AfterFirstPaint(QWidget* window, std::function<void()> then) {
  window->installEventFilter(new FirstPaint(window, std::move(then)));
}

}  // namespace ui
