#pragma once

// Input as the desktop delivers it, for window tests.

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace testing_support {

// A left click at the middle of `widget`: a press and a release.
inline void Click(QWidget* widget) {
  const QPointF middle = QRectF(widget->rect()).center();
  const QPointF global = widget->mapToGlobal(middle);
  QMouseEvent press(QEvent::MouseButtonPress, middle, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, middle, global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
  QApplication::sendEvent(widget, &release);
}

}  // namespace testing_support
