// The simulated device's control commands: what --help lists is what the
// device takes, and its manual page lists the same.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "sim/commands.h"

namespace {

// The first word of each entry --help lists under `section`.
std::vector<std::string> Listed(const std::string& section) {
  std::vector<std::string> names;
  std::istringstream help(sim::ControlHelp());
  bool inside = false;
  for (std::string line; std::getline(help, line);) {
    if (!line.empty() && line[0] != ' ')
      inside = line.rfind(section, 0) == 0;
    else if (inside && line.rfind("  ", 0) == 0 && line[2] != ' ')
      names.push_back(line.substr(2, line.find(' ', 2) - 2));
  }
  return names;
}

TEST(SimControl, EveryFaultListedIsOneTheDeviceTakes) {
  const auto faults = Listed("FAULTS");
  ASSERT_GE(faults.size(), 11u);
  for (const std::string& fault : faults) {
    sim::Device device;
    EXPECT_EQ(sim::HandleControlCommand(device, "fault " + fault + " 2"), "ok") << fault;
  }
  sim::Device device;
  EXPECT_EQ(sim::HandleControlCommand(device, "fault refuse 3"), "ok");
  EXPECT_EQ(device.faults.refuse, 3);
  EXPECT_EQ(sim::HandleControlCommand(device, "fault close"), "ok");
  EXPECT_EQ(device.faults.close_silently, 1);
  EXPECT_EQ(sim::HandleControlCommand(device, "fault clear"), "ok");
  EXPECT_EQ(device.faults.refuse, 0);
  EXPECT_EQ(sim::HandleControlCommand(device, "fault refuse-reads"),
            "err unknown fault refuse-reads");
}

TEST(SimControl, EveryCommandListedIsOneTheDeviceKnows) {
  const auto verbs = Listed("CONTROL COMMANDS");
  ASSERT_GE(verbs.size(), 16u);
  for (const std::string& verb : verbs) {
    if (verb == "move") continue;  // the running simulator's own (its server moves)
    sim::Device device;
    const std::string answer = sim::HandleControlCommand(device, verb + " 0 0");
    EXPECT_EQ(answer.find("unknown command"), std::string::npos) << verb << ": " << answer;
  }
  sim::Device device;
  EXPECT_EQ(sim::HandleControlCommand(device, "frobnicate"), "err unknown command frobnicate");
  EXPECT_EQ(sim::HandleControlCommand(device, "set name NAS9"), "ok");
  EXPECT_EQ(sim::HandleControlCommand(device, "get host_name"), "ok NAS9");
  EXPECT_EQ(sim::HandleControlCommand(device, "commands"), "ok 0");
  EXPECT_EQ(sim::HandleControlCommand(device, "command 0"), "err no command 0");
}

TEST(SimControl, TheManualPageListsEveryCommandAndEveryFault) {
  std::ifstream file(BREVANE_SOURCE_DIR "/man/brevane-devsim.1");
  const std::string manual{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  ASSERT_FALSE(manual.empty());
  auto entries = Listed("CONTROL COMMANDS");
  for (const auto& fault : Listed("FAULTS")) entries.push_back(fault);
  for (const std::string& name : entries)
    EXPECT_TRUE(std::regex_search(manual, std::regex("\n\\.BI? " + name + "( |\n)"))) << name;
}

}  // namespace
