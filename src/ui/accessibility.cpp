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
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QWidget>
#include <map>
#include <vector>

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

// The first input control in `layout`, searched depth first: the edit of a
// row that also holds a hint and a button.
QWidget* FirstInput(QLayout* layout) {
  for (int i = 0; i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (QWidget* widget = item->widget(); widget != nullptr && TakesInput(widget)) return widget;
    if (QLayout* inner = item->layout()) {
      if (QWidget* found = FirstInput(inner)) return found;
    }
  }
  return nullptr;
}

// A widget in `item`, or the first input of a nested row.
QWidget* InputIn(QLayoutItem* item) {
  if (item == nullptr) return nullptr;
  if (item->layout() != nullptr) return FirstInput(item->layout());
  QWidget* widget = item->widget();
  return widget != nullptr && TakesInput(widget) ? widget : nullptr;
}

// The input control the label at `index` in `layout` names: in a grid, the
// one to its right (alone or first in a nested row), or a list under it;
// in a row, the next widget; in a column, a list under it.
QWidget* NextInput(QLayout* layout, int index) {
  if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
    int row = 0, column = 0, rows = 0, columns = 0;
    grid->getItemPosition(index, &row, &column, &rows, &columns);
    if (QWidget* right = InputIn(grid->itemAtPosition(row, column + columns))) return right;
    QLayoutItem* below = grid->itemAtPosition(row + rows, column);
    QWidget* under = below != nullptr ? below->widget() : nullptr;
    return qobject_cast<QAbstractItemView*>(under) != nullptr ? under : nullptr;
  }
  if (auto* box = qobject_cast<QBoxLayout*>(layout)) {
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

// The value label to the right of a caption in a grid ("Current Time" and
// the time): the caption then names the value while it is empty.
QWidget* ValueBeside(QLayout* layout, int index) {
  auto* grid = qobject_cast<QGridLayout*>(layout);
  if (grid == nullptr) return nullptr;
  int row = 0, column = 0, rows = 0, columns = 0;
  grid->getItemPosition(index, &row, &column, &rows, &columns);
  QLayoutItem* right = grid->itemAtPosition(row, column + columns);
  return right != nullptr ? qobject_cast<QLabel*>(right->widget()) : nullptr;
}

// A caption has words: "/" and ":" between the parts of a date name nothing.
bool IsCaption(const QLabel* label) {
  for (const QChar c : label->text())
    if (c.isLetterOrNumber()) return true;
  return false;
}

void LabelInLayout(QLayout* layout) {
  for (int i = 0; i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (QLayout* inner = item->layout()) {
      LabelInLayout(inner);
      continue;
    }
    auto* label = qobject_cast<QLabel*>(item->widget());
    if (label == nullptr || label->buddy() != nullptr || !IsCaption(label)) continue;
    QWidget* input = NextInput(layout, i);
    if (input == nullptr) input = ValueBeside(layout, i);
    // The label's text names the control only where both share a parent.
    if (input == nullptr || input->parentWidget() != label->parentWidget()) continue;
    if (!input->accessibleName().isEmpty()) continue;  // named as it was made
    label->setBuddy(input);
    // A list's name is its own, not its buddy's.
    if (qobject_cast<QAbstractItemView*>(input) != nullptr) input->setAccessibleName(label->text());
  }
}

// Where a control keeps its caption as given and as marked.
constexpr char kCaption[] = "brevaneCaption";
constexpr char kMarked[] = "brevaneMarkedCaption";

bool IsLatinLetter(QChar c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// The tab page `widget` sits on, or null when it belongs to the window itself.
QWidget* PageOf(QWidget* widget) {
  for (QWidget* up = widget; up != nullptr && !up->isWindow(); up = up->parentWidget()) {
    QWidget* parent = up->parentWidget();
    if (qobject_cast<QStackedWidget*>(parent) != nullptr && parent->parentWidget() != nullptr &&
        qobject_cast<QTabWidget*>(parent->parentWidget()) != nullptr)
      return up;
  }
  return nullptr;
}

// The letters given in what is shown together, and the captions they went
// to: buttons with the same caption (five "Set" buttons on one page) share
// a letter, and Alt and the letter then moves the focus from one to the
// next, where Space presses it.
struct Letters {
  QString taken;
  std::map<QString, QString> given;
};

// `caption` with a shortcut on a letter not yet taken, which then takes it:
// the first letter of a word where one is free, else any letter, else for a
// caption of other scripts a letter in brackets after it.
QString WithShortcut(const QString& caption, Letters& letters) {
  const auto known = letters.given.find(caption);
  if (known != letters.given.end()) return known->second;
  const QString escaped = QString(caption).replace(u'&', QStringLiteral("&&"));
  QString& taken = letters.taken;
  auto free = [&](QChar c) { return IsLatinLetter(c) && !taken.contains(c.toUpper()); };
  auto mark = [&](int at) {
    taken += escaped[at].toUpper();
    return escaped.left(at) + u'&' + escaped.mid(at);
  };
  auto choose = [&]() -> QString {
    for (int i = 0; i < escaped.size(); ++i) {
      const bool word_start = i == 0 || !escaped[i - 1].isLetterOrNumber();
      if (word_start && free(escaped[i])) return mark(i);
    }
    for (int i = 0; i < escaped.size(); ++i)
      if (free(escaped[i])) return mark(i);
    bool other_script = false;
    for (const QChar c : caption) {
      if (IsLatinLetter(c)) return escaped;  // every one of its letters is taken
      other_script |= c.isLetter();
    }
    if (!other_script) return escaped;  // "-->" and the like
    for (QChar c = u'A'; c <= u'Z'; c = QChar(c.unicode() + 1)) {
      if (taken.contains(c)) continue;
      taken += c;
      return escaped + u'(' + u'&' + c + u')';
    }
    return escaped;
  };
  return letters.given[caption] = choose();
}

}  // namespace

void GiveShortcuts(QWidget* window) {
  // Buttons first (they act), then boxes, then the labels of inputs.
  std::vector<QWidget*> controls;
  for (auto* button : window->findChildren<QPushButton*>())
    if (!button->text().isEmpty()) controls.push_back(button);
  for (auto* button : window->findChildren<QAbstractButton*>())
    if (qobject_cast<QPushButton*>(button) == nullptr && !button->text().isEmpty())
      controls.push_back(button);
  // A caption of a value (its buddy another label) takes no letter: there
  // is nothing to go to.
  for (auto* label : window->findChildren<QLabel*>())
    if (label->buddy() != nullptr && qobject_cast<QLabel*>(label->buddy()) == nullptr &&
        !label->text().isEmpty())
      controls.push_back(label);

  // The window's own controls first: their letters are kept out of every page.
  std::map<QWidget*, Letters> taken;
  Letters& window_taken = taken[nullptr];
  std::vector<std::pair<QWidget*, QWidget*>> on_pages;
  auto give = [](QWidget* control, Letters& letters) {
    auto* button = qobject_cast<QAbstractButton*>(control);
    auto* label = qobject_cast<QLabel*>(control);
    const QString shown = button != nullptr ? button->text() : label->text();
    // A caption this gave its shortcut before is the caption without it.
    const QString caption = control->property(kMarked).toString() == shown
                                ? control->property(kCaption).toString()
                                : shown;
    const QString marked = WithShortcut(caption, letters);
    control->setProperty(kCaption, caption);
    control->setProperty(kMarked, marked);
    if (button != nullptr)
      button->setText(marked);
    else
      label->setText(marked);
  };
  for (QWidget* control : controls) {
    if (control->window() != window) continue;
    if (QWidget* page = PageOf(control))
      on_pages.emplace_back(control, page);
    else
      give(control, window_taken);
  }
  for (auto& [control, page] : on_pages) {
    // A page starts with the window's letters taken but none of its
    // captions: a page's button gets a letter of its own.
    give(control, taken.try_emplace(page, Letters{window_taken.taken, {}}).first->second);
  }
}

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
