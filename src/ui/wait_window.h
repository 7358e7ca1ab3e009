#pragma once

// The small window that says what an action waits for and offers Cancel,
// shown over its window once the action has waited a moment. The windows
// never wait inside a wait: the action's device work runs on a worker
// thread, its window takes no other action meanwhile (ui::Actions), and
// everything else goes on.

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <vector>

#include "net/waiting.h"

class QLabel;
class QPushButton;

namespace ui {

class WaitWindow : public QDialog, public net::WaitObserver {
 public:
  // Shown after this long of waiting.
  static constexpr int kShowAfterMs = 300;

  // Becomes the process's wait window, and the observer of every wait,
  // until destroyed.
  WaitWindow();
  ~WaitWindow() override;
  static WaitWindow* Instance();

  // An action that waits: shown over `over` after kShowAfterMs unless it
  // has ended by then; Cancel then cancels that action.
  void Watch(std::shared_ptr<net::ActionToken> action, QWidget* over);
  // The action has ended.
  void Unwatch(const std::shared_ptr<net::ActionToken>& action);

  // Told on the thread that waits; the text reaches the window thread.
  void Begin(net::Activity activity, const std::string& target) override;
  void Idle() override {}
  void End() override {}

  // The text for a wait, as the window shows it.
  static QString Describe(net::Activity activity, const std::string& target);

  QLabel* TextLabel;
  QPushButton* CancelBtn;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  struct Watched {
    std::shared_ptr<net::ActionToken> action;
    QPointer<QWidget> over;
    QString text;
  };
  void CancelClick();
  // Shows the last action that waits, or hides when none does.
  void ShowLast();
  void Said(const net::ActionToken* action, const QString& text);

  std::vector<Watched> watched_;  // the last is the one shown
  QTimer show_;
};

}  // namespace ui
