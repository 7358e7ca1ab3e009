#pragma once

// Small pieces every console page and dialog uses: command URLs, the
// message boxes they show, and a few layout helpers.

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <string>

#include "core/await.h"
#include "core/task.h"
#include "desktop/services.h"
#include "device/device.h"

namespace console {

// A message box whose text and title are translated from their keys; the
// action goes on once it is answered.
core::AskAwaiter Tell(const std::string& text_key, const std::string& title_key,
                      desktop::MsgIcon icon = desktop::MsgIcon::Information);

// Asks `text` (already translated) with OK and Cancel; true on OK.
core::Task<bool> Confirmed(std::string text, std::string title_key);

// A message of the device's rules, and a question of theirs (true on OK).
core::AskAwaiter Tell(const device::Message& message);
core::Task<bool> Confirmed(device::Message question);

// Brings a modeless dialog up in front with the focus in `edit`.
void Present(QWidget* dialog, QLineEdit* edit);

// Lays two radio buttons side by side on their own panel, one group.
void RadioPair(QWidget* panel, QRadioButton* first, QRadioButton* second);

// The arrow buttons between a folder list and a sharing list, made with
// the names a screen reader says for them.
std::pair<QPushButton*, QPushButton*> MoveButtons(QWidget* parent);

// A control or a layout in a grid: its row and column, how many of each
// it spans, and how it sits in its cell.
struct Cell {
  Cell(QWidget* w, int r, int c, int rs = 1, int cs = 1, Qt::Alignment a = {})
      : widget(w), row(r), column(c), rows(rs), columns(cs), align(a) {}
  Cell(QWidget* w, int r, int c, Qt::Alignment a) : Cell(w, r, c, 1, 1, a) {}
  Cell(QLayout* l, int r, int c, int rs = 1, int cs = 1)
      : layout(l), row(r), column(c), rows(rs), columns(cs) {}
  QWidget* widget = nullptr;
  QLayout* layout = nullptr;
  int row, column, rows, columns;
  Qt::Alignment align;
};

// Lays `cells` out on a grid of `parent`'s own (a grid to nest in another
// layout when `parent` is null).
QGridLayout* Grid(QWidget* parent, std::initializer_list<Cell> cells);

// Captions beside their controls, a row each, with `button` at the right
// end of the row below them.
QGridLayout* Rows(QWidget* parent, std::initializer_list<std::pair<QWidget*, QWidget*>> rows,
                  QPushButton* button);

// `button` at the right end of a row of its own, at least 80 wide.
QHBoxLayout* ButtonRow(QPushButton* button);

}  // namespace console
