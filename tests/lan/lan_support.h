#pragma once

// Helpers for tests that run inside the test LAN's workstation namespace.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace lan {

struct Host {
  std::string ns;
  std::string ip;
  std::string control;  // the simulated device's control socket
};

struct Lan {
  std::string name;
  std::string dir;
  Host workstation;
  std::vector<Host> devices;
};

// The LAN this test runs in, from the state file named by BREVANE_LAN_STATE.
const Lan& ThisLan();

// A simulated device started in a device namespace for the life of the
// object.
class SimDevice {
 public:
  SimDevice(const Host& host, const std::vector<std::string>& args);
  ~SimDevice();
  SimDevice(const SimDevice&) = delete;
  SimDevice& operator=(const SimDevice&) = delete;

  // One control command; the answer without "ok " (throws on "err").
  std::string Control(const std::string& command) const;
  const Host& host() const { return host_; }
  // The simulator's peak resident memory so far, in MiB.
  double PeakMiB() const;

 private:
  Host host_;
  pid_t pid_ = -1;
};

// Gives a device's namespace its LAN address back when it goes, whatever a
// test moved the device to.
class AddressRestorer {
 public:
  explicit AddressRestorer(const Host& host) : host_(host) {}
  ~AddressRestorer();
  AddressRestorer(const AddressRestorer&) = delete;
  AddressRestorer& operator=(const AddressRestorer&) = delete;

 private:
  Host host_;
};

// AddressSanitizer keeps freed memory in quarantine and adds its shadow,
// so under it resident memory says nothing of the program's own use.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kMemoryIsMeasurable = false;
#else
inline constexpr bool kMemoryIsMeasurable = true;
#endif

// How much this process's resident memory peaked above where it stood
// while `action` ran, in MiB (the kernel's high-water mark, reset first).
double PeakGrowthMiB(const std::function<void()>& action);

// A program's exit status and what it printed.
struct Result {
  int status = -1;
  std::string out, err;
};
// Runs a program (no shell) with `input` as its standard input; waits for it.
// Runs may go on side by side.
Result Run(std::vector<std::string> argv, const std::string& input = "");

// brevane-ctl and brevane-scan as CTest names them (the Linux build's, or
// the Windows build's under Wine), else as found on the PATH.
std::string Ctl();
std::string Scan();
// How many times `what` occurs in `text`.
int Count(const std::string& text, const std::string& what);

// Runs the Qt event loop until `done` holds or `timeout` passes; returns done().
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

}  // namespace lan
