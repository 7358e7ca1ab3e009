// brevane-exporter: a Prometheus exporter for the network-storage devices,
// in the multi-target pattern: Prometheus asks /probe?target=ADDRESS for a
// device's metrics, and /metrics for the exporter's own.

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <httplib.h>

#include "exporter/exporter.h"
#include "net/ipv4.h"
#include "net/version.h"
#include "scan/scan_output.h"

namespace {

constexpr char kUsage[] =
    "Usage: brevane-exporter [OPTION]...\n"
    "A Prometheus exporter for network-storage devices. Prometheus asks\n"
    "/probe?target=ADDRESS for one device's metrics (its status page, read\n"
    "within the scrape's timeout) and /metrics for the exporter's own.\n"
    "Credentials go only to the addresses the configuration lists.\n"
    "\n"
    "  --config.file FILE          the configuration: auths and the targets that\n"
    "                              get them, readable by its owner only\n"
    "                              (default /etc/brevane/exporter.yml)\n"
    "  --web.listen-address HOST:PORT\n"
    "                              where to listen (default 127.0.0.1:9774);\n"
    "                              0.0.0.0:PORT for every interface\n"
    "  --probes N                  probes at once, at most (default 64)\n"
    "  --help                      show this text and exit\n"
    "  --version                   show the version and exit\n"
    "\n"
    "Exit status: 2 on a usage error, a configuration it refuses, or an\n"
    "address it cannot listen on.\n";

int UsageError(const std::string& what) {
  std::fprintf(stderr, "brevane-exporter: %s\nTry 'brevane-exporter --help'.\n", what.c_str());
  return 2;
}

constexpr char kLanding[] =
    "<!DOCTYPE html><html><head><title>brevane-exporter</title></head><body>"
    "<h1>brevane-exporter</h1><p><a href=\"/metrics\">The exporter's metrics</a></p>"
    "<p>A device's metrics: /probe?target=ADDRESS</p></body></html>\n";

struct Options {
  std::string config_path = "/etc/brevane/exporter.yml";
  std::string listen = "127.0.0.1:9774";
  int probes = 64;
  // The listen address's parts.
  std::string host;
  int port = 0;
};

// Reads the command line into `o`: nothing to go on with it, or the exit
// status (help, version, a usage error).
std::optional<int> ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    bool has_value = false;
    // --name VALUE and --name=VALUE alike, as Prometheus's own programs.
    if (const auto equals = arg.find('='); arg.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = arg.substr(equals + 1);
      arg.resize(equals);
      has_value = true;
    }
    auto take = [&]() -> bool {
      if (has_value) return true;
      if (i + 1 >= argc) return false;
      value = argv[++i];
      return true;
    };
    if (arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--version") {
      std::printf("brevane-exporter %s\n", net::kVersion);
      return 0;
    } else if (arg == "--config.file") {
      if (!take() || value.empty()) return UsageError("--config.file takes a file");
      o.config_path = value;
    } else if (arg == "--web.listen-address") {
      if (!take()) return UsageError("--web.listen-address takes HOST:PORT");
      o.listen = value;
    } else if (arg == "--probes") {
      char* end = nullptr;
      const long n = take() ? std::strtol(value.c_str(), &end, 10) : 0;
      if (value.empty() || *end != '\0' || n < 1 || n > 1024)
        return UsageError("--probes takes a whole number from 1 to 1024");
      o.probes = static_cast<int>(n);
    } else {
      return UsageError("unknown option " + scan::Printable(arg));
    }
  }
  const auto colon = o.listen.rfind(':');
  o.host = colon == std::string::npos ? "" : o.listen.substr(0, colon);
  const std::string port_text = colon == std::string::npos ? "" : o.listen.substr(colon + 1);
  char* end = nullptr;
  const long port = std::strtol(port_text.c_str(), &end, 10);
  if ((o.host != "localhost" && !net::IsIPv4(o.host)) || port_text.empty() || *end != '\0' ||
      port < 1 || port > 65535)
    return UsageError(
        "--web.listen-address takes HOST:PORT, HOST an IPv4 address or localhost, "
        "not " +
        scan::Printable(o.listen));
  o.port = static_cast<int>(port);
  return std::nullopt;
}

// Serves the probes, the exporter's own metrics and a landing page until
// the server stops; the exit status.
int Serve(const Options& o, exporter::Exporter& pages) {
  httplib::Server server;
  // Each probe waits on its device on a thread of its own, so one silent
  // device holds up no other target's scrape.
  server.new_task_queue = [probes = o.probes] { return new httplib::ThreadPool(probes); };
  server.set_read_timeout(5, 0);
  server.set_write_timeout(5, 0);
  server.set_payload_max_length(4096);
  auto send = [](httplib::Response& res, const exporter::Reply& reply) {
    res.status = reply.status;
    res.set_content(reply.body, reply.content_type.c_str());
  };
  server.Get("/probe", [&](const httplib::Request& req, httplib::Response& res) {
    std::vector<std::string> targets;
    for (std::size_t i = 0; i < req.get_param_value_count("target"); ++i)
      targets.push_back(req.get_param_value("target", i));
    send(res,
         pages.ProbePage(targets, req.get_header_value("X-Prometheus-Scrape-Timeout-Seconds")));
  });
  server.Get("/metrics", [&](const httplib::Request&, httplib::Response& res) {
    send(res, pages.MetricsPage());
  });
  server.Get("/", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(kLanding, "text/html; charset=utf-8");
  });
  if (!server.bind_to_port(o.host, o.port)) {
    std::fprintf(stderr, "brevane-exporter: cannot listen on %s\n",
                 scan::Printable(o.listen).c_str());
    return 2;
  }
  std::fprintf(stderr, "brevane-exporter %s: listening on %s\n", net::kVersion,
               scan::Printable(o.listen).c_str());
  return server.listen_after_bind() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (const auto status = ParseOptions(argc, argv, o)) return *status;
  exporter::Config config;
  try {
    config = exporter::LoadConfig(o.config_path);
  } catch (const exporter::ConfigError& e) {
    std::fprintf(stderr, "brevane-exporter: %s\n", e.what());
    return 2;
  }
  exporter::Exporter pages(std::move(config));
  return Serve(o, pages);
}
