#include "ui/wait_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/ui.h"

namespace ui {
namespace {

WaitWindow* instance = nullptr;

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
  show_.setSingleShot(true);
  show_.setInterval(kShowAfterMs);
  connect(&show_, &QTimer::timeout, this, [this] { ShowLast(); });
  instance = this;
  net::SetWaitObserver(this);
}

WaitWindow::~WaitWindow() {
  net::SetWaitObserver(nullptr);
  if (instance == this) instance = nullptr;
}

WaitWindow* WaitWindow::Instance() {
  return instance;
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

void WaitWindow::Watch(std::shared_ptr<net::ActionToken> action, QWidget* over) {
  watched_.push_back({std::move(action), over, Describe(net::Activity::Pausing, {})});
  // A moment after the action began waiting: a short wait shows nothing.
  show_.start();
}

void WaitWindow::Unwatch(const std::shared_ptr<net::ActionToken>& action) {
  const auto gone = std::remove_if(watched_.begin(), watched_.end(),
                                   [&action](const Watched& w) { return w.action == action; });
  if (gone == watched_.end()) return;
  watched_.erase(gone, watched_.end());
  if (watched_.empty()) {
    show_.stop();
    hide();
  } else if (isVisible()) {
    ShowLast();
  }
}

void WaitWindow::Begin(net::Activity activity, const std::string& target) {
  if (activity == net::Activity::Pausing) return;  // says nothing new
  // On the thread that waits, for the action it works for.
  const net::ActionToken* action = net::CurrentAction().get();
  if (action == nullptr) return;
  QMetaObject::invokeMethod(
      this, [this, action, text = Describe(activity, target)] { Said(action, text); },
      Qt::QueuedConnection);
}

void WaitWindow::Said(const net::ActionToken* action, const QString& text) {
  for (Watched& w : watched_)
    if (w.action.get() == action) w.text = text;
  if (isVisible() && !watched_.empty() && watched_.back().action.get() == action)
    TextLabel->setText(text);
}

void WaitWindow::ShowLast() {
  if (watched_.empty()) return;
  const Watched& last = watched_.back();
  TextLabel->setText(last.action->cancelled ? Tr("Cancelling …") : last.text);
  CancelBtn->setEnabled(!last.action->cancelled);
  // Over the window whose action waits.
  QWidget* over = last.over;
  SetOwner(this, over);
  show();
  if (over != nullptr && over->isVisible()) {
    QRect frame = frameGeometry();
    frame.moveCenter(over->frameGeometry().center());
    move(frame.topLeft());
  } else {
    CenterOnScreen(this);
  }
  raise();
}

void WaitWindow::CancelClick() {
  if (watched_.empty()) return;
  watched_.back().action->cancelled = true;
  CancelBtn->setEnabled(false);
  TextLabel->setText(Tr("Cancelling …"));
}

void WaitWindow::reject() {
  if (!watched_.empty() && !watched_.back().action->cancelled) CancelClick();
}

void WaitWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  reject();
}

}  // namespace ui
