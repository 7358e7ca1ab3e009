#include "ui/message_box.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>

namespace ui {
namespace {

QMessageBox::Icon ToQtIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::Warning:
      return QMessageBox::Warning;
    case MsgIcon::Error:
      return QMessageBox::Critical;
    case MsgIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

int TitleBarWidth(const QString& title) {
  // Title bars commonly use a bold font a little larger than the
  // application's; beside the title come the window's icon and up to three
  // buttons, about 160 px in all in the usual themes.
  QFont font = QApplication::font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.15);
  return QFontMetrics(font).horizontalAdvance(title) + 160;
}

std::unique_ptr<QMessageBox> MakeMessageBox(const std::string& text, const std::string& title,
                                            MsgIcon icon, MsgButtons buttons) {
  const QString caption = QString::fromUtf8(title);
  QMessageBox::StandardButtons shown = QMessageBox::Ok;
  if (buttons == MsgButtons::OkCancel) shown = QMessageBox::Ok | QMessageBox::Cancel;
  if (buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoDefaultNo)
    shown = QMessageBox::Yes | QMessageBox::No;
  auto box = std::make_unique<QMessageBox>(ToQtIcon(icon), caption, QString::fromUtf8(text), shown);
  if (buttons == MsgButtons::YesNoDefaultNo) box->setDefaultButton(QMessageBox::No);
  // The text may carry a device's or a file's words: shown as they are.
  box->setTextFormat(Qt::PlainText);
  // The box sizes itself to its text and ignores a minimum width; a spacer
  // across its grid is what widens it.
  if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
    grid->addItem(
        new QSpacerItem(TitleBarWidth(caption), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
        grid->rowCount(), 0, 1, grid->columnCount());
  }
  return box;
}

}  // namespace ui
