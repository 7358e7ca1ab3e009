#pragma once

// brevane-exporter's two pages, apart from the HTTP server that serves
// them: /probe?target=ADDRESS, a device's metrics, and /metrics, the
// exporter's own.

#include <memory>
#include <string>
#include <vector>

#include <prometheus/counter.h>
#include <prometheus/family.h>
#include <prometheus/registry.h>

#include "exporter/config.h"
#include "exporter/probe.h"

namespace exporter {

inline constexpr char kExpositionType[] = "text/plain; version=0.0.4; charset=utf-8";

struct Reply {
  int status = 200;
  std::string content_type = kExpositionType;
  std::string body;
};

class Exporter {
 public:
  explicit Exporter(Config config, PageReading reading = {});

  // `targets`: every value of the query's "target" parameter (exactly one
  // IPv4 address is a probe); `timeout_header`: Prometheus's
  // X-Prometheus-Scrape-Timeout-Seconds, empty when absent.
  Reply ProbePage(const std::vector<std::string>& targets, const std::string& timeout_header);
  Reply MetricsPage() const;

 private:
  const Config config_;
  const PageReading reading_;
  std::shared_ptr<prometheus::Registry> registry_;
  prometheus::Counter* probes_up_;
  prometheus::Counter* probes_down_;
  prometheus::Counter* probes_refused_;
};

}  // namespace exporter
