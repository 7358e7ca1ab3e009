// One probe of brevane-exporter against brevane-ctl --json show of the same
// device, both in this process, in alternating pairs; then the resident
// memory over many probes. Run inside a test LAN (scripts/bench-fleet).
//   exporter_bench ADDRESS PASSWORD_FILE [PAIRS] [PROBES]

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "ctl/ctl.h"
#include "exporter/probe.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

double ResidentMiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1 << 20);
}

// The median and quartiles of `v`, as text.
std::string Spread(std::vector<double> v, double scale = 1000) {
  std::sort(v.begin(), v.end());
  auto at = [&](double q) {
    return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))] * scale;
  };
  char text[96];
  std::snprintf(text, sizeof text, "median %.3f (quartiles %.3f to %.3f)", at(0.5), at(0.25),
                at(0.75));
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: exporter_bench ADDRESS PASSWORD_FILE [PAIRS] [PROBES]\n");
    return 2;
  }
  const std::string address = argv[1], password_file = argv[2];
  const int pairs = argc > 3 ? std::stoi(argv[3]) : 200;
  const int probes = argc > 4 ? std::stoi(argv[4]) : 10000;
  std::string password;
  std::getline(std::ifstream(password_file), password);
  const exporter::Credentials credentials{"admin", password};

  // brevane-ctl prints its JSON: to /dev/null here, as the probe's text is
  // made and dropped.
  const int out = dup(STDOUT_FILENO);
  std::FILE* null = std::fopen("/dev/null", "w");
  auto show = [&] {
    std::string a0 = "brevane-ctl", a1 = "--json", a2 = "--password-file", a3 = password_file,
                a4 = address, a5 = "show";
    char* args[] = {a0.data(), a1.data(), a2.data(), a3.data(), a4.data(), a5.data(), nullptr};
    std::fflush(stdout);
    dup2(fileno(null), STDOUT_FILENO);
    const int status = ctl::Run(6, args);
    std::fflush(stdout);
    dup2(out, STDOUT_FILENO);
    return status;
  };
  auto probe = [&] {
    const auto result = exporter::Probe(address, &credentials, std::chrono::seconds(10));
    return result.up && !exporter::ProbeText(result).empty();
  };
  std::vector<double> probe_s, show_s, ratios;
  for (int i = 0; i < pairs; ++i) {
    double p = 0, s = 0;
    for (int k = 0; k < 2; ++k) {
      // Alternating which goes first, so neither always runs warm.
      const auto start = Clock::now();
      if ((k == 0) == (i % 2 == 0)) {
        if (!probe()) return std::fprintf(stderr, "exporter_bench: the probe failed\n"), 1;
        p = Seconds(start);
      } else {
        if (show() != 0) return std::fprintf(stderr, "exporter_bench: show failed\n"), 1;
        s = Seconds(start);
      }
    }
    probe_s.push_back(p);
    show_s.push_back(s);
    ratios.push_back(p / s);
  }
  std::printf("one probe, in process, %d pairs:\n", pairs);
  std::printf("  %-40s %s ms\n", "probe (page read and metrics text)", Spread(probe_s).c_str());
  std::printf("  %-40s %s ms\n", "brevane-ctl --json show", Spread(show_s).c_str());
  std::printf("  %-40s %s (goal: at most 1.2)\n", "ratio of the pairs", Spread(ratios, 1).c_str());

  double at_start = 0, peak = 0;
  for (int i = 1; i <= probes; ++i) {
    if (!probe()) return std::fprintf(stderr, "exporter_bench: probe %d failed\n", i), 1;
    if (i == 100) at_start = ResidentMiB();
    if (i >= 100) peak = std::max(peak, ResidentMiB());
  }
  std::printf(
      "resident memory over %d probes: %.2f MiB after 100, %.2f MiB at most after "
      "(goal: constant)\n",
      probes, at_start, peak);
  return 0;
}
