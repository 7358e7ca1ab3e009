#include "exporter/exporter.h"

#include <sstream>

#include <prometheus/gauge.h>
#include <prometheus/text_serializer.h>

#include "net/ipv4.h"
#include "net/version.h"
#include "scan/scan_output.h"

namespace exporter {

Exporter::Exporter(Config config, PageReading reading)
    : config_(std::move(config)),
      reading_(std::move(reading)),
      registry_(std::make_shared<prometheus::Registry>()) {
  auto& probes = prometheus::BuildCounter()
                     .Name("brevane_exporter_probes_total")
                     .Help(
                         "Probes answered, by what they found: up, down, or refused (no "
                         "probe: the request named no single IPv4 address).")
                     .Register(*registry_);
  probes_up_ = &probes.Add({{"result", "up"}});
  probes_down_ = &probes.Add({{"result", "down"}});
  probes_refused_ = &probes.Add({{"result", "refused"}});
  prometheus::BuildGauge()
      .Name("brevane_exporter_build_info")
      .Help("The exporter's version.")
      .Register(*registry_)
      .Add({{"version", net::kVersion}})
      .Set(1);
  prometheus::BuildGauge()
      .Name("brevane_exporter_config_targets")
      .Help("The addresses the configuration gives credentials for.")
      .Register(*registry_)
      .Add({})
      .Set(static_cast<double>(config_.targets.size()));
}

Reply Exporter::ProbePage(const std::vector<std::string>& targets,
                          const std::string& timeout_header) {
  auto refuse = [this](const std::string& why) {
    probes_refused_->Increment();
    return Reply{400, "text/plain; charset=utf-8", why + "\n"};
  };
  if (targets.empty()) return refuse("The target parameter is missing: /probe?target=ADDRESS");
  if (targets.size() > 1) return refuse("Give one target a probe.");
  const std::string& target = targets.front();
  if (!net::IsIPv4(target))
    return refuse("The target " + scan::Printable(target.substr(0, 64)) +
                  " is not an IPv4 address.");
  const ProbeResult result =
      Probe(target, config_.For(target), ProbeDeadline(timeout_header), reading_);
  (result.up ? probes_up_ : probes_down_)->Increment();
  return {200, kExpositionType, ProbeText(result)};
}

Reply Exporter::MetricsPage() const {
  std::ostringstream out;
  prometheus::TextSerializer().Serialize(out, registry_->Collect());
  return {200, kExpositionType, out.str()};
}

}  // namespace exporter
