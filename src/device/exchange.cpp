#include "device/exchange.h"

namespace device {

namespace {
constexpr int kProbeTimeoutMs = 1000;
}

Delivery Deliver(net::CommandClient& client, const Session& session, const std::string& url,
                 const std::string& page_tag) {
  Delivery delivery;
  client.UserId = session.user;
  client.Password = session.password;
  client.Referer = "http://" + session.address + "/" + page_tag;
  try {
    client.Get(url);
  } catch (const std::exception&) {
    // A command whose answer page cannot be fetched after the redirect was
    // still carried out; the probe tells whether the device lives.
    if (client.StatusCode != 302) delivery.failed = true;
  }
  delivery.sent = client.RequestSent;
  delivery.failure_page = client.Header.find("fail.htm") != std::string::npos;

  client.Host = session.address;
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

}  // namespace device
