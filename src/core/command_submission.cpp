#include "core/command_submission.h"

#include "core/session_state.h"
#include "core/status_page.h"
#include "device/exchange.h"
#include "i18n/translate.h"
#include "net/waiting.h"
#include "platform/platform.h"

namespace core {
namespace {

using i18n::Translate;
using platform::MsgButtons;
using platform::MsgIcon;

constexpr int kConsolePauseMs = 20;

void Pause() {
  net::Pause(kConsolePauseMs);
}

void Show(const std::string& text, const std::string& title, MsgIcon icon) {
  platform::services().message_boxes->Show(text, title, icon, MsgButtons::Ok);
}

}  // namespace

int SubmitCommand(net::CommandClient& client, CommandHost& host, const std::string& url,
                  const std::string& page_tag, int tab) {
  SessionState& session = Session();
  if (session.DeviceIp.empty()) {
    client.Referer = "http://" + session.DeviceIp + "/" + page_tag;
    Show(Translate("IP 位址錯誤！\""), Translate("動作"), MsgIcon::Error);
    return kCommandDone;
  }
  const device::Delivery delivery = device::Deliver(
      client, {session.DeviceIp, session.UserName, session.UserPassword}, url, page_tag);
  // The device leaves its address once it has the command, so nothing can
  // tell afterwards whether it took it: the console follows it only when
  // the command went out, and not when the user called it off.
  if (page_tag == "if_cgi.htm" && (net::ActionCancelled() || !delivery.sent)) {
    ShowConnectionFailure();  // said only when not cancelled
    return kCommandNotSent;
  }
  // After an address change the device is expected to be gone.
  if (!delivery.alive && page_tag != "if_cgi.htm") {
    ShowConnectionFailure();
    return kCommandDone;
  }

  if (page_tag == "sys_auth.htm") {
    session.UserPassword = host.NewPassword();
  } else if (page_tag == "if_cgi.htm") {
    if (host.AutomaticAddressSelected()) {
      Show(Translate("自動 IP，重新掃描\""), Translate("IP 資訊"), MsgIcon::Question);
      host.ReturnToDeviceList();
    } else {
      session.DeviceIp = host.AddressField();
      Show(Translate("IP 已變更，重新連線成功"), Translate("IP 資訊"), MsgIcon::Question);
    }
    return kCommandDone;
  } else if (device::RefusedFtpCommand(url, page_tag, delivery)) {
    Pause();
    return kCommandRefused;
  } else if (page_tag == "maintain.htm") {
    return kCommandDone;
  }

  Pause();
  if (tab >= 0 && tab <= 6) host.RedisplayTab(tab);
  return kCommandDone;
}

int SubmitWithRetries(net::CommandClient& client, CommandHost& host, const std::string& url,
                      const std::string& page_tag, const std::function<void()>& reread) {
  int submissions = 0;
  int result = kCommandRefused;
  do {
    result = SubmitCommand(client, host, url, page_tag, host.ActiveTab());
    ++submissions;
  } while (result == kCommandRefused && submissions < kMaxSubmissions);
  if (result == kCommandRefused && reread) reread();
  return result;
}

}  // namespace core
