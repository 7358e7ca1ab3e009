#include "app/status_page.h"

#include "app/session_state.h"
#include "i18n/translate.h"
#include "net/page_values.h"
#include "platform/platform.h"

namespace app {

void ShowConnectionFailure() {
  platform::services().message_boxes->Show(i18n::Translate("連線失敗"), i18n::Translate("連線"),
                                           platform::MsgIcon::Error, platform::MsgButtons::Ok);
}

std::string FetchStatusPage(const net::PageGetter& get) {
  const SessionState& session = Session();
  const net::PageRead read = net::ReadPageWithRetries(
      session.DeviceIp, session.UserName, session.UserPassword, net::kStatusPagePath, get);
  if (read.reply.BodyText.empty() || read.reply.Status != 200) ShowConnectionFailure();
  return read.reply.BodyText;
}

}  // namespace app
