#include "core/command_submission.h"

#include "core/await.h"
#include "core/session_state.h"
#include "core/status_page.h"
#include "desktop/services.h"
#include "i18n/translate.h"
#include "net/waiting.h"

namespace core {
namespace {

using desktop::MsgButtons;
using desktop::MsgIcon;
using i18n::Translate;

AskAwaiter Show(const std::string& text, const std::string& title, MsgIcon icon) {
  return Ask(text, title, icon, MsgButtons::Ok);
}

// The one message for a command the device did not do, in the words
// brevane-ctl uses for it.
Task<> SayNotDone(device::Outcome outcome) {
  switch (outcome) {
    case device::Outcome::Done:
      break;
    case device::Outcome::NoAnswer:
      co_await ShowConnectionFailure();  // said only when not cancelled
      break;
    case device::Outcome::LoginFailed:
      co_await Show(device::SayOutcome(outcome), Translate("Login"), MsgIcon::Information);
      break;
    case device::Outcome::Refused:
      co_await Show(device::SayOutcome(outcome), Translate("動作"), MsgIcon::Error);
      break;
  }
}

}  // namespace

Task<Submitted> SubmitCommand(std::shared_ptr<net::CommandClient> client, CommandHost& host,
                              device::Command command, std::function<Task<>()> reread) {
  const SessionState& session = Session();
  if (session.DeviceIp.empty()) {
    client->Referer = "http://" + session.DeviceIp + "/" + command.page_tag;
    co_await Show(Translate("IP 位址錯誤！\""), Translate("動作"), MsgIcon::Error);
    co_return Submitted::NotSent;
  }
  const device::Session to = Login();
  auto submit = [client, to, command] { return device::Submit(*client, to, command); };
  device::Submission submission = co_await OffThread(submit);
  co_return co_await ActOnSubmission(host, std::move(command), std::move(submission),
                                     std::move(reread));
}

Task<Submitted> ActOnSubmission(CommandHost& host, device::Command command, device::Submission s,
                                std::function<Task<>()> reread) {
  SessionState& session = Session();
  // The device leaves its address once it has the command, so nothing can
  // tell afterwards whether it took it: the console follows it only when
  // the command went out, and not when the user called it off.
  if (command.Moves() && (net::ActionCancelled() || !s.delivery.sent)) {
    co_await ShowConnectionFailure();  // said only when not cancelled
    co_return Submitted::NotSent;
  }
  // What the device did not do has nothing follow it: no new password, no
  // new address, no scan, no page shown as if it had changed.
  if (s.outcome != device::Outcome::Done) {
    co_await SayNotDone(s.outcome);
    if (s.refused && command.retried && reread) co_await reread();
    co_return Submitted::Refused;
  }
  if (!command.Moves() && !s.delivery.alive) {
    co_await ShowConnectionFailure();
    co_return Submitted::Done;
  }
  switch (command.then) {
    case device::Then::UseNewPassword:
      session.UserPassword = command.new_value;
      break;
    case device::Then::FindAgain:
      co_await Show(Translate("自動 IP，重新掃描\""), Translate("IP 資訊"), MsgIcon::Question);
      host.ReturnToDeviceList();
      co_return Submitted::Done;
    case device::Then::FollowAddress:
      session.DeviceIp = command.new_value;
      co_await Show(Translate("IP 已變更，重新連線成功"), Translate("IP 資訊"), MsgIcon::Question);
      co_return Submitted::Done;
    case device::Then::Restart:
      co_return Submitted::Done;
    case device::Then::Show:
      break;
  }
  auto pause = [] { net::Pause(device::kSubmissionPauseMs); };
  co_await OffThread(pause);
  const int tab = host.ActiveTab();
  if (tab >= 0 && tab <= 6) co_await host.RedisplayTab(tab);
  co_return Submitted::Done;
}

}  // namespace core
