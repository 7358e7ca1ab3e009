// brevane-scan in the test LAN: what it prints for real devices, malformed
// replies and a crowd, and its exit statuses.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "lan_support.h"
#include "net/discovery.h"
#include "net/udp_socket.h"

namespace {

using lan::SimDevice;
using lan::ThisLan;

using lan::Result;
using lan::Run;

Result Scan(std::vector<std::string> args) {
  const char* scan = std::getenv("BREVANE_SCAN");
  args.insert(args.begin(), scan ? scan : "brevane-scan");
  return Run(args);
}

// Reads JSON with Python's own parser and prints each device back, one
// field a line, as escaped Python strings: what a script would get.
std::string ReadBack(const std::string& json) {
  return Run({"/usr/bin/python3", "-c",
              "import json,sys\n"
              "for d in json.load(sys.stdin):\n"
              "  print(ascii([d['address'], d['name'], d['group'], d['firmware']]))\n"},
             json)
      .out;
}

TEST(ScanLan, DevicesInArrivalOrderAsTableCsvAndJson) {
  const auto& devices = ThisLan().devices;
  SimDevice a(devices[0], {"--name", "ALPHA", "--group", "HOME", "--firmware", "1.2.3"});
  SimDevice b(devices[1], {"--name", "\xE7\x85\xA7\xE7\x89\x87", "--group", "G", "--firmware",
                           "2.0", "--discovery", "short,long,type2,normal"});
  SimDevice c(devices[2], {"--name", "CHARLIE", "--discovery", "empty-firmware"});

  const Result table = Scan({"--seconds", "1"});
  EXPECT_EQ(table.status, 0) << table.err;
  EXPECT_EQ(table.out.rfind("IP Address", 0), 0u) << table.out;
  EXPECT_NE(table.out.find(devices[0].ip), std::string::npos);
  EXPECT_NE(table.out.find("ALPHA"), std::string::npos);
  EXPECT_NE(table.out.find("\xE7\x85\xA7\xE7\x89\x87"), std::string::npos);
  EXPECT_EQ(table.out.find("CHARLIE"), std::string::npos);  // no firmware: no device
  EXPECT_EQ(std::count(table.out.begin(), table.out.end(), '\n'), 3);

  const Result json = Scan({"--seconds", "1", "--json"});
  EXPECT_EQ(json.status, 0);
  const std::string back = ReadBack(json.out);
  EXPECT_NE(back.find("['" + devices[0].ip + "', 'ALPHA', 'HOME', '1.2.3']"), std::string::npos)
      << back;
  EXPECT_NE(back.find("['" + devices[1].ip + "', '\\u7167\\u7247', 'G', '2.0']"), std::string::npos)
      << back;

  const Result csv = Scan({"--seconds", "1", "--csv", "--broadcast", "10.77.0.255"});
  EXPECT_EQ(csv.status, 0);
  EXPECT_EQ(csv.out.rfind("address,name,group,firmware,via\n", 0), 0u);
  EXPECT_NE(csv.out.find(devices[0].ip + ",ALPHA,HOME,1.2.3,lan0\n"), std::string::npos) << csv.out;

  EXPECT_EQ(Scan({"--seconds", "1", "--interface", "lan0", "--json"}).status, 0);
}

TEST(ScanLan, HostileNamesNeverReachTheTerminal) {
  // A device whose name holds a terminal escape and bytes that are no UTF-8.
  net::UdpSocket socket(0, 0);
  const std::string name = "\x1b[2J\xff\x07";
  std::thread answer([&] {
    // Stands in for a device, answering once the scan listens.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    socket.SendTo(ThisLan().workstation.ip, net::kDiscoveryPort,
                  net::BuildDiscoveryReply(name, "G", "1\n0"));
  });
  const Result table = Scan({"--seconds", "1"});
  answer.join();
  ASSERT_EQ(table.status, 0) << table.err;
  EXPECT_EQ(table.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(table.out.find('\x07'), std::string::npos);
  EXPECT_NE(table.out.find("\\x1b[2J\xEF\xBF\xBD\\x07"), std::string::npos) << table.out;
  EXPECT_NE(table.out.find("1\\x0a0"), std::string::npos);
}

TEST(ScanLan, ExitStatuses) {
  const Result none = Scan({"--seconds", "1"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(Scan({"--seconds", "1", "--json"}).out, "[]\n");
  for (const std::vector<std::string>& bad : {std::vector<std::string>{"--seconds", "x"},
                                              {"--seconds"},
                                              {"--broadcast", "nowhere"},
                                              {"--count", "0"},
                                              {"--count", "99999999999"},
                                              {"--interval", "0"},
                                              {"--interface", ""},
                                              {"--address", ""},
                                              {"--what"}}) {
    const Result usage = Scan(bad);
    EXPECT_EQ(usage.status, 2) << bad[0];
    EXPECT_NE(usage.err.find("brevane-scan:"), std::string::npos);
  }
  EXPECT_EQ(Scan({"--help"}).status, 0);
  EXPECT_EQ(Scan({"--version"}).out, "brevane-scan 1.18\n");
  EXPECT_EQ(Scan({"--interface", "nosuch0", "--seconds", "1"}).status, 2);

  net::UdpSocket taken(net::kDiscoveryPort, 0);
  const Result busy = Scan({"--seconds", "1"});
  EXPECT_EQ(busy.status, 2);
  EXPECT_NE(busy.err.find("UDP port 14675 is already in use"), std::string::npos) << busy.err;
}

// A device a broadcast does not reach is found when its address is asked
// directly; a list that holds no address is a usage error.
TEST(ScanLan, AnAddressIsAskedDirectly) {
  const lan::Host& host = ThisLan().devices.at(0);
  SimDevice device(host, {"--name", "DIRECT", "--group", "HOME"});
  // The broadcast goes where no device is.
  const std::vector<std::string> nowhere = {"--seconds", "1", "--broadcast", "192.0.2.255"};
  EXPECT_EQ(Scan(nowhere).status, 1);
  std::vector<std::string> direct = nowhere;
  direct.insert(direct.end(), {"--address", "192.0.2.1," + host.ip, "--json"});
  const Result found = Scan(direct);
  EXPECT_EQ(found.status, 0) << found.err;
  EXPECT_NE(found.out.find("\"DIRECT\""), std::string::npos) << found.out;
  EXPECT_EQ(Scan({"--address", "10.1.2.3,nowhere"}).status, 2);
}

// A watch sees a device appear, move to another address and disappear,
// and says each once, as a JSON object a line.
TEST(ScanLan, AWatchSeesADeviceAppearMoveAndDisappear) {
  const lan::Host& host = ThisLan().devices.at(0);
  lan::AddressRestorer restore(host);
  const std::string moved_to =
      host.ip.substr(0, host.ip.rfind('.') + 1) +
      std::to_string(std::stoi(host.ip.substr(host.ip.rfind('.') + 1)) + 20);
  Result watch;
  std::thread watching([&watch] {
    watch = Scan({"--watch", "--json", "--interval", "1", "--seconds", "1", "--count", "10"});
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  {
    SimDevice device(host, {"--name", "WATCHED", "--group", "HOME"});
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    device.Control("move " + moved_to);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  }
  watching.join();
  EXPECT_EQ(watch.status, 0) << watch.err;
  EXPECT_EQ(lan::Run({"/usr/bin/python3", "-c",
                      "import json,sys\n"
                      "for l in sys.stdin: d=json.loads(l); print(d['event'], d['address'], "
                      "d.get('before', ''))\n"},
                     watch.out)
                .out,
            "appeared " + host.ip + " \nmoved " + moved_to + " " + host.ip + "\ndisappeared " +
                moved_to + " \n")
      << watch.out;
}

// Ctrl+C ends a watch with status 0 once it has said what it saw: SIGINT
// on Linux, and under Wine the Ctrl+C event Windows gives a console
// program, which Wine makes of the signal.
TEST(ScanLan, AWatchEndsWithStatusZeroOnCtrlC) {
  SimDevice device(ThisLan().devices.at(0), {"--name", "WATCHED", "--group", "HOME"});
  const char* scan = std::getenv("BREVANE_SCAN");
  std::vector<std::string> argv = {
      scan ? scan : "brevane-scan", "--watch", "--interval", "1", "--seconds", "1"};
  const std::string out = ThisLan().dir + "/watch-ctrl-c.out";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> raw;
  for (auto& a : argv) raw.push_back(a.data());
  raw.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawnp(&pid, raw[0], &actions, nullptr, raw.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  auto said = [&out] {
    std::ifstream in(out);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  for (int i = 0; i < 150 && said().find("WATCHED") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ::kill(pid, SIGINT);
  int status = -1;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_NE(said().find("WATCHED"), std::string::npos) << said();
  std::filesystem::remove(out);
}

// A crowd: one device answering from a thousand addresses at once.
TEST(ScanBurst, AThousandDevicesInOneBurstAreAllPrinted) {
  SimDevice crowd(ThisLan().devices.at(0), {"--reply-from-every-address", "--name", "CROWD"});
  const Result table = Scan({"--seconds", "2", "--csv"});
  EXPECT_EQ(table.status, 0);
  EXPECT_EQ(std::count(table.out.begin(), table.out.end(), '\n'), 1001);
}

}  // namespace

namespace {

// A workstation with a second card: one device on each of its networks and
// one behind a router on the second. A scan asks both networks; the one
// behind the router answers when its address is asked.
TEST(ScanFar, EveryNetworkOfTheWorkstationIsAskedAndAnAddressBehindARouterToo) {
  const auto& devices = ThisLan().devices;
  ASSERT_EQ(devices.size(), 3u);
  SimDevice near(devices[0], {"--name", "NEAR", "--group", "HOME"});
  SimDevice second(devices[1], {"--name", "SECOND", "--group", "HOME"});
  SimDevice behind(devices[2], {"--name", "BEHIND", "--group", "HOME"});
  // Each device, and where its answer came from.
  auto names = [](const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"--seconds", "1", "--json"};
    argv.insert(argv.end(), args.begin(), args.end());
    return lan::Run({"/usr/bin/python3", "-c",
                     "import json,sys\n"
                     "print(sorted(d['name'] + ' ' + d['via'] for d in json.load(sys.stdin)))"},
                    Scan(argv).out)
        .out;
  };
  EXPECT_EQ(names({}), "['NEAR lan0', 'SECOND lan1']\n");
  EXPECT_EQ(names({"--address", devices[2].ip}),
            "['BEHIND address', 'NEAR lan0', 'SECOND lan1']\n");
  // A broadcast address given narrows the scan to it.
  EXPECT_EQ(names({"--broadcast", "10.78.0.255"}), "['SECOND lan1']\n");
  // brevane-ctl finds a device by name the same way (and sends it the
  // login with the person's yes).
  const char* ctl = std::getenv("BREVANE_CTL");
  EXPECT_EQ(
      lan::Run({ctl ? ctl : "brevane-ctl", "--trust-found", "--seconds", "1", "SECOND", "show"})
          .status,
      0);
  EXPECT_EQ(lan::Run({ctl ? ctl : "brevane-ctl", "--trust-found", "--seconds", "1", "--address",
                      devices[2].ip, "BEHIND", "show"})
                .status,
            0);
}

}  // namespace
