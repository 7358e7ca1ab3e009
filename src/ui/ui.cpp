#include "ui/ui.h"

#include "i18n/translate.h"
#include "platform/platform.h"

namespace ui {

namespace {
constexpr char kReportTitle[] = "Brevane";
}

void ReportError(const std::exception& error) {
  platform::services().message_boxes->Show(error.what(), kReportTitle, platform::MsgIcon::Error,
                                           platform::MsgButtons::Ok);
}

void ReportUnknownError() {
  platform::services().message_boxes->Show("Unknown error.", kReportTitle, platform::MsgIcon::Error,
                                           platform::MsgButtons::Ok);
}

QString Tr(const std::string& key) {
  return Q(i18n::Translate(key));
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

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

#include "ui/windows.h"

namespace ui {

WindowSet& Windows() {
  static WindowSet set;
  return set;
}

}  // namespace ui

#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QWidget>

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

}  // namespace ui
