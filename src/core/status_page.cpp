#include "core/status_page.h"

#include "core/session_state.h"
#include "desktop/services.h"
#include "i18n/translate.h"
#include "net/page_values.h"

namespace core {
namespace {

net::PageRead Read(const net::PageGetter& get) {
  const SessionState& session = Session();
  return net::ReadPageWithRetries(session.DeviceIp, session.UserName, session.UserPassword,
                                  net::kStatusPagePath, get);
}

}  // namespace

void ShowConnectionFailure() {
  desktop::services().message_boxes->Show(i18n::Translate("連線失敗"), i18n::Translate("連線"),
                                          desktop::MsgIcon::Error, desktop::MsgButtons::Ok);
}

net::PageRead ReadStatusPage() {
  return Read(desktop::services().read_page);
}

bool ReadFailed(const net::PageRead& read) {
  return read.reply.BodyText.empty() || read.reply.Status != 200;
}

std::optional<std::string> FetchStatusPage(const net::PageGetter& get) {
  net::PageRead read = Read(get);
  if (!ReadFailed(read)) return std::move(read.reply.BodyText);
  ShowConnectionFailure();
  return std::nullopt;
}

std::optional<std::string> FetchStatusPage() {
  return FetchStatusPage(desktop::services().read_page);
}

}  // namespace core
