#pragma once

// A window's control, found by its object name, as a person would find it
// by its place: tests and the screenshot tour reach the windows' controls
// only so. A name no control has ends the run at once, saying which.

#include <QObject>
#include <QString>
#include <QtGlobal>

namespace testing_support {

template <typename Control>
Control* Find(const QObject& window, const char* name) {
  Control* control = window.findChild<Control*>(QString::fromLatin1(name));
  if (control == nullptr) qFatal("no control named %s", name);
  return control;
}

}  // namespace testing_support
