// brevane-ctl against simulated devices in the test LAN: each command
// changes the device as the console would, a refusal sends nothing, the
// password goes nowhere it could be read, and the exit statuses and JSON
// are what scripts rely on.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include "support/controls.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "console/menuform.h"
#include "core/session_state.h"
#include "lan_support.h"
#include "net/page_values.h"
#include "scripted_peer.h"
#include "sim/status_page.h"
#include "support/fakes.h"

extern char** environ;

namespace {

using lan::Ctl;
using lan::Result;
using lan::SimDevice;
using lan::ThisLan;
using Clock = std::chrono::steady_clock;

class CtlLan : public ::testing::Test {
 protected:
  CtlLan()
      : device_(ThisLan().devices.at(0),
                {"--name", "NAS1", "--group", "HOME", "--password", "s3cret", "--shared-folder",
                 "PUBLIC", "--account", "bob:x"}),
        secret_(ThisLan().dir + "/ctl-password") {
    std::ofstream(secret_) << "s3cret\n";
  }
  ~CtlLan() override { std::filesystem::remove(secret_); }

  Result Run(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), {Ctl(), "--password-file", secret_});
    return lan::Run(args, input);
  }
  const std::string& ip() const { return device_.host().ip; }
  std::string Get(const std::string& key) { return device_.Control("get " + key); }
  int Commands() { return std::stoi(device_.Control("commands")); }

  SimDevice device_;
  std::string secret_;
};

TEST_F(CtlLan, EachCommandChangesTheDeviceAsTheConsoleWould) {
  const std::string pw = ThisLan().dir + "/new-password";
  std::ofstream(pw) << "f0lder pw\n";
  for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
           {"--trust-found", "NAS1/HOME", "folder", "create", "docs"},  // found by its name
           {ip(), "name", "NAS2", "OFFICE"},
           {ip(), "folder", "share", "docs"},
           {"--new-password-file", pw, ip(), "folder", "password", "docs"},
           {ip(), "ftp", "account", "create", "amy"},
           {ip(), "ftp", "account", "access", "amy", "rw"},
           {ip(), "ftp", "account", "give", "amy", "docs"},
           {ip(), "ftp", "service", "on", "--port", "2121"},
           {ip(), "disk", "sleep", "15"},
           {ip(), "time", "--zone", "8", "--server", "ntp.example.org"}}) {
    const Result result = Run(command);
    EXPECT_EQ(result.status, 0) << command[1] << " " << command[2] << ": " << result.err;
  }
  std::filesystem::remove(pw);
  EXPECT_EQ(Get("host_name"), "NAS2");
  EXPECT_EQ(Get("group_name"), "OFFICE");
  EXPECT_EQ(net::OptionValues(Get("allow_share")), (std::vector<std::string>{"PUBLIC", "docs"}));
  EXPECT_EQ(Get("share-password docs"), "f0lder pw");
  const std::string accounts = Get("ftp_ac_list");
  EXPECT_NE(accounts.find("amy"), std::string::npos);
  EXPECT_NE(accounts.find("Read/Write"), std::string::npos);
  EXPECT_EQ(Get("ftps_port"), "2121");
  EXPECT_EQ(Get("disk_idle_value").substr(0, 2), "15");
  EXPECT_EQ(Get("sntp_zone"), "8");
  EXPECT_EQ(Get("sntp_server"), "ntp.example.org");
}

TEST_F(CtlLan, RefusalsSendNothingAndEveryStatusMeansWhatItSays) {
  const int before = Commands();
  const Result refused = Run({ip(), "name", "1NAS", "HOME"});
  EXPECT_EQ(refused.status, 1);
  // In the shipped English.
  EXPECT_NE(refused.err.find("The first character cannot be a digit (0-9)."), std::string::npos);
  EXPECT_EQ(Run({ip(), "disk", "sleep", "61"}).status, 1);
  EXPECT_EQ(Run({ip(), "folder", "share", "thirteen-long"}).status, 1);
  // Destructive, and no terminal to ask: nothing without --yes.
  const Result reset = Run({ip(), "reset"});
  EXPECT_EQ(reset.status, 2);
  EXPECT_NE(reset.err.find("--yes"), std::string::npos);
  EXPECT_EQ(Run({ip(), "disk", "format"}).status, 2);
  EXPECT_EQ(Commands(), before);

  EXPECT_EQ(Run({ip(), "frobnicate"}).status, 2);
  EXPECT_EQ(Run({}).status, 2);
  EXPECT_EQ(Run({"--group", "", "show"}).status, 2);  // a usage error, not a scan for no group
  EXPECT_EQ(lan::Run({Ctl(), "--version"}).out, "brevane-ctl 1.18\n");
  EXPECT_EQ(lan::Run({Ctl(), ip(), "show"}).status, 1);  // no password: refused
  EXPECT_EQ(Run({"NOSUCH", "show"}).status, 3);
  // The login's reconnection: a letter D to Z that is a drive.
  EXPECT_EQ(lan::Run({Ctl(), "--reconnect-drive", "C"}).status, 2);
  EXPECT_EQ(lan::Run({Ctl(), "--reconnect-drive", "Z", ip()}).status, 2);
  EXPECT_EQ(lan::Run({"env", "HOME=/nonexistent", Ctl(), "--reconnect-drive", "z:"}).status, 1);
  // The person's move: a letter, and an address or "back".
  EXPECT_EQ(lan::Run({Ctl(), "--move-drive", "Z"}).status, 2);
  EXPECT_EQ(lan::Run({Ctl(), "--move-drive", "C", "back"}).status, 2);
  EXPECT_EQ(lan::Run({"env", "HOME=/nonexistent", Ctl(), "--move-drive", "Z", "back"}).status, 1);

  // A device that takes the connection and never answers: given up within
  // the bound on a page read, as no answer.
  device_.Control("fault hold 100");
  const auto start = Clock::now();
  EXPECT_EQ(Run({ip(), "show"}).status, 3);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(21));
}

TEST_F(CtlLan, JsonParsesForScripts) {
  for (const char* what : {"status", "ip", "folders", "ftp", "disk"}) {
    const Result json = Run({"--json", ip(), "show", what});
    ASSERT_EQ(json.status, 0) << what;
    const Result parsed =
        lan::Run({"/usr/bin/python3", "-c", "import json,sys; json.load(sys.stdin)"}, json.out);
    EXPECT_EQ(parsed.status, 0) << what << ": " << json.out;
  }
  const Result failed = Run({"--json", ip(), "disk", "sleep", "61"});
  EXPECT_EQ(lan::Run({"/usr/bin/python3", "-c",
                      "import json,sys; d=json.load(sys.stdin); sys.exit(d['status'])"},
                     failed.out)
                .status,
            1);
}

TEST_F(CtlLan, ThePasswordIsInNoProcessesArgumentsOrEnvironment) {
  device_.Control("fault hold 100");  // keeps brevane-ctl waiting while we look
  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  const std::string fd = std::to_string(pipe_fds[0]);
  std::vector<std::string> argv = {Ctl(), "--password-fd", fd, ip(), "show"};
  std::vector<char*> raw;
  for (auto& a : argv) raw.push_back(a.data());
  raw.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawnp(&pid, raw[0], nullptr, nullptr, raw.data(), environ), 0);
  ASSERT_EQ(::write(pipe_fds[1], "s3cret\n", 7), 7);
  ::close(pipe_fds[1]);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  for (const char* part : {"cmdline", "environ"}) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + part, std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_FALSE(text.empty()) << part;
    EXPECT_EQ(text.find("s3cret"), std::string::npos) << part;
  }
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
  ::close(pipe_fds[0]);
}

// The console and brevane-ctl send the same command, byte for byte.
TEST(CtlWire, TheConsoleAndCtlSendTheSameRequests) {
  constexpr char kLocal[] = "127.0.0.1";
  // The page already shows what the commands set, as a device would after
  // them: brevane-ctl reads each change back.
  const std::string page =
      "<HTML>var host_name=\"NAS-2\";\r\nvar group_name=\"HOME\";\r\nvar ftps_port=\"2121\";"
      "\r\nvar ftps_status=\"ENABLE\";\r\n"
      "var share_list=\"<option value=\"docs\">docs</option>\";\r\n"
      "var allow_share=\"<option value=\"docs\">docs</option>\";\r\n";
  lan::ScriptedPeer peer(kLocal, 80, [&page](lan::PeerConnection& c) {
    const std::string request = c.ReadRequest();
    if (request.empty()) return;  // a probe
    // A command is answered with the redirect to the page it names.
    if (const auto at = request.find("redirect="); at != std::string::npos) {
      const auto end = request.find('&', at);
      c.Send("HTTP/1.0 302 Found\r\nLocation: " + request.substr(at + 9, end - at - 9) +
             "\r\n\r\n");
    } else
      c.Send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(page.size()) + "\r\n\r\n" +
             page);
  });
  auto commands = [&peer] {
    std::vector<std::string> sent;
    for (const auto& r : peer.Requests())
      if (r.find(".cgi?") != std::string::npos) sent.push_back(r);
    return sent;
  };

  desktop::fakes::FakePlatform fakes{desktop::fakes::Devices::Real};
  core::Session() = {kLocal, "admin", "pw"};
  Form2 console;
  testing_support::Find<QLineEdit>(console, "HostEdit")->setText("NAS-2");
  testing_support::Find<QLineEdit>(console, "GroupEdit")->setText("HOME");
  console.identBtnClick();
  testing_support::Find<QLineEdit>(console, "FTPPortEdit")->setText("2121");
  testing_support::Find<QComboBox>(console, "FTPStatusCB")->setCurrentIndex(0);
  console.FTPStatusBtnClick();
  console.TabSheet4Show();
  testing_support::Find<QListWidget>(console, "SMBFolderLB")->setCurrentRow(0);
  console.MovetoPublicBtnClick();
  const std::vector<std::string> from_console = commands();
  ASSERT_EQ(from_console.size(), 3u);

  const std::string secret = ThisLan().dir + "/wire-password";
  std::ofstream(secret) << "pw\n";
  for (const std::vector<std::string>& command :
       std::vector<std::vector<std::string>>{{"name", "NAS-2", "HOME"},
                                             {"ftp", "service", "on", "--port", "2121"},
                                             {"folder", "share", "docs"}}) {
    std::vector<std::string> argv = {Ctl(), "--password-file", secret, kLocal};
    argv.insert(argv.end(), command.begin(), command.end());
    EXPECT_EQ(lan::Run(argv).status, 0) << command[0];
  }
  std::filesystem::remove(secret);
  const std::vector<std::string> all = commands();
  ASSERT_EQ(all.size(), 6u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(all[3 + i], from_console[i]);
}

}  // namespace

namespace {

// brevane-ctl --json's one object: the device, the command, ok, the exit
// status, and the result or the error's message; events before it, one a
// line. The script exits with the object's status.
constexpr char kShape[] = R"(import json, sys
lines = [l for l in sys.stdin.read().splitlines() if l.strip()]
for l in lines[:-1]:
    assert set(json.loads(l)) == {"device", "command", "event"}, l
d = json.loads(lines[-1])
assert set(d) - {"result", "error"} == {"device", "command", "ok", "status"}, d
assert ("result" in d) != ("error" in d) and d["ok"] == (d["status"] == 0), d
assert "result" in d or isinstance(d["error"]["message"], str), d
sys.exit(d["status"]))";

// An upload's end as brevane-ctl names it: its exit status, and what its
// JSON object says.
struct UploadEnd {
  int status;
  const char* said;
};

Result UploadTo(const lan::Host& host, const std::string& password_file, const std::string& image) {
  return lan::Run(
      {Ctl(), "--json", "--yes", "--password-file", password_file, host.ip, "upload", image});
}

// Every command against a device that does it, refuses it, fails it in each
// way a device can, or is gone: "ok" only when the device did what was
// asked, and every output has the documented shape. An upload is named for
// what became of it: done, refused with its reason (a 401 a failed login),
// or no answer.
TEST(CtlDoneLan, EveryCommandSucceedsOnlyWhenTheDeviceDidIt) {
  const lan::Host& host = ThisLan().devices.at(0);
  const std::string dir = ThisLan().dir;
  std::ofstream(dir + "/right") << "s3cret\n";
  std::ofstream(dir + "/wrong") << "nope\n";
  std::ofstream(dir + "/new") << "n3w\n";
  std::ofstream(dir + "/image") << "an image";
  // A device that holds an upload, reading nothing of it and saying
  // nothing, is waited for as long as a device writing an image may take:
  // meanwhile, on a device of its own, the rest goes on.
  auto silent = std::async(std::launch::async, [&] {
    SimDevice held(ThisLan().devices.at(1), {"--password", "s3cret"});
    held.Control("fault hold 100");
    return UploadTo(held.host(), dir + "/right", dir + "/image");
  });
  const std::vector<std::vector<std::string>> commands = {
      {"upload", dir + "/image"},
      {"name", "NAS2", "OFFICE"},
      {"dhcp-server", "on"},
      {"folder", "create", "x"},
      {"disk", "scan"},
      {"password"},
      {"ftp", "service", "on", "--port", "2121"},
      {"language", "1"},
      {"time", "--zone", "8"},
      {"reboot"},
      {"reset"}};
  // The condition, what the device is told first, the password file, and
  // the exit status every command then ends with (an oversized reply to a
  // page read is no page at all: no answer, 3; to a command, a refusal, 1);
  // and the upload's end.
  struct Condition {
    const char* name;
    const char* fault;
    const char* password;
    int status, or_status;
    UploadEnd upload;
  };
  const Condition conditions[] = {
      {"healthy", "", "right", 0, 0, {0, "Firmware Upload Successful."}},
      {"wrong password", "", "wrong", 1, 1, {1, "Login failed."}},
      // The image is taken; the restart after it is refused.
      {"refused", "fault refuse 100", "right", 1, 1, {1, "The device refused the command."}},
      {"403",
       "fault forbidden 100",
       "right",
       1,
       1,
       {1, "The device refused the image (HTTP 403 Forbidden)."}},
      {"500",
       "fault server-error 100",
       "right",
       1,
       1,
       {1, "The device refused the image (HTTP 500 Internal Server Error)."}},
      {"oversized",
       "fault oversized 100",
       "right",
       1,
       3,
       {3, "The device did not answer the upload (Reply too large)."}},
      {"garbage",
       "fault garbage 100",
       "right",
       3,
       3,
       {3, "The device did not answer the upload (what it sent was no reply)."}},
      {"reset",
       "fault reset 100",
       "right",
       3,
       3,
       {3, "The device did not answer the upload (it ended the connection without a reply)."}},
      {"closed",
       "fault close 100",
       "right",
       3,
       3,
       {3, "The device did not answer the upload (it ended the connection without a reply)."}},
      {"gone",
       "stop",
       "right",
       3,
       3,
       {3, "The device did not answer the upload (Socket Error # 10061"}},
  };
  for (const Condition& c : conditions) {
    for (const auto& command : commands) {
      std::optional<SimDevice> device;
      device.emplace(host, std::vector<std::string>{"--password", "s3cret"});
      if (std::string(c.fault) == "stop") {
        device.reset();
      } else if (*c.fault) {
        device->Control(c.fault);
      }
      std::vector<std::string> argv = {Ctl(),
                                       "--json",
                                       "--yes",
                                       "--password-file",
                                       dir + "/" + c.password,
                                       "--new-password-file",
                                       dir + "/new",
                                       host.ip};
      argv.insert(argv.end(), command.begin(), command.end());
      const Result run = lan::Run(argv);
      const Result shape = lan::Run({"/usr/bin/python3", "-c", kShape}, run.out);
      if (command[0] == "upload") {
        EXPECT_EQ(run.status, c.upload.status) << c.name << ": " << run.out << run.err;
        EXPECT_NE(run.out.find(c.upload.said), std::string::npos) << c.name << ": " << run.out;
      } else {
        EXPECT_TRUE(run.status == c.status || run.status == c.or_status)
            << c.name << ": " << command[0] << ": " << run.status << " " << run.err;
      }
      EXPECT_EQ(shape.status, run.status)
          << c.name << ": " << command[0] << ": " << run.out << shape.err;
      if (std::string(c.name) == "wrong password") {
        EXPECT_EQ(device->Control("commands"), "0") << command[0];
      }
    }
  }
  const Result held = silent.get();
  EXPECT_EQ(held.status, 3) << held.out << held.err;
  EXPECT_NE(held.out.find("The device did not answer the upload (it was silent)."),
            std::string::npos)
      << held.out;
}

// What the rules refuse never reaches the device, and help and usage
// errors send nothing at all.
TEST_F(CtlLan, RefusedValuesAndUsageErrorsSendNothing) {
  const std::string pw = ThisLan().dir + "/thirteen";
  std::ofstream(pw) << "abcdefghijklm\n";
  const int before = Commands();
  for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
           {ip(), "address", "static", "0.0.0.0", "255.255.255.0"},
           {ip(), "address", "static", "10.77.0.50", "255.0.255.0"},
           {ip(), "address", "static", "10.77.0.50", "255.255.255.0", "10.78.0.1"},
           {"--new-password-file", pw, ip(), "password"},
           {ip(), "name", "ABCDEFGHIJKLMNOPQ", "HOME"},
           {ip(), "time", "--date", "2025/13/40", "--sntp", "off"},
           {ip(), "time", "--time", "25:61:99", "--sntp", "off"},
           {ip(), "folder", "create", "public"},
           {ip(), "ftp", "account", "give", "bob", "nosuch"},
           {ip(), "ftp", "account", "create", "a b"}}) {
    const Result run = Run(command);
    EXPECT_EQ(run.status, 1) << command[1] << " " << command[2] << ": " << run.err;
  }
  EXPECT_EQ(Commands(), before);
  // Help and usage errors: no scan, no wait.
  for (const std::vector<std::string>& command :
       std::vector<std::vector<std::string>>{{"-h"},
                                             {"help"},
                                             {"show"},
                                             {"--zone", "abc", ip(), "time"},
                                             {ip(), "ftp", "service", "on", "--port", "abc"}}) {
    const auto start = Clock::now();
    const Result run = lan::Run([&] {
      std::vector<std::string> argv = {Ctl()};
      argv.insert(argv.end(), command.begin(), command.end());
      return argv;
    }());
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1)) << command[0];
    EXPECT_EQ(run.status, command[0] == "-h" || command[0] == "help" ? 0 : 2) << command[0];
  }
  // A password source that cannot give a first line is a usage error.
  for (const std::vector<std::string>& source :
       std::vector<std::vector<std::string>>{{"--password-file", "/dev/zero"},
                                             {"--password-file", "/tmp"},
                                             {"--password-file", "/nonexistent"},
                                             {"--password-fd", "99"}}) {
    std::vector<std::string> argv = {Ctl(), source[0], source[1], ip(), "show"};
    EXPECT_EQ(lan::Run(argv).status, 2) << source[1];
  }
  // Options go anywhere; a device name is read as a person reads it. The
  // address a name was found at gets the login only with the person's
  // yes: without a terminal to ask on, --trust-found (never --yes).
  const std::string reads = device_.Control("http-requests /utility_use.htm");
  EXPECT_EQ(Run({"nas1/home", "show"}).status, 2);
  EXPECT_EQ(Run({"nas1/home", "show", "--yes"}).status, 2);
  EXPECT_EQ(device_.Control("http-requests /utility_use.htm"), reads);
  EXPECT_EQ(Run({"nas1/home", "show", "--json", "--trust-found"}).status, 0);
  std::filesystem::remove(pw);
}

}  // namespace

namespace {

// Whatever a device puts in its status page, and wherever brevane-ctl
// shows it (results, errors, the table of several devices), a terminal
// gets no control character: every value of the page carries escape
// sequences here.
TEST(CtlWire, DeviceTextReachesTheTerminalEscaped) {
  constexpr char kLocal[] = "127.0.0.1";
  sim::DeviceState state;
  state.ip = kLocal;
  std::string page;
  const std::string poison =
      "\x1b[2J\x1b]0;title\x07\xc2\x9b"
      "31m\r";
  for (const char c : sim::RenderStatusPage(state)) {
    page += c;
    if (c == '"' && page.size() > 1 && page[page.size() - 2] == '=') page += poison;
  }
  lan::ScriptedPeer peer(kLocal, 80, [&page](lan::PeerConnection& c) {
    if (c.ReadRequest().empty()) return;
    c.Send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(page.size()) + "\r\n\r\n" + page);
  });
  const std::string secret = ThisLan().dir + "/escape-password";
  std::ofstream(secret) << "pw\n";
  for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
           {kLocal, "show"},
           {kLocal, "show", "ip"},
           {kLocal, "show", "folders"},
           {kLocal, "show", "ftp"},
           {kLocal, "show", "disk"},
           {kLocal, "language"},
           {kLocal, "backup"},
           {kLocal, "folder", "share", "nosuch"},
           {std::string(kLocal) + "," + ThisLan().devices.at(2).ip, "show", "folders"},
       }) {
    std::vector<std::string> argv = {Ctl(), "--seconds", "0.3", "--password-file", secret};
    argv.insert(argv.end(), command.begin(), command.end());
    const Result run = lan::Run(argv);
    for (const std::string* text : {&run.out, &run.err})
      for (const char c : {'\x1b', '\x07', '\r'})
        EXPECT_EQ(text->find(c), std::string::npos) << command[1] << ": " << *text;
    EXPECT_EQ(run.out.find("\xc2\x9b"), std::string::npos) << command[1];
    // What the device says is there, escaped.
    if (command[1] == "show" || command[1] == "backup") {
      EXPECT_NE((run.out + run.err).find("\\x1b[2J"), std::string::npos)
          << command[1] << run.out << run.err;
    }
  }
  std::filesystem::remove(secret);
}

}  // namespace
