// Every window of the program, walked control by control as a screen
// reader and the keyboard meet them.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include "app/program.h"
#include "drives/mountform.h"
#include "gui_test_support.h"
#include "mainwindow/mainform.h"
#include "net/discovery.h"
#include "support/click.h"

namespace {

bool TakesInput(QWidget* widget) {
  return qobject_cast<QLineEdit*>(widget) != nullptr ||
         qobject_cast<QComboBox*>(widget) != nullptr ||
         qobject_cast<QAbstractSpinBox*>(widget) != nullptr ||
         qobject_cast<QAbstractButton*>(widget) != nullptr ||
         qobject_cast<QAbstractItemView*>(widget) != nullptr;
}

TEST(AccessibilityTest, EveryInputControlOfEveryWindowHasAName) {
  platform::fakes::FakePlatform fakes;
  auto windows = app::CreateWindows();
  std::string unnamed;
  for (const auto& window : windows) {
    for (QWidget* widget : window->findChildren<QWidget*>()) {
      if (!TakesInput(widget) || widget->isHidden()) continue;  // hidden by design
      // The toolkit's own parts: a table's header, a combo box's popup and edit.
      if (qobject_cast<QHeaderView*>(widget) != nullptr) continue;
      bool in_combo = false;
      for (QWidget* up = widget->parentWidget(); up != nullptr; up = up->parentWidget())
        in_combo |= qobject_cast<QComboBox*>(up) != nullptr;
      if (in_combo || widget->window() != window.get()) continue;
      QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
      if (accessible != nullptr && !accessible->text(QAccessible::Name).trimmed().isEmpty())
        continue;
      unnamed += "\n  " + std::string(window->metaObject()->className()) + ": " +
                 widget->metaObject()->className() + " " + widget->objectName().toStdString();
    }
  }
  EXPECT_TRUE(unnamed.empty()) << "input controls without a name:" << unnamed;
}

TEST(AccessibilityTest, TheDeviceListIsOneTabStopAndCutTextsHaveTooltips) {
  platform::fakes::FakePlatform fakes;
  Form1 main;
  main.FormCreate();
  main.show();
  fakes.network->Deliver(net::BuildDiscoveryReply("NAS", "G", "1.0.23-build-2026-11-30"),
                         "192.168.1.77");
  EXPECT_FALSE(main.HDListView->tabKeyNavigation());
  QTableWidgetItem* firmware = main.HDListView->item(0, 3);
  ASSERT_NE(firmware, nullptr);
  EXPECT_EQ(firmware->toolTip(), "1.0.23-build-2026-11-30");
}

TEST(AccessibilityTest, TheReconnectTextTicksItsBoxAndEscapeClosesTheDriveDialog) {
  platform::fakes::FakePlatform fakes;
  Form1 main;
  Form5 drives;
  drives.show();
  const bool before = drives.chk_AutoReconnect->isChecked();
  testing_support::Click(drives.lab_AutoReconnect);
  EXPECT_NE(drives.chk_AutoReconnect->isChecked(), before);

  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(drives.MountSetBtn, &escape);
  EXPECT_FALSE(drives.isVisible());
}

}  // namespace
