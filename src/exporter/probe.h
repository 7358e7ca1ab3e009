#pragma once

// One probe of brevane-exporter: a device's status page read within the
// scrape's deadline, and what it shows as Prometheus metrics.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <prometheus/metric_family.h>

#include "exporter/config.h"
#include "net/auth_get.h"

namespace exporter {

// How a status page is read: with the configuration's credentials, or with
// none at all (no Authorization line) for an address it does not list.
struct PageReading {
  std::function<net::PageReply(const std::string& address, const std::string& user,
                               const std::string& password, const std::string& path)>
      with_credentials =
          [](const std::string& address, const std::string& user, const std::string& password,
             const std::string& path) { return net::AuthGet(address, user, password, path); };
  std::function<net::PageReply(const std::string& address, const std::string& path)> without =
      [](const std::string& address, const std::string& path) {
        return net::PlainGet(address, path);
      };
};

// What the exporter waits on a device when Prometheus does not say: its
// own default scrape timeout less the margin below.
inline constexpr std::chrono::milliseconds kDefaultDeadline{9500};
// Left of the scrape's timeout for the exporter's reply to reach
// Prometheus.
inline constexpr std::chrono::milliseconds kReplyMargin{500};
// The least and the most a probe waits: a page read is bounded anyway.
inline constexpr std::chrono::milliseconds kShortestDeadline{100};
inline constexpr std::chrono::milliseconds kLongestDeadline{15000};

// The probe's deadline from the X-Prometheus-Scrape-Timeout-Seconds
// header: its seconds less kReplyMargin, within the bounds above. A header
// that is missing or no positive finite number gives kDefaultDeadline.
std::chrono::milliseconds ProbeDeadline(const std::string& header);

struct ProbeResult {
  bool up = false;           // the status page was read whole
  int http_status = 0;       // of the device's reply; 0: none came
  bool credentials = false;  // the configuration's credentials were sent
  double seconds = 0;
  std::string page;  // the status page, when up
};

// Reads the status page of `address` (retried as the program retries it)
// until `deadline` has passed, with `credentials` when there are any.
ProbeResult Probe(const std::string& address, const Credentials* credentials,
                  std::chrono::milliseconds deadline, const PageReading& reading = {});

// What a status page shows, as metric families: the device's names and
// firmware (an info metric), its disk, sleep time, services, folders and
// accounts. A value the page does not hold as a number is left out.
std::vector<prometheus::MetricFamily> DeviceFamilies(const std::string& page);

// The probe's whole reply in the text exposition format: brevane_up, how
// the probe went, and the device's metrics when it was up.
std::string ProbeText(const ProbeResult& result);

// A size as a status page writes it ("12.3 GB", "512 MB") in bytes, the
// units taken as powers of 1024; nothing for any other text.
std::optional<double> SizeInBytes(const std::string& text);

// A device's text made fit for a label value: printable (no control or
// direction characters), valid UTF-8 and at most kMaxLabelBytes long.
inline constexpr std::size_t kMaxLabelBytes = 256;
std::string LabelValue(const std::string& text);

}  // namespace exporter
