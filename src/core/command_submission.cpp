#include "core/command_submission.h"

#include "core/session_state.h"
#include "core/status_page.h"
#include "desktop/services.h"
#include "device/exchange.h"
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

}  // namespace

Submitted SubmitCommand(net::CommandClient& client, CommandHost& host,
                        const device::Command& command, const std::function<void()>& reread,
                        device::Outcome* judged) {
  SessionState& session = Session();
  if (judged != nullptr) *judged = device::Outcome::NoAnswer;
  if (session.DeviceIp.empty()) {
    client.Referer = "http://" + session.DeviceIp + "/" + command.page_tag;
    Show(Translate("IP 位址錯誤！\""), Translate("動作"), MsgIcon::Error);
    return Submitted::Done;
  }
  const device::Submission s =
      device::Submit(client, {session.DeviceIp, session.UserName, session.UserPassword}, command);
  if (judged != nullptr) *judged = s.outcome;
  // The device leaves its address once it has the command, so nothing can
  // tell afterwards whether it took it: the console follows it only when
  // the command went out, and not when the user called it off.
  if (command.Moves() && (net::ActionCancelled() || !s.delivery.sent)) {
    ShowConnectionFailure();  // said only when not cancelled
    return Submitted::NotSent;
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
  if (s.refused) {
    if (command.retried && reread) reread();
    return Submitted::Refused;
  }
  net::Pause(device::kSubmissionPauseMs);
  const int tab = host.ActiveTab();
  if (tab >= 0 && tab <= 6) host.RedisplayTab(tab);
  return Submitted::Done;
}

}  // namespace core
