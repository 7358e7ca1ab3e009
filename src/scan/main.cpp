// brevane-scan: finds the network-storage devices on the LAN from a
// terminal, with the main window's discovery: one request, replies
// collected for a while, the first reply from an address kept.

#include <algorithm>
#include <atomic>
#include <optional>
#include <thread>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "net/discovery.h"
#include "net/ipv4.h"
#include "net/socket_error.h"
#include "net/udp_socket.h"
#include "net/version.h"
#include "os/console.h"
#include "scan/discover.h"
#include "scan/scan_output.h"
#include "scan/watch.h"

namespace {

constexpr char kUsage[] =
    "Usage: brevane-scan [OPTION]...\n"
    "Finds the network-storage devices on the LAN: sends one discovery request\n"
    "(UDP broadcast to port 14675, and to the broadcast address of each network\n"
    "interface), collects the replies and prints each device's address, name,\n"
    "group and firmware in the order they answered.\n"
    "\n"
    "  --seconds N           how long to collect replies (default 13)\n"
    "  --json                one JSON array of {address, name, group, firmware}\n"
    "  --csv                 comma-separated values with a header line\n"
    "  --prometheus          Prometheus file_sd JSON: a target group a device, its\n"
    "                        address the target, labelled brevane_device and\n"
    "                        brevane_group\n"
    "  --interface NAME      send and listen on that network interface only\n"
    "  --broadcast ADDRESS   send the request to ADDRESS (default 255.255.255.255)\n"
    "  --address A[,B...]    ask these addresses directly as well (a device behind\n"
    "                        a router or a VPN)\n"
    "  --watch               keep scanning, and print a line (with --json, one JSON\n"
    "                        object) for each change: a device appeared, moved to\n"
    "                        another address, changed its name or firmware, or\n"
    "                        disappeared (no answer to two scans in a row); ends on\n"
    "                        %s with status 0\n"
    "  --interval S          with --watch, a scan every S seconds (default 10, at\n"
    "                        least 0.1), each collecting replies for --seconds\n"
    "                        (default 3 there, or S when shorter)\n"
    "  --count N             with --watch, stop after N scans\n"
    "  --help                show this text and exit\n"
    "  --version             show the version and exit\n"
    "\n"
    "Exit status: 0 when a device answered, 1 when none did, 2 on a usage or\n"
    "socket error.\n";

// Set from a signal handler, or on Windows from a thread of the system's.
std::atomic<bool> stop_requested = false;

// Scans until told to stop (or `count` scans, when above 0), printing what
// changes.
int WatchDevices(std::chrono::milliseconds listen, std::chrono::milliseconds interval, int count,
                 const scan::Where& where, bool json) {
  os::OnStopRequest([] { stop_requested = true; });
  scan::Watch watch;
  for (int done = 0; !stop_requested && (count == 0 || done < count); ++done) {
    const auto next = std::chrono::steady_clock::now() + interval;
    const net::DeviceList found =
        scan::Discover(listen, where, [](const net::DeviceList&) { return stop_requested.load(); });
    if (stop_requested) break;
    for (const auto& event : watch.Scan(found.Devices())) {
      const std::string line = json ? scan::EventJson(event) : scan::EventLine(event);
      std::fputs(line.c_str(), stdout);
    }
    std::fflush(stdout);
    if (count > 0 && done + 1 == count) break;
    while (!stop_requested && std::chrono::steady_clock::now() < next)
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
          next - std::chrono::steady_clock::now(), std::chrono::milliseconds(100)));
  }
  return 0;
}

int UsageError(const std::string& what) {
  std::fprintf(stderr, "brevane-scan: %s\nTry 'brevane-scan --help'.\n", what.c_str());
  return 2;
}

bool IsAddress(const std::string& text) {
  return net::IsIPv4(text);
}

std::optional<int> Number(const char* text, int min, int max) {
  char* end = nullptr;
  const long n = text ? std::strtol(text, &end, 10) : -1;
  if (!text || *text == '\0' || *end != '\0' || n < min || n > max) return std::nullopt;
  return static_cast<int>(n);
}

enum class Format { Table, Json, Csv, Prometheus };

struct Options {
  std::optional<int> seconds;
  bool watch = false;
  std::chrono::milliseconds interval = std::chrono::seconds(10);
  int count = 0;
  Format format = Format::Table;
  std::string interface, broadcast = net::kDiscoveryBroadcastIp;
  std::vector<std::string> addresses;
  bool broadcast_given = false;
  // Where a scan asks: every interface's own broadcast address too, unless
  // an interface or a broadcast address narrows it.
  scan::Where Where() const {
    return {interface, broadcast, addresses, interface.empty() && !broadcast_given};
  }
};

// Takes the option at argv[i] that has a value (moving i past it): nothing
// when done, or the exit status of a usage error.
std::optional<int> ValueOption(const std::string& arg, int argc, char** argv, int& i, Options& o) {
  const char* text = i + 1 < argc ? argv[++i] : nullptr;
  if (arg == "--seconds") {
    o.seconds = Number(text, 1, 3600);
    if (!o.seconds) return UsageError("--seconds takes a whole number from 1 to 3600");
  } else if (arg == "--address") {
    if (!text) return UsageError("--address takes IPv4 addresses separated by commas");
    if (!scan::AddAddresses(text, o.addresses))
      return UsageError("--address takes IPv4 addresses separated by commas, not " +
                        std::string(text));
  } else if (arg == "--interval") {
    char* end = nullptr;
    const double s = text ? std::strtod(text, &end) : 0;
    if (!text || *text == '\0' || *end != '\0' || !(s >= 0.1 && s <= 86400))
      return UsageError("--interval takes seconds from 0.1 to 86400");
    o.interval = std::chrono::milliseconds(static_cast<long long>(s * 1000 + 0.5));
  } else if (arg == "--count") {
    const auto n = Number(text, 1, 1 << 30);
    if (!n) return UsageError("--count takes a whole number from 1");
    o.count = *n;
  } else if (arg == "--interface") {
    if (!text || *text == '\0') return UsageError("--interface takes an interface name");
    o.interface = text;
  } else {  // --broadcast
    if (!text || !IsAddress(text))
      return UsageError("--broadcast takes an IPv4 address such as 192.168.1.255");
    o.broadcast = text;
    o.broadcast_given = true;
  }
  return std::nullopt;
}

// Reads the command line into `o`: nothing to go on with it, or the exit
// status (help, version, a usage error).
std::optional<int> ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help") {
      // The means that end a watch are this system's own.
      std::printf(kUsage, os::kStopMeans);
      return 0;
    }
    if (arg == "--version") {
      std::printf("brevane-scan %s\n", net::kVersion);
      return 0;
    }
    if (arg == "--json") {
      o.format = Format::Json;
    } else if (arg == "--csv") {
      o.format = Format::Csv;
    } else if (arg == "--prometheus") {
      o.format = Format::Prometheus;
    } else if (arg == "--watch") {
      o.watch = true;
    } else if (arg == "--seconds" || arg == "--address" || arg == "--interval" ||
               arg == "--count" || arg == "--interface" || arg == "--broadcast") {
      if (const auto failed = ValueOption(arg, argc, argv, i, o)) return failed;
    } else {
      return UsageError("unknown option " + arg);
    }
  }
  if (!o.watch && o.count > 0) return UsageError("--count goes with --watch");
  if (o.watch && (o.format == Format::Csv || o.format == Format::Prometheus))
    return UsageError("--watch prints lines or JSON, not CSV or targets");
  return std::nullopt;
}

// Prints the devices one scan found; the exit status.
int Print(const net::DeviceList& found, const Options& o) {
  const auto& devices = found.Devices();
  const scan::Where where{o.interface, o.broadcast, o.addresses};
  const std::vector<std::string> via = scan::ViaOf(devices, where);
  const std::string text = o.format == Format::Json         ? scan::Json(devices, via)
                           : o.format == Format::Csv        ? scan::Csv(devices, via)
                           : o.format == Format::Prometheus ? scan::PrometheusTargets(devices)
                                                            : scan::Table(devices, via);
  if (o.format != Format::Table || !devices.empty()) std::fputs(text.c_str(), stdout);
  if (devices.empty() && o.format == Format::Table) std::fputs("No device answered.\n", stderr);
  return devices.empty() ? 1 : 0;
}

}  // namespace

static int Main(int argc, char** argv) {
  Options o;
  if (const auto status = ParseOptions(argc, argv, o)) return *status;
  net::DeviceList found;
  try {
    if (o.watch)
      return WatchDevices(
          o.seconds ? std::chrono::seconds(*o.seconds)
                    : std::min<std::chrono::milliseconds>(std::chrono::seconds(3), o.interval),
          o.interval, o.count, o.Where(), o.format == Format::Json);
    found = scan::Discover(o.seconds.value_or(13), o.Where());
  } catch (const net::SocketError& e) {
    if (e.number() == net::wsa::kAddressInUse)
      std::fprintf(stderr, "brevane-scan: UDP port %u is already in use (is Brevane running?)\n",
                   static_cast<unsigned>(net::kDiscoveryPort));
    else
      std::fprintf(stderr, "brevane-scan: %s (socket error %d)\n",
                   net::WsaErrorDescription(e.number()).c_str(), e.number());
    return 2;
  }
  return Print(found, o);
}

int main(int argc, char** argv) {
  os::UseUtf8Console();
  os::Arguments arguments(argc, argv);
  return Main(arguments.argc(), arguments.argv());
}
