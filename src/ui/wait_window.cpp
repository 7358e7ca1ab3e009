#include "ui/wait_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include "ui/ui.h"

namespace ui {
namespace {

// Input that could start something, and the desktop's request to close a
// window; everything else (painting, timers, replies) goes on.
bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

}  // namespace

WaitWindow::WaitWindow() : TextLabel(new ui::Label(this)), CancelBtn(new QPushButton(this)) {
  setWindowTitle(Tr("Please wait"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  CancelBtn->setText(Tr("Cancel"));
  CancelBtn->setAutoDefault(false);
  CancelBtn->setDefault(true);
  auto* bar = new QProgressBar(this);
  bar->setRange(0, 0);  // busy, with no end known
  bar->setTextVisible(false);
  TextLabel->setMinimumWidth(280);
  TextLabel->setWordWrap(true);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(CancelBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(TextLabel);
  layout->addWidget(bar);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelClick(); });
  release_.setSingleShot(true);
  release_.setInterval(0);
  connect(&release_, &QTimer::timeout, this, [this] { Release(); });
  net::SetWaitObserver(this);
}

WaitWindow::~WaitWindow() {
  net::SetWaitObserver(nullptr);
  if (engaged_) {
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
  }
}

QString WaitWindow::Describe(net::Activity activity, const std::string& target) {
  switch (activity) {
    case net::Activity::Reading:
      return Tr("Reading %1 …").arg(Q(target));
    case net::Activity::Sending:
      return Tr("Sending the command to %1 …").arg(Q(target));
    case net::Activity::Uploading:
      return Tr("Sending the firmware to %1 …").arg(Q(target));
    case net::Activity::Connecting:
      return Tr("Connecting the folder %1 …").arg(Q(target));
    case net::Activity::Pausing:
      break;
  }
  return Tr("Waiting for the device …");
}

void WaitWindow::Begin(net::Activity activity, const std::string& target) {
  release_.stop();
  if (!engaged_) {
    engaged_ = true;
    since_.start();
    TextLabel->setText(Describe(net::Activity::Pausing, {}));
    CancelBtn->setEnabled(true);
    modal_before_ = QApplication::activeModalWidget();
    qApp->installEventFilter(this);
    QApplication::setOverrideCursor(Qt::BusyCursor);
  }
  if (activity != net::Activity::Pausing) TextLabel->setText(Describe(activity, target));
  ++depth_;
}

void WaitWindow::Idle() {
  if (engaged_ && !isVisible() && since_.elapsed() >= kShowAfterMs) {
    // Over the window the user was working in.
    QWidget* over = QApplication::activeWindow();
    SetOwner(this, over);
    show();
    if (over != nullptr && over != this) {
      QRect frame = frameGeometry();
      frame.moveCenter(over->frameGeometry().center());
      move(frame.topLeft());
    } else {
      CenterOnScreen(this);
    }
    raise();
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WaitWindow::End() {
  if (depth_ > 0 && --depth_ == 0) release_.start();
}

void WaitWindow::Release() {
  if (depth_ > 0 || !engaged_) return;
  engaged_ = false;
  hide();
  qApp->removeEventFilter(this);
  QApplication::restoreOverrideCursor();
  // The action is over: a cancel does not reach the next one.
  net::EndAction();
}

void WaitWindow::CancelClick() {
  CancelBtn->setEnabled(false);
  TextLabel->setText(Tr("Cancelling …"));
  net::CancelAction();
}

void WaitWindow::reject() {
  if (engaged_ && !net::ActionCancelled()) CancelClick();
}

void WaitWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  reject();
}

bool WaitWindow::Ours(QObject* object) const {
  // A box that something running meanwhile (a timer) has opened must be
  // answerable, or the wait could never go on.
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == modal_before_) modal = nullptr;
  if (auto* widget = qobject_cast<QWidget*>(object))
    return widget->window() == this || widget->window() == modal;
  if (auto* window = qobject_cast<QWindow*>(object))
    return window == windowHandle() || (modal != nullptr && window == modal->windowHandle());
  return false;
}

bool WaitWindow::eventFilter(QObject* watched, QEvent* event) {
  // While a device is waited for, only this window takes input.
  if (engaged_ && IsUserInput(event->type()) && !Ours(watched)) {
    event->ignore();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace ui
