// brevane-devsim: a simulated network-storage device for the test LAN.
// It answers discovery, serves its status page and CGI commands over HTTP
// with Basic authentication, takes firmware uploads, and can be told to
// misbehave through its control socket.

#include <arpa/inet.h>
#include <sys/prctl.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "sim/commands.h"
#include "sim/control.h"
#include "sim/device.h"
#include "sim/discovery_responder.h"
#include "sim/http_server.h"
#include "sim/netns_guard.h"
#include "sim/smb_server.h"

namespace {

// An example session: a device in a test LAN told to refuse the next
// command, then asked what it was sent.
constexpr char kExample[] =
    "EXAMPLE\n"
    "  # scripts/testlan up --state /tmp/lan.env --devices 1\n"
    "  # scripts/testlan exec --state /tmp/lan.env d1 -- \\\n"
    "      brevane-devsim --control /tmp/d1.ctl --name NAS1 --password pw &\n"
    "  # scripts/testlan exec --state /tmp/lan.env d1 -- \\\n"
    "      brevane-devsim --control /tmp/d1.ctl --send 'fault refuse' --send 'get host_name'\n"
    "  ok\n"
    "  ok NAS1\n"
    "  # scripts/testlan exec --state /tmp/lan.env ws -- \\\n"
    "      brevane-ctl --password-file pw.txt 10.77.0.11 name NAS2 HOME\n"
    "  brevane-ctl: The device refused the command.\n"
    "  # scripts/testlan exec --state /tmp/lan.env d1 -- \\\n"
    "      brevane-devsim --control /tmp/d1.ctl --send commands --send 'command 0'\n"
    "  ok 1\n"
    "  ok /nas.cgi?redirect=id.htm&failure=fail.htm&type=cifs_config_apply&enable=1&hostname=NAS2"
    "&group_name=HOME\n";

void Usage(std::FILE* to) {
  std::fprintf(to,
               "usage: brevane-devsim --control PATH [options]\n"
               "       brevane-devsim --control PATH --send COMMAND [--send COMMAND]...\n"
               "  --name N --group G --firmware F   identity (discovery and status page)\n"
               "  --password P                      administrator password (user admin)\n"
               "  --ip A                            address to serve at (default: the first one)\n"
               "  --folder NAME                     a folder in the Folder List\n"
               "  --shared-folder NAME              a folder in the Sharing List\n"
               "  --protected-folder NAME:PASSWORD  a shared folder with a password\n"
               "  --account NAME:PASSWORD           an FTP account\n"
               "  --restart-seconds N               how long a restart takes (default 10)\n"
               "  --firmware-limit BYTES            largest image accepted (default 8 MiB)\n"
               "  --flash-rate MIB                  how fast an image is taken, in MiB/s\n"
               "                                    (default: as fast as it comes)\n"
               "  --scan-seconds N                  how long a disk scan takes (default 6)\n"
               "  --discovery KIND,...              replies to send to each discovery request\n"
               "  --reply-from-every-address        answer discovery from every address\n"
               "  --smb DIR                         serve the Sharing List over SMB (smbd),\n"
               "                                    keeping every file under DIR\n"
               "  --exit-with-parent                stop when the program that started it ends\n"
               "  --send COMMAND                    send a control command to the device already\n"
               "                                    running at PATH and print its answer; each\n"
               "                                    in turn, stopping at the first err (exit 1)\n"
               "\n%s\n%s",
               sim::ControlHelp().c_str(), kExample);
}

// Sends each command to the device at `path`, printing every answer.
int Send(const std::string& path, const std::vector<std::string>& commands) {
  for (const std::string& command : commands) {
    try {
      const std::string answer = sim::ControlCall(path, command);
      std::printf("%s\n", answer.c_str());
      if (answer.rfind("ok", 0) != 0) return 1;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "brevane-devsim: %s\n", e.what());
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--help") {
    Usage(stdout);
    return 0;
  }
  sim::RequirePrivateNetworkNamespace("brevane-devsim");

  sim::Device device;
  std::string control_path, smb_dir;
  std::vector<std::string> sends;
  auto control = [&device](const std::string& command) {
    const std::string answer = sim::HandleControlCommand(device, command);
    if (answer.rfind("ok", 0) != 0) {
      std::fprintf(stderr, "brevane-devsim: %s\n", answer.c_str());
      std::exit(2);
    }
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&]() -> std::string {
      if (i + 1 >= argc) {
        Usage(stderr);
        std::exit(2);
      }
      return argv[++i];
    };
    if (arg == "--control") {
      control_path = next();
    } else if (arg == "--smb") {
      smb_dir = next();
    } else if (arg == "--exit-with-parent") {
      // A test that dies leaves no device behind holding its output.
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    } else if (arg == "--reply-from-every-address") {
      control("set reply-from-every-address 1");
    } else if (arg == "--folder") {
      control("folder " + next());
    } else if (arg == "--shared-folder") {
      control("folder " + next() + "\tshared");
    } else if (arg == "--protected-folder") {
      const std::string spec = next();  // NAME:PASSWORD
      const auto colon = spec.rfind(':');
      control("folder " + spec.substr(0, colon) + "\tshared\t" +
              (colon == std::string::npos ? "" : spec.substr(colon + 1)));
    } else if (arg == "--account") {
      const std::string account = next();
      const auto colon = account.find(':');
      control("account " + account.substr(0, colon) + " " +
              (colon == std::string::npos ? "" : account.substr(colon + 1)));
    } else if (arg == "--name" || arg == "--group" || arg == "--firmware" || arg == "--discovery" ||
               arg == "--password" || arg == "--ip" || arg == "--restart-seconds" ||
               arg == "--firmware-limit" || arg == "--scan-seconds" || arg == "--flash-rate") {
      control("set " + arg.substr(2) + " " + next());
    } else if (arg == "--send") {
      sends.push_back(next());
    } else {
      Usage(stderr);
      return 2;
    }
  }
  if (control_path.empty()) {
    Usage(stderr);
    return 2;
  }
  if (!sends.empty()) return Send(control_path, sends);
  if (device.state.ip.empty()) {
    const auto addresses = sim::LocalAddresses();
    if (addresses.empty()) {
      std::fprintf(stderr, "brevane-devsim: no address to serve at\n");
      return 1;
    }
    device.state.ip = addresses.front();
  }
  device.factory = device.state;

  // Signals are taken synchronously below, so every thread blocks them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  try {
    std::unique_ptr<sim::SmbServer> smb;
    if (!smb_dir.empty()) {
      smb = std::make_unique<sim::SmbServer>(device, smb_dir);
      device.files = smb.get();  // the folders' files follow the commands
    }
    auto sync = [&smb] {
      if (smb) smb->Sync();
    };
    sim::DiscoveryResponder discovery(device);
    sim::HttpServer http(device, sync);
    sim::ControlServer control_server(control_path, [&](const std::string& command) {
      // move ADDRESS: the device leaves its address for another, as after a
      // new lease from the network's DHCP server.
      if (command.rfind("move ", 0) == 0) {
        const std::string ip = command.substr(5);
        in_addr parsed{};
        if (::inet_pton(AF_INET, ip.c_str(), &parsed) != 1) return std::string("err bad address");
        return http.MoveAddress(ip) ? std::string("ok") : std::string("err cannot move");
      }
      const std::string answer = sim::HandleControlCommand(device, command);
      sync();
      return answer;
    });
    int received = 0;
    sigwait(&signals, &received);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "brevane-devsim: %s\n", e.what());
    return 1;
  }
  return 0;
}
