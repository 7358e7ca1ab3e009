// brevane-devsim: a simulated network-storage device for the test LAN.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "sim/commands.h"
#include "sim/control.h"
#include "sim/device.h"
#include "sim/discovery_responder.h"
#include "sim/netns_guard.h"

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: brevane-devsim --control PATH [--name N] [--group G] [--firmware F]\n"
               "                      [--discovery KIND,...] [--reply-from-every-address]\n");
}

}  // namespace

int main(int argc, char** argv) {
  sim::RequirePrivateNetworkNamespace("brevane-devsim");

  sim::Device device;
  std::string control_path;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&]() -> std::string {
      if (i + 1 >= argc) {
        Usage();
        std::exit(2);
      }
      return argv[++i];
    };
    if (arg == "--control") {
      control_path = next();
    } else if (arg == "--reply-from-every-address") {
      device.state.reply_from_every_address = true;
    } else if (arg == "--name" || arg == "--group" || arg == "--firmware" ||
               arg == "--discovery") {
      sim::HandleControlCommand(device, "set " + arg.substr(2) + " " + next());
    } else {
      Usage();
      return 2;
    }
  }
  if (control_path.empty()) {
    Usage();
    return 2;
  }

  // Signals are taken synchronously below, so every thread blocks them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  try {
    sim::DiscoveryResponder discovery(device);
    sim::ControlServer control(control_path, [&device](const std::string& command) {
      return sim::HandleControlCommand(device, command);
    });
    int received = 0;
    sigwait(&signals, &received);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "brevane-devsim: %s\n", e.what());
    return 1;
  }
  return 0;
}
