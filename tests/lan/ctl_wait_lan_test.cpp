// brevane-ctl --wait on several devices in the test LAN: each device's own
// restart is waited for, however the others' go, and the wait ends only
// once every device takes commands again.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "lan_support.h"

namespace {

using lan::Count;
using lan::Ctl;
using lan::Result;
using lan::SimDevice;
using lan::ThisLan;

class CtlWaitLan : public ::testing::Test {
 protected:
  CtlWaitLan()
      : secret_(ThisLan().dir + "/wait-password"), image_(ThisLan().dir + "/wait-image.bin") {
    std::ofstream(secret_) << "s3cret\n";
    std::ofstream(image_, std::ios::binary) << std::string(16 << 20, 'w');
    for (int i = 0; i < 4; ++i)
      devices_[i].emplace(
          ThisLan().devices.at(i),
          std::vector<std::string>{"--name", "NAS" + std::to_string(i + 1), "--password", "s3cret",
                                   "--firmware-limit", "20000000"});
  }
  ~CtlWaitLan() override {
    std::filesystem::remove(secret_);
    std::filesystem::remove(image_);
  }

  Result Run(std::vector<std::string> args) {
    args.insert(args.begin(), {Ctl(), "--password-file", secret_, "--yes", "--json"});
    return lan::Run(args);
  }
  std::string ip(int i) const { return ThisLan().devices.at(i).ip; }
  bool Down(int i) { return devices_[i]->Control("down") == "1"; }
  int Restarts(int i) {
    int n = 0;
    const int commands = std::stoi(devices_[i]->Control("commands"));
    for (int c = 0; c < commands; ++c)
      n += devices_[i]->Control("command " + std::to_string(c)).find("type=reboot") !=
           std::string::npos;
    return n;
  }

  std::optional<SimDevice> devices_[4];
  std::string secret_, image_;
};

// Four devices take the image at three paces and restart for three
// lengths of time, two of them alike (their waits go on side by side, each
// looking at scans another made): when the wait ends, none is still
// restarting, and a command sent at once reaches each.
TEST_F(CtlWaitLan, TheWaitEndsOnlyOnceEveryDeviceIsBackAndTakesCommands) {
  const char* flash[] = {"8", "4", "2", "2"};  // MiB/s
  const char* restart[] = {"6", "8", "10", "10"};
  for (int i = 0; i < 4; ++i) {
    devices_[i]->Control(std::string("set flash-rate ") + flash[i]);
    devices_[i]->Control(std::string("set restart-seconds ") + restart[i]);
  }
  const std::string all = ip(0) + "," + ip(1) + "," + ip(2) + "," + ip(3);
  const Result run = Run({"--wait", "--wait-seconds", "60", all, "upload", image_});
  bool down[4];
  for (int i = 0; i < 4; ++i) down[i] = Down(i);
  // (A command, not a page read: a refused connection is not tried again.)
  const Result next = Run({all, "dhcp-server", "on"});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("\"done\": 4"), std::string::npos) << run.out;
  for (int i = 0; i < 4; ++i) {
    EXPECT_FALSE(down[i]) << ip(i) << " was still restarting when the wait ended";
    EXPECT_EQ(Restarts(i), 1) << ip(i);
  }
  EXPECT_EQ(next.status, 0) << next.out << next.err;
  EXPECT_EQ(Count(next.out, "\"command\": \"dhcp-server\", \"ok\": true"), 4) << next.out;
}

// One device alone: its wait ends as soon as it is back, yet not before
// its web server takes the next command (it answers discovery a moment
// before), each of three times.
TEST_F(CtlWaitLan, ACommandRightAfterTheWaitReachesTheDevice) {
  devices_[0]->Control("set restart-seconds 2");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Run({"--wait", ip(0), "reboot"}).status, 0);
    const Result next = Run({ip(0), "dhcp-server", i % 2 == 0 ? "on" : "off"});
    EXPECT_EQ(next.status, 0) << i << ": " << next.out << next.err;
  }
}

// A device that never comes back is no answer, for itself alone: the
// others are done, and the run's status is its.
TEST_F(CtlWaitLan, ADeviceThatNeverComesBackIsNoAnswerForItAlone) {
  devices_[0]->Control("set restart-seconds 3");
  devices_[1]->Control("set restart-seconds 600");  // longer than the wait
  const Result run = Run({"--wait", "--wait-seconds", "15", ip(0) + "," + ip(1), "reboot"});
  EXPECT_EQ(run.status, 3) << run.out << run.err;
  EXPECT_NE(run.out.find("\"device\": \"" + ip(0) + "\", \"command\": \"reboot\", \"ok\": true"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\"device\": \"" + ip(1) +
                         "\", \"command\": \"reboot\", \"ok\": false, \"status\": 3"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("did not answer again within 15 seconds"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"done\": 1, \"refused\": 0, \"failed\": 0, \"no_answer\": 1"),
            std::string::npos)
      << run.out;
  EXPECT_FALSE(Down(0));
  EXPECT_TRUE(Down(1));
  EXPECT_EQ(Run({ip(0), "show"}).status, 0);
}

}  // namespace
