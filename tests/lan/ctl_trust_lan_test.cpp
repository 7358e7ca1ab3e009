// The one gate for secrets, held to every command brevane-ctl has: a
// look-alike answers discovery as NAS1/HOME with an empty password, and
// every way of naming devices is tried with every command's examples (the
// command table's own, so a command added to it is tried too). A device
// found by discovery gets no credential and no new password of any kind
// without the person's yes; one named by its address gets them.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "ctl/commands.h"
#include "ctl/many.h"
#include "lan_support.h"

namespace {

using lan::Ctl;
using lan::Result;
using lan::SimDevice;
using lan::ThisLan;

constexpr char kNewPassword[] = "N3wSecret";

// How the devices are named: by the person (their address) or by what
// discovery found.
struct Way {
  const char* name;
  bool found, several;
  std::vector<std::string> (*words)(const std::string& dir, const std::string& ip);
};

const Way kWays[] = {
    {"address", false, false,
     [](const std::string&, const std::string& ip) { return std::vector{ip}; }},
    {"a list of addresses", false, true,
     [](const std::string& dir, const std::string& ip) {
       std::ofstream(dir + "/trust-list") << "# mine\n" << ip << "\n";
       return std::vector<std::string>{"--devices", dir + "/trust-list"};
     }},
    {"name", true, false,
     [](const std::string&, const std::string&) { return std::vector<std::string>{"NAS1"}; }},
    {"group", true, true,
     [](const std::string&, const std::string&) {
       return std::vector<std::string>{"--group", "home"};
     }},
    {"--all", true, true,
     [](const std::string&, const std::string&) { return std::vector<std::string>{"--all"}; }},
    {"a scan's JSON", true, true,
     [](const std::string& dir, const std::string& ip) {
       std::ofstream(dir + "/trust-scan.json")
           << "[{\"address\": \"" << ip << "\", \"name\": \"NAS1\", \"group\": \"HOME\"}]\n";
       return std::vector<std::string>{"--devices", dir + "/trust-scan.json"};
     }},
};

class CtlTrustLan : public ::testing::Test {
 protected:
  CtlTrustLan() : dir_(ThisLan().dir), ip_(ThisLan().devices.at(0).ip) {
    std::ofstream(dir_ + "/trust-pw") << "\n";  // the look-alike takes an empty one
    std::ofstream(dir_ + "/trust-new") << kNewPassword << "\n";
    std::ofstream(dir_ + "/trust-image") << std::string(4096, 'i');
    std::ofstream(dir_ + "/trust-setup.json")
        << "{\"brevane_setup\": 1,\n"
           "\"folders\": [{\"name\": \"PUBLIC\", \"shared\": true},\n"
           "  {\"name\": \"vault\", \"shared\": true, \"protected\": true}],\n"
           "\"accounts\": [{\"name\": \"amy\"},\n"
           "  {\"name\": \"zoe\", \"read_only\": false, \"folders\": [\"vault\"]}]}\n";
  }

  std::unique_ptr<SimDevice> LookAlike() {
    return std::make_unique<SimDevice>(
        ThisLan().devices.at(0),
        std::vector<std::string>{"--name", "NAS1", "--group", "HOME", "--shared-folder", "PUBLIC",
                                 "--account", "amy:x", "--restart-seconds", "1"});
  }

  // The command's words with the test's files in place.
  std::vector<std::string> Filled(const std::vector<std::string>& words) const {
    std::vector<std::string> out;
    for (const std::string& w : words)
      out.push_back(w == "{image}"   ? dir_ + "/trust-image"
                    : w == "{setup}" ? dir_ + "/trust-setup.json"
                    : w == "{file}"  ? dir_ + "/trust-backup.json"
                    : w == "{self}"  ? ip_
                    : w == "{name}"  ? "FREE1"
                                     : w);
    return out;
  }

  Result Run(const Way& way, const std::string& command, const std::vector<std::string>& words,
             bool trust) {
    std::vector<std::string> argv = {Ctl(),
                                     "--seconds",
                                     "0.3",
                                     "--yes",
                                     "--password-file",
                                     dir_ + "/trust-pw",
                                     "--new-password-file",
                                     dir_ + "/trust-new"};
    if (trust) argv.push_back("--trust-found");
    for (const auto& w : way.words(dir_, ip_)) argv.push_back(w);
    argv.push_back(command);
    for (const auto& w : Filled(words)) argv.push_back(w);
    return lan::Run(argv);
  }

  static int Count(const SimDevice& d, const char* what) { return std::stoi(d.Control(what)); }
  static bool GotNewPassword(const SimDevice& d) {
    for (int i = 0; i < Count(d, "commands"); ++i)
      if (d.Control("command " + std::to_string(i)).find(kNewPassword) != std::string::npos)
        return true;
    return false;
  }

  std::string dir_, ip_;
};

TEST_F(CtlTrustLan, NoSecretGoesToAFoundDeviceWithoutTheYes) {
  for (const ctl::Ctl::Verb& verb : ctl::Ctl::Commands()) {
    ASSERT_FALSE(verb.examples.empty()) << verb.word << " has no example to try the gate with";
    for (const auto& example : verb.examples) {
      std::vector<std::string> command = {verb.word};
      command.insert(command.end(), example.words.begin(), example.words.end());
      std::vector<std::string> line = {""};
      line.insert(line.end(), command.begin(), command.end());
      const std::string what = ctl::NameOfCommand(line);
      // A name or an address of its own is given to one device at a time.
      const bool one_only = ctl::MakesOneOfMany(command);
      // Found, without the yes: nothing at all, whatever the command.
      auto lookalike = LookAlike();
      for (const Way& way : kWays) {
        if (!way.found) continue;
        const Result run = Run(way, verb.word, example.words, false);
        EXPECT_EQ(run.status, 2) << what << " by " << way.name << ": " << run.out << run.err;
        if (!(one_only && way.several)) {
          EXPECT_NE(run.err.find("--trust-found"), std::string::npos) << what << run.err;
        }
      }
      EXPECT_EQ(Count(*lookalike, "requests-with-credentials"), 0) << what;
      EXPECT_EQ(Count(*lookalike, "commands"), 0) << what;
      lookalike.reset();
      // Named by the person, the same command does send its secrets: the
      // examples do what they are there to try.
      for (const Way& way : kWays) {
        if (way.found) continue;
        const auto device = LookAlike();
        const Result run = Run(way, verb.word, example.words, false);
        if (one_only && way.several) {
          EXPECT_EQ(run.status, 2) << what << " by " << way.name;
          EXPECT_EQ(Count(*device, "requests-with-credentials"), 0) << what;
          continue;
        }
        EXPECT_GT(Count(*device, "requests-with-credentials") + Count(*device, "commands"), 0)
            << what << " by " << way.name << ": " << run.out << run.err;
        if (example.secrets != 0) {
          EXPECT_TRUE(GotNewPassword(*device)) << what << " by " << way.name << run.err;
        }
      }
    }
  }
}

// With the yes given ahead, each way of finding devices gets the secrets
// of each kind through.
TEST_F(CtlTrustLan, TheYesForFoundDevicesLetsEachKindOfSecretThrough) {
  for (const ctl::Ctl::Verb& verb : ctl::Ctl::Commands())
    for (const auto& example : verb.examples) {
      if (example.secrets == 0) continue;
      for (const Way& way : kWays) {
        if (!way.found || (way.several && ctl::MakesOneOfMany({verb.word}))) continue;
        const auto device = LookAlike();
        const Result run = Run(way, verb.word, example.words, true);
        EXPECT_TRUE(GotNewPassword(*device))
            << verb.word << " by " << way.name << ": " << run.out << run.err;
      }
    }
}

}  // namespace
