// brevane.exe, the Windows program, as a person uses it: started under Wine
// in the workstation's namespace with Windows' own platform on a virtual
// screen of its own, against simulated devices, and worked with the
// keyboard (xdotool types as a person would). Discovery lists every
// device, and a console command reaches its device byte for byte as the
// console sends it on Linux.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLineEdit>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "console/menuform.h"
#include "core/session_state.h"
#include "lan_support.h"
#include "support/controls.h"
#include "support/fakes.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using lan::SimDevice;
using lan::ThisLan;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

// A program started in the background, in a process group of its own,
// ended with its group when the object goes.
class Background {
 public:
  explicit Background(std::vector<std::string> argv, const std::string& log = "/dev/null") {
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> raw;
    for (auto& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    if (posix_spawnp(&pid_, raw[0], &actions, &attr, raw.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
  }
  // `signal`: SIGTERM for a program that must clean up after itself (the
  // X server removes its socket and lock file).
  ~Background() {
    if (pid_ <= 0) return;
    ::kill(-pid_, signal_);
    ::waitpid(pid_, nullptr, 0);
  }
  void EndWith(int signal) { signal_ = signal; }
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;
  bool started() const { return pid_ > 0; }
  // True while it runs.
  bool Running() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }

 private:
  pid_t pid_ = -1;
  int signal_ = SIGKILL;
};

// A virtual screen for this test alone; DISPLAY names it from then on.
class Screen {
 public:
  Screen() {
    for (int n = 60; n < 100 && display_.empty(); ++n)
      if (!std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n)) &&
          !std::filesystem::exists("/tmp/.X" + std::to_string(n) + "-lock"))
        display_ = ":" + std::to_string(n);
    server_ = std::make_unique<Background>(std::vector<std::string>{
        "Xvfb", display_, "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    server_->EndWith(SIGTERM);
    const std::string socket = "/tmp/.X11-unix/X" + display_.substr(1);
    for (int i = 0; i < 100 && !std::filesystem::exists(socket); ++i)
      std::this_thread::sleep_for(100ms);
    ::setenv("DISPLAY", display_.c_str(), 1);
  }
  ~Screen() { ::unsetenv("DISPLAY"); }
  bool ready() const { return std::filesystem::exists("/tmp/.X11-unix/X" + display_.substr(1)); }
  // A window as a picture (kept with the test's build, for a look after a
  // failure, and for the documentation).
  void Shot(const std::string& window, const std::string& path) const {
    lan::Run({"import", "-window", window, path});
  }

 private:
  std::string display_;
  std::unique_ptr<Background> server_;
};

// The X window of a Wine window whose title matches `pattern` (an extended
// regular expression), once it is on the screen; empty if it never came.
std::string WaitForWindow(const std::string& pattern, std::chrono::seconds limit = 30s) {
  const auto until = std::chrono::steady_clock::now() + limit;
  do {
    const lan::Result found = lan::Run({"xdotool", "search", "--onlyvisible", "--name", pattern});
    if (found.status == 0 && !found.out.empty()) return found.out.substr(0, found.out.find('\n'));
    std::this_thread::sleep_for(250ms);
  } while (std::chrono::steady_clock::now() < until);
  return {};
}

// True once no window whose title matches `pattern` is on the screen.
bool Gone(const std::string& pattern, std::chrono::seconds limit = 10s) {
  const auto until = std::chrono::steady_clock::now() + limit;
  do {
    if (WaitForWindow(pattern, 0s).empty()) return true;
    std::this_thread::sleep_for(100ms);
  } while (std::chrono::steady_clock::now() < until);
  return false;
}

std::string Title(const std::string& window) {
  return Trimmed(lan::Run({"xdotool", "getwindowname", window}).out);
}

// Keys pressed in `window`, as xdotool names them ("Return", "alt+m").
void Keys(const std::string& window, const std::vector<std::string>& keys) {
  lan::Run({"xdotool", "windowfocus", "--sync", window});
  std::vector<std::string> argv = {"xdotool", "key", "--delay", "120"};
  argv.insert(argv.end(), keys.begin(), keys.end());
  lan::Run(argv);
}

// A click into the device list's empty part, under its rows, as a person
// gives it the keyboard: the middle of the main window, which the list
// fills down to its buttons.
void ClickBelowTheRows(const std::string& window) {
  lan::Run({"xdotool", "windowfocus", "--sync", window});
  const std::string geometry = lan::Run({"xdotool", "getwindowgeometry", "--shell", window}).out;
  auto value = [&geometry](const std::string& name) {
    const std::size_t at = geometry.find(name + "=");
    return at == std::string::npos ? 0 : std::stoi(geometry.substr(at + name.size() + 1));
  };
  lan::Run({"xdotool", "mousemove", "--window", window, std::to_string(value("WIDTH") / 2),
            std::to_string(value("HEIGHT") * 2 / 3), "click", "1"});
}

void Type(const std::string& window, const std::string& text) {
  lan::Run({"xdotool", "windowfocus", "--sync", window});
  lan::Run({"xdotool", "type", "--delay", "80", text});
}

// The number of commands a device has taken.
int Commands(const SimDevice& device) {
  return std::stoi(device.Control("commands"));
}

TEST(WindowsProgramLan, DiscoveryListsTheDevicesAndAConsoleCommandReachesItsDevice) {
  const std::string program = Env("BREVANE_WINDOWS_PROGRAM");
  ASSERT_FALSE(program.empty()) << "BREVANE_WINDOWS_PROGRAM names no brevane.exe";
  ASSERT_GE(ThisLan().devices.size(), 3u);
  std::map<std::string, std::unique_ptr<SimDevice>> devices;  // by address
  std::set<std::string> addresses;
  for (std::size_t k = 0; k < 3; ++k) {
    const lan::Host& host = ThisLan().devices[k];
    devices[host.ip] = std::make_unique<SimDevice>(
        host,
        std::vector<std::string>{"--name", "NAS-" + std::to_string(k + 1), "--group", "HOME"});
    addresses.insert(host.ip);
  }
  const std::string shots = Env("BREVANE_SHOTS");

  Screen screen;
  ASSERT_TRUE(screen.ready());
  // A Wine prefix of its own, whose services start with the screen there.
  const std::string prefix = ThisLan().dir + "/wine-program";
  ASSERT_EQ(lan::Run({Env("BREVANE_WINE_RUN"), prefix, "--start"}).status, 0);
  Background brevane({Env("BREVANE_WINE_RUN"), prefix, program, "--console"},
                     ThisLan().dir + "/brevane-exe.log");
  ASSERT_TRUE(brevane.started());
  const std::string main = WaitForWindow("^Brevane - Version ");
  ASSERT_FALSE(main.empty()) << "no main window";
  // The whole scan, then the box that says it is over.
  const std::string done = WaitForWindow("^information$", 40s);
  ASSERT_FALSE(done.empty()) << "the scan never ended";
  Keys(done, {"Return"});
  ASSERT_TRUE(Gone("^information$"));
  if (!shots.empty()) screen.Shot(main, shots + "/windows-main.png");

  // Each row of the list, picked with the arrow keys, opens the console of
  // a device that answered (its title names the address); together the
  // rows are every device, each once.
  std::vector<std::string> reached;
  for (int row = 0; row < 3; ++row) {
    // (End first: Home alone on the row that is current already would
    // select nothing.)
    std::vector<std::string> keys = {"End", "Home"};
    for (int i = 0; i < row; ++i) keys.push_back("Down");
    keys.push_back("alt+m");  // Manage Drive
    ClickBelowTheRows(main);
    Keys(main, keys);
    const std::string login = WaitForWindow("^Remote Device Login$");
    ASSERT_FALSE(login.empty()) << "no login dialog for row " << row;
    Keys(login, {"Return"});  // no password: the devices have none
    const std::string console = WaitForWindow("^Manage Drive [0-9.]+$");
    ASSERT_FALSE(console.empty()) << "no console for row " << row;
    const std::string address = Title(console).substr(std::string("Manage Drive ").size());
    reached.push_back(address);
    ASSERT_EQ(devices.count(address), 1u) << address;
    if (row == 0) {
      if (!shots.empty()) screen.Shot(console, shots + "/windows-console.png");
      // A new host name, typed into its field and set.
      Keys(console, {"alt+h", "ctrl+a"});
      Type(console, "NAS-WIN");
      Keys(console, {"alt+s", "space"});
      const SimDevice& device = *devices[address];
      for (int i = 0; i < 100 && Commands(device) == 0; ++i) std::this_thread::sleep_for(100ms);
      ASSERT_EQ(Commands(device), 1);
      EXPECT_EQ(device.Control("get host_name"), "NAS-WIN");
    }
    Keys(console, {"alt+F4"});
    ASSERT_TRUE(Gone("^Manage Drive [0-9.]+$")) << "the console stayed open";
    ASSERT_FALSE(WaitForWindow("^Brevane - Version ", 10s).empty());
  }
  EXPECT_EQ(std::set<std::string>(reached.begin(), reached.end()), addresses);
  EXPECT_EQ(reached.size(), addresses.size());
  EXPECT_TRUE(brevane.Running());

  // The Linux console sends the same command to the same device: its bytes
  // must be those brevane.exe sent.
  const SimDevice& device = *devices[reached[0]];
  {
    desktop::fakes::FakePlatform fakes{desktop::fakes::Devices::Real};
    core::Session() = {device.host().ip, "admin", ""};
    Form2 console;
    testing_support::Find<QLineEdit>(console, "HostEdit")->setText("NAS-WIN");
    testing_support::Find<QLineEdit>(console, "GroupEdit")->setText("HOME");
    console.identBtnClick();
    core::Session() = {};
  }
  ASSERT_EQ(Commands(device), 2);
  EXPECT_EQ(device.Control("command 0"), device.Control("command 1"));
  // No other device got a command.
  for (const auto& [address, other] : devices)
    if (address != reached[0]) {
      EXPECT_EQ(Commands(*other), 0) << address;
    }
}

}  // namespace
