#include "core/command_submission.h"

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

void Show(const std::string& text, const std::string& title, MsgIcon icon) {
  desktop::services().message_boxes->Show(text, title, icon, MsgButtons::Ok);
}

// The one message for a command the device did not do, in the words
// brevane-ctl uses for it.
void SayNotDone(device::Outcome outcome) {
  switch (outcome) {
    case device::Outcome::Done:
      break;
    case device::Outcome::NoAnswer:
      ShowConnectionFailure();  // said only when not cancelled
      break;
    case device::Outcome::LoginFailed:
      Show(device::SayOutcome(outcome), Translate("Login"), MsgIcon::Information);
      break;
    case device::Outcome::Refused:
      Show(device::SayOutcome(outcome), Translate("動作"), MsgIcon::Error);
      break;
  }
}

}  // namespace

Submitted SubmitCommand(net::CommandClient& client, CommandHost& host,
                        const device::Command& command, const std::function<void()>& reread) {
  SessionState& session = Session();
  if (session.DeviceIp.empty()) {
    client.Referer = "http://" + session.DeviceIp + "/" + command.page_tag;
    Show(Translate("IP 位址錯誤！\""), Translate("動作"), MsgIcon::Error);
    return Submitted::NotSent;
  }
  return ActOnSubmission(host, command, device::Submit(client, Login(), command), reread);
}

Submitted ActOnSubmission(CommandHost& host, const device::Command& command,
                          const device::Submission& s, const std::function<void()>& reread) {
  SessionState& session = Session();
  // The device leaves its address once it has the command, so nothing can
  // tell afterwards whether it took it: the console follows it only when
  // the command went out, and not when the user called it off.
  if (command.Moves() && (net::ActionCancelled() || !s.delivery.sent)) {
    ShowConnectionFailure();  // said only when not cancelled
    return Submitted::NotSent;
  }
  // What the device did not do has nothing follow it: no new password, no
  // new address, no scan, no page shown as if it had changed.
  if (s.outcome != device::Outcome::Done) {
    SayNotDone(s.outcome);
    if (s.refused && command.retried && reread) reread();
    return Submitted::Refused;
  }
  if (!command.Moves() && !s.delivery.alive) {
    ShowConnectionFailure();
    return Submitted::Done;
  }
  switch (command.then) {
    case device::Then::UseNewPassword:
      session.UserPassword = command.new_value;
      break;
    case device::Then::FindAgain:
      Show(Translate("自動 IP，重新掃描\""), Translate("IP 資訊"), MsgIcon::Question);
      host.ReturnToDeviceList();
      return Submitted::Done;
    case device::Then::FollowAddress:
      session.DeviceIp = command.new_value;
      Show(Translate("IP 已變更，重新連線成功"), Translate("IP 資訊"), MsgIcon::Question);
      return Submitted::Done;
    case device::Then::Restart:
      return Submitted::Done;
    case device::Then::Show:
      break;
  }
  net::Pause(device::kSubmissionPauseMs);
  const int tab = host.ActiveTab();
  if (tab >= 0 && tab <= 6) host.RedisplayTab(tab);
  return Submitted::Done;
}

}  // namespace core
