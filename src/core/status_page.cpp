#include "core/status_page.h"

#include "desktop/services.h"
#include "i18n/translate.h"
#include "net/page_values.h"

namespace core {

net::PageRead ReadStatusPageOf(const SessionState& session, const net::PageGetter& get) {
  return net::ReadPageWithRetries(session.DeviceIp, session.UserName, session.UserPassword,
                                  net::kStatusPagePath, get);
}

AskAwaiter ShowConnectionFailure() {
  return Ask(i18n::Translate("連線失敗"), i18n::Translate("連線"), desktop::MsgIcon::Error,
             desktop::MsgButtons::Ok);
}

Task<net::PageRead> ReadStatusPage() {
  auto read = [session = Session(), get = desktop::services().read_page] {
    return ReadStatusPageOf(session, get);
  };
  co_return co_await OffThread(read);
}

bool ReadFailed(const net::PageRead& read) {
  return read.reply.BodyText.empty() || read.reply.Status != 200;
}

Task<std::optional<std::string>> FetchStatusPage(net::PageGetter get) {
  auto fetch = [session = Session(), get = std::move(get)] {
    return ReadStatusPageOf(session, get);
  };
  net::PageRead read = co_await OffThread(fetch);
  if (!ReadFailed(read)) co_return std::move(read.reply.BodyText);
  co_await ShowConnectionFailure();
  co_return std::nullopt;
}

Task<std::optional<std::string>> FetchStatusPage() {
  return FetchStatusPage(desktop::services().read_page);
}

}  // namespace core
