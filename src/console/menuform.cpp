// The console window's own doings that need none of its pages: closing,
// the tab row's drawing, and what command submission asks of the window.

#include "console/menuform.h"

#include <QCloseEvent>
#include <QPainter>

#include "ui/ui.h"
#include "ui/window_refs.h"

void Form2::FormClose() {
  Timer2->stop();
  hide();
  if (ui::Windows().open_login) ui::Windows().open_login(true, false);
}

void Form2::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  // Hidden for any reason (not only minimised): a disk scan is no longer
  // followed, so no box for this device comes over another window.
  if (!event->spontaneous()) Timer2->stop();
}

void Form2::closeEvent(QCloseEvent* event) {
  // A disabled console (waiting for a restart, or for the login after a
  // password change) cannot be closed.
  if (!isEnabled()) {
    event->ignore();
    return;
  }
  event->accept();
  ui::Guard([this] { FormClose(); })();
}

int Form2::TabAtVisibleIndex(int visible_index) const {
  for (int i = 0, seen = 0; i < PageControl1->count(); ++i) {
    if (!PageControl1->isTabVisible(i)) continue;
    if (seen++ == visible_index) return i;
  }
  return -1;
}

std::string Form2::TabCaption(int tab_index, int* shift) const {
  // Each tab shows the caption of the page it stands for. Where a hidden
  // page comes before it, that is a later page than its position says,
  // and its text is drawn one pixel further right.
  const int page = TabAtVisibleIndex(tab_index);
  if (shift) *shift = page > tab_index ? 1 : 0;
  if (page < 0) return {};
  return ui::S(PageControl1->tabText(page));
}

void Form2::PageControl1DrawTab(QPainter& painter, int tab_index, const QRect& rect, bool active) {
  int shift = 0;
  const QString caption = ui::Q(TabCaption(tab_index, &shift));
  const QColor face = palette().color(QPalette::Button);
  painter.fillRect(rect, active ? face : QColor(128, 128, 128));
  painter.setPen(active ? QColor(Qt::black) : face);
  const QSize text = painter.fontMetrics().size(Qt::TextSingleLine, caption);
  const QRect place(rect.left() + (rect.width() - text.width()) / 2 + shift,
                    rect.top() + (rect.height() - text.height()) / 2, text.width(), text.height());
  painter.drawText(place, Qt::TextSingleLine, caption);
}

int Form2::ActiveTab() {
  return PageControl1->currentIndex();
}
