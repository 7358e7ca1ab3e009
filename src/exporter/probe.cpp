#include "exporter/probe.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

#include <prometheus/text_serializer.h>

#include "device/disk.h"
#include "device/folders.h"
#include "device/ftp.h"
#include "device/ip_config.h"
#include "device/status.h"
#include "device/text.h"
#include "net/page_reader.h"
#include "net/page_values.h"
#include "net/waiting.h"
#include "scan/scan_output.h"

namespace exporter {
namespace {

using prometheus::ClientMetric;
using prometheus::MetricFamily;
using prometheus::MetricType;

MetricFamily Gauge(const std::string& name, const std::string& help, double value,
                   std::vector<ClientMetric::Label> labels = {}) {
  ClientMetric metric;
  metric.label = std::move(labels);
  metric.gauge.value = value;
  return {name, help, MetricType::Gauge, {metric}};
}

// A whole number of at most 9 digits, as a page writes one; nothing else.
std::optional<double> WholeNumber(const std::string& text) {
  const std::string trimmed = device::Trim(text);
  if (trimmed.empty() || trimmed.size() > 9 ||
      trimmed.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return std::strtod(trimmed.c_str(), nullptr);
}

}  // namespace

std::chrono::milliseconds ProbeDeadline(const std::string& header) {
  const std::string text = device::Trim(header);
  char* end = nullptr;
  const double seconds = text.empty() ? 0 : std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0)
    return kDefaultDeadline;
  const double ms = seconds * 1000 - static_cast<double>(kReplyMargin.count());
  if (ms <= static_cast<double>(kShortestDeadline.count())) return kShortestDeadline;
  if (ms >= static_cast<double>(kLongestDeadline.count())) return kLongestDeadline;
  return std::chrono::milliseconds(static_cast<long long>(ms));
}

ProbeResult Probe(const std::string& address, const Credentials* credentials,
                  std::chrono::milliseconds deadline, const PageReading& reading) {
  const auto start = std::chrono::steady_clock::now();
  ProbeResult result;
  result.credentials = credentials != nullptr;
  net::PageRead read;
  {
    // Every attempt, pause and wait of the read ends by the deadline.
    const net::ActionBound bound{deadline};
    read = net::ReadPageWithRetries(address, credentials ? credentials->user : "",
                                    credentials ? credentials->password : "", net::kStatusPagePath,
                                    [&](const std::string& a, const std::string& user,
                                        const std::string& password, const std::string& path) {
                                      return credentials
                                                 ? reading.with_credentials(a, user, password, path)
                                                 : reading.without(a, path);
                                    });
  }
  result.http_status = std::max(read.reply.Status, 0);
  // As brevane-ctl judges a page read: a 200 with a page is a page.
  result.up = read.reply.Status == 200 && !read.reply.BodyText.empty();
  if (result.up) result.page = std::move(read.reply.BodyText);
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return result;
}

std::optional<double> SizeInBytes(const std::string& text) {
  const std::string trimmed = device::Trim(text);
  std::size_t at = 0;
  bool point = false;
  while (at < trimmed.size() && at < 24 &&
         ((trimmed[at] >= '0' && trimmed[at] <= '9') || (trimmed[at] == '.' && !point))) {
    point = point || trimmed[at] == '.';
    ++at;
  }
  if (at == 0 || trimmed[0] == '.') return std::nullopt;
  const double number = std::strtod(trimmed.substr(0, at).c_str(), nullptr);
  std::string unit = device::Trim(trimmed.substr(at));
  for (char& c : unit) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const char* const kUnits[] = {"B", "KB", "MB", "GB", "TB"};
  double scale = 1;
  for (const char* u : kUnits) {
    if (unit == u) return number * scale;
    scale *= 1024;
  }
  return std::nullopt;
}

std::string LabelValue(const std::string& text) {
  std::string value = scan::Printable(text);
  if (value.size() <= kMaxLabelBytes) return value;
  // Cut at a character's start, never inside one.
  std::size_t cut = kMaxLabelBytes;
  while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
  value.resize(cut);
  return value;
}

std::vector<MetricFamily> DeviceFamilies(const std::string& page) {
  const device::StatusView status = device::ShowStatus(page);
  const device::FileServerView folders = device::ShowFileServer(page);
  const device::FtpServerView ftp = device::ShowFtpServer(page);
  const device::DiskView disk = device::ShowDisk(page);
  const device::AddressSettings address = device::ShowIpConfig(page);
  std::vector<MetricFamily> families;
  families.push_back(Gauge("brevane_info", "The device's names, firmware, MAC address and disk.", 1,
                           {{"name", LabelValue(status.host)},
                            {"group", LabelValue(status.group)},
                            {"firmware", LabelValue(status.firmware)},
                            {"mac", LabelValue(status.mac)},
                            {"disk", LabelValue(device::Trim(status.disk_id))}}));
  if (const auto size = SizeInBytes(status.total_size))
    families.push_back(Gauge("brevane_disk_size_bytes", "The disk's size.", *size));
  if (const auto free = SizeInBytes(status.free_size))
    families.push_back(Gauge("brevane_disk_free_bytes", "The disk's free space.", *free));
  if (const auto minutes = WholeNumber(disk.sleep_minutes))
    families.push_back(Gauge("brevane_disk_sleep_seconds",
                             "How long the disk stays idle before it sleeps; 0: never.",
                             *minutes * 60));
  families.push_back(Gauge("brevane_disk_scan_messages",
                           "Messages of the last disk scan the device holds (errors among them).",
                           static_cast<double>(device::Lines(disk.scan_messages).size())));
  families.push_back(Gauge("brevane_folders", "The device's folders.",
                           static_cast<double>(folders.folders.size() + folders.shared.size())));
  families.push_back(Gauge("brevane_shared_folders", "The folders the device shares over SMB.",
                           static_cast<double>(folders.shared.size())));
  families.push_back(Gauge("brevane_ftp_enabled", "1 when the FTP service is on.", ftp.enabled));
  families.push_back(Gauge("brevane_ftp_anonymous_enabled", "1 when anonymous FTP access is on.",
                           ftp.enabled && ftp.anonymous));
  families.push_back(Gauge("brevane_ftp_accounts", "The device's FTP accounts.",
                           static_cast<double>(ftp.accounts.size())));
  families.push_back(Gauge("brevane_dhcp_server_enabled", "1 when the device's DHCP server is on.",
                           status.dhcp_server));
  families.push_back(Gauge("brevane_dhcp_client_enabled",
                           "1 when the device takes its address from the network.",
                           address.automatic));
  families.push_back(Gauge("brevane_sntp_enabled",
                           "1 when the device sets its clock from a time server.",
                           status.sntp_auto));
  return families;
}

std::string ProbeText(const ProbeResult& result) {
  std::vector<MetricFamily> families = {
      Gauge("brevane_up", "1 when the device's status page was read.", result.up),
      Gauge("brevane_probe_duration_seconds", "How long the probe took.", result.seconds),
      Gauge("brevane_probe_http_status_code", "The status of the device's reply; 0: none came.",
            result.http_status),
      Gauge("brevane_probe_credentials",
            "1 when credentials were sent: the configuration lists the target.",
            result.credentials)};
  if (result.up) {
    auto device = DeviceFamilies(result.page);
    families.insert(families.end(), std::make_move_iterator(device.begin()),
                    std::make_move_iterator(device.end()));
  }
  std::ostringstream out;
  prometheus::TextSerializer().Serialize(out, families);
  return out.str();
}

}  // namespace exporter
