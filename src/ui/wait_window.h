#pragma once

// The program's side of every wait on a device: the windows keep painting,
// user input to them is dropped, a busy cursor shows, and after a moment a
// small window says what is being waited for and offers Cancel.

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include "net/waiting.h"

class QLabel;
class QPushButton;

namespace ui {

class WaitWindow : public QDialog, public net::WaitObserver {
 public:
  // Shown after this long of waiting.
  static constexpr int kShowAfterMs = 300;

  // Becomes the process's wait observer until destroyed.
  WaitWindow();
  ~WaitWindow() override;

  void Begin(net::Activity activity, const std::string& target) override;
  void Idle() override;
  void End() override;

  // The text for a wait, as the window shows it.
  static QString Describe(net::Activity activity, const std::string& target);

  QLabel* TextLabel;
  QPushButton* CancelBtn;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void CancelClick();
  // Ends the busy state once the action has handed control back to the
  // event loop.
  void Release();
  // This window, or a modal box opened during the wait.
  bool Ours(QObject* object) const;

  int depth_ = 0;
  bool engaged_ = false;
  QElapsedTimer since_;
  QWidget* modal_before_ = nullptr;
  QTimer release_;
};

}  // namespace ui
