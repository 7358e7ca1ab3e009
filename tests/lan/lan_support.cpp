#include "lan_support.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "sim/control.h"
#include "sim/http_server.h"
#include "sim/process.h"

extern char** environ;

namespace lan {

const Lan& ThisLan() {
  static const Lan lan = [] {
    const char* state = std::getenv("BREVANE_LAN_STATE");
    if (state == nullptr) throw std::runtime_error("BREVANE_LAN_STATE is not set");
    std::map<std::string, std::string> v;
    std::ifstream in(state);
    for (std::string line; std::getline(in, line);) {
      const auto eq = line.find('=');
      if (eq != std::string::npos) v[line.substr(0, eq)] = line.substr(eq + 1);
    }
    Lan result;
    result.name = v["BREVANE_LAN"];
    result.dir = v["BREVANE_LAN_DIR"];
    result.workstation = {v["BREVANE_LAN_WS_NS"], v["BREVANE_LAN_WS_IP"], ""};
    const int count = std::atoi(v["BREVANE_LAN_DEVICES"].c_str());
    for (int k = 1; k <= count; ++k) {
      const std::string prefix = "BREVANE_LAN_DEV" + std::to_string(k) + "_";
      result.devices.push_back({v[prefix + "NS"], v[prefix + "IP"], v[prefix + "CONTROL"]});
    }
    return result;
  }();
  return lan;
}

SimDevice::SimDevice(const Host& host, const std::vector<std::string>& args) : host_(host) {
  const char* devsim = std::getenv("BREVANE_DEVSIM");
  if (devsim == nullptr) throw std::runtime_error("BREVANE_DEVSIM is not set");
  std::vector<std::string> argv = {"ip",   "netns",     "exec",       host.ns,
                                   devsim, "--control", host.control, "--exit-with-parent"};
  argv.insert(argv.end(), args.begin(), args.end());
  ::unlink(host.control.c_str());
  pid_ = sim::Spawn(argv);
  if (pid_ <= 0) throw std::runtime_error("cannot start the simulated device");
  // Ready once its control socket answers.
  for (int i = 0; i < 500; ++i) {
    try {
      if (sim::ControlCall(host_.control, "ping") == "ok") return;
    } catch (const std::exception&) {
    }
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      throw std::runtime_error("the simulated device exited at start");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  throw std::runtime_error("the simulated device did not come up");
}

SimDevice::~SimDevice() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  ::waitpid(pid_, &status, 0);
}

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

Result Run(std::vector<std::string> argv, const std::string& input) {
  // Files of each run's own: runs may go on side by side, on threads.
  static std::atomic<int> runs{0};
  const std::string base =
      std::filesystem::temp_directory_path() /
      ("brevane-run-" + std::to_string(::getpid()) + "-" + std::to_string(++runs));
  std::ofstream(base + ".in", std::ios::binary) << input;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, (base + ".in").c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, (base + ".out").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, (base + ".err").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> raw;
  for (auto& a : argv) raw.push_back(a.data());
  raw.push_back(nullptr);
  pid_t pid = 0;
  Result result;
  if (posix_spawnp(&pid, raw[0], &actions, nullptr, raw.data(), environ) == 0) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  result.out = Slurp(base + ".out");
  result.err = Slurp(base + ".err");
  for (const char* ending : {".in", ".out", ".err"}) std::filesystem::remove(base + ending);
  return result;
}

double SimDevice::PeakMiB() const {
  std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024;
  return 0;
}

std::string SimDevice::Control(const std::string& command) const {
  const std::string answer = sim::ControlCall(host_.control, command);
  if (answer == "ok") return "";
  if (answer.rfind("ok ", 0) == 0) return answer.substr(3);
  throw std::runtime_error("device control: " + answer);
}

AddressRestorer::~AddressRestorer() {
  sim::RunIp({"-n", host_.ns, "addr", "flush", "dev", "lan0"});
  sim::RunIp({"-n", host_.ns, "addr", "add", host_.ip + "/24", "dev", "lan0"});
  sim::RunIp({"-n", host_.ns, "route", "replace", "default", "dev", "lan0"});
}

namespace {

long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field) + 1);
  return -1;
}

}  // namespace

double PeakGrowthMiB(const std::function<void()>& action) {
  std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
  const long before = StatusKb("VmHWM");
  action();
  return static_cast<double>(StatusKb("VmHWM") - before) / 1024.0;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

std::string Ctl() {
  const char* ctl = std::getenv("BREVANE_CTL");
  return ctl != nullptr ? ctl : "brevane-ctl";
}

std::string Scan() {
  const char* scan = std::getenv("BREVANE_SCAN");
  return scan != nullptr ? scan : "brevane-scan";
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace lan
