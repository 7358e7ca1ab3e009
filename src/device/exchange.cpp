#include "device/exchange.h"

#include <stdexcept>

#include "i18n/translate.h"
#include "net/waiting.h"

namespace device {

namespace {
constexpr int kProbeTimeoutMs = 1000;
}

Delivery Deliver(net::CommandClient& client, const Session& session, const Command& command) {
  const std::string& url = command.url;
  const std::string& page_tag = command.page_tag;
  if (url.rfind("http://" + session.address() + "/", 0) != 0)
    throw std::logic_error("a command for another device than its session's");
  Delivery delivery;
  client.UserId = session.user();
  client.Password = session.password();
  client.Referer = "http://" + session.address() + "/" + page_tag;
  try {
    client.Get(url);
  } catch (const std::exception&) {
    // A command whose answer page cannot be fetched after the redirect was
    // still carried out; the probe tells whether the device lives.
    if (client.StatusCode != 302) delivery.failed = true;
  }
  delivery.sent = client.RequestSent;
  delivery.failure_page = client.Header.find("fail.htm") != std::string::npos;
  delivery.status = client.FirstStatus;
  delivery.location = client.FirstLocation;
  // The device leaves its address once it has an address change: there is
  // nothing to probe.
  if (command.Moves()) return delivery;

  client.Host = session.address();
  client.Port = 80;
  client.ReportLevel = 1;
  client.TimeOut = kProbeTimeoutMs;
  try {
    client.Connect();
  } catch (const std::exception&) {
  }
  delivery.alive = client.IsConnected;
  if (delivery.alive) client.Disconnect();
  return delivery;
}

bool RefusedFtpCommand(const std::string& url, const std::string& page_tag,
                       const Delivery& delivery) {
  return page_tag == "ftp.htm" && url.find("ftps_user_enabled") == std::string::npos &&
         (delivery.failed || delivery.failure_page);
}

namespace {

// The page a command names for `key` ("redirect=", "failure="), or a
// redirect's target, without folder or query.
std::string PageName(std::string text) {
  text = text.substr(0, text.find_first_of("?#"));
  return text.substr(text.rfind('/') == std::string::npos ? 0 : text.rfind('/') + 1);
}

std::string Parameter(const std::string& url, const std::string& key) {
  for (std::size_t at = url.find('?'); at != std::string::npos; at = url.find('&', at + 1)) {
    if (url.compare(at + 1, key.size(), key) == 0) {
      const std::size_t from = at + 1 + key.size();
      return url.substr(from, url.find('&', from) - from);
    }
  }
  return {};
}

}  // namespace

Outcome Judge(const std::string& url, const Delivery& delivery) {
  if (!delivery.sent || delivery.status == 0) return Outcome::NoAnswer;
  if (delivery.status == 401) return Outcome::LoginFailed;
  const std::string answer = PageName(Parameter(url, "redirect="));
  if (delivery.status >= 300 && delivery.status <= 302 && !delivery.location.empty() &&
      !answer.empty() && PageName(delivery.location) == answer)
    return Outcome::Done;
  return Outcome::Refused;
}

std::string SayOutcome(Outcome outcome) {
  switch (outcome) {
    case Outcome::Done:
      break;
    case Outcome::Refused:
      return i18n::Translate("The device refused the command.");
    case Outcome::LoginFailed:
      return i18n::Translate("Login failed, please check your username and password");
    case Outcome::NoAnswer:
      return i18n::Translate("連線失敗");
  }
  return {};
}

Submission Submit(net::CommandClient& client, const Session& session, const Command& command) {
  Submission s;
  for (;;) {
    s.delivery = Deliver(client, session, command);
    ++s.submissions;
    if (command.Moves() || !s.delivery.alive || net::ActionCancelled()) break;
    s.refused = RefusedFtpCommand(command.url, command.page_tag, s.delivery);
    if (!s.refused || !command.retried || s.submissions == kMaxSubmissions) break;
    net::Pause(kSubmissionPauseMs);
  }
  s.outcome = Judge(command.url, s.delivery);
  if (command.Moves() && s.delivery.sent && s.outcome != Outcome::Refused &&
      s.outcome != Outcome::LoginFailed)
    s.outcome = Outcome::Done;
  return s;
}

}  // namespace device
