// brevane-scan: finds the network-storage devices on the LAN from a
// terminal, with the main window's discovery: one request, replies
// collected for a while, the first reply from an address kept.

#include <arpa/inet.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "net/discovery.h"
#include "net/socket_error.h"
#include "net/udp_socket.h"
#include "net/version.h"
#include "scan/discover.h"
#include "scan/scan_output.h"

namespace {

constexpr char kUsage[] =
    "Usage: brevane-scan [OPTION]...\n"
    "Finds the network-storage devices on the LAN: sends one discovery request\n"
    "(UDP broadcast to port 14675), collects the replies and prints each device's\n"
    "address, name, group and firmware in the order they answered.\n"
    "\n"
    "  --seconds N           how long to collect replies (default 13)\n"
    "  --json                one JSON array of {address, name, group, firmware}\n"
    "  --csv                 comma-separated values with a header line\n"
    "  --interface NAME      send and listen on that network interface only\n"
    "  --broadcast ADDRESS   send the request to ADDRESS (default 255.255.255.255)\n"
    "  --help                show this text and exit\n"
    "  --version             show the version and exit\n"
    "\n"
    "Exit status: 0 when a device answered, 1 when none did, 2 on a usage or\n"
    "socket error.\n";

int UsageError(const std::string& what) {
  std::fprintf(stderr, "brevane-scan: %s\nTry 'brevane-scan --help'.\n", what.c_str());
  return 2;
}

bool IsAddress(const std::string& text) {
  in_addr a{};
  return ::inet_pton(AF_INET, text.c_str(), &a) == 1;
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 13;
  enum class Format { Table, Json, Csv } format = Format::Table;
  std::string interface, broadcast = net::kDiscoveryBroadcastIp;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--version") {
      std::printf("brevane-scan %s\n", net::kVersion);
      return 0;
    } else if (arg == "--json") {
      format = Format::Json;
    } else if (arg == "--csv") {
      format = Format::Csv;
    } else if (arg == "--seconds") {
      const char* text = value();
      char* end = nullptr;
      const long n = text ? std::strtol(text, &end, 10) : -1;
      if (!text || *text == '\0' || *end != '\0' || n < 1 || n > 3600)
        return UsageError("--seconds takes a whole number from 1 to 3600");
      seconds = static_cast<int>(n);
    } else if (arg == "--interface") {
      const char* name = value();
      if (!name || *name == '\0') return UsageError("--interface takes an interface name");
      interface = name;
    } else if (arg == "--broadcast") {
      const char* address = value();
      if (!address || !IsAddress(address))
        return UsageError("--broadcast takes an IPv4 address such as 192.168.1.255");
      broadcast = address;
    } else {
      return UsageError("unknown option " + arg);
    }
  }

  net::DeviceList found;
  try {
    found = scan::Discover(seconds, {interface, broadcast});
  } catch (const net::SocketError& e) {
    if (e.number() == net::wsa::kAddressInUse)
      std::fprintf(stderr, "brevane-scan: UDP port %u is already in use (is Brevane running?)\n",
                   static_cast<unsigned>(net::kDiscoveryPort));
    else
      std::fprintf(stderr, "brevane-scan: %s (socket error %d)\n",
                   net::WsaErrorDescription(e.number()).c_str(), e.number());
    return 2;
  }

  const auto& devices = found.Devices();
  const std::string text = format == Format::Json  ? scan::Json(devices)
                           : format == Format::Csv ? scan::Csv(devices)
                                                   : scan::Table(devices);
  if (format != Format::Table || !devices.empty()) std::fputs(text.c_str(), stdout);
  if (devices.empty() && format == Format::Table) std::fputs("No device answered.\n", stderr);
  return devices.empty() ? 1 : 0;
}
