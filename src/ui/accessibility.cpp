#include "ui/accessibility.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QBoxLayout>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QWidget>

namespace ui {
namespace {

bool TakesInput(const QWidget* widget) {
  return qobject_cast<const QAbstractItemView*>(widget) != nullptr ||
         qobject_cast<const QLineEdit*>(widget) != nullptr ||
         qobject_cast<const QComboBox*>(widget) != nullptr ||
         qobject_cast<const QAbstractSpinBox*>(widget) != nullptr ||
         (qobject_cast<const QAbstractButton*>(widget) != nullptr &&
          static_cast<const QAbstractButton*>(widget)->text().isEmpty());
}

// The input control just after `index` in `layout`, if the next widget is one.
QWidget* NextInput(QLayout* layout, int index) {
  if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
    int row = 0, column = 0, rows = 0, columns = 0;
    grid->getItemPosition(index, &row, &column, &rows, &columns);
    QLayoutItem* next = grid->itemAtPosition(row, column + columns);
    QWidget* widget = next != nullptr ? next->widget() : nullptr;
    return widget != nullptr && TakesInput(widget) ? widget : nullptr;
  }
  if (auto* box = qobject_cast<QBoxLayout*>(layout)) {
    // Beside it in a row; a list may have its label above it.
    const bool row = box->direction() == QBoxLayout::LeftToRight;
    if (!row && box->direction() != QBoxLayout::TopToBottom) return nullptr;
    for (int i = index + 1; i < box->count(); ++i) {
      QWidget* widget = box->itemAt(i)->widget();
      if (widget == nullptr) continue;  // a spacing
      if (!row && qobject_cast<QAbstractItemView*>(widget) == nullptr) return nullptr;
      return TakesInput(widget) ? widget : nullptr;
    }
  }
  return nullptr;
}

void LabelInLayout(QLayout* layout) {
  for (int i = 0; i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (QLayout* inner = item->layout()) {
      LabelInLayout(inner);
      continue;
    }
    auto* label = qobject_cast<QLabel*>(item->widget());
    if (label == nullptr || label->buddy() != nullptr) continue;
    if (QWidget* input = NextInput(layout, i)) {
      // The label's text names the control only where both share a parent.
      if (input->parentWidget() == label->parentWidget()) label->setBuddy(input);
    }
  }
}

}  // namespace

void LabelInputs(QWidget* window) {
  if (window->layout() != nullptr) LabelInLayout(window->layout());
  for (QWidget* child : window->findChildren<QWidget*>()) {
    if (child->layout() != nullptr) LabelInLayout(child->layout());
  }
  // A list without a label is named by its group's title or, for a table,
  // by its column captions.
  for (auto* view : window->findChildren<QAbstractItemView*>()) {
    if (!view->accessibleName().isEmpty() || qobject_cast<QComboBox*>(view->parentWidget()))
      continue;
    bool labelled = false;
    for (auto* label : view->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
      labelled |= label->buddy() == view;
    if (labelled) continue;
    if (auto* table = qobject_cast<QTableWidget*>(view)) {
      QStringList captions;
      for (int c = 0; c < table->columnCount(); ++c) {
        if (!table->isColumnHidden(c) && table->horizontalHeaderItem(c) != nullptr)
          captions << table->horizontalHeaderItem(c)->text();
      }
      view->setAccessibleName(captions.join(", "));
    } else {
      for (QWidget* up = view->parentWidget(); up != nullptr; up = up->parentWidget()) {
        if (auto* group = qobject_cast<QGroupBox*>(up)) {
          view->setAccessibleName(group->title());
          break;
        }
      }
    }
  }
}

}  // namespace ui
