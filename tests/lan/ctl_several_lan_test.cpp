// brevane-ctl on several devices at once in the test LAN: one result a
// device whatever the others do, a summary, the worst status; and a
// device's setup backed up and applied to itself and to another.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <thread>

#include "lan_support.h"
#include "net/page_values.h"
#include "net/sha256.h"

namespace {

using lan::Count;
using lan::Ctl;
using lan::Result;
using lan::Scan;
using lan::SimDevice;
using lan::ThisLan;

class CtlSeveralLan : public ::testing::Test {
 protected:
  CtlSeveralLan() : secret_(ThisLan().dir + "/several-password") {
    std::ofstream(secret_) << "s3cret\n";
    for (int i = 0; i < 2; ++i)
      devices_[i].emplace(
          ThisLan().devices.at(i),
          std::vector<std::string>{"--name", "NAS" + std::to_string(i + 1), "--group", "HOME",
                                   "--password", "s3cret", "--shared-folder", "PUBLIC"});
  }
  ~CtlSeveralLan() override { std::filesystem::remove(secret_); }

  Result Run(std::vector<std::string> args) {
    args.insert(args.begin(), {Ctl(), "--password-file", secret_});
    return lan::Run(args);
  }
  std::string ip(int i) const { return ThisLan().devices.at(i).ip; }
  int Commands(int i) { return std::stoi(devices_[i]->Control("commands")); }

  std::optional<SimDevice> devices_[2];  // the third device stays silent
  std::string secret_;
};

// Two devices that answer with one name: a name picks neither, and the
// person is shown both, before any request.
TEST_F(CtlSeveralLan, TwoDevicesWithOneNameAreNamedByTheirAddresses) {
  devices_[1]->Control("set name NAS1");
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--trust-found", "NAS1", "show"}, {"--trust-found", "NAS1/HOME", "show"}}) {
    const Result run = Run(args);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find("several devices are named"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(ip(0)), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(ip(1)), std::string::npos) << run.err;
  }
  EXPECT_EQ(Commands(0) + Commands(1), 0);
}

TEST_F(CtlSeveralLan, EachDeviceHasItsResultAndTheWorstStatusEndsTheRun) {
  devices_[1]->Control("fault refuse 100");
  const std::string list = ip(0) + "," + ip(1) + "," + ip(2);
  struct Case {
    std::vector<std::string> args;
    int status;
    std::vector<std::string> said;  // in this order
  };
  const Case cases[] = {
      {{"--json", list, "folder", "create", "docs"},
       3,
       {"\"device\": \"" + ip(0) + "\", \"command\": \"folder create\", \"ok\": true",
        "\"device\": \"" + ip(1) +
            "\", \"command\": \"folder create\", \"ok\": false, \"status\": 1",
        "\"device\": \"" + ip(2) +
            "\", \"command\": \"folder create\", \"ok\": false, \"status\": 3",
        "{\"summary\": {\"devices\": 3, \"done\": 1, \"refused\": 1, \"failed\": 0, "
        "\"no_answer\": 1, \"not_run\": 0, \"status\": 3}}"}},
      {{list, "folder", "create", "more"},
       3,
       {ip(0) + "  ", "done", ip(1) + "  ", "refused", ip(2), "no answer",
        "3 devices: 1 done, 1 refused, 0 failed, 1 no answer\n"}},
      // The first failure stops the run: the device after it gets nothing.
      {{"--parallel", "1", "--stop-on-failure", ip(1) + "," + ip(0), "folder", "create", "x"},
       1,
       {"refused", ip(0), "not run", ", 1 not run"}},
      // Found by discovery, the devices get nothing without a yes, which
      // names each of them; --yes is no such yes.
      {{"--yes", "--all", "show"}, 2, {"found by discovery", "--trust-found"}},
      {{"--trust-found", "--group", "home", "--json", "show", "ip"},
       0,
       {"\"command\": \"show ip\", \"ok\": true", "\"ok\": true", "\"done\": 2"}},
      {{"--trust-found", "nas1,NAS2/HOME,ghost", "--json", "show"},
       3,
       {"\"command\": \"show status\", \"ok\": true", "\"ok\": true",
        "\"device\": \"ghost\", \"command\": \"show status\"", "\"no_answer\": 1"}},
      // One name or one address for several devices is refused before a
      // scan, let alone a request.
      {{ip(0) + "," + ip(1), "address", "static", "10.77.0.200", "255.255.255.0"},
       2,
       {"one device"}},
      {{"--trust-found", "--all", "name", "SAME", "HOME"}, 2, {"one device"}},
      // Every device has its JSON object, one not run too.
      {{"--json", "--parallel", "1", "--stop-on-failure", ip(1) + "," + ip(0), "folder", "create",
        "y"},
       1,
       {"\"device\": \"" + ip(0) +
        "\", \"command\": \"folder create\", \"ok\": false, "
        "\"status\": null, \"not_run\": true"}},
  };
  for (const Case& c : cases) {
    const Result run = Run(c.args);
    EXPECT_EQ(run.status, c.status) << c.args[0] << " " << run.out << run.err;
    const std::string all = run.out + run.err;
    std::size_t at = 0;
    for (const std::string& said : c.said) {
      at = all.find(said, at);
      EXPECT_NE(at, std::string::npos) << said << " in\n" << all;
      if (at == std::string::npos) break;
    }
  }
  // The question names each device found, with its address.
  const Result asked = Run({"--all", "show"});
  for (int i = 0; i < 2; ++i)
    EXPECT_NE(asked.err.find(ip(i) + "  NAS" + std::to_string(i + 1) + "/HOME"), std::string::npos)
        << asked.err;
  auto folders = [&](int i) { return net::OptionValues(devices_[i]->Control("get share_list")); };
  EXPECT_EQ(folders(0), (std::vector<std::string>{"docs", "more"}));
  EXPECT_EQ(folders(1), std::vector<std::string>{});

  // A file of devices as brevane-scan writes it, and a list a line.
  const std::string json = ThisLan().dir + "/devices.json", lines = ThisLan().dir + "/devices";
  std::ofstream(json) << lan::Run({Scan(), "--json", "--seconds", "2"}).out;
  std::ofstream(lines) << "# the office\n" << ip(0) << "\n\nNAS2\n";
  for (const std::string& file : {json, lines}) {
    const Result run = Run({"--trust-found", "--devices", file, "--json", "show"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(Count(run.out, "\"command\": \"show status\""), 2) << run.out;
  }
  std::filesystem::remove(json);
  std::filesystem::remove(lines);
}

// Devices restarted together are waited for together: one discovery scan
// at a time serves every wait (the scan's port is one).
TEST_F(CtlSeveralLan, RestartedDevicesAreWaitedForTogether) {
  for (auto& device : devices_) device->Control("set restart-seconds 2");
  const Result run =
      Run({"--yes", "--wait", "--wait-seconds", "30", ip(0) + "," + ip(1), "reboot"});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("2 devices: 2 done"), std::string::npos) << run.out;
  for (int i = 0; i < 2; ++i)
    EXPECT_NE(devices_[i]->Control("command " + std::to_string(Commands(i) - 1)).find("reboot"),
              std::string::npos);
}

// One image for all: every device gets the same bytes, sent from one file.
TEST_F(CtlSeveralLan, AnUploadToSeveralSendsEachTheSameImage) {
  const std::string image = ThisLan().dir + "/several.bin";
  std::ofstream(image) << std::string(300000, 'f');
  const Result run = Run({"--yes", ip(0) + "," + ip(1), "upload", image});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(devices_[i]->Control("get firmware-upload"), image + " 300000");
  std::filesystem::remove(image);
}

// An image rewritten in place and appended to while it goes out: every
// device gets it as it was read at the start, named by its SHA-256, and
// each result says the file is no longer that.
TEST_F(CtlSeveralLan, AnImageChangedDuringTheRunReachesEveryDeviceAsItWasRead) {
  const std::string image = ThisLan().dir + "/changing.bin";
  std::string original(3 << 20, 'o');
  for (std::size_t i = 0; i < original.size(); i += 4096) original[i] = static_cast<char>(i >> 12);
  std::ofstream(image, std::ios::binary) << original;
  net::Sha256 hash;
  hash.Update(original);
  const std::string sha256 = hash.Hex();
  for (auto& device : devices_) {
    device->Control("set flash-rate 2");
    device->Control("set restart-seconds 1");
  }
  auto run = std::async(std::launch::async, [&] {
    return Run(
        {"--yes", "--json", "--wait", "--parallel", "1", ip(0) + "," + ip(1), "upload", image});
  });
  // Once the first device has the request's head, the image has been read.
  while (devices_[0]->Control("http-requests /man.cgi") == "0" &&
         run.wait_for(std::chrono::milliseconds(10)) == std::future_status::timeout) {
  }
  {
    std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(1 << 20);
    file << std::string(1 << 20, 'n');
  }
  std::ofstream(image, std::ios::binary | std::ios::app) << "appended";
  const Result result = run.get();
  EXPECT_EQ(result.status, 0) << result.out << result.err;
  EXPECT_EQ(Count(result.out, "\"sha256\": \"" + sha256 + "\""), 2) << result.out;
  EXPECT_EQ(Count(result.out, "as it was read at the start (SHA-256 " + sha256 +
                                  "); the file has changed since."),
            2)
      << result.out;
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(devices_[i]->Control("get firmware-upload"),
              image + " " + std::to_string(original.size()));
    EXPECT_NE(devices_[i]->Control("command " + std::to_string(Commands(i) - 1)).find("reboot"),
              std::string::npos);
  }

  // One device is sent the file itself: rewritten before the device has
  // read it all, the upload fails and the device is not restarted.
  std::ofstream(image, std::ios::binary) << original;
  const int commands = Commands(0);
  const std::string requests = devices_[0]->Control("http-requests /man.cgi");
  auto alone = std::async(std::launch::async, [&] {
    return Run({"--yes", "--json", ip(0), "upload", image});
  });
  while (devices_[0]->Control("http-requests /man.cgi") == requests &&
         alone.wait_for(std::chrono::milliseconds(10)) == std::future_status::timeout) {
  }
  std::fstream(image, std::ios::in | std::ios::out | std::ios::binary) << "rewritten";
  const Result changed = alone.get();
  EXPECT_EQ(changed.status, 1) << changed.out;
  EXPECT_NE(changed.out.find("The device was not restarted."), std::string::npos) << changed.out;
  // It took the mix, and was told nothing after.
  ASSERT_EQ(Commands(0), commands + 1);
  EXPECT_NE(devices_[0]->Control("command " + std::to_string(commands)).find("file_upload"),
            std::string::npos);
  std::filesystem::remove(image);
}

}  // namespace

namespace {

// A setup backed up, applied to its own device (nothing to send), to a
// second device (which then matches it), and again (nothing to send).
TEST_F(CtlSeveralLan, ASetupAppliedTwiceSendsNothingTheSecondTimeAndClonesADevice) {
  const std::string dir = ThisLan().dir, file = dir + "/setup.json", pw = dir + "/new-pw";
  std::ofstream(pw) << "acc0unt\n";
  for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
           {"folder", "create", "docs"},
           {"folder", "share", "docs"},
           {"ftp", "account", "create", "amy"},
           {"ftp", "account", "access", "amy", "rw"},
           {"ftp", "account", "give", "amy", "docs"},
           {"ftp", "service", "on", "--port", "2121"},
           {"disk", "sleep", "15"},
           {"dhcp-server", "on"},
           {"time", "--zone", "8", "--server", "ntp.example.org"}}) {
    std::vector<std::string> args = {"--yes", ip(0)};
    args.insert(args.end(), command.begin(), command.end());
    ASSERT_EQ(Run(args).status, 0) << command[0];
  }
  ASSERT_EQ(Run({ip(0), "backup", file}).status, 0);
  const Result backup = Run({ip(0), "backup"});
  EXPECT_NE(backup.out.find("\"brevane_setup\": 1"), std::string::npos) << backup.out;
  EXPECT_EQ(backup.out.find("acc0unt"), std::string::npos);  // never a password
  EXPECT_EQ(backup.out.find("s3cret"), std::string::npos);

  // Every command the device was sent, reads of an account's page too.
  auto changes = [&](int device) { return Commands(device); };
  struct Step {
    int device;
    std::vector<std::string> options;
    int changes;       // commands the device was sent
    const char* said;  // in the output
  };
  const Step steps[] = {
      {0, {}, 0, "nothing was sent"},
      {1, {"--check"}, 0, "folder docs: create"},
      {1, {"--diff"}, 0, "+   {\"name\": \"amy\""},
      {1, {"--new-password-file", pw}, 12, "changes made"},  // 9, and 3 account-page reads
      {1, {}, 0, "nothing was sent"},
  };
  for (const Step& step : steps) {
    const int before = changes(step.device);
    std::vector<std::string> args = {ip(step.device), "apply", file};
    args.insert(args.end(), step.options.begin(), step.options.end());
    const Result run = Run(args);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(changes(step.device) - before, step.changes) << step.device << " " << run.out;
    EXPECT_NE(run.out.find(step.said), std::string::npos) << run.out;
  }
  // The clone holds the setup but for its own name and address.
  std::string one = Run({ip(0), "backup"}).out, two = Run({ip(1), "backup"}).out;
  for (auto* text : {&one, &two}) {
    const auto names = text->find("\"names\"");
    text->erase(names, text->find('\n', names) - names);
    const auto address = text->find("\"address\"");
    text->erase(address, text->find('\n', address) - address);
  }
  EXPECT_EQ(one, two);
  EXPECT_EQ(devices_[1]->Control("get host_name"), "NAS2");
  std::filesystem::remove(file);
  std::filesystem::remove(pw);
}

}  // namespace

namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// apply plans, then acts: a usage error, a refusal by the rules or a No
// comes before any request; each new account and protected folder gets the
// one password given, never an empty one; --check sends nothing.
TEST_F(CtlSeveralLan, ApplyPlansBeforeItActs) {
  const std::string dir = ThisLan().dir, grow = dir + "/grow.json", prune = dir + "/prune.json",
                    none = dir + "/no-pw", pw = dir + "/one-pw", sleep = dir + "/sleep.json";
  std::ofstream(grow) << R"({"brevane_setup": 1,
"folders": [{"name": "PUBLIC", "shared": true}, {"name": "vault", "protected": true}],
"accounts": [{"name": "amy", "folders": ["vault"]}, {"name": "bob"}]})";
  std::ofstream(prune) << R"({"brevane_setup": 1, "folders": []})";
  std::ofstream(sleep) << R"({"brevane_setup": 1, "disk": {"sleep_minutes": 30}})";
  std::ofstream(none) << "\n";
  std::ofstream(pw) << "acc0unt\n";
  struct Step {
    std::vector<std::string> options;
    std::string file;
    int status, commands;
    const char* said;
  };
  const Step steps[] = {
      {{}, grow, 2, 0, "a new password comes from"},
      {{"--prune"}, prune, 2, 0, "give --yes"},
      {{"--new-password-file", none}, grow, 1, 0, "the new password is empty"},
      {{"--check"}, grow, 0, 0, "new password for folder vault, account amy and account bob"},
      // 5 changes in 12 commands, and bob's page read back.
      {{"--new-password-file", pw}, grow, 0, 13, "5 changes made"},
      // Again: nothing to change (bob's folders are left as they are).
      {{"--new-password-file", pw}, grow, 0, 0, "nothing was sent"},
      {{}, sleep, 0, 1, "1 change made."},
  };
  for (const Step& step : steps) {
    const int before = Commands(1);
    std::vector<std::string> args = {ip(1), "apply", step.file};
    args.insert(args.end(), step.options.begin(), step.options.end());
    const Result run = Run(args);
    EXPECT_EQ(run.status, step.status) << step.said << ": " << run.out << run.err;
    EXPECT_EQ(Commands(1) - before, step.commands) << step.said << ": " << run.out;
    EXPECT_NE((run.out + run.err).find(step.said), std::string::npos) << run.out << run.err;
  }
  const std::string accounts = devices_[1]->Control("get ftp_ac_list");
  EXPECT_EQ(Count(accounts, "acc0unt"), 2) << accounts;
  EXPECT_EQ(devices_[1]->Control("get share-password vault"), "acc0unt");

  // Refused part-way: what went out before the refusal is counted, so that
  // a caller knows the device may have changed.
  const std::string half = dir + "/half.json";
  std::ofstream(half) << R"({"brevane_setup": 1, "folders": [{"name": "HALF", "shared": true}],
"ftp": {"port": "2121"}})";
  devices_[1]->Control("fault refuse-ftp 1");
  const int before = Commands(1);
  const Result run = Run({"--json", ip(1), "apply", half});
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  const int sent = Commands(1) - before;
  EXPECT_GE(sent, 2);
  EXPECT_NE(run.out.find("\"ok\": false"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(", \"sent\": " + std::to_string(sent) + "}}"), std::string::npos)
      << run.out;
}

// A device's own backup restores to it, names the rules would refuse for a
// new folder included; a file without a section leaves that part alone.
TEST_F(CtlSeveralLan, ADevicesOwnBackupRestoresToIt) {
  devices_[0]->Control("folder my folder\tshared");
  devices_[0]->Control("folder ABCDEFGHIJKLM");
  const std::string file = ThisLan().dir + "/own.json", bare = ThisLan().dir + "/bare.json";
  ASSERT_EQ(Run({ip(0), "backup", file}).status, 0);
  EXPECT_NE(Read(file).find("my folder"), std::string::npos);
  std::ofstream(bare) << R"({"brevane_setup": 1})";
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{"--identity", "--prune"}, std::vector<std::string>{}}) {
    for (const std::string& f : {file, bare}) {
      const int before = Commands(0);
      std::vector<std::string> args = {ip(0), "apply", f};
      args.insert(args.end(), options.begin(), options.end());
      const Result run = Run(args);
      EXPECT_EQ(run.status, 0) << f << ": " << run.out << run.err;
      EXPECT_EQ(Commands(0), before) << f << ": " << run.out;
    }
  }
}

// An address from the network, set by apply to a device named by its
// address, is waited for by the device's name: where it answers now.
TEST_F(CtlSeveralLan, AnAddressChangeByApplyIsFollowed) {
  const lan::AddressRestorer restore(ThisLan().devices.at(1));
  const std::string file = ThisLan().dir + "/automatic.json";
  std::ofstream(file) << R"({"brevane_setup": 1, "address": {"automatic": true}})";
  const Result run = Run({"--wait", "--wait-seconds", "20", ip(1), "apply", file, "--identity"});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("1 change made."), std::string::npos) << run.out;
  EXPECT_EQ(devices_[1]->Control("get ip_type"), "DHCP CLIENT");
}

}  // namespace

namespace {

// Before a device takes a name or an address, nothing else may answer to
// it: refused, and nothing sent, unless the person insists.
TEST_F(CtlSeveralLan, NoTwoDevicesTakeOneNameOrOneAddress) {
  const std::string file = ThisLan().dir + "/identity.json";
  std::ofstream(file) << R"({"brevane_setup": 1, "names": {"host": "NAS2", "group": "HOME"}})";
  struct Case {
    std::vector<std::string> args;
    std::string said;
  };
  const Case cases[] = {
      {{ip(0), "name", "nas2", "HOME"}, "another device answers with the name NAS2"},
      {{ip(0), "address", "static", ip(1), "255.255.255.0"}, "answers at " + ip(1)},
      {{ip(0), "apply", file, "--identity"}, "another device answers with the name NAS2"},
  };
  const int before = Commands(0);
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--seconds", "0.5"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Result run = Run(args);
    EXPECT_EQ(run.status, 1) << c.args[1] << ": " << run.out << run.err;
    EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("--even-if-taken"), std::string::npos) << run.err;
  }
  EXPECT_EQ(Commands(0), before);
  // Insisting, the person gets it.
  EXPECT_EQ(Run({"--seconds", "0.5", "--even-if-taken", ip(0), "name", "NAS2", "HOME"}).status, 0);
  EXPECT_EQ(devices_[0]->Control("get host_name"), "NAS2");
}

}  // namespace
